#include "app/home/home_view.h"

#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <mutex>

#include "app/kit/app_style.h"
#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"

namespace orvane::home {

namespace {

// The page is drawn dark whatever the appearance: white at some opacity, on both sides.
constexpr kit::AdaptiveColor white{0xFFFFFF, 0xFFFFFF, 1.0, 1.0};
// The secondary text of the dark appearance.
const QColor secondaryOnDark(0x9A, 0x9B, 0xA5);

kit::KitLabel* whiteLabel(const QString& text, const QFont& font, double opacity, bool localized = false) {
    auto* label = new kit::KitLabel(text, font);
    label->setColor(white, opacity);
    label->setLocalized(localized);
    return label;
}

// The large figure of the time saved: hours or minutes large, the next unit smaller and grey.
class SavedFigure final : public QWidget {
public:
    static constexpr double scale = 1.7;
    explicit SavedFigure(const SavedTimeFigure& figure) : figure_(figure) {
        setObjectName("savedFigure");
        setAccessibleName(figure.text());
        setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    }
    QString text() const { return figure_.text(); }
    QSize sizeHint() const override {
        double w = 0;
        for (const auto& piece : pieces()) w += QFontMetricsF(piece.font).horizontalAdvance(piece.text);
        return {int(std::ceil(w)) + 2, int(std::ceil(QFontMetricsF(kit::uiFont(40 * scale, QFont::Bold)).height()))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::TextAntialiasing);
        // Shrinks to at most half its size when the column is narrower than the figure.
        const double fit = std::clamp(double(width()) / std::max(1, sizeHint().width()), 0.5, 1.0);
        p.scale(fit, fit);
        const double baseline = QFontMetricsF(kit::uiFont(40 * scale, QFont::Bold)).ascent();
        double x = 0;
        for (const auto& piece : pieces()) {
            p.setFont(piece.font);
            p.setPen(piece.color);
            p.drawText(QPointF(x, baseline), piece.text);
            x += QFontMetricsF(piece.font).horizontalAdvance(piece.text);
        }
    }

private:
    struct Piece {
        QString text;
        QFont font;
        QColor color;
    };
    std::vector<Piece> pieces() const {
        auto font = [](double points, int weight) {
            QFont f = kit::trackedFont(points, weight, -1.4);
            return f;
        };
        std::vector<Piece> out{{QString::number(figure_.large), font(40 * scale, QFont::Bold), Qt::white},
                               {u' ' + figure_.largeUnit, font(26 * scale, QFont::Bold), Qt::white}};
        if (figure_.small) {
            out.push_back({u' ' + QString::number(*figure_.small), font(24 * scale, QFont::DemiBold), secondaryOnDark});
            out.push_back({u' ' + figure_.smallUnit, font(18 * scale, QFont::DemiBold), secondaryOnDark});
        }
        return out;
    }
    SavedTimeFigure figure_;
};

// A hairline across the column.
class Divider final : public QWidget {
public:
    Divider() {
        setFixedHeight(1);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.fillRect(QRectF(0, 0, width(), 0.5), QColor(255, 255, 255, 77));
    }
};

// "Vezi toate" on a dark capsule with a faint rim.
class ShowAllButton final : public QAbstractButton {
public:
    ShowAllButton() {
        setObjectName("showAll");
        setText(kit::localized("Vezi toate"));
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(kit::uiFont(14, QFont::DemiBold));
        return {int(std::ceil(fm.horizontalAdvance(text()) + 6 + 11 + 32)), int(std::ceil(fm.height() + 16))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
        p.setPen(QPen(QColor(255, 255, 255, 64), 0.5));
        p.setBrush(QColor(0, 0, 0, 107));
        p.drawRoundedRect(r, r.height() / 2, r.height() / 2);
        p.setFont(kit::uiFont(14, QFont::DemiBold));
        p.setPen(Qt::white);
        const QFontMetricsF fm(p.font());
        const double textWidth = fm.horizontalAdvance(text());
        p.drawText(QRectF(16, 0, textWidth + 1, height()), Qt::AlignVCenter | Qt::AlignLeft, text());
        kit::icons::paint(p, QStringLiteral("arrow.right"), QRectF(16 + textWidth + 6, (height() - 11) / 2.0, 11, 11),
                          Qt::white);
    }
};

}  // namespace

const QImage& heroImage() {
    static QImage image;
    static std::once_flag once;
    std::call_once(once, [] { image = QImage(QStringLiteral(":/home/home-hero.jpg")); });
    return image;
}

RecentItem::RecentItem(const QString& name, const QString& detail, QWidget* parent)
    : QAbstractButton(parent), name_(name), detail_(detail) {
    setObjectName("recentItem");
    setText(name);
    setAccessibleName(name + QStringLiteral(", ") + detail);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
}

QSize RecentItem::sizeHint() const {
    const QFontMetricsF nameMetrics(kit::uiFont(16, QFont::Medium));
    const QFontMetricsF detailMetrics(kit::uiFont(13));
    const double texts = std::max(nameMetrics.horizontalAdvance(name_), detailMetrics.horizontalAdvance(detail_));
    const double width = std::min(14 + texts + 10 + 12 + 14, 230.0);
    return {int(std::ceil(width)), int(std::ceil(10 + nameMetrics.height() + 2 + detailMetrics.height() + 10))};
}

void RecentItem::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF r = QRectF(rect()).adjusted(0.25, 0.25, -0.25, -0.25);
    if (hovering_) {
        p.setPen(QPen(QColor(255, 255, 255, 77), 0.5));
        p.setBrush(QColor(255, 255, 255, 46));
        p.drawRoundedRect(r, 12, 12);
    }
    const QFont nameFont = kit::uiFont(16, QFont::Medium);
    const QFont detailFont = kit::uiFont(13);
    const QFontMetricsF nm(nameFont), dm(detailFont);
    const double textWidth = width() - 14 - 10 - 12 - 14;
    p.setFont(nameFont);
    p.setPen(Qt::white);
    p.drawText(QPointF(14, 10 + nm.ascent()), nm.elidedText(name_, Qt::ElideRight, textWidth));
    p.setFont(detailFont);
    p.setPen(QColor(255, 255, 255, hovering_ ? 217 : 166));
    p.drawText(QPointF(14, 10 + nm.height() + 2 + dm.ascent()), dm.elidedText(detail_, Qt::ElideRight, textWidth));
    if (hovering_)
        kit::icons::paint(p, QStringLiteral("arrow.up.right"), QRectF(width() - 14 - 12, (height() - 12) / 2.0, 12, 12),
                          Qt::white);
}

void RecentItem::enterEvent(QEnterEvent* event) {
    hovering_ = true;
    update();
    QAbstractButton::enterEvent(event);
}

void RecentItem::leaveEvent(QEvent* event) {
    hovering_ = false;
    update();
    QAbstractButton::leaveEvent(event);
}

HomeView::HomeView(model::AppModel& model, model::Router& router, QWidget* parent)
    : QWidget(parent), home_(model, router) {
    setObjectName("homePage");
    setFocusPolicy(Qt::StrongFocus);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* holder = new QWidget;
    centring_ = new QHBoxLayout(holder);
    centring_->setContentsMargins(40, 44, 40, 64);
    centring_->setSpacing(0);
    centring_->addStretch(0);
    centring_->addStretch(0);
    scroll_ = kit::clearScrollArea(holder, true);
    layout->addWidget(scroll_);
    connect(&home_, &HomeModel::changed, this, &HomeView::rebuild);
    rebuild();
}

void HomeView::rebuild() {
    recent_.clear();
    greeting_ = headline_ = caption_ = noProjects_ = nullptr;
    figure_ = steps_ = nullptr;
    showAll_ = nullptr;

    if (column_) {
        centring_->removeWidget(column_);
        column_->hide();
        column_->deleteLater();
    }
    column_ = new QWidget;
    column_->setMaximumWidth(1000);

    auto* rows = new QVBoxLayout(column_);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    rows->addStretch(1);

    const HomeContent content = home_.content();
    greeting_ = whiteLabel(greetingTitle(), kit::trackedFont(13, QFont::DemiBold, 1.6), 0.75);
    greeting_->setObjectName("greeting");
    rows->addWidget(greeting_);
    rows->addSpacing(10);

    if (content.showsEstimate) {
        figure_ = new SavedFigure(savedTimeFigure(content.saved.seconds));
        rows->addWidget(figure_);
        rows->addSpacing(6);
        caption_ = whiteLabel(content.caption, kit::uiFont(17), 0.85);
        caption_->setObjectName("savedCaption");
        kit::quickTip(caption_, QString::fromUtf8(
                                    "Estimare: aproximativ 40 de secunde de editare manuală per fotografie de nuntă "
                                    "(valoare medie raportată în industrie), minus timpul în care aplicația a lucrat."));
        rows->addWidget(caption_, 0, Qt::AlignLeft);
        rows->addSpacing(24);
    } else {
        headline_ = whiteLabel(content.headline, kit::trackedFont(46, QFont::Medium, -1.1), 1.0);
        headline_->setObjectName("headline");
        headline_->setMaxLines(0);
        headline_->setFixedWidth(330);
        rows->addWidget(headline_);
        rows->addSpacing(24);
    }

    start_ = new kit::KitButton(content.buttonTitle, kit::ButtonLook::accent);
    start_->setObjectName("start");
    start_->setSymbol(QStringLiteral("photo"));
    connect(start_, &QAbstractButton::clicked, &home_, &HomeModel::start);
    rows->addWidget(start_, 0, Qt::AlignLeft);
    rows->addSpacing(30);
    rows->addWidget(new Divider);
    rows->addSpacing(16);

    auto* bottom = new QWidget;
    bottom->setObjectName("bottomSection");
    auto* line = new QHBoxLayout(bottom);
    line->setContentsMargins(0, 0, 0, 0);
    switch (content.bottom) {
        case BottomSection::steps: {
            steps_ = bottom;
            line->setSpacing(44);
            const char* titles[] = {"Alegi nunta din catalogul Lightroom", "Se editează singur",
                                    "Le trimiți în Lightroom"};
            for (int i = 0; i < 3; ++i) {
                auto* step = new QHBoxLayout;
                step->setSpacing(10);
                QFont numberFont = kit::uiFont(13, QFont::Medium);
                step->addWidget(whiteLabel(QStringLiteral("0%1").arg(i + 1), numberFont, 0.6));
                auto* title = whiteLabel(QString::fromUtf8(titles[i]), kit::uiFont(16, QFont::Medium), 1.0, true);
                title->setObjectName("stepTitle");
                step->addWidget(title);
                line->addLayout(step);
            }
            line->addStretch(1);
            break;
        }
        case BottomSection::recent: {
            line->setSpacing(12);
            for (const Project* p : home_.recent()) {
                auto* tile = new RecentItem(QString::fromStdString(p->name), photoCountText(*p));
                const Uuid id = p->id;
                connect(tile, &QAbstractButton::clicked, &home_, [this, id] { home_.openProject(id); });
                recent_ << tile;
                line->addWidget(tile);
            }
            line->addStretch(1);
            showAll_ = new ShowAllButton;
            connect(showAll_, &QAbstractButton::clicked, &home_, &HomeModel::showAllProjects);
            line->addWidget(showAll_);
            break;
        }
        case BottomSection::noProjects:
            noProjects_ = whiteLabel(QString::fromUtf8("Încă nu ai proiecte."), kit::uiFont(16), 0.7, true);
            noProjects_->setObjectName("noProjects");
            line->addWidget(noProjects_);
            line->addStretch(1);
            break;
    }
    rows->addWidget(bottom);

    // Everything on the page casts a soft shadow: the photograph can be light anywhere.
    auto* shadow = new QGraphicsDropShadowEffect;
    shadow->setColor(QColor(0, 0, 0, 89));
    shadow->setBlurRadius(20);
    shadow->setOffset(0, 1);
    column_->setGraphicsEffect(shadow);
    centring_->insertWidget(1, column_, 1);
    fitColumn();
}

void HomeView::fitColumn() {
    if (column_) column_->setMinimumHeight(std::max(0, height() - 108));
}

void HomeView::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QImage& hero = heroImage();
    if (!hero.isNull()) {
        // Filled, cropped to the page, then darkened for the white text.
        const QSizeF scaled = QSizeF(hero.size()).scaled(size(), Qt::KeepAspectRatioByExpanding);
        const QRectF target((width() - scaled.width()) / 2, (height() - scaled.height()) / 2, scaled.width(),
                            scaled.height());
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(target, hero);
        p.fillRect(rect(), QColor(0, 0, 0, 77));
        return;
    }
    // Without the photograph: a dark evening sky, so the page's white text reads in both appearances.
    QLinearGradient sky(0, 0, width() * 0.35, height());
    sky.setColorAt(0, QColor(0x2B, 0x33, 0x47));
    sky.setColorAt(0.55, QColor(0x1A, 0x1E, 0x2A));
    sky.setColorAt(1, QColor(0x0E, 0x10, 0x16));
    p.fillRect(rect(), sky);
}

void HomeView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    home_.pageShown();
}

void HomeView::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    fitColumn();
}

void HomeView::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        home_.start();
        return;
    }
    QWidget::keyPressEvent(event);
}

}  // namespace orvane::home
