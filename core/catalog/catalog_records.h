#pragma once
// The values the catalog side hands to the rest of the system: photos read from a Lightroom Classic
// catalog, the record of an imported private copy, the import screen's counts and the typed failure.
#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/base/iso_date.h"
#include "core/base/strict_json.h"
#include "core/base/uuid.h"

namespace orvane {

// Develop values by setting name, kept in the order they were set (for catalog photos the order of
// Model::extraKeys()). Equality and hashing ignore the order, as for any map.
class SettingValues {
public:
    using Entry = std::pair<std::string, double>;

    SettingValues() = default;
    SettingValues(std::initializer_list<Entry> entries);

    // Replaces the value of an existing key in place, else appends.
    void set(std::string_view key, double value);
    std::optional<double> get(std::string_view key) const;
    bool contains(std::string_view key) const { return get(key).has_value(); }
    std::size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const std::vector<Entry>& entries() const { return entries_; }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    void reserve(std::size_t n) { entries_.reserve(n); }

    bool operator==(const SettingValues& other) const;

    // JSON form: an object from name to number.
    static Json toJson(const SettingValues& v);
    static SettingValues fromJson(const Json& j, const json::Path& path);

private:
    std::vector<Entry> entries_;
};

void hashAppend(Hasher& h, const SettingValues& v);

// One master photo of a catalog with the develop values read from its settings text.
struct CatalogPhoto {
    std::string path;  // root folder + folder path + base name + "." + extension, as the catalog has it
    std::optional<double> exposure;
    std::optional<double> temperature;
    std::optional<double> tint;
    bool edited = false;
    std::optional<double> cropAngle;
    std::optional<std::string> captureTime;
    std::optional<std::string> fileID;
    std::optional<SettingValues> extras;
    std::optional<bool> blackAndWhite;

    // Recognises one photo across catalogs: "<lower-cased file name>|<capture time>", or the path when
    // the capture time is absent or empty.
    std::string identity() const;
    // Worth learning from: exposure and temperature present, edited, and not black and white.
    bool usable() const;

    bool operator==(const CatalogPhoto&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("path", s.path);
        v.opt("exposure", s.exposure);
        v.opt("temperature", s.temperature);
        v.opt("tint", s.tint);
        v.req("edited", s.edited);
        v.opt("cropAngle", s.cropAngle);
        v.opt("captureTime", s.captureTime);
        v.opt("fileID", s.fileID);
        v.opt("extras", s.extras);
        v.opt("blackAndWhite", s.blackAndWhite);
    }
};

// One imported catalog: a private, verified copy kept in the data directory, saved as "catalog.json"
// beside the copy.
struct TrainingCatalog {
    Uuid id;
    std::string name;
    std::string source;
    Date imported{};
    std::int64_t photos = 0;
    std::int64_t usable = 0;
    std::int64_t rawMissing = 0;
    std::optional<std::int64_t> previews;
    std::optional<std::vector<std::string>> onlyPaths;

    // Store::root()/"Catalogs"/<ID>, read afresh at every call.
    std::filesystem::path dir() const;
    // dir()/"catalog.lrcat": the private copy (with its "-wal" and "-shm" beside it when the source had them).
    std::filesystem::path lrcat() const;
    // dir()/"catalog.json": this record's own file.
    std::filesystem::path file() const;

    // Photos this catalog offers for training a profile with the given engine (absent for no profile or
    // no engine). A "preview" engine learns from smart previews and so may use photos whose raw file
    // is missing.
    std::int64_t trainable(const std::optional<std::string>& engine) const;

    // The same for a profile record (anything with an `engine` member); a null profile counts as none.
    template <class P>
        requires requires(const P& p) {
            { p.engine } -> std::convertible_to<std::optional<std::string>>;
        }
    std::int64_t trainable(const P* profile) const {
        return trainable(profile ? std::optional<std::string>(profile->engine) : std::nullopt);
    }

    bool operator==(const TrainingCatalog&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("id", s.id);
        v.req("name", s.name);
        v.req("source", s.source);
        v.req("imported", s.imported);
        v.req("photos", s.photos);
        v.req("usable", s.usable);
        v.req("rawMissing", s.rawMissing);
        v.opt("previews", s.previews);
        v.opt("onlyPaths", s.onlyPaths);
    }
};

// The counts the import screen shows before a catalog is imported. No file form.
struct CatalogStats {
    std::int64_t photos = 0;
    std::int64_t edited = 0;  // usable photos
    std::int64_t valid = 0;   // usable photos whose raw file exists
    std::int64_t previews = 0;

    std::int64_t rawMissing() const { return edited - valid; }
    bool operator==(const CatalogStats&) const = default;
};

void hashAppend(Hasher& h, const CatalogStats& v);

// The failure of catalog reading and importing; what() is the user-facing Romanian message.
class CatalogError : public std::runtime_error {
public:
    enum class Kind { checksum, sqlite };

    // The copy of the named source file did not verify.
    static CatalogError checksum(std::string fileName);
    // SQLite's own message.
    static CatalogError sqlite(std::string message);

    Kind kind() const { return kind_; }
    // The file name or SQLite message the error carries.
    const std::string& detail() const { return detail_; }
    std::string message() const { return what(); }

    bool operator==(const CatalogError& other) const { return kind_ == other.kind_ && detail_ == other.detail_; }

private:
    CatalogError(Kind kind, std::string detail, const std::string& message)
        : std::runtime_error(message), kind_(kind), detail_(std::move(detail)) {}
    Kind kind_;
    std::string detail_;
};

}  // namespace orvane
