#include "app/library/library_view.h"

#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

#include "app/kit/app_style.h"
#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/catalog_sort.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/icons.h"
#include "app/kit/kit_settings.h"
#include "app/kit/page_header.h"
#include "app/kit/sheet_host.h"
#include "app/kit/tooltips.h"
#include "app/library/import_catalogs_sheet.h"
#include "app/library/library_widgets.h"
#include "app/model/app_model.h"
#include "app/model/router.h"

namespace orvane::library {

namespace {

QWidget* divider(int indent) {
    auto* holder = new QWidget;
    auto* h = new QHBoxLayout(holder);
    h->setContentsMargins(indent, 0, 0, 0);
    auto* line = new QFrame;
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background:%1;").arg(cssColor(kit::withAlpha(resolved(kit::primaryLabelColor), 0.08))));
    h->addWidget(line);
    return holder;
}

QLabel* cell(QLabel* label, int width, Qt::Alignment align) {
    if (width > 0) label->setFixedWidth(width);
    label->setAlignment(align | Qt::AlignVCenter);
    label->setTextInteractionFlags(Qt::NoTextInteraction);
    return label;
}

}  // namespace

LibraryView::LibraryView(model::AppModel& app, model::Router& router, kit::SheetHost* host,
                         ImportSheetServices services, QWidget* parent)
    : QWidget(parent), app_(app), router_(router), host_(host), services_(std::move(services)) {
    model_ = new LibraryModel(app, router, this);
    if (!host_) host_ = new kit::SheetHost(this);
    connect(host_, &kit::SheetHost::closeRequested, this, [this](QWidget* shown) {
        if (sheet_ && shown == sheet_) sheet_->model().dismiss();
    });

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    remove_ = new kit::KitButton(text("Elimină"), kit::ButtonLook::outline);
    remove_->setObjectName("remove");
    connect(remove_, &QAbstractButton::clicked, model_, &LibraryModel::removeSelected);
    build_ = new kit::KitButton(text("Actualizează profilul"), kit::ButtonLook::outline);
    build_->setObjectName("build");
    connect(build_, &QAbstractButton::clicked, model_, &LibraryModel::build);
    auto* importButton = new kit::KitButton(text("Importă catalog Lightroom"), kit::ButtonLook::accent);
    importButton->setObjectName("import");
    connect(importButton, &QAbstractButton::clicked, model_, [this] { model_->setShowImport(true); });
    header_ = new kit::PageHeader(text("Îmbunătățește profilul"), model_->subtitle(), std::nullopt, nullptr,
                                  {remove_, build_, importButton});
    header_->setObjectName("header");
    outer->addWidget(header_);

    auto* body = new QVBoxLayout;
    body->setContentsMargins(24, 0, 24, 24);
    body->setSpacing(12);
    outer->addLayout(body, 1);

    // The empty library: one card that opens the import sheet.
    auto* emptyContent = new FillButton;
    emptyContent->setObjectName("emptyCard");
    emptyContent->setMinimumHeight(200);
    auto* ec = new QVBoxLayout(emptyContent);
    ec->setSpacing(8);
    ec->addStretch(1);
    ec->addWidget(new kit::IconTile(QStringLiteral("square.and.arrow.down"), 48, false), 0, Qt::AlignHCenter);
    for (auto [t, points, weight, accent] :
         {std::tuple{"Importă un catalog Lightroom ca să poți construi un profil.", 13.0, int(QFont::Normal), false},
          std::tuple{"Recomandat: minim 500 de fotografii editate, din cel puțin 3 evenimente diferite.", 12.0,
                     int(QFont::Normal), false},
          std::tuple{"Apasă aici", 12.0, int(QFont::DemiBold), true}}) {
        auto* l = kit::selectableLabel(text(t), points, weight, !accent);
        l->setTextInteractionFlags(Qt::NoTextInteraction);
        l->setAttribute(Qt::WA_TransparentForMouseEvents);
        if (accent) l->setStyleSheet(QStringLiteral("color:%1;").arg(cssColor(resolved(kit::accentColor()))));
        ec->addWidget(l, 0, Qt::AlignHCenter);
    }
    ec->addStretch(1);
    connect(emptyContent, &QAbstractButton::clicked, model_, [this] { model_->setShowImport(true); });
    auto* emptyGlass = new kit::GlassFrame(kit::GlassTreatment::clear, kit::KitShape::rounded(20));
    auto* eg = new QVBoxLayout(emptyGlass);
    eg->setContentsMargins(0, 0, 0, 0);
    eg->addWidget(emptyContent);
    emptyCard_ = new kit::HoverLift(emptyGlass);
    body->addWidget(emptyCard_);

    filled_ = new QWidget;
    auto* fl = new QVBoxLayout(filled_);
    fl->setContentsMargins(0, 0, 0, 0);
    fl->setSpacing(12);
    guidance_ = kit::selectableLabel(text("Pentru rezultate bune: minim 500 de fotografii editate, din cel puțin 3 evenimente diferite."),
                          12, QFont::Normal, true);
    guidance_->setObjectName("guidance");
    auto* guidanceRow = new QWidget;
    auto* gr = new QHBoxLayout(guidanceRow);
    gr->setContentsMargins(0, 0, 0, 0);
    gr->setSpacing(6);
    gr->addWidget(symbolLabel(QStringLiteral("info.circle"), 12, resolved(kit::mutedColor)));
    gr->addWidget(guidance_, 1);
    guidance_->setProperty("row", QVariant::fromValue<QObject*>(guidanceRow));
    fl->addWidget(guidanceRow);

    profileBar_ = kit::GlassFrame::group(20);
    profileBar_->setObjectName("profileBar");
    new QHBoxLayout(profileBar_);
    fl->addWidget(profileBar_);

    auto* tools = new QHBoxLayout;
    tools->setSpacing(12);
    auto* searchBox = new QWidget;
    searchBox->setObjectName("searchBox");
    searchBox->setMaximumWidth(280);
    auto* sb = new QHBoxLayout(searchBox);
    sb->setContentsMargins(14, 7, 14, 7);
    sb->setSpacing(8);
    sb->addWidget(symbolLabel(QStringLiteral("magnifyingglass"), 13, resolved(kit::mutedColor)));
    search_ = new QLineEdit;
    search_->setObjectName("search");
    search_->setFrame(false);
    search_->setFont(kit::uiFont(13));
    search_->setPlaceholderText(text("Caută catalog"));
    search_->setStyleSheet(QStringLiteral("background:transparent;"));
    connect(search_, &QLineEdit::textEdited, model_, &LibraryModel::setQuery);
    sb->addWidget(search_, 1);
    searchBox->setStyleSheet(QStringLiteral("#searchBox{background:%1;border-radius:15px;}")
                                 .arg(cssColor(kit::withAlpha(resolved(kit::primaryLabelColor), 0.07))));
    tools->addWidget(searchBox, 1);
    tools->addWidget(new kit::CatalogSortPicker);
    tools->addStretch(1);
    incomplete_ = new QCheckBox;
    incomplete_->setObjectName("showIncomplete");
    incomplete_->setFont(kit::uiFont(11));
    kit::setMutedText(incomplete_);
    connect(incomplete_, &QCheckBox::toggled, model_, &LibraryModel::setShowIncomplete);
    tools->addWidget(incomplete_);
    fl->addLayout(tools);

    auto* table = new kit::GlassFrame(kit::GlassTreatment::clear, kit::KitShape::rounded(20));
    table->setObjectName("table");
    auto* tl = new QVBoxLayout(table);
    tl->setContentsMargins(0, 0, 0, 0);
    tl->setSpacing(0);
    auto* head = new QWidget;
    auto* hl = new QHBoxLayout(head);
    hl->setContentsMargins(18, 8, 18, 8);
    hl->setSpacing(12);
    auto headCell = [&](const char* t, int width, Qt::Alignment align, int stretch = 0) {
        hl->addWidget(cell(kit::selectableLabel(text(t), 11, QFont::Medium, true), width, align), stretch);
    };
    headCell("Folosit", 50, Qt::AlignHCenter);
    headCell("Catalog", 0, Qt::AlignLeft, 1);
    headCell("Importat", 96, Qt::AlignLeft);
    headCell("RAW", 64, Qt::AlignRight);
    headCell("Utilizabile", 84, Qt::AlignRight);
    headCell("Stare", 120, Qt::AlignRight);
    tl->addWidget(head);
    tl->addWidget(divider(0));
    auto* scroll = new QScrollArea;
    scroll->setObjectName("rows");
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setStyleSheet(QStringLiteral("QScrollArea{background:transparent;}"));
    auto* rowsContent = new QWidget;
    rowsContent->setObjectName("rowsContent");
    rowsContent->setStyleSheet(QStringLiteral("#rowsContent{background:transparent;}"));
    rows_ = new QVBoxLayout(rowsContent);
    rows_->setContentsMargins(0, 4, 0, 4);
    rows_->setSpacing(0);
    scroll->setWidget(rowsContent);
    scroll->viewport()->setAutoFillBackground(false);
    tl->addWidget(scroll, 1);
    fl->addWidget(table, 1);

    auto* legend = new QHBoxLayout;
    legend->addWidget(kit::selectableLabel(text("Utilizabil = RAW pe disc, cu Exposure și Temperature în catalog."), 11, QFont::Normal, true));
    legend->addStretch(1);
    legend->addWidget(kit::selectableLabel(text("Un catalog = un eveniment la evaluare"), 11, QFont::Normal, true));
    fl->addLayout(legend);
    body->addWidget(filled_, 1);
    body->addStretch(0);

    connect(model_, &LibraryModel::changed, this, &LibraryView::refresh);
    connect(&router_, &model::Router::importRequestedChanged, this, [this] {
        if (isVisible()) model_->takeImportRequest();
    });
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) refresh();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] { refresh(); });
    refresh();
}

