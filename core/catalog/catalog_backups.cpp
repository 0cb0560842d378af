#include "core/catalog/catalog_backups.h"

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <set>

#include "core/base/atomic_file.h"
#include "core/base/defaults.h"
#include "core/base/work_pool.h"
#include "core/store/store.h"

namespace orvane::CatalogWriter {

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 3> companions = {"", "-wal", "-shm"};

// Copies and archives are made under this prefix and renamed to their backup name only once they are
// complete and on the disk, so a backup name always stands for a whole backup.
constexpr std::string_view unfinished = ".unfinished-";

[[noreturn]] void fail(const std::string& what, const fs::path& path, int err) {
    throw fs::filesystem_error(what, path, std::error_code(err, std::generic_category()));
}

// The lock of one backup folder, a file beside it: copies, compressions, pruning and the limit of
// every thread and every process take turns. The kernel drops it with a killed process.
class FolderLock {
public:
    explicit FolderLock(const fs::path& folder) {
        const fs::path file = folder.parent_path() / (folder.filename().string() + ".lock");
        fd_ = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        if (fd_ < 0) fail("nu se poate bloca dosarul copiilor de siguranță", file, errno);
        // A fresh open file description per holder, so threads of one process exclude each other too.
        while (::flock(fd_, LOCK_EX) != 0) {
            if (errno == EINTR) continue;
            const int err = errno;
            ::close(fd_);
            fail("nu se poate bloca dosarul copiilor de siguranță", file, err);
        }
    }
    FolderLock(FolderLock&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    FolderLock& operator=(FolderLock&&) = delete;
    ~FolderLock() {
        if (fd_ < 0) return;
        // Unlocked explicitly: a child forked meanwhile shares the descriptor and would keep it locked.
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
    }

private:
    int fd_ = -1;
};

// A name of the backup folder split into catalog base, stamp and stem. Only "<base>-yyyyMMdd-HHmmss"
// followed by a known suffix (or nothing, for a work folder) is a backup name.
struct BackupName {
    std::string base;
    std::string day;    // yyyyMMdd
    std::string stamp;  // yyyyMMdd-HHmmss
    std::string stem;   // base-stamp
    std::string suffix;
};

bool digits(std::string_view s) {
    return std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

std::optional<BackupName> backupName(const std::string& name) {
    if (name.rfind(unfinished, 0) == 0) return std::nullopt;
    static constexpr std::array<std::string_view, 5> suffixes = {".zip", ".lrcat", ".lrcat-wal", ".lrcat-shm", ""};
    for (const auto suffix : suffixes) {
        if (name.size() < suffix.size() + 17 || name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
            continue;
        const std::string stem = name.substr(0, name.size() - suffix.size());
        const std::string_view stamp = std::string_view(stem).substr(stem.size() - 15);
        if (stem[stem.size() - 16] != '-' || stamp[8] != '-' || !digits(stamp.substr(0, 8)) || !digits(stamp.substr(9)))
            continue;
        return BackupName{stem.substr(0, stem.size() - 16), std::string(stamp.substr(0, 8)), std::string(stamp), stem,
                          std::string(suffix)};
    }
    return std::nullopt;
}

// What a killed copy or compression leaves: our unfinished names, and libzip's temporary archive
// "<backup>.zip.XXXXXX" beside an archive that older builds wrote under its final name.
bool isLeftover(const std::string& name) {
    if (name.rfind(unfinished, 0) == 0) return true;
    const auto dot = name.rfind('.');
    if (dot == std::string::npos || name.size() - dot != 7) return false;
    const auto archive = backupName(name.substr(0, dot));
    return archive && archive->suffix == ".zip";
}

std::vector<fs::path> listing(const fs::path& folder) {
    std::vector<fs::path> out;
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) out.push_back(it->path());
    return out;
}

void removeStem(const fs::path& folder, const std::string& stem) {
    std::error_code ec;
    for (const char* suffix : {".zip", ".lrcat", ".lrcat-wal", ".lrcat-shm"}) fs::remove(folder / (stem + suffix), ec);
}

int keepCount() {
    const auto v = userDefaults()->intValue("backupKeep").value_or(0);
    if (v < 1) return 3;
    return v > 10 ? 10 : static_cast<int>(v);
}

// The limit in bytes; absent for no limit (unset, 0 or below, or too large to count in bytes).
std::optional<std::int64_t> limitBytes() {
    const auto v = userDefaults()->intValue("backupLimitGB").value_or(0);
    if (v <= 0 || v >= (std::int64_t{1} << 33)) return std::nullopt;
    return v << 30;
}

void clearLeftovers(const fs::path& folder) {
    std::error_code ec;
    for (const auto& entry : listing(folder))
        if (isLeftover(entry.filename().string())) fs::remove_all(entry, ec);
}

// Takes the folder's lock and clears what killed runs left, which only a holder of the lock may do:
// no one else can be making a copy or an archive meanwhile. Absent when there is no folder.
std::optional<FolderLock> holdFolder(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return std::nullopt;
    std::optional<FolderLock> lock;
    try {
        lock.emplace(folder);
    } catch (const fs::filesystem_error&) {
        return std::nullopt;
    }
    clearLeftovers(folder);
    return lock;
}

// Whether anything of this backup is in the folder: an archive, a copy or a companion, a work folder.
bool stemTaken(const fs::path& folder, const std::string& stem) {
    std::error_code ec;
    for (const char* suffix : {".zip", ".lrcat", ".lrcat-wal", ".lrcat-shm", ""})
        if (fs::exists(folder / (stem + suffix), ec)) return true;
    return false;
}

struct CloseDatabase {
    void operator()(sqlite3* db) const { sqlite3_close(db); }
};
using Database = std::unique_ptr<sqlite3, CloseDatabase>;

[[noreturn]] void copyFailed(sqlite3* db, int rc, const fs::path& catalog) {
    int err = db ? sqlite3_system_errno(db) : 0;
    if (err == 0) err = (rc & 0xFF) == SQLITE_FULL ? ENOSPC : (rc & 0xFF) == SQLITE_CANTOPEN ? ENOENT : EIO;
    const std::string message = db ? sqlite3_errmsg(db) : sqlite3_errstr(rc);
    fail("copia de siguranță a catalogului a eșuat (" + message + ")", catalog, err);
}

Database openDatabase(const fs::path& file, int flags, const fs::path& catalog) {
    sqlite3* raw = nullptr;
    const int rc = sqlite3_open_v2(file.c_str(), &raw, flags, nullptr);
    Database db(raw);
    if (rc != SQLITE_OK) copyFailed(raw, rc, catalog);
    return db;
}

// The catalog as SQLite reads it, into a new file. Opened for writing, the source connection rolls a
// hot journal back itself rather than copying what a killed writer left half done.
void copyDatabase(const fs::path& catalog, const fs::path& target) {
    const Database source = openDatabase(catalog, SQLITE_OPEN_READWRITE, catalog);
    const Database copy = openDatabase(target, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, catalog);
    // The copy is flushed once, whole, before it gets its name: it needs no journal of its own.
    int rc = sqlite3_exec(copy.get(), "pragma journal_mode = off; pragma synchronous = off", nullptr, nullptr, nullptr);
    if (rc != SQLITE_OK) copyFailed(copy.get(), rc, catalog);
    sqlite3_backup* backup = sqlite3_backup_init(copy.get(), "main", source.get(), "main");
    if (!backup) copyFailed(copy.get(), sqlite3_errcode(copy.get()), catalog);
    // One step reads the source in one read transaction: the copy is the catalog at one moment.
    rc = sqlite3_backup_step(backup, -1);
    const int finished = sqlite3_backup_finish(backup);
    if (rc != SQLITE_DONE) copyFailed(copy.get(), finished != SQLITE_OK ? finished : rc, catalog);
}

void pruneLocked(const std::string& base);
void enforceLimitLocked();

void compressOneLocked(const fs::path& copy, const ZipWriter& zip) {
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec)) return;
    const fs::path folder = copy.parent_path();
    const std::string stem = copy.stem().string();
    const fs::path archive = folder / (stem + ".zip");
    const fs::path partial = folder / (std::string(unfinished) + stem + ".zip");
    std::vector<std::pair<fs::path, std::string>> files;
    for (const char* suffix : companions) {
        const fs::path file = copy.string() + suffix;
        if (fs::is_regular_file(file, ec)) files.emplace_back(file, copy.filename().string() + suffix);
    }
    // The copies go only once the archive is whole, on the disk and under its name.
    bool ok = false;
    bool renamed = false;
    try {
        ok = zip(partial, stem, files);
        if (ok) {
            syncFile(partial);
            fs::rename(partial, archive);
            renamed = true;
            syncFolder(folder);
        }
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        // An archive renamed but not known to be on the disk keeps its copies beside it.
        if (!renamed) fs::remove(partial, ec);
        return;
    }
    for (const auto& [file, name] : files) fs::remove(file, ec);
    fs::remove_all(folder / stem, ec);  // a work folder left by an older build
}

void pruneLocked(const std::string& base) {
    const fs::path folder = backupDirectory();
    std::set<std::string> stems;
    for (const auto& entry : listing(folder)) {
        const auto name = backupName(entry.filename().string());
        if (name && name->base == base && (name->suffix == ".zip" || name->suffix == ".lrcat")) stems.insert(name->stem);
    }
    const auto keep = static_cast<std::size_t>(keepCount());
    if (stems.size() > keep) {
        std::size_t drop = stems.size() - keep;
        for (auto it = stems.begin(); drop > 0; ++it, --drop) removeStem(folder, *it);
    }
    enforceLimitLocked();
}

void enforceLimitLocked() {
    const auto limit = limitBytes();
    if (!limit) return;
    const fs::path folder = backupDirectory();
    const auto entries = listing(folder);
    // Oldest first by the full time stamp; the newest backup of each catalog and day is protected.
    std::map<std::string, BackupName> byStem;
    for (const auto& entry : entries)
        if (auto name = backupName(entry.filename().string())) byStem.emplace(name->stem, *name);
    std::vector<BackupName> order;
    for (auto& [stem, name] : byStem) order.push_back(name);
    std::sort(order.begin(), order.end(), [](const BackupName& a, const BackupName& b) {
        return a.stamp != b.stamp ? a.stamp < b.stamp : a.stem < b.stem;
    });
    std::map<std::pair<std::string, std::string>, std::string> newest;
    for (const auto& name : order) newest[{name.base, name.day}] = name.stem;
    std::set<std::string> protectedStems;
    for (const auto& [group, stem] : newest) protectedStems.insert(stem);

    std::size_t next = 0;
    while (backupSize() > *limit) {
        while (next < order.size() && protectedStems.count(order[next].stem)) ++next;
        if (next >= order.size()) return;
        const std::string stem = order[next++].stem;
        std::error_code ec;
        for (const auto& entry : entries) {
            const auto name = backupName(entry.filename().string());
            if (name && name->stem == stem) fs::remove_all(entry, ec);
        }
    }
}

// Background compressions still running.
struct Pending {
    std::mutex mutex;
    std::condition_variable idle;
    int count = 0;
};

Pending& pending() {
    static Pending p;
    return p;
}

}  // namespace

