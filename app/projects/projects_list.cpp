#include "app/projects/projects_list.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPainter>
#include <QVBoxLayout>

#include "app/kit/appearance.h"
#include "app/kit/buttons.h"
#include "app/kit/cards.h"
#include "app/kit/fonts.h"
#include "app/kit/glass.h"
#include "app/kit/localization.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/kit/tooltips.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/project_cover.h"
#include "app/projects/project_row.h"

namespace orvane::projects {

namespace {

bool dark() { return kit::Appearance::instance().isDark(); }

kit::KitButton* button(const QString& text, kit::ButtonLook look, const QString& name, const QString& symbol = {}) {
    auto* b = new kit::KitButton(kit::localized(text), look);
    b->setSymbol(symbol);
    b->setObjectName(name);
    return b;
}

// The card shown while there is no project at all: it opens the quick-edit sheet (or, without a built
// profile, the new-profile sheet) and is never disabled.
class EmptyProjectsCard final : public QAbstractButton {
public:
    explicit EmptyProjectsCard(bool profileBuilt) {
        setObjectName(QStringLiteral("emptyState"));
        setCursor(Qt::PointingHandCursor);
        setMinimumHeight(220);
        setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Minimum);
        auto* v = new QVBoxLayout(this);
        v->setContentsMargins(24, 24, 24, 24);
        v->setSpacing(8);
        v->addStretch(1);
        v->addWidget(new kit::IconTile(profileBuilt ? QStringLiteral("plus") : QStringLiteral("photo.stack"), 48, false),
                     0, Qt::AlignHCenter);
        auto* title = new kit::KitLabel(QString::fromUtf8("Niciun proiect încă"),
                                        kit::uiFont(kit::TextStyle::headline, QFont::DemiBold));
        title->setLocalized(true);
        v->addWidget(title, 0, Qt::AlignHCenter);
        auto* text = new kit::KitLabel(
            profileBuilt ? QString::fromUtf8("Apasă aici ca să începi: alegi un catalog Lightroom și folderele pe care "
                                             "vrei să le editezi.")
                         : QString::fromUtf8("Construiește mai întâi un profil în Profiluri AI."),
            kit::uiFont(kit::TextStyle::body));
        text->setObjectName(QStringLiteral("emptyText"));
        text->setLocalized(true);
        text->setColor(kit::mutedColor);
        text->setMaxLines(0);
        text->setAlignment(Qt::AlignHCenter);
        v->addWidget(text);
        v->addStretch(1);
        for (QWidget* child : findChildren<QWidget*>()) child->setAttribute(Qt::WA_TransparentForMouseEvents);
    }
    QSize sizeHint() const override { return layout()->sizeHint().expandedTo({0, 220}); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        kit::paintGlass(p, this, kit::KitShape::rounded(20), kit::GlassTreatment::clear);
    }
};

// The search field: a magnifier and a plain field on a faint rounded plate, 110 to 230 wide.
class SearchBox final : public QWidget {
public:
    SearchBox() {
        setObjectName(QStringLiteral("search"));
        setMinimumWidth(110);
        setMaximumWidth(230);
        auto* row = new QHBoxLayout(this);
        row->setContentsMargins(10, 6, 10, 6);
        row->setSpacing(6);
        auto* glass = new kit::SymbolView(QStringLiteral("magnifyingglass"), 13);
        glass->setInk(kit::mutedColor);
        row->addWidget(glass);
        field = new QLineEdit;
        field->setObjectName(QStringLiteral("searchField"));
        field->setFrame(false);
        field->setFont(kit::uiFont(kit::TextStyle::body));
        field->setPlaceholderText(kit::localized("Caută proiect"));
        field->setAttribute(Qt::WA_MacShowFocusRect, false);
        row->addWidget(field, 1);
        restyle();
        connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] { restyle(); });
    }
    QSize sizeHint() const override { return {230, QWidget::sizeHint().height()}; }
    QLineEdit* field;

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(kit::withAlpha(kit::primaryLabelColor.resolve(dark()), 0.07));
        p.drawRoundedRect(QRectF(rect()), 8, 8);
    }

