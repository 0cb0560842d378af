#include "app/settings/settings_page.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QScrollArea>
#include <QShowEvent>
#include <QTimer>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/palette.h"
#include "app/kit/pill_picker.h"
#include "app/kit/slider.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "app/model/app_version.h"
#include "app/model/router.h"
#include "app/projects/priority_toggle.h"
#include "core/store/store.h"

namespace orvane::settings {

namespace {

QString u8(const char* text) { return QString::fromUtf8(text); }

kit::KitLabel* makeLabel(const QString& text, double points, int weight = QFont::Normal, bool muted = false,
                     bool localized = true) {
    auto* l = new kit::KitLabel(text, kit::uiFont(points, weight));
    l->setLocalized(localized);
    if (muted) l->setColor(kit::mutedColor);
    return l;
}

kit::KitLabel* note(const QString& text, double points) {
    auto* l = makeLabel(text, points, QFont::Normal, true);
    l->setMaxLines(0);
    l->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    return l;
}

// A hairline across the card.
class Divider final : public QWidget {
public:
    Divider() { setFixedHeight(1); setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        const bool dark = kit::Appearance::instance().isDark();
        p.fillRect(rect(), dark ? QColor(255, 255, 255, 28) : QColor(0, 0, 0, 24));
    }
};

QWidget* row(std::initializer_list<QWidget*> widgets, int spacing = 8, int stretchAt = -1) {
    auto* w = new QWidget;
    auto* h = new QHBoxLayout(w);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(spacing);
    int i = 0;
    for (QWidget* child : widgets) {
        if (i++ == stretchAt) h->addStretch(1);
        if (child) h->addWidget(child, 0, Qt::AlignVCenter);
    }
    if (stretchAt >= i) h->addStretch(1);
    return w;
}

QComboBox* popup(const QStringList& items, int width) {
    auto* box = new QComboBox;
    box->addItems(items);
    box->setFixedWidth(width);
    box->setFont(kit::uiFont(13));
    return box;
}

}  // namespace

// ---- AccentSwatch ----

AccentSwatch::AccentSwatch(int index, QWidget* parent) : QAbstractButton(parent), index_(index) {
    setCursor(Qt::PointingHandCursor);
    setText(kit::localized(kit::accentPalette[std::size_t(index)].name));
    setFont(kit::uiFont(11));
}

void AccentSwatch::setSelected(bool selected) {
    if (selected_ == selected) return;
    selected_ = selected;
    update();
}

QSize AccentSwatch::sizeHint() const {
    const QFontMetrics fm(font());
    return {std::max(42, fm.horizontalAdvance(text()) + 2), 42 + 6 + fm.height()};
}

void AccentSwatch::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = kit::Appearance::instance().isDark();
    const QRectF ringFrame(width() / 2.0 - 21, 0, 42, 42);
    const QRectF circle = ringFrame.adjusted(4, 4, -4, -4);
    p.setPen(Qt::NoPen);
    p.setBrush(kit::packedColor(std::uint32_t(kit::accentPalette[std::size_t(index_)].accent & 0xFFFFFFFFu)));
    p.drawEllipse(circle);
    if (selected_) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kit::primaryLabelColor.resolve(dark), 2.5));
        p.drawEllipse(ringFrame.adjusted(1.25, 1.25, -1.25, -1.25));
    }
    p.setPen(selected_ ? kit::primaryLabelColor.resolve(dark) : kit::mutedColor.resolve(dark));
    p.setFont(font());
    p.drawText(QRectF(0, 48, width(), height() - 48), Qt::AlignHCenter | Qt::AlignTop, text());
}

// ---- SwitchRow ----

SwitchRow::SwitchRow(const QString& text, QWidget* parent) : QWidget(parent) {
    auto* h = new QHBoxLayout(this);
    h->setContentsMargins(0, 0, 0, 0);
    h->setSpacing(10);
    switch_ = new projects::SmallSwitch;
    label_ = makeLabel(text, 13);
    label_->setMaxLines(0);
    label_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    h->addWidget(label_, 1, Qt::AlignVCenter);
    h->addWidget(switch_, 0, Qt::AlignVCenter);
    connect(switch_, &QAbstractButton::clicked, this, [this](bool on) { emit toggledByUser(on); });
}

