#pragma once
// Where the data lives and how records become files. Every read goes to disk again: no cache.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/base/strict_json.h"

namespace orvane::Store {

// The data directory, decided once per process on first use (thread-safe): ORVANE_DATA_DIR when set
// and non-empty, else the "Vendrel" folder of the user's data folder, taken over from "OrvaneStudio".
// It is not created here; the first write below it creates it.
const std::filesystem::path& root();
std::filesystem::path catalogs();
std::filesystem::path profiles();
std::filesystem::path projects();

// The same decision as root(), made afresh from the current environment.
std::filesystem::path resolveRoot();
// The user's data folder: $XDG_DATA_HOME, else ~/.local/share.
std::filesystem::path supportFolder();

// Moves a folder; throws on failure.
using FolderMover = std::function<void(const std::filesystem::path& from, const std::filesystem::path& to)>;

// supportFolder()/named, after moving supportFolder()/legacy there when only the legacy one exists.
// A failed move is not reported: the legacy folder is returned and used for this run.
std::filesystem::path migratedSupportFolder(const std::string& named, const std::string& legacy);
std::filesystem::path migratedSupportFolder(const std::filesystem::path& base, const std::string& named,
                                            const std::string& legacy, const FolderMover& move);

// JSON with sorted keys, compact, ISO-8601 dates; throws json::EncodeError for a non-finite number.
template <class T>
std::string encode(const T& record) {
    return json::dump(json::encode(record));
}

// Creates missing parent folders, then replaces the file atomically. Throws the platform's error;
// the previous file stays when the write fails.
void write(std::string_view bytes, const std::filesystem::path& to);

// Encodes first, so nothing is written when encoding fails.
template <class T>
void save(const T& record, const std::filesystem::path& to) {
    write(encode(record), to);
}

// Reads the whole file and decodes it strictly; throws the read error or json::DecodeError.
template <class T>
T load(const std::filesystem::path& from) {
    return json::decode<T>(json::parse(readWholeFile(from)));
}

// Entries directly inside `folder` (hidden ones included), in listing order.
std::vector<std::filesystem::path> entries(const std::filesystem::path& folder);

// Loads entry/file for every entry of the folder, in listing order; never fails: a missing folder gives
// an empty list, and missing, unreadable or undecodable records are left out silently.
template <class T>
std::vector<T> all(const std::filesystem::path& folder, const std::string& file) {
    std::vector<T> out;
    for (const auto& entry : entries(folder)) {
        try {
            out.push_back(load<T>(entry / file));
        } catch (const std::exception&) {
        }
    }
    return out;
}

}  // namespace orvane::Store
