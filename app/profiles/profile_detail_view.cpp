#include "app/profiles/profile_detail_view.h"

#include <QCheckBox>
#include <QFocusEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QPainter>
#include <QPalette>
#include <QScrollArea>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/fonts.h"
#include "app/kit/help_dot.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/model/worker_policy.h"
#include "app/profiles/profile_detail_parts.h"
#include "app/profiles/profile_evaluation_view.h"
#include "app/profiles/profile_tuning_view.h"

namespace orvane::profiles {

namespace {

constexpr const char* prioritizeKey = "prioritizeEditing";

// The information block: rows of an icon tile, a title and a value on the translucent card fill.
class InfoBlock final : public QWidget {
public:
    InfoBlock() { setObjectName("infoBlock"); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kit::softFillColor.resolve(kit::Appearance::instance().isDark()));
        p.drawRoundedRect(QRectF(rect()), 20, 20);
    }
};

// The row's symbol in the accent colour on a 28 × 28 tile of the accent at 12 %.
class InfoTile final : public QWidget {
public:
    explicit InfoTile(const QString& symbol) : symbol_(symbol) { setFixedSize(28, 28); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QColor accent = kit::accentColor().resolve(kit::Appearance::instance().isDark());
        p.setPen(Qt::NoPen);
        p.setBrush(kit::withAlpha(accent, 0.12));
        p.drawRoundedRect(QRectF(rect()), 8, 8);
        kit::icons::paint(p, symbol_, QRectF(7.5, 7.5, 13, 13), accent);
    }

private:
    QString symbol_;
};

QString nameFieldStyle(bool focused) {
    const bool dark = kit::Appearance::instance().isDark();
    QColor fill = kit::primaryLabelColor.resolve(dark);
    fill.setAlphaF(focused ? 0.10f : 0.06f);
    QColor ring = kit::accentColor().resolve(dark);
    ring.setAlphaF(0.7f);
    return QStringLiteral("QLineEdit{background:%1;color:%3;border-radius:19px;padding:9px 14px;border:%2;}")
        .arg(fill.name(QColor::HexArgb),
             focused ? QStringLiteral("1.5px solid %1").arg(ring.name(QColor::HexArgb)) : QStringLiteral("none"),
             kit::primaryLabelColor.resolve(dark).name());
}

}  // namespace

