#pragma once
// The page of one project: a header with the project's name, the way back to the projects list and a
// round actions menu (rename, reanalyse the photos, delete), above the project's processing screen.
// Each time the page is opened it brings the project's copy of its profile's tuning up to date.
#include <QWidget>

#include <memory>

#include "app/projects/processing_view.h"
#include "core/pipeline/job.h"

class QMenu;

namespace orvane::model {
class AppModel;
class Router;
}  // namespace orvane::model

namespace orvane::kit {
class CircleSymbolButton;
class PageHeader;
}  // namespace orvane::kit

namespace orvane::projects {

class JobAdapter;

// Asks before the project's analyses are redone from scratch at the next export or re-edit; a yes
// resets them through the job.
void confirmResetAnalyses(Job& job);

// The header's state and actions, without widgets.
class ProjectPageModel final : public QObject {
    Q_OBJECT
public:
    ProjectPageModel(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job, QObject* parent = nullptr);
    ~ProjectPageModel() override;

    const std::shared_ptr<Job>& job() const { return job_; }
    QString title() const;
    // "Reanalizează fotografiile" and "Șterge": not while the job runs, pauses, cancels or prepares.
    bool actionsEnabled() const;

    void rename();
    void reanalyse();
    void confirmDelete();
    // The project takes its profile's tuning, or none when the profile is gone.
    void syncProfileTuning();
    void back();

signals:
    // The job published something (its name, its state).
    void changed();

private:
    model::AppModel& app_;
    model::Router& router_;
    std::shared_ptr<Job> job_;
    JobAdapter* adapter_;
};

class ProjectPage final : public QWidget {
    Q_OBJECT
public:
    ProjectPage(model::AppModel& app, model::Router& router, std::shared_ptr<Job> job,
                ProcessingViewServices services = {}, QWidget* parent = nullptr);

    ProjectPageModel& pageModel() { return *model_; }
    kit::PageHeader* header() const { return header_; }
    kit::CircleSymbolButton* actionsButton() const { return actions_; }
    ProcessingView* processing() const { return processing_; }
    // The actions menu as it would open now.
    QMenu* makeActionsMenu(QWidget* parent);

private:
    void sync();

    ProjectPageModel* model_;
    kit::PageHeader* header_ = nullptr;
    kit::CircleSymbolButton* actions_ = nullptr;
    ProcessingView* processing_ = nullptr;
};

}  // namespace orvane::projects
