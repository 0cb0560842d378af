#include "core/pipeline/photo_pipeline.h"

#include <algorithm>

#include "core/photo/embedded_preview.h"
#include "core/photo/features.h"
#include "core/photo/smart_preview.h"
#include "core/style/model_vault.h"
#include "core/vision/person_extent.h"
#include "core/vision/person_layout.h"
#include "core/vision/person_segmentation.h"
#include "core/vision/photo_faces.h"
#include "core/vision/straighten.h"
#include "core/vision/subject_detector.h"
#include "core/vision/teeth_detector.h"

namespace orvane {

const PhotoDecoders& PhotoDecoders::standard() {
    static const PhotoDecoders decoders{
        [](const std::filesystem::path& f, int maxSide) { return EmbeddedPreview::load(f, maxSide); },
        [](const std::filesystem::path& f, float exposure) { return SmartPreview::loadWithAsShot(f, exposure); },
        [](const std::filesystem::path& f) { return orvane::readAsShot(f); },
        [](const std::filesystem::path& f) { return SmartPreview::asShot(f); },
        [](const std::filesystem::path& f, bool fullLuma) { return orvane::loadRaw(f, fullLuma); },
    };
    return decoders;
}

namespace {
// The people detector of the calling worker: each runs its own copy of the network, read once from
// the resources folder. Without the network file the feet, layout and subject analyses find nothing.
PersonDetector& peopleDetector() {
    thread_local PersonSegmentation detector(ModelVault::resourceDirectory() / PersonSegmentation::modelFileName);
    return detector;
}
}  // namespace

const PhotoAnalyzers& PhotoAnalyzers::standard() {
    // Each analysis answers nothing when its model file is missing, as a failed optional analysis does.
    static const PhotoAnalyzers analyzers{
        .straighten = [](const RawImage& image) { return Straighten::detect(image); },
        .lowestEdge = [](const RawImage& raw, int minPeople) {
            return PersonExtent::lowestEdge(raw, minPeople, peopleDetector(), PhotoFaces::boxes(raw));
        },
        .faces = [](const RawImage& image, bool teeth, bool skin) {
            auto found = TeethDetector::analyze(image, teeth, skin);
            return FaceRegions{std::move(found.teeth), std::move(found.skin)};
        },
        // The people start from the photo's one face search, shared with the teeth and skin.
        .layout = [](const RawImage& raw) { return SmartCrop::analyze(raw, peopleDetector(), PhotoFaces::boxes(raw)); },
        .subject = [](const RawImage& raw) { return SubjectDetector::region(raw, peopleDetector(), PhotoFaces::boxes(raw)); },
    };
    return analyzers;
}

namespace {
// The embedded preview size that fast mode works from.
constexpr int kFastPreviewSide = 1616;

FaceRegions facesOf(const PhotoAnalyzers& a, const RawImage& image, bool teeth, bool skin) {
    if (!a.faces) return {};
    try {
        return a.faces(image, teeth, skin);
    } catch (const std::exception&) {
        return {};
    }
}

// Runs one optional analysis; a failure is an absent result.
template <class F, class... Args>
auto optionalAnalysis(const F& f, Args&&... args) -> decltype(f(std::forward<Args>(args)...)) {
    if (!f) return std::nullopt;
    try {
        return f(std::forward<Args>(args)...);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}
// False when the brightest value is below 1/255 of the white level (1 in every decoder's output), or
// there are no pixels: what a raw whose image data was stripped decodes to, or a black frame with its
// noise floor. Nothing in it could be developed into a picture (an 8-bit rendering of it is black), and
// features of it describe nothing, so it must not reach the predictor.
bool hasSignal(const RawImage& image) {
    return std::any_of(image.lin.begin(), image.lin.end(), [](float v) { return v >= 1.0f / 255.0f; });
}

void requireSignal(const RawImage& image) {
    if (!hasSignal(image)) throw RawError(-2, "fără semnal", RawError::Cause::noImageData);
}
}  // namespace

PhotoResult processPhoto(const std::filesystem::path& file, const Predictor& predictor, const AnalysisRequest& analysis,
                         bool preview, bool fast, const PhotoDecoders& decoders, const PhotoAnalyzers& analyzers) {
    const bool usesFaces = predictor.usesFaces();
    const bool anyAnalysis = analysis.any();

    std::optional<RawImage> embedded;
    if (fast && !preview) {
        try {
            embedded = decoders.embeddedPreview(file, kFastPreviewSide);
        } catch (const std::exception&) {
            // No usable embedded preview: the raw file is decoded instead.
        }
    }

    RawImage image;  // the analysis image
    std::optional<AsShotWB> asShot;
    bool rawDecoded = false;
    if (preview) {
        // One opening serves the decode and the as-shot reading.
        image = decoders.smartPreview(file, 0.0f);
        asShot = image.asShot;
        if (!asShot) asShot = decoders.smartPreviewAsShot(file);
    } else if (embedded && !anyAnalysis) {
        image = *embedded;
        asShot = embedded->asShot;
    } else {
        const bool fullLuma = analysis.teeth || analysis.skin || (usesFaces && !embedded);
        image = decoders.loadRaw(file, fullLuma);
        rawDecoded = true;
        asShot = image.asShot;
    }
    // The embedded preview feeds the features whenever it was loaded.
    const RawImage& featureImage = embedded ? *embedded : image;
    requireSignal(image);
    requireSignal(featureImage);
    // Without an as-shot tint the photo cannot be exported: it fails here, counted among the failed
    // photos, instead of stopping the export later. An embedded preview answers from the colour data
    // read at open; the raw data may still hold the white balance.
    if (!asShot && embedded && !rawDecoded) asShot = decoders.readAsShot(file);
    if (!asShot) throw NoTintError(file.filename().string());
    const bool featuresFromAnalysisImage = !embedded || !rawDecoded;

    std::optional<FaceRegions> faces;
    if (analysis.teeth || analysis.skin || (usesFaces && featuresFromAnalysisImage))
        faces = facesOf(analyzers, image, analysis.teeth, true);

    std::vector<double> features = Features::vector(featureImage);
    if (usesFaces) {
        std::vector<SkinRegion> skin;
        if (embedded && rawDecoded)
            skin = facesOf(analyzers, *embedded, false, true).skin;  // the faces of the image the features describe
        else if (faces)
            skin = faces->skin;
        const auto faceValues = Features::faceVector(skin);
        features.insert(features.end(), faceValues.begin(), faceValues.end());
    }

    const Prediction prediction = predictor.predict(features, asShot->kelvin);
    PhotoResult result(prediction.exposure, prediction.temperature, asShot, image.displayAspect());
    result.extras = predictor.predictExtras(features);

    if (analysis.straighten) result.straighten = optionalAnalysis(analyzers.straighten, image);
    if (analysis.feet) result.feetBottom = optionalAnalysis(analyzers.lowestEdge, image, 2);
    if (analysis.teeth) result.teeth = faces ? faces->teeth : std::vector<TeethRegion>{};
    if (analysis.skin) result.skin = faces ? faces->skin : std::vector<SkinRegion>{};
    if (analysis.layout) result.layout = optionalAnalysis(analyzers.layout, image);
    if (analysis.subject) result.subject = optionalAnalysis(analyzers.subject, image);
    return result;
}

std::optional<PhotoAnalysis> analyzePhoto(const std::filesystem::path& file, const AnalysisRequest& analysis,
                                          const PhotoDecoders& decoders, const PhotoAnalyzers& analyzers) {
    RawImage image;
    try {
        image = decoders.loadRaw(file, analysis.teeth || analysis.skin);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    PhotoAnalysis result;
    result.aspect = image.displayAspect();
    if (analysis.straighten) result.straighten = optionalAnalysis(analyzers.straighten, image);
    if (analysis.feet) result.feetBottom = optionalAnalysis(analyzers.lowestEdge, image, 2);
    if (analysis.teeth || analysis.skin) {
        FaceRegions faces = facesOf(analyzers, image, analysis.teeth, analysis.skin);
        if (analysis.teeth) result.teeth = std::move(faces.teeth);
        if (analysis.skin) result.skin = std::move(faces.skin);
    }
    if (analysis.layout) result.layout = optionalAnalysis(analyzers.layout, image);
    if (analysis.subject) result.subject = optionalAnalysis(analyzers.subject, image);
    return result;
}

}  // namespace orvane