ProfileDetailPage::ProfileDetailPage(model::AppModel& app, model::Router& router, const Profile& profile,
                                     ProfileDetailServices services, QWidget* parent)
    : QWidget(parent) {
    setObjectName("profilePage");
    setProperty("pageTitle", QString::fromStdString(profile.name));
    model_ = new ProfileDetailModel(app, router, profile, std::move(services), this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* actions = new QWidget;
    auto* actionsLayout = new QHBoxLayout(actions);
    actionsLayout->setContentsMargins(0, 0, 0, 0);
    fullActions_ = actionsRow(false);
    compactActions_ = actionsRow(true);
    actionsLayout->addWidget(fullActions_);
    actionsLayout->addWidget(compactActions_);
    compactActions_->hide();
    header_ = new kit::PageHeader(QString::fromStdString(profile.name), QString::fromStdString(profile.presetName),
                                  kit::BackLink{QString::fromUtf8("Profiluri AI"),
                                                [r = &router] { r->setRoute(model::Route::profiles()); }},
                                  nullptr, {actions});
    header_->titleLabel()->setLocalized(false);
    if (header_->subtitleLabel()) header_->subtitleLabel()->setLocalized(false);
    outer->addWidget(header_);

    auto* row = new QHBoxLayout;
    row->setSpacing(0);
    outer->addLayout(row, 1);

    left_ = new QScrollArea;
    left_->setObjectName("leftColumn");
    left_->setWidgetResizable(true);
    left_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    left_->setFrameShape(QFrame::NoFrame);
    left_->viewport()->setAutoFillBackground(false);
    auto* leftContent = new QWidget;
    // Named before the style sheet below is set: a name given later does not match its rule.
    leftContent->setObjectName("columnContent");
    leftContent->setAutoFillBackground(false);
    auto* centring = new QHBoxLayout(leftContent);
    centring->setContentsMargins(24, 24, 24, 24);
    auto* column = new QWidget;
    column->setMaximumWidth(760);
    leftColumn_ = new QVBoxLayout(column);
    leftColumn_->setContentsMargins(0, 0, 0, 0);
    leftColumn_->setSpacing(16);
    centring->addWidget(column, 1);
    left_->setWidget(leftContent);
    row->addWidget(left_, 1);
    // A click anywhere in the column ends the name's editing.
    left_->viewport()->installEventFilter(this);
    leftContent->installEventFilter(this);

    progress_ = new BuildProgressCard(*model_);
    leftColumn_->addWidget(progress_);
    leftColumn_->addWidget(profileCard());

    auto* catalogs = new kit::Card(QString::fromUtf8("Cataloage de antrenare"), QStringLiteral("books.vertical"));
    catalogs->setObjectName("catalogsCard");
    catalogsCard_ = catalogs;
    catalogsContent_ = new QWidget;
    catalogsBody_ = new QVBoxLayout(catalogsContent_);
    catalogsBody_->setContentsMargins(0, 0, 0, 0);
    catalogsBody_->setSpacing(8);
    catalogs->addContent(catalogsContent_);
    leftColumn_->addWidget(catalogs);
    leftColumn_->addStretch(1);

    // The columns scroll over the window's backdrop.
    const QString clear = QStringLiteral("QScrollArea, QScrollArea > QWidget > QWidget#columnContent { background: transparent; }");
    left_->setStyleSheet(clear);
    auto* right = new QScrollArea;
    right->setObjectName("rightColumn");
    right->setFixedWidth(380);
    right->setWidgetResizable(true);
    right->setFrameShape(QFrame::NoFrame);
    right->viewport()->setAutoFillBackground(false);
    auto* rightContent = new QWidget;
    rightContent->setObjectName("columnContent");
    right->setStyleSheet(clear);
    auto* rightColumn = new QVBoxLayout(rightContent);
    rightColumn->setContentsMargins(0, 24, 24, 24);
    auto* tuningCard = new kit::Card(QString::fromUtf8("Ajustare profil"), QStringLiteral("slider.horizontal.3"));
    tuningCard->setObjectName("tuningCard");
    tuningCard->addContent(wrappingLabel(QString::fromUtf8("Corecții permanente ale profilului, adăugate automat la toate "
                                                           "proiectele care îl folosesc. Rafinează aici stilul înainte de "
                                                           "editare; poți reveni oricând."),
                                         kit::mutedColor, false));
    editor_ = new ProfileTuningEditor(profile.preset(), profile.tuning.value_or(ProfileTuning()),
                                      [m = model_](const ProfileTuning& t) { m->saveTuning(t); });
    tuningCard->addContent(editor_);
    rightColumn->addWidget(tuningCard);
    rightColumn->addStretch(1);
    right->setWidget(rightContent);
    row->addWidget(right);

    connect(model_, &ProfileDetailModel::changed, this, &ProfileDetailPage::refresh);
    connect(model_, &ProfileDetailModel::buildProgressed, this, &ProfileDetailPage::updateProgress);
    connect(model_, &ProfileDetailModel::nameReset, this, [this] {
        const QString shown = QString::fromStdString(model_->profile().name);
        if (name_->text() != shown) name_->setText(shown);
    });
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) refreshCatalogs();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] {
        name_->setStyleSheet(nameFieldStyle(name_->hasFocus()));
        refreshCatalogs();
    });
    refresh();
}

QWidget* ProfileDetailPage::actionsRow(bool compact) {
    auto* w = new QWidget;
    w->setObjectName(compact ? "compactActions" : "fullActions");
    auto* row = new QHBoxLayout(w);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    auto& buttons = compact ? compactButtons_ : fullButtons_;
    struct Spec {
        const char* symbol;
        const char* label;
    };
    const Spec specs[] = {{"star", "Setează ca implicit"},
                          {"pencil", "Redenumește"},
                          {"square.and.arrow.up", "Exportă"},
                          {"plus.square.on.square", "Duplică"},
                          {"trash", nullptr}};
    for (const Spec& s : specs) {
        QAbstractButton* b = nullptr;
        if (compact || !s.label) {
            auto* symbol = new kit::SymbolButton(QString::fromUtf8(s.symbol), 15);
            symbol->setInk(kit::primaryLabelColor);
            b = symbol;
        } else {
            b = new kit::KitButton(QString::fromUtf8(s.label), kit::ButtonLook::outline);
        }
        row->addWidget(b);
        buttons.push_back(b);
    }
    kit::quickTip(buttons[0], QString::fromUtf8("Folosește acest profil implicit la editare"));
    kit::quickTip(buttons[1], QString::fromUtf8("Redenumește"));
    kit::quickTip(buttons[2], QString::fromUtf8("Exportă"));
    kit::quickTip(buttons[3], QString::fromUtf8("Duplică"));
    connect(buttons[0], &QAbstractButton::clicked, model_, &ProfileDetailModel::makeDefault);
    connect(buttons[1], &QAbstractButton::clicked, model_, &ProfileDetailModel::rename);
    connect(buttons[2], &QAbstractButton::clicked, model_, &ProfileDetailModel::exportPackage);
    connect(buttons[3], &QAbstractButton::clicked, model_, &ProfileDetailModel::duplicate);
    connect(buttons[4], &QAbstractButton::clicked, model_, &ProfileDetailModel::confirmDelete);
    w->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    return w;
}

