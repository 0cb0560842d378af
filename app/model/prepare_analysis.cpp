#include "app/model/prepare_analysis.h"

#include <chrono>

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

std::function<void(Job&, Job::Done)> prepareAnalysisStep(std::shared_ptr<MainExecutor> main,
                                                        std::shared_ptr<const Defaults> defaults,
                                                        PhotoAnalyzer analyze) {
    return [main = std::move(main), defaults = std::move(defaults), analyze = std::move(analyze)](Job& job,
                                                                                                 Job::Done done) {
        const AnalysisRequest needs = neededAnalyses(job.project());
        if (!needs.any()) {
            done();
            return;
        }
        job.setExtraStatus(preparingAnalysisText);
        const Date start = main->now();
        // The pass keeps the job alive only while it runs; the job never holds the pass.
        const std::weak_ptr<Job> weak = job.weak_from_this();
        job.runAnalysis(
            needs, preAnalysisWorkers,
            [analyze, needs](const std::filesystem::path& file) {
                return analyze ? analyze(file, needs) : analyzePhoto(file, needs);
            },
            [weak, main, defaults, start](int handled, int selected) {
                const auto held = weak.lock();
                if (!held) return;
                const double elapsed = std::chrono::duration<double>(main->now() - start).count();
                std::optional<double> progress;
                if (selected >= 1) progress = static_cast<double>(handled) / selected;
                held->setExtraStatus(analysisProgressText(handled, selected, elapsed, *defaults), progress);
            },
            [weak, done = std::move(done)](const Job::AnalysisCounts&) {
                if (const auto held = weak.lock()) held->setExtraStatus(std::nullopt);
                done();
            });
    };
}

}  // namespace orvane::model
