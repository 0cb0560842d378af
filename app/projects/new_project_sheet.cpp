#include "app/projects/new_project_sheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include <algorithm>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/fonts.h"
#include "app/kit/help_dot.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/palette.h"
#include "app/kit/path_bar.h"
#include "app/kit/shapes.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/kit/sheet_host.h"
#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::projects {

namespace fs = std::filesystem;

namespace {

// One line, cut at its end, the whole text in its tip (0.2 s, above).
QLabel* oneLine(const QString& value, double points, int weight, bool muted, Qt::TextElideMode mode, int width) {
    auto* l = kit::selectableLabel(QString(), points, weight, muted);
    l->setText(l->fontMetrics().elidedText(value, mode, width));
    kit::labelTip(l, value, false);
    return l;
}

// A folder's path as the kit's breadcrumb (the last three folders), the whole path in its tip.
kit::PathBar* pathBar(const QString& path) {
    auto* bar = new kit::PathBar(path, 3, kit::uiFont(11), 13);
    bar->setObjectName("pathBar");
    bar->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    kit::labelTip(bar, path, false);
    return bar;
}

QLabel* sectionLabel(const QString& value) { return kit::selectableLabel(value, 12, QFont::DemiBold, true); }

QString css(const QColor& c) { return c.name(QColor::HexArgb); }

QWidget* pill(const NewProjectModel::Pill& p) {
    const bool ok = p.kind == NewProjectModel::PillKind::ok;
    auto* w = new kit::StatusPill(p.text, ok ? QStringLiteral("checkmark") : QStringLiteral("exclamationmark.triangle"),
                                  ok ? kit::StatusKind::ok : kit::StatusKind::warn);
    w->setObjectName("pill");
    w->setProperty("pillText", p.text);
    w->setProperty("pillKind", ok ? "ok" : "warn");
    return w;
}

QWidget* spinner() {
    auto* bar = new QProgressBar;
    bar->setObjectName("spinner");
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(44, 6);
    return bar;
}

// From `a` at 0 to `b` at 1, channel by channel (alpha too).
QColor mixed(const QColor& a, const QColor& b, double t) {
    const auto mix = [t](double x, double y) { return x + (y - x) * t; };
    return QColor::fromRgbF(float(mix(a.redF(), b.redF())), float(mix(a.greenF(), b.greenF())),
                            float(mix(a.blueF(), b.blueF())), float(mix(a.alphaF(), b.alphaF())));
}

// The fill of the sheet's wells (the name field, the folder box, the found catalogs).
QColor wellFill(bool dark) { return dark ? QColor(255, 255, 255, int(0.09 * 255)) : QColor(255, 255, 255, int(0.62 * 255)); }

QString wellStyle(const QString& name, double radius, const QString& border) {
    const QColor fill = wellFill(kit::Appearance::instance().isDark());
    return QStringLiteral("#%1{background:%2;border-radius:%3px;border:%4;}")
        .arg(name, css(fill))
        .arg(radius)
        .arg(border);
}

QString primaryBorder(double opacity, double width) {
    QColor c = kit::primaryLabelColor.resolve(kit::Appearance::instance().isDark());
    c.setAlphaF(float(opacity));
    return QStringLiteral("%1px solid %2").arg(width).arg(css(c));
}

}  // namespace