void SwitchRow::setOn(bool on) {
    if (switch_->isChecked() != on) switch_->setChecked(on);
}

bool SwitchRow::isOn() const { return switch_->isChecked(); }

// ---- PercentSliderRow ----

PercentSliderRow::PercentSliderRow(const QString& title, QWidget* parent) : QWidget(parent) {
    auto* v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(6);
    percent_ = makeLabel(QString(), 13, QFont::Medium, true, false);
    v->addWidget(row({makeLabel(title, 13), percent_}, 8, 1));
    slider_ = new kit::ModernSlider(0, 0, 1, 0.001, 0);
    slider_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    v->addWidget(slider_);
    connect(slider_, &kit::ModernSlider::valueEdited, this, [this](double value) {
        percent_->setText(kit::percentText(value));
        emit valueEdited(value);
    });
}

void PercentSliderRow::setValue(double value) {
    if (!slider_->isDragging()) slider_->setValue(value);
    percent_->setText(kit::percentText(value));
}

// ---- SettingsPage ----

SettingsPage::SettingsPage(model::AppModel& app, model::Router& router, model::Updater* updater, QWidget* parent)
    : SettingsPage(app, router, updater, SettingsServices::standard(app), parent) {}

SettingsPage::SettingsPage(model::AppModel& app, model::Router& router, model::Updater* updater,
                           SettingsServices services, QWidget* parent)
    : QWidget(parent), model_(std::make_unique<SettingsModel>(app, updater, std::move(services))) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    header_ = new kit::PageHeader(u8("Setări"), model::appVersionText(),
                                  kit::BackLink{u8("Acasă"), [&router] { router.setRoute(model::Route::home()); }});
    header_->setContentsMargins(32, 30, 32, 8);
    outer->addWidget(header_);

    auto* content = new QWidget;
    auto* contentRow = new QHBoxLayout(content);
    contentRow->setContentsMargins(0, 0, 0, 0);
    column_ = new QWidget;
    column_->setMaximumWidth(780);
    items_layout_ = new QVBoxLayout(column_);
    items_layout_->setContentsMargins(24, 24, 24, 24);
    items_layout_->setSpacing(14);
    contentRow->addWidget(column_, 1, Qt::AlignLeft | Qt::AlignTop);
    scroll_ = kit::clearScrollArea(content, true);
    outer->addWidget(scroll_, 1);

    build();
    connect(model_.get(), &SettingsModel::changed, this, &SettingsPage::sync);
    connect(model_.get(), &SettingsModel::updaterChanged, this, &SettingsPage::syncUpdater);
    connect(model_.get(), &SettingsModel::sizesChanged, this, &SettingsPage::syncSizes);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, &SettingsPage::sync);
    // The permission is read while the page is shown, and again whenever the application comes back.
    poll_ = new QTimer(this);
    poll_->setInterval(1500);
    connect(poll_, &QTimer::timeout, model_.get(), &SettingsModel::refreshPermission);
    connect(qApp, &QGuiApplication::applicationStateChanged, this, [this](Qt::ApplicationState state) {
        if (state == Qt::ApplicationActive && isVisible()) model_->refreshPermission();
    });
    sync();
    syncUpdater();
}

SettingsPage::~SettingsPage() = default;

void SettingsPage::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return;
    model_->refreshPermission();
    poll_->start();
    model_->computeSizes();
}

void SettingsPage::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (!event->spontaneous()) poll_->stop();
}

kit::Card* SettingsPage::card(const QString& title, const QString& symbol) {
    auto* c = new kit::Card(title, symbol);
    c->contentLayout()->setContentsMargins(14, 14, 14, 14);
    c->contentLayout()->setSpacing(10);
    c->titleLabel()->setFont(kit::uiFont(14, QFont::DemiBold));
    items_layout_->addWidget(c);
    items_.insert(title, c);
    order_ << title;
    return c;
}

