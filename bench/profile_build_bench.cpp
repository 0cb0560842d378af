// Building a profile from a generated photographer's raws: where the time goes (feature extraction,
// evaluation, training), and the extraction's throughput against the bare LibRaw decode of the same
// files with the same number of workers, measured in the same run and process state. The generated
// raws are small, so the floor is a few milliseconds a photo and most of the extraction is the face
// search the face features need: the per-photo times (decoding, face search, the rest) say more than
// the ratio. Every figure is the median of rounds; each round removes the feature caches first, so
// every round extracts every photo.
//
// Usage: profile_build_bench [photos] [width] [workers] [rounds] — defaults 200 photos of 1024 x 680
// pixels in five events, as many workers as processors this process may use, 3 rounds.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "bench/bench_timing.h"
#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/base/work_pool.h"
#include "core/photo/raw_image.h"
#include "core/style/profile_builder.h"
#include "testing/libraw_floor.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"

namespace {
using Clock = std::chrono::steady_clock;
using orvane::bench::median;
using orvane::Numbers::fixed;

double since(Clock::time_point start, Clock::time_point end) { return std::chrono::duration<double>(end - start).count(); }

// Nanoseconds spent inside a reader, summed over the workers.
template <class F>
auto counted(std::atomic<long long>& total, F&& f) {
    const auto t = Clock::now();
    auto result = f();
    total += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t).count();
    return result;
}
}  // namespace

int main(int argc, char** argv) {
    orvane::keepFreedMemoryForReuse();  // as the application starts
    const int photos = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const int width = argc > 2 ? std::max(64, std::atoi(argv[2])) : 1024;
    const int workers = argc > 3 ? std::max(1, std::atoi(argv[3])) : orvane::usableProcessors();
    const int rounds = argc > 4 ? std::max(1, std::atoi(argv[4])) : 3;

    orvane::testing::TempDir dir;
    orvane::testing::ScopedEnv data("ORVANE_DATA_DIR", (dir / "data").string());
    try {
        auto photographer = orvane::testing::Photographer::standard();
        photographer.events.resize(5);
        photographer.photosPerEvent = photos / 5;
        photographer.width = width & ~1;
        photographer.height = (width * 2 / 3) & ~1;
        const auto start = Clock::now();
        const auto events = orvane::testing::generatePhotographer(dir / "shoot", photographer);
        std::vector<orvane::TrainingCatalog> catalogs;
        std::vector<std::filesystem::path> files;
        for (const auto& e : events) {
            catalogs.push_back(e.catalog);
            files.insert(files.end(), e.raws.begin(), e.raws.end());
        }
        const double n = static_cast<double>(files.size());
        std::printf("generated %zu raws of %d x %d in %s s; %d workers (%d usable processors), %d rounds\n", files.size(),
                    photographer.width, photographer.height, fixed(since(start, Clock::now()), 1).c_str(), workers,
                    orvane::usableProcessors(), rounds);

        // The floor: open, unpack, half-size process and memory image of each file, nothing of ours around it.
        auto floorRun = [&] {
            const auto t = Clock::now();
            orvane::parallelFor(orvane::WorkPool::high(), files.size(), workers,
                                [&](std::size_t i) { orvane::testing::bareLibRawDecode(files[i]); });
            return since(t, Clock::now());
        };
        floorRun();  // warms the page cache

        std::vector<double> floors, extractions, evaluations, trainings, decodes, faceSearches;
        long long samples = 0;
        for (int round = 0; round < rounds; ++round) {
            floors.push_back(floorRun());
            for (const auto& catalog : catalogs) {
                for (bool preview : {false, true})
                    for (bool fast : {false, true})
                        std::filesystem::remove(orvane::ProfileBuilder::cacheFile(catalog, preview, fast));
            }
            orvane::Profile profile;
            profile.id = orvane::Uuid::random();
            profile.name = "Bench " + std::to_string(round);
            profile.presetName = "Neutru";
            std::mutex mutex;
            Clock::time_point extracted{}, trained{};
            // The real readers, with the time spent decoding and searching faces summed over the workers.
            auto readers = orvane::ProfileBuilder::Readers::standard();
            const auto standard = readers;
            std::atomic<long long> decodeNs{0}, faceNs{0};
            readers.loadRaw = [&](const std::filesystem::path& f, bool fullLuma) {
                return counted(decodeNs, [&] { return standard.loadRaw(f, fullLuma); });
            };
            readers.skin = [&](const orvane::RawImage& image) {
                return counted(faceNs, [&] { return standard.skin(image); });
            };
            const auto buildStart = Clock::now();
            const auto built = orvane::ProfileBuilder::build(profile, catalogs, workers, nullptr,
                                                             [&](const orvane::ProfileBuilder::Phase& p) {
                                                                 using Kind = orvane::ProfileBuilder::Phase::Kind;
                                                                 std::lock_guard lock(mutex);
                                                                 if (p.kind != Kind::features &&
                                                                     extracted == Clock::time_point{})
                                                                     extracted = Clock::now();
                                                                 if (p.kind == Kind::training) trained = Clock::now();
                                                             },
                                                             readers);
            const auto buildEnd = Clock::now();
            extractions.push_back(since(buildStart, extracted));
            evaluations.push_back(since(extracted, trained));
            trainings.push_back(since(trained, buildEnd));
            decodes.push_back(static_cast<double>(decodeNs.load()) / 1e9);
            faceSearches.push_back(static_cast<double>(faceNs.load()) / 1e9);
            samples = static_cast<long long>(built.samples);
            if (round + 1 == rounds && built.evaluation && built.evaluation->baselineExposureMAE &&
                built.evaluation->baselineTemperatureMAE) {
                const auto& e = *built.evaluation;
                std::printf("evaluation: exposure MAE %s EV (median %s), temperature MAE %s K (median %s)\n",
                            fixed(e.exposureMAE, 3).c_str(), fixed(*e.baselineExposureMAE, 3).c_str(),
                            fixed(e.temperatureMAE, 0).c_str(), fixed(*e.baselineTemperatureMAE, 0).c_str());
            }
        }

        const double floor = median(floors), extraction = median(extractions);
        auto perPhoto = [&](double summed) { return fixed(summed / n * 1000, 1); };
        std::printf("build: extraction %s s, evaluation %s s, training %s s (%lld samples)\n", fixed(extraction, 2).c_str(),
                    fixed(median(evaluations), 2).c_str(), fixed(median(trainings), 2).c_str(), samples);
        std::printf("extraction %s photos/s, bare decode floor %s photos/s, ratio %s\n", fixed(n / extraction, 1).c_str(),
                    fixed(n / floor, 1).c_str(), fixed(extraction / floor, 3).c_str());
        std::printf("per photo and worker: extraction %s ms, of which decoding %s ms and the face search %s ms; "
                    "bare decode %s ms\n",
                    perPhoto(extraction * workers).c_str(), perPhoto(median(decodes)).c_str(),
                    perPhoto(median(faceSearches)).c_str(), perPhoto(floor * workers).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
