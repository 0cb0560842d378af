#include "app/library/import_catalogs_sheet.h"

#include <QCheckBox>
#include <QGraphicsOpacityEffect>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
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
#include "app/library/library_texts.h"
#include "app/library/library_widgets.h"
#include "app/model/app_model.h"

namespace orvane::library {

namespace {

QColor markColor(FoundRow::MarkTone tone) {
    switch (tone) {
        case FoundRow::MarkTone::muted: return resolved(kit::mutedColor);
        case FoundRow::MarkTone::faint: return kit::withAlpha(resolved(kit::mutedColor), 0.5);
        case FoundRow::MarkTone::accent: return resolved(kit::accentColor());
        case FoundRow::MarkTone::success: return resolved(kit::okColor);
    }
    return {};
}

QString markSymbol(FoundRow::Mark mark) {
    switch (mark) {
        case FoundRow::Mark::circle: return QStringLiteral("circle");
        case FoundRow::Mark::minusCircle: return QStringLiteral("minus.circle");
        case FoundRow::Mark::checkmark: return QStringLiteral("checkmark.circle.fill");
    }
    return {};
}

QColor softFill() {
    const bool dark = kit::Appearance::instance().isDark();
    return QColor(255, 255, 255, int((dark ? 0.09 : 0.62) * 255));
}

}  // namespace

ImportCatalogsSheet::ImportCatalogsSheet(model::AppModel& app, model::Router& router, ImportSheetServices services,
                                         QWidget* parent)
    : kit::GlassSheet(true, parent) {
    setProperty("sheetTitle", text("Importă cataloage"));
    setFixedWidth(sheetWidth);
    model_ = new ImportSheetModel(app, router, std::move(services), this);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(24, 24, 24, 24);
    outer->setSpacing(16);
    outer->setSizeConstraint(QLayout::SetFixedSize);

    // 1. Header.
    const SheetHeading heading = sheetHeading(QStringLiteral("square.and.arrow.down"), text("Importă cataloage"), "status");
    auto* header = heading.row;
    status_ = heading.subtitle;
    header->addStretch(1);
    spinner_ = busyIndicator();
    header->addWidget(spinner_);
    header->addWidget(new kit::CatalogSortPicker);
    header->addSpacing(36);
    outer->addLayout(header);

    // 2. Profile row.
    auto* profileRow = kit::GlassFrame::group(14);
    auto* pr = new QHBoxLayout(profileRow);
    pr->setContentsMargins(12, 10, 12, 10);
    pr->setSpacing(12);
    pr->addWidget(new kit::IconTile(QStringLiteral("slider.horizontal.3"), 36, true));
    auto* prText = new QVBoxLayout;
    prText->setSpacing(1);
    prText->addWidget(kit::selectableLabel(text("Cu cataloagele importate antrenezi profilul"), 13.5, QFont::DemiBold));
    prText->addWidget(kit::selectableLabel(text("Alege profilul din meniu"), 11, QFont::Normal, true));
    pr->addLayout(prText);
    pr->addStretch(1);
    profileLabel_ = new kit::DropdownLabel(QString(), 230);
    profileLabel_->setObjectName("profileMenu");
    profileMenu_ = new QMenu(profileLabel_);
    connect(profileLabel_, &QAbstractButton::clicked, this, [this] {
        fillProfileMenu();
        profileMenu_->popup(profileLabel_->mapToGlobal(QPoint(0, profileLabel_->height())));
    });
    pr->addWidget(profileLabel_);
    outer->addWidget(profileRow);

    // 3. Search row.
    auto* searchRow = new QWidget;
    searchRow->setObjectName("searchRow");
    auto* sr = new QHBoxLayout(searchRow);
    sr->setContentsMargins(12, 9, 12, 9);
    sr->setSpacing(8);
    sr->addWidget(symbolLabel(QStringLiteral("magnifyingglass"), 13, resolved(kit::mutedColor)));
    search_ = new QLineEdit;
    search_->setObjectName("search");
    search_->setFrame(false);
    search_->setFont(kit::uiFont(13));
    search_->setPlaceholderText(text("Caută după nume sau folder"));
    search_->setStyleSheet(QStringLiteral("background:transparent;"));
    connect(search_, &QLineEdit::textEdited, model_, &ImportSheetModel::setQuery);
    sr->addWidget(search_, 1);
    selectAll_ = new QPushButton;
    selectAll_->setObjectName("selectAll");
    selectAll_->setFlat(true);
    selectAll_->setCursor(Qt::PointingHandCursor);
    selectAll_->setFont(kit::uiFont(13, QFont::Medium));
    connect(selectAll_, &QPushButton::clicked, model_, &ImportSheetModel::toggleSelectAll);
    sr->addWidget(selectAll_);
    searchRow->setStyleSheet(QStringLiteral("#searchRow{background:%1;border-radius:8px;}").arg(cssColor(softFill())));
    outer->addWidget(searchRow);

    // 4. List.
    auto* scroll = new QScrollArea;
    scroll->setObjectName("list");
    scroll->setFixedHeight(listHeight);
    // The list keeps the sheet at its width: the column's fixed size follows its widest part, and the
    // rows give way (their folders cut shorter) rather than widen the sheet or lose their dates.
    scroll->setFixedWidth(sheetWidth - 2 * 24);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    scroll->setStyleSheet(QStringLiteral("QScrollArea{background:transparent;}"));
    listContent_ = new QWidget;
    listContent_->setObjectName("listContent");
    listContent_->setAttribute(Qt::WA_TranslucentBackground);
    listContent_->setStyleSheet(QStringLiteral("#listContent{background:transparent;}"));
    list_ = new QVBoxLayout(listContent_);
    list_->setContentsMargins(0, 0, 4, 0);
    list_->setSpacing(8);
    scroll->setWidget(listContent_);
    scroll->viewport()->setAutoFillBackground(false);
    outer->addWidget(scroll);

    // 5. Switch row.
    invalidSwitch_ = new QCheckBox;
    invalidSwitch_->setObjectName("showInvalid");
    invalidSwitch_->setFont(kit::uiFont(12));
    kit::setMutedText(invalidSwitch_);
    connect(invalidSwitch_, &QCheckBox::toggled, model_, &ImportSheetModel::setShowInvalid);
    outer->addWidget(invalidSwitch_);

    // 6. Footer.
    auto* footer = new QWidget;
    footer->setProperty("controlSize", "large");
    auto* fr = new QHBoxLayout(footer);
    fr->setContentsMargins(0, 0, 0, 0);
    fr->setSpacing(10);
    choose_ = new kit::KitButton(text("Alege manual…"), kit::ButtonLook::outline);
    choose_->setObjectName("chooseManually");
    connect(choose_, &QAbstractButton::clicked, model_, &ImportSheetModel::chooseCatalogFiles);
    fr->addWidget(choose_);
    fr->addStretch(1);
    progressBar_ = new QProgressBar;
    progressBar_->setObjectName("progress");
    progressBar_->setFixedWidth(140);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(6);
    fr->addWidget(progressBar_);
    progressText_ = kit::selectableLabel(QString(), 12, QFont::Normal, true);
    progressText_->setObjectName("progressText");
    fr->addWidget(progressText_);
    cancel_ = new kit::KitButton(text("Anulează"), kit::ButtonLook::outline);
    cancel_->setObjectName("cancel");
    connect(cancel_, &QAbstractButton::clicked, model_, &ImportSheetModel::dismiss);
    fr->addWidget(cancel_);
    import_ = new kit::KitButton(text("Importă"), kit::ButtonLook::accent);
    import_->setObjectName("import");
    connect(import_, &QAbstractButton::clicked, model_, &ImportSheetModel::importSelected);
    fr->addWidget(import_);
    outer->addWidget(footer);

    // 7. Caption.
    auto* caption = kit::selectableLabel(text("Cataloagele se copiază în aplicație (verificat SHA-256); originalele nu se "
                                   "modifică. Lightroom trebuie să fie închis."),
                              11, QFont::Normal, true);
    caption->setWordWrap(true);
    outer->addWidget(caption);

    close_ = kit::SheetCloseButton::overlay(this);
    connect(close_, &kit::SheetCloseButton::clicked, model_, &ImportSheetModel::dismiss);

    connect(model_, &ImportSheetModel::changed, this, &ImportCatalogsSheet::refresh);
    connect(model_, &ImportSheetModel::dismissRequested, this, &ImportCatalogsSheet::dismissRequested);
    connect(&kit::KitSettings::instance(), &kit::KitSettings::changed, this, [this](const QString& key) {
        if (key == QLatin1String(DefaultsKeys::catalogSort)) refresh();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] { refresh(); });
    refresh();
    model_->start();
}

void ImportCatalogsSheet::fillProfileMenu() {
    profileMenu_->clear();
    const auto picked = model_->pickedProfile();
    const QIcon check(kit::icons::pixmap(QStringLiteral("checkmark"), QSize(14, 14), resolved(kit::mutedColor), 2.0));
    // Every profile in the model's order, then the choice of none.
    for (const Profile& p : model_->profiles()) {
        QAction* item = profileMenu_->addAction(QString::fromStdString(p.name));
        if (picked && picked->id == p.id) item->setIcon(check);
        connect(item, &QAction::triggered, model_, [this, id = p.id] { model_->pickProfile(id); });
    }
    profileMenu_->addSeparator();
    QAction* none = profileMenu_->addAction(text("Doar importă, fără profil"));
    if (model_->noProfile()) none->setIcon(check);
    connect(none, &QAction::triggered, model_, &ImportSheetModel::pickNoProfile);
}

void ImportCatalogsSheet::refresh() {
    const bool importing = model_->progress().has_value();
    status_->setText(model_->statusLine());
    spinner_->setVisible(model_->showsSpinner());
    profileLabel_->setText(model_->profileMenuTitle());
    selectAll_->setText(model_->selectAllTitle());
    selectAll_->setEnabled(model_->canSelectAll());
    selectAll_->setStyleSheet(QStringLiteral("QPushButton{color:%1;border:none;background:transparent;}"
                                             "QPushButton:disabled{color:%2;}")
                                  .arg(cssColor(resolved(kit::accentColor())),
                                       cssColor(kit::withAlpha(resolved(kit::accentColor()), 0.4))));
    invalidSwitch_->setVisible(model_->showsInvalidSwitch());
    invalidSwitch_->setText(model_->invalidSwitchTitle());
    invalidSwitch_->setChecked(model_->showInvalid());
    choose_->setEnabled(model_->canClose());
    cancel_->setEnabled(model_->canClose());
    close_->setDisabledLook(!model_->canClose());
    import_->setText(model_->importTitle());
    import_->setEnabled(model_->canImport());
    progressBar_->setVisible(importing);
    progressText_->setVisible(importing);
    if (const auto p = model_->progress()) {
        progressBar_->setRange(0, std::max(p->second, 1));
        progressBar_->setValue(std::min(p->first, std::max(p->second, 1)));
        progressText_->setText(withNumbers("%1 din %2", {p->first, p->second}));
    }
    import_->updateGeometry();
    refreshList();
}

void ImportCatalogsSheet::refreshList() {
    auto* scroll = qobject_cast<QScrollArea*>(listContent_->parentWidget()->parentWidget());
    const int at = scroll ? scroll->verticalScrollBar()->value() : 0;
    while (QLayoutItem* item = list_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    // Shown at once, not on the next turn of the loop, so the list never shows a gap.
    for (const FoundCatalog& c : model_->filteredFoundCatalogs()) {
        QWidget* row = makeRow(c);
        list_->addWidget(row);
        row->show();
    }
    const QString empty = model_->emptyText();
    if (!empty.isEmpty()) {
        auto* e = kit::selectableLabel(empty, 13, QFont::Normal, true);
        e->setObjectName("emptyText");
        e->setAlignment(Qt::AlignCenter);
        e->setMinimumHeight(120);
        list_->addWidget(e);
        e->show();
    }
    list_->addStretch(1);
    if (scroll) scroll->verticalScrollBar()->setValue(at);
}

QWidget* ImportCatalogsSheet::makeRow(const FoundCatalog& catalog) {
    const FoundRow r = model_->row(catalog);
    auto* row = new FillButton;
    row->setObjectName("catalogRow");
    // As wide as the list, never wider: a button's own policy would hold it at its full hint.
    row->setSizePolicy(QSizePolicy::Preferred, row->sizePolicy().verticalPolicy());
    row->setProperty("path", QString::fromStdString(catalog.id()));
    row->setProperty("state", int(r.state));
    row->setProperty("pill", r.pill);
    row->setProperty("detail", r.detail);
    row->setProperty("sameName", r.sameName);
    row->setProperty("mark", markSymbol(r.mark));
    const QColor accent = resolved(kit::accentColor());
    row->setLook(r.selected ? kit::withAlpha(accent, 0.16) : softFill(), r.selected ? accent : QColor(Qt::transparent),
                 1.5, 8);
    row->setCursor(r.selectable ? Qt::PointingHandCursor : Qt::ArrowCursor);
    const std::string path = catalog.id();
    connect(row, &QAbstractButton::clicked, model_, [this, path] { model_->toggle(path); });

    auto* h = new QHBoxLayout(row);
    h->setContentsMargins(12, 9, 12, 9);
    h->setSpacing(12);
    h->addWidget(symbolLabel(markSymbol(r.mark), 20, markColor(r.markTone)));
    auto* texts = new QVBoxLayout;
    texts->setSpacing(1);
    auto* nameLine = new QHBoxLayout;
    nameLine->setSpacing(6);
    auto* name = elidedLabel(QString::fromStdString(catalog.name()), 14, QFont::DemiBold, false, Qt::ElideRight,
                             r.sameName ? 240 : 340);
    name->setTextInteractionFlags(Qt::NoTextInteraction);
    nameLine->addWidget(name);
    if (r.sameName) {
        auto* badge = new QWidget;
        badge->setObjectName("sameNameBadge");
        auto* b = new QHBoxLayout(badge);
        b->setContentsMargins(8, 3, 8, 3);
        b->setSpacing(4);
        b->addWidget(symbolLabel(QStringLiteral("square.on.square"), 10, resolved(kit::mutedColor)));
        auto* bt = kit::selectableLabel(text("același nume"), 11, QFont::Medium, true);
        bt->setTextInteractionFlags(Qt::NoTextInteraction);
        b->addWidget(bt);
        QColor primary = resolved(kit::primaryLabelColor);
        badge->setStyleSheet(QStringLiteral("#sameNameBadge{background:%1;border-radius:9px;}")
                                 .arg(cssColor(kit::withAlpha(primary, 0.07))));
        badge->setToolTip(text("Alt catalog cu același nume există în alt folder"));
        nameLine->addWidget(badge);
    }
    nameLine->addStretch(1);
    texts->addLayout(nameLine);
    auto* folder = elidedLabel(QString::fromStdString(catalog.folder()), 11, QFont::Normal, true, Qt::ElideMiddle, 380);
    folder->setTextInteractionFlags(Qt::NoTextInteraction);
    texts->addWidget(folder);
    h->addLayout(texts, 1);
    h->addSpacing(12);
    if (r.spinner) {
        h->addWidget(busyIndicator());
    } else {
        auto* status = new QVBoxLayout;
        status->setSpacing(2);
        auto* pill = new kit::StatusPill(r.pill, r.pillSymbol, r.pillKind);
        pill->setObjectName("pill");
        status->addWidget(pill, 0, Qt::AlignRight);
        if (!r.detail.isEmpty()) {
            auto* detail = kit::selectableLabel(r.detail, 10, QFont::Normal, true);
            detail->setTextInteractionFlags(Qt::NoTextInteraction);
            status->addWidget(detail, 0, Qt::AlignRight);
        }
        h->addLayout(status);
    }
    auto* date = kit::selectableLabel(catalogDateText(catalog.modified), 11, QFont::Normal, true);
    date->setTextInteractionFlags(Qt::NoTextInteraction);
    date->setFixedWidth(84);
    date->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    h->addWidget(date);
    if (r.opacity < 1.0) {
        auto* effect = new QGraphicsOpacityEffect(row);
        effect->setOpacity(r.opacity);
        row->setGraphicsEffect(effect);
    }
    return row;
}

void ImportCatalogsSheet::keyPressEvent(QKeyEvent* event) {
    // Return is the import button: nothing while it is disabled (no tick, or an import under way).
    const bool handled = handleSheetKeys(
        event, [this] { if (import_->isEnabled()) model_->importSelected(); }, [this] { model_->dismiss(); });
    if (!handled) kit::GlassSheet::keyPressEvent(event);
}

}  // namespace orvane::library
