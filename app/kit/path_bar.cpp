#include "app/kit/path_bar.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QFontMetricsF>
#include <QIcon>
#include <QPainter>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "app/kit/appearance.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"

namespace orvane::kit {

namespace {
constexpr double spacing = 5.0;
constexpr double chevronSize = 9.0;

// The desktop's own icon of a folder that exists, when the desktop has an icon theme; else the kit's
// folder symbol in the accent colour (also offscreen, so renders stay the same everywhere).
QPixmap folderIcon(const QString& full, double size, qreal dpr, bool dark) {
    const QFileInfo info(full);
    if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(QStringLiteral("folder")) && info.exists()) {
        const QIcon icon = QFileIconProvider().icon(info);
        if (!icon.isNull()) return icon.pixmap(QSize(int(size), int(size)), dpr);
    }
    return icons::pixmap(QStringLiteral("folder"), QSize(int(std::ceil(size)), int(std::ceil(size))),
                         accentColor().resolve(dark), dpr);
}
}  // namespace

std::vector<PathComponent> pathComponents(const QString& path) {
    QStringList pieces = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    QString prefix;
    if (!pieces.isEmpty() && pieces.front() == QLatin1String("Volumes")) {
        prefix = QStringLiteral("/Volumes");
        pieces.removeFirst();
    }
    std::vector<PathComponent> out;
    for (const QString& piece : pieces) {
        prefix += QLatin1Char('/') + piece;
        out.push_back({piece, prefix});
    }
    return out;
}

PathBarEntries pathBarEntries(const QString& path, int maxItems) {
    const auto all = pathComponents(path);
    const std::size_t keep = std::min(all.size(), std::size_t(std::max(maxItems, 0)));
    PathBarEntries out;
    out.shown.assign(all.end() - std::ptrdiff_t(keep), all.end());
    out.elided = keep < all.size();
    return out;
}

std::vector<double> pathBarNameWidths(const std::vector<double>& natural, double available, double least) {
    std::vector<double> widths = natural;
    const double total = std::accumulate(natural.begin(), natural.end(), 0.0);
    double deficit = total - available;
    if (deficit <= 0 || widths.empty()) return widths;
    auto give = [&](std::size_t from, std::size_t to) {
        double room = 0;
        for (std::size_t i = from; i < to; ++i) room += std::max(widths[i] - least, 0.0);
        if (room <= 0) return;
        const double share = std::min(deficit / room, 1.0);
        for (std::size_t i = from; i < to; ++i) {
            const double cut = std::max(widths[i] - least, 0.0) * share;
            widths[i] -= cut;
            deficit -= cut;
        }
    };
    give(0, widths.size() - 1);  // the earlier names first
    if (deficit > 1e-9) give(widths.size() - 1, widths.size());
    return widths;
}

PathBar::PathBar(const QString& path, int maxItems, const QFont& font, double iconSize, QWidget* parent)
    : QWidget(parent), path_(path), maxItems_(maxItems), font_(font), iconSize_(iconSize) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this] {
        updateGeometry();
        update();
    });
}

void PathBar::setPath(const QString& path) {
    path_ = path;
    updateGeometry();
    update();
}

double PathBar::fixedWidth() const {
    const PathBarEntries e = entries();
    const QFontMetricsF fm(font_);
    double w = 0;
    int parts = 0;
    if (e.elided) {
        w += std::ceil(fm.horizontalAdvance(localized("…"))) + spacing + chevronSize;
        parts += 2;
    }
    for (std::size_t i = 0; i < e.shown.size(); ++i) {
        if (i > 0) {
            w += chevronSize;
            ++parts;
        }
        w += iconSize_ + spacing;  // the icon and the gap to its name
        ++parts;
    }
    return w + spacing * std::max(parts - 1, 0);
}

std::vector<PathBar::Placed> PathBar::place(double width) const {
    const PathBarEntries e = entries();
    const QFontMetricsF fm(font_);
    std::vector<double> natural;
    for (const auto& c : e.shown) natural.push_back(std::ceil(fm.horizontalAdvance(c.name)) + 1);
    const double least = std::ceil(fm.horizontalAdvance(QStringLiteral("…"))) + 1;
    const std::vector<double> names = pathBarNameWidths(natural, width - fixedWidth(), least);
    const double h = height() > 0 ? height() : std::max(iconSize_, fm.height());
    std::vector<Placed> out;
    double x = 0;
    auto put = [&](Placed::Kind kind, double w, int entry, QString text = {}) {
        double itemH = kind == Placed::Kind::icon ? iconSize_ : kind == Placed::Kind::chevron ? chevronSize : fm.height();
        out.push_back({kind, QRectF(x, (h - itemH) / 2, w, itemH), entry, std::move(text)});
        x += w;
    };
    if (e.elided) {
        const QString mark = localized("…");
        put(Placed::Kind::elision, std::ceil(fm.horizontalAdvance(mark)), -1, mark);
        x += spacing;
        put(Placed::Kind::chevron, chevronSize, -1);
        x += spacing;
    }
    for (std::size_t i = 0; i < e.shown.size(); ++i) {
        if (i > 0) {
            put(Placed::Kind::chevron, chevronSize, int(i));
            x += spacing;
        }
        put(Placed::Kind::icon, iconSize_, int(i));
        x += spacing;
        put(Placed::Kind::name, names[i], int(i), fm.elidedText(e.shown[i].name, Qt::ElideMiddle, names[i]));
        x += spacing;
    }
    return out;
}

QStringList PathBar::shownNames() const {
    QStringList out;
    for (const Placed& p : place(width()))
        if (p.kind == Placed::Kind::name) out << p.text;
    return out;
}

QSize PathBar::sizeHint() const {
    const QFontMetricsF fm(font_);
    double w = fixedWidth();
    for (const auto& c : entries().shown) w += std::ceil(fm.horizontalAdvance(c.name)) + 1;
    return {int(std::ceil(w)), int(std::ceil(std::max(iconSize_, fm.height())))};
}

QSize PathBar::minimumSizeHint() const {
    const QFontMetricsF fm(font_);
    const double least = std::ceil(fm.horizontalAdvance(QStringLiteral("…"))) + 1;
    const double w = fixedWidth() + least * double(entries().shown.size());
    return {int(std::ceil(w)), int(std::ceil(std::max(iconSize_, fm.height())))};
}

void PathBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    const bool dark = Appearance::instance().isDark();
    const PathBarEntries e = entries();
    p.setFont(font_);
    for (const Placed& item : place(width())) {
        switch (item.kind) {
            case Placed::Kind::elision:
                p.setPen(mutedColor.resolve(dark));
                p.drawText(item.rect, int(Qt::AlignLeft | Qt::AlignVCenter), item.text);
                break;
            case Placed::Kind::chevron:
                icons::paint(p, QStringLiteral("chevron.right"), item.rect, mutedColor.opacity(0.7).resolve(dark));
                break;
            case Placed::Kind::icon: {
                const QPixmap icon = folderIcon(e.shown[std::size_t(item.entry)].full, iconSize_, devicePixelRatioF(), dark);
                p.drawPixmap(item.rect, icon, QRectF(icon.rect()));
                break;
            }
            case Placed::Kind::name:
                p.setPen(primaryLabelColor.resolve(dark));
                p.drawText(item.rect, int(Qt::AlignLeft | Qt::AlignVCenter), item.text);
                break;
        }
    }
}

}  // namespace orvane::kit
