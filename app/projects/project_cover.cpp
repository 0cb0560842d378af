#include "app/projects/project_cover.h"

#include <QPainter>
#include <QPainterPath>

#include "app/kit/appearance.h"
#include "app/kit/icons.h"
#include "app/model/app_model.h"
#include "core/base/work_pool.h"
#include "core/store/cover_photo.h"

namespace orvane::projects {

CoverLoader::CoverLoader(std::shared_ptr<MainExecutor> main, Ensure ensure, WorkPool& pool, QObject* parent)
    : QObject(parent), main_(std::move(main)), ensure_(std::move(ensure)), pool_(pool) {}

CoverLoader& CoverLoader::of(model::AppModel& app) {
    if (auto* loader = app.findChild<CoverLoader*>(QString(), Qt::FindDirectChildrenOnly)) return *loader;
    auto ensure = [](const Project& project) { return CoverPhoto::ensure(project); };
    return *new CoverLoader(app.sharedMainExecutor(), ensure, WorkPool::normal(), &app);
}

void CoverLoader::request(const Project& project, QObject* context, Answer answer) {
    auto [entry, first] = waiting_.try_emplace(project.id);
    entry->second.push_back({context, std::move(answer)});
    if (!first) return;  // joins the making in flight
    struct Made {
        std::optional<std::filesystem::path> file;
        QImage image;
    };
    offload(
        main_, pool_,
        [ensure = ensure_, project]() {
            Made made{ensure(project), {}};
            if (made.file) made.image = QImage(QString::fromStdString(made.file->string()));
            return made;
        },
        [self = QPointer<CoverLoader>(this), id = project.id](Outcome<Made> outcome) {
            if (!self) return;
            const auto found = self->waiting_.find(id);
            if (found == self->waiting_.end()) return;
            const std::vector<Waiter> waiters = std::move(found->second);
            self->waiting_.erase(found);
            std::optional<QImage> image;
            if (outcome.ok() && outcome.value().file) image = outcome.value().image;
            for (const Waiter& w : waiters)
                if (w.context) w.answer(image);
        });
}

ProjectThumb::ProjectThumb(CoverLoader& loader, const Project& project, const QString& symbol,
                           kit::AdaptiveColor tint, QWidget* parent)
    : QWidget(parent), loader_(loader), symbol_(symbol), tint_(tint), done_(project.done()) {
    setObjectName(QStringLiteral("thumb"));
    setFixedSize(72, 45);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
    load(project);
}

void ProjectThumb::setProject(const Project& project, const QString& symbol, kit::AdaptiveColor tint) {
    symbol_ = symbol;
    tint_ = tint;
    QWidget::update();
    if (project.done() == done_) return;
    done_ = project.done();
    load(project);
}

void ProjectThumb::load(const Project& project) {
    loader_.request(project, this, [this](std::optional<QImage> image) {
        if (!image) return;  // no cover: the placeholder (or the cover shown) stays
        cover_ = *image;
        QWidget::update();
    });
}

void ProjectThumb::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = kit::Appearance::instance().isDark();
    const QRectF frame(rect());
    QPainterPath clip;
    clip.addRoundedRect(frame, 12, 12);
    p.setClipPath(clip);
    p.fillPath(clip, kit::withAlpha(tint_.resolve(dark), 0.14));
    if (!cover_.isNull()) {
        // Fills the frame keeping its proportions; what overflows is cut off.
        const QSizeF scaled = QSizeF(cover_.size()).scaled(frame.size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target(frame.center().x() - scaled.width() / 2, frame.center().y() - scaled.height() / 2,
                            scaled.width(), scaled.height());
        p.drawImage(target, cover_);
        return;
    }
    const QRectF glyph(frame.center().x() - 8.5, frame.center().y() - 8.5, 17, 17);
    kit::icons::paint(p, symbol_, glyph, tint_.resolve(dark));
}

}  // namespace orvane::projects
