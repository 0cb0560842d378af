#include "app/profiles/profiles_list.h"

#include <QHBoxLayout>
#include <QMenu>
#include <QVBoxLayout>

#include "app/kit/buttons.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/localization.h"
#include "app/kit/palette.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/profiles/profile_card.h"
#include "app/profiles/profiles_texts.h"

namespace orvane::profiles {

namespace {

kit::KitButton* button(const QString& text, kit::ButtonLook look, const QString& name, const QString& symbol = {}) {
    auto* b = new kit::KitButton(kit::localized(text), look);
    b->setSymbol(symbol);
    b->setObjectName(name);
    return b;
}

}  // namespace

ProfilesListView::ProfilesListView(model::AppModel& model, model::Router& router, QWidget* parent)
    : QScrollArea(parent), list_(model, router) {
    registerProfilesTexts();
    setObjectName(QStringLiteral("profilesList"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);

    auto* content = new QWidget;
    // The window's backdrop shows through the page.
    for (QWidget* w : {static_cast<QWidget*>(this), viewport(), content}) {
        QPalette p = w->palette();
        p.setBrush(QPalette::Window, Qt::transparent);
        w->setPalette(p);
        w->setAutoFillBackground(false);
    }
    auto* page = new QHBoxLayout(content);
    page->setContentsMargins(0, 0, 0, 0);
    auto* columnWidget = new QWidget;
    columnWidget->setMaximumWidth(980);
    column_ = new QVBoxLayout(columnWidget);
    column_->setContentsMargins(24, 24, 24, 24);
    column_->setSpacing(16);
    // The column keeps to the leading edge on wide windows.
    page->addWidget(columnWidget, 1);
    page->addStretch(0);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    auto* title = new kit::KitLabel(QString::fromUtf8("Profiluri AI"), kit::trackedFont(28, QFont::Bold, -0.5));
    title->setLocalized(true);
    title->setObjectName(QStringLiteral("title"));
    header->addWidget(title);
    header->addStretch(1);
    actions_ = new QHBoxLayout;
    actions_->setSpacing(8);
    header->addLayout(actions_);
    column_->addLayout(header);

    rowsHost_ = new QVBoxLayout;
    rowsHost_->setSpacing(0);
    column_->addLayout(rowsHost_);
    column_->addStretch(1);
    setWidget(content);

    auto refresh = [this] {
        rebuildHeader();
        rebuildRows();
    };
    connect(&model, &model::AppModel::profilesChanged, this, refresh);
    connect(&model, &model::AppModel::catalogsChanged, this, refresh);
    // Progress reports change the build many times a second; the rows only care which profile trains.
    connect(&model, &model::AppModel::profileBuildChanged, this, [this, refresh] {
        const auto& build = list_.appModel().profileBuild();
        const std::optional<Uuid> training = build ? std::optional<Uuid>(build->profileID) : std::nullopt;
        if (training == training_) return;
        refresh();
    });
    connect(&router, &model::Router::preferredProfileChanged, this, refresh);
    connect(&list_, &ProfilesListModel::selectionChanged, this, refresh);
    refresh();
}

void ProfilesListView::clear(QLayout* layout) {
    // Later, not now: the button whose click led here may still be running its handler.
    while (QLayoutItem* item = layout->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
}

QWidget* ProfilesListView::control(const QString& name) const {
    for (int i = 0; i < actions_->count(); ++i)
        if (QWidget* w = actions_->itemAt(i)->widget(); w && w->objectName() == name) return w;
    return nullptr;
}

void ProfilesListView::rebuildHeader() {
    clear(actions_);
    if (exportMenu_) exportMenu_->deleteLater();
    if (!list_.selecting()) {
        if (!list_.profiles().empty()) {
            auto* select = button("Selectează", kit::ButtonLook::outline, "select");
            connect(select, &QAbstractButton::clicked, &list_, &ProfilesListModel::startSelecting);
            actions_->addWidget(select);
        }
        auto* import = button("Importă profil", kit::ButtonLook::outline, "import", "square.and.arrow.down");
        connect(import, &QAbstractButton::clicked, &list_, &ProfilesListModel::importProfile);
        actions_->addWidget(import);

        auto* exportButton = button("Exportă profil", kit::ButtonLook::outline, "export", "square.and.arrow.up");
        auto* menu = new QMenu(this);
        for (const Profile& p : list_.builtProfiles()) {
            ProfilesListModel* list = &list_;
            menu->addAction(QString::fromStdString(p.name), menu, [list, p] { list->exportProfile(p); });
        }
        exportMenu_ = menu;
        exportButton->setEnabled(!menu->actions().isEmpty());
        connect(exportButton, &QAbstractButton::clicked, menu, [menu, exportButton] {
            menu->popup(exportButton->mapToGlobal(QPoint(0, exportButton->height() + 4)));
        });
        actions_->addWidget(exportButton);

        auto* add = button("Profil nou", kit::ButtonLook::accent, "newProfile");
        connect(add, &QAbstractButton::clicked, this, [this] { list_.router().setShowNewProfile(true); });
        actions_->addWidget(add);
        return;
    }
    auto* count = new kit::KitLabel(list_.selectionText(), kit::uiFont(kit::TextStyle::body));
    count->setColor(kit::mutedColor);
    count->setObjectName(QStringLiteral("selectionText"));
    actions_->addWidget(count);
    auto* all = button(list_.selectAllTitle(), kit::ButtonLook::outline, "selectAll");
    connect(all, &QAbstractButton::clicked, &list_, &ProfilesListModel::toggleAll);
    actions_->addWidget(all);
    auto* rename = button("Redenumește", kit::ButtonLook::outline, "rename", "pencil");
    rename->setEnabled(list_.canRename());
    connect(rename, &QAbstractButton::clicked, &list_, &ProfilesListModel::renameSelected);
    actions_->addWidget(rename);
    auto* trash = button(QString(), kit::ButtonLook::outline, "trash", "trash");
    trash->setEnabled(list_.canDelete());
    kit::quickTip(trash, QString::fromUtf8("Șterge"));
    connect(trash, &QAbstractButton::clicked, &list_, &ProfilesListModel::deleteSelected);
    actions_->addWidget(trash);
    auto* done = button("Gata", kit::ButtonLook::accent, "done");
    connect(done, &QAbstractButton::clicked, &list_, &ProfilesListModel::endSelecting);
    actions_->addWidget(done);
}

void ProfilesListView::rebuildRows() {
    const auto& build = list_.appModel().profileBuild();
    training_ = build ? std::optional<Uuid>(build->profileID) : std::nullopt;
    clear(rowsHost_);
    cards_.clear();
    empty_ = nullptr;
    if (list_.profiles().empty()) {
        empty_ = new ProfilesEmptyState(list_.anyCatalog());
        connect(empty_, &QAbstractButton::clicked, this, [this] { list_.router().setShowNewProfile(true); });
        rowsHost_->addWidget(new kit::HoverLift(empty_));
        return;
    }
    auto* card = new kit::GlassFrame(kit::GlassTreatment::clear, kit::KitShape::rounded(12));
    auto* rows = new QVBoxLayout(card);
    rows->setContentsMargins(0, 0, 0, 0);
    rows->setSpacing(0);
    int index = 0;
    for (const Profile& p : list_.profiles()) {
        auto* row = new ProfileCard(list_, p, index++);
        cards_.push_back(row);
        rows->addWidget(row);
    }
    rowsHost_->addWidget(card);
}

}  // namespace orvane::profiles
