#pragma once
// What the rail's activity section shows: one card for the profile build under way and one for each
// active processing job, leaving out whatever page is open. Pure functions over the model's state.
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "app/model/profile_build_status.h"
#include "app/model/router.h"
#include "core/base/defaults.h"
#include "core/base/iso_date.h"
#include "core/pipeline/job.h"

namespace orvane::model {
class AppModel;
}

namespace orvane::rail {

// The tallest the section grows before it scrolls.
inline constexpr int activityMaxHeight = 230;

struct ActivityCardData {
    QString symbol;
    QString title;
    QString subtitle;  // the profile's or project's name
    QString detail;    // the status line
    double fraction = 0;
    model::Route target;  // the page a click opens
    Uuid id;              // the profile or project, for the card's identity
    bool operator==(const ActivityCardData&) const = default;
};

// The facts of a job that its card shows.
struct JobFacts {
    Job::State state = Job::State::idle;
    std::size_t done = 0;
    std::size_t failed = 0;
    std::size_t total = 0;
    std::optional<std::string> extraStatus;
    std::optional<double> remainingSeconds;
    bool waiting = false;  // queued behind another job
};
JobFacts factsOf(const Job& job, bool waiting);

// The job card's status line: waiting, then the extra status, then the state, then the counts.
QString jobStatusText(const JobFacts& job, const Defaults& defaults);
// Done and failed photos over all of them; failed photos count as processed for the bar.
double jobFraction(const JobFacts& job);
// The build's progress: 0.02 with a note, else by phase.
double buildFraction(const model::ProfileBuildStatus& build);
// The note (or the phase text), " · " and the time since the build started.
QString buildDetail(const model::ProfileBuildStatus& build, Date now, const Defaults& defaults);
// The fraction as a whole percentage, halves away from zero, not clamped; "—%" for a value that is not
// a finite number.
QString percentText(double fraction);
// The progress bar's value: the fraction within 0…1 (0 for a value that is not a number).
double barValue(double fraction);

// The cards in order: the build first, then the jobs by project name; none for the open page.
std::vector<ActivityCardData> activityCards(const model::AppModel& model, const model::Route& route, Date now);

}  // namespace orvane::rail
