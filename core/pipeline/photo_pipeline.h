#pragma once
// One photo file to one PhotoResult: choose and decode the image, compute the features, predict, and
// run the requested analyses on the same decoded image.
#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/photo/as_shot_wb.h"
#include "core/photo/raw_image.h"
#include "core/pipeline/photo_result.h"
#include "core/style/predictor.h"

namespace orvane {

// The readers the pipeline decodes with. standard() holds the real ones; tests count calls through
// their own.
struct PhotoDecoders {
    std::function<RawImage(const std::filesystem::path&, int maxSide)> embeddedPreview;
    // The smart-preview decode, its `asShot` what readAsShot answers for the file, from the same opening.
    std::function<RawImage(const std::filesystem::path&, float exposure)> smartPreview;
    // The whole-file as-shot reading, for a photo whose embedded preview carried none.
    std::function<std::optional<AsShotWB>(const std::filesystem::path&)> readAsShot;
    // Asked when the smart-preview decode gave no as-shot white balance.
    std::function<std::optional<AsShotWB>(const std::filesystem::path&)> smartPreviewAsShot;
    std::function<RawImage(const std::filesystem::path&, bool fullLuma)> loadRaw;

    static const PhotoDecoders& standard();
};

// Teeth and skin (face) regions of one image.
struct FaceRegions {
    std::vector<TeethRegion> teeth;
    std::vector<SkinRegion> skin;
};

// The optional analyses. An empty function finds nothing, exactly as an analysis that fails does.
struct PhotoAnalyzers {
    std::function<std::optional<StraightenResult>(const RawImage&)> straighten;
    std::function<std::optional<double>(const RawImage&, int minPeople)> lowestEdge;
    std::function<FaceRegions(const RawImage&, bool teeth, bool skin)> faces;
    std::function<std::optional<PersonLayout>(const RawImage&)> layout;
    std::function<std::optional<SkinRegion>(const RawImage&)> subject;

    // The analyses this build has.
    static const PhotoAnalyzers& standard();
};

// `preview`: the file is a catalog smart preview (or the profile learns from them); `fast`: the profile
// works from embedded previews. Throws the decoder's error (RawError); RawError (cause noImageData) for
// an image without signal, its brightest value below 1/255 of white; NoTintError for a photo whose
// as-shot tint cannot be computed; or the predictor's error (ModelError). Analyses never fail the photo.
PhotoResult processPhoto(const std::filesystem::path& file, const Predictor& predictor, const AnalysisRequest& analysis,
                         bool preview, bool fast, const PhotoDecoders& decoders = PhotoDecoders::standard(),
                         const PhotoAnalyzers& analyzers = PhotoAnalyzers::standard());

// Decodes the file once (the full-resolution luminance only for teeth or skin) and runs the requested
// analyses on it. Nothing when the file cannot be decoded; a failing analysis is an absent result.
// Safe on any thread.
std::optional<PhotoAnalysis> analyzePhoto(const std::filesystem::path& file, const AnalysisRequest& analysis,
                                          const PhotoDecoders& decoders = PhotoDecoders::standard(),
                                          const PhotoAnalyzers& analyzers = PhotoAnalyzers::standard());

}  // namespace orvane
