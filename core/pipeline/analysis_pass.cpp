// The analysis pass of a processing job: the image analyses run again over photos already processed.
#include <algorithm>
#include <cmath>

#include "core/pipeline/job.h"
#include "core/vision/subject_detector.h"

namespace orvane {

namespace fs = std::filesystem;

struct Job::AnalysisPass {
    AnalysisRequest request;
    int workers = 1;
    Analyze analyze;
    AnalysisProgress progress;
    AnalysisDone done;
    std::vector<std::size_t> selection;  // photo indices, in photo order
    std::vector<fs::path> files;         // one per selected photo
    std::size_t next = 0;                // first selected photo not started yet
    int inFlight = 0;
    int handled = 0;
    AnalysisCounts counts;
};

namespace {

// A layout pass can leave out a photo whose layout is already current.
bool layoutOnly(const AnalysisRequest& r) {
    return r.layout && !r.straighten && !r.feet && !r.teeth && !r.skin && !r.subject;
}

// Stored, a non-finite number would make every later save of the project fail.
bool isFinite(const PhotoAnalysis& a) {
    if (!std::isfinite(a.aspect)) return false;
    if (a.feetBottom && !std::isfinite(*a.feetBottom)) return false;
    if (a.straighten && (!std::isfinite(a.straighten->angle) || !std::isfinite(a.straighten->confidence) ||
                         !std::isfinite(a.straighten->aspect)))
        return false;
    return true;
}

}  // namespace

void Job::setExtraStatus(std::optional<std::string> text, std::optional<double> progress) {
    if (!text) progress.reset();
    if (extraStatus_ != text) {
        extraStatus_ = std::move(text);
        changed(Property::extraStatus);
    }
    if (extraProgress_ != progress) {
        extraProgress_ = progress;
        changed(Property::extraProgress);
    }
}

void Job::runAnalysis(const AnalysisRequest& request, int workers, Analyze analyze, AnalysisProgress progress,
                      AnalysisDone done) {
    auto pass = std::make_shared<AnalysisPass>();
    pass->request = request;
    // With no worker nothing would run, yet the stamps would say every photo was analysed.
    pass->workers = std::max(1, workers);
    pass->analyze = std::move(analyze);
    pass->progress = std::move(progress);
    pass->done = std::move(done);

    const bool skipCurrentLayouts = layoutOnly(request) && project_.layoutAnalyzedAt.has_value();
    for (std::size_t i = 0; i < project_.photos.size(); ++i) {
        const PhotoItem& photo = project_.photos[i];
        if (photo.status != PhotoItem::Status::done) continue;
        if (skipCurrentLayouts && photo.layout && photo.layout->isCurrent()) continue;
        pass->selection.push_back(i);
        pass->files.push_back(sourceURL(photo));
    }

    ++analysesInFlight_;
    while (pass->inFlight < pass->workers && pass->next < pass->selection.size()) analysisLaunch(pass);
    if (pass->inFlight == 0) analysisEnd(pass);
}

void Job::analysisLaunch(const std::shared_ptr<AnalysisPass>& pass) {
    const std::size_t position = pass->next++;
    ++pass->inFlight;
    // Always the high-priority pool: the user waits for this pass before an export or a re-edit.
    offload(
        main_, WorkPool::high(),
        [analyze = pass->analyze, file = pass->files[position]]() -> std::optional<PhotoAnalysis> {
            if (!analyze) return std::nullopt;
            return analyze(file);
        },
        [self = shared_from_this(), pass, position](Outcome<std::optional<PhotoAnalysis>> outcome) {
            // An analysis that threw found nothing, as one that failed quietly.
            std::optional<PhotoAnalysis> analysis;
            if (outcome.ok()) analysis = std::move(outcome.value());
            self->analysisReturned(pass, position, std::move(analysis));
        });
}

void Job::analysisReturned(const std::shared_ptr<AnalysisPass>& pass, std::size_t position,
                           std::optional<PhotoAnalysis> analysis) {
    const std::size_t index = pass->selection[position];
    if (analysis && isFinite(*analysis) && index < project_.photos.size()) {
        const AnalysisRequest& r = pass->request;
        PhotoItem& photo = project_.photos[index];
        photo.aspect = analysis->aspect;
        if (r.straighten) {
            photo.straighten = analysis->straighten;
            if (analysis->straighten) ++pass->counts.straightened;
        }
        if (r.feet) {
            photo.feetBottom = analysis->feetBottom;
            if (analysis->feetBottom) ++pass->counts.groups;
        }
        if (r.teeth) photo.teeth = std::move(analysis->teeth).value_or(std::vector<TeethRegion>{});
        if (r.layout) photo.layout = std::move(analysis->layout);
        if (r.skin) photo.skin = std::move(analysis->skin).value_or(std::vector<SkinRegion>{});
        if (r.subject) photo.subject = analysis->subject ? std::move(*analysis->subject) : SubjectDetector::none();
        changed(Property::project);
    }
    --pass->inFlight;
    ++pass->handled;
    if (pass->progress) pass->progress(pass->handled, static_cast<int>(pass->selection.size()));
    while (pass->inFlight < pass->workers && pass->next < pass->selection.size()) analysisLaunch(pass);
    if (pass->inFlight == 0 && pass->next >= pass->selection.size()) analysisEnd(pass);
}

void Job::analysisEnd(const std::shared_ptr<AnalysisPass>& pass) {
    // Written even when some photos had no analysis: the pass has looked at every photo it selected.
    stampAnalyses(pass->request, now());
    changed(Property::project);
    save();

    const int selected = static_cast<int>(pass->selection.size());
    pass->counts.skipped = selected - pass->counts.straightened;
    --analysesInFlight_;
    if (pass->done) pass->done(pass->counts);
}

}  // namespace orvane
