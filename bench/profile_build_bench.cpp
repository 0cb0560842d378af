// Building a profile from a generated photographer's raws: where the time goes (feature extraction,
// evaluation, training), and the extraction's throughput against the bare LibRaw decode of the same
// files with the same number of workers, measured in the same run.
//
// Usage: profile_build_bench [photos] [width] [workers] — defaults 200 photos of 1024 x 680 pixels in
// five events, as many workers as cores.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <thread>
#include <vector>

#include "core/base/numbers.h"
#include "core/base/work_pool.h"
#include "core/photo/raw_image.h"
#include "core/style/profile_builder.h"
#include "testing/libraw_floor.h"
#include "testing/photographer.h"
#include "testing/temp_dir.h"

extern "C" void omp_set_num_threads(int) __attribute__((weak));

namespace {
using Clock = std::chrono::steady_clock;
using orvane::Numbers::fixed;

double since(Clock::time_point start, Clock::time_point end) { return std::chrono::duration<double>(end - start).count(); }
}  // namespace

int main(int argc, char** argv) {
    if (omp_set_num_threads) omp_set_num_threads(1);
    const int photos = argc > 1 ? std::max(10, std::atoi(argv[1])) : 200;
    const int width = argc > 2 ? std::max(64, std::atoi(argv[2])) : 1024;
    const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
    const int workers = argc > 3 ? std::max(1, std::atoi(argv[3])) : cores;

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
        std::printf("generated %zu raws of %d x %d in %s s; %d workers\n", files.size(), photographer.width,
                    photographer.height, fixed(since(start, Clock::now()), 1).c_str(), workers);

        // The floor: open, unpack and half-size process each file, nothing of ours around it. Once to
        // warm the page cache, then measured.
        auto floorRun = [&] {
            const auto t = Clock::now();
            orvane::parallelFor(orvane::WorkPool::high(), files.size(), workers,
                                [&](std::size_t i) {
                                    // One inner thread per worker, as the extraction runs (the setting is per thread).
                                    if (omp_set_num_threads) omp_set_num_threads(1);
                                    orvane::testing::bareLibRawDecode(files[i], false);
                                });
            return since(t, Clock::now());
        };
        floorRun();
        const double floor = floorRun();

        orvane::Profile profile;
        profile.id = orvane::Uuid::random();
        profile.name = "Bench";
        profile.presetName = "Neutru";
        std::mutex mutex;
        Clock::time_point extracted{}, trained{};
        // The real readers, with the time spent decoding summed over the workers.
        auto readers = orvane::ProfileBuilder::Readers::standard();
        std::atomic<long long> decodeNs{0};
        readers.loadRaw = [&](const std::filesystem::path& f, bool fullLuma) {
            const auto t = Clock::now();
            auto image = orvane::loadRaw(f, fullLuma);
            decodeNs += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - t).count();
            return image;
        };
        const auto buildStart = Clock::now();
        const auto built = orvane::ProfileBuilder::build(profile, catalogs, workers, nullptr,
                                                         [&](const orvane::ProfileBuilder::Phase& p) {
                                                             using Kind = orvane::ProfileBuilder::Phase::Kind;
                                                             std::lock_guard lock(mutex);
                                                             if (p.kind != Kind::features && extracted == Clock::time_point{})
                                                                 extracted = Clock::now();
                                                             if (p.kind == Kind::training) trained = Clock::now();
                                                         }, readers);
        const auto buildEnd = Clock::now();
        const double extraction = since(buildStart, extracted);
        const double evaluation = since(extracted, trained);
        const double training = since(trained, buildEnd);
        const double n = static_cast<double>(files.size());

        std::printf("build: %s s in all: extraction %s s, evaluation %s s, training %s s (%lld samples)\n",
                    fixed(since(buildStart, buildEnd), 2).c_str(), fixed(extraction, 2).c_str(),
                    fixed(evaluation, 2).c_str(), fixed(training, 2).c_str(), static_cast<long long>(built.samples));
        std::printf("extraction %s photos/s, bare decode floor %s photos/s, ratio %s\n", fixed(n / extraction, 1).c_str(),
                    fixed(n / floor, 1).c_str(), fixed(extraction / floor, 3).c_str());
        std::printf("per photo and worker: decoding %s ms of the extraction's %s ms, bare decode %s ms\n",
                    fixed(static_cast<double>(decodeNs.load()) / 1e6 / n, 1).c_str(),
                    fixed(extraction * workers / n * 1000, 1).c_str(), fixed(floor * workers / n * 1000, 1).c_str());
        if (built.evaluation && built.evaluation->baselineExposureMAE && built.evaluation->baselineTemperatureMAE) {
            const auto& e = *built.evaluation;
            std::printf("evaluation: exposure MAE %s EV (median %s), temperature MAE %s K (median %s)\n",
                        fixed(e.exposureMAE, 3).c_str(), fixed(*e.baselineExposureMAE, 3).c_str(),
                        fixed(e.temperatureMAE, 0).c_str(), fixed(*e.baselineTemperatureMAE, 0).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
