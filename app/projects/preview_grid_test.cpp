#include "app/projects/preview_grid.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include <thread>

#include "app/projects/large_corrections_sheet.h"
#include "app/projects/processing_world.h"
#include "testing/dng_writer.h"
#include "testing/job_fixtures.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::projects;
using namespace std::chrono_literals;
using orvane::testing::projectWith;

namespace {

// Previews whose background work waits in a queue; a base is a grey image of the asked side, and a
// render tells its exposure by its pixel value.
struct QueuedPreviews {
    std::vector<std::function<void()>> work;
    std::set<std::string> unreadable;
    PreviewServices services() {
        PreviewServices s;
        s.background = [this](PreviewServices::Work w) { work.push_back(std::move(w)); };
        s.base = [this](const std::filesystem::path& file, int side) -> std::optional<cv::Mat> {
            if (unreadable.count(file.string())) return std::nullopt;
            return cv::Mat(side / 2, side, CV_8UC3, cv::Scalar(100, 100, 100));
        };
        s.asShotKelvin = [](const std::filesystem::path&) { return std::optional<double>(5000); };
        s.render = [](const cv::Mat& image, double ev, std::optional<double>, std::optional<double>) {
            return std::optional<cv::Mat>(cv::Mat(image.size(), CV_8UC3, cv::Scalar::all(100 + ev * 50)));
        };
        return s;
    }
    void run(std::size_t index) {
        auto w = std::move(work.at(index));
        work.erase(work.begin() + std::ptrdiff_t(index));
        w();
    }
};

int grey(const QImage& image) { return qRed(image.pixel(0, 0)); }

}  // namespace

TEST(PreviewGrid, showsAtMostSixPhotosOfTheProjectAndRendersOnceTheBasesAreIn) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 10);
    for (std::size_t i = 0; i < p.photos.size(); ++i) p.photos[i].aspect = i < 2 ? 0.66 : 1.5;
    auto job = w.add(p);
    QueuedPreviews q;
    PreviewGridModel m(job, std::nullopt, w.main, q.services());
    m.load();
    ASSERT_EQ(m.items().size(), 6u) << "2 portraits, 3 landscapes and one more landscape";
    EXPECT_FALSE(m.loadedOnce());
    ASSERT_EQ(q.work.size(), 1u) << "one background load for all photos";
    q.run(0);
    w.main->runReady();
    EXPECT_TRUE(m.loadedOnce());
    ASSERT_EQ(q.work.size(), 1u) << "the first render follows the load at once";
    EXPECT_TRUE(m.picture(m.items()[0].path, false).isNull());
    EXPECT_EQ(m.picture(m.items()[0].path, true).width(), PreviewGridModel::maxSide);
    q.run(0);
    w.main->runReady();
    EXPECT_EQ(grey(m.picture(m.items()[0].path, false)), 125) << "exposure 0.5";
}

TEST(PreviewGrid, aBurstOfChangesRendersOnceAfterTheLastWithItsValue) {
    projects::testing::ProcessingWorld w;
    auto job = w.add(projectWith(0, 2));
    QueuedPreviews q;
    PreviewGridModel m(job, job->project().photos, w.main, q.services());
    m.load();
    q.run(0);
    w.main->runReady();
    q.run(0);
    w.main->runReady();
    ASSERT_EQ(m.renderStarts().size(), 1u);
    const Date begin = w.main->now();
    job->setGlobalExposure(0.2);
    w.main->advance(40ms);
    job->setGlobalExposure(0.4);
    w.main->advance(40ms);
    job->setGlobalExposure(1.0);
    w.main->advance(100ms);
    EXPECT_EQ(m.renderStarts().size(), 1u) << "not yet 0.12 s after the last change";
    w.main->advance(20ms);
    ASSERT_EQ(m.renderStarts().size(), 2u);
    EXPECT_EQ(m.renderStarts().back().at - begin, 200ms) << "0.12 s after the third change at 0.08 s";
    EXPECT_DOUBLE_EQ(m.renderStarts().back().exposures.begin()->second, 1.5) << "0.5 predicted + 1.0 global";
    w.main->advance(1s);
    EXPECT_EQ(m.renderStarts().size(), 2u);
}

TEST(PreviewGrid, aLateOlderRenderNeverReplacesANewerOne) {
    projects::testing::ProcessingWorld w;
    auto job = w.add(projectWith(0, 1));
    QueuedPreviews q;
    PreviewGridModel m(job, job->project().photos, w.main, q.services());
    m.load();
    q.run(0);
    w.main->runReady();
    ASSERT_EQ(q.work.size(), 1u);  // render 1 (exposure 0.5)
    job->setGlobalExposure(1.0);
    w.main->advance(120ms);
    ASSERT_EQ(q.work.size(), 2u);  // render 2 (exposure 1.5)
    const std::string path = m.items()[0].path;
    q.run(1);
    w.main->runReady();
    EXPECT_EQ(grey(m.picture(path, false)), 175);
    q.run(0);
    w.main->runReady();
    EXPECT_EQ(grey(m.picture(path, false)), 175) << "the older render finished late and was dropped";
    EXPECT_EQ(m.appliedGeneration(), 2u);
}