QAbstractButton* ProfileDetailPage::actionButton(Action action, bool compact) const {
    return (compact ? compactButtons_ : fullButtons_).at(std::size_t(action));
}

bool ProfileDetailPage::showsCompactActions() const { return !compactActions_->isHidden(); }

QWidget* ProfileDetailPage::profileCard() {
    auto* card = new kit::Card(QString::fromUtf8("Profil"), QStringLiteral("slider.horizontal.3"));
    card->setObjectName("profileCard");
    auto* nameRow = new QWidget;
    auto* nameLayout = new QHBoxLayout(nameRow);
    nameLayout->setContentsMargins(0, 0, 0, 0);
    nameLayout->setSpacing(8);
    name_ = new QLineEdit(QString::fromStdString(model_->profile().name));
    name_->setObjectName("nameField");
    name_->setPlaceholderText(kit::localized("Nume"));
    name_->setFont(kit::uiFont(15, QFont::Medium));
    name_->setFrame(false);
    name_->setMinimumWidth(240);
    name_->setMaximumWidth(300);
    name_->setStyleSheet(nameFieldStyle(false));
    name_->installEventFilter(this);
    nameLayout->addWidget(name_, 1);
    saveName_ = new kit::KitButton(QString::fromUtf8("Salvează"), kit::ButtonLook::accent);
    saveName_->setObjectName("saveName");
    saveName_->setProperty("controlSize", "small");
    nameLayout->addWidget(saveName_);
    nameLayout->addStretch(1);
    card->addContent(nameRow);
    connect(name_, &QLineEdit::textEdited, model_, &ProfileDetailModel::setName);
    connect(name_, &QLineEdit::returnPressed, model_, &ProfileDetailModel::commitName);
    connect(saveName_, &QAbstractButton::clicked, model_, &ProfileDetailModel::commitName);

    auto* infoHolder = new QWidget;
    infoRow_ = new QHBoxLayout(infoHolder);
    infoRow_->setContentsMargins(0, 0, 0, 0);
    infoRow_->setSpacing(12);
    infoRow_->setAlignment(Qt::AlignTop);
    card->addContent(infoHolder);
    return card;
}

bool ProfileDetailPage::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name_) {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            model_->revertName();
            name_->clearFocus();
            return true;
        }
        if (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut) {
            name_->setStyleSheet(nameFieldStyle(event->type() == QEvent::FocusIn));
            if (event->type() == QEvent::FocusOut && model_->nameChanged()) model_->commitName();
        }
    } else if (event->type() == QEvent::MouseButtonPress && name_ && name_->hasFocus()) {
        name_->clearFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void ProfileDetailPage::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    chooseActionsRow();
}

void ProfileDetailPage::chooseActionsRow() {
    // Room for the back button, a title of a useful width and the margins besides the full row.
    constexpr int titleRoom = 360;
    const bool fits = width() >= fullActions_->sizeHint().width() + titleRoom;
    fullActions_->setVisible(fits);
    compactActions_->setVisible(!fits);
}

void ProfileDetailPage::refresh() {
    const Profile& p = model_->profile();
    header_->setTitle(QString::fromStdString(p.name));
    header_->setSubtitle(QString::fromStdString(p.presetName));
    setProperty("pageTitle", QString::fromStdString(p.name));

    const bool training = model_->isTraining();
    const bool isDefault = model_->isDefault();
    for (bool compact : {false, true}) {
        auto& b = compact ? compactButtons_ : fullButtons_;
        b[0]->setEnabled(model_->isBuilt() && !isDefault);
        if (auto* kb = qobject_cast<kit::KitButton*>(b[0]))
            kb->setText(kit::localized(isDefault ? "Implicit" : "Setează ca implicit"));
        b[0]->setProperty("symbol", isDefault ? "star.fill" : "star");
        b[2]->setEnabled(!training && model_->isBuilt());
        b[4]->setEnabled(!training);
        kit::quickTip(b[4], training ? QString::fromUtf8("Se poate șterge după ce se termină antrenarea.")
                                     : QString::fromUtf8("Șterge"));
    }
    chooseActionsRow();

    if (!name_->hasFocus() && name_->text() != QString::fromStdString(p.name))
        name_->setText(QString::fromStdString(p.name));
    saveName_->setVisible(model_->nameChanged());

    refreshInfo();
    refreshCatalogs();
    updateProgress();
}