fs::path backupDirectory() { return Store::root() / "CatalogBackup"; }

std::string backupStamp(std::chrono::system_clock::time_point when) {
    const std::time_t t = std::chrono::system_clock::to_time_t(when);
    std::tm local{};
    localtime_r(&t, &local);
    char text[32];
    std::strftime(text, sizeof text, "%Y%m%d-%H%M%S", &local);
    return text;
}

fs::path makeBackup(const fs::path& catalog, std::chrono::system_clock::time_point now) {
    const fs::path folder = backupDirectory();
    fs::create_directories(folder);
    const FolderLock lock(folder);
    clearLeftovers(folder);
    // A name already taken (two writes within one second, or two catalogs of the same file name) moves
    // the stamp on by a second, so the backup still sorts and prunes with its catalog's others.
    std::string stem;
    for (int later = 0;; ++later) {
        stem = catalog.stem().string() + "-" + backupStamp(now + std::chrono::seconds(later));
        if (!stemTaken(folder, stem)) break;
        if (later == 24 * 3600) fail("nu mai există un nume liber pentru copia de siguranță", folder / stem, EEXIST);
    }
    const fs::path copy = folder / (stem + ".lrcat");
    const fs::path partial = folder / (std::string(unfinished) + stem + ".lrcat");
    try {
        copyDatabase(catalog, partial);
        syncFile(partial);
        if (const int err = renameNoReplace(partial, copy)) fail("copia de siguranță nu poate fi numită", copy, err);
    } catch (...) {
        std::error_code ec;
        fs::remove(partial, ec);
        throw;
    }
    syncFolder(folder);
    return copy;
}

