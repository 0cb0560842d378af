#pragma once
// The pre-analysis step the application installs where a job finishes: the analyses a job's project
// still needs (model::neededAnalyses) run over its edited photos on the job's analysis pass, off the
// interface thread, with their progress in the job's status line, before the caller goes on. Unlike
// the model's plain step it never runs twice for one job at once.
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "core/base/defaults.h"
#include "core/base/executor.h"
#include "core/pipeline/job.h"
#include "app/model/prepare_analysis.h"

namespace orvane::options {

// The step, as AppModel::setPrepareAnalysis takes it; `done` is called on the main thread once the
// analyses have ended (at once when none is needed, leaving the status line as it was). A second call
// for a job whose step still runs waits for it, then finds what is left to do (normally nothing). The
// status line is cleared at the end by the pass that set it, unless someone else has replaced it.
// Main thread only.
std::function<void(Job& job, Job::Done done)> prepareAnalysisStep(std::shared_ptr<MainExecutor> main,
                                                                 std::shared_ptr<const Defaults> defaults,
                                                                 model::PhotoAnalyzer analyze = {});

}  // namespace orvane::options
