// The user's edits of a project while it has a job, and its version history.
#include <algorithm>
#include <cmath>

#include "core/base/unicode_text.h"
#include "core/pipeline/job.h"

namespace orvane {

namespace {

// To the nearest multiple of `step`, halves away from zero; never a negative zero.
double roundedTo(double value, double step) { return std::round(value / step) * step + 0.0; }

// 0 keeps an absent amount absent, so an untouched project and one set back to 0 stay alike.
void storeAmount(std::optional<std::int64_t>& field, std::int64_t amount) {
    if (amount == 0 && !field) return;
    field = amount;
}

void storeFlag(std::optional<bool>& field, bool on) {
    if (!on && !field) return;
    field = on;
}

}  // namespace

void applyTuning(const ProfileTuning& tuning, Job& job) { job.setProfileTuning(tuning); }

void Job::edited() {
    changed(Property::project);
    save();
}

void Job::setUntouched(std::vector<std::string> keys) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    std::sort(keys.begin(), keys.end());
    if (keys.empty())
        project_.untouchedKeys.reset();
    else
        project_.untouchedKeys = std::move(keys);
    edited();
}

void Job::setPresetOverrides(std::map<std::string, std::int64_t> overrides) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    if (overrides.empty())
        project_.presetOverrides.reset();
    else
        project_.presetOverrides = std::move(overrides);
    edited();
}

void Job::setTeethAmount(std::int64_t amount) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeAmount(project_.teethAmount, amount);
    edited();
}

void Job::setSubjectMaskAmount(std::int64_t amount) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeAmount(project_.subjectMaskAmount, amount);
    edited();
}

void Job::setSkinAmount(std::int64_t amount) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeAmount(project_.skinAmount, amount);
    edited();
}

void Job::setFaceLevelAmount(std::int64_t amount) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeAmount(project_.faceLevelAmount, amount);
    edited();
}

void Job::setLearnedExports(std::int64_t count) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.learnedExports = count;
    edited();
}

void Job::setSkinParams(const SkinParams& params) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    if (params == SkinParams{})
        project_.skinParams.reset();
    else
        project_.skinParams = params;
    edited();
}

void Job::setProfileCorrection(bool on) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.profileCorrection = on;
    edited();
}

void Job::setNoiseReduction(bool on) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeFlag(project_.noiseReduction, on);
    edited();
}

void Job::setSmartReframe(bool on) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    storeFlag(project_.smartReframe, on);
    edited();
}

void Job::setCrop(const CropSettings& crop) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    if (crop.mode == CropSettings::Mode::none)
        project_.crop.reset();
    else
        project_.crop = crop;
    edited();
}

void Job::setStraightenRequested(bool on) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.straightenRequested = on;
    edited();
}

void Job::setBasic(const BasicAdjustments& basic) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    if (basic.isZero())
        project_.basic.reset();
    else
        project_.basic = basic;
    edited();
}

void Job::setGlobalExposure(double ev) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.globalExposure = roundedTo(ev, 0.01);
    edited();
}

void Job::setFixed(std::optional<double> temperature, std::optional<double> exposure) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.fixedTemperature = temperature ? std::optional(roundedTo(*temperature, 10)) : std::nullopt;
    project_.fixedExposure = exposure ? std::optional(roundedTo(*exposure, 0.01)) : std::nullopt;
    edited();
}

void Job::setExportFolder(const std::filesystem::path& folder) {
    project_.exportFolder = folder.string();
    edited();
}

void Job::setProfileTuning(const ProfileTuning& tuning) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    std::optional<ProfileTuning> value;
    if (!tuning.isZero()) value = tuning;
    if (value == project_.profileTuning) return;
    project_.profileTuning = std::move(value);
    edited();
}

void Job::rename(const std::string& name) {
    std::string text = UnicodeText::trimmed(name);
    if (text.empty()) return;
    project_.name = std::move(text);
    edited();
}

void Job::resetAnalyses() {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.layoutAnalyzedAt.reset();
    project_.straightenedAt.reset();
    project_.feetAnalyzedAt.reset();
    project_.teethAnalyzedAt.reset();
    project_.skinAnalyzedAt.reset();
    for (auto& photo : project_.photos) photo.subject.reset();
    edited();
}

void Job::setProfile(const Uuid& profile) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    if (project_.done() > 0) return;
    project_.profileID = profile;
    edited();
}

void Job::switchProfile(const Uuid& profile) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    // Photos still coming back from a run or a pass would otherwise be stored under the new profile.
    if (isRunInProgress(state_) || isAnalysing()) return;
    project_.profileID = profile;
    for (auto& photo : project_.photos)
        if (photo.status == PhotoItem::Status::done) photo.status = PhotoItem::Status::pending;
    project_.finishedAt.reset();
    changed(Property::project);
    save();
    setState(State::idle);
}

void Job::markExported() {
    project_.exportedAt = now();
    const bool cropAsked = project_.straightenRequested == true ||
                           (project_.crop && project_.crop->mode != CropSettings::Mode::none) ||
                           project_.smartReframe == true;
    if (cropAsked) project_.cropWritten = true;
    recordVersion();
    edited();
}

void Job::recordVersion() {
    auto history = project_.history.value_or(std::vector<EditVersion>{});
    EditVersion current = project_.currentVersion();
    current.date = now();
    if (!history.empty() && history.back().sameSettings(current)) return;
    const bool wasFull = history.size() >= historyCap;
    history.push_back(std::move(current));
    if (wasFull) {
        while (history.size() > historyCap) {
            const auto unnamed = std::find_if(history.begin(), history.end(), [](const EditVersion& v) { return !v.name; });
            if (unnamed == history.end()) break;  // named versions are never dropped
            history.erase(unnamed);
        }
    }
    project_.history = std::move(history);
    changed(Property::project);
}

void Job::restoreVersion(const EditVersion& v) {
    if (delivering_) return;  // the delivery writes the settings it read at its start
    project_.straightenRequested = v.straighten;
    project_.profileCorrection = v.profileCorrection;
    project_.noiseReduction = v.noiseReduction;
    project_.smartReframe = v.smartReframe;
    project_.crop = v.crop;
    project_.teethAmount = v.teethAmount;
    project_.skinAmount = v.skinAmount;
    project_.faceLevelAmount = v.faceLevelAmount;
    project_.subjectMaskAmount = v.subjectMaskAmount;
    project_.skinParams = v.skinParams;
    project_.basic = v.basic;
    project_.globalExposure = v.globalExposure;
    project_.presetOverrides = v.presetOverrides;
    project_.untouchedKeys = v.untouchedKeys;
    project_.fixedTemperature = v.fixedTemperature;
    project_.fixedExposure = v.fixedExposure;
    edited();
}

void Job::renameVersion(const Uuid& id, const std::string& name) {
    if (!project_.history) return;
    auto& history = *project_.history;
    const auto version = std::find_if(history.begin(), history.end(), [&](const EditVersion& v) { return v.id == id; });
    if (version == history.end()) return;
    std::string text = UnicodeText::trimmed(name);
    if (text.empty())
        version->name.reset();
    else
        version->name = std::move(text);
    edited();
}

}  // namespace orvane
