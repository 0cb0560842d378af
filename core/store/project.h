#pragma once
// The project file: one Project with its photos, versions and options, saved as "project.json".
#include <cstdint>
#include <filesystem>
#include <utility>
#include <map>
#include <set>
#include <stdexcept>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/iso_date.h"
#include "core/base/strict_json.h"
#include "core/base/uuid.h"
#include "core/photo/analysis_records.h"
#include "core/store/basic_adjustments.h"
#include "core/store/profile_tuning.h"

namespace orvane {

struct PhotoItem {
    enum class Status { pending, done, failed };

    std::string path;  // absolute path of the raw file: the photo's identity
    Status status = Status::pending;
    std::optional<std::string> error;
    std::optional<double> exposure;
    std::optional<double> temperature;
    std::optional<double> asShotTint;
    std::optional<StraightenResult> straighten;
    std::optional<double> aspect;
    std::optional<PersonLayout> layout;
    std::optional<std::vector<TeethRegion>> teeth;
    std::optional<SkinRegion> subject;
    std::optional<std::vector<SkinRegion>> skin;
    std::optional<std::string> previewPath;
    std::optional<std::map<std::string, double>> extras;
    std::optional<double> feetBottom;

    PhotoItem() = default;
    explicit PhotoItem(std::string p) : path(std::move(p)) {}

    const std::string& id() const { return path; }
    // Last path component of the path.
    std::string name() const;

    bool operator==(const PhotoItem&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("path", s.path);
        v.req("status", s.status);
        v.opt("error", s.error);
        v.opt("exposure", s.exposure);
        v.opt("temperature", s.temperature);
        v.opt("asShotTint", s.asShotTint);
        v.opt("straighten", s.straighten);
        v.opt("aspect", s.aspect);
        v.opt("layout", s.layout);
        v.opt("teeth", s.teeth);
        v.opt("subject", s.subject);
        v.opt("skin", s.skin);
        v.opt("previewPath", s.previewPath);
        v.opt("extras", s.extras);
        v.opt("feetBottom", s.feetBottom);
    }
};

std::string_view toText(PhotoItem::Status s);
bool fromText(std::string_view text, PhotoItem::Status& out);

// A saved, restorable snapshot of sixteen project settings.
struct EditVersion {
    Uuid id = Uuid::random();
    Date date = std::chrono::system_clock::now();
    std::optional<std::string> name;
    std::optional<bool> straighten;
    std::optional<bool> profileCorrection;
    std::optional<bool> smartReframe;
    std::optional<bool> noiseReduction;
    std::optional<CropSettings> crop;
    std::optional<std::int64_t> teethAmount;
    std::optional<std::int64_t> skinAmount;
    std::optional<std::int64_t> faceLevelAmount;
    std::optional<std::int64_t> subjectMaskAmount;
    std::optional<SkinParams> skinParams;
    std::optional<BasicAdjustments> basic;
    std::optional<double> globalExposure;
    std::optional<std::map<std::string, std::int64_t>> presetOverrides;
    std::optional<std::vector<std::string>> untouchedKeys;
    std::optional<double> fixedTemperature;
    std::optional<double> fixedExposure;

    // Compares the sixteen settings only; identity, date and name are ignored.
    bool sameSettings(const EditVersion& other) const;

