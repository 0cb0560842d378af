#include "app/projects/global_adjustments_model.h"

#include <algorithm>
#include <cmath>

#include "app/kit/localization.h"
#include "app/profiles/profile_tuning_model.h"
#include "core/pipeline/job.h"
#include "core/store/preset_keys.h"
#include "core/xmp/develop_preset.h"

namespace orvane::projects {

namespace {

class JobTarget final : public AdjustmentsTarget {
public:
    explicit JobTarget(std::shared_ptr<Job> job) : job_(std::move(job)) {}
    const Project& project() const override { return job_->project(); }
    void setBasic(const BasicAdjustments& basic) override { job_->setBasic(basic); }
    void setGlobalExposure(double ev) override { job_->setGlobalExposure(ev); }
    void setPresetOverrides(std::map<std::string, std::int64_t> overrides) override {
        job_->setPresetOverrides(std::move(overrides));
    }
    void setFixed(std::optional<double> temperature, std::optional<double> exposure) override {
        job_->setFixed(temperature, exposure);
    }
    void setTeethAmount(std::int64_t amount) override { job_->setTeethAmount(amount); }
    void setFaceLevelAmount(std::int64_t amount) override { job_->setFaceLevelAmount(amount); }
    void setSubjectMaskAmount(std::int64_t amount) override { job_->setSubjectMaskAmount(amount); }
    void setSkinParams(const SkinParams& params) override { job_->setSkinParams(params); }
    void setSkinAmount(std::int64_t amount) override { job_->setSkinAmount(amount); }
    void setUntouched(std::vector<std::string> keys) override { job_->setUntouched(std::move(keys)); }

private:
    std::shared_ptr<Job> job_;
};

// The integer the job receives: truncated toward zero.
std::int64_t whole(double value) { return std::isfinite(value) ? std::int64_t(value) : 0; }

// The settings through which a photo's computed values pass, without the fixed values: what the
// computed mode would show.
Project computedSettings(const Project& project) {
    Project settings;
    settings.basic = project.basic;
    settings.globalExposure = project.globalExposure;
    settings.profileTuning = project.profileTuning;
    return settings;
}

}  // namespace

std::shared_ptr<AdjustmentsTarget> jobAdjustmentsTarget(std::shared_ptr<Job> job) {
    return std::make_shared<JobTarget>(std::move(job));
}

GlobalAdjustmentsModel::GlobalAdjustmentsModel(std::shared_ptr<AdjustmentsTarget> target,
                                               std::optional<std::filesystem::path> preset, QObject* parent)
    : QObject(parent), target_(std::move(target)), presetFile_(std::move(preset)) {}

GlobalAdjustmentsModel::GlobalAdjustmentsModel(std::shared_ptr<Job> job, std::optional<std::filesystem::path> preset,
                                               QObject* parent)
    : GlobalAdjustmentsModel(jobAdjustmentsTarget(std::move(job)), std::move(preset), parent) {}

void GlobalAdjustmentsModel::load() {
    const Project& p = target_->project();
    b_ = p.basic.value_or(BasicAdjustments{});
    exposure_ = p.globalExposure.value_or(0.0);
    overrides_ = p.presetOverrides.value_or(std::map<std::string, std::int64_t>{});
    untouched_.clear();
    if (p.untouchedKeys) untouched_.insert(p.untouchedKeys->begin(), p.untouchedKeys->end());
    fixedT_ = p.fixedTemperature;
    fixedE_ = p.fixedExposure;
    teeth_ = double(p.teethAmount.value_or(0));
    faceLevel_ = double(p.faceLevelAmount.value_or(0));
    subjectShadows_ = double(p.subjectMaskAmount.value_or(0));
    // Stored skin parameters count only while skin smoothing is on; otherwise the rows keep theirs.
    if (p.skinAmount && *p.skinAmount > 0) {
        const SkinParams params = p.skinParams.value_or(SkinParams{});
        skinT_ = double(params.texture);
        skinC_ = double(params.clarity);
        skinS_ = double(params.sharpness);
    }
    preset_.reset();
    if (presetFile_) {
        try {
            preset_ = DevelopPreset::load(*presetFile_).attributes();
        } catch (const std::exception&) {
            preset_.reset();
        }
    }
    last_ = current();
    undo_.clear();
    redo_.clear();
    emit changed();
}

GlobalAdjustmentsModel::Snap GlobalAdjustmentsModel::current() const {
    return Snap{b_, exposure_, overrides_, teeth_, faceLevel_, subjectShadows_, skinT_, skinC_, skinS_};
}

// ---- tone keys ----

std::int64_t GlobalAdjustmentsModel::toneBase(const std::string& key) const {
    const auto& tuning = target_->project().profileTuning;
    if (tuning) {
        const auto it = tuning->overrides.find(key);
        if (it != tuning->overrides.end()) return it->second;
    }
    return preset_ ? profiles::ProfileTuningModel::presetValueIn(*preset_, key) : 0;
}

std::int64_t GlobalAdjustmentsModel::toneValue(const std::string& key) const {
    const auto it = overrides_.find(key);
    return it != overrides_.end() ? it->second : toneBase(key);
}

bool GlobalAdjustmentsModel::allLocked() const {
    return std::all_of(PresetKeys::all().begin(), PresetKeys::all().end(),
                       [this](const PresetKeys::Entry& e) { return isLocked(e.key); });
}

// ---- slider moves ----

namespace {
template <class T>
bool assign(T& field, const T& value) {
    if (field == value) return false;
    field = value;
    return true;
}
}  // namespace

void GlobalAdjustmentsModel::setTemperatureOffset(double kelvin) {
    if (assign(b_.temperature, kelvin)) emit changed();
}
void GlobalAdjustmentsModel::setTint(double tint) {
    if (assign(b_.tint, tint)) emit changed();
}
void GlobalAdjustmentsModel::setExposureOffset(double ev) {
    if (assign(exposure_, ev)) emit changed();
}
void GlobalAdjustmentsModel::setFixedTemperature(double kelvin) {
    if (assign(fixedT_, std::optional<double>(kelvin))) emit changed();
}
void GlobalAdjustmentsModel::setFixedExposure(double ev) {
    if (assign(fixedE_, std::optional<double>(ev))) emit changed();
}
void GlobalAdjustmentsModel::setTeeth(double amount) {
    if (assign(teeth_, amount)) emit changed();
}
void GlobalAdjustmentsModel::setFaceLevel(double amount) {
    if (assign(faceLevel_, amount)) emit changed();
}
void GlobalAdjustmentsModel::setSkinTexture(double amount) {
    if (assign(skinT_, amount)) emit changed();
}
void GlobalAdjustmentsModel::setSkinClarity(double amount) {
    if (assign(skinC_, amount)) emit changed();
}
void GlobalAdjustmentsModel::setSkinSharpness(double amount) {
    if (assign(skinS_, amount)) emit changed();
}

void GlobalAdjustmentsModel::setToneKey(const std::string& key, double value) {
    if (!std::isfinite(value)) return;
    const auto rounded = std::int64_t(std::llround(value));
    const auto before = overrides_;
    if (rounded == toneBase(key)) {
        overrides_.erase(key);
    } else {
        overrides_[key] = rounded;
    }
    if (overrides_ != before) emit changed();
}

// ---- commits ----

void GlobalAdjustmentsModel::checkpoint() {
    const Snap now = current();
    if (now == last_) return;
    undo_.push_back(last_);
    if (undo_.size() > undoLimit) undo_.erase(undo_.begin());
    redo_.clear();
    last_ = now;
}

void GlobalAdjustmentsModel::commitBasic() {
    checkpoint();
    target_->setBasic(b_);
    target_->setGlobalExposure(exposure_);
    target_->setPresetOverrides(overrides_);
    emit changed();
}

void GlobalAdjustmentsModel::commitFixed() {
    target_->setFixed(fixedT_, fixedE_);
    emit changed();
}

void GlobalAdjustmentsModel::commitTeeth() {
    checkpoint();
    target_->setTeethAmount(whole(teeth_));
    emit changed();
}

void GlobalAdjustmentsModel::commitFaceLevel() {
    checkpoint();
    target_->setFaceLevelAmount(whole(faceLevel_));
    emit changed();
}

void GlobalAdjustmentsModel::setSubject(bool on) {
    subjectShadows_ = on ? 100 : 0;
    checkpoint();
    target_->setSubjectMaskAmount(whole(subjectShadows_));
    emit changed();
}

void GlobalAdjustmentsModel::writeSkin() {
    checkpoint();
    target_->setSkinParams(SkinParams{whole(skinT_), whole(skinC_), whole(skinS_)});
    target_->setSkinAmount(skinT_ > 0 || skinC_ > 0 || skinS_ > 0 ? 100 : 0);
}

void GlobalAdjustmentsModel::commitSkin() {
    writeSkin();
    emit changed();
}

// ---- modes and locks ----

std::optional<double> GlobalAdjustmentsModel::median(std::vector<double> values) {
    if (values.empty()) return std::nullopt;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

std::vector<double> GlobalAdjustmentsModel::computedTemperatures(const Project& project) {
    const Project settings = computedSettings(project);
    std::vector<double> out;
    for (const auto& photo : project.photos)
        if (const auto t = settings.temperature(photo)) out.push_back(*t);
    return out;
}

std::vector<double> GlobalAdjustmentsModel::computedExposures(const Project& project) {
    const Project settings = computedSettings(project);
    std::vector<double> out;
    for (const auto& photo : project.photos)
        if (const auto e = settings.exposure(photo)) out.push_back(*e);
    return out;
}

void GlobalAdjustmentsModel::chooseTemperatureMode(Mode mode) {
    if (mode == Mode::fixed) {
        fixedT_ = median(computedTemperatures(target_->project())).value_or(fixedTemperatureBase);
    } else {
        fixedT_.reset();
    }
    commitFixed();
}

void GlobalAdjustmentsModel::chooseExposureMode(Mode mode) {
    if (mode == Mode::fixed) {
        fixedE_ = median(computedExposures(target_->project())).value_or(0.0);
    } else {
        fixedE_.reset();
    }
    commitFixed();
}

void GlobalAdjustmentsModel::writeUntouched() {
    target_->setUntouched(std::vector<std::string>(untouched_.begin(), untouched_.end()));
    emit changed();
}

void GlobalAdjustmentsModel::toggleLock(const std::string& key) {
    if (!untouched_.erase(key)) untouched_.insert(key);
    writeUntouched();
}

void GlobalAdjustmentsModel::toggleAllLocks() {
    const bool unlock = allLocked();
    for (const auto& entry : PresetKeys::all()) {
        if (unlock) {
            untouched_.erase(entry.key);
        } else {
            untouched_.insert(entry.key);
        }
    }
    writeUntouched();
}

// ---- steps ----

void GlobalAdjustmentsModel::apply(const Snap& snap) {
    last_ = snap;
    b_ = snap.b;
    exposure_ = snap.exposure;
    overrides_ = snap.overrides;
    teeth_ = snap.teeth;
    faceLevel_ = snap.faceLevel;
    subjectShadows_ = snap.subjectShadows;
    skinT_ = snap.skinT;
    skinC_ = snap.skinC;
    skinS_ = snap.skinS;
    checkpoint();
    target_->setBasic(b_);
    target_->setGlobalExposure(exposure_);
    target_->setPresetOverrides(overrides_);
    target_->setTeethAmount(whole(teeth_));
    target_->setFaceLevelAmount(whole(faceLevel_));
    target_->setSubjectMaskAmount(whole(subjectShadows_));
    writeSkin();
    emit changed();
}

void GlobalAdjustmentsModel::undo() {
    if (undo_.empty()) return;
    // A change not yet committed becomes a step of its own first, so the step taken back is the one
    // before it and the stacks stay in order.
    checkpoint();
    const Snap earlier = undo_.back();
    undo_.pop_back();
    redo_.push_back(last_);
    apply(earlier);
}

void GlobalAdjustmentsModel::redo() {
    if (redo_.empty()) return;
    const Snap later = redo_.back();
    redo_.pop_back();
    undo_.push_back(last_);
    apply(later);
}

void GlobalAdjustmentsModel::reset() {
    fixedT_.reset();
    fixedE_.reset();
    target_->setFixed(std::nullopt, std::nullopt);
    b_ = BasicAdjustments{};
    exposure_ = 0;
    overrides_.clear();
    teeth_ = faceLevel_ = subjectShadows_ = 0;
    target_->setSubjectMaskAmount(0);
    target_->setFaceLevelAmount(0);
    skinT_ = skinC_ = skinS_ = 0;
    checkpoint();
    target_->setBasic(BasicAdjustments{});
    target_->setGlobalExposure(0);
    target_->setPresetOverrides({});
    target_->setTeethAmount(0);
    writeSkin();
    emit changed();
}

bool GlobalAdjustmentsModel::canReset() const {
    return !b_.isZero() || exposure_ != 0 || fixedT_ || fixedE_ || !overrides_.empty() || teeth_ != 0 ||
           faceLevel_ != 0 || subjectShadows_ != 0 || skinT_ != 0 || skinC_ != 0 || skinS_ != 0;
}

// ---- texts ----

QString GlobalAdjustmentsModel::temperatureOffsetLabel(double kelvin) {
    return profiles::ProfileTuningModel::temperatureLabel(kelvin);
}

QString GlobalAdjustmentsModel::fixedTemperatureLabel(double kelvin) {
    return QString::asprintf("%.0f K", std::round(kelvin));
}

QString GlobalAdjustmentsModel::tintLabel(double tint) { return profiles::ProfileTuningModel::tintLabel(tint); }

QString GlobalAdjustmentsModel::exposureLabel(double ev) { return profiles::ProfileTuningModel::exposureLabel(ev); }

QString GlobalAdjustmentsModel::toneLabel(std::int64_t value) {
    return profiles::ProfileTuningModel::presetLabel(value);
}

QString GlobalAdjustmentsModel::amountLabel(double amount, bool offAtZero) {
    const std::int64_t n = whole(amount);
    if (offAtZero && n == 0) return kit::localized("oprit");
    return QString::number(n);
}

std::optional<QString> GlobalAdjustmentsModel::toneHint(const std::string& key) const {
    if (!hasOverride(key)) return std::nullopt;
    return kit::localized("preset: ") + toneLabel(toneBase(key));
}

}  // namespace orvane::projects
