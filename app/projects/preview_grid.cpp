#include "app/projects/preview_grid.h"

#include <QPainter>
#include <QPainterPath>

#include <algorithm>
#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/palette.h"
#include "app/kit/text.h"

namespace orvane::projects {

namespace {
constexpr int nameGap = 4;
double nameHeight() { return QFontMetricsF(kit::uiFont(kit::TextStyle::caption)).height(); }
}  // namespace

void paintProgressMark(QPainter& p, const QRectF& ring, const QColor& ink, int angle) {
    p.setPen(QPen(kit::withAlpha(ink, 0.25), 2));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(ring);
    p.setPen(QPen(ink, 2, Qt::SolidLine, Qt::RoundCap));
    p.drawArc(ring, (90 - angle) * 16, -90 * 16);
}

PreviewGrid::PreviewGrid(std::shared_ptr<Job> job, std::optional<std::vector<PhotoItem>> only, bool showOriginal,
                         double columnMin, std::shared_ptr<MainExecutor> main, PreviewServices services,
                         QWidget* parent)
    : QWidget(parent),
      model_(std::move(job), std::move(only), std::move(main), std::move(services)),
      original_(showOriginal),
      columnMin_(columnMin) {
    QSizePolicy policy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    connect(&model_, &PreviewGridModel::changed, this, [this] {
        updateGeometry();
        update();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

void PreviewGrid::setShowOriginal(bool original) {
    if (original_ == original) return;
    original_ = original;
    update();
}

void PreviewGrid::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_.load();
}

int PreviewGrid::columns(int width) const {
    return std::max(1, int(std::floor((width + gap) / (columnMin_ + gap))));
}

double PreviewGrid::cellWidth(int width) const {
    const int n = columns(width);
    return std::max(0.0, (width - gap * (n - 1)) / double(n));
}

double PreviewGrid::rowHeight(int width) const { return cellWidth(width) / aspect + nameGap + nameHeight(); }

int PreviewGrid::heightForWidth(int width) const {
    const int count = int(model_.items().size());
    if (count == 0) return 0;
    const int rows = (count + columns(width) - 1) / columns(width);
    return int(std::ceil(rows * rowHeight(width) + (rows - 1) * gap));
}

QSize PreviewGrid::sizeHint() const {
    const int w = int(columnMin_ * 3 + gap * 2);
    return {w, heightForWidth(w)};
}

QSize PreviewGrid::minimumSizeHint() const { return {int(columnMin_), 0}; }

QRectF PreviewGrid::cellRect(int index) const {
    const int n = columns(width());
    const int count = int(model_.items().size());
    const double w = cellWidth(width());
    // A row with fewer cells than columns is centred as the whole grid is.
    const int row = index / n, col = index % n;
    const int inRow = std::min(n, count - row * n);
    const double rowWidth = inRow * w + (inRow - 1) * gap;
    const double left = n == inRow ? 0 : (width() - rowWidth) / 2;
    return {left + col * (w + gap), row * (rowHeight(width()) + gap), w, rowHeight(width())};
}

QRectF PreviewGrid::pictureRect(int index) const {
    const QRectF cell = cellRect(index);
    return {cell.left(), cell.top(), cell.width(), cell.width() / aspect};
}

PreviewGrid::CellContent PreviewGrid::content(int index) const {
    const auto& item = model_.items().at(std::size_t(index));
    if (!model_.picture(item.path, original_).isNull()) return CellContent::picture;
    return model_.loadedOnce() ? CellContent::symbol : CellContent::progress;
}

void PreviewGrid::paintEvent(QPaintEvent*) {
    const bool dark = kit::Appearance::instance().isDark();
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const QFont nameFont = kit::uiFont(kit::TextStyle::caption);
    const QColor muted = kit::mutedColor.resolve(dark);
    const auto& items = model_.items();
    for (int i = 0; i < int(items.size()); ++i) {
        const QRectF area = pictureRect(i);
        QPainterPath plate;
        plate.addRoundedRect(area, radius, radius);
        p.fillPath(plate, kit::primaryLabelColor.opacity(0.06).resolve(dark));
        const QImage image = model_.picture(items[std::size_t(i)].path, original_);
        if (!image.isNull()) {
            QSizeF fitted = QSizeF(image.size()).scaled(area.size(), Qt::KeepAspectRatio);
            const QRectF target(area.center() - QPointF(fitted.width() / 2, fitted.height() / 2), fitted);
            QPainterPath clip;
            clip.addRoundedRect(target, radius, radius);
            p.save();
            p.setClipPath(clip);
            p.drawImage(target, image);
            p.restore();
        } else if (model_.loadedOnce()) {
            const QRectF glyph(area.center() - QPointF(11, 11), QSizeF(22, 22));
            kit::icons::paint(p, QStringLiteral("photo"), glyph, kit::withAlpha(muted, 0.6));
        } else {
            paintProgressMark(p, QRectF(area.center() - QPointF(8, 8), QSizeF(16, 16)), muted, 0);
        }
        p.setFont(nameFont);
        p.setPen(muted);
        const QRectF name(area.left(), area.bottom() + nameGap, area.width(), nameHeight());
        p.drawText(name, Qt::AlignLeft | Qt::AlignVCenter,
                   QFontMetricsF(nameFont).elidedText(QString::fromStdString(items[std::size_t(i)].name()),
                                                      Qt::ElideRight, name.width()));
    }
}

}  // namespace orvane::projects