void SettingsPage::heading(const QString& text) {
    auto* l = new kit::KitLabel(text, kit::trackedFont(11, QFont::DemiBold, 0.8));
    l->setLocalized(true);
    l->setUpperCase(true);
    l->setColor(kit::mutedColor);
    l->setContentsMargins(4, 8, 0, 0);
    items_layout_->addWidget(l);
    items_.insert(u8("# ") + text, l);
    order_ << u8("# ") + text;
}

kit::KitButton* SettingsPage::outlineButton(const QString& text, bool small) {
    auto* b = new kit::KitButton(kit::localized(text), kit::ButtonLook::outline);
    b->setProperty("controlSize", small ? "small" : "regular");
    return b;
}

kit::KitButton* SettingsPage::accentButton(const QString& text, bool small) {
    auto* b = new kit::KitButton(kit::localized(text), kit::ButtonLook::accent);
    b->setProperty("controlSize", small ? "small" : "regular");
    return b;
}

SwitchRow* SettingsPage::switchFor(kit::Card* c, const QString& text, const char* key, bool absent) {
    auto* s = new SwitchRow(text);
    s->setObjectName(text);
    c->contentLayout()->addWidget(s);
    SettingsModel* m = model_.get();
    connect(s, &SwitchRow::toggledByUser, m, [m, key](bool on) { m->setFlag(key, on); });
    syncs_.push_back([s, m, key, absent] { s->setOn(m->flag(key, absent)); });
    return s;
}

void SettingsPage::build() {
    // 1. The update banner, shown only while a release is announced.
    {
        auto* c = card(u8("Actualizare disponibilă"), u8("arrow.down.circle.fill"));
        bannerText_ = makeLabel(QString(), 14, QFont::Medium, false, false);
        bannerText_->setColor(kit::accentColor());
        auto* skip = outlineButton(u8("Omite versiunea"), true);
        bannerDownload_ = accentButton(u8("Actualizează acum"), true);
        c->contentLayout()->addWidget(row({bannerText_, skip, bannerDownload_}, 10, 1));
        bannerStatus_ = note(QString(), 12);
        bannerStatus_->setLocalized(true);
        c->contentLayout()->addWidget(bannerStatus_);
        connect(skip, &QAbstractButton::clicked, model_.get(), &SettingsModel::skipUpdate);
        connect(bannerDownload_, &QAbstractButton::clicked, model_.get(), &SettingsModel::downloadUpdate);
    }
    heading(u8("Aspect și limbă"));
    buildAppearance();
    heading(u8("Editare"));
    buildEditing();
    heading(u8("Lightroom și catalog"));
    buildLightroom();
    heading(u8("Date și spațiu"));
    buildData();
    heading(u8("Aplicație"));
    buildApplication();
    heading(u8("Despre"));
    buildAbout();
    items_layout_->addStretch(1);
}

