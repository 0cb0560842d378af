#include "core/style/profile_builder.h"

#include <algorithm>
#include <chrono>
#include <numeric>
#include <unordered_set>

#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/model_training.h"

namespace orvane {

NoEligiblePhotosError::NoEligiblePhotosError()
    : std::runtime_error("Niciun catalog ales nu are fotografii eligibile (editate, cu RAW sau Smart Preview).") {}

std::string ProfileBuilder::eventName(const std::string& name, const Model::Events& taken) {
    auto isTaken = [&](const std::string& candidate) {
        return std::any_of(taken.begin(), taken.end(), [&](const auto& e) { return e.first == candidate; });
    };
    if (!isTaken(name)) return name;
    for (std::size_t n = 2;; ++n) {
        std::string candidate = name + " (" + std::to_string(n) + ")";
        if (!isTaken(candidate)) return candidate;
    }
}

std::vector<std::string> ProfileBuilder::learnableExtras(const std::optional<Evaluation>& evaluation,
                                                         const std::vector<Sample>& samples) {
    std::vector<std::string> out;
    if (!evaluation || !evaluation->extraBaselineMAE) return out;
    for (const auto& key : Model::extraKeys()) {
        const auto gain = evaluation->gain(key);  // present only when both errors are and the baseline is > 0
        if (!gain || *gain < 0.1) continue;
        if (evaluation->extraBaselineMAE->at(key) < 1.0) continue;
        const bool everySample = std::all_of(samples.begin(), samples.end(),
                                             [&](const Sample& s) { return s.extras && s.extras->contains(key); });
        if (everySample) out.push_back(key);
    }
    return out;
}

namespace {
// The profile as it is on disk now, with the fields a build owns taken from `built`: a rename, a
// preset or a tuning saved while the build ran is kept. Without a readable record on disk, `built`.
Profile withBuildFields(const Profile& built) {
    Profile current;
    try {
        current = Store::load<Profile>(built.dir() / "profile.json");
    } catch (const std::exception&) {
        return built;
    }
    if (current.id != built.id) return built;
    current.evaluation = built.evaluation;
    current.predictedExtras = built.predictedExtras;
    current.samples = built.samples;
    current.catalogIDs = built.catalogIDs;
    current.trainedCatalogIDs = built.trainedCatalogIDs;
    current.built = built.built;
    return current;
}
}  // namespace

Profile ProfileBuilder::build(const Profile& profile, const std::vector<TrainingCatalog>& catalogs, int workers,
                              const CancelToken* cancel, const BuildProgress& progress, const Readers& readers) {
    auto report = [&](const Phase& phase) {
        if (progress) progress(phase);
    };
    std::int64_t total = 0;
    for (const auto& c : catalogs) total += c.trainable(&profile);

    // Newest import first, so a photo in several catalogs keeps the values of its newest import.
    std::vector<std::size_t> order(catalogs.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return catalogs[a].imported > catalogs[b].imported; });

    Model::Events events;
    std::unordered_set<std::string> seen;
    std::int64_t offset = 0;
    for (std::size_t index : order) {
        const TrainingCatalog& catalog = catalogs[index];
        auto got = samples(catalog, workers, profile.usesPreviews(), profile.usesFast(), cancel,
                           [&](int done, int) {
                               report(Phase::features(static_cast<int>(offset + done), static_cast<int>(total)));
                           },
                           readers);
        std::vector<Sample> kept;
        for (auto& s : got) {
            if (seen.insert(s.identity.value_or(s.path)).second) kept.push_back(std::move(s));
        }
        if (!kept.empty()) {
            std::string name = eventName(catalog.name, events);
            events.emplace_back(std::move(name), std::move(kept));
        }
        // The catalog's count, not the photos decoded: `done` jumps at each catalog boundary.
        offset += catalog.trainable(&profile);
    }
    if (cancel) cancel->throwIfCancelled();
    if (events.empty()) throw NoEligiblePhotosError();

    Profile result = profile;
    if (events.size() == 1) {
        result.evaluation.reset();
    } else {
        result.evaluation = Model::evaluate(events, [&](int k, int n) { report(Phase::evaluation(k + 1, n)); });
    }
    if (cancel) cancel->throwIfCancelled();
    report(Phase::training());

    std::vector<Sample> all;
    for (auto& [name, list] : events) {
        all.insert(all.end(), std::make_move_iterator(list.begin()), std::make_move_iterator(list.end()));
    }
    const std::vector<std::string> extras = learnableExtras(result.evaluation, all);
    result.predictedExtras = extras;
    result.samples = static_cast<std::int64_t>(all.size());
    result.catalogIDs.clear();
    for (const auto& c : catalogs) result.catalogIDs.push_back(c.id);
    result.trainedCatalogIDs = result.catalogIDs;

    // The models and the record change together, and not at all once the token is closed (the
    // application is quitting): a build that outlives its process leaves the profile as it was.
    Model::build(all, result.dir(), extras, [&](const std::function<void()>& publish) {
        auto write = [&] {
            publish();
            result.built = IsoDate::wholeSeconds(std::chrono::system_clock::now());
            result = withBuildFields(result);
            result.save();
        };
        if (!cancel) return write();
        if (!cancel->commit(write)) throw Cancelled();
    });
    return result;
}

}  // namespace orvane
