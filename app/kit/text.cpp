#include "app/kit/text.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QTextLayout>

#include <cmath>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"

namespace orvane::kit {

QFont trackedFont(double points, int weight, double tracking) {
    QFont f = uiFont(points, weight);
    f.setLetterSpacing(QFont::AbsoluteSpacing, tracking);
    return f;
}

QString trimSpacesAndTabs(const QString& text) {
    qsizetype begin = 0, end = text.size();
    auto blank = [](QChar c) { return c == u' ' || c == u'\t'; };
    while (begin < end && blank(text[begin])) ++begin;
    while (end > begin && blank(text[end - 1])) --end;
    return text.mid(begin, end - begin);
}

QString upperCased(const QString& text) { return QLocale(QLocale::Romanian, QLocale::Romania).toUpper(text); }

KitLabel::KitLabel(const QString& text, const QFont& font, QWidget* parent) : QWidget(parent), text_(text), font_(font) {
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    connect(&Appearance::instance(), &Appearance::changed, this, qOverload<>(&QWidget::update));
    connect(&KitSettings::instance(), &KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String("language") && localized_) changed();
    });
}

void KitLabel::changed() {
    updateGeometry();
    update();
}

void KitLabel::setText(const QString& text) {
    if (text == text_) return;
    text_ = text;
    changed();
}

QString KitLabel::shownText() const {
    QString s = localized_ ? localized(text_) : text_;
    return upper_ ? upperCased(s) : s;
}

void KitLabel::setLocalized(bool localized) {
    localized_ = localized;
    changed();
}

void KitLabel::setUpperCase(bool upper) {
    upper_ = upper;
    changed();
}

void KitLabel::setFont(const QFont& font) {
    font_ = font;
    changed();
}

void KitLabel::setColor(AdaptiveColor color, double opacity) {
    color_ = color;
    opacity_ = opacity;
    update();
}

void KitLabel::setElideMode(Qt::TextElideMode mode) {
    elide_ = mode;
    changed();
}

void KitLabel::setMaxLines(int lines) {
    maxLines_ = std::max(0, lines);
    QSizePolicy policy = sizePolicy();
    // A wrapping label takes the height its width needs: not held to its one-line hint.
    policy.setVerticalPolicy(maxLines_ == 1 ? QSizePolicy::Fixed : QSizePolicy::Preferred);
    policy.setHeightForWidth(maxLines_ != 1);
    setSizePolicy(policy);
    changed();
}

void KitLabel::setAlignment(Qt::Alignment alignment) {
    alignment_ = alignment;
    update();
}

KitLabel::Layout KitLabel::layoutFor(double width) const {
    const QString shown = shownText();
    const QFontMetricsF fm(font_);
    Layout out;
    if (maxLines_ == 1) {
        if (elide_ == Qt::ElideNone || fm.horizontalAdvance(shown) <= width + 0.5) {
            out.lines << shown;
        } else {
            out.lines << fm.elidedText(shown, elide_, width);
            out.elided = true;
        }
        return out;
    }
    QTextLayout layout(shown, font_);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (;;) {
        QTextLine line = layout.createLine();
        if (!line.isValid()) break;
        line.setLineWidth(std::max(1.0, width));
        if (maxLines_ > 0 && out.lines.size() == maxLines_ - 1) {
            // The last line allowed takes the rest of the text, cut at its end when it does not fit.
            const QString rest = shown.mid(line.textStart()).simplified();
            const QString cut = fm.elidedText(rest, Qt::ElideRight, width);
            out.elided = cut != rest;
            out.lines << cut;
            break;
        }
        out.lines << shown.mid(line.textStart(), line.textLength()).trimmed();
    }
    layout.endLayout();
    if (out.lines.isEmpty()) out.lines << QString();
    return out;
}

bool KitLabel::isElided() const { return layoutFor(width()).elided; }

int KitLabel::lineCount() const { return int(layoutFor(width()).lines.size()); }

QSize KitLabel::sizeHint() const {
    const QFontMetricsF fm(font_);
    const double natural = std::ceil(fm.horizontalAdvance(shownText())) + 1;
    const int lines = maxLines_ == 1 ? 1 : int(layoutFor(natural).lines.size());
    return {int(natural), int(std::ceil(fm.height() * lines))};
}

QSize KitLabel::minimumSizeHint() const {
    const QFontMetricsF fm(font_);
    if (maxLines_ == 1 && elide_ == Qt::ElideNone) return sizeHint();
    // A cut label may shrink to its ellipsis; a wrapping one to a word's room.
    const double least = std::ceil(fm.horizontalAdvance(QStringLiteral("…"))) + 1;
    return {int(least), int(std::ceil(fm.height()))};
}

int KitLabel::heightForWidth(int width) const {
    const QFontMetricsF fm(font_);
    return int(std::ceil(fm.height() * layoutFor(width).lines.size()));
}

void KitLabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::TextAntialiasing);
    p.setFont(font_);
    p.setPen(withAlpha(color_.resolve(Appearance::instance().isDark()),
                       color_.resolve(Appearance::instance().isDark()).alphaF() * opacity_));
    const Layout layout = layoutFor(width());
    const QFontMetricsF fm(font_);
    const double lineHeight = fm.height();
    const double total = lineHeight * layout.lines.size();
    double y = 0;
    if (alignment_ & Qt::AlignVCenter) y = (height() - total) / 2;
    else if (alignment_ & Qt::AlignBottom) y = height() - total;
    const Qt::Alignment horizontal = alignment_ & Qt::AlignHorizontal_Mask;
    for (const QString& line : layout.lines) {
        p.drawText(QRectF(0, y, width(), lineHeight), int(horizontal | Qt::AlignVCenter), line);
        y += lineHeight;
    }
}

QLabel* selectableLabel(const QString& text, double points, int weight, bool muted) {
    auto* l = new QLabel(text);
    l->setFont(uiFont(points, weight));
    l->setTextInteractionFlags(Qt::TextSelectableByMouse);
    if (muted) setMutedText(l);
    return l;
}

}  // namespace orvane::kit