void SettingsPage::buildAppearance() {
    SettingsModel* m = model_.get();
    {
        auto* c = card(u8("Aspect"), u8("circle.lefthalf.filled"));
        appearance_ = new kit::PillPicker({{QStringLiteral("auto"), u8("Automat"), u8("circle.lefthalf.filled")},
                                           {QStringLiteral("light"), u8("Zi"), u8("sun.max")},
                                           {QStringLiteral("dark"), u8("Noapte"), u8("moon")}},
                                          m->appearance());
        c->contentLayout()->addWidget(appearance_);
        connect(appearance_, &kit::PillPicker::selectionWritten, m,
                [m](const QVariant& v) { m->setText("appearance", v.toString()); });
        syncs_.push_back([this, m] { appearance_->setSelection(m->appearance(), true); });
    }
    {
        auto* c = card(u8("Stil vizual"), u8("square.on.square"));
        style_ = new kit::PillPicker(
            {{QStringLiteral("glass"), u8("Liquid Glass"), std::nullopt}, {QStringLiteral("flat"), u8("Flat"), std::nullopt}},
            m->style());
        c->contentLayout()->addWidget(style_);
        connect(style_, &kit::PillPicker::selectionWritten, m, [m](const QVariant& v) { m->setText("style", v.toString()); });
        syncs_.push_back([this, m] { style_->setSelection(m->style(), true); });
    }
    {
        auto* c = card(u8("Fundal și transparență"), u8("circle.hexagongrid"));
        backdrop_ = new PercentSliderRow(u8("Intensitatea gradientului din fundal"));
        transparency_ = new PercentSliderRow(u8("Transparența cardurilor"));
        backdropNote_ = note(QString(), 11.5);
        backdropNote_->setLocalized(false);
        c->contentLayout()->addWidget(backdrop_);
        c->contentLayout()->addWidget(new Divider);
        c->contentLayout()->addWidget(transparency_);
        c->contentLayout()->addWidget(backdropNote_);
        // The sliders edit the pair of the scheme shown now.
        connect(backdrop_, &PercentSliderRow::valueEdited, m,
                [m](double v) { m->setBackdropIntensity(kit::Appearance::instance().isDark(), v); });
        connect(transparency_, &PercentSliderRow::valueEdited, m,
                [m](double v) { m->setCardTransparency(kit::Appearance::instance().isDark(), v); });
        syncs_.push_back([this, m, c] {
            const bool dark = kit::Appearance::instance().isDark();
            c->setVisible(!m->isFlat());
            backdrop_->setValue(m->backdropIntensity(dark));
            transparency_->setValue(m->cardTransparency(dark));
            backdropNote_->setText(SettingsModel::backdropNote(dark));
        });
    }
    {
        auto* c = card(u8("Culoare de accent"), u8("paintpalette"));
        auto* swatchRow = new QWidget;
        auto* h = new QHBoxLayout(swatchRow);
        h->setContentsMargins(0, 4, 0, 4);
        h->setSpacing(12);
        for (int i = 0; i < int(kit::accentPalette.size()); ++i) {
            auto* s = new AccentSwatch(i);
            swatches_.push_back(s);
            h->addWidget(s, 0, Qt::AlignVCenter);
            connect(s, &QAbstractButton::clicked, m, [m, i] { m->setAccentIndex(i); });
        }
        h->addStretch(1);
        c->contentLayout()->addWidget(swatchRow);
        syncs_.push_back([this, m] {
            for (auto* s : swatches_) s->setSelected(m->accentIndex() == s->index());
        });
    }
    {
        auto* c = card(u8("Limbă"), u8("globe"));
        language_ = new kit::PillPicker(
            {{QStringLiteral("ro"), u8("Română"), std::nullopt}, {QStringLiteral("en"), u8("English"), std::nullopt}},
            m->language());
        c->contentLayout()->addWidget(language_);
        auto* restart = accentButton(u8("Repornește acum"), true);
        restart_ = restart;
        restartRow_ = row({makeLabel(u8("Repornește aplicația ca să aplici limba."), 12, QFont::Normal, true), restart}, 8, 1);
        c->contentLayout()->addWidget(restartRow_);
        connect(language_, &kit::PillPicker::selectionWritten, m, [m](const QVariant& v) { m->chooseLanguage(v.toString()); });
        connect(restart, &QAbstractButton::clicked, m, &SettingsModel::restartNow);
        syncs_.push_back([this, m] {
            language_->setSelection(m->language(), true);
            restartRow_->setVisible(m->offersRestart());
        });
    }
}

void SettingsPage::buildEditing() {
    auto* editing = card(u8("Editare"), u8("wand.and.stars"));
    switchFor(editing, u8("Arată opțiunile înainte de a porni editarea"), "openOptionsOnStart", true);

    auto* defaults = card(u8("Valori implicite la editare"), u8("slider.horizontal.3"));
    switchFor(defaults, u8("Ține minte opțiunile alese la „Pornește editarea”"), "rememberOptions", false);
    defaults->contentLayout()->addWidget(
        note(u8("Când e oprit, fiecare editare nouă începe cu opțiunile oprite. Când e pornit, rămân ultimele alese, "
                "inclusiv intensitățile pentru piele și dinți."),
             11.5));

    buildPerformance(card(u8("Performanță"), u8("speedometer")));

    auto* beta = card(u8("Funcții în testare"), u8("flask"));
    switchFor(beta, u8("Arată funcțiile marcate Beta (Egalizează fețele, Albire dinți, Reîncadrare inteligentă)"),
              "showBeta", false);
}

