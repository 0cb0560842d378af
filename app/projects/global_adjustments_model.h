#pragma once
// The state of a project's adjustments panel: white balance and exposure offsets or fixed values, the
// ten tone keys' overrides and locks, and the mask amounts, for all photos of the project at once.
// Sliders change the state only; each finished change is handed to the project's job through its
// setters in a fixed order, and recorded in the panel's own undo and redo (at most 100 steps). The
// fixed values and the locks are written at once and are never part of an undo step. Main thread only.
#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "core/photo/analysis_records.h"
#include "core/store/basic_adjustments.h"
#include "core/store/project.h"

namespace orvane {
class Job;
}

namespace orvane::projects {

// Where the panel reads its project and writes its changes: the project's job, or a recorder in tests.
class AdjustmentsTarget {
public:
    virtual ~AdjustmentsTarget() = default;
    virtual const Project& project() const = 0;
    virtual void setBasic(const BasicAdjustments& basic) = 0;
    virtual void setGlobalExposure(double ev) = 0;
    virtual void setPresetOverrides(std::map<std::string, std::int64_t> overrides) = 0;
    virtual void setFixed(std::optional<double> temperature, std::optional<double> exposure) = 0;
    virtual void setTeethAmount(std::int64_t amount) = 0;
    virtual void setFaceLevelAmount(std::int64_t amount) = 0;
    virtual void setSubjectMaskAmount(std::int64_t amount) = 0;
    virtual void setSkinParams(const SkinParams& params) = 0;
    virtual void setSkinAmount(std::int64_t amount) = 0;
    virtual void setUntouched(std::vector<std::string> keys) = 0;
};

// The job as a target: every write goes through its setters.
std::shared_ptr<AdjustmentsTarget> jobAdjustmentsTarget(std::shared_ptr<Job> job);

class GlobalAdjustmentsModel final : public QObject {
    Q_OBJECT
public:
    static constexpr std::size_t undoLimit = 100;
    // The fixed temperature shown while none is set, and the target of its row's return to base.
    static constexpr double fixedTemperatureBase = 5500;
    static constexpr double teethBase = 42;
    static constexpr double faceLevelBase = 70;
    static constexpr double skinBase = 10;

    // What one undo step holds; fixed values, locks and the preset are not part of it.
    struct Snap {
        BasicAdjustments b;
        double exposure = 0;
        std::map<std::string, std::int64_t> overrides;
        double teeth = 0;
        double faceLevel = 0;
        double subjectShadows = 0;
        double skinT = 0, skinC = 0, skinS = 0;
        bool operator==(const Snap&) const = default;
    };

    enum class Mode { computed, fixed };

    // `preset` is the develop preset whose attributes give the tone keys' base values (none: no preset).
    GlobalAdjustmentsModel(std::shared_ptr<AdjustmentsTarget> target, std::optional<std::filesystem::path> preset,
                           QObject* parent = nullptr);
    GlobalAdjustmentsModel(std::shared_ptr<Job> job, std::optional<std::filesystem::path> preset,
                           QObject* parent = nullptr);

    // Reads the project and the preset afresh and empties both stacks (each time the panel comes on
    // screen). A missing or unreadable preset leaves none, silently.
    void load();

    const Project& project() const { return target_->project(); }
    bool hasPreset() const { return preset_.has_value(); }

    // --- the state ---
    const BasicAdjustments& basic() const { return b_; }
    double exposure() const { return exposure_; }
    const std::optional<double>& fixedTemperature() const { return fixedT_; }
    const std::optional<double>& fixedExposure() const { return fixedE_; }
    double shownFixedTemperature() const { return fixedT_.value_or(fixedTemperatureBase); }
    double shownFixedExposure() const { return fixedE_.value_or(0.0); }
    Mode temperatureMode() const { return fixedT_ ? Mode::fixed : Mode::computed; }
    Mode exposureMode() const { return fixedE_ ? Mode::fixed : Mode::computed; }
    const std::map<std::string, std::int64_t>& overrides() const { return overrides_; }
    const std::set<std::string>& untouched() const { return untouched_; }
    double teeth() const { return teeth_; }
    double faceLevel() const { return faceLevel_; }
    double subjectShadows() const { return subjectShadows_; }
    bool subjectOn() const { return subjectShadows_ > 0; }
    double skinTexture() const { return skinT_; }
    double skinClarity() const { return skinC_; }
    double skinSharpness() const { return skinS_; }
    Snap current() const;
    const Snap& last() const { return last_; }
    const std::vector<Snap>& undoStack() const { return undo_; }
    const std::vector<Snap>& redoStack() const { return redo_; }

