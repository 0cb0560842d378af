#include "core/catalog/export_watch.h"

#include "core/catalog/sqlite.h"

namespace orvane::ExportWatch {

namespace {

constexpr const char* kQuery =
    "select distinct rf.absolutePath || fo.pathFromRoot || f.baseName || '.' || f.extension\n"
    "from Adobe_libraryImageDevelopHistoryStep h\n"
    "join Adobe_images i on i.id_local = h.image\n"
    "join AgLibraryFile f on f.id_local = i.rootFile\n"
    "join AgLibraryFolder fo on fo.id_local = f.folder\n"
    "join AgLibraryRootFolder rf on rf.id_local = fo.rootFolder\n"
    "where h.name like 'Export - %' and i.copyName is null";

}  // namespace

std::optional<std::set<std::string>> exportedPaths(const std::filesystem::path& catalog,
                                                   const std::set<std::string>& among) {
    std::error_code ec;
    const bool locked = std::filesystem::exists(catalog.string() + ".lock", ec);
    try {
        // While the editor has the catalog open its pages change under us: read through SQLite's
        // locking then, and as an unchanging file otherwise.
        Sqlite::Connection db;
        if (locked) {
            db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
        } else {
            std::filesystem::path absolute = std::filesystem::absolute(catalog, ec);
            if (ec) absolute = catalog;
            db = Sqlite::Connection::open(Sqlite::immutableUri(absolute.string()), SQLITE_OPEN_READONLY | SQLITE_OPEN_URI);
        }
        db.busyTimeout(kBusyTimeoutMs);
        auto statement = db.prepare(kQuery);
        std::set<std::string> out;
        while (statement.step() == Sqlite::Step::row) {
            const auto path = statement.text(0);
            if (!path) continue;
            if (auto it = among.find(std::string(*path)); it != among.end()) out.insert(*it);
        }
        return out;
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace orvane::ExportWatch
