#include "app/projects/quick_edit_sheet.h"

#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollArea>
#include <QStackedWidget>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/centered_alert.h"
#include "app/kit/dialogs.h"
#include "app/kit/fonts.h"
#include "app/kit/form.h"
#include "app/kit/glass.h"
#include "app/kit/help_dot.h"
#include "app/kit/kit_settings.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/palette.h"
#include "app/kit/pill_picker.h"
#include "app/kit/shapes.h"
#include "app/kit/sheet_host.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/model/app_model.h"
#include "app/options/extra_options_panel.h"
#include "app/profiles/profile_detail_parts.h"
#include "app/projects/priority_toggle.h"

namespace orvane::projects {

namespace fs = std::filesystem;

namespace {

using profiles::textLabel;

kit::KitLabel* line(const QString& text, double points, int weight, kit::AdaptiveColor color,
                    Qt::TextElideMode elide = Qt::ElideRight) {
    auto* l = textLabel(text, points, weight, color, false);
    l->setElideMode(elide);
    l->setMinimumWidth(40);
    return l;
}

QWidget* spinner() {
    auto* bar = new QProgressBar;
    bar->setRange(0, 0);
    bar->setTextVisible(false);
    bar->setFixedSize(36, 6);
    return bar;
}

// A symbol before a wrapping text, both in one colour.
QWidget* note(const QString& symbol, const QString& text, kit::AdaptiveColor color, kit::KitLabel** label = nullptr) {
    auto* box = new QWidget;
    auto* row = new QHBoxLayout(box);
    row->setContentsMargins(6, 0, 6, 0);
    row->setSpacing(6);
    auto* icon = new kit::SymbolView(symbol, 13, 16);
    icon->setInk(color);
    row->addWidget(icon, 0, Qt::AlignTop);
    auto* words = profiles::wrappingLabel(text, color, false, 12);
    row->addWidget(words, 1);
    if (label) *label = words;
    return box;
}

// A button whose whole face is its layout's content, drawn over an optional glass card.
class ContentButton : public QAbstractButton {
public:
    explicit ContentButton(bool glass, QWidget* parent = nullptr) : QAbstractButton(parent), glass_(glass) {
        setCursor(Qt::PointingHandCursor);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    }
    QSize sizeHint() const override { return layout() ? layout()->sizeHint() : QSize(); }

protected:
    void paintEvent(QPaintEvent*) override {
        if (!glass_) return;
        QPainter p(this);
        kit::paintGlass(p, this, kit::KitShape::rounded(16), kit::GlassTreatment::airy);
    }

private:
    bool glass_;
};

}  // namespace

QuickEditSheet::QuickEditSheet(model::AppModel& app, model::Router& router, QuickEditServices services,
                               std::unique_ptr<platform::VolumeWatcher> volumes, QWidget* parent)
    : kit::GlassSheet(false, parent),
      app_(app),
      binding_(app.sharedDefaults()),
      levelsModel_(binding_, false),
      volumes_(std::move(volumes)) {
    setProperty("sheetTitle", QString::fromUtf8("Editare rapidă"));
    setFixedSize(sheetWidth, sheetHeight);
    model_ = new QuickEditModel(app, router, std::move(services), this);
    if (!volumes_) volumes_ = std::make_unique<platform::MountTableWatcher>();
    connect(volumes_.get(), &platform::VolumeWatcher::mounted, model_, &QuickEditModel::volumeMounted);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    header->setContentsMargins(0, 0, 36, 0);
    back_ = new kit::GlassCircleButton(QStringLiteral("chevron.left"), 32, 13);
    back_->setObjectName("back");
    header->addWidget(back_, 0, Qt::AlignVCenter);
    header->addWidget(new kit::IconTile(QStringLiteral("bolt.fill"), 44, true), 0, Qt::AlignVCenter);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(1);
    auto* title = new kit::KitLabel(QString::fromUtf8("Proiect nou"), kit::trackedFont(22, QFont::Bold, -0.4));
    title->setLocalized(true);
    titles->addWidget(title);
    subtitle_ = textLabel(QString(), 13, QFont::Normal, kit::mutedColor);
    subtitle_->setObjectName("subtitle");
    titles->addWidget(subtitle_);
    header->addLayout(titles, 1);
    outer->addLayout(header);

    auto* tabs = new kit::ProjectSourceTabs(kit::ProjectSourceTabs::Source::catalog);
    tabs->setObjectName("sourceTabs");
    connect(tabs, &kit::ProjectSourceTabs::picked, model_, [this](kit::ProjectSourceTabs::Source source) {
        if (source == kit::ProjectSourceTabs::Source::folder) model_->switchToNewProject();
    });
    tabs_ = tabs;
    outer->addWidget(tabs_);

    pages_ = new QStackedWidget;
    pages_->addWidget(buildCatalogPage());
    pages_->addWidget(buildFoldersPage());
    pages_->addWidget(buildOptionsPage());
    outer->addWidget(pages_, 1);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, model_, &QuickEditModel::dismiss);
    connect(back_, &QAbstractButton::clicked, model_, &QuickEditModel::goBack);
    connect(model_, &QuickEditModel::changed, this, &QuickEditSheet::refresh);
    connect(model_, &QuickEditModel::refused, this, [this](const QString& title, const QString& message) {
        kit::CenteredAlert alert(title, message, this);
        alert.addChoice(QStringLiteral("OK"));
        kit::dialogs().run(alert);
    });
    connect(&binding_, &options::OptionsBinding::changed, this, &QuickEditSheet::refreshEditing);
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) refreshCatalogList();
        if (key == QLatin1String(prioritizeEditingKey)) refreshEditing();
    });

    model_->open();
    refresh();
}

