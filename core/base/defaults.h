#pragma once
// The user-defaults store: flat keys holding JSON values of their own type. A stored boolean false,
// a missing key and a text "false" are three different things to the readers, so types are kept.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "core/base/strict_json.h"

namespace orvane {

enum class DefaultsType { boolean, integer, number, text };

// One entry of the registry of keys: the single place a key is spelled.
struct DefaultsKey {
    const char* key;
    DefaultsType type;
    Json whenAbsent;  // what readers assume while the key is not stored (null: no value)
    const char* meaning;
};

namespace DefaultsKeys {
// The user's settings, in the order import and reset visit them.
const std::vector<DefaultsKey>& settings();
// Keys the reset removes after the settings.
const std::vector<std::string>& resetExtras();
// The registry entry of a key, if the key is a setting.
const DefaultsKey* find(const std::string& key);

// Keys the interface keeps for itself: never exported, imported or reset with the settings.
inline constexpr const char* catalogSort = "catalogSort";
inline constexpr const char* libraryProfile = "library.profile";
inline constexpr const char* skippedUpdateVersion = "skippedUpdateVersion";
const std::vector<DefaultsKey>& interfaceState();
// The registry entry of an interface key, if it is one.
const DefaultsKey* findInterfaceState(const std::string& key);
}  // namespace DefaultsKeys

class Defaults {
public:
    using Observer = std::function<void(const std::string& key)>;
    using ObserverId = std::uint64_t;

    virtual ~Defaults() = default;
    virtual std::optional<Json> value(const std::string& key) const = 0;
    virtual void set(const std::string& key, const Json& value) = 0;
    virtual void remove(const std::string& key) = 0;
    // Called after the key's value changed (set to a different value, or removed while present).
    virtual ObserverId observe(const std::string& key, Observer observer) = 0;
    virtual void unobserve(ObserverId id) = 0;

    // Typed reads: a value of another JSON type reads as absent.
    std::optional<bool> boolValue(const std::string& key) const;
    std::optional<std::int64_t> intValue(const std::string& key) const;  // whole numbers only
    std::optional<double> numberValue(const std::string& key) const;     // any number
    std::optional<std::string> textValue(const std::string& key) const;
};

// The store kept in one JSON file, replaced atomically on every change. An empty path keeps it in
// memory only (tests).
class FileDefaults final : public Defaults {
public:
    explicit FileDefaults(std::filesystem::path file = {});

    // $XDG_CONFIG_HOME/Vendrel/defaults.json, else ~/.config/Vendrel/defaults.json.
    static std::filesystem::path standardPath();

    std::optional<Json> value(const std::string& key) const override;
    void set(const std::string& key, const Json& value) override;
    void remove(const std::string& key) override;
    ObserverId observe(const std::string& key, Observer observer) override;
    void unobserve(ObserverId id) override;

    // The error of the last failed save, if any; the values in memory stay as set.
    std::optional<std::string> lastSaveError() const;

private:
    void persistLocked();
    void notify(const std::string& key);

    std::filesystem::path file_;
    mutable std::mutex mutex_;
    std::map<std::string, Json> values_;
    bool unreadableFileKept_ = false;
    std::optional<std::string> lastSaveError_;
    struct Entry {
        ObserverId id;
        std::string key;
        Observer observer;
    };
    std::vector<Entry> observers_;
    ObserverId nextId_ = 1;
};

// The process-wide store the core reads its settings from: FileDefaults at its standard path unless
// replaced (the application installs its own; tests install an in-memory one).
std::shared_ptr<Defaults> userDefaults();
void setUserDefaults(std::shared_ptr<Defaults> defaults);

}  // namespace orvane