LibraryView::~LibraryView() {
    // The sheet lives in the host, which may outlive this screen; an import run closes it itself.
    if (sheet_ && host_) host_->dismiss(sheet_);
}

void LibraryView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    model_->takeImportRequest();
}

void LibraryView::refresh() {
    header_->setSubtitle(model_->subtitle());
    remove_->setEnabled(model_->canRemove());
    build_->setEnabled(model_->canBuild());
    const bool empty = model_->isEmpty();
    emptyCard_->setVisible(empty);
    filled_->setVisible(!empty);
    qobject_cast<QWidget*>(guidance_->property("row").value<QObject*>())->setVisible(model_->showsGuidance());
    incomplete_->setVisible(model_->incompleteCount() > 0);
    incomplete_->setText(withNumbers("Arată și cataloagele cu fișiere lipsă (%1)", {model_->incompleteCount()}));
    incomplete_->setChecked(model_->showIncomplete());
    refreshProfileBar();
    refreshTable();
    syncImportSheet();
}

void LibraryView::refreshProfileBar() {
    const auto profile = model_->chosenProfile();
    profileBar_->setVisible(profile.has_value());
    auto* layout = static_cast<QHBoxLayout*>(profileBar_->layout());
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    profileMenu_ = nullptr;
    if (!profile) return;
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(12);
    layout->addWidget(new kit::IconTile(QStringLiteral("slider.horizontal.3"), 40, true));
    auto* names = new QWidget;
    auto* nl = new QVBoxLayout(names);
    nl->setContentsMargins(0, 0, 0, 0);
    nl->setSpacing(2);
    nl->addWidget(kit::selectableLabel(text("Profilul pe care îl îmbunătățești"), 11, QFont::Normal, true));
    auto* name = kit::selectableLabel(QString::fromStdString(profile->name), 17, QFont::Bold);
    name->setObjectName("profileName");
    nl->addWidget(name);
    layout->addWidget(names);
    if (app_.profiles().size() >= 2) {
        auto* menuLabel = new kit::DropdownLabel(text("Schimbă profilul"), 180);
        menuLabel->setObjectName("changeProfile");
        profileMenu_ = new QMenu(menuLabel);
        const QIcon check(kit::icons::pixmap(QStringLiteral("checkmark"), QSize(14, 14), resolved(kit::mutedColor), 2.0));
        for (const Profile& p : app_.profiles()) {
            QAction* item = profileMenu_->addAction(QString::fromStdString(p.name));
            if (p.id == profile->id) item->setIcon(check);
            connect(item, &QAction::triggered, model_, [this, id = p.id] { model_->pickProfile(id); });
        }
        QMenu* menu = profileMenu_;
        connect(menuLabel, &QAbstractButton::clicked, menuLabel,
                [menu, menuLabel] { menu->popup(menuLabel->mapToGlobal(QPoint(0, menuLabel->height()))); });
        layout->addWidget(menuLabel);
    }
    layout->addStretch(1);
    auto* trailing = new QWidget;
    auto* tl = new QVBoxLayout(trailing);
    tl->setContentsMargins(0, 0, 0, 0);
    if (const auto progress = model_->progress()) {
        tl->setSpacing(4);
        auto* bar = new kit::PillBar(progress->fraction, kit::StatusKind::accent);
        bar->setObjectName("buildBar");
        bar->setFixedWidth(200);
        tl->addWidget(bar, 0, Qt::AlignRight);
        auto* t = kit::selectableLabel(progress->text, 11, QFont::Normal, true);
        t->setObjectName("buildText");
        tl->addWidget(t, 0, Qt::AlignRight);
    } else {
        tl->setSpacing(2);
        auto* count = kit::selectableLabel(QString::number(model_->usedPhotoCount()), 20, QFont::Bold);
        count->setObjectName("usedPhotos");
        tl->addWidget(count, 0, Qt::AlignRight);
        tl->addWidget(kit::selectableLabel(model_->usedCatalogsText(), 11, QFont::Normal, true), 0, Qt::AlignRight);
    }
    layout->addWidget(trailing);
    for (QWidget* w : profileBar_->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) w->show();
}

