#include "core/catalog/catalog_backups.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <zip.h>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cerrno>
#include <ctime>
#include <map>
#include <mutex>
#include <optional>
#include <set>

#include "core/base/defaults.h"
#include "core/base/work_pool.h"
#include "core/store/store.h"

namespace orvane::CatalogWriter {

namespace fs = std::filesystem;

namespace {

constexpr std::array<const char*, 3> companions = {"", "-wal", "-shm"};

// One compression, pruning or limit run at a time: two runs zipping or deleting the same backup
// could otherwise remove an archive the other has just completed.
std::mutex& housekeeping() {
    static std::mutex m;
    return m;
}

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

void pruneLocked(const std::string& base);
void enforceLimitLocked();

void compressOneLocked(const fs::path& copy, const ZipWriter& zip) {
    std::error_code ec;
    if (!fs::is_regular_file(copy, ec)) return;
    const std::string stem = copy.stem().string();
    const fs::path archive = copy.parent_path() / (stem + ".zip");
    std::vector<std::pair<fs::path, std::string>> files;
    for (const char* suffix : companions) {
        const fs::path file = copy.string() + suffix;
        if (fs::is_regular_file(file, ec)) files.emplace_back(file, copy.filename().string() + suffix);
    }
    bool ok = false;
    try {
        ok = zip(archive, stem, files);
    } catch (...) {
        ok = false;
    }
    if (!ok) {
        fs::remove(archive, ec);
        return;
    }
    for (const auto& [file, name] : files) fs::remove(file, ec);
    fs::remove_all(copy.parent_path() / stem, ec);  // a work folder left by an older build
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

namespace {
// Puts a file's (or folder's) bytes on disk; false when it cannot.
bool synced(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool ok = ::fsync(fd) == 0;
    ::close(fd);
    return ok;
}
}  // namespace

fs::path makeBackup(const fs::path& catalog, std::chrono::system_clock::time_point now) {
    const fs::path folder = backupDirectory();
    fs::create_directories(folder);
    const fs::path copy = folder / (catalog.stem().string() + "-" + backupStamp(now) + ".lrcat");
    fs::copy_file(catalog, copy, fs::copy_options::none);
    for (const char* suffix : {"-wal", "-shm"}) {
        std::error_code ec;
        const fs::path companion = catalog.string() + suffix;
        if (fs::exists(companion, ec) && fs::copy_file(companion, copy.string() + suffix, fs::copy_options::none, ec))
            (void)synced(copy.string() + suffix);
    }
    // The copy is on disk before the catalog changes: a crash during the write must not take the backup
    // with it. (Left to the system, its writing-out would also run into the write that follows.)
    if (!synced(copy) || !synced(folder))
        throw fs::filesystem_error("cannot put the backup on disk", copy,
                                   std::error_code(errno ? errno : EIO, std::generic_category()));
    return copy;
}

bool zipFolder(const fs::path& archive, const std::string& folder,
               const std::vector<std::pair<fs::path, std::string>>& files) {
    int error = 0;
    // libzip writes the archive under a temporary name and renames it when closing, so a crash never
    // leaves a half-written archive under the final name.
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
    std::lock_guard lock(housekeeping());
    compressOneLocked(copy, zip);
}

void compressBackup(const fs::path& copy, const std::string& base, const ZipWriter& zip) {
    std::lock_guard lock(housekeeping());
    std::set<fs::path> copies = {copy};
    for (const auto& entry : listing(backupDirectory())) {
        const auto name = backupName(entry.filename().string());
        if (name && name->base == base && name->suffix == ".lrcat") copies.insert(entry);
    }
    for (const auto& c : copies) compressOneLocked(c, zip);
    pruneLocked(base);
}

void pruneBackups(const std::string& base) {
    std::lock_guard lock(housekeeping());
    pruneLocked(base);
}

void enforceBackupLimit() {
    std::lock_guard lock(housekeeping());
    enforceLimitLocked();
}

std::int64_t backupSize() {
    std::int64_t total = 0;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(backupDirectory(), ec), end; !ec && it != end; it.increment(ec)) {
        struct stat st {};
        if (::lstat(it->path().c_str(), &st) == 0) total += static_cast<std::int64_t>(st.st_size);
    }
    return total;
}

void deleteBackups() {
    const fs::path folder = backupDirectory();
    if (fs::exists(folder)) fs::remove_all(folder);
}

void compressBackupInBackground(const fs::path& copy, const std::string& base) {
    {
        std::lock_guard lock(pending().mutex);
        ++pending().count;
    }
    WorkPool::normal().submit([copy, base] {
        try {
            compressBackup(copy, base);
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

}  // namespace orvane::CatalogWriter
