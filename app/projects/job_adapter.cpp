#include "app/projects/job_adapter.h"

#include <QPointer>
#include <QTimer>

namespace orvane::projects {

JobAdapter::JobAdapter(std::shared_ptr<Job> job, QObject* parent) : QObject(parent), job_(std::move(job)) {
    QPointer<JobAdapter> self(this);
    observer_ = job_->observe([self](Job::Property p) {
        if (self) self->published(p);
    });
}

JobAdapter::~JobAdapter() { job_->unobserve(observer_); }

void JobAdapter::published(Job::Property property) {
    switch (property) {
        case Job::Property::state: emit stateChanged(); break;
        case Job::Property::project: emit projectChanged(); break;
        case Job::Property::extraStatus:
        case Job::Property::extraProgress: emit extraStatusChanged(); break;
        case Job::Property::secondsPerPhoto: emit remainingChanged(); break;
        case Job::Property::saveError: emit saveErrorChanged(); break;
    }
    if (pending_) return;
    pending_ = true;
    QTimer::singleShot(0, this, [this] {
        pending_ = false;
        emit changed();
    });
}

}  // namespace orvane::projects
