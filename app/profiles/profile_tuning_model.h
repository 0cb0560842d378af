#pragma once
// The state of a profile's adjustments editor: the working tuning the sliders edit, the tuning last
// handed to the host, and the editor's own undo and redo. Sliders write without recording; the end of
// each change (a released drag, a key step, a row's reset) records one step. Main thread only.
#include <QObject>
#include <QString>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/store/profile_tuning.h"

namespace orvane::profiles {

class ProfileTuningModel final : public QObject {
    Q_OBJECT
public:
    using Saved = std::function<void(const ProfileTuning&)>;
    using Attributes = std::vector<std::pair<std::string, std::string>>;
    static constexpr std::size_t undoLimit = 100;

    // Seeded with the profile's tuning (the zero tuning when it has none); `onSave` gets the working
    // tuning at every save, never for moves, undo, redo or reset.
    ProfileTuningModel(std::filesystem::path preset, ProfileTuning initial, Saved onSave, QObject* parent = nullptr);

    // Reads the develop preset again (the editor does so each time it comes on screen); an unreadable
    // one leaves no preset, so every preset value reads 0.
    void loadPreset();
    bool hasPreset() const { return preset_.has_value(); }

    const ProfileTuning& working() const { return t_; }
    const ProfileTuning& saved() const { return saved_; }
    const std::vector<ProfileTuning>& undoStack() const { return undo_; }
    const std::vector<ProfileTuning>& redoStack() const { return redo_; }

    // The preset's value of a develop key: its first attribute of that name read as a whole number
    // (a leading sign allowed); 0 without a preset, without the attribute or for any other text.
    std::int64_t presetValue(const std::string& key) const;
    static std::int64_t presetValueIn(const Attributes& attributes, const std::string& key);
    // The override when there is one, else the preset's value.
    std::int64_t currentValue(const std::string& key) const;
    bool hasOverride(const std::string& key) const;

    // --- slider writes (no undo step) ---
    void setTemperature(double value);
    void setTint(double value);
    void setExposure(double value);
    // Rounded half away from zero; the preset's own value removes the override.
    void setPresetKey(const std::string& key, double value);

    // --- steps ---
    void commit();
    void undo();
    void redo();
    void reset();
    void save();

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    bool canReset() const { return !t_.isZero(); }
    bool isUnsaved() const { return !(t_ == saved_); }
    // "Salvat": nothing unsaved and a saved tuning that is not zero.
    bool showsSaved() const { return !isUnsaved() && !saved_.isZero(); }

    // Value labels: "+0 K", "-150 K"; "+3"; "+0.25 EV"; "0", "+25".
    static QString temperatureLabel(double value);
    static QString tintLabel(double value);
    static QString exposureLabel(double value);
    static QString presetLabel(std::int64_t value);
    // "preset: +25" while the key is overridden, else nothing.
    std::optional<QString> presetHint(const std::string& key) const;

signals:
    void changed();

private:
    void record();

    std::filesystem::path presetFile_;
    Saved onSave_;
    ProfileTuning t_, saved_, last_;
    std::vector<ProfileTuning> undo_, redo_;
    std::optional<Attributes> preset_;
};

}  // namespace orvane::profiles