bool zipFolder(const fs::path& archive, const std::string& folder,
               const std::vector<std::pair<fs::path, std::string>>& files) {
    int error = 0;
    // libzip writes the archive under a temporary name beside it ("<archive>.XXXXXX") and renames it
    // when closing.
    zip_t* z = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    if (!z) return false;
    bool ok = zip_dir_add(z, folder.c_str(), ZIP_FL_ENC_UTF_8) >= 0;
    for (const auto& [file, name] : files) {
        if (!ok) break;
        zip_source_t* source = zip_source_file(z, file.c_str(), 0, -1);
        if (!source) {
            ok = false;
            break;
        }
        const std::string entry = folder + "/" + name;
        const auto index = zip_file_add(z, entry.c_str(), source, ZIP_FL_ENC_UTF_8);
        if (index < 0) {
            zip_source_free(source);
            ok = false;
            break;
        }
        ok = zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_DEFLATE, 0) == 0;
    }
    if (!ok || zip_close(z) != 0) {
        zip_discard(z);
        std::error_code ec;
        fs::remove(archive, ec);
        return false;
    }
    return true;
}

void compressOne(const fs::path& copy, const ZipWriter& zip) {
    if (const auto lock = holdFolder(copy.parent_path())) compressOneLocked(copy, zip);
}