void SettingsPage::buildPerformance(kit::Card* c) {
    SettingsModel* m = model_.get();
    QStringList items;
    for (std::size_t i = 0; i < SettingsModel::workerChoices().size(); ++i) items << m->workerItemText(int(i));
    workers_ = popup(items, 150);
    c->contentLayout()->addWidget(row({makeLabel(u8("Fotografii procesate în paralel"), 13), workers_}, 8, 1));
    auto* explanation = note(QString(), 11.5);
    explanation->setLocalized(false);
    c->contentLayout()->addWidget(explanation);
    c->contentLayout()->addWidget(new Divider);
    switchFor(c, u8("Nu lăsa calculatorul să adoarmă cât editează"), "keepAwake", true);
    connect(workers_, qOverload<int>(&QComboBox::activated), m,
            [m](int index) { m->setWorkers(SettingsModel::workerChoices().at(std::size_t(index))); });
    syncs_.push_back([this, m, explanation] {
        // The automatic count follows the machine's state each time the card is drawn.
        workers_->setItemText(0, m->workerItemText(0));
        workers_->setCurrentIndex(m->workersIndex());
        explanation->setText(m->performanceExplanation());
    });
}

void SettingsPage::buildLightroom() {
    SettingsModel* m = model_.get();
    {
        auto* c = card(u8("Scriere în catalog"), u8("books.vertical"));
        switchFor(c, u8("Redeschide Lightroom după scrierea în catalog"), "reopenLightroom", true);
        c->contentLayout()->addWidget(new Divider);
        keepLabel_ = makeLabel(QString(), 13, QFont::Normal, false, false);
        auto* down = outlineButton(u8("−"), true);
        auto* up = outlineButton(u8("+"), true);
        keepDown_ = down;
        keepUp_ = up;
        c->contentLayout()->addWidget(row({keepLabel_, down, up}, 6, 1));
        connect(down, &QAbstractButton::clicked, m, [m] { m->setBackupKeep(m->backupKeep() - 1); });
        connect(up, &QAbstractButton::clicked, m, [m] { m->setBackupKeep(m->backupKeep() + 1); });
        syncs_.push_back([this, m] {
            keepLabel_->setText(kit::localized("Copii de siguranță păstrate per catalog: %1").arg(m->backupKeep()));
            keepDown_->setEnabled(m->backupKeep() > 1);
            keepUp_->setEnabled(m->backupKeep() < 10);
        });
    }
    {
        auto* c = card(u8("Import și export"), u8("square.and.arrow.down.on.square"));
        auto* subfolders = popup({kit::localized("Da"), kit::localized("Nu")}, 110);
        subfolders->setObjectName("includeSubfolders");
        c->contentLayout()->addWidget(row({makeLabel(u8("Include subfolderele la import"), 13), subfolders}, 8, 1));
        c->contentLayout()->addWidget(new Divider);
        auto* pathColumn = new QWidget;
        auto* v = new QVBoxLayout(pathColumn);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(3);
        v->addWidget(makeLabel(u8("Calea către Lightroom Classic"), 13));
        lightroomPath_ = makeLabel(QString(), 12, QFont::Normal, true, false);
        lightroomPath_->setElideMode(Qt::ElideMiddle);
        lightroomPath_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
        v->addWidget(lightroomPath_);
        pathColumn->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        auto* automatic = outlineButton(u8("Automat"), true);
        auto* change = outlineButton(u8("Schimbă"), true);
        lightroomAuto_ = automatic;
        lightroomChange_ = change;
        auto* r = new QWidget;
        auto* h = new QHBoxLayout(r);
        h->setContentsMargins(0, 0, 0, 0);
        h->setSpacing(8);
        h->addWidget(pathColumn, 1);
        h->addWidget(automatic, 0, Qt::AlignVCenter);
        h->addWidget(change, 0, Qt::AlignVCenter);
        c->contentLayout()->addWidget(r);
        connect(subfolders, qOverload<int>(&QComboBox::activated), m,
                [m](int index) { m->setFlag("includeSubfolders", index == 0); });
        connect(automatic, &QAbstractButton::clicked, m, &SettingsModel::clearLightroomPath);
        connect(change, &QAbstractButton::clicked, m, &SettingsModel::chooseLightroom);
        syncs_.push_back([this, m, subfolders] {
            subfolders->setCurrentIndex(m->flag("includeSubfolders", true) ? 0 : 1);
            lightroomPath_->setText(m->lightroomPathText());
            lightroomPath_->setToolTip(m->text("lightroomPath", ""));
            lightroomAuto_->setVisible(!m->text("lightroomPath", "").isEmpty());
        });
    }
    {
        auto* c = card(u8("Copii de siguranță ale catalogului"), u8("externaldrive.badge.timemachine"));
        backupNote_ = note(QString(), 12);
        backupNote_->setLocalized(false);
        c->contentLayout()->addWidget(backupNote_);
        limit_ = new QLineEdit;
        limit_->setFixedWidth(96);
        limit_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        limit_->setPlaceholderText(kit::localized("fără limită"));
        limit_->setFont(kit::uiFont(13));
        c->contentLayout()->addWidget(
            row({makeLabel(u8("Limită de spațiu (GB)"), 13), limit_, makeLabel(u8("0 = fără limită"), 11.5, QFont::Normal, true)}, 8, 3));
        backupSize_ = makeLabel(QString(), 13, QFont::Medium, false, false);
        auto* reveal = outlineButton(u8("Arată în managerul de fișiere"), true);
        reveal->setObjectName("revealBackups");
        auto* remove = outlineButton(u8("Șterge copiile"), true);
        deleteBackups_ = remove;
        c->contentLayout()->addWidget(row({backupSize_, reveal, remove}, 8, 1));
        connect(limit_, &QLineEdit::returnPressed, m, [this, m] {
            m->submitBackupLimit(limit_->text());
            limit_->setText(m->backupLimitText());
        });
        connect(reveal, &QAbstractButton::clicked, m, &SettingsModel::revealBackups);
        connect(remove, &QAbstractButton::clicked, m, &SettingsModel::deleteBackups);
        syncs_.push_back([this, m] {
            backupNote_->setText(m->backupNote());
            // What the user is typing stays until Return.
            if (!limit_->hasFocus()) limit_->setText(m->backupLimitText());
            backupSize_->setText(kit::localized("Dimensiune: %1").arg(byteCountText(m->backupBytes())));
            deleteBackups_->setEnabled(m->backupBytes() > 0);
        });
    }
}

