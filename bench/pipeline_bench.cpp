// The per-photo pipeline against the bare LibRaw floor (open, unpack, half-size process) on the same
// files in the same run: per photo on one thread, then as throughput with 1, 2, 4 and all cores, each
// side run the same way. With no analyses the pipeline should stay within 1.25x of the floor; with
// every analysis requested the aim is 2x.
//
// Usage: pipeline_bench [photos] — the photos are copies of Debian's IMG_5952.CR2 (rawtran-doc) when
// installed, else generated 12-megapixel DNGs.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <thread>
#include <vector>

#include "bench/bench_timing.h"
#include "core/base/numbers.h"
#include "core/base/work_pool.h"
#include "core/photo/features.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/libraw_floor.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

extern "C" void omp_set_num_threads(int) __attribute__((weak));

namespace {

using orvane::bench::median;
using orvane::bench::seconds;
using orvane::Numbers::fixed;

}  // namespace

int main(int argc, char** argv) {
    if (omp_set_num_threads) omp_set_num_threads(1);
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    orvane::testing::TempDir dir;
    std::vector<std::filesystem::path> files;
    if (auto cr2 = orvane::testing::debianCameraRaw(dir)) {
        for (int i = 0; i < count; ++i) {
            auto copy = dir / ("IMG_" + std::to_string(i) + ".CR2");
            std::filesystem::copy_file(*cr2, copy);
            files.push_back(copy);
        }
    } else {
        for (int i = 0; i < count; ++i) {
            orvane::testing::DngSpec spec;
            spec.width = 4240;
            spec.height = 2832;
            auto file = dir / ("IMG_" + std::to_string(i) + ".dng");
            orvane::testing::writeDng(file, spec);
            files.push_back(file);
        }
    }
    // A profile trained as a real one is: every model, 300 rounds.
    orvane::Model::build(orvane::testing::syntheticSamples(300, 3), dir / "profile", orvane::Model::extraKeys());
    const orvane::Predictor predictor = orvane::Predictor::openProfile(dir / "profile");

    auto pipeline = [&](const std::filesystem::path& f) { (void)orvane::processPhoto(f, predictor, {}, false, false); };
    orvane::AnalysisRequest all;
    all.straighten = all.feet = all.teeth = all.layout = all.skin = all.subject = true;
    auto everyAnalysis = [&](const std::filesystem::path& f) { (void)orvane::processPhoto(f, predictor, all, false, false); };
    auto floor = [&](const std::filesystem::path& f) { orvane::testing::bareLibRawDecode(f, false); };

    try {
        // Warm the page cache, both paths and the processor's clock.
        for (int i = 0; i < 3; ++i) {
            floor(files[0]);
            pipeline(files[0]);
        }
        everyAnalysis(files[0]);  // loads the analysis models once

        const double n = static_cast<double>(files.size());
        const int cores = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
        std::vector<int> widths = {1, 2, 4, cores};
        std::sort(widths.begin(), widths.end());
        widths.erase(std::unique(widths.begin(), widths.end()), widths.end());
        auto& pool = orvane::WorkPool::high();

        // Per photo against the floor, then throughput; returns the one-thread ratio.
        auto compare = [&](const char* name, const std::function<void(const std::filesystem::path&)>& pipeline) {
            // Medians of the two sides taken in turn, photo by photo, so a noisy moment hits both alike.
            std::vector<double> floorTimes, pipelineTimes;
            for (int round = 0; round < 3; ++round) {
                for (const auto& f : files) {
                    floorTimes.push_back(seconds([&] { floor(f); }));
                    pipelineTimes.push_back(seconds([&] { pipeline(f); }));
                }
            }
            const double floorOne = median(floorTimes);
            const double pipelineOne = median(pipelineTimes);
            std::printf("%s, per photo, one thread (medians): floor %s ms, pipeline %s ms, ratio %s\n", name,
                        fixed(floorOne * 1000, 1).c_str(), fixed(pipelineOne * 1000, 1).c_str(),
                        fixed(pipelineOne / floorOne, 3).c_str());
            for (int workers : widths) {
                if (workers > cores) continue;
                auto run = [&](const std::function<void(const std::filesystem::path&)>& body) {
                    return seconds([&] { orvane::parallelFor(pool, files.size(), workers, [&](std::size_t i) { body(files[i]); }); });
                };
                const double f = run(floor), p = run(pipeline);
                std::printf("%s, workers %2d: floor %s photos/s, pipeline %s photos/s, ratio %s\n", name, workers,
                            fixed(n / f, 2).c_str(), fixed(n / p, 2).c_str(), fixed(p / f, 3).c_str());
            }
            return pipelineOne / floorOne;
        };

        std::printf("files: %zu x %s\n", files.size(), files[0].filename().c_str());
        // Where the pipeline's time goes, on one thread.
        double decode = 0, features = 0, predict = 0;
        for (const auto& f : files) {
            orvane::RawImage image;
            std::vector<double> v;
            decode += seconds([&] { image = orvane::loadRaw(f, false); });
            features += seconds([&] { v = orvane::Features::vector(image); });
            predict += seconds([&] {
                (void)predictor.predict(v);
                (void)predictor.predictExtras(v);
            });
        }
        std::printf("stages per photo: loadRaw %s ms, features %s ms, prediction %s ms\n", fixed(decode / n * 1000, 1).c_str(),
                    fixed(features / n * 1000, 1).c_str(), fixed(predict / n * 1000, 1).c_str());

        // Where the analyses' time goes, on one thread.
        const auto& analyzers = orvane::PhotoAnalyzers::standard();
        double lumaDecode = 0, faces = 0, straighten = 0, feet = 0, layout = 0, subject = 0;
        for (const auto& f : files) {
            orvane::RawImage image;
            lumaDecode += seconds([&] { image = orvane::loadRaw(f, true); });
            faces += seconds([&] { (void)analyzers.faces(image, true, true); });
            straighten += seconds([&] { (void)analyzers.straighten(image); });
            feet += seconds([&] { (void)analyzers.lowestEdge(image, 2); });
            layout += seconds([&] { (void)analyzers.layout(image); });
            subject += seconds([&] { (void)analyzers.subject(image); });
        }
        auto ms = [&](double t) { return fixed(t / n * 1000, 1); };
        std::printf("analyses per photo: loadRaw with luma %s ms, teeth and skin %s ms, straighten %s ms, feet %s ms, "
                    "layout %s ms, subject %s ms\n",
                    ms(lumaDecode).c_str(), ms(faces).c_str(), ms(straighten).c_str(), ms(feet).c_str(), ms(layout).c_str(),
                    ms(subject).c_str());

        const double plainRatio = compare("no analyses", pipeline);
        const double allRatio = compare("every analysis", everyAnalysis);
        if (allRatio > 2.0) std::printf("every analysis costs more than the 2x aim over the LibRaw floor\n");
        if (plainRatio > 1.25) {
            std::printf("over budget: the pipeline costs more than 1.25x the LibRaw floor\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
