#include "app/profiles/profile_card.h"

#include <QContextMenuEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

#include <cmath>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/profiles/profiles_list_model.h"
#include "app/profiles/profiles_texts.h"

namespace orvane::profiles {

namespace {

bool dark() { return kit::Appearance::instance().isDark(); }

// The 40 × 40 tile: the profile's colour when built, else grey at half opacity, with the sliders symbol.
class ColourTile final : public QWidget {
public:
    ColourTile(QColor fill, QWidget* parent = nullptr) : QWidget(parent), fill_(fill) { setFixedSize(40, 40); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        QPainterPath path;
        path.addRoundedRect(QRectF(rect()), 10, 10);
        p.fillPath(path, fill_);
        kit::icons::paint(p, QStringLiteral("slider.horizontal.3"), QRectF(12, 12, 16, 16), Qt::white);
    }

private:
    QColor fill_;
};

// The default marker: a star and "Implicit" in the accent when the profile is the default, else an
// empty star and "Setează ca implicit" in the muted colour; plain, no frame.
class DefaultButton final : public QAbstractButton {
public:
    DefaultButton(bool isDefault, QWidget* parent = nullptr) : QAbstractButton(parent), isDefault_(isDefault) {
        setText(kit::localized(isDefault ? "Implicit" : "Setează ca implicit"));
        setCursor(Qt::PointingHandCursor);
        setObjectName(QStringLiteral("defaultButton"));
    }
    QSize sizeHint() const override {
        const QFontMetricsF fm(font());
        return {int(std::ceil(12 + 5 + fm.horizontalAdvance(text()))) + 2, int(std::ceil(fm.height())) + 4};
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor ink = (isDefault_ ? kit::accentColor() : kit::mutedColor).resolve(dark());
        p.setFont(kit::uiFont(12, QFont::Medium));
        const double y = (height() - 12) / 2.0;
        kit::icons::paint(p, isDefault_ ? QStringLiteral("star.fill") : QStringLiteral("star"), QRectF(0, y, 12, 12),
                          ink);
        p.setPen(ink);
        p.drawText(QRectF(17, 0, width() - 17, height()), Qt::AlignLeft | Qt::AlignVCenter, text());
    }
    void changeEvent(QEvent* event) override {
        if (event->type() == QEvent::FontChange) updateGeometry();
        QAbstractButton::changeEvent(event);
    }

private:
    bool isDefault_;
};

kit::KitLabel* line(const QString& text, double points, int weight, bool muted) {
    auto* label = new kit::KitLabel(text, kit::uiFont(points, weight));
    label->setElideMode(Qt::ElideRight);
    label->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    if (muted) label->setColor(kit::mutedColor);
    kit::labelTip(label, text, false);
    return label;
}

kit::KitButton* smallOutline(const QString& text, const QString& symbol) {
    auto* b = new kit::KitButton(text, kit::ButtonLook::outline);
    b->setSymbol(symbol);
    b->setProperty("controlSize", QStringLiteral("small"));
    return b;
}

}  // namespace

ProfileCard::ProfileCard(ProfilesListModel& list, Profile profile, int index, QWidget* parent)
    : QWidget(parent), list_(list), profile_(std::move(profile)), index_(index) {
    state_ = cardState(profile_, list_.appModel(), list_.router());
    const bool selecting = list_.selecting();
    setObjectName(QStringLiteral("profileCard"));

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    auto* row = new QWidget;
    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(14, 10, 14, 10);
    h->setSpacing(12);
    outer->addWidget(new kit::HoverFill(14, row));

    if (selecting) {
        const bool on = list_.isSelected(profile_.id);
        auto* mark = new kit::SymbolView(on ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), 20);
        mark->setInk(on ? kit::accentColor() : kit::mutedColor);
        mark->setObjectName(on ? QStringLiteral("selectedMark") : QStringLiteral("unselectedMark"));
        mark->setFixedSize(20, 20);
        mark_ = mark;
        h->addWidget(mark);
    }

    QColor grey(Qt::gray);
    grey.setAlphaF(0.5f);
    h->addWidget(new ColourTile(state_.colouredTile ? profileColor(profile_.id) : grey));

    auto* texts = new QWidget;
    auto* v = new QVBoxLayout(texts);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(2);
    auto* name = line(QString::fromStdString(profile_.name), 15, QFont::DemiBold, false);
    name->setObjectName(QStringLiteral("name"));
    auto* preset = line(QString::fromStdString(profile_.presetName), 12.5, QFont::Normal, true);
    preset->setObjectName(QStringLiteral("preset"));
    auto* summary = line(profileSubtitle(profile_), 12, QFont::Normal, true);
    summary->setObjectName(QStringLiteral("summary"));
    v->addWidget(name);
    v->addWidget(preset);
    v->addWidget(summary);
    texts->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    h->addWidget(texts, 1);

    if (state_.defaultButton) {
        auto* b = new DefaultButton(state_.isDefault);
        b->setEnabled(!state_.isDefault);
        kit::quickTip(b, state_.isDefault ? QString::fromUtf8("Profilul folosit implicit la editare")
                                          : QString::fromUtf8("Folosește acest profil implicit la editare"));
        connect(b, &QAbstractButton::clicked, this, [this] { makeDefaultProfile(list_.router(), profile_); });
        default_ = b;
        h->addWidget(b);
    }