void ProfileDetailPage::refreshInfo() {
    while (QLayoutItem* item = infoRow_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    const Profile& p = model_->profile();
    auto* block = new InfoBlock;
    info_ = block;
    auto* rows = new QVBoxLayout(block);
    rows->setContentsMargins(0, 4, 0, 4);
    rows->setSpacing(0);
    const auto infoRows = model_->infoRows();
    for (std::size_t i = 0; i < infoRows.size(); ++i) {
        const auto& r = infoRows[i];
        if (i > 0) {
            auto* line = new QHBoxLayout;
            line->setContentsMargins(52, 0, 0, 0);
            line->addWidget(divider());
            rows->addLayout(line);
        }
        auto* row = new QHBoxLayout;
        row->setContentsMargins(14, 10, 14, 10);
        row->setSpacing(12);
        row->addWidget(new InfoTile(r.symbol));
        row->addWidget(textLabel(r.title, 14, QFont::Normal, kit::mutedColor, false));
        row->addStretch(1);
        row->addSpacing(8);
        const bool preset = i == 0;
        auto* value = textLabel(r.value, 14, preset || r.warning ? QFont::DemiBold : QFont::Normal,
                                r.warning ? kit::warnColor : kit::primaryLabelColor, false);
        value->setObjectName(preset ? "presetName" : "infoValue");
        row->addWidget(value);
        if (preset) {
            auto* change = new QPushButton(kit::localized("Schimbă"));
            change->setObjectName("changePreset");
            change->setFlat(true);
            change->setFont(kit::uiFont(13));
            change->setCursor(Qt::PointingHandCursor);
            const QColor accent = kit::accentColor().resolve(kit::Appearance::instance().isDark());
            change->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;color:%1;padding:0 2px;}"
                                                 "QPushButton:disabled{color:%2;}")
                                      .arg(accent.name(), kit::withAlpha(accent, 0.4).name(QColor::HexArgb)));
            change->setEnabled(!model_->isTraining());
            connect(change, &QAbstractButton::clicked, model_, &ProfileDetailModel::choosePreset);
            changePreset_ = change;
            row->addWidget(change);
        }
        rows->addLayout(row);
    }
    infoRow_->addWidget(block, 3);
    evaluation_ = nullptr;
    if (showsEvaluation(p)) {
        evaluation_ = new EvaluationCard(*p.evaluation, p.predictedExtras.value_or(std::vector<std::string>{}));
        infoRow_->addWidget(evaluation_, 2);
    }
}

