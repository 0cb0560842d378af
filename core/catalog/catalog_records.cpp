#include "core/catalog/catalog_records.h"

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <algorithm>

#include "core/base/path_text.h"
#include "core/store/store.h"

namespace orvane {

// ---- SettingValues ----

SettingValues::SettingValues(std::initializer_list<Entry> entries) {
    for (const auto& [key, value] : entries) set(key, value);
}

void SettingValues::set(std::string_view key, double value) {
    for (auto& entry : entries_) {
        if (entry.first == key) {
            entry.second = value;
            return;
        }
    }
    entries_.emplace_back(std::string(key), value);
}

std::optional<double> SettingValues::get(std::string_view key) const {
    for (const auto& entry : entries_) {
        if (entry.first == key) return entry.second;
    }
    return std::nullopt;
}

bool SettingValues::operator==(const SettingValues& other) const {
    if (entries_.size() != other.entries_.size()) return false;
    for (const auto& [key, value] : entries_) {
        const auto theirs = other.get(key);
        if (!theirs || !(*theirs == value)) return false;
    }
    return true;
}

Json SettingValues::toJson(const SettingValues& v) {
    Json o = Json::object();
    for (const auto& [key, value] : v.entries_) o[key] = json::encode(value);
    return o;
}

SettingValues SettingValues::fromJson(const Json& j, const json::Path& path) {
    if (!j.is_object()) json::typeMismatch(j, path, "map");
    SettingValues out;
    out.reserve(j.size());
    for (auto it = j.begin(); it != j.end(); ++it) out.set(it.key(), json::decode<double>(it.value(), path.child(it.key())));
    return out;
}

void hashAppend(Hasher& h, const SettingValues& v) {
    // Sorted first, so equal maps hash alike whatever order they were filled in.
    std::vector<const SettingValues::Entry*> sorted;
    sorted.reserve(v.size());
    for (const auto& e : v) sorted.push_back(&e);
    std::sort(sorted.begin(), sorted.end(), [](const auto* a, const auto* b) { return a->first < b->first; });
    h.mix(sorted.size());
    for (const auto* e : sorted) {
        hashAppend(h, e->first);
        hashAppend(h, e->second);
    }
}

// ---- CatalogPhoto ----

namespace {

std::string lowerCased(std::string_view text) {
    icu::UnicodeString u = icu::UnicodeString::fromUTF8(icu::StringPiece(text.data(), static_cast<int32_t>(text.size())));
    u.toLower(icu::Locale::getRoot());
    std::string out;
    u.toUTF8String(out);
    return out;
}

}  // namespace

std::string CatalogPhoto::identity() const {
    if (!captureTime || captureTime->empty()) return path;
    return lowerCased(PathText::lastComponent(path)) + "|" + *captureTime;
}

bool CatalogPhoto::usable() const {
    return exposure.has_value() && temperature.has_value() && edited && blackAndWhite != true;
}

// ---- TrainingCatalog ----

std::filesystem::path TrainingCatalog::dir() const { return Store::catalogs() / id.text(); }
std::filesystem::path TrainingCatalog::lrcat() const { return dir() / "catalog.lrcat"; }
std::filesystem::path TrainingCatalog::file() const { return dir() / "catalog.json"; }

std::int64_t TrainingCatalog::trainable(const std::optional<std::string>& engine) const {
    if (engine && *engine == "preview") return std::max(usable, previews.value_or(usable));
    return usable;
}

// ---- CatalogStats ----

void hashAppend(Hasher& h, const CatalogStats& v) {
    hashAppend(h, v.photos);
    hashAppend(h, v.edited);
    hashAppend(h, v.valid);
    hashAppend(h, v.previews);
}

// ---- CatalogError ----

CatalogError CatalogError::checksum(std::string fileName) {
    std::string message = "Copia nu corespunde originalului (SHA-256): " + fileName;
    return CatalogError(Kind::checksum, std::move(fileName), message);
}

CatalogError CatalogError::sqlite(std::string message) {
    std::string text = "Catalogul nu se poate citi: " + message;
    return CatalogError(Kind::sqlite, std::move(message), text);
}

}  // namespace orvane
