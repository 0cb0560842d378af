#pragma once
// A style profile: what the system learned from a photographer's catalogs (or the shipped base model
// for an instant profile), the preset it was made from and the user's tuning. Each profile lives in
// "Profiles/<ID>" of the data directory: "profile.json", "preset.xmp" and its model generations.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/iso_date.h"
#include "core/base/strict_json.h"
#include "core/base/uuid.h"
#include "core/style/evaluation.h"
#include "core/store/profile_tuning.h"

namespace orvane {

struct Profile {
    Uuid id;
    std::string name;
    std::string presetName;
    std::vector<Uuid> catalogIDs;  // imported catalogs chosen to train it, in the order given
    std::optional<Date> built;     // last successful build; an instant profile's creation
    std::int64_t samples = 0;
    std::optional<Evaluation> evaluation;  // absent when the last build had a single event
    std::optional<ProfileTuning> tuning;
    std::optional<std::string> kind;    // "instant": predicts with the shipped base model
    std::optional<std::string> engine;  // "fast" (embedded JPEGs), "preview" (smart previews), absent: raw
    std::optional<std::vector<Uuid>> trainedCatalogIDs;      // catalogIDs at the last successful build
    std::optional<std::vector<std::string>> predictedExtras;  // further settings with a model

    // Store::profiles()/<ID>.
    std::filesystem::path dir() const;
    // dir()/"preset.xmp".
    std::filesystem::path preset() const;
    bool usesPreviews() const { return engine == "preview"; }
    bool usesFast() const { return engine == "fast"; }
    bool isInstant() const { return kind == "instant"; }
    // Built and the model storage finds the exposure and temperature models.
    bool isBuilt() const;
    // A built, trained profile whose chosen catalogs (as a set) are no longer the ones it was trained on.
    bool needsUpdate() const;

    // Writes dir()/"profile.json" atomically, creating the folder when missing.
    void save() const;

    // Reads a develop preset's own name. The preset reader lives above this layer, so callers hand
    // it in (ProfilePresets in core/xmp pairs the two).
    using PresetNameReader = std::function<std::string(const std::filesystem::path& preset)>;

    // A new, unbuilt profile: a new id, its folder with a copy of the preset as "preset.xmp", saved.
    // Without `presetName` the preset's own name is read first; its error ends the call before anything
    // is written. The first failing file step ends the call with its error; nothing made is removed.
    static Profile create(const std::string& name, const std::filesystem::path& preset,
                          const std::optional<std::string>& presetName, const PresetNameReader& readPresetName);
    // A profile of kind "instant" on the base model in `baseModel`, built now. A base-model folder
    // without the exposure model fails with std::filesystem::filesystem_error (no such file) before
    // anything is read or written.
    static Profile createInstant(const std::string& name, const std::filesystem::path& preset,
                                 const std::filesystem::path& baseModel, const PresetNameReader& readPresetName);

    // A copy under a new id named "<name> copie", with the whole folder (preset, model generations).
    // The build's results and the description of the copied models (engine, kind, further settings)
    // come along; the tuning and the trained catalog ids do not.
    Profile duplicate() const;
    // Moves the profile's folder to the user's trash.
    void remove() const;

    // Package files (profile_package.h) carry this extension, without its dot.
    static constexpr std::string_view packageExtension = "orvaneprofile";
    // Writes the profile's folder as a package to `destination`, replacing it: a zip file with one
    // folder named after the profile, its "profile.json" without the local catalog references. The
    // profile itself is not touched. Throws PackageError or the file-system error.
    void exportPackage(const std::filesystem::path& destination) const;
    // Installs the profile a package holds under a new id and returns it; a taken name gets
    // " (importat)". The build's results and the description of its models (engine, kind, further
    // settings) come along; catalogs, tuning and trained catalog ids do not. Throws PackageError, the
    // decoding error of its "profile.json", or the file-system error; a failed import adds no profile.
    static Profile importPackage(const std::filesystem::path& package, const std::set<std::string>& existingNames);

    // Every profile whose "profile.json" decodes, sorted by name (byte order, stable); others are left
    // out silently. A preset name beginning "fara-preset-" reads as "Fără preset" (the file keeps it).
    static std::vector<Profile> all();

    bool operator==(const Profile&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("id", s.id);
        v.req("name", s.name);
        v.req("presetName", s.presetName);
        v.req("catalogIDs", s.catalogIDs);
        v.opt("built", s.built);
        v.req("samples", s.samples);
        v.opt("evaluation", s.evaluation);
        v.opt("tuning", s.tuning);
        v.opt("kind", s.kind);
        v.opt("engine", s.engine);
        v.opt("trainedCatalogIDs", s.trainedCatalogIDs);
        v.opt("predictedExtras", s.predictedExtras);
    }
};

}  // namespace orvane