QuickEditSheet::~QuickEditSheet() { model_->disconnect(this); }

QAbstractButton* QuickEditSheet::startButton() const { return start_; }
QAbstractButton* QuickEditSheet::otherCatalogButton() const { return otherCatalog_; }
QString QuickEditSheet::subtitleText() const { return subtitle_->text(); }

// ---- the catalog step ----

QWidget* QuickEditSheet::buildCatalogPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);

    auto* searchRow = new QHBoxLayout;
    searchRow->setSpacing(8);
    auto* capsule = new QWidget;
    capsule->setObjectName("searchCapsule");
    capsule->setAttribute(Qt::WA_StyledBackground);
    auto* capsuleRow = new QHBoxLayout(capsule);
    capsuleRow->setContentsMargins(12, 8, 12, 8);
    capsuleRow->setSpacing(6);
    auto* glass = new kit::SymbolView(QStringLiteral("magnifyingglass"), 13, 16);
    glass->setInk(kit::mutedColor);
    capsuleRow->addWidget(glass);
    search_ = new QLineEdit;
    search_->setObjectName("search");
    search_->setFrame(false);
    search_->setFont(kit::uiFont(13));
    search_->setPlaceholderText(kit::localized("Caută catalog"));
    search_->setStyleSheet(QStringLiteral("background:transparent;"));
    capsuleRow->addWidget(search_, 1);
    auto styleCapsule = [capsule] {
        const QColor fill = kit::softFillColor.resolve(kit::Appearance::instance().isDark());
        capsule->setStyleSheet(
            QStringLiteral("#searchCapsule{background:%1;border-radius:16px;}").arg(fill.name(QColor::HexArgb)));
    };
    styleCapsule();
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, capsule, styleCapsule);
    searchRow->addWidget(capsule, 1);
    auto* sort = new kit::CatalogSortPicker;
    sort->setObjectName("catalogSort");
    searchRow->addWidget(sort);
    column->addLayout(searchRow);
    connect(search_, &QLineEdit::textEdited, model_, &QuickEditModel::setQuery);

    catalogList_ = new QWidget;
    catalogRows_ = new QVBoxLayout(catalogList_);
    catalogRows_->setContentsMargins(0, 0, 4, 0);
    catalogRows_->setSpacing(8);
    catalogRows_->addStretch(1);
    column->addWidget(kit::clearScrollArea(catalogList_, true), 1);

    auto* bottom = new QHBoxLayout;
    otherCatalog_ = new kit::KitButton(QString::fromUtf8("Alege alt catalog…"), kit::ButtonLook::outline);
    otherCatalog_->setObjectName("otherCatalog");
    otherCatalog_->setProperty("controlSize", "small");
    connect(otherCatalog_, &QAbstractButton::clicked, this, &QuickEditSheet::pickCatalogFile);
    bottom->addWidget(otherCatalog_);
    bottom->addStretch(1);
    column->addLayout(bottom);
    return page;
}

