#include "core/catalog/catalog_writer.h"

#include <array>
#include <string_view>
#include <unordered_map>

#include "core/base/uuid.h"
#include "core/catalog/before_settings.h"
#include "core/catalog/catalog_backups.h"
#include "core/store/store.h"

namespace orvane::CatalogWriter {

namespace fs = std::filesystem;

// ---- WriteError ----

WriteError WriteError::notWritable(std::string message) {
    const std::string text = "Catalogul nu se poate scrie: " + message;
    return WriteError(Kind::notWritable, std::move(message), text);
}

WriteError WriteError::integrity(std::string message) {
    const std::string text = "Verificarea catalogului a eșuat: " + message;
    return WriteError(Kind::integrity, std::move(message), text);
}

WriteError WriteError::lightroomOpen() {
    return WriteError(Kind::lightroomOpen, {}, "Închide Lightroom Classic înainte de a scrie în catalog.");
}

// ---- basics ----

bool isLocked(const fs::path& catalog) {
    std::error_code ec;
    return fs::exists(fs::path(catalog.string() + ".lock"), ec);
}

namespace {
// The path with links and "..", resolved as far as it exists, so a catalog reached through a link to
// the data directory is still recognised.
fs::path resolved(const fs::path& path) {
    std::error_code ec;
    fs::path out = fs::weakly_canonical(path, ec);
    return ec ? path.lexically_normal() : out;
}

bool lies(const fs::path& path, const fs::path& folder) {
    const fs::path rel = path.lexically_relative(folder);
    return !folder.empty() && !rel.empty() && *rel.begin() != "..";
}
}  // namespace

bool isUsableSource(const fs::path& catalog) {
    static constexpr std::array<std::string_view, 4> marks = {"/Vendrel/", "/OrvaneStudio/", ".bak-OrvaneStudio",
                                                              ".bak-Vendrel"};
    const std::string path = catalog.string();
    for (const auto mark : marks)
        if (path.find(mark) != std::string::npos) return false;
    // The data directory may live anywhere (ORVANE_DATA_DIR): its copies are the system's own too.
    const fs::path file = resolved(catalog);
    return !lies(file, resolved(Store::root())) && !lies(catalog.lexically_normal(), Store::root().lexically_normal());
}

void exec(const Sqlite::Connection& db, const std::string& sql) {
    char* error = nullptr;
    const int rc = sqlite3_exec(db.handle(), sql.c_str(), nullptr, nullptr, &error);
    if (rc == SQLITE_OK) return;
    std::string message = error && *error ? error : "?";
    sqlite3_free(error);
    throw WriteError::notWritable(std::move(message));
}

std::optional<std::string> scalar(const Sqlite::Connection& db, const std::string& sql) {
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db.handle(), sql.c_str(), -1, &stmt, nullptr) != SQLITE_OK || !stmt) {
        sqlite3_finalize(stmt);
        return std::nullopt;
    }
    std::optional<std::string> result;
    if (sqlite3_step(stmt) == SQLITE_ROW && sqlite3_column_type(stmt, 0) != SQLITE_NULL) {
        const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0));
        if (text) result.emplace(text, static_cast<std::size_t>(sqlite3_column_bytes(stmt, 0)));
    }
    sqlite3_finalize(stmt);
    return result;
}

std::string newDigest() {
    std::string out;
    for (const char c : Uuid::random().text())
        if (c != '-') out += static_cast<char>(c >= 'A' && c <= 'F' ? c - 'A' + 'a' : c);
    return out;
}

void checkIntegrity(const Sqlite::Connection& db) {
    sqlite3_stmt* stmt = nullptr;
    std::optional<std::string> answer;
    if (sqlite3_prepare_v2(db.handle(), "pragma integrity_check", -1, &stmt, nullptr) == SQLITE_OK && stmt &&
        sqlite3_step(stmt) == SQLITE_ROW) {
        if (const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt, 0))) answer = text;
    }
    // An absent answer is no pass: it is what a busy, damaged or foreign file gives.
    const std::string message = answer ? *answer : (sqlite3_errmsg(db.handle()) ? sqlite3_errmsg(db.handle()) : "?");
    sqlite3_finalize(stmt);
    if (answer != "ok") throw WriteError::integrity(message.empty() ? "?" : message);
}