NewProjectSheet::NewProjectSheet(model::AppModel& app, model::Router& router, NewProjectModel::Created created,
                                 NewProjectServices services, QWidget* parent)
    : kit::GlassSheet(false, parent), app_(app) {
    setProperty("sheetTitle", QString::fromUtf8("Proiect nou"));
    setFixedWidth(sheetWidth);
    model_ = new NewProjectModel(app, router, std::move(created), std::move(services), this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* tile = new kit::IconTile(QStringLiteral("photo.badge.plus"), 44, true);
    header->addWidget(tile);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    auto* title = kit::selectableLabel(QString::fromUtf8("Proiect nou"), 22, QFont::Bold);
    title->setObjectName("sheetTitle");
    titles->addWidget(title);
    titles->addWidget(kit::selectableLabel(QString::fromUtf8("Alege folderul cu RAW-uri și profilul de editare"), 13, QFont::Normal, true));
    header->addLayout(titles, 1);
    header->addSpacing(kit::SheetCloseButton::circle);
    outer->addLayout(header);

    // The tab strip only in the folder source; the catalog tab leaves for the quick-edit sheet.
    auto* tabs = new kit::ProjectSourceTabs(kit::ProjectSourceTabs::Source::folder);
    tabs->setObjectName("sourceTabs");
    connect(tabs, &kit::ProjectSourceTabs::picked, this, [this](kit::ProjectSourceTabs::Source source) {
        if (source == kit::ProjectSourceTabs::Source::catalog) model_->switchToCatalogStart();
    });
    outer->addWidget(tabs);

    outer->addWidget(sectionLabel(QString::fromUtf8("Nume")));
    name_ = new QLineEdit;
    name_->setObjectName("name");
    name_->setFont(kit::uiFont(15));
    name_->setPlaceholderText(QString::fromUtf8("Nunta Ana și Mihai"));
    name_->setFrame(false);
    name_->setFixedHeight(40);
    name_->setTextMargins(10, 0, 10, 0);
    auto styleName = [this] {
        const bool focused = name_->hasFocus();
        QColor accent = kit::accentColor().resolve(kit::Appearance::instance().isDark());
        accent.setAlphaF(0.55f);
        name_->setStyleSheet(wellStyle("name", 12, focused ? QStringLiteral("1px solid %1").arg(css(accent))
                                                            : primaryBorder(0.08, 0.5)));
    };
    name_->installEventFilter(this);
    restyle_ = styleName;
    styleName();
    connect(name_, &QLineEdit::textEdited, model_, &NewProjectModel::setName);
    outer->addWidget(name_);

    auto* sourceLabel = sectionLabel(QString());
    sourceLabel->setObjectName("sourceLabel");
    outer->addWidget(sourceLabel);
    source_ = new QVBoxLayout;
    source_->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(source_);

    outer->addWidget(sectionLabel(QString::fromUtf8("Profil")));
    profiles_ = new QVBoxLayout;
    profiles_->setContentsMargins(0, 0, 0, 0);
    outer->addLayout(profiles_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    auto* cancel = new kit::KitButton(QString::fromUtf8("Anulează"), kit::ButtonLook::outline);
    cancel->setObjectName("cancel");
    create_ = new kit::KitButton(QString::fromUtf8("Creează proiectul"), kit::ButtonLook::accent);
    create_->setObjectName("create");
    buttons->addWidget(cancel);
    buttons->addWidget(create_);
    outer->addLayout(buttons);
    connect(cancel, &QAbstractButton::clicked, model_, &NewProjectModel::dismiss);
    connect(create_, &QAbstractButton::clicked, model_, &NewProjectModel::createProject);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, model_, &NewProjectModel::dismiss);

    connect(model_, &NewProjectModel::changed, this, &NewProjectSheet::refresh);
    connect(model_, &NewProjectModel::refused, this, [this](const QString& title, const QString& message) {
        kit::CenteredAlert alert(title, message, this);
        alert.addChoice(QStringLiteral("OK"));
        kit::dialogs().run(alert);
    });
    // The sort picker stores the order in the settings; the list follows.
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) refresh();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this, styleName] {
        styleName();
        refresh();
    });

    model_->prepareOnOpen();
    tabs->setVisible(!model_->fromCatalog());
    sourceLabel->setText(model_->fromCatalog() ? QString::fromUtf8("Catalogul Lightroom")
                                               : QString::fromUtf8("Folderul cu RAW-uri"));
    if (model_->fromCatalog()) model_->scanCatalogsIfNeeded();
    refresh();
    name_->setFocus();
}

NewProjectSheet::~NewProjectSheet() {
    // Results still on their way find the model closed.
    model_->disconnect(this);
}

void NewProjectSheet::refresh() {
    if (name_->text() != model_->name()) name_->setText(model_->name());
    if (model_->fromCatalog()) {
        if (sourceWidget_) {
            sourceWidget_->hide();
            sourceWidget_->deleteLater();
        }
        sourceWidget_ = catalogSection();
        source_->addWidget(sourceWidget_);
        if (isVisible()) sourceWidget_->show();
    } else {
        if (!folderBox_) {
            folderBox_ = new FolderBox;
            folderBox_->setObjectName("folderBox");
            folderBox_->setAcceptDrops(true);
            folderBox_->setCursor(Qt::PointingHandCursor);
            folderBox_->installEventFilter(this);
            folderLift_ = new kit::HoverLift(folderBox_);
            source_->addWidget(folderLift_);
        }
        folderBox_->setChosen(model_->folder().has_value());
        folderBox_->setTargeted(targeted_);
        folderBox_->setContent(folderContent());
        folderLift_->updateGeometry();
    }
    refreshProfiles();
    create_->setEnabled(model_->canCreate());
}