void QuickEditSheet::refreshCatalogList() {
    const std::vector<FoundCatalog> visible = model_->visibleCatalogs();
    std::vector<std::string> ids;
    for (const auto& c : visible) ids.push_back(c.id());
    if (ids == shownCatalogIDs_ && shownScanning_ == model_->scanning() && catalogRows_->count() > 1) return;
    shownCatalogIDs_ = ids;
    shownScanning_ = model_->scanning();
    while (catalogRows_->count() > 1) {
        QLayoutItem* item = catalogRows_->takeAt(0);
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    int at = 0;
    for (const FoundCatalog& c : visible) {
        auto* row = new ContentButton(true);
        row->setObjectName("catalogRow");
        row->setProperty("path", QString::fromStdString(c.url.string()));
        auto* r = new QHBoxLayout(row);
        r->setContentsMargins(12, 10, 12, 10);
        r->setSpacing(12);
        r->addWidget(new kit::IconTile(QStringLiteral("books.vertical"), 38, false));
        auto* texts = new QVBoxLayout;
        texts->setSpacing(2);
        texts->addWidget(line(QString::fromStdString(c.name()), 14.5, QFont::DemiBold, kit::primaryLabelColor));
        texts->addWidget(line(QString::fromStdString(c.folder()), 12, QFont::Normal, kit::mutedColor, Qt::ElideMiddle));
        r->addLayout(texts, 1);
        r->addSpacing(8);
        auto* date = new kit::StatusPill(model_->dateTag(c.modified), std::nullopt, kit::StatusKind::neutral);
        date->setObjectName("dateTag");
        r->addWidget(date, 0, Qt::AlignVCenter);
        auto* chevron = new kit::SymbolView(QStringLiteral("chevron.right"), 11, 14);
        chevron->setInk(kit::mutedColor.opacity(0.6));
        r->addWidget(chevron, 0, Qt::AlignVCenter);
        const FoundCatalog chosen = c;
        connect(row, &QAbstractButton::clicked, model_, [this, chosen] { model_->choose(chosen); });
        catalogRows_->insertWidget(at++, row);
        row->show();  // a child added to a shown list stays hidden otherwise
    }
    QWidget* tail = nullptr;
    if (model_->scanning()) {
        tail = new QWidget;
        tail->setObjectName("scanning");
        auto* row = new QHBoxLayout(tail);
        row->setContentsMargins(12, 12, 12, 12);
        row->setSpacing(8);
        row->addWidget(spinner(), 0, Qt::AlignVCenter);
        row->addWidget(textLabel(QString::fromUtf8("Caut cataloagele Lightroom…"), 12, QFont::Normal, kit::mutedColor), 1);
    } else if (visible.empty()) {
        tail = profiles::wrappingLabel(QString::fromUtf8("Nu am găsit cataloage Lightroom. Deschide Lightroom o dată sau "
                                                         "folosește „Proiect nou” cu un folder de RAW-uri."),
                                       kit::mutedColor, true, 12);
        tail->setObjectName("noCatalogs");
        tail->setContentsMargins(12, 12, 12, 12);
    }
    if (tail) {
        catalogRows_->insertWidget(at, tail);
        tail->show();
    }
}

void QuickEditSheet::pickCatalogFile() {
    const QStringList chosen =
        kit::dialogs().chooseFiles(QString::fromUtf8("Alege catalogul Lightroom (.lrcat)"), {QStringLiteral("lrcat")}, false);
    if (!chosen.isEmpty()) model_->chooseFile(chosen.first().toStdString());
}

// ---- the folders page ----

QWidget* QuickEditSheet::buildFoldersPage() {
    auto* page = new QWidget;
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(16);

    auto* content = new QWidget;
    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(0, 2, 6, 2);
    column->setSpacing(24);

    // Name.
    auto* nameRow = new QWidget;
    auto* nr = new QHBoxLayout(nameRow);
    nr->setContentsMargins(16, 14, 16, 14);
    nr->setSpacing(12);
    auto* pencil = new kit::SymbolView(QStringLiteral("pencil"), 15, 18);
    pencil->setInk(kit::accentColor());
    nr->addWidget(pencil);
    name_ = new QLineEdit;
    name_->setObjectName("projectName");
    name_->setFrame(false);
    name_->setFont(kit::uiFont(18, QFont::Medium));
    name_->setStyleSheet(QStringLiteral("background:transparent;"));
    nr->addWidget(name_, 1);
    auto* clear = new kit::SymbolButton(QStringLiteral("xmark.circle.fill"), 14);
    clear->setObjectName("clearName");
    clear->setInk(kit::mutedColor);
    kit::quickTip(clear, QString::fromUtf8("Revino la numele propus"));
    clearName_ = clear;
    nr->addWidget(clear);
    auto* nameSection = new kit::FormSection(QString::fromUtf8("Nume proiect"));
    nameSection->addRow(nameRow);
    nameSection_ = nameSection;
    column->addWidget(nameSection_);
    connect(name_, &QLineEdit::textEdited, model_, &QuickEditModel::setProjectName);
    name_->installEventFilter(this);  // Return ends the name's editing, nothing more
    connect(clear, &QAbstractButton::clicked, model_, [this] { model_->setProjectName(QString()); });

    // Photos.
    auto* selectAll = new QPushButton;
    selectAll->setObjectName("selectAll");
    selectAll->setFlat(true);
    selectAll->setCursor(Qt::PointingHandCursor);
    selectAll->setFont(kit::uiFont(13, QFont::Medium));
    selectAll_ = selectAll;
    connect(selectAll, &QAbstractButton::clicked, model_, &QuickEditModel::toggleAllFolders);
    auto* photos = new kit::FormSection(QString(), selectAll);
    photosTitle_ = photos->titleLabel();
    photosTitle_->setLocalized(false);
    auto* body = new QWidget;
    photosBody_ = new QVBoxLayout(body);
    photosBody_->setContentsMargins(0, 0, 0, 0);
    photosBody_->setSpacing(0);
    photos->addRow(body);
    unedited_ = new kit::PillPicker({{QVariant(false), QString(), std::nullopt}, {QVariant(true), QString(), std::nullopt}},
                                    QVariant(true));
    unedited_->setObjectName("onlyUnedited");
    unedited_->setFixedWidth(300);
    connect(unedited_, &kit::PillPicker::selectionWritten, model_,
            [this](const QVariant& v) { model_->setOnlyUnedited(v.toBool()); });
    auto* editsRow = new kit::FormRow(QString::fromUtf8("Editez"), std::nullopt, std::nullopt, false, unedited_);
    editsRow->setObjectName("editsRow");
    photos->addRow(editsRow);
    column->addWidget(photos);

    // Editing.
    auto* editing = new kit::FormSection(QString::fromUtf8("Editare"));
    profileMenu_ = new kit::DropdownLabel(QString(), 220);
    profileMenu_->setObjectName("profileMenu");
    connect(profileMenu_, &QAbstractButton::clicked, this, &QuickEditSheet::openProfileMenu);
    editing->addRow(new kit::FormRow(QString::fromUtf8("Profil"), std::nullopt, std::nullopt, true, profileMenu_));
    auto* levelBox = new QWidget;
    levelHolder_ = new QVBoxLayout(levelBox);
    levelHolder_->setContentsMargins(0, 0, 0, 0);
    levelRow_ = new kit::FormRow(QString::fromUtf8("Nivel de automatizare"), QString(), std::nullopt, true, levelBox);
    editing->addRow(levelRow_);
    auto* choose = new QPushButton(kit::localized("Alege") + QStringLiteral("  ›"));
    choose->setObjectName("chooseFunctions");
    choose->setFlat(true);
    choose->setCursor(Qt::PointingHandCursor);
    choose->setFont(kit::uiFont(14, QFont::Medium));
    connect(choose, &QAbstractButton::clicked, model_, [this] { model_->setCustomize(true); });
    editing->addRow(new kit::FormRow(QString::fromUtf8("Funcții suplimentare"), QString::fromUtf8("Îndreptare, decupare, piele…"),
                                     std::nullopt, true, choose));
    boost_ = new SmallSwitch;
    boost_->setObjectName("boost");
    connect(boost_, &QAbstractButton::clicked, this,
            [this](bool on) { app_.defaults().set(prioritizeEditingKey, Json(on)); });
    editing->addRow(new kit::FormRow(
        QString::fromUtf8("Prioritizează editarea"), std::nullopt,
        QString::fromUtf8("Folosește toate nucleele și aproape toată memoria calculatorului, cu prioritate mare: editarea se "
                          "termină mai repede, dar celelalte programe pot merge mai greu cât durează."),
        false, boost_));
    editingSection_ = editing;
    column->addWidget(editing);

    editedNote_ = note(QStringLiteral("info.circle"), QString(), kit::mutedColor, &editedNoteText_);
    editedNote_->setObjectName("editedNote");
    column->addWidget(editedNote_);
    previewNote_ = note(QStringLiteral("info.circle"),
                        QString::fromUtf8("RAW-urile nu sunt pe disc: se editează din Smart Preview-uri, cu modelul potrivit "
                                          "pentru ele. Pentru cel mai bun rezultat, conectează discul cu RAW-urile."),
                        kit::mutedColor);
    previewNote_->setObjectName("previewNote");
    column->addWidget(previewNote_);
    column->addStretch(1);

    auto* scroll = kit::clearScrollArea(content, false);
    scroll->viewport()->installEventFilter(this);  // a click anywhere ends the name's editing
    outer->addWidget(scroll, 1);

    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    count_ = textLabel(QString(), 12, QFont::Normal, kit::mutedColor, false);
    count_->setObjectName("photoCount");
    bar->addWidget(count_, 0, Qt::AlignVCenter);
    bar->addSpacing(12);
    start_ = new kit::KitButton(QString::fromUtf8("Pornește editarea"), kit::ButtonLook::accent);
    start_->setObjectName("start");
    start_->setProperty("controlSize", "large");
    connect(start_, &QAbstractButton::clicked, this, &QuickEditSheet::start);
    bar->addWidget(start_);
    outer->addLayout(bar);
    return page;
}

void QuickEditSheet::refreshFolders() {
    const QuickEditModel& m = *model_;
    const auto state = m.folderState();
    const bool loaded = state == QuickEditModel::FolderState::loaded;
    const auto shown = m.shownFolders();
    nameSection_->setVisible(loaded);
    editingSection_->setVisible(loaded);
    if (name_->text() != m.projectName()) name_->setText(m.projectName());
    name_->setPlaceholderText(m.proposedProjectName());
    clearName_->setVisible(!m.projectName().isEmpty());
    photosTitle_->setText(kit::localized("Fotografii · ") +
                          (m.catalog() ? QString::fromStdString(m.catalog()->name()) : QString()));
    selectAll_->setVisible(loaded && shown.size() >= 2);
    selectAll_->setText(kit::localized(m.allShownPicked() ? "Deselectează tot" : "Selectează tot"));

    if (photosContent_) {
        photosContent_->hide();
        photosContent_->deleteLater();
    }
    photosContent_ = new QWidget;
    photosContent_->setObjectName("folderContent");
    auto* col = new QVBoxLayout(photosContent_);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(0);
    auto padded = [](QWidget* w) {
        w->setContentsMargins(16, 16, 16, 16);
        return w;
    };
    switch (state) {
        case QuickEditModel::FolderState::loading: {
            auto* row = new QWidget;
            row->setObjectName("loadingFolders");
            auto* r = new QHBoxLayout(row);
            r->setContentsMargins(16, 16, 16, 16);
            r->setSpacing(8);
            r->addWidget(spinner(), 0, Qt::AlignVCenter);
            r->addWidget(textLabel(QString::fromUtf8("Citesc folderele…"), 13, QFont::Normal, kit::mutedColor), 1);
            col->addWidget(row);
            break;
        }
        case QuickEditModel::FolderState::unreadable: {
            auto* w = padded(note(QStringLiteral("exclamationmark.triangle.fill"),
                                  QString::fromUtf8("Catalogul nu a putut fi citit. Închide Lightroom sau alege alt catalog."),
                                  kit::warnColor));
            w->setObjectName("unreadable");
            col->addWidget(w);
            break;
        }
        case QuickEditModel::FolderState::empty: {
            auto* w = padded(textLabel(QString::fromUtf8("Catalogul nu conține fotografii."), 12, QFont::Normal, kit::mutedColor));
            w->setObjectName("emptyCatalog");
            col->addWidget(w);
            break;
        }
        case QuickEditModel::FolderState::loaded: {
            if (shown.empty()) {
                auto* w = padded(note(QStringLiteral("externaldrive.badge.exclamationmark"),
                                      QString::fromUtf8("Fotografiile nu sunt pe disc. Conectează discul extern cu "
                                                        "RAW-urile și alege din nou catalogul."),
                                      kit::warnColor));
                w->setObjectName("noneOnDisk");
                col->addWidget(w);
                col->addWidget(profiles::divider());
            }
            auto* list = new QWidget;
            auto* rows = new QVBoxLayout(list);
            rows->setContentsMargins(0, 0, 0, 0);
            rows->setSpacing(0);
            for (const auto& folder : *m.folders()) {
                const bool ticked = m.picked().count(folder.path) > 0;
                auto* row = new ContentButton(false);
                row->setObjectName("folderRow");
                row->setProperty("path", QString::fromStdString(folder.path));
                row->setEnabled(folder.onDisk >= 1);
                auto* r = new QHBoxLayout(row);
                r->setContentsMargins(16, 12, 16, 12);
                r->setSpacing(12);
                auto* mark = new kit::SymbolView(ticked ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"), 20, 22);
                mark->setInk(ticked ? kit::accentColor() : kit::mutedColor);
                r->addWidget(mark, 0, Qt::AlignVCenter);
                auto* texts = new QVBoxLayout;
                texts->setSpacing(2);
                texts->addWidget(line(QString::fromStdString(folder.name()), 14, QFont::DemiBold, kit::primaryLabelColor));
                texts->addWidget(line(QString::fromStdString(folder.path), 11.5, QFont::Normal, kit::mutedColor, Qt::ElideMiddle));
                r->addLayout(texts, 1);
                auto* counts = new QVBoxLayout;
                counts->setSpacing(2);
                auto* n = textLabel(QString::number(folder.onDisk) + kit::localized(" fotografii"), 13, QFont::DemiBold,
                                    kit::primaryLabelColor, false);
                n->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
                counts->addWidget(n);
                const auto availability = QuickEditModel::folderAvailability(folder.onDisk, folder.rawOnDisk);
                const kit::AdaptiveColor ink = availability.warn ? kit::warnColor : kit::mutedColor;
                auto* avail = new QHBoxLayout;
                avail->setSpacing(4);
                avail->addStretch(1);
                auto* icon = new kit::SymbolView(availability.symbol, 11, 13);
                icon->setInk(ink);
                avail->addWidget(icon);
                auto* availText = textLabel(availability.title, 11, QFont::Normal, ink);
                availText->setObjectName("availability");
                avail->addWidget(availText);
                counts->addLayout(avail);
                r->addLayout(counts);
                if (folder.onDisk < 1) {
                    auto* dim = new QGraphicsOpacityEffect(row);
                    dim->setOpacity(0.55);
                    row->setGraphicsEffect(dim);
                }
                const std::string path = folder.path;
                connect(row, &QAbstractButton::clicked, model_, [this, path] { model_->toggleFolder(path); });
                rows->addWidget(row);
                auto* rule = profiles::divider();
                rule->setContentsMargins(16, 0, 0, 0);
                auto* ruleBox = new QWidget;
                auto* rb = new QHBoxLayout(ruleBox);
                rb->setContentsMargins(16, 0, 0, 0);
                rb->addWidget(rule);
                rows->addWidget(ruleBox);
            }
            // The list scrolls inside the section once it is taller than 150 points.
            auto* scroll = kit::clearScrollArea(list, false);
            scroll->setObjectName("folderList");
            scroll->setFixedHeight(std::min(150, list->sizeHint().height()));
            col->addWidget(scroll);
            break;
        }
    }
    photosBody_->addWidget(photosContent_);
    photosContent_->show();
    unedited_->parentWidget()->setVisible(loaded);

    // "Editez": the pills carry the counts of the ticked folders.
    auto items = unedited_->items();
    const QString all = kit::localized("Toate · ") + QString::number(m.pickedOnDiskCount());
    const QString only = kit::localized("Doar fără editări · ") + QString::number(m.pickedUneditedCount());
    if (items[0].title != all || items[1].title != only) {
        auto* fresh = new kit::PillPicker({{QVariant(false), all, std::nullopt}, {QVariant(true), only, std::nullopt}},
                                          QVariant(m.onlyUnedited()));
        fresh->setObjectName("onlyUnedited");
        fresh->setFixedWidth(300);
        connect(fresh, &kit::PillPicker::selectionWritten, model_,
                [this](const QVariant& v) { model_->setOnlyUnedited(v.toBool()); });
        unedited_->parentWidget()->layout()->replaceWidget(unedited_, fresh);
        unedited_->hide();
        unedited_->deleteLater();
        unedited_ = fresh;
        fresh->show();
    } else {
        unedited_->setSelection(QVariant(m.onlyUnedited()), true);
    }

    const std::int64_t onDisk = m.pickedOnDiskCount(), uneditedCount = m.pickedUneditedCount();
    editedNote_->setVisible(loaded && onDisk >= 1 && !m.onlyUnedited() && onDisk - uneditedCount >= 1);
    editedNoteText_->setText(QString::number(onDisk - uneditedCount) +
                             kit::localized(" fotografii au deja ajustări în Lightroom; editarea le înlocuiește."));
    previewNote_->setVisible(loaded && m.usesSmartPreviews());
    count_->setText(QString::number(m.selectedPhotoCount()) + kit::localized(" fotografii"));
    start_->setEnabled(m.canStart());
}

void QuickEditSheet::refreshEditing() {
    if (!levelHolder_) return;
    const auto chosen = model_->chosenProfile();
    profileMenu_->setText(chosen ? QString::fromStdString(chosen->name) : kit::localized("Alege profilul"));
    std::vector<kit::PillItem> items;
    for (const auto& pill : levelsModel_.pills()) items.push_back({int(pill.level), pill.title, std::nullopt});
    const int current = int(levelsModel_.level());
    if (!levels_ || levels_->items().size() != items.size()) {
        if (levels_) {
            levels_->hide();
            levels_->deleteLater();
        }
        levels_ = new kit::PillPicker(items, current);
        levels_->setObjectName("levels");
        levels_->setFixedWidth(items.size() == 4 ? 380 : 300);
        connect(levels_, &kit::PillPicker::selectionWritten, this,
                [this](const QVariant& value) { levelsModel_.setLevel(options::Level(value.toInt())); });
        levelHolder_->addWidget(levels_, 0, Qt::AlignRight);
        levels_->show();
    } else {
        levels_->setSelection(current, true);
    }
    if (levelRow_->detail())
        levelRow_->detail()->setText(QString::fromStdString(options::optionsSummary(app_.defaults())));
    const QString accent = kit::accentColor().resolve(kit::Appearance::instance().isDark()).name();
    for (auto* link : {selectAll_, findChild<QAbstractButton*>("chooseFunctions")})
        if (link) link->setStyleSheet(QStringLiteral("color:%1;border:none;text-align:right;").arg(accent));
    const bool boost = app_.defaults().boolValue(prioritizeEditingKey).value_or(false);
    if (boost_->isChecked() != boost) boost_->setChecked(boost);
}

void QuickEditSheet::openProfileMenu() {
    QMenu menu(this);
    for (const Profile& p : model_->builtProfiles()) {
        QAction* action = menu.addAction(QString::fromStdString(p.name));
        action->setCheckable(true);
        action->setChecked(model_->profileID() == p.id);
        const Uuid id = p.id;
        connect(action, &QAction::triggered, model_, [this, id] { model_->setProfileID(id); });
    }
    menu.exec(profileMenu_->mapToGlobal(QPoint(0, profileMenu_->height())));
}

void QuickEditSheet::start() {
    QPointer<QuickEditSheet> self(this);
    model_->start([self] {
        if (!self) return false;
        kit::CenteredAlert alert(QString::fromUtf8("RAW-urile nu sunt pe disc"),
                                 QString::fromUtf8("Editarea din Smart Preview-uri e mai puțin precisă (culoare, retușuri). "
                                                   "Pentru cea mai bună editare, conectează discul cu RAW-urile și pornește "
                                                   "din nou."),
                                 self);
        alert.addChoice(QString::fromUtf8("Conectez discul"));
        alert.addChoice(QString::fromUtf8("Continuă oricum"));
        return kit::dialogs().run(alert) == kit::CenteredAlert::firstButton + 1;
    });
}

// ---- the options page ----

QWidget* QuickEditSheet::buildOptionsPage() {
    auto* page = new QWidget;
    auto* column = new QVBoxLayout(page);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(12);
    panel_ = new options::ExtraOptionsPanel(binding_, false, false, false);
    panel_->setContentsMargins(0, 2, 0, 2);
    column->addWidget(kit::clearScrollArea(panel_, true), 1);
    column->addWidget(profiles::divider());
    auto* bar = new QHBoxLayout;
    bar->addStretch(1);
    done_ = new kit::KitButton(QString::fromUtf8("Gata"), kit::ButtonLook::accent);
    done_->setObjectName("done");
    done_->setProperty("controlSize", "large");
    connect(done_, &QAbstractButton::clicked, model_, [this] { model_->setCustomize(false); });
    bar->addWidget(done_);
    column->addLayout(bar);
    return page;
}

// ---- the sheet ----

void QuickEditSheet::refresh() {
    const auto page = model_->page();
    subtitle_->setText(model_->subtitle());
    back_->setVisible(page != QuickEditModel::Page::catalogs);
    tabs_->setVisible(page == QuickEditModel::Page::catalogs);
    pages_->setCurrentIndex(int(page));
    refreshCatalogList();
    refreshFolders();
    refreshEditing();
}

void QuickEditSheet::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape) {
        model_->dismiss();
        return;
    }
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (model_->page() == QuickEditModel::Page::options) {
            model_->setCustomize(false);
        } else if (model_->page() == QuickEditModel::Page::folders && model_->canStart()) {
            start();
        }
        return;
    }
    kit::GlassSheet::keyPressEvent(event);
}

bool QuickEditSheet::eventFilter(QObject* watched, QEvent* event) {
    if (watched == name_ && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            name_->clearFocus();
            return true;
        }
        return false;
    }
    if (event->type() == QEvent::MouseButtonPress && name_ && name_->hasFocus()) name_->clearFocus();
    return kit::GlassSheet::eventFilter(watched, event);
}

}  // namespace orvane::projects
