#include "core/style/learning.h"

#include <algorithm>
#include <mutex>
#include <optional>
#include <unordered_set>

#include "core/base/processors.h"
#include "core/base/work_pool.h"
#include "core/catalog/catalog.h"

namespace orvane::Learning {

namespace {

std::unordered_set<std::string> donePaths(const Project& project) {
    std::unordered_set<std::string> paths;
    for (const PhotoItem& photo : project.photos) {
        if (photo.status == PhotoItem::Status::done) paths.insert(photo.path);
    }
    return paths;
}

// Absent when the catalog cannot be read.
std::optional<double> share(const std::unordered_set<std::string>& done, const std::filesystem::path& catalog,
                            const CatalogReader& read) {
    try {
        const std::vector<CatalogPhoto> photos = read(catalog);
        const auto matched = std::count_if(photos.begin(), photos.end(), [&](const CatalogPhoto& photo) {
            return photo.usable() && done.contains(photo.path);
        });
        return static_cast<double>(matched) / static_cast<double>(done.size());
    } catch (...) {
        return std::nullopt;
    }
}

}  // namespace

const CatalogReader& userCatalogReader() {
    static const CatalogReader reader = [](const std::filesystem::path& catalog) { return Catalog::read(catalog, true); };
    return reader;
}

double overlap(const Project& project, const std::filesystem::path& catalog, const CatalogReader& read) {
    const auto done = donePaths(project);
    if (done.empty()) return 0;
    return share(done, catalog, read).value_or(0);
}

std::vector<Match> matches(const Project& project, const std::vector<FoundCatalog>& candidates, double minOverlap,
                           const CatalogReader& read) {
    const auto done = donePaths(project);
    if (done.empty()) return {};
    std::vector<std::optional<Match>> slots(candidates.size());
    std::mutex lock;
    try {
        const int workers = usableProcessors();
        parallelFor(WorkPool::high(), candidates.size(), workers, [&](std::size_t i) {
            const auto measured = share(done, candidates[i].url, read);
            if (!measured || !(minOverlap <= *measured)) return;
            std::lock_guard guard(lock);
            slots[i] = Match{candidates[i], *measured};
        });
    } catch (...) {
        // share() catches everything a catalog can throw; only a failure to start threads lands here,
        // and the slots filled so far still stand.
    }
    std::vector<Match> out;
    for (auto& slot : slots) {
        if (slot) out.push_back(std::move(*slot));
    }
    std::stable_sort(out.begin(), out.end(), [](const Match& a, const Match& b) { return a.overlap > b.overlap; });
    return out;
}

}  // namespace orvane::Learning