void NewProjectSheet::refreshProfiles() {
    // The chips stay while the built profiles are the same, so a new choice moves along the spring.
    std::vector<Uuid> ids;
    for (const Profile& p : model_->builtProfiles()) ids.push_back(p.id);
    if (profileWidget_ && ids == chipIDs_) {
        for (ProfileChip* chip : chips_) chip->setSelected(model_->profileID() == chip->profileID());
        return;
    }
    chipIDs_ = ids;
    chips_.clear();
    if (profileWidget_) {
        profileWidget_->hide();
        profileWidget_->deleteLater();
    }
    profileWidget_ = profilePicker();
    profiles_->addWidget(profileWidget_);
    if (isVisible()) profileWidget_->show();
}

// --- FolderBox ---

FolderBox::FolderBox(QWidget* parent) : QWidget(parent), targeted_([this] { update(); }) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

void FolderBox::setContent(QWidget* content) {
    if (content_) {
        content_->hide();
        content_->deleteLater();
    }
    content_ = content;
    layout()->addWidget(content_);
    content_->show();  // a child added to a shown box stays hidden otherwise
    updateGeometry();
}

void FolderBox::setChosen(bool chosen) {
    chosen_ = chosen;
    setMinimumHeight(chosen ? 0 : 210);
    update();
}

void FolderBox::setTargeted(bool targeted) {
    if (targeted == isTargeted()) return;
    targeted_.setTarget(targeted ? 1.0 : 0.0);
}

void FolderBox::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = kit::Appearance::instance().isDark();
    const double t = std::clamp(targeted_.value(), 0.0, 1.0);
    const QColor ink = mixed(kit::primaryLabelColor.opacity(0.12).resolve(dark), kit::accentColor().resolve(dark), t);
    const double width = 0.8 + 0.7 * t;
    const auto shape = kit::KitShape::rounded(14);
    p.fillPath(shape.path(QRectF(rect())), wellFill(dark));
    QPen pen(ink, width);
    if (!chosen_) pen.setDashPattern({5 / width, 4 / width});  // 5 drawn, 4 left out
    p.setPen(pen);
    p.setBrush(Qt::NoBrush);
    p.drawPath(shape.path(QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2)));
}

// --- ProfileChip ---

ProfileChip::ProfileChip(const Profile& profile, bool selected, QWidget* parent)
    : QAbstractButton(parent), id_(profile.id), selection_([this] { update(); }) {
    setObjectName("profileChip");
    setProperty("profileID", QString::fromStdString(profile.id.text()));
    setCursor(Qt::PointingHandCursor);
    auto* row = new QHBoxLayout(this);
    row->setContentsMargins(8, 8, 16, 8);
    row->setSpacing(8);
    plainTile_ = new kit::IconTile(QStringLiteral("slider.horizontal.3"), 32, false);
    filledTile_ = new kit::IconTile(QStringLiteral("slider.horizontal.3"), 32, true);
    row->addWidget(plainTile_);
    row->addWidget(filledTile_);
    auto* texts = new QVBoxLayout;
    texts->setSpacing(0);
    texts->addWidget(oneLine(QString::fromStdString(profile.name), 14, QFont::DemiBold, false, Qt::ElideRight, 150));
    texts->addWidget(oneLine(QString::fromStdString(profile.presetName), 11, QFont::Normal, true, Qt::ElideRight, 150));
    row->addLayout(texts);
    check_ = new kit::SymbolView(QStringLiteral("checkmark.circle.fill"), 16);
    check_->setInk(kit::accentColor());
    QSizePolicy keep = check_->sizePolicy();
    keep.setRetainSizeWhenHidden(true);
    check_->setSizePolicy(keep);
    row->addWidget(check_);
    // A button does not size itself by its layout: the chip takes its content's size.
    setFixedSize(row->sizeHint());
    selection_.setTarget(selected ? 1.0 : 0.0, false);
    setSelected(selected);
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, qOverload<>(&QWidget::update));
}