void SettingsPage::buildData() {
    SettingsModel* m = model_.get();
    {
        auto* c = card(u8("Spațiu pe disc"), u8("internaldrive"));
        diskRows_ = new QWidget;
        auto* v = new QVBoxLayout(diskRows_);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(10);
        diskRows_->hide();
        c->contentLayout()->addWidget(diskRows_);
        c->contentLayout()->addWidget(
            note(u8("Cataloagele importate și proiectele se șterg din secțiunile lor (Îmbunătățește profilul, "
                    "Proiecte). Copiile de siguranță le ștergi mai sus."),
                 11.5));
    }
    {
        auto* c = card(u8("Date"), u8("externaldrive"));
        auto* path = kit::selectableLabel(QString::fromStdString(Store::root().string()), 12, QFont::Normal, true);
        path->setObjectName("dataFolder");
        c->contentLayout()->addWidget(path);
        auto* reveal = outlineButton(u8("Arată în managerul de fișiere"), false);
        reveal->setObjectName("revealData");
        c->contentLayout()->addWidget(row({reveal}, 8, 1));
        connect(reveal, &QAbstractButton::clicked, m, &SettingsModel::revealDataFolder);
    }
    {
        auto* c = card(u8("Setările mele"), u8("arrow.up.arrow.down.circle"));
        c->contentLayout()->addWidget(note(u8("Salvează setările într-un fișier și folosește-le pe alt calculator."), 12));
        auto* exportButton = outlineButton(u8("Exportă setările"), false);
        auto* importButton = outlineButton(u8("Importă setările"), false);
        c->contentLayout()->addWidget(row({exportButton, importButton}, 8, 2));
        connect(exportButton, &QAbstractButton::clicked, m, &SettingsModel::exportSettings);
        connect(importButton, &QAbstractButton::clicked, m, &SettingsModel::importSettings);
    }
    {
        auto* c = card(u8("Resetare"), u8("arrow.counterclockwise"));
        c->contentLayout()->addWidget(note(u8("Setările aplicației revin la valorile implicite. Proiectele, profilurile "
                                              "și cataloagele importate nu se șterg."),
                                           12));
        auto* reset = outlineButton(u8("Resetează setările"), false);
        c->contentLayout()->addWidget(row({reset}, 8, 1));
        connect(reset, &QAbstractButton::clicked, m, &SettingsModel::resetSettings);
    }
}

