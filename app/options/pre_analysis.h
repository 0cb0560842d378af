#pragma once
// The pre-analysis step: the analyses a job's project still needs (options chosen after its photos
// were edited, or an analysis never stamped) run over its edited photos on the job's analysis pass,
// off the interface thread, with their progress in the job's status line, before the caller goes on.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/defaults.h"
#include "core/base/executor.h"
#include "core/pipeline/job.h"
#include "core/pipeline/photo_result.h"

namespace orvane::options {

// Analyses one photo for the requested kinds; nothing when it cannot. Called on work-pool threads.
using PhotoAnalyzer =
    std::function<std::optional<PhotoAnalysis>(const std::filesystem::path& file, const AnalysisRequest& request)>;

inline constexpr int preAnalysisWorkers = 6;
inline constexpr const char* preparingText = "Pregătesc analiza fotografiilor…";

// Straighten, layout, skin and subject by the project's own tests; the feet for a crop at the feet
// not yet analysed; the teeth for whitening (at least 1) not yet analysed.
AnalysisRequest neededAnalyses(const Project& project);

// "Analizez fotografiile 4 din 10", with " · Timp rămas: <duration>" from the third photo on and
// never on the last; the remaining time is the elapsed time per photo times the photos left.
std::string analysisProgressText(int done, int total, double elapsedSeconds, const Defaults& defaults);

// The step, as AppModel::setPrepareAnalysis takes it; `done` is called on the main thread once the
// analyses have ended (at once when none is needed, leaving the status line as it was). A second call
// for a job whose step still runs waits for it, then finds what is left to do (normally nothing). The
// status line is cleared at the end by the pass that set it, unless someone else has replaced it.
// Main thread only.
std::function<void(Job& job, Job::Done done)> prepareAnalysisStep(std::shared_ptr<MainExecutor> main,
                                                                 std::shared_ptr<const Defaults> defaults,
                                                                 PhotoAnalyzer analyze = {});

}  // namespace orvane::options