    bool operator==(const EditVersion&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("id", s.id);
        v.req("date", s.date);
        v.opt("name", s.name);
        v.opt("straighten", s.straighten);
        v.opt("profileCorrection", s.profileCorrection);
        v.opt("smartReframe", s.smartReframe);
        v.opt("noiseReduction", s.noiseReduction);
        v.opt("crop", s.crop);
        v.opt("teethAmount", s.teethAmount);
        v.opt("skinAmount", s.skinAmount);
        v.opt("faceLevelAmount", s.faceLevelAmount);
        v.opt("subjectMaskAmount", s.subjectMaskAmount);
        v.opt("skinParams", s.skinParams);
        v.opt("basic", s.basic);
        v.opt("globalExposure", s.globalExposure);
        v.opt("presetOverrides", s.presetOverrides);
        v.opt("untouchedKeys", s.untouchedKeys);
        v.opt("fixedTemperature", s.fixedTemperature);
        v.opt("fixedExposure", s.fixedExposure);
    }
};

struct Project {
    Uuid id;
    std::string name;
    std::string folder;
    Uuid profileID;
    std::optional<double> globalExposure;
    std::vector<PhotoItem> photos;
    std::optional<std::string> exportFolder;
    std::optional<double> elapsed;
    std::optional<Date> exportedAt;
    std::optional<Date> straightenedAt;
    std::optional<std::int64_t> straightenVersion;
    std::optional<bool> straightenRequested;
    std::optional<CropSettings> crop;
    std::optional<bool> profileCorrection;
    std::optional<std::string> catalogPath;
    std::optional<std::int64_t> teethAmount;
    std::optional<std::int64_t> skinAmount;
    std::optional<bool> noiseReduction;
    std::optional<bool> cropWritten;
    std::optional<std::int64_t> learnedExports;
    std::optional<std::int64_t> faceLevelAmount;
    std::optional<std::int64_t> subjectMaskAmount;
    std::optional<std::vector<EditVersion>> history;
    std::optional<SkinParams> skinParams;
    std::optional<Date> skinAnalyzedAt;
    std::optional<bool> smartReframe;
    std::optional<Date> layoutAnalyzedAt;
    std::optional<Date> teethAnalyzedAt;
    std::optional<Date> feetAnalyzedAt;
    std::optional<Date> startedAt;
    std::optional<Date> finishedAt;
    std::optional<BasicAdjustments> basic;
    std::optional<ProfileTuning> profileTuning;
    std::optional<std::map<std::string, std::int64_t>> presetOverrides;
    std::optional<std::vector<std::string>> untouchedKeys;
    std::optional<double> fixedTemperature;
    std::optional<double> fixedExposure;

    // ---- creation, saving and listing ----

    // Extensions (lower case, no dot) that count as raw photos.
    static const std::vector<std::string>& rawExtensions();
    static bool isRawFile(const std::filesystem::path& file);
    // Raw files of a folder (subfolders too unless the "includeSubfolders" setting is false), hidden
    // files and package contents skipped, in natural order. An unreadable folder gives an empty list.
    static std::vector<std::filesystem::path> rawFiles(const std::filesystem::path& folder);
    // A new pending project over the folder's raw files, saved before it is returned.
    static Project create(const std::string& name, const std::filesystem::path& folder, const Uuid& profile);
    // Made from a catalog: these read it, so they are defined above the catalog reader
    // (core/catalog/project_catalog.cpp); the store itself never opens a catalog.
    // A new pending project over the catalog's photos that are on disk (raw file, else smart preview),
    // optionally only the unedited ones and only those in the given folders; saved before it is
    // returned. Throws the catalog's read error, NoPhotosError, or the save error.
    static Project create(const std::string& name, const std::filesystem::path& catalog, bool onlyUnedited,
                          const Uuid& profile, const std::optional<std::set<std::string>>& folders);

    // The counts of one folder of a catalog.
    struct CatalogFolder {
        std::string path;  // a photo's path without its last component
        std::int64_t total = 0;
        std::int64_t onDisk = 0;    // raw file or smart preview exists
        std::int64_t unedited = 0;  // of the onDisk ones
        std::int64_t rawOnDisk = 0;

        const std::string& id() const { return path; }
        std::string name() const;
        bool operator==(const CatalogFolder&) const = default;
    };
    struct CatalogCounts {
        std::int64_t onDisk = 0;
        std::int64_t unedited = 0;
        std::int64_t total = 0;
        bool operator==(const CatalogCounts&) const = default;
    };
    // Per-folder counts in natural order of the folder path; absent when the catalog cannot be read.
    static std::optional<std::vector<CatalogFolder>> catalogFolders(const std::filesystem::path& catalog);
    static std::optional<CatalogCounts> catalogCounts(const std::filesystem::path& catalog);

    // Every readable project, sorted by name (plain byte order, stable).
    static std::vector<Project> all();
    // Replaces Store::projects()/id/"project.json".
    void save() const;
    // Moves the project's folder to the user's trash; throws when it cannot, leaving it in place.
    // (Named for what it does: `delete` is taken by the language.)
    void remove() const;

    // ---- derived views, computed afresh on every call ----

