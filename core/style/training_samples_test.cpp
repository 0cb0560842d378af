#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <mutex>
#include <set>

#include "core/catalog/catalog_import.h"
#include "core/catalog/sqlite.h"
#include "core/photo/embedded_preview.h"
#include "core/photo/features.h"
#include "core/photo/smart_preview.h"
#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/profile_builder.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/photographer.h"
#include "testing/romanian_locale.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::CatalogBuilder;
using testing::DevelopText;
using testing::TempDir;
using testing::writeText;

std::string settings(double exposure, double kelvin, double contrast = 0) {
    return DevelopText().number("Exposure2012", exposure).number("Temperature", kelvin).number("Tint", 3)
        .number("Contrast2012", contrast).str();
}

// Photos 0–5 have a raw DNG with an embedded JPEG; 2 and 3 also a smart preview; 6 only a smart
// preview; 7 neither. 8 is unedited, 9 black and white, 10 a raw that cannot be decoded, 11 carries a
// relative temperature: only 10 of those four is ever tried, and none gives a sample. Without
// `previews` no JPEG is written at all (no embedded previews, no smart previews).
struct Fixture {
    TempDir dir;
    fs::path userCatalog;
    TrainingCatalog catalog;
    std::vector<std::string> paths;
    std::vector<std::int64_t> images;
    std::vector<std::string> fileIDs;

    explicit Fixture(bool previews = true) {
        testing::freshDataDir();
        userCatalog = dir / "Utilizator" / "Nunta.lrcat";
        fs::create_directories(userCatalog.parent_path());
        const std::string root = (dir / "Poze").string() + "/";
        CatalogBuilder b(userCatalog);
        for (int i = 0; i < 12; ++i) {
            const std::string base = "IMG_" + std::to_string(100 + i);
            std::string text = settings(0.1 * i + 0.2, 4000 + 100 * i, i == 0 ? 25 : 0);
            if (i == 8) text = DevelopText().number("Exposure2012", 0).number("Temperature", 5000).text("WhiteBalance", "As Shot").str();
            if (i == 9) text = DevelopText().number("Exposure2012", 1).number("Temperature", 5000).boolean("ConvertToGrayscale", true).str();
            if (i == 11) text = settings(0.5, 25);
            auto ids = b.photo({.root = root, .folder = "2024/", .baseName = base, .extension = "dng", .fileFormat = "DNG",
                                .captureTime = "2024-06-01T12:00:" + std::to_string(10 + i), .settings = text});
            const std::string path = root + "2024/" + base + ".dng";
            paths.push_back(path);
            images.push_back(ids.image);
            fileIDs.push_back(ids.fileID);
            if (i <= 5 || i == 8 || i == 9 || i == 11) {
                testing::DngSpec spec;
                spec.iso = 100 * (i + 1);
                spec.exposureTime = 1.0 / (60 + 20 * i);
                spec.asShotNeutral = std::array<double, 3>{0.45 + 0.03 * i, 1.0, 0.7 - 0.02 * i};
                if (previews) spec.preview = testing::DngPreview{};
                testing::writeDng(path, spec);
            }
            if (i == 10) writeText(path, "nu este o fotografie");
            if (previews && (i == 2 || i == 3 || i == 6)) {
                testing::SmartPreviewSpec spec;
                spec.width = 120;
                spec.height = 80;
                spec.iso = 800 + i;
                testing::writeCatalogSmartPreview(userCatalog, ids.fileID, spec);
            }
        }
        b.close();
        catalog = Catalog::importCatalog(userCatalog);
    }

    std::vector<std::string> pathsOf(std::initializer_list<int> indices) const {
        std::vector<std::string> out;
        for (int i : indices) out.push_back(paths[static_cast<std::size_t>(i)]);
        std::sort(out.begin(), out.end());
        return out;
    }

    // Changes a photo's develop settings in the imported copy, as a later import would.
    void setSettings(int photo, const std::string& text) const {
        auto db = Sqlite::Connection::open(catalog.lrcat().string(), SQLITE_OPEN_READWRITE);
        auto st = db.prepare("UPDATE Adobe_imageDevelopSettings SET text = ?1 WHERE image = ?2");
        st.bind(1, text).bind(2, images[static_cast<std::size_t>(photo)]);
        st.run();
    }
};

