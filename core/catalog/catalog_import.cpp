#include "core/catalog/catalog_import.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>
#include <system_error>
#include <thread>
#include <vector>

#include "core/catalog/catalog.h"
#include "core/photo/smart_preview.h"
#include "core/store/store.h"

namespace orvane::Catalog {

namespace fs = std::filesystem;

std::optional<CatalogStats> analyze(const fs::path& catalog) {
    std::vector<CatalogPhoto> photos;
    try {
        photos = read(catalog, true);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    CatalogStats s;
    s.photos = static_cast<std::int64_t>(photos.size());
    for (const auto& p : photos) {
        if (!p.usable()) continue;
        ++s.edited;
        std::error_code ec;
        if (fs::exists(p.path, ec)) ++s.valid;
        if (p.fileID && SmartPreview::path(catalog, *p.fileID)) ++s.previews;
    }
    return s;
}

namespace {
struct CopiedFile {
    fs::path source;
    std::string name;  // as the checksum error names it
    std::array<std::uint8_t, 32> digest;
};

// One attempt: copy and verify every file, then check that no source moved on meanwhile, so the three
// files are one consistent snapshot. Returns the photos read from the copy.
std::vector<CatalogPhoto> attempt(const fs::path& source, const fs::path& dest, const ImportHooks& hooks) {
    std::vector<CopiedFile> copied;
    for (const char* suffix : {"", "-wal", "-shm"}) {
        fs::path from = source;
        from += suffix;
        fs::path to = dest / "catalog.lrcat";
        to += suffix;
        std::error_code ec;
        fs::remove(to, ec);
        if (!fs::exists(from, ec)) continue;
        fs::copy_file(from, to);
        if (hooks.afterCopy) hooks.afterCopy(from);
        const auto sourceDigest = sha256(from);
        const auto copyDigest = sha256(to);
        const std::string name = source.filename().string() + suffix;
        if (sourceDigest != copyDigest) throw CatalogError::checksum(name);
        copied.push_back({from, name, sourceDigest});
    }
    for (const auto& c : copied) {
        std::error_code ec;
        if (!fs::exists(c.source, ec) || sha256(c.source) != c.digest) throw CatalogError::checksum(c.name);
    }
    // A companion that appeared after its turn would make the copy an inconsistent set as well.
    for (const char* suffix : {"-wal", "-shm"}) {
        fs::path from = source;
        from += suffix;
        std::error_code ec;
        const bool wasCopied = std::any_of(copied.begin(), copied.end(), [&](const CopiedFile& c) { return c.source == from; });
        if (!wasCopied && fs::exists(from, ec)) throw CatalogError::checksum(source.filename().string() + suffix);
    }
    return read(dest / "catalog.lrcat", false);
}
}  // namespace

TrainingCatalog importCatalog(const fs::path& catalog, const std::optional<std::set<std::string>>& only,
                              const ImportHooks& hooks) {
    const Uuid id = Uuid::random();
    const fs::path dest = Store::catalogs() / id.text();
    fs::create_directories(dest);

    std::vector<CatalogPhoto> photos;
    for (int n = 1;; ++n) {
        try {
            photos = attempt(catalog, dest, hooks);
            break;
        } catch (...) {
            if (n == 3) {
                std::error_code ec;
                fs::remove_all(dest, ec);
                throw;
            }
            const auto pause = std::chrono::milliseconds(1500);
            if (hooks.sleep)
                hooks.sleep(pause);
            else
                std::this_thread::sleep_for(pause);
        }
    }

    std::int64_t selected = 0, missing = 0, previews = 0;
    for (const auto& p : photos) {
        if (!p.usable() || (only && !only->count(p.path))) continue;
        ++selected;
        std::error_code ec;
        if (!fs::exists(p.path, ec)) ++missing;
        // Smart previews stay beside the user's catalog, never beside the copy.
        if (p.fileID && SmartPreview::path(catalog, *p.fileID)) ++previews;
    }
    TrainingCatalog t;
    t.id = id;
    t.name = catalog.stem().string();
    t.source = catalog.string();
    t.imported = std::chrono::system_clock::now();
    t.photos = static_cast<std::int64_t>(photos.size());
    t.usable = selected - missing;
    t.rawMissing = missing;
    t.previews = previews;
    if (only) t.onlyPaths = std::vector<std::string>(only->begin(), only->end());
    return t;
}

}  // namespace orvane::Catalog