private:
    void restyle() {
        field->setStyleSheet(QStringLiteral("QLineEdit{background:transparent;color:%1;}")
                                 .arg(kit::primaryLabelColor.resolve(dark()).name()));
    }
};

}  // namespace

ProjectsListView::ProjectsListView(model::AppModel& app, model::Router& router, QWidget* parent)
    : QScrollArea(parent), list_(app, router), covers_(CoverLoader::of(app)) {
    setObjectName(QStringLiteral("projectsList"));
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAsNeeded);

    auto* page = new QWidget;
    // The window's backdrop shows through the page.
    for (QWidget* w : {static_cast<QWidget*>(this), viewport(), page}) {
        QPalette p = w->palette();
        p.setBrush(QPalette::Window, Qt::transparent);
        w->setPalette(p);
        w->setAutoFillBackground(false);
    }
    auto* pageRow = new QHBoxLayout(page);
    pageRow->setContentsMargins(0, 0, 0, 0);
    auto* columnWidget = new QWidget;
    columnWidget->setMaximumWidth(980);
    auto* column = new QVBoxLayout(columnWidget);
    column->setContentsMargins(24, 24, 24, 24);
    column->setSpacing(24);
    // The column keeps to the leading edge on wide windows.
    pageRow->addWidget(columnWidget, 1);
    pageRow->addStretch(0);

    auto* header = new QHBoxLayout;
    header->setSpacing(12);
    auto* title = new kit::KitLabel(QString::fromUtf8("Proiecte"), kit::trackedFont(28, QFont::Bold, -0.5));
    title->setLocalized(true);
    title->setObjectName(QStringLiteral("title"));
    header->addWidget(title);
    header->addStretch(1);

    selectionLabel_ = new kit::KitLabel(QString(), kit::uiFont(kit::TextStyle::body));
    selectionLabel_->setColor(kit::mutedColor);
    selectionLabel_->setObjectName(QStringLiteral("selectionText"));
    selectionText_ = selectionLabel_;
    header->addWidget(selectionLabel_);
    selectAll_ = button(QString(), kit::ButtonLook::outline, "selectAll");
    connect(selectAll_, &QAbstractButton::clicked, &list_, &ProjectsListModel::toggleAll);
    header->addWidget(selectAll_);
    renameSelected_ = button("Redenumește", kit::ButtonLook::outline, "rename", "pencil");
    connect(renameSelected_, &QAbstractButton::clicked, &list_, &ProjectsListModel::renameSelected);
    header->addWidget(renameSelected_);
    trashSelected_ = button(QString(), kit::ButtonLook::outline, "trash", "trash");
    kit::quickTip(trashSelected_, QString::fromUtf8("Șterge"));
    connect(trashSelected_, &QAbstractButton::clicked, &list_, &ProjectsListModel::deleteSelected);
    header->addWidget(trashSelected_);
    done_ = button("Gata", kit::ButtonLook::accent, "done");
    connect(done_, &QAbstractButton::clicked, &list_, &ProjectsListModel::endSelecting);
    header->addWidget(done_);

    auto* search = new SearchBox;
    search_ = search;
    searchField_ = search->field;
    connect(searchField_, &QLineEdit::textChanged, &list_, &ProjectsListModel::setQuery);
    header->addWidget(search_);
    select_ = button("Selectează", kit::ButtonLook::outline, "select");
    connect(select_, &QAbstractButton::clicked, &list_, &ProjectsListModel::startSelecting);
    header->addWidget(select_);
    newProject_ = button("Proiect nou", kit::ButtonLook::accent, "newProject", "plus");
    newProject_->setProperty("controlSize", QStringLiteral("large"));
    connect(newProject_, &QAbstractButton::clicked, &list_, &ProjectsListModel::newProject);
    header->addWidget(newProject_);
    column->addLayout(header);

    content_ = new QVBoxLayout;
    content_->setSpacing(24);
    column->addLayout(content_);
    column->addStretch(1);
    setWidget(page);

    thumbStash_ = new QWidget(this);
    thumbStash_->hide();

    // A click anywhere on the page ends a rename under way, and the click still does its own work. The
    // page takes no focus itself: a click on a row's button must not pull the focus from the field.
    setFocusPolicy(Qt::NoFocus);
    qApp->installEventFilter(this);

    connect(&app, &model::AppModel::projectsChanged, this, &ProjectsListView::refresh);
    connect(&app, &model::AppModel::profilesChanged, this, &ProjectsListView::refresh);
    // Queued: reading a row's busy state makes its job, which announces itself here.
    connect(&app, &model::AppModel::activeJobsChanged, this, &ProjectsListView::refresh, Qt::QueuedConnection);
    connect(&list_, &ProjectsListModel::changed, this, &ProjectsListView::refresh);
    connect(&list_, &ProjectsListModel::hoverChanged, this, [this] {
        for (auto& [id, row] : rows_) row->syncHover();
    });
    connect(&kit::Appearance::instance(), &kit::Appearance::changed, this, [this] { viewport()->update(); });
    refresh();
}