void ProfileDetailPage::refreshCatalogs() {
    if (catalogsContent_) {
        // Rebuilt whole: the old rows go once the event that changed them is over.
        auto* old = catalogsContent_;
        old->hide();
        old->deleteLater();
    }
    catalogsContent_ = new QWidget;
    catalogsBody_ = new QVBoxLayout(catalogsContent_);
    // Room under the last wrapped caption, whose height follows the card's width.
    catalogsBody_->setContentsMargins(0, 0, 0, 8);
    catalogsBody_->setSpacing(4);
    static_cast<kit::Card*>(catalogsCard_)->addContent(catalogsContent_);

    auto& app = model_->app();
    const bool training = model_->isTraining();
    const bool runs = model_->buildRuns();
    // The columns' style sheet stops the palette here: the text takes the appearance's label colour.
    const QColor labelColour = kit::primaryLabelColor.resolve(kit::Appearance::instance().isDark());
    auto paintLabel = [&labelColour](QWidget* w) {
        QPalette palette = w->palette();
        palette.setColor(QPalette::WindowText, labelColour);
        palette.setColor(QPalette::ButtonText, labelColour);
        w->setPalette(palette);
    };
    if (app.catalogs().empty()) {
        auto* import = new kit::KitButton(QString::fromUtf8("Importă cataloage"), kit::ButtonLook::accent);
        import->setObjectName("importCatalogs");
        import->setProperty("controlSize", "large");
        connect(import, &QAbstractButton::clicked, model_, &ProfileDetailModel::openCatalogImport);
        catalogsBody_->addWidget(import, 0, Qt::AlignLeft);
        catalogsBody_->addWidget(wrappingLabel(QString::fromUtf8("Cataloagele Lightroom din care învață aplicația."),
                                               kit::mutedColor, false));
    }
    if (app.catalogs().size() >= 2) {
        auto* sortRow = new QHBoxLayout;
        sortRow->addStretch(1);
        auto* picker = new kit::CatalogSortPicker;
        picker->setObjectName("catalogSort");
        picker->setMinimumHeight(picker->label()->sizeHint().height() + 4);
        sortRow->addWidget(picker);
        catalogsBody_->addLayout(sortRow);
    }
    for (const TrainingCatalog& c : model_->visibleCatalogs()) {
        auto* rowWidget = new QWidget;
        auto* row = new QHBoxLayout(rowWidget);
        row->setContentsMargins(0, 2, 0, 2);
        auto* box = new QCheckBox(QString::fromStdString(c.name));
        box->setObjectName("catalogRow");
        box->setProperty("catalogID", QString::fromStdString(c.id.text()));
        box->setFont(kit::uiFont(13));
        paintLabel(box);
        box->setChecked(model_->selected().count(c.id) > 0);
        box->setEnabled(!training);
        row->addWidget(box);
        row->addStretch(1);
        auto* count = textLabel(QString::number(c.trainable(&model_->profile())) + kit::localized(" fotografii"), 12,
                                QFont::Normal, kit::mutedColor, false);
        row->addWidget(count);
        const Uuid id = c.id;
        connect(box, &QCheckBox::toggled, model_, [this, id](bool on) { model_->setCatalogSelected(id, on); });
        catalogsBody_->addWidget(new kit::HoverFill(8, rowWidget));
    }
    if (!app.catalogs().empty()) {
        auto* more = new kit::KitButton(QString::fromUtf8("Importă alt catalog"), kit::ButtonLook::outline);
        more->setObjectName("importMore");
        more->setProperty("controlSize", "small");
        more->setEnabled(!training);
        connect(more, &QAbstractButton::clicked, model_, &ProfileDetailModel::openCatalogImport);
        catalogsBody_->addWidget(more, 0, Qt::AlignLeft);
    }
    catalogsBody_->addWidget(divider());

    auto* priority = new QHBoxLayout;
    priority->setSpacing(6);
    auto* bolt = new kit::SymbolView(QStringLiteral("bolt.horizontal.fill"), 12, 14);
    bolt->setInk(kit::accentColor());
    priority->addWidget(bolt);
    auto* toggle = new QCheckBox(kit::localized("Prioritizează antrenarea"));
    toggle->setObjectName("prioritize");
    toggle->setFont(kit::uiFont(13));
    paintLabel(toggle);
    toggle->setChecked(model::prioritizeEditing(app.defaults()));
    toggle->setEnabled(!runs);
    connect(toggle, &QCheckBox::toggled, this, [&app](bool on) { app.defaults().set(prioritizeKey, Json(on)); });
    priority->addWidget(toggle);
    priority->addWidget(new kit::HelpDot(QString::fromUtf8(
                                             "Folosește toate nucleele și aproape toată memoria calculatorului, cu "
                                             "prioritate mare: antrenarea se termină mai repede (mai ales prima dată, pe "
                                             "cataloage noi), dar celelalte programe pot merge mai greu cât durează."),
                                         14));
    priority->addStretch(1);
    catalogsBody_->addLayout(priority);

    build_ = new kit::KitButton(model_->buildButtonText(), kit::ButtonLook::accent);
    build_->setObjectName("build");
    build_->setProperty("controlSize", "large");
    build_->setEnabled(model_->canBuild());
    connect(build_, &QAbstractButton::clicked, model_, &ProfileDetailModel::startBuild);
    catalogsBody_->addWidget(build_, 0, Qt::AlignLeft);
    catalogsBody_->addWidget(wrappingLabel(QString::fromUtf8("Build calculează trăsăturile (o singură dată per fotografie), "
                                                             "validează modelul pe evenimente și îl antrenează pe toate "
                                                             "datele."),
                                           kit::mutedColor, false));
}

void ProfileDetailPage::updateProgress() {
    const bool training = model_->isTraining();
    progress_->setVisible(training);
    if (training) progress_->refresh();
}

}  // namespace orvane::profiles