    // --- tone keys ---
    // The profile tuning's override of the key, else the preset's whole-number value, else 0.
    std::int64_t toneBase(const std::string& key) const;
    // The project override while there is one, else the base.
    std::int64_t toneValue(const std::string& key) const;
    bool hasOverride(const std::string& key) const { return overrides_.count(key) > 0; }
    bool isLocked(const std::string& key) const { return untouched_.count(key) > 0; }
    bool allLocked() const;

    // --- slider moves (nothing reaches the job) ---
    void setTemperatureOffset(double kelvin);
    void setTint(double tint);
    void setExposureOffset(double ev);
    void setFixedTemperature(double kelvin);
    void setFixedExposure(double ev);
    // Rounded half away from zero; the base value itself removes the override.
    void setToneKey(const std::string& key, double value);
    void setTeeth(double amount);
    void setFaceLevel(double amount);
    void setSkinTexture(double amount);
    void setSkinClarity(double amount);
    void setSkinSharpness(double amount);

    // --- commits ---
    // Offsets and tone keys: an undo step, then the basic adjustments, the exposure and the overrides.
    void commitBasic();
    // The fixed values only; no undo step.
    void commitFixed();
    void commitTeeth();
    void commitFaceLevel();
    // The subject mask on (100) or off (0), committed at once.
    void setSubject(bool on);
    // The three skin amounts, then the skin amount: 100 when any of them is above 0, else 0.
    void commitSkin();

    // --- modes and locks (no undo step) ---
    // Fixed takes the median of the photos' computed values (again when already fixed); computed
    // clears the fixed value.
    void chooseTemperatureMode(Mode mode);
    void chooseExposureMode(Mode mode);
    void toggleLock(const std::string& key);
    // All ten unlocked when all are locked; otherwise all ten locked.
    void toggleAllLocks();

    // --- steps ---
    void undo();
    void redo();
    void reset();
    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // Something is set: an offset, a fixed value, an override or a mask amount (locks do not count).
    bool canReset() const;

    // The median used by the fixed modes: the value at index count / 2 of the sorted values.
    static std::optional<double> median(std::vector<double> values);
    // The photos' temperatures and exposures as the computed mode gives them (fixed values ignored).
    static std::vector<double> computedTemperatures(const Project& project);
    static std::vector<double> computedExposures(const Project& project);

    // --- texts ---
    static QString temperatureOffsetLabel(double kelvin);  // "+150 K"
    static QString fixedTemperatureLabel(double kelvin);   // "5500 K"
    static QString tintLabel(double tint);                 // "+3"
    static QString exposureLabel(double ev);               // "+0.25 EV"
    static QString toneLabel(std::int64_t value);          // "+25", "0"
    // The truncated integer; "oprit" (localised) at 0 when `offAtZero`.
    static QString amountLabel(double amount, bool offAtZero);
    // "preset: +25" while the key is overridden, else nothing.
    std::optional<QString> toneHint(const std::string& key) const;

signals:
    void changed();

private:
    void checkpoint();
    void apply(const Snap& snap);
    void writeSkin();
    void writeUntouched();

    std::shared_ptr<AdjustmentsTarget> target_;
    std::optional<std::filesystem::path> presetFile_;
    std::optional<std::vector<std::pair<std::string, std::string>>> preset_;

    BasicAdjustments b_;
    std::optional<double> fixedT_, fixedE_;
    double exposure_ = 0;
    std::map<std::string, std::int64_t> overrides_;
    std::set<std::string> untouched_;
    double teeth_ = 0, faceLevel_ = 0, subjectShadows_ = 0;
    double skinT_ = 0, skinC_ = 0, skinS_ = 0;
    std::vector<Snap> undo_, redo_;
    Snap last_;
};

}  // namespace orvane::projects
