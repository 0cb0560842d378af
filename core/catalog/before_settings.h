#pragma once
// The parts of a catalog write beyond the settings text: the before-settings row that Lightroom
// Classic's before/after view starts from, the decoding of develop-history steps, and the review
// keyword. All run inside the caller's write transaction; nothing here commits or closes.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalog/sqlite.h"

namespace orvane::CatalogWriter {

inline constexpr std::string_view reviewKeyword = "Vendrel: de verificat";

// A compressed history step: a big-endian u32 length n (1 ≤ n ≤ 7,999,999), a zlib header starting
// 0x78, then raw DEFLATE. Absent when the bytes have another form, do not decode, or the stream does
// not end within n + 64 bytes (a cut text is never used). Invalid UTF-8 is replaced by U+FFFD.
std::optional<std::string> inflateHistory(std::string_view bytes);

// Makes sure the photo's before-settings row exists and holds the text of its oldest history step.
// A photo without a usable history step or a catalog without an entity counter is left as it is.
// Throws WriteError::notWritable when a statement fails.
void fixBeforeSettings(const Sqlite::Connection& db, std::int64_t imageID, std::int64_t settingsID);

// The same repair with its statements prepared once, for a batch of photos on one connection. The
// entity counter is read once and raised once, by finish(): a batch is finished before anything else
// takes identifiers from the counter, and one left unfinished is rolled back.
class BeforeSettings {
public:
    // Throws WriteError::notWritable when a statement cannot be prepared.
    explicit BeforeSettings(const Sqlite::Connection& db);
    // Returns the identifier of a before-settings row it inserted. With `updateCache` false the settings
    // row's beforeSettingsIDCache is left to the caller, who rewrites that row anyway.
    std::optional<std::int64_t> fix(std::int64_t imageID, std::int64_t settingsID, bool updateCache = true);
    // Raises the entity counter past every identifier the batch took. Throws WriteError::notWritable.
    void finish();

private:
    const Sqlite::Connection& db_;
    Sqlite::Statement oldestStep_, beforeRow_, counter_, insert_, cache_, raiseCounter_, beforeText_, update_;
    std::optional<std::int64_t> lastID_;  // the counter as read, then the last identifier taken
    bool taken_ = false;
};

// Gives every photo the review keyword once, creating the keyword under the root keyword when it is
// missing. Row identifiers come from the catalog's entity counter, as Lightroom's own do; without a
// counter or a root keyword nothing is tagged. Throws WriteError::notWritable when a statement fails.
void tag(const std::vector<std::int64_t>& imageIDs, const Sqlite::Connection& db);

// "/" + number of digits + id, appended to the parent's genealogy.
std::string genealogy(std::string_view parent, std::int64_t id);

}  // namespace orvane::CatalogWriter
