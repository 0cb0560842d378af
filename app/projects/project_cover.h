#pragma once
// A project's cover on the list: the loader that makes and reads covers away from the interface thread,
// and the small thumbnail that shows one (or its section's symbol while there is none).
#include <QImage>
#include <QObject>
#include <QPointer>
#include <QWidget>

#include <filesystem>
#include <functional>
#include <map>
#include <optional>
#include <vector>

#include "app/kit/palette.h"
#include "core/store/project.h"

namespace orvane {
class MainExecutor;
class WorkPool;
}  // namespace orvane

namespace orvane::model {
class AppModel;
}

namespace orvane::projects {

// Makes a project's cover when it has none (the face analysis and the JPEG are slow) and reads it, on a
// low-priority pool; the answer comes back on the main loop. One making per project is in flight at a
// time: a request while one runs joins it and gets the same answer.
class CoverLoader final : public QObject {
    Q_OBJECT
public:
    // What the loader runs off the interface thread: the cover's file, made when missing, or nothing.
    using Ensure = std::function<std::optional<std::filesystem::path>(const Project&)>;
    // The answer: nothing when the project has no cover (the caller keeps what it shows); an image,
    // null when the file could not be read as one.
    using Answer = std::function<void(std::optional<QImage>)>;

    CoverLoader(std::shared_ptr<MainExecutor> main, Ensure ensure, WorkPool& pool, QObject* parent = nullptr);
    // The application model's loader (made on first use, living as long as the model).
    static CoverLoader& of(model::AppModel& app);

    // `answer` runs on the main loop unless `context` has gone by then.
    void request(const Project& project, QObject* context, Answer answer);
    // Projects whose cover is being made now.
    std::size_t inFlight() const { return waiting_.size(); }
    void setEnsure(Ensure ensure) { ensure_ = std::move(ensure); }

private:
    struct Waiter {
        QPointer<QObject> context;
        Answer answer;
    };
    std::shared_ptr<MainExecutor> main_;
    Ensure ensure_;
    WorkPool& pool_;
    std::map<Uuid, std::vector<Waiter>> waiting_;
};

// A 72 × 45 plate in the section's tint (at 14 %) with the cover filling it, or the section's symbol
// while there is none. It asks for the cover when made and again whenever the project's count of done
// photos changes.
class ProjectThumb final : public QWidget {
    Q_OBJECT
public:
    ProjectThumb(CoverLoader& loader, const Project& project, const QString& symbol, kit::AdaptiveColor tint,
                 QWidget* parent = nullptr);
    // The row's project and section as they are now; asks again when the done count moved.
    void setProject(const Project& project, const QString& symbol, kit::AdaptiveColor tint);
    const QImage& cover() const { return cover_; }
    const QString& symbol() const { return symbol_; }
    kit::AdaptiveColor tint() const { return tint_; }
    QSize sizeHint() const override { return {72, 45}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void load(const Project& project);

    CoverLoader& loader_;
    QString symbol_;
    kit::AdaptiveColor tint_;
    std::size_t done_ = 0;
    QImage cover_;
};

}  // namespace orvane::projects