TEST(PreviewGrid, originalFlipsAtOnceAndMissingFilesShowTheSymbol) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 2);
    p.photos[1].exposure.reset();
    auto job = w.add(p);
    QueuedPreviews q;
    q.unreadable.insert(p.photos[0].path);
    PreviewGrid grid(job, job->project().photos, false, 150, w.main, q.services());
    grid.resize(500, 300);
    EXPECT_EQ(grid.columns(500), 3);
    grid.show();
    EXPECT_EQ(grid.content(0), PreviewGrid::CellContent::progress);
    q.run(0);
    w.main->runReady();
    q.run(0);
    w.main->runReady();
    EXPECT_EQ(grid.content(0), PreviewGrid::CellContent::symbol) << "unreadable file";
    EXPECT_EQ(grid.content(1), PreviewGrid::CellContent::symbol) << "no computed exposure: not rendered";
    grid.setShowOriginal(true);
    EXPECT_EQ(grid.content(1), PreviewGrid::CellContent::picture) << "its base still shows";
    EXPECT_EQ(grid.content(0), PreviewGrid::CellContent::symbol);
    EXPECT_TRUE(q.work.empty()) << "flipping reads and renders nothing";
}

TEST(PreviewGrid, realBasesAreReducedOffTheInterfaceThread) {
    projects::testing::ProcessingWorld w;
    orvane::testing::TempDir dir;
    orvane::testing::DngSpec spec;
    spec.preview = orvane::testing::DngPreview{};
    spec.preview->width = 1600;
    spec.preview->height = 1066;
    Project p = projectWith(0, 1);
    p.photos[0].path = (dir / "IMG_1.dng").string();
    orvane::testing::writeDng(p.photos[0].path, spec);
    auto job = w.add(p);
    PreviewServices s = PreviewServices::standard();
    std::set<std::thread::id> threads;
    std::mutex mutex;
    auto base = s.base;
    s.base = [&, base](const std::filesystem::path& f, int side) {
        std::lock_guard lock(mutex);
        threads.insert(std::this_thread::get_id());
        return base(f, side);
    };
    PreviewGridModel m(job, std::nullopt, w.main, s);
    m.load();
    w.runUntil([&] { return m.appliedGeneration() == 1; });
    ASSERT_EQ(threads.size(), 1u);
    EXPECT_NE(*threads.begin(), std::this_thread::get_id());
    const QImage original = m.picture(p.photos[0].path, true);
    EXPECT_EQ(std::max(original.width(), original.height()), 720);
    EXPECT_FALSE(m.picture(p.photos[0].path, false).isNull());
}

TEST(BigCorrectionsSheet, listsTheTwelveLargestCorrectionsFromOneStop) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 20);
    const double evs[] = {0.99, -1.0, 1.0, 3, -2.5, 1.2, -1.1, 2, 1.5, -1.7, 2.2, 2.4, 1.01, -1.3, 1.05, 0.2, -0.99, 1.8, 2.9, 0};
    for (std::size_t i = 0; i < 20; ++i) p.photos[i].exposure = evs[i];
    p.photos[19].exposure.reset();
    auto job = w.add(p);
    QueuedPreviews q;
    int closed = 0;
    BigCorrectionsSheet sheet(job, *w.router, w.main, [&] { ++closed; }, q.services());
    sheet.show();
    const auto& items = sheet.grid()->model().items();
    ASSERT_EQ(items.size(), 12u);
    EXPECT_EQ(items.front().exposure, 3.0);
    for (const auto& item : items) EXPECT_GE(std::abs(*item.exposure), 1.05);
    EXPECT_GE(sheet.scrollArea()->minimumHeight(), 260);

    QTest::keyClick(&sheet, Qt::Key_Escape);
    EXPECT_EQ(closed, 1);
    EXPECT_EQ(w.router->route(), model::Route::home());
    QTest::keyClick(&sheet, Qt::Key_Return);
    EXPECT_EQ(closed, 2);
    EXPECT_EQ(w.router->route(), model::Route::reedit(p.id));
}

TEST(BigCorrectionsSheet, exactlyOneStopIsListedAndNothingBelowIt) {
    projects::testing::ProcessingWorld w;
    Project p = projectWith(0, 3);
    p.photos[0].exposure = 0.99;
    p.photos[1].exposure = -1.0;
    p.photos[2].exposure = 1.0;
    auto job = w.add(p);
    QueuedPreviews q;
    BigCorrectionsSheet sheet(job, *w.router, w.main, [] {}, q.services());
    const auto& items = sheet.grid()->model().items();
    EXPECT_TRUE(items.empty()) << "not loaded before it shows";
    sheet.show();
    ASSERT_EQ(sheet.grid()->model().items().size(), 2u);
    auto none = w.add(projectWith(0, 3));
    BigCorrectionsSheet empty(none, *w.router, w.main, [] {}, q.services());
    empty.show();
    EXPECT_TRUE(empty.grid()->model().items().empty()) << "0.5 EV everywhere";
    QTest::mouseClick(empty.closeButton(), Qt::LeftButton);
}
