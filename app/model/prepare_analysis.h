#pragma once
// The second analysis pass of a job's project: the analyses that its options need and its edited
// photos lack (options changed after the photos were edited, or an analysis never stamped) run through
// the job before a finished job's notification, with their progress in the job's status line.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/defaults.h"
#include "core/base/executor.h"
#include "core/pipeline/job.h"
#include "core/pipeline/photo_result.h"

namespace orvane::model {

// Analyses one photo for the requested kinds (analyzePhoto by default); nothing when it cannot.
using PhotoAnalyzer =
    std::function<std::optional<PhotoAnalysis>(const std::filesystem::path& file, const AnalysisRequest& request)>;

inline constexpr int preAnalysisWorkers = 6;
inline constexpr const char* preparingAnalysisText = "Pregătesc analiza fotografiilor…";

// What the project still needs: straighten, layout, skin and subject by the project's own tests; the
// feet for a crop at the feet not yet analysed; the teeth for whitening (at least 1) not yet analysed.
AnalysisRequest neededAnalyses(const Project& project);

// "Analizez fotografiile 4 din 10", with " · Timp rămas: " and the remaining time (from the elapsed
// time per photo so far) from the third photo on and never on the last; the duration follows "language".
std::string analysisProgressText(int done, int total, double elapsedSeconds, const Defaults& defaults);

// The step itself, for AppModel::setPrepareAnalysis: with nothing needed `done` is called at once and
// the status line is left alone; otherwise the pass runs (at most six photos at a time), the status
// line shows its progress and is cleared at the end by the pass that set it (unless someone else has
// replaced it), and then `done` is called, on the main thread. A second call for a job whose step
// still runs waits for it, then finds what is left to do (normally nothing). Main thread only.
std::function<void(Job& job, Job::Done done)> prepareAnalysisStep(std::shared_ptr<MainExecutor> main,
                                                                 std::shared_ptr<const Defaults> defaults,
                                                                 PhotoAnalyzer analyze = {});

}  // namespace orvane::model