void compressBackup(const fs::path& copy, const std::string& base, const ZipWriter& zip) {
    const auto lock = holdFolder(backupDirectory());
    if (!lock) return;
    std::set<fs::path> copies = {copy};
    for (const auto& entry : listing(backupDirectory())) {
        const auto name = backupName(entry.filename().string());
        if (name && name->base == base && name->suffix == ".lrcat") copies.insert(entry);
    }
    for (const auto& c : copies) compressOneLocked(c, zip);
    pruneLocked(base);
}

void pruneBackups(const std::string& base) {
    if (const auto lock = holdFolder(backupDirectory())) pruneLocked(base);
}

void enforceBackupLimit() {
    if (const auto lock = holdFolder(backupDirectory())) enforceLimitLocked();
}

std::int64_t backupSize() {
    std::int64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(backupDirectory(), ec), end; !ec && it != end; it.increment(ec)) {
        if (it.depth() == 0 && isLeftover(it->path().filename().string())) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0) total += static_cast<std::int64_t>(st.st_size);
    }
    return total;
}

void deleteBackups() {
    const fs::path folder = backupDirectory();
    if (fs::exists(folder)) fs::remove_all(folder);
}

void compressBackupInBackground(const fs::path& copy, const std::string& base, const ZipWriter& zip) {
    {
        std::lock_guard lock(pending().mutex);
        ++pending().count;
    }
    WorkPool::normal().submit([copy, base, zip] {
        try {
            compressBackup(copy, base, zip);
        } catch (...) {
        }
        std::lock_guard lock(pending().mutex);
        if (--pending().count == 0) pending().idle.notify_all();
    });
}

void drainBackups() {
    std::unique_lock lock(pending().mutex);
    pending().idle.wait(lock, [] { return pending().count == 0; });
}

bool drainBackups(std::chrono::milliseconds limit) {
    std::unique_lock lock(pending().mutex);
    return pending().idle.wait_for(lock, limit, [] { return pending().count == 0; });
}

}  // namespace orvane::CatalogWriter
