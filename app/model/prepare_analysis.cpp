#include "app/model/prepare_analysis.h"

#include <chrono>
#include <map>
#include <vector>

#include "app/model/duration_text.h"
#include "core/pipeline/photo_pipeline.h"

namespace orvane::model {

AnalysisRequest neededAnalyses(const Project& project) {
    AnalysisRequest r;
    r.straighten = project.needsStraightenAnalysis();
    r.feet = project.crop && project.crop->mode == CropSettings::Mode::bottom && !project.feetAnalyzedAt;
    r.teeth = project.teethAmount.value_or(0) >= 1 && !project.teethAnalyzedAt;
    r.layout = project.needsLayoutAnalysis();
    r.skin = project.needsSkinAnalysis();
    r.subject = project.needsSubjectAnalysis();
    return r;
}

std::string analysisProgressText(int done, int total, double elapsedSeconds, const Defaults& defaults) {
    std::string text = "Analizez fotografiile " + std::to_string(done) + " din " + std::to_string(total);
    if (done >= 3 && done < total) {
        const double remaining = elapsedSeconds / done * (total - done);
        text += " · Timp rămas: " + durationText(remaining, defaults);
    }
    return text;
}

namespace {

// The calls waiting for a job's step that is under way, by job. Main thread only; an entry lives while
// its pass runs, and the pass holds its job, so an address is never reused meanwhile.
std::map<const Job*, std::vector<Job::Done>>& waiting() {
    static std::map<const Job*, std::vector<Job::Done>> table;
    return table;
}

struct Step {
    std::shared_ptr<MainExecutor> main;
    std::shared_ptr<const Defaults> defaults;
    PhotoAnalyzer analyze;

    void operator()(Job& job, Job::Done done) const {
        if (auto found = waiting().find(&job); found != waiting().end()) {
            found->second.push_back(std::move(done));
            return;
        }
        const AnalysisRequest needs = neededAnalyses(job.project());
        if (!needs.any()) {
            done();
            return;
        }
        waiting()[&job];
        const auto held = job.shared_from_this();
        // The text this pass shows last: it clears the line only while the line still shows it.
        auto shown = std::make_shared<std::string>(preparingAnalysisText);
        job.setExtraStatus(*shown);
        const Date start = main->now();
        const Step self = *this;
        job.runAnalysis(
            needs, preAnalysisWorkers,
            [analyze = analyze, needs](const std::filesystem::path& file) {
                return analyze ? analyze(file, needs) : analyzePhoto(file, needs);
            },
            [held, shown, self, start](int handled, int selected) {
                const double elapsed = std::chrono::duration<double>(self.main->now() - start).count();
                std::optional<double> progress;
                if (selected >= 1) progress = static_cast<double>(handled) / selected;
                *shown = analysisProgressText(handled, selected, elapsed, *self.defaults);
                held->setExtraStatus(*shown, progress);
            },
            [held, shown, self, done = std::move(done)](const Job::AnalysisCounts&) {
                if (held->extraStatus() == *shown) held->setExtraStatus(std::nullopt);
                std::vector<Job::Done> waiters;
                if (auto found = waiting().find(held.get()); found != waiting().end()) {
                    waiters = std::move(found->second);
                    waiting().erase(found);
                }
                done();
                // Each waiting call now looks again at what the project still needs.
                for (auto& w : waiters) self(*held, std::move(w));
            });
    }
};

}  // namespace

std::function<void(Job&, Job::Done)> prepareAnalysisStep(std::shared_ptr<MainExecutor> main,
                                                        std::shared_ptr<const Defaults> defaults,
                                                        PhotoAnalyzer analyze) {
    return Step{std::move(main), std::move(defaults), std::move(analyze)};
}

}  // namespace orvane::model