// The real readers, counting the photos they are asked to decode.
struct Counting {
    std::atomic<int> raw{0}, embedded{0}, preview{0};
    std::function<void()> afterRaw;
    ProfileBuilder::Readers readers() {
        const auto& real = testing::facelessReaders();
        ProfileBuilder::Readers r = real;
        r.loadRaw = [this, &real](const fs::path& f, bool fullLuma) {
            ++raw;
            auto image = real.loadRaw(f, fullLuma);
            if (afterRaw) afterRaw();
            return image;
        };
        r.embeddedPreview = [this, &real](const fs::path& f, int side) {
            ++embedded;
            return real.embeddedPreview(f, side);
        };
        r.smartPreview = [this, &real](const fs::path& f, float ev) {
            ++preview;
            return real.smartPreview(f, ev);
        };
        return r;
    }
    int total() const { return raw + embedded + preview; }
    void reset() { raw = embedded = preview = 0; }
};

std::vector<std::string> pathsOf(const std::vector<Sample>& samples) {
    std::vector<std::string> out;
    for (const auto& s : samples) out.push_back(s.path);
    return out;
}

const Sample& find(const std::vector<Sample>& samples, const std::string& path) {
    auto it = std::find_if(samples.begin(), samples.end(), [&](const Sample& s) { return s.path == path; });
    if (it == samples.end()) throw std::runtime_error("no sample for " + path);
    return *it;
}

std::vector<std::string> cacheFiles(const TrainingCatalog& c) {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(c.dir())) {
        const std::string name = e.path().filename().string();
        if (name.starts_with("features")) out.push_back(name);
    }
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<Sample> cached(const TrainingCatalog& c, bool preview, bool fast) {
    return Store::load<std::vector<Sample>>(ProfileBuilder::cacheFile(c, preview, fast));
}

