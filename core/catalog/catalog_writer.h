#pragma once
// Writing develop settings into a photographer's live Lightroom Classic catalog: the typed failure of a
// write, the lock-file and usable-source tests, and two small SQL helpers every step of the write shares.
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/catalog/settings_text.h"
#include "core/catalog/sqlite.h"

namespace orvane::CatalogWriter {

class WriteError : public std::runtime_error {
public:
    enum class Kind { notWritable, integrity, lightroomOpen };

    // "Catalogul nu se poate scrie: " + SQLite's message (or ours).
    static WriteError notWritable(std::string message);
    // "Verificarea catalogului a eșuat: " + what the check answered.
    static WriteError integrity(std::string message);
    static WriteError lightroomOpen();

    Kind kind() const { return kind_; }
    // The message the error carries (empty for lightroomOpen).
    const std::string& detail() const { return detail_; }
    // The text shown to the user.
    std::string errorDescription() const { return what(); }

private:
    WriteError(Kind kind, std::string detail, const std::string& description)
        : std::runtime_error(description), kind_(kind), detail_(std::move(detail)) {}
    Kind kind_;
    std::string detail_;
};

// Lightroom Classic keeps "<catalog>.lock" beside a catalog it holds open.
bool isLocked(const std::filesystem::path& catalog);

// False for the system's own private copies and backups, so they never show up as catalogs to read:
// anything inside the data directory in use (Store::root()) or inside a folder named like it, and
// the catalog backups the writer makes.
bool isUsableSource(const std::filesystem::path& catalog);

// Runs SQL text that returns no rows; throws notWritable with SQLite's message ("?" when it gives none).
void exec(const Sqlite::Connection& db, const std::string& sql);

// The first column of the first row as text; absent when the text cannot be prepared, yields no row,
// stops on an error or the value is NULL. Never throws.
std::optional<std::string> scalar(const Sqlite::Connection& db, const std::string& sql);

// A fresh random digest: a UUID's hexadecimal digits in lower case, without hyphens.
std::string newDigest();

// Answers whether the database is whole: only the answer "ok" passes. Any other first row, or no
// answer at all (a busy or damaged file, not a database), throws WriteError::integrity.
void checkIntegrity(const Sqlite::Connection& db);

// The settings computed for one photo.
struct Edit {
    std::string path;  // the raw file's absolute path, exactly as the catalog composes it
    Attributes attributes;
    Curves curves;
    std::optional<TeethMask::Spec> masks;  // absent: the photo's local corrections stay as they are
};

struct Outcome {
    std::int64_t written = 0;
    std::int64_t notFound = 0;
    std::filesystem::path backup;  // the uncompressed copy; zipped soon after in the background
};

using Progress = std::function<void(const std::string& message, double fraction)>;

// Writes the edits into the catalog: lock test, integrity check, one transaction that first takes the
// backup and then writes every photo (settings text, before-settings, review keyword for the `flagged`
// paths), commit, a second integrity check, then the backup's compression on the low-priority pool.
// Either every found photo is written or none is. Throws WriteError, or
// std::filesystem::filesystem_error from the backup copy (nothing written then).
Outcome apply(const std::vector<Edit>& edits, const std::filesystem::path& catalog,
              std::chrono::system_clock::time_point now, bool ignoreStaleLock, const std::set<std::string>& flagged,
              const Progress& progress = {}, const MaskCorrections& maskCorrections = CatalogMasks::luaCorrections);

// Runs `body`, turning an SQLite failure into notWritable with SQLite's message.
template <class Body>
auto writing(Body&& body) -> decltype(body()) {
    try {
        return body();
    } catch (const Sqlite::SqliteError& e) {
        const std::string message = e.what();
        throw WriteError::notWritable(message.empty() ? "?" : message);
    }
}

}  // namespace orvane::CatalogWriter