void LibraryView::refreshTable() {
    while (QLayoutItem* item = rows_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    bool first = true;
    for (const TrainingCatalog& c : model_->rows()) {
        QWidget* row = makeRow(c, first);
        rows_->addWidget(row);
        row->show();
        first = false;
    }
    rows_->addStretch(1);
}

QWidget* LibraryView::makeRow(const TrainingCatalog& catalog, bool first) {
    auto* entry = new QWidget;
    entry->setObjectName("entry");
    entry->setProperty("catalogID", QString::fromStdString(catalog.id.text()));
    auto* v = new QVBoxLayout(entry);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    if (!first) v->addWidget(divider(18));
    auto* line = new QHBoxLayout;
    line->setContentsMargins(18, 0, 18, 0);
    line->setSpacing(12);
    const bool used = model_->isUsed(catalog.id);
    auto* use = new QPushButton;
    use->setObjectName("useButton");
    use->setFlat(true);
    use->setFixedWidth(50);
    use->setProperty("used", used);
    const QColor tone = used ? resolved(kit::accentColor()) : kit::withAlpha(resolved(kit::primaryLabelColor), 0.28);
    use->setIcon(QIcon(kit::icons::pixmap(used ? QStringLiteral("checkmark.circle.fill") : QStringLiteral("circle"),
                                          QSize(20, 20), tone, 2.0)));
    use->setIconSize(QSize(20, 20));
    use->setStyleSheet(QStringLiteral("QPushButton{border:none;background:transparent;}"));
    use->setEnabled(model_->canToggleUse());
    use->setToolTip(model_->useTip());
    connect(use, &QPushButton::clicked, model_, [this, id = catalog.id, used] { model_->toggleUsed(id, used); });
    line->addWidget(use);

    const bool selected = model_->selection().count(catalog.id) > 0;
    auto* row = new FillButton;
    row->setObjectName("catalogRow");
    row->setProperty("selected", selected);
    const QColor accent = resolved(kit::accentColor());
    row->setLook(selected ? kit::withAlpha(accent, 0.12) : QColor(Qt::transparent), Qt::transparent, 0, 8);
    row->setHoverFill(kit::withAlpha(resolved(kit::primaryLabelColor), 0.05));
    connect(row, &QAbstractButton::clicked, model_, [this, id = catalog.id] { model_->toggleSelection(id); });
    auto* cells = new QHBoxLayout(row);
    cells->setContentsMargins(18, 8, 18, 8);
    cells->setSpacing(12);
    auto* symbol = symbolLabel(QStringLiteral("camera.aperture"), 13, selected ? accent : resolved(kit::mutedColor));
    symbol->setFixedWidth(18);
    cells->addWidget(symbol);
    auto* name = elidedLabel(QString::fromStdString(catalog.name), 13.5, QFont::Medium, false, Qt::ElideRight, 300);
    name->setTextInteractionFlags(Qt::NoTextInteraction);
    cells->addWidget(name, 1);
    cells->addWidget(cell(kit::selectableLabel(catalogDateText(catalog.imported), 12, QFont::Normal, true), 96, Qt::AlignLeft));
    cells->addWidget(cell(kit::selectableLabel(QString::number(catalog.photos), 13, QFont::Normal, true), 64, Qt::AlignRight));
    cells->addWidget(cell(kit::selectableLabel(QString::number(catalog.usable), 13, QFont::DemiBold), 84, Qt::AlignRight));
    auto* state = new QWidget;
    state->setFixedWidth(120);
    auto* sl = new QHBoxLayout(state);
    sl->setContentsMargins(0, 0, 0, 0);
    sl->setSpacing(4);
    sl->addStretch(1);
    const bool complete = catalog.rawMissing < 1;
    const QColor stateColor = resolved(complete ? kit::okColor : kit::warnColor);
    if (complete) sl->addWidget(symbolLabel(QStringLiteral("checkmark"), 11, stateColor));
    auto* stateText = kit::selectableLabel(complete ? text("complet") : withNumbers("%1 lipsă", {catalog.rawMissing}), 12, QFont::Medium);
    stateText->setObjectName("state");
    stateText->setTextInteractionFlags(Qt::NoTextInteraction);
    stateText->setStyleSheet(QStringLiteral("color:%1;").arg(cssColor(stateColor)));
    sl->addWidget(stateText);
    cells->addWidget(state);
    line->addWidget(row, 1);
    v->addLayout(line);
    return entry;
}

void LibraryView::syncImportSheet() {
    if (model_->showImport() && !sheet_ && host_) {
        auto* sheet = new ImportCatalogsSheet(app_, router_, services_);
        sheet_ = sheet;
        connect(sheet, &ImportCatalogsSheet::dismissRequested, this, [this, sheet] {
            if (host_) host_->dismiss(sheet);
            model_->importSheetClosed();
        });
        host_->present(sheet);
    }
}

}  // namespace orvane::library