namespace {

// Every master photo's composed path. The path is an expression over four tables that no index can
// serve, so it is read once per write rather than scanned for every photo; the first row of a path
// wins, as a lookup statement stepped once would give.
constexpr const char* selectPhotos =
    "select s.id_local, i.id_local, rf.absolutePath || fo.pathFromRoot || f.baseName || '.' || f.extension\n"
    "from Adobe_images i join AgLibraryFile f on f.id_local = i.rootFile\n"
    "join AgLibraryFolder fo on fo.id_local = f.folder join AgLibraryRootFolder rf on rf.id_local = fo.rootFolder\n"
    "join Adobe_imageDevelopSettings s on s.image = i.id_local\n"
    "where i.copyName is null";
constexpr const char* selectText = "select text from Adobe_imageDevelopSettings where id_local = ?1";
constexpr const char* updateSettings =
    "update Adobe_imageDevelopSettings set text = ?1, digest = ?2, hasDevelopAdjustmentsEx = 1, whiteBalance = "
    "'Custom',\n       hasMasks = ?3, beforeSettingsIDCache = coalesce(?5, beforeSettingsIDCache) where id_local = ?4";

// The transaction's body: every edit, then the keyword. Statements are finalised on return.
void writeEdits(const Sqlite::Connection& db, const std::vector<Edit>& edits, const std::set<std::string>& flagged,
                const Progress& progress, const MaskCorrections& maskCorrections, Outcome& outcome) {
    struct Row {
        std::int64_t settingsID = 0, imageID = 0;
    };
    std::unordered_map<std::string, Row> photos;
    if (!edits.empty()) writing([&] {
        auto all = db.prepare(selectPhotos);
        while (all.step() == Sqlite::Step::row)
            if (const auto path = all.text(2)) photos.try_emplace(std::string(*path), Row{all.int64(0), all.int64(1)});
    });
    Sqlite::Statement select = writing([&] { return db.prepare(selectText); });
    Sqlite::Statement update = writing([&] { return db.prepare(updateSettings); });
    BeforeSettings before(db);
    std::vector<std::int64_t> toTag;
    const auto count = static_cast<double>(edits.size());
    for (std::size_t i = 0; i < edits.size(); ++i) {
        const Edit& edit = edits[i];
        if (progress && i % 25 == 0)
            progress("Se scriu fotografiile în catalog…", 0.45 + 0.5 * static_cast<double>(i) / count);
        const auto found = photos.find(edit.path);
        std::optional<std::string> text;
        if (found != photos.end()) {
            writing([&] {
                select.reset();
                select.bind(1, found->second.settingsID);
                if (select.step() == Sqlite::Step::row && !select.isNull(0)) text = std::string(*select.text(0));
            });
        }
        if (!text) {
            ++outcome.notFound;
            continue;
        }
        const auto merged = merge(*text, edit.attributes, edit.curves, edit.masks, maskCorrections);
        if (!merged)
            throw WriteError::notWritable("Setări Develop nerecunoscute pentru " + edit.path +
                                          "; tranzacția a fost anulată.");
        const auto [settingsID, imageID] = found->second;
        const bool hasMasks = merged->find("MaskGroupBasedCorrections") != std::string::npos;
        // The before-settings row first, so the settings row is rewritten once, with its cache.
        const auto beforeID = before.fix(imageID, settingsID, false);
        writing([&, settingsID = settingsID] {
            update.reset();
            update.bind(1, *merged).bind(2, newDigest()).bind(3, hasMasks ? 1 : 0).bind(4, settingsID);
            if (beforeID)
                update.bind(5, *beforeID);
            else
                update.bindNull(5);
            update.run();
        });
        if (flagged.count(edit.path)) toTag.push_back(imageID);
        ++outcome.written;
    }
    before.finish();  // before the keyword takes identifiers from the same counter
    tag(toTag, db);
}

}  // namespace

Outcome apply(const std::vector<Edit>& edits, const fs::path& catalog, std::chrono::system_clock::time_point now,
              bool ignoreStaleLock, const std::set<std::string>& flagged, const Progress& progress,
              const MaskCorrections& maskCorrections) {
    if (!ignoreStaleLock && isLocked(catalog)) throw WriteError::lightroomOpen();
    if (progress) progress("Se face copia de siguranță a catalogului…", 0.35);
    Outcome outcome;

    Sqlite::Connection db;
    try {
        db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READWRITE);
    } catch (const Sqlite::SqliteError& e) {
        throw WriteError::notWritable(e.what());
    }
    // The first read rolls back a hot journal that a killed writer left.
    checkIntegrity(db);
    exec(db, "begin immediate");
    try {
        // Under the write lock: the backup is exactly the catalog this transaction starts from.
        outcome.backup = makeBackup(catalog, now);
        writeEdits(db, edits, flagged, progress, maskCorrections, outcome);
        exec(db, "commit");
    } catch (...) {
        try {
            exec(db, "rollback");
        } catch (const WriteError&) {
            // The connection closes next; SQLite drops an unfinished transaction then.
        }
        throw;
    }
    checkIntegrity(db);
    compressBackupInBackground(outcome.backup, catalog.stem().string());
    return outcome;
}

}  // namespace orvane::CatalogWriter
