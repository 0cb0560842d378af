#include "app/rail/activity.h"

#include <QCoreApplication>

#include <algorithm>
#include <cmath>

#include "app/model/app_model.h"
#include "app/model/duration_text.h"

namespace orvane::rail {

namespace {
QString tr(const char* text) { return QCoreApplication::translate("Rail", text); }
QString counts(const JobFacts& job) { return QStringLiteral("%1/%2").arg(job.done).arg(job.total); }
const QString separator = QStringLiteral(" · ");
}  // namespace

JobFacts factsOf(const Job& job, bool waiting) {
    const Project& p = job.project();
    return {job.state(), p.done(), p.failed(), p.photos.size(), job.extraStatus(), job.remainingSeconds(), waiting};
}

QString jobStatusText(const JobFacts& job, const Defaults& defaults) {
    using State = Job::State;
    if (job.waiting) return tr("În așteptare");
    if (job.extraStatus) return QString::fromStdString(*job.extraStatus);
    if (job.state == State::pausing || job.state == State::cancelling) return tr("Se termină fotografiile începute");
    if (job.state == State::paused) return tr("În pauză") + separator + counts(job);
    QString text = counts(job);
    if (job.remainingSeconds)
        text += separator + QString::fromStdString(model::durationText(*job.remainingSeconds, defaults));
    return text;
}

double jobFraction(const JobFacts& job) {
    return double(job.done + job.failed) / double(std::max<std::size_t>(job.total, 1));
}

double buildFraction(const model::ProfileBuildStatus& build) {
    using Kind = ProfileBuilder::Phase::Kind;
    if (build.note) return 0.02;
    const auto& phase = build.phase;
    switch (phase.kind) {
        case Kind::features: return phase.second == 0 ? 1.0 : phase.first * 0.8 / phase.second;
        case Kind::evaluation: return 0.8 + phase.first * 0.15 / std::max(phase.second, 1);
        case Kind::training: return 0.97;
    }
    return 0;
}

QString buildDetail(const model::ProfileBuildStatus& build, Date now, const Defaults& defaults) {
    const QString head = build.note ? QString::fromStdString(*build.note) : model::phaseText(build.phase);
    const double elapsed = std::chrono::duration<double>(now - build.started).count();
    return head + separator + QString::fromStdString(model::durationText(elapsed, defaults));
}

QString percentText(double fraction) {
    const double percent = std::round(fraction * 100);  // halves away from zero
    // A value no integer holds has no defined conversion; it shows as a dash.
    if (!std::isfinite(percent) || std::abs(percent) > 1e15) return QCoreApplication::translate("Rail", "%1%").arg(QStringLiteral("—"));
    return QCoreApplication::translate("Rail", "%1%").arg(static_cast<long long>(percent));
}

double barValue(double fraction) { return std::isnan(fraction) ? 0.0 : std::clamp(fraction, 0.0, 1.0); }

std::vector<ActivityCardData> activityCards(const model::AppModel& model, const model::Route& route, Date now) {
    using model::Route;
    std::vector<ActivityCardData> cards;
    if (const auto& build = model.profileBuild(); build && route != Route::profile(build->profileID)) {
        cards.push_back({QStringLiteral("brain.head.profile"), tr("Antrenare profil"), QString::fromStdString(build->name),
                         buildDetail(*build, now, model.defaults()), buildFraction(*build),
                         Route::profile(build->profileID), build->profileID});
    }
    const auto& queued = model.queued();
    for (const auto& job : model.activeJobs()) {
        const Uuid id = job->project().id;
        if (route == Route::project(id) || route == Route::reedit(id)) continue;
        const JobFacts facts = factsOf(*job, std::find(queued.begin(), queued.end(), id) != queued.end());
        cards.push_back({QStringLiteral("photo.stack"), tr("Editare proiect"), QString::fromStdString(job->project().name),
                         jobStatusText(facts, model.defaults()), jobFraction(facts), Route::project(id), id});
    }
    return cards;
}

}  // namespace orvane::rail
