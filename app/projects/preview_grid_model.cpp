#include "app/projects/preview_grid_model.h"

#include "core/base/work_pool.h"
#include "core/photo/as_shot_wb.h"
#include "core/vision/photo_preview.h"

namespace orvane::projects {

namespace fs = std::filesystem;

PreviewServices PreviewServices::standard() {
    PreviewServices s;
    s.background = [](Work work) { WorkPool::high().submit(std::move(work)); };
    s.base = [](const fs::path& file, int side) { return PhotoPreview::base(file, side); };
    s.asShotKelvin = [](const fs::path& file) -> std::optional<double> {
        try {
            if (auto wb = readAsShot(file)) return wb->kelvin;
        } catch (const std::exception&) {
        }
        return std::nullopt;
    };
    s.render = [](const cv::Mat& image, double ev, std::optional<double> shot, std::optional<double> final) {
        return PhotoPreview::render(image, ev, shot, final);
    };
    return s;
}

QImage toImage(const cv::Mat& bgr) {
    if (bgr.empty() || bgr.type() != CV_8UC3) return {};
    return QImage(bgr.data, bgr.cols, bgr.rows, int(bgr.step), QImage::Format_BGR888).copy();
}

PreviewGridModel::PreviewGridModel(std::shared_ptr<Job> job, std::optional<std::vector<PhotoItem>> only,
                                   std::shared_ptr<MainExecutor> main, PreviewServices services, QObject* parent)
    : QObject(parent),
      job_(std::move(job)),
      only_(std::move(only)),
      main_(std::move(main)),
      services_(std::move(services)),
      adapter_(job_) {
    connect(&adapter_, &JobAdapter::projectChanged, this, &PreviewGridModel::scheduleRender);
}

PreviewGridModel::~PreviewGridModel() { *alive_ = false; }

void PreviewGridModel::load() {
    if (loadStarted_) return;
    loadStarted_ = true;
    loading_ = true;
    items_ = only_ ? *only_ : job_->project().previewTrio(3, 3);
    std::vector<std::pair<std::string, fs::path>> files;
    for (const PhotoItem& item : items_) files.emplace_back(item.path, sourceURL(item));
    emit changed();
    services_.background([files = std::move(files), services = services_, main = main_, alive = alive_, this] {
        struct Loaded {
            std::map<std::string, cv::Mat> bases;
            std::map<std::string, QImage> images;
            std::map<std::string, double> kelvin;
        };
        auto loaded = std::make_shared<Loaded>();
        for (const auto& [path, file] : files) {
            if (auto image = services.base(file, maxSide)) {
                loaded->images[path] = toImage(*image);
                loaded->bases[path] = std::move(*image);
            }
            if (auto k = services.asShotKelvin(file)) loaded->kelvin[path] = *k;
        }
        main->post([this, alive, loaded] {
            if (!*alive) return;
            bases_ = std::move(loaded->bases);
            baseImages_ = std::move(loaded->images);
            shotK_ = std::move(loaded->kelvin);
            loadedOnce_ = true;
            loading_ = false;
            emit changed();
            render();
        });
    });
}

void PreviewGridModel::scheduleRender() {
    const std::uint64_t mine = ++scheduled_;
    main_->postAfter(renderDelay, [this, alive = alive_, mine] {
        if (*alive && mine == scheduled_) render();
    });
}

void PreviewGridModel::render() {
    // The project as it is now, never as a change announced it.
    const Project& project = job_->project();
    struct Entry {
        std::string path;
        cv::Mat base;
        double ev;
        std::optional<double> shotK;
        std::optional<double> finalK;
    };
    std::vector<Entry> entries;
    RenderStart start{main_->now(), ++generation_, {}};
    for (const PhotoItem& item : items_) {
        auto base = bases_.find(item.path);
        if (base == bases_.end()) continue;
        // The item's own values are as the grid loaded them; the project's copy has the latest.
        const PhotoItem* current = &item;
        for (const PhotoItem& p : project.photos)
            if (p.path == item.path) current = &p;
        const auto ev = project.exposure(*current);
        if (!ev) continue;
        auto shot = shotK_.find(item.path);
        entries.push_back({item.path, base->second, *ev,
                           shot == shotK_.end() ? std::nullopt : std::optional<double>(shot->second),
                           project.temperature(*current)});
        start.exposures[item.path] = *ev;
    }
    const std::uint64_t generation = start.generation;
    starts_.push_back(std::move(start));
    services_.background([entries = std::move(entries), render = services_.render, main = main_, alive = alive_,
                          generation, this] {
        auto images = std::make_shared<std::map<std::string, QImage>>();
        for (const Entry& e : entries)
            if (auto out = render(e.base, e.ev, e.shotK, e.finalK)) (*images)[e.path] = toImage(*out);
        main->post([this, alive, images, generation] {
            // An older render that finishes late never replaces the newer previews.
            if (!*alive || generation <= applied_) return;
            applied_ = generation;
            rendered_ = std::move(*images);
            emit changed();
        });
    });
}

QImage PreviewGridModel::picture(const std::string& path, bool original) const {
    const auto& from = original ? baseImages_ : rendered_;
    auto it = from.find(path);
    return it == from.end() ? QImage() : it->second;
}

}  // namespace orvane::projects
