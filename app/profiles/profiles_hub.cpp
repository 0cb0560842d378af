#include "app/profiles/profiles_hub.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/shapes.h"
#include "app/profiles/profiles_list.h"
#include "app/profiles/profiles_texts.h"

namespace orvane::profiles {

namespace {

bool dark() { return kit::Appearance::instance().isDark(); }

constexpr double iconPoints = 13;
constexpr double titlePoints = 13.5;
constexpr double iconGap = 7;

// One segment: the icon and the title, 20 × 9 inside its capsule; its colours follow whether it is current.
class Segment final : public QAbstractButton {
public:
    Segment(const QString& title, QString symbol, std::function<bool()> current, QWidget* parent = nullptr)
        : QAbstractButton(parent), symbol_(std::move(symbol)), current_(std::move(current)) {
        setText(title);
        setCursor(Qt::PointingHandCursor);
    }
    QSize sizeHint() const override {
        // Sized for the semibold title, so the strip does not move when the current tab changes.
        const QFontMetricsF fm(kit::uiFont(titlePoints, QFont::DemiBold));
        return {int(std::ceil(iconPoints + iconGap + fm.horizontalAdvance(kit::localized(text())) + 40)),
                int(std::ceil(fm.height() + 18))};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const bool on = current_();
        const QString title = kit::localized(text());
        const QFont font = kit::uiFont(titlePoints, on ? QFont::DemiBold : QFont::Medium);
        const QFontMetricsF fm(font);
        const double labelWidth = iconPoints + iconGap + fm.horizontalAdvance(title);
        double x = (width() - labelWidth) / 2;
        const QColor iconInk = (on ? kit::accentColor() : kit::mutedColor).resolve(dark());
        kit::icons::paint(p, symbol_, QRectF(x, (height() - iconPoints) / 2, iconPoints, iconPoints), iconInk);
        x += iconPoints + iconGap;
        p.setFont(font);
        p.setPen((on ? kit::primaryLabelColor : kit::mutedColor).resolve(dark()));
        p.drawText(QRectF(x, 0, width() - x, height()), Qt::AlignLeft | Qt::AlignVCenter, title);
    }
    bool hitButton(const QPoint& pos) const override {
        return kit::KitShape::capsule().path(QRectF(rect())).contains(QPointF(pos));
    }

private:
    QString symbol_;
    std::function<bool()> current_;
};

}  // namespace

HubTabStrip::HubTabStrip(ProfilesHubModel& hub, QWidget* parent)
    : QWidget(parent), hub_(hub), slide_(kit::Spring{0.25, 0.85}, [this] { update(); }) {
    setObjectName(QStringLiteral("hubTabs"));
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(4, 4, 4, 4);
    row->setSpacing(2);
    const std::array<std::pair<const char*, const char*>, 2> specs{{
        {"Profiluri", "slider.horizontal.3"},
        {"Îmbunătățește profilul", "books.vertical"},
    }};
    for (std::size_t i = 0; i < specs.size(); ++i) {
        const HubTab tab = HubTab(i);
        auto* s = new Segment(QString::fromUtf8(specs[i].first), QString::fromLatin1(specs[i].second),
                              [this, tab] { return hub_.tab() == tab; });
        s->setObjectName(i == 0 ? QStringLiteral("profilesTab") : QStringLiteral("libraryTab"));
        connect(s, &QAbstractButton::clicked, this, [this, tab] { hub_.select(tab); });
        segments_[i] = s;
        row->addWidget(s);
    }
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    connect(&hub_, &ProfilesHubModel::tabChanged, this, &HubTabStrip::follow);
}

QRectF HubTabStrip::pillRect() const {
    const double t = slide_.value();
    return QRectF(from_.topLeft() + (to_.topLeft() - from_.topLeft()) * t,
                  from_.size() + (to_.size() - from_.size()) * t);
}

void HubTabStrip::follow(bool animated) {
    from_ = pillRect();
    to_ = QRectF(segment(hub_.tab())->geometry());
    slide_.setTarget(0.0, false);
    slide_.setTarget(1.0, animated);
    for (auto* s : segments_) s->update();
    update();
}

void HubTabStrip::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    from_ = to_ = QRectF(segment(hub_.tab())->geometry());
    slide_.setTarget(1.0, false);
}

void HubTabStrip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const kit::KitShape capsule = kit::KitShape::capsule();
    p.fillPath(capsule.path(QRectF(rect())), kit::primaryLabelColor.opacity(0.07).resolve(dark()));
    const QRectF pill = pillRect();
    if (pill.isEmpty()) return;
    kit::paintShadow(p, capsule, pill, QColor(0, 0, 0, 26), 4, QPointF(0, 1));
    p.fillPath(capsule.path(pill), kit::raisedColor.resolve(dark()));
}

ProfilesHubView::ProfilesHubView(model::AppModel& model, model::Router& router, HubTab initial,
                                 PageFactory libraryPage, QWidget* parent)
    : QWidget(parent), model_(model), router_(router), hub_(router, initial), libraryPage_(std::move(libraryPage)) {
    registerProfilesTexts();
    setObjectName(QStringLiteral("profilesHub"));
    layout_ = new QVBoxLayout(this);
    layout_->setContentsMargins(0, 16, 0, 0);
    layout_->setSpacing(4);
    strip_ = new HubTabStrip(hub_);
    layout_->addWidget(strip_, 0, Qt::AlignHCenter);
    connect(&hub_, &ProfilesHubModel::tabChanged, this, &ProfilesHubView::showTab);
    showTab();
}

void ProfilesHubView::showTab() {
    if (content_) {
        layout_->removeWidget(content_);
        content_->hide();
        content_->deleteLater();
    }
    // Each visit to a tab starts its page afresh (the list out of selection mode).
    if (hub_.tab() == HubTab::profiles || !libraryPage_) content_ = new ProfilesListView(model_, router_);
    else content_ = libraryPage_();
    layout_->addWidget(content_, 1);
}

}  // namespace orvane::profiles