    pill_ = new kit::StatusPill(state_.pillText, state_.pillSymbol, state_.pillKind);
    h->addWidget(pill_);

    if (!selecting) {
        if (state_.trainText) {
            train_ = smallOutline(kit::localized(*state_.trainText), QStringLiteral("brain.head.profile"));
            train_->setObjectName(QStringLiteral("trainButton"));
            train_->setEnabled(state_.trainEnabled);
            connect(train_, &QAbstractButton::clicked, this,
                    [this] { trainProfile(list_.appModel(), list_.router(), profile_); });
            h->addWidget(train_);
        }
        delete_ = smallOutline(QString(), QStringLiteral("trash"));
        delete_->setObjectName(QStringLiteral("deleteButton"));
        delete_->setEnabled(state_.deleteEnabled);
        kit::quickTip(delete_, QString::fromUtf8("Șterge"));
        connect(delete_, &QAbstractButton::clicked, this, [this] { deleteProfile(list_.appModel(), profile_); });
        h->addWidget(delete_);
        auto* chevron = new kit::SymbolView(QStringLiteral("chevron.right"), 11);
        chevron->setInk(kit::mutedColor.opacity(0.6));
        chevron->setFixedSize(11, 11);
        h->addWidget(chevron);
    }
}

void ProfileCard::tap() {
    if (list_.selecting()) {
        list_.toggle(profile_.id);
    } else {
        openProfile(list_.router(), profile_);
    }
}

QMenu* ProfileCard::makeContextMenu() {
    // No parent and copies: the card may be gone (the list rebuilt) by the time an entry runs.
    auto* menu = new QMenu;
    ProfilesListModel* list = &list_;
    const Profile profile = profile_;
    menu->addAction(kit::localized("Deschide"), menu, [list, profile] { openProfile(list->router(), profile); });
    menu->addAction(kit::localized("Redenumește…"), menu,
                    [list, profile] { renameProfile(list->appModel(), profile); });
    return menu;
}

void ProfileCard::paintEvent(QPaintEvent*) {
    if (index_ == 0) return;
    // The divider above every card but the first, clear of the tile column.
    QPainter p(this);
    p.setPen(QPen(kit::primaryLabelColor.opacity(0.1).resolve(dark()), 1));
    p.drawLine(QPointF(68, 0.5), QPointF(width(), 0.5));
}

void ProfileCard::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) event->accept();
    else QWidget::mousePressEvent(event);
}

void ProfileCard::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        event->accept();
        tap();
        return;
    }
    QWidget::mouseReleaseEvent(event);
}

void ProfileCard::contextMenuEvent(QContextMenuEvent* event) {
    QMenu* menu = makeContextMenu();
    menu->setAttribute(Qt::WA_DeleteOnClose);
    menu->popup(event->globalPos());
}

ProfilesEmptyState::ProfilesEmptyState(bool anyCatalog, QWidget* parent) : QAbstractButton(parent) {
    registerProfilesTexts();
    setObjectName(QStringLiteral("emptyState"));
    setCursor(Qt::PointingHandCursor);
    symbol_ = anyCatalog ? QStringLiteral("plus") : QStringLiteral("books.vertical");
    callToAction_ = anyCatalog ? QString::fromUtf8("Apasă aici ca să creezi primul profil.")
                               : QString::fromUtf8(
                                     "Apasă aici: întâi imporți un catalog Lightroom, apoi poți crea profilul.");
    setMinimumHeight(200);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
    auto* v = new QVBoxLayout(this);
    v->setSpacing(8);
    v->addStretch(1);
    v->addWidget(new kit::IconTile(symbol_, 48, false), 0, Qt::AlignHCenter);
    auto* title = new kit::KitLabel(QString::fromUtf8("Niciun profil încă"), kit::uiFont(kit::TextStyle::headline, QFont::DemiBold));
    title->setLocalized(true);
    v->addWidget(title, 0, Qt::AlignHCenter);
    auto* explanation = new kit::KitLabel(
        QString::fromUtf8("Un profil = presetul tău Lightroom + modelul antrenat pe cataloagele tale."),
        kit::uiFont(kit::TextStyle::body));
    explanation->setLocalized(true);
    explanation->setColor(kit::mutedColor);
    v->addWidget(explanation, 0, Qt::AlignHCenter);
    v->addSpacing(2);
    auto* action = new kit::KitLabel(callToAction_, kit::uiFont(kit::TextStyle::callout, QFont::Medium));
    action->setLocalized(true);
    action->setColor(kit::accentColor());
    action->setObjectName(QStringLiteral("callToAction"));
    v->addWidget(action, 0, Qt::AlignHCenter);
    v->addStretch(1);
    for (QWidget* child : findChildren<QWidget*>()) child->setAttribute(Qt::WA_TransparentForMouseEvents);
}

QSize ProfilesEmptyState::sizeHint() const { return QSize(QAbstractButton::sizeHint().width(), 200).expandedTo(layout()->sizeHint()); }

}  // namespace orvane::profiles