    // Effective exposure of a photo: absent without a prediction; fixedExposure wins; else
    // globalExposure + prediction + the tuning's exposure.
    std::optional<double> exposure(const PhotoItem& item) const;
    // Effective temperature in kelvin: absent without a prediction; fixedTemperature wins; else
    // basic temperature + prediction + the tuning's temperature. Tint is not part of it.
    std::optional<double> temperature(const PhotoItem& item) const;
    // Exposure offsets (stops) that move each done photo's typical face toward a common brightness,
    // scaled by faceLevelAmount; keyed by path. Photos without an offset are absent.
    std::map<std::string, double> faceDeltas() const;
    // Done photos whose effective exposure (0 without a prediction) lies at least `threshold` EV away
    // from 0, largest magnitude first (ties keep project order), at most `limit` of them.
    std::vector<PhotoItem> bigCorrectionPhotos(std::size_t limit, double threshold) const;
    // Preview candidates are the done photos with a prediction, sorted by effective exposure (ties keep
    // project order). samplePhotos: up to `count` of them spread evenly from the darkest to the
    // brightest; a single sample is the middle one.
    std::vector<PhotoItem> samplePhotos(std::size_t count) const;
    // Up to `portrait` portrait (aspect below 1) and `landscape` other candidates, each the middles of
    // equal slices; a side short of photos is filled from the rest.
    std::vector<PhotoItem> previewTrio(std::size_t portrait, std::size_t landscape) const;
    // The basic adjustments, or zero offsets.
    BasicAdjustments adjustments() const;
    // Store::projects() / the identifier's text.
    std::filesystem::path dir() const;

    std::size_t pending() const;
    std::size_t done() const;
    std::size_t failed() const;

    bool needsStraightenAnalysis() const;
    bool needsLayoutAnalysis() const;
    bool needsSkinAnalysis() const;
    bool needsSubjectAnalysis() const;

    // A new version (fresh identifier, now, no name) holding the sixteen current settings.
    EditVersion currentVersion() const;

    // The tuning's overrides with the project's own winning, sorted by key (plain byte order).
    std::vector<std::pair<std::string, std::int64_t>> effectiveOverrides() const;
    // effectiveOverrides, then the photo's predicted extras not already overridden (rounded, halves
    // away from zero), each part in key order.
    std::vector<std::pair<std::string, std::int64_t>> overrides(const PhotoItem& item) const;

    bool operator==(const Project&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("id", s.id);
        v.req("name", s.name);
        v.req("folder", s.folder);
        v.req("profileID", s.profileID);
        v.opt("globalExposure", s.globalExposure);
        v.req("photos", s.photos);
        v.opt("exportFolder", s.exportFolder);
        v.opt("elapsed", s.elapsed);
        v.opt("exportedAt", s.exportedAt);
        v.opt("straightenedAt", s.straightenedAt);
        v.opt("straightenVersion", s.straightenVersion);
        v.opt("straightenRequested", s.straightenRequested);
        v.opt("crop", s.crop);
        v.opt("profileCorrection", s.profileCorrection);
        v.opt("catalogPath", s.catalogPath);
        v.opt("teethAmount", s.teethAmount);
        v.opt("skinAmount", s.skinAmount);
        v.opt("noiseReduction", s.noiseReduction);
        v.opt("cropWritten", s.cropWritten);
        v.opt("learnedExports", s.learnedExports);
        v.opt("faceLevelAmount", s.faceLevelAmount);
        v.opt("subjectMaskAmount", s.subjectMaskAmount);
        v.opt("history", s.history);
        v.opt("skinParams", s.skinParams);
        v.opt("skinAnalyzedAt", s.skinAnalyzedAt);
        v.opt("smartReframe", s.smartReframe);
        v.opt("layoutAnalyzedAt", s.layoutAnalyzedAt);
        v.opt("teethAnalyzedAt", s.teethAnalyzedAt);
        v.opt("feetAnalyzedAt", s.feetAnalyzedAt);
        v.opt("startedAt", s.startedAt);
        v.opt("finishedAt", s.finishedAt);
        v.opt("basic", s.basic);
        v.opt("profileTuning", s.profileTuning);
        v.opt("presetOverrides", s.presetOverrides);
        v.opt("untouchedKeys", s.untouchedKeys);
        v.opt("fixedTemperature", s.fixedTemperature);
        v.opt("fixedExposure", s.fixedExposure);
    }
};

// No photo of a catalog is left to make a project from.
class NoPhotosError : public std::runtime_error {
public:
    NoPhotosError() : std::runtime_error("Catalogul nu are fotografii RAW potrivite pe disc.") {}
};

// The file to read for a photo: its raw file, or its smart preview while the raw file is missing.
std::filesystem::path sourceURL(const PhotoItem& item);

}  // namespace orvane