ProjectsListView::~ProjectsListView() { qApp->removeEventFilter(this); }

bool ProjectsListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonPress && list_.renamingID() && watched->isWidgetType()) {
        auto* target = static_cast<QWidget*>(watched);
        const ProjectRow* renaming = row(*list_.renamingID());
        // The field itself, "Gata" and the cross end the rename their own way.
        const bool own = renaming && (target == renaming->renameField() || target == renaming->control("renameDone") ||
                                      target == renaming->control("renameCancel"));
        if (!own && (target == viewport() || viewport()->isAncestorOf(target))) list_.commitPendingRename();
    }
    return QScrollArea::eventFilter(watched, event);
}

void ProjectsListView::refresh() {
    syncHeader();
    syncContent();
}

void ProjectsListView::syncHeader() {
    const bool selecting = list_.selecting();
    const bool any = list_.hasProjects();
    selectionLabel_->setText(list_.selectionText());
    selectAll_->setText(list_.selectAllTitle());
    renameSelected_->setEnabled(list_.canRenameSelected());
    trashSelected_->setEnabled(list_.canDeleteSelected());
    for (QWidget* w : std::initializer_list<QWidget*>{selectionLabel_, selectAll_, renameSelected_, trashSelected_, done_})
        w->setVisible(selecting);
    search_->setVisible(!selecting && any);
    select_->setVisible(!selecting && any);
    newProject_->setVisible(!selecting);
    const bool canCreate = list_.canCreateProject();
    newProject_->setEnabled(canCreate);
    kit::quickTip(newProject_, canCreate ? QString() : QString::fromUtf8("Construiește mai întâi un profil"));
}

void ProjectsListView::clearContent() {
    // Later, not now: the button whose click led here may still be running its handler.
    while (QLayoutItem* item = content_->takeAt(0)) {
        if (QWidget* w = item->widget()) {
            w->hide();
            w->deleteLater();
        }
        delete item;
    }
    empty_ = nullptr;
    nothingFound_ = nullptr;
    sections_.clear();
    sectionHeaders_.clear();
    rows_.clear();
    order_.clear();
    shown_.clear();
}

