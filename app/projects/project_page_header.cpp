#include "app/projects/project_page_header.h"

#include <QIcon>
#include <QMenu>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

#include "app/kit/appearance.h"
#include "app/kit/dialogs.h"
#include "app/kit/icons.h"
#include "app/kit/localization.h"
#include "app/kit/page_header.h"
#include "app/kit/symbol_button.h"
#include "app/kit/text.h"
#include "app/model/app_model.h"
#include "app/model/router.h"
#include "app/projects/job_adapter.h"
#include "app/projects/projects_list_model.h"

namespace orvane::projects {

void confirmResetAnalyses(Job& job) {
    const bool yes = kit::dialogs().confirm(
        kit::localized("Reanalizezi fotografiile proiectului?"),
        kit::localized("Se refac de la zero doar analizele funcțiilor AI (îndreptare, persoane, piele, dinți, subiect), "
                       "la următorul export sau la „Reeditează toate”. Nu are legătură cu luminozitatea, culoarea sau "
                       "ajustările fine. Durează mult și de obicei nu e necesar, fiindcă analizele se refac singure "
                       "când trebuie. Folosește-l doar dacă o funcție AI dă rezultate evident greșite."),
        kit::localized("Reanalizează"));
    if (yes) job.resetAnalyses();
}

ProjectPageModel::ProjectPageModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                                   QObject* parent)
    : QObject(parent), app_(app), router_(router), job_(std::move(job)), adapter_(new JobAdapter(job_, this)) {
    registerProjectsListTexts();
    connect(adapter_, &JobAdapter::changed, this, &ProjectPageModel::changed);
}

ProjectPageModel::~ProjectPageModel() = default;

QString ProjectPageModel::title() const { return QString::fromStdString(job_->project().name); }

bool ProjectPageModel::actionsEnabled() const { return !projectBusy(*job_); }

void ProjectPageModel::rename() {
    const auto name = kit::dialogs().askForName(title());
    if (!name) return;
    // The header follows when the job publishes the new name.
    app_.renameProject(job_->project(), name->toStdString());
}

void ProjectPageModel::reanalyse() {
    if (!actionsEnabled()) return;
    confirmResetAnalyses(*job_);
}

void ProjectPageModel::confirmDelete() {
    if (!actionsEnabled()) return;
    const bool yes = kit::dialogs().confirm(
        kit::localized("Ștergi proiectul „%1”?").arg(title()),
        kit::localized("Valorile calculate se mută în Coș. RAW-urile și XMP-urile exportate nu sunt atinse."),
        kit::localized("Șterge"));
    if (!yes) return;
    // The project as it is now; once it has left the model's list the shell shows the list instead.
    app_.deleteProject(job_->project());
}

void ProjectPageModel::syncProfileTuning() {
    const auto& profiles = app_.profiles();
    const Uuid profileID = job_->project().profileID;
    const auto found =
        std::find_if(profiles.begin(), profiles.end(), [&](const Profile& p) { return p.id == profileID; });
    job_->setProfileTuning(found != profiles.end() && found->tuning ? *found->tuning : ProfileTuning());
}

void ProjectPageModel::back() { router_.setRoute(model::Route::projects()); }

ProjectPage::ProjectPage(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                         ProcessingViewServices services, QWidget* parent)
    : QWidget(parent), model_(new ProjectPageModel(app, router, job, this)) {
    setObjectName(QStringLiteral("projectPage"));
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    actions_ = new kit::CircleSymbolButton(QStringLiteral("ellipsis"), 38, 15, kit::primaryLabelColor, kit::raisedColor,
                                           kit::primaryLabelColor.opacity(0.08));
    actions_->setObjectName(QStringLiteral("projectActions"));
    connect(actions_, &QAbstractButton::clicked, this, [this] {
        QMenu* menu = makeActionsMenu(this);
        menu->setAttribute(Qt::WA_DeleteOnClose);
        menu->popup(actions_->mapToGlobal(QPoint(0, actions_->height() + 4)));
    });
    header_ = new kit::PageHeader(model_->title(), std::nullopt,
                                  kit::BackLink{QString::fromUtf8("Proiecte"), [m = model_] { m->back(); }}, nullptr,
                                  {actions_});
    header_->setObjectName(QStringLiteral("projectHeader"));
    header_->titleLabel()->setLocalized(false);
    column->addWidget(header_);

    processing_ = new ProcessingView(app, router, job, std::move(services));
    // The window's backdrop shows through the whole page, under the header and under the screen.
    for (QWidget* w : {static_cast<QWidget*>(processing_), processing_->viewport(), processing_->widget()}) {
        QPalette p = w->palette();
        p.setBrush(QPalette::Window, Qt::transparent);
        w->setPalette(p);
    }
    column->addWidget(processing_, 1);

    connect(model_, &ProjectPageModel::changed, this, &ProjectPage::sync);
    // The page is made each time its route comes on screen.
    model_->syncProfileTuning();
}

void ProjectPage::sync() {
    if (header_->titleLabel()->text() != model_->title()) header_->setTitle(model_->title());
}

QMenu* ProjectPage::makeActionsMenu(QWidget* parent) {
    auto* menu = new QMenu(parent);
    menu->setObjectName(QStringLiteral("projectActionsMenu"));
    ProjectPageModel* m = model_;
    // Each runs after the menu has closed: an alert must not stack on it.
    auto later = [m](void (ProjectPageModel::*action)()) {
        return [m, action] { QTimer::singleShot(0, m, action); };
    };
    const bool dark = kit::Appearance::instance().isDark();
    auto icon = [dark](const char* symbol, kit::AdaptiveColor ink) {
        return QIcon(kit::icons::pixmap(QString::fromLatin1(symbol), QSize(16, 16), ink.resolve(dark), 2.0));
    };
    menu->addAction(icon("pencil", kit::primaryLabelColor), kit::localized("Redenumește"), menu,
                    later(&ProjectPageModel::rename));
    QAction* reanalyse = menu->addAction(icon("arrow.triangle.2.circlepath", kit::primaryLabelColor),
                                         kit::localized("Reanalizează fotografiile"), menu,
                                         later(&ProjectPageModel::reanalyse));
    menu->addSeparator();
    // The destructive entry in the bad colour.
    QAction* remove = menu->addAction(icon("trash", kit::badColor), kit::localized("Șterge"), menu,
                                      later(&ProjectPageModel::confirmDelete));
    // Read now, each time the menu opens: the job's state decides.
    const bool enabled = m->actionsEnabled();
    reanalyse->setEnabled(enabled);
    remove->setEnabled(enabled);
    return menu;
}

}  // namespace orvane::projects