TEST(TrainingSamples, eachWayOfReadingGivesItsOwnSamplesAndCache) {
    Fixture f;
    Counting count;
    std::mutex mutex;
    std::vector<std::pair<int, int>> reports;
    auto progress = [&](int done, int total) {
        std::lock_guard lock(mutex);
        reports.emplace_back(done, total);
    };

    // Raw files: photos 0–5; the undecodable raw 10 is tried and counted.
    const auto raw = ProfileBuilder::samples(f.catalog, 3, false, false, nullptr, progress, count.readers());
    EXPECT_EQ(pathsOf(raw), f.pathsOf({0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(count.raw, 7);
    std::sort(reports.begin(), reports.end());
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1, 7}, {2, 7}, {3, 7}, {4, 7}, {5, 7}, {6, 7}, {7, 7}}));
    for (int i : {0, 1, 2, 3, 4, 5}) {
        const Sample& s = find(raw, f.paths[i]);
        EXPECT_EQ(s.x, Features::vector(loadRaw(s.path, true), {})) << i;
        EXPECT_DOUBLE_EQ(s.exposure, 0.1 * i + 0.2);
        EXPECT_EQ(s.temperature, 4000 + 100 * i);
        EXPECT_EQ(s.identity, "img_" + std::to_string(100 + i) + ".dng|2024-06-01T12:00:" + std::to_string(10 + i));
        ASSERT_TRUE(s.extras);
        EXPECT_EQ(s.extras->size(), Model::extraKeys().size());
        EXPECT_EQ(s.extras->at("Contrast2012"), i == 0 ? 25 : 0);
    }
    EXPECT_EQ(cacheFiles(f.catalog), (std::vector<std::string>{"features.json"}));

    // Embedded previews.
    count.reset();
    const auto fast = ProfileBuilder::samples(f.catalog, 2, false, true, nullptr, {}, count.readers());
    EXPECT_EQ(pathsOf(fast), f.pathsOf({0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(count.embedded, 7);
    EXPECT_EQ(count.raw, 1);  // 10 has no preview and then fails as a raw
    for (int i : {0, 4}) {
        const Sample& s = find(fast, f.paths[i]);
        EXPECT_EQ(s.x, Features::vector(EmbeddedPreview::load(s.path, 1616), {}));
        EXPECT_NE(s.x, find(raw, s.path).x);
    }

    // Smart previews first, else the raw file through the same reader: photo 6 joins.
    count.reset();
    const auto preview = ProfileBuilder::samples(f.catalog, 4, true, false, nullptr, {}, count.readers());
    EXPECT_EQ(pathsOf(preview), f.pathsOf({0, 1, 2, 3, 4, 5, 6}));
    EXPECT_EQ(count.preview, 8);
    EXPECT_EQ(count.raw + count.embedded, 0);
    for (int i : {2, 6}) {
        const auto file = SmartPreview::path(f.userCatalog, f.fileIDs[i]);
        ASSERT_TRUE(file);
        EXPECT_EQ(find(preview, f.paths[i]).x, Features::vector(SmartPreview::load(*file, 0), {}));
    }
    EXPECT_EQ(find(preview, f.paths[1]).x, Features::vector(SmartPreview::load(f.paths[1], 0), {}));
    EXPECT_EQ(cacheFiles(f.catalog),
              (std::vector<std::string>{"features.fast.json", "features.json", "features.preview.json"}));

    // Both flags read smart previews from the preview cache: only the undecodable photo is tried again.
    count.reset();
    const auto both = ProfileBuilder::samples(f.catalog, 4, true, true, nullptr, {}, count.readers());
    EXPECT_EQ(both, preview);
    EXPECT_EQ(count.total(), 1);
    EXPECT_EQ(ProfileBuilder::cacheFile(f.catalog, true, true), f.catalog.dir() / "features.preview.json");
    EXPECT_EQ(cacheFiles(f.catalog).size(), 3u);
}

TEST(TrainingSamples, aSecondCallDecodesOnlyWhatGaveNoSample) {
    Fixture f;
    Counting count;
    const auto first = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, count.readers());
    count.reset();
    std::vector<std::pair<int, int>> reports;
    const auto second = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr,
                                                [&](int d, int t) { reports.emplace_back(d, t); }, count.readers());
    EXPECT_EQ(second, first);
    EXPECT_EQ(count.raw, 1);
    EXPECT_EQ(reports, (std::vector<std::pair<int, int>>{{1, 1}}));

    // A cached vector of another length counts as missing.
    auto file = cached(f.catalog, false, false);
    for (auto& s : file)
        if (s.path == f.paths[3]) s.x.pop_back();
    Store::save(file, ProfileBuilder::cacheFile(f.catalog, false, false));
    count.reset();
    const auto third = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, count.readers());
    EXPECT_EQ(count.raw, 2);
    EXPECT_EQ(third, first);
}

TEST(TrainingSamples, cancellingKeepsThePhotosFinishedAndTheNextCallDoesTheRest) {
    Fixture f;
    Counting count;
    CancelToken cancel;
    count.afterRaw = [&] {
        if (count.raw == 2) cancel.cancel();
    };
    EXPECT_THROW(ProfileBuilder::samples(f.catalog, 1, false, false, &cancel, {}, count.readers()), Cancelled);
    EXPECT_EQ(count.raw, 2);
    EXPECT_EQ(pathsOf(cached(f.catalog, false, false)), f.pathsOf({0, 1}));

    count.afterRaw = nullptr;
    count.reset();
    const auto rest = ProfileBuilder::samples(f.catalog, 1, false, false, nullptr, {}, count.readers());
    EXPECT_EQ(count.raw, 5);  // 2, 3, 4, 5 and the undecodable 10
    EXPECT_EQ(pathsOf(rest), f.pathsOf({0, 1, 2, 3, 4, 5}));
}

