#pragma once
// The previews of a few of a job's photos, without widgets: which photos (fixed when the grid loads),
// their base images (at most 720 pixels on the longer side) and as-shot temperatures, read once off
// the interface thread, and the renders of the computed exposure and warmth, redone 0.12 s after the
// last of a burst of project changes. Every render carries a generation number: a render that finishes
// after a newer one has been applied is dropped. Main thread only.
#include <QImage>
#include <QObject>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <opencv2/core/mat.hpp>

#include "app/projects/job_adapter.h"
#include "core/base/executor.h"
#include "core/pipeline/job.h"

namespace orvane::projects {

struct PreviewServices {
    using Work = std::function<void()>;
    std::function<void(Work)> background;  // off the interface thread
    std::function<std::optional<cv::Mat>(const std::filesystem::path& file, int maxSide)> base;
    std::function<std::optional<double>(const std::filesystem::path& file)> asShotKelvin;  // nothing on failure
    std::function<std::optional<cv::Mat>(const cv::Mat& image, double ev, std::optional<double> shotKelvin,
                                         std::optional<double> finalKelvin)>
        render;
    static PreviewServices standard();
};

// 8-bit B, G, R as a QImage of its own pixel size (a deep copy); null for any other kind of image.
QImage toImage(const cv::Mat& bgr);

class PreviewGridModel final : public QObject {
    Q_OBJECT
public:
    static constexpr int maxSide = 720;
    static constexpr std::chrono::milliseconds renderDelay{120};

    // `only` absent: up to 3 portrait and 3 landscape photos of the project (previewTrio).
    PreviewGridModel(std::shared_ptr<Job> job, std::optional<std::vector<PhotoItem>> only,
                     std::shared_ptr<MainExecutor> main, PreviewServices services = PreviewServices::standard(),
                     QObject* parent = nullptr);
    ~PreviewGridModel() override;

    // Fixes the photos and reads their bases in the background; renders once they are in. Once.
    void load();
    void scheduleRender();
    void render();

    const std::vector<PhotoItem>& items() const { return items_; }
    bool loadedOnce() const { return loadedOnce_; }
    bool isLoading() const { return loading_; }
    // The picture of a photo: its base with `original`, else its latest render; null when none.
    QImage picture(const std::string& path, bool original) const;
    bool hasBase(const std::string& path) const { return bases_.count(path) > 0; }

    // What each render started with, for the tests: the virtual time and the exposure of every photo.
    struct RenderStart {
        Date at;
        std::uint64_t generation = 0;
        std::map<std::string, double> exposures;
    };
    const std::vector<RenderStart>& renderStarts() const { return starts_; }
    std::uint64_t appliedGeneration() const { return applied_; }

signals:
    void changed();

private:
    std::shared_ptr<Job> job_;
    std::optional<std::vector<PhotoItem>> only_;
    std::shared_ptr<MainExecutor> main_;
    PreviewServices services_;
    JobAdapter adapter_;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    std::vector<PhotoItem> items_;
    std::map<std::string, cv::Mat> bases_;
    std::map<std::string, QImage> baseImages_;
    std::map<std::string, double> shotK_;
    std::map<std::string, QImage> rendered_;
    bool loadedOnce_ = false;
    bool loading_ = false;
    bool loadStarted_ = false;
    std::uint64_t scheduled_ = 0;  // the render scheduled last; an earlier schedule finds it and stops
    std::uint64_t generation_ = 0;
    std::uint64_t applied_ = 0;
    std::vector<RenderStart> starts_;
};

}  // namespace orvane::projects