void ProjectsListView::syncContent() {
    const bool any = list_.hasProjects();
    const auto sections = list_.sections();
    std::vector<std::pair<ProjectFilter, Uuid>> places;
    for (const auto& s : sections)
        for (const Project* p : s.projects) places.emplace_back(s.category, p->id);

    // What the content is: the empty card (whose texts follow the profiles), nothing found, or rows.
    const int kind = !any ? (list_.canCreateProject() ? 1 : 0) : sections.empty() ? 2 : 3;
    // The same rows in the same places: each shows its project as it is now.
    if (kind == kind_ && places == shown_) {
        for (const auto& s : sections)
            for (const Project* p : s.projects) rows_.at(p->id)->sync(*p, s.category);
        return;
    }

    // Thumbnails keep their covers across the rebuild; the rows give them back before they go.
    for (auto& [id, row] : rows_) {
        if (ProjectThumb* t = row->thumb()) {
            t->setParent(thumbStash_);
            thumbs_[id] = t;
        }
    }
    clearContent();
    kind_ = kind;
    shown_ = places;
    if (!any) {
        auto* card = new EmptyProjectsCard(list_.canCreateProject());
        connect(card, &QAbstractButton::clicked, &list_, &ProjectsListModel::newProject);
        empty_ = card;
        content_->addWidget(new kit::HoverLift(card));
    } else if (sections.empty()) {
        auto* label = new kit::KitLabel(QString::fromUtf8("Niciun proiect găsit."), kit::uiFont(kit::TextStyle::body));
        label->setObjectName(QStringLiteral("nothingFound"));
        label->setLocalized(true);
        label->setColor(kit::mutedColor);
        label->setAlignment(Qt::AlignHCenter);
        label->setContentsMargins(0, 40, 0, 40);
        nothingFound_ = label;
        content_->addWidget(label);
    }
    std::map<Uuid, QPointer<ProjectThumb>> kept;
    for (const auto& s : sections) {
        auto* sectionWidget = new QWidget;
        sectionWidget->setObjectName(QStringLiteral("section"));
        auto* v = new QVBoxLayout(sectionWidget);
        v->setContentsMargins(0, 0, 0, 0);
        v->setSpacing(12);
        auto* head = new QHBoxLayout;
        head->setContentsMargins(4, 0, 0, 0);
        head->setSpacing(6);
        const QString title = kit::localized(filterTitle(s.category));
        const QString count = QString::number(s.projects.size());
        auto* titleLabel = new kit::KitLabel(title, kit::uiFont(15, QFont::DemiBold));
        head->addWidget(titleLabel);
        auto* countLabel = new kit::KitLabel(count, kit::uiFont(12));
        countLabel->setColor(kit::mutedColor);
        head->addWidget(countLabel);
        head->addStretch(1);
        v->addLayout(head);
        sectionHeaders_.emplace_back(title, count);

        auto* card = new kit::GlassFrame(kit::GlassTreatment::clear, kit::KitShape::rounded(12));
        auto* rows = new QVBoxLayout(card);
        rows->setContentsMargins(0, 0, 0, 0);
        rows->setSpacing(0);
        bool first = true;
        for (const Project* p : s.projects) {
            const SectionLook look = sectionLook(s.category);
            ProjectThumb* thumb = nullptr;
            if (auto found = thumbs_.find(p->id); found != thumbs_.end() && found->second) thumb = found->second;
            if (!thumb) thumb = new ProjectThumb(covers_, *p, look.symbol, look.tint);
            kept[p->id] = thumb;
            auto* row = new ProjectRow(list_, *p, s.category, thumb);
            row->setFirst(first);
            row->setLast(false);
            first = false;
            rows->addWidget(row);
            rows_[p->id] = row;
            order_.push_back(row);
        }
        if (!order_.empty()) order_.back()->setLast(true);
        v->addWidget(card);
        sections_.push_back(sectionWidget);
        content_->addWidget(sectionWidget);
    }
    // Covers of projects no longer listed go with them.
    for (auto& [id, thumb] : thumbs_)
        if (thumb && !kept.count(id)) thumb->deleteLater();
    thumbs_.clear();
}

QWidget* ProjectsListView::control(const QString& name) const {
    for (QWidget* w : std::initializer_list<QWidget*>{search_, select_, newProject_, selectionText_, selectAll_,
                                                      renameSelected_, trashSelected_, done_})
        if (w->objectName() == name) return w->isVisibleTo(this) ? w : nullptr;
    return nullptr;
}

std::vector<ProjectRow*> ProjectsListView::rows() const { return order_; }

ProjectRow* ProjectsListView::row(const Uuid& id) const {
    const auto it = rows_.find(id);
    return it == rows_.end() ? nullptr : it->second;
}

std::vector<std::pair<QString, QString>> ProjectsListView::sectionHeaders() const { return sectionHeaders_; }

bool ProjectsListView::showsNothingFound() const { return nothingFound_ != nullptr; }

}  // namespace orvane::projects