TEST(TrainingSamples, cachedSamplesFollowTheCatalog) {
    Fixture f;
    const auto before = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, testing::facelessReaders());
    f.setSettings(0, settings(1.5, 6100, 40));
    f.setSettings(1, DevelopText().number("Exposure2012", 1).number("Temperature", 5000).boolean("ConvertToGrayscale", true).str());
    f.setSettings(3, settings(0.7, 1e9));  // no longer a plausible light
    fs::remove(f.paths[2]);

    Counting count;
    const auto after = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, count.readers());
    EXPECT_EQ(count.total(), 1);  // the undecodable photo only
    EXPECT_EQ(pathsOf(after), f.pathsOf({0, 2, 4, 5}));
    const Sample& changed = find(after, f.paths[0]);
    EXPECT_EQ(changed.exposure, 1.5);
    EXPECT_EQ(changed.temperature, 6100);
    EXPECT_EQ(changed.extras->at("Contrast2012"), 40);
    EXPECT_EQ(changed.x, find(before, f.paths[0]).x);
    EXPECT_EQ(find(after, f.paths[2]), find(before, f.paths[2]));  // its raw is gone, its sample is not
    // Samples of photos that are no longer usable stay in the file.
    EXPECT_EQ(pathsOf(cached(f.catalog, false, false)), f.pathsOf({0, 1, 2, 3, 4, 5}));
}

TEST(TrainingSamples, onlyPathsLimitsThePhotos) {
    Fixture f;
    Counting count;
    TrainingCatalog some = f.catalog;
    some.onlyPaths = std::vector<std::string>{f.paths[4], f.paths[1], f.paths[8]};
    EXPECT_EQ(pathsOf(ProfileBuilder::samples(some, 2, false, false, nullptr, {}, count.readers())), f.pathsOf({1, 4}));
    EXPECT_EQ(count.raw, 2);

    count.reset();
    some.onlyPaths = std::vector<std::string>{};
    fs::remove(ProfileBuilder::cacheFile(f.catalog, false, false));
    EXPECT_TRUE(ProfileBuilder::samples(some, 2, false, false, nullptr, {}, count.readers()).empty());
    EXPECT_EQ(count.total(), 0);
}

TEST(TrainingSamples, aDamagedCacheIsReadAsEmptyAndRewritten) {
    Fixture f;
    writeText(ProfileBuilder::cacheFile(f.catalog, false, false), "[{\"path\":");
    const auto samples = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, testing::facelessReaders());
    EXPECT_EQ(samples.size(), 6u);
    EXPECT_EQ(cached(f.catalog, false, false).size(), 6u);
}

TEST(TrainingSamples, theCacheReadsBackUnderADecimalCommaLocale) {
    Fixture f;
    const testing::RomanianLocale romanian;
    if (!romanian.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    const auto first = ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, testing::facelessReaders());
    EXPECT_NE(testing::readText(ProfileBuilder::cacheFile(f.catalog, false, false)).find(R"("exposure":0.2,)"),
              std::string::npos);
    Counting count;
    EXPECT_EQ(ProfileBuilder::samples(f.catalog, 2, false, false, nullptr, {}, count.readers()), first);
    EXPECT_EQ(count.total(), 1);  // the undecodable photo only
}

// Joins the thread checks: raw files only, since the image encoders that write JPEG fixtures trip
// over their own locks there.
TEST(TrainingSamplesThreads, fourWorkersGiveWhatOneGives) {
    Fixture f(false);
    const auto one = ProfileBuilder::samples(f.catalog, 1, false, false, nullptr, {}, testing::facelessReaders());
    fs::remove(ProfileBuilder::cacheFile(f.catalog, false, false));
    std::atomic<int> reports{0};
    CancelToken untouched;
    const auto four = ProfileBuilder::samples(f.catalog, 4, false, false, &untouched, [&](int, int) { ++reports; },
                                               testing::facelessReaders());
    EXPECT_EQ(four, one);
    EXPECT_EQ(pathsOf(four), f.pathsOf({0, 1, 2, 3, 4, 5}));
    EXPECT_EQ(reports, 7);
    EXPECT_EQ(Store::encode(cached(f.catalog, false, false)), Store::encode(one));  // the file is in path order too
}

}  // namespace
}  // namespace orvane