void SettingsPage::buildApplication() {
    SettingsModel* m = model_.get();
    {
        auto* c = card(u8("Notificări"), u8("bell.badge"));
        auto* s = new SwitchRow(u8("Notificare când se termină editarea unui proiect"));
        s->setObjectName(s->label()->text());
        c->contentLayout()->addWidget(s);
        connect(s, &SwitchRow::toggledByUser, m, &SettingsModel::setNotifyDone);
        auto* symbol = new kit::SymbolView(u8("exclamationmark.triangle.fill"), 13, 16);
        symbol->setInk(kit::warnColor);
        notifText_ = makeLabel(QString(), 12, QFont::Normal, true);
        notifText_->setMaxLines(0);
        notifText_->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
        notifButton_ = outlineButton(QString(), true);
        notifWarning_ = row({symbol, notifText_, notifButton_}, 8);
        c->contentLayout()->addWidget(notifWarning_);
        connect(notifButton_, &QAbstractButton::clicked, m, [m] {
            if (m->notificationsAllowed() == false) m->openNotificationSettings();
            else m->allowNotifications();
        });
        syncs_.push_back([this, m, s] {
            const bool on = m->flag("notifyDone", true);
            s->setOn(on);
            const auto allowed = m->notificationsAllowed();
            notifWarning_->setVisible(on && allowed != true);
            const bool denied = allowed == false;
            notifText_->setText(denied ? u8("Notificările sunt oprite pentru aplicație în Setările sistemului.")
                                       : u8("Notificările nu au fost încă permise."));
            notifButton_->setText(kit::localized(denied ? "Deschide Setările sistemului" : "Permite notificările"));
            notifButton_->updateGeometry();
        });
    }
    {
        auto* c = card(u8("Actualizări"), u8("arrow.down.circle"));
        switchFor(c, u8("Verifică automat actualizările la pornire"), "autoUpdateCheck", true);
        auto* check = accentButton(u8("Caută actualizări"), false);
        auto* choose = outlineButton(u8("Alege fișier…"), false);
        checkNow_ = check;
        chooseFile_ = choose;
        auto* busy = new kit::SymbolView(u8("hourglass"), 13, 16);
        busy->setInk(kit::mutedColor);
        updateBusy_ = busy;
        c->contentLayout()->addWidget(row({check, choose, busy}, 8, 3));
        updateStatus_ = note(QString(), 12);
        updateStatus_->setLocalized(true);
        c->contentLayout()->addWidget(updateStatus_);
        auto* install = accentButton(u8("Instalează și repornește"), false);
        install_ = install;
        installRow_ = row({install}, 8, 1);
        c->contentLayout()->addWidget(installRow_);
        connect(check, &QAbstractButton::clicked, m, &SettingsModel::checkForUpdates);
        connect(choose, &QAbstractButton::clicked, m, &SettingsModel::chooseUpdateFile);
        connect(install, &QAbstractButton::clicked, m, &SettingsModel::installReadyUpdate);
    }
    {
        auto* c = card(u8("Diagnostic"), u8("stethoscope"));
        c->contentLayout()->addWidget(note(u8("Salvează un raport tehnic scurt (versiune, calculator, număr de proiecte). "
                                              "Nu conține fotografii, nume de proiecte, căi sau chei."),
                                           12));
        auto* save = outlineButton(u8("Salvează raportul de diagnostic"), false);
        c->contentLayout()->addWidget(row({save}, 8, 1));
        connect(save, &QAbstractButton::clicked, m, &SettingsModel::saveDiagnosticReport);
    }
}

