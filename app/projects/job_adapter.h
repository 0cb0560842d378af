#pragma once
// A job as a QObject: the screens of a project connect to its signals instead of observing the core
// job themselves. A job publishes once per photo; `changed` follows at most once per turn of the event
// loop (the property signals are immediate), so a screen redraws once however many photos landed.
#include <QObject>

#include <memory>

#include "core/pipeline/job.h"

namespace orvane::projects {

class JobAdapter final : public QObject {
    Q_OBJECT
public:
    explicit JobAdapter(std::shared_ptr<Job> job, QObject* parent = nullptr);
    ~JobAdapter() override;

    const std::shared_ptr<Job>& job() const { return job_; }
    Job::State state() const { return job_->state(); }
    const Project& project() const { return job_->project(); }

signals:
    void stateChanged();
    // The project took a new value (settings, photo results, names).
    void projectChanged();
    void extraStatusChanged();
    void saveErrorChanged();
    void remainingChanged();
    // Any of the above, coalesced to one emission per turn of the event loop.
    void changed();

private:
    void published(Job::Property property);

    std::shared_ptr<Job> job_;
    Job::ObserverId observer_ = 0;
    bool pending_ = false;
};

}  // namespace orvane::projects
