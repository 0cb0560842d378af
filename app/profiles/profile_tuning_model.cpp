#include "app/profiles/profile_tuning_model.h"

#include <cmath>

#include "app/kit/localization.h"
#include "core/base/numbers.h"
#include "core/xmp/develop_preset.h"

namespace orvane::profiles {

namespace {
// A zero that reads as such, whatever its sign or the rounding noise of the slider's step.
double tidy(double value, int decimals) {
    const double scale = std::pow(10.0, decimals);
    const double rounded = std::round(value * scale) / scale;
    return rounded == 0 ? 0.0 : rounded;
}
}  // namespace

ProfileTuningModel::ProfileTuningModel(std::filesystem::path preset, ProfileTuning initial, Saved onSave,
                                       QObject* parent)
    : QObject(parent), presetFile_(std::move(preset)), onSave_(std::move(onSave)), t_(initial), saved_(initial),
      last_(initial) {}

void ProfileTuningModel::loadPreset() {
    try {
        preset_ = DevelopPreset::load(presetFile_).attributes();
    } catch (const std::exception&) {
        preset_.reset();
    }
    emit changed();
}

std::int64_t ProfileTuningModel::presetValueIn(const Attributes& attributes, const std::string& key) {
    for (const auto& [name, text] : attributes) {
        if (name != key) continue;
        std::string_view digits = text;
        // A plus sign may lead; a second sign after it may not.
        if (digits.starts_with('+')) {
            digits.remove_prefix(1);
            if (digits.starts_with('-') || digits.starts_with('+')) return 0;
        }
        return Numbers::parseInt(digits).value_or(0);
    }
    return 0;
}

std::int64_t ProfileTuningModel::presetValue(const std::string& key) const {
    return preset_ ? presetValueIn(*preset_, key) : 0;
}

std::int64_t ProfileTuningModel::currentValue(const std::string& key) const {
    const auto it = t_.overrides.find(key);
    return it != t_.overrides.end() ? it->second : presetValue(key);
}

bool ProfileTuningModel::hasOverride(const std::string& key) const { return t_.overrides.count(key) > 0; }

void ProfileTuningModel::setTemperature(double value) {
    if (t_.basic.temperature == value) return;
    t_.basic.temperature = value;
    emit changed();
}

void ProfileTuningModel::setTint(double value) {
    if (t_.basic.tint == value) return;
    t_.basic.tint = value;
    emit changed();
}

void ProfileTuningModel::setExposure(double value) {
    if (t_.exposure == value) return;
    t_.exposure = value;
    emit changed();
}

void ProfileTuningModel::setPresetKey(const std::string& key, double value) {
    if (!std::isfinite(value)) return;
    const auto rounded = std::int64_t(std::llround(value));
    const ProfileTuning before = t_;
    if (rounded == presetValue(key)) {
        t_.overrides.erase(key);
    } else {
        t_.overrides[key] = rounded;
    }
    if (!(t_ == before)) emit changed();
}

void ProfileTuningModel::record() {
    if (t_ == last_) return;
    undo_.push_back(last_);
    if (undo_.size() > undoLimit) undo_.erase(undo_.begin());
    redo_.clear();
    last_ = t_;
}

void ProfileTuningModel::commit() {
    record();
    emit changed();
}

void ProfileTuningModel::undo() {
    if (undo_.empty()) return;
    // A change not yet recorded goes onto the stack first, so undo steps back from it to the state
    // recorded last and the stack stays in order.
    record();
    const ProfileTuning earlier = undo_.back();
    undo_.pop_back();
    redo_.push_back(last_);
    t_ = earlier;
    last_ = earlier;
    emit changed();
}

void ProfileTuningModel::redo() {
    if (redo_.empty()) return;
    const ProfileTuning later = redo_.back();
    redo_.pop_back();
    undo_.push_back(last_);
    t_ = later;
    last_ = later;
    emit changed();
}

void ProfileTuningModel::reset() {
    t_ = ProfileTuning();
    commit();
}

void ProfileTuningModel::save() {
    saved_ = t_;
    emit changed();
    if (onSave_) onSave_(t_);
}

QString ProfileTuningModel::temperatureLabel(double value) {
    return QString::asprintf("%+.0f K", tidy(value, 0));
}

QString ProfileTuningModel::tintLabel(double value) { return QString::asprintf("%+.0f", tidy(value, 0)); }

QString ProfileTuningModel::exposureLabel(double value) { return QString::asprintf("%+.2f EV", tidy(value, 2)); }

QString ProfileTuningModel::presetLabel(std::int64_t value) {
    return QString::fromStdString(Numbers::signedInteger(value));
}

std::optional<QString> ProfileTuningModel::presetHint(const std::string& key) const {
    if (!hasOverride(key)) return std::nullopt;
    return kit::localized("preset: ") + presetLabel(presetValue(key));
}

}  // namespace orvane::profiles