void SettingsPage::buildAbout() {
    auto* c = card(u8("Despre"), u8("info.circle"));
    const auto aboutRow = [c](const char* name, const QString& value) {
        auto* v = kit::selectableLabel(value, 13, QFont::Medium);
        c->contentLayout()->addWidget(row({makeLabel(u8(name), 13, QFont::Normal, true), v}, 8, 1));
    };
    aboutRow("Versiune", model::currentShortVersion() + u8(" (") + model::currentBuildNumber() + u8(")"));
    aboutRow("Dezvoltator", u8("Echipa Vendrel"));
    aboutRow("Contact", u8("contact@vendrel.ro"));
    c->contentLayout()->addWidget(note(u8("Vendrel folosește LibRaw conform termenilor licenței CDDL 1.0; drepturile "
                                          "asupra LibRaw aparțin LibRaw LLC."),
                                       11.5));
    auto* link = new QLabel(u8("<a href=\"https://www.libraw.org/\">%1</a>").arg(kit::localized("Licența LibRaw (CDDL 1.0)")));
    link->setFont(kit::uiFont(12));
    link->setOpenExternalLinks(true);
    link->setTextInteractionFlags(Qt::TextBrowserInteraction);
    c->contentLayout()->addWidget(link);
}

void SettingsPage::sync() {
    for (const auto& f : syncs_) f();
}

void SettingsPage::syncUpdater() {
    model::Updater* u = model_->updater();
    QWidget* banner = items_.value(u8("Actualizare disponibilă"));
    const bool announced = u && u->available();
    banner->setVisible(announced);
    if (announced) {
        bannerText_->setText(kit::localized("Versiunea %1 este disponibilă").arg(QString::fromStdString(u->available()->version)));
        bannerDownload_->setText(kit::localized(u->busy() ? "Se descarcă…" : "Actualizează acum"));
        bannerDownload_->setEnabled(!u->busy());
        bannerDownload_->updateGeometry();
    }
    const QString status = u ? u->status() : QString();
    bannerStatus_->setText(status);
    bannerStatus_->setVisible(announced && !status.isEmpty());
    updateStatus_->setText(status);
    updateStatus_->setVisible(!status.isEmpty());
    updateBusy_->setVisible(u && u->busy());
    installRow_->setVisible(u && u->readyToInstall());
    checkNow_->setEnabled(u != nullptr);
    chooseFile_->setEnabled(u != nullptr);
}

void SettingsPage::syncSizes() {
    auto* v = static_cast<QVBoxLayout*>(diskRows_->layout());
    while (QLayoutItem* it = v->takeAt(0)) {
        if (it->widget()) it->widget()->deleteLater();
        delete it;
    }
    std::int64_t total = 0;
    for (const DiskSize& s : model_->sizes()) {
        auto* bytes = makeLabel(byteCountText(s.bytes), 13, QFont::Medium, false, false);
        v->addWidget(row({makeLabel(s.label, 13), bytes}, 8, 1));
        total += s.bytes;
    }
    if (!model_->sizes().empty()) {
        v->addWidget(new Divider);
        v->addWidget(row({makeLabel(u8("Total"), 13, QFont::DemiBold), makeLabel(byteCountText(total), 13, QFont::DemiBold, false, false)}, 8, 1));
    }
    diskRows_->setVisible(!model_->sizes().empty());
}

QStringList SettingsPage::visibleItems() const {
    QStringList shown;
    for (const QString& name : order_)
        if (!items_.value(name)->isHidden()) shown << name;
    return shown;
}

QAbstractButton* SettingsPage::button(const QString& text) const {
    for (auto* b : column_->findChildren<QAbstractButton*>())
        if (b->text() == text && !b->isHidden()) return b;
    for (auto* b : column_->findChildren<QAbstractButton*>())
        if (b->text() == text) return b;
    return nullptr;
}

SwitchRow* SettingsPage::switchRow(const QString& text) const { return column_->findChild<SwitchRow*>(text); }

}  // namespace orvane::settings
