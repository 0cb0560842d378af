#pragma once
// Building a profile: the samples of every chosen catalog (from each catalog's feature cache, photos
// decoded only when missing there), a leave-one-event-out evaluation, the choice of further settings
// worth learning, training, publication of a new model generation and the saved record.
#include <filesystem>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>
#include <system_error>
#include <vector>

#include "core/base/work_pool.h"
#include "core/catalog/catalog_records.h"
#include "core/photo/analysis_records.h"
#include "core/photo/raw_image.h"
#include "core/style/evaluation.h"
#include "core/style/profile.h"
#include "core/style/sample.h"

namespace orvane {

// No chosen catalog has a photo to learn from. Its code is "no such file", as the file it could not
// find; what() is the message shown to the user.
class NoEligiblePhotosError : public std::runtime_error {
public:
    NoEligiblePhotosError();
    std::error_code code() const { return std::make_error_code(std::errc::no_such_file_or_directory); }
};

class ProfileBuilder {
public:
    // Shared between the one who asks for the stop and the build; once set it stays set.
    using CancelToken = orvane::CancelToken;

    // A build's progress, reported in this order: features, evaluation (only with two or more
    // events), training.
    struct Phase {
        enum class Kind { features, evaluation, training };
        Kind kind = Kind::features;
        int first = 0;   // features: photos done; evaluation: event counted from 1
        int second = 0;  // features: total photos; evaluation: number of events

        static Phase features(int done, int total) { return {Kind::features, done, total}; }
        static Phase evaluation(int event, int of) { return {Kind::evaluation, event, of}; }
        static Phase training() { return {Kind::training, 0, 0}; }
        bool operator==(const Phase&) const = default;
    };

    // How photos are read and measured while samples are extracted. standard() holds the real readers;
    // tests count or interrupt calls through their own.
    struct Readers {
        std::function<RawImage(const std::filesystem::path&, bool fullLuma)> loadRaw;
        std::function<RawImage(const std::filesystem::path&, int maxSide)> embeddedPreview;
        std::function<RawImage(const std::filesystem::path&, float exposure)> smartPreview;
        // The skin regions of the faces of an image. An empty function finds none, exactly as a face
        // analysis that fails does; that is all this build has until the face detector arrives.
        std::function<std::vector<SkinRegion>(const RawImage&)> skin;

        static const Readers& standard();
    };

    using SampleProgress = std::function<void(int done, int total)>;
    using BuildProgress = std::function<void(const Phase&)>;

    // The file of a catalog's feature cache for a way of reading the photos: "features.preview.json"
    // with `preview`, else "features.fast.json" with `fast`, else "features.json".
    static std::filesystem::path cacheFile(const TrainingCatalog& catalog, bool preview, bool fast);

    // The samples of one imported catalog's usable photos, sorted by path. Photos without a cached
    // vector of the current length are decoded by `workers` workers at once (one inner thread each);
    // the cancel token is checked before every photo. The cache is written back when anything was to
    // be extracted or a develop value changed; then a set token throws Cancelled, with the photos
    // finished so far kept in the cache. Throws the catalog reader's or the cache writer's error.
    // `progress(done, total)` comes from the workers, possibly out of order.
    static std::vector<Sample> samples(const TrainingCatalog& catalog, int workers, bool preview, bool fast,
                                       const CancelToken* cancel, const SampleProgress& progress,
                                       const Readers& readers = Readers::standard());

    // Builds the profile from the catalogs and saves it; returns the saved record. The save writes only
    // the build's own fields (evaluation, further settings, samples, catalogs, trained catalogs, build
    // date) into the record as it is on disk at that moment, so a rename, preset or tuning saved while
    // the build ran is kept (the given profile stands in when no record can be read). Catalogs are read
    // newest import first; a photo seen in several of them (same identity) trains once, with the
    // values of the newest import. Each catalog with samples is an event named after it (" (2)",
    // " (3)" … for repeated names). Throws Cancelled when cancelled before training, or closed at any
    // time before the models and the record are written (profile.json and the models are then
    // untouched), NoEligiblePhotosError when no catalog has a usable photo, and the errors of the
    // sample extraction, evaluation, training and saving. `progress` is called from the extraction
    // workers during the features phase (concurrently, possibly out of order), then on this thread.
    static Profile build(const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int workers,
                         const CancelToken* cancel, const BuildProgress& progress,
                         const Readers& readers = Readers::standard());

    // The further settings to learn, in Model::extraKeys() order: those whose evaluated gain over the
    // baseline is at least 0.1, whose baseline error is at least 1 and which every sample has. None
    // without an evaluation.
    static std::vector<std::string> learnableExtras(const std::optional<Evaluation>& evaluation,
                                                    const std::vector<Sample>& samples);

    // The name of the next event: `name`, or "name (2)", "name (3)" … whichever is not taken yet.
    static std::string eventName(const std::string& name, const Model::Events& taken);
};

}  // namespace orvane
