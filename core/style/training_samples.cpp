// The samples of one imported catalog and its feature cache.
#include <algorithm>
#include <cmath>
#include <map>
#include <mutex>
#include <set>
#include <unordered_set>

#include "core/catalog/catalog.h"
#include "core/photo/embedded_preview.h"
#include "core/photo/features.h"
#include "core/photo/smart_preview.h"
#include "core/store/store.h"
#include "core/style/model.h"
#include "core/style/profile_builder.h"
#include "core/vision/teeth_detector.h"

namespace orvane {
namespace fs = std::filesystem;

namespace {

// The embedded preview size the fast way works from.
constexpr int kFastPreviewSide = 1616;

struct Extraction {
    const CatalogPhoto* photo;
    fs::path image;
    bool smartPreview;  // `image` is the catalog's smart preview
};

std::map<std::string, Sample> readCache(const fs::path& file) {
    std::map<std::string, Sample> cache;
    try {
        for (auto& s : Store::load<std::vector<Sample>>(file)) cache.emplace(s.path, std::move(s));  // first wins
    } catch (const std::exception&) {
        // A missing or damaged cache is an empty one; it is rewritten below.
    }
    return cache;
}

bool learnable(const CatalogPhoto& p) {
    return p.usable() && plausibleTargets(*p.exposure, *p.temperature);
}

std::map<std::string, double> extrasOf(const SettingValues& values) {
    std::map<std::string, double> out;
    // A value that is not finite is no value: it could neither be stored nor learned.
    for (const auto& [key, value] : values)
        if (std::isfinite(value)) out.emplace(key, value);
    return out;
}

std::optional<RawImage> readImage(const Extraction& e, bool preview, bool fast, const ProfileBuilder::Readers& r) {
    try {
        if (preview) return r.smartPreview(e.image, 0.0f);
        if (fast) {
            try {
                return r.embeddedPreview(e.image, kFastPreviewSide);
            } catch (const std::exception&) {
                // No usable embedded preview: decode the raw data instead.
            }
        }
        return r.loadRaw(e.image, true);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

std::optional<std::vector<double>> featuresOf(const RawImage& image, const ProfileBuilder::Readers& r) {
    std::vector<SkinRegion> skin;
    if (r.skin) {
        try {
            skin = r.skin(image);
        } catch (const std::exception&) {
            skin.clear();  // a failed face analysis finds no face
        }
    }
    try {
        std::vector<double> x = Features::vector(image, skin);
        for (double v : x)
            if (!std::isfinite(v)) return std::nullopt;
        if (x.size() != Features::count) return std::nullopt;
        return x;
    } catch (const FeatureError&) {
        return std::nullopt;
    }
}

}  // namespace

const ProfileBuilder::Readers& ProfileBuilder::Readers::standard() {
    static const Readers readers{
        [](const fs::path& f, bool fullLuma) { return orvane::loadRaw(f, fullLuma); },
        [](const fs::path& f, int maxSide) { return EmbeddedPreview::load(f, maxSide); },
        [](const fs::path& f, float exposure) { return SmartPreview::load(f, exposure); },
        [](const RawImage& image) { return TeethDetector::analyze(image, false, true).skin; },
    };
    return readers;
}

fs::path ProfileBuilder::cacheFile(const TrainingCatalog& catalog, bool preview, bool fast) {
    const char* name = preview ? "features.preview.json" : fast ? "features.fast.json" : "features.json";
    return catalog.dir() / name;
}

std::vector<Sample> ProfileBuilder::samples(const TrainingCatalog& catalog, int workers, bool preview, bool fast,
                                            const CancelToken* cancel, const SampleProgress& progress,
                                            const Readers& readers) {
    const fs::path file = cacheFile(catalog, preview, fast);
    const fs::path source(catalog.source);
    std::map<std::string, Sample> cache = readCache(file);
    const std::vector<CatalogPhoto> photos = Catalog::read(catalog.lrcat(), false);

    std::unordered_set<std::string> usable;
    {
        std::optional<std::unordered_set<std::string>> only;
        if (catalog.onlyPaths) only.emplace(catalog.onlyPaths->begin(), catalog.onlyPaths->end());
        for (const auto& p : photos)
            if (learnable(p) && (!only || only->contains(p.path))) usable.insert(p.path);
    }

    // What to decode, in catalog order: usable photos without a current vector that have an image.
    std::vector<Extraction> todo;
    {
        std::unordered_set<std::string> queued;
        std::error_code ec;
        for (const auto& p : photos) {
            if (!usable.contains(p.path) || queued.contains(p.path)) continue;
            const auto cached = cache.find(p.path);
            if (cached != cache.end() && cached->second.x.size() == Features::count) continue;
            std::optional<Extraction> e;
            if (preview && p.fileID) {
                if (auto sp = SmartPreview::path(source, *p.fileID)) e = Extraction{&p, *sp, true};
            }
            if (!e && fs::exists(p.path, ec)) e = Extraction{&p, fs::path(p.path), false};
            if (!e) continue;  // neither raw file nor smart preview: nothing to learn from here
            queued.insert(p.path);
            todo.push_back(std::move(*e));
        }
    }

    if (!todo.empty()) {
        std::mutex mutex;  // guards `cache` and `done`
        int done = 0;
        const int total = static_cast<int>(todo.size());
        const std::size_t lanes = std::min<std::size_t>(todo.size(), static_cast<std::size_t>(std::max(1, workers)));
        // Worker w takes photos w, w + lanes, w + 2·lanes …; each decodes on its own thread only.
        parallelFor(WorkPool::high(), lanes, static_cast<int>(lanes), [&](std::size_t w) {
            for (std::size_t i = w; i < todo.size(); i += lanes) {
                if (cancel && cancel->isCancelled()) return;
                const Extraction& e = todo[i];
                std::optional<Sample> sample;
                if (auto image = readImage(e, preview, fast, readers)) {
                    if (auto x = featuresOf(*image, readers)) {
                        sample.emplace();
                        sample->path = e.photo->path;
                        sample->x = std::move(*x);
                        sample->exposure = *e.photo->exposure;
                        sample->temperature = *e.photo->temperature;
                        sample->identity = e.photo->identity();
                    }
                }
                int now;
                {
                    std::lock_guard lock(mutex);
                    if (sample) cache.insert_or_assign(sample->path, std::move(*sample));
                    now = ++done;
                }
                if (progress) progress(now, total);
            }
        });
    }

    // Further settings always follow the catalog, never the file.
    bool anyExtras = false;
    std::map<std::string, std::map<std::string, double>> extras;
    for (const auto& p : photos) {
        if (!p.extras) continue;
        anyExtras = true;
        extras.emplace(p.path, extrasOf(*p.extras));  // first wins
    }
    for (auto& [path, s] : cache) {
        const auto it = extras.find(path);
        if (it != extras.end())
            s.extras = it->second;
        else
            s.extras.reset();
    }

    // Develop values changed in the catalog since the features were cached.
    bool refreshed = false;
    {
        std::unordered_set<std::string> seen;
        for (const auto& p : photos) {
            if (!p.exposure || !p.temperature || !plausibleTargets(*p.exposure, *p.temperature)) continue;
            if (!seen.insert(p.path).second) continue;
            const auto it = cache.find(p.path);
            if (it == cache.end()) continue;
            Sample& s = it->second;
            const std::string identity = p.identity();
            if (s.exposure != *p.exposure || s.temperature != *p.temperature || s.identity != identity) {
                s.exposure = *p.exposure;
                s.temperature = *p.temperature;
                s.identity = identity;
                refreshed = true;
            }
        }
    }

    if (!todo.empty() || anyExtras || refreshed) {
        std::vector<Sample> all;
        all.reserve(cache.size());
        for (const auto& [path, s] : cache) all.push_back(s);
        Store::write(Store::encode(all), file);
    }

    if (cancel) cancel->throwIfCancelled();

    std::vector<Sample> out;
    for (const auto& [path, s] : cache) {
        if (usable.contains(path) && s.x.size() == Features::count) out.push_back(s);
    }
    return out;  // path order: the map's
}

}  // namespace orvane