void ProfileChip::setSelected(bool selected) {
    setProperty("selected", selected);
    plainTile_->setVisible(!selected);
    filledTile_->setVisible(selected);
    check_->setVisible(selected);
    selection_.setTarget(selected ? 1.0 : 0.0);
}

void ProfileChip::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const bool dark = kit::Appearance::instance().isDark();
    const double t = std::clamp(selection_.value(), 0.0, 1.0);
    const auto shape = kit::KitShape::rounded(14);
    p.fillPath(shape.path(QRectF(rect())), kit::primaryLabelColor.opacity(0.045 + 0.045 * t).resolve(dark));
    const QColor ink =
        mixed(kit::primaryLabelColor.opacity(0.08).resolve(dark), kit::accentColor().opacity(0.5).resolve(dark), t);
    const double width = 0.5 + 0.5 * t;
    p.setPen(QPen(ink, width));
    p.drawPath(shape.path(QRectF(rect()).adjusted(width / 2, width / 2, -width / 2, -width / 2)));
}

QWidget* NewProjectSheet::folderContent() {
    auto* box = new QWidget;
    box->setAttribute(Qt::WA_TransparentForMouseEvents);  // clicks and drops are the box's
    if (!model_->folder()) {
        auto* col = new QVBoxLayout(box);
        col->setAlignment(Qt::AlignCenter);
        col->setSpacing(8);
        col->addWidget(new kit::IconTile(QStringLiteral("folder.badge.plus"), 60, false), 0, Qt::AlignHCenter);
        auto* prompt = kit::selectableLabel(QString::fromUtf8("Alege folderul sau trage-l aici"), 14, QFont::DemiBold);
        prompt->setAlignment(Qt::AlignCenter);
        col->addWidget(prompt);
        auto* note = kit::selectableLabel(QString::fromUtf8("RAW-urile (și din subfoldere) se citesc, nu se modifică"), 12,
                           QFont::Normal, true);
        note->setAlignment(Qt::AlignCenter);
        col->addWidget(note);
        return box;
    }
    // The tips of the name and the path need the pointer: the row takes it, the box still gets clicks.
    box->setAttribute(Qt::WA_TransparentForMouseEvents, false);
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(14, 12, 14, 12);
    row->setSpacing(12);
    const fs::path folder = *model_->folder();
    row->addWidget(new kit::IconTile(QStringLiteral("folder.fill"), 40, false));
    auto* col = new QVBoxLayout;
    col->setSpacing(2);
    col->addWidget(oneLine(QString::fromStdString(folder.filename().string()), 14, QFont::DemiBold, false,
                           Qt::ElideRight, 300));
    col->addWidget(pathBar(QString::fromStdString(folder.string())));
    row->addLayout(col, 1);
    row->addSpacing(8);
    if (const auto p = model_->rawPill())
        row->addWidget(pill(*p));
    else
        row->addWidget(spinner());
    return box;
}

QWidget* NewProjectSheet::catalogSection() {
    auto* section = new QWidget;
    section->setObjectName("catalogSection");
    auto* col = new QVBoxLayout(section);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(10);
    const bool dark = kit::Appearance::instance().isDark();
    if (!model_->catalog()) {
        auto* sortRow = new QHBoxLayout;
        sortRow->addStretch(1);
        auto* sort = new kit::CatalogSortPicker;
        sort->setObjectName("catalogSort");
        sortRow->addWidget(sort);
        col->addLayout(sortRow);
        for (const FoundCatalog& found : model_->shownCatalogs()) {
            auto* row = new QPushButton;
            row->setObjectName("foundCatalog");
            row->setProperty("path", QString::fromStdString(found.url.string()));
            row->setFlat(true);
            row->setCursor(Qt::PointingHandCursor);
            row->setMinimumHeight(54);
            row->setStyleSheet(wellStyle("foundCatalog", 12, primaryBorder(0.08, 0.5)));
            auto* r = new QHBoxLayout(row);
            r->setContentsMargins(12, 6, 12, 6);
            r->setSpacing(10);
            r->addWidget(new kit::IconTile(QStringLiteral("books.vertical.fill"), 38, false));
            auto* texts = new QVBoxLayout;
            texts->setSpacing(1);
            texts->addWidget(oneLine(QString::fromStdString(found.name()), 13, QFont::DemiBold, false, Qt::ElideRight, 300));
            texts->addWidget(oneLine(QString::fromStdString(found.folder()), 11, QFont::Normal, true, Qt::ElideMiddle, 300));
            r->addLayout(texts, 1);
            const QLocale locale(app_.defaults().textValue("language") == std::optional<std::string>("en")
                                     ? QLocale(QLocale::English, QLocale::UnitedStates)
                                     : QLocale(QLocale::Romanian, QLocale::Romania));
            const auto secs = std::chrono::duration_cast<std::chrono::seconds>(found.modified.time_since_epoch());
            r->addWidget(kit::selectableLabel(locale.toString(QDateTime::fromSecsSinceEpoch(secs.count()).date(), QLocale::ShortFormat),
                               11, QFont::Normal, true));
            auto* chevron = new kit::SymbolView(QStringLiteral("chevron.right"), 11);
            chevron->setInk(kit::mutedColor.opacity(0.6));
            r->addWidget(chevron);
            const fs::path url = found.url;
            connect(row, &QPushButton::clicked, this, [this, url] { model_->chooseCatalog(url); });
            col->addWidget(new kit::HoverLift(row));
        }
        if (model_->found().empty()) {
            auto* searching = kit::selectableLabel(QString::fromUtf8("Caut cataloagele Lightroom…"), 13, QFont::Normal, true);
            searching->setObjectName("searching");
            searching->setAlignment(Qt::AlignCenter);
            col->addWidget(searching);
        }
        auto* other = new kit::KitButton(QString::fromUtf8("Alege alt catalog…"), kit::ButtonLook::outline);
        other->setObjectName("otherCatalog");
        connect(other, &QAbstractButton::clicked, this, &NewProjectSheet::pickCatalogFile);
        col->addWidget(other, 0, Qt::AlignLeft);
        return section;
    }
    const fs::path catalog = *model_->catalog();
    auto* chosen = new QWidget;
    chosen->setObjectName("chosenCatalog");
    chosen->setAttribute(Qt::WA_StyledBackground);
    QColor fill = kit::primaryLabelColor.resolve(dark);
    fill.setAlphaF(0.06f);
    chosen->setStyleSheet(QStringLiteral("#chosenCatalog{background:%1;border-radius:12px;}").arg(css(fill)));
    auto* row = new QHBoxLayout(chosen);
    row->setContentsMargins(14, 10, 10, 10);
    row->setSpacing(10);
    row->addWidget(new kit::IconTile(QStringLiteral("books.vertical.fill"), 40, false));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(2);
    texts->addWidget(oneLine(QString::fromStdString(catalog.stem().string()), 14, QFont::DemiBold, false, Qt::ElideRight, 200));
    auto* where = pathBar(QString::fromStdString(catalog.parent_path().string()));
    kit::labelTip(where, QString::fromStdString(catalog.string()), false);  // the catalog's full path
    texts->addWidget(where);
    row->addLayout(texts, 1);
    row->addSpacing(8);
    if (const auto p = model_->countsPill())
        row->addWidget(pill(*p));
    else
        row->addWidget(spinner());
    auto* change = new kit::KitButton(QString::fromUtf8("Schimbă"), kit::ButtonLook::outline);
    change->setObjectName("changeCatalog");
    change->setProperty("controlSize", "small");
    connect(change, &QAbstractButton::clicked, model_, &NewProjectModel::clearCatalog);
    row->addWidget(change);
    col->addWidget(chosen);

    auto* only = new QCheckBox(QString::fromUtf8("Doar fotografiile needitate (cele fără ajustări)"));
    only->setObjectName("onlyUnedited");
    only->setFont(kit::uiFont(13));
    only->setChecked(model_->onlyUnedited());
    connect(only, &QCheckBox::toggled, model_, &NewProjectModel::setOnlyUnedited);
    col->addWidget(only);

    const QString warning = model_->catalogWarning();
    if (!warning.isEmpty()) {
        auto* w = kit::selectableLabel(QString::fromUtf8("⚠ ") + warning, 13, QFont::Normal);
        w->setObjectName("catalogWarning");
        w->setWordWrap(true);
        w->setStyleSheet(QStringLiteral("color:%1;").arg(css(kit::warnColor.resolve(dark))));
        col->addWidget(w);
    }
    auto* caption = kit::selectableLabel(QString::fromUtf8("Ajustările se scriu direct în acest catalog; Lightroom se închide și se "
                                            "redeschide singur la final."),
                          11, QFont::Normal, true);
    caption->setWordWrap(true);
    col->addWidget(caption);
    return section;
}

QWidget* NewProjectSheet::profilePicker() {
    const auto& built = model_->builtProfiles();
    if (built.empty()) {
        auto* none = kit::selectableLabel(model_->noProfileText(), 13, QFont::Normal, true);
        none->setObjectName("noProfile");
        none->setWordWrap(true);
        return none;
    }
    // Chips that do not fit scroll sideways, so every built profile can be chosen.
    auto* scroll = new QScrollArea;
    scroll->setObjectName("profileChips");
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setWidgetResizable(true);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    scroll->setStyleSheet(QStringLiteral("QScrollArea{background:transparent;}"));
    auto* strip = new QWidget;
    strip->setStyleSheet(QStringLiteral("background:transparent;"));
    auto* row = new QHBoxLayout(strip);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(8);
    for (const Profile& p : built) {
        auto* chip = new ProfileChip(p, model_->profileID() == p.id);
        const Uuid id = p.id;
        connect(chip, &QAbstractButton::clicked, this, [this, id] { model_->setProfileID(id); });
        row->addWidget(chip);
        chips_.push_back(chip);
    }
    row->addStretch(1);
    scroll->setWidget(strip);
    scroll->setFixedSize(sheetWidth - 48, 54 + (strip->sizeHint().width() > sheetWidth - 48 ? 12 : 0));
    return scroll;
}

void NewProjectSheet::pickRawFolder() {
    const auto chosen = kit::dialogs().chooseFolder(QString::fromUtf8("Folderul cu RAW-uri (se citesc, nu se modifică)"));
    if (chosen) model_->chooseFolder(chosen->toStdString());
}

void NewProjectSheet::pickCatalogFile() {
    const QStringList chosen = kit::dialogs().chooseFiles(
        QString::fromUtf8("Alege catalogul Lightroom (.lrcat) cu fotografiile de editat"), {QStringLiteral("lrcat")},
        false);
    if (!chosen.isEmpty()) model_->chooseOwnCatalog(chosen.first().toStdString());
}

void NewProjectSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        model_->dismiss();
        return;
    }
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && model_->canCreate()) {
        model_->createProject();
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

bool NewProjectSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name_ && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut)) {
        if (restyle_) restyle_();
        return false;
    }
    if (!folderBox_ || watched != folderBox_ || model_->fromCatalog()) return false;
    auto urlsOf = [](const QMimeData* mime) {
        QStringList paths;
        if (mime && mime->hasUrls())
            for (const QUrl& url : mime->urls())
                if (url.isLocalFile()) paths << url.toLocalFile();
        return paths;
    };
    switch (event->type()) {
        case QEvent::DragEnter: {
            auto* e = static_cast<QDragEnterEvent*>(event);
            if (e->mimeData()->hasUrls()) {
                e->acceptProposedAction();
                targeted_ = true;
                folderBox_->setTargeted(true);
            }
            return true;
        }
        case QEvent::DragLeave:
            targeted_ = false;
            folderBox_->setTargeted(false);
            return true;
        case QEvent::Drop: {
            auto* e = static_cast<QDropEvent*>(event);
            targeted_ = false;
            folderBox_->setTargeted(false);
            if (model_->acceptDroppedFolder(urlsOf(e->mimeData()))) {
                e->acceptProposedAction();
            } else {
                e->setDropAction(Qt::IgnoreAction);
                e->accept();  // refused here; the window's own drop rule does not see it either
                QMetaObject::invokeMethod(this, &NewProjectSheet::refresh, Qt::QueuedConnection);
            }
            return true;
        }
        case QEvent::MouseButtonPress:
            // Taken here so the release comes back to the box.
            return static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton;
        case QEvent::MouseButtonRelease:
            if (static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
                QMetaObject::invokeMethod(this, &NewProjectSheet::pickRawFolder, Qt::QueuedConnection);
                return true;
            }
            return false;
        default: return false;
    }
}

}  // namespace orvane::projects
