// The per-photo pipeline against the bare LibRaw floor (open, unpack, half-size process, memory image:
// testing/libraw_floor.h) on the same files, in the same process and under the same conditions: the
// application's allocator setting, every model loaded and both paths warmed before any clock starts,
// both sides opening their LibRaw handle the same way (OpenMP on the calling thread) on the same
// threads. Per photo on one thread the two sides are timed in turn, photo by photo, over several
// rounds, and the ratio is the median of the ratios of those back-to-back pairs, so that a busy
// neighbour slowing the machine for a while slows both sides of a pair alike. Throughput with 1, 2, 4
// and every processor this process may use keeps every worker busy with floor and pipeline photos in
// turn, so both sides meet the same contention; each photo's time is taken, and photos per second are
// the workers over the median time. Every time printed is a median.
//
// Three profiles of the same trees:
// - image features only: decode, features and prediction, what every photo costs. It must stay within
//   the budget (1.10x by default) on one thread and on every worker, else the exit status is 1.
// - face features as well: every photo also gets the face search its features need (reported).
// - every analysis requested, with the face profile (reported; the aim is 2x).
//
// Usage: pipeline_bench [photos] [rounds] [budget] — the photos are copies of Debian's IMG_5952.CR2
// (rawtran-doc) when installed, else generated 12-megapixel DNGs.
#include <sys/resource.h>
#include <time.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "bench/bench_timing.h"
#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/base/work_pool.h"
#include "core/photo/features.h"
#include "core/pipeline/photo_pipeline.h"
#include "core/style/model.h"
#include "core/style/model_training.h"
#include "core/vision/photo_faces.h"
#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/libraw_floor.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::bench::median;
using orvane::bench::seconds;
using orvane::Numbers::fixed;
using Body = std::function<void(const fs::path&)>;

long minorFaults(int who = RUSAGE_THREAD) {
    rusage usage{};
    getrusage(who, &usage);
    return usage.ru_minflt;
}

std::string ms(double seconds) { return fixed(seconds * 1000, 1); }

struct Ratios {
    double oneThread = 0;
    double allWorkers = 0;
};

double threadSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) / 1e9;
}

// One side's times per photo, the processor time its thread spent (what a neighbour taking turns on the
// processors does not lengthen) and its page faults (the allocation churn a photo causes).
struct Side {
    std::vector<double> times, cpu, faults;
    void time(const Body& body, const fs::path& file) {
        const long before = minorFaults();
        const double cpuBefore = threadSeconds();
        times.push_back(seconds([&] { body(file); }));
        cpu.push_back(threadSeconds() - cpuBefore);
        faults.push_back(static_cast<double>(minorFaults() - before));
    }
};

// Pairs of measurements taken back to back, so the ratio of each pair sees the machine at one speed;
// the ratio printed is the median of the pairs' ratios, the times the medians of each side.
struct Pairs {
    std::vector<double> floor, pipeline, ratios;
    void add(double f, double p) {
        floor.push_back(f);
        pipeline.push_back(p);
        ratios.push_back(p / f);
    }
};

class Comparison {
public:
    Comparison(const std::vector<fs::path>& files, int rounds, Body floor)
        : files_(files), rounds_(rounds), floor_(std::move(floor)) {}

    // Per photo on one thread, then throughput at every width; prints the rows and returns the ratios.
    Ratios run(const char* name, const Body& pipeline) const {
        Side floor, ours;
        Pairs photos;
        for (int round = 0; round < rounds_; ++round) {
            for (const auto& file : files_) {
                // Which side goes first alternates, so neither always runs on a warmer cache.
                if (round % 2 == 0) {
                    floor.time(floor_, file);
                    ours.time(pipeline, file);
                } else {
                    ours.time(pipeline, file);
                    floor.time(floor_, file);
                }
                photos.add(floor.times.back(), ours.times.back());
            }
        }
        Ratios ratios;
        ratios.oneThread = median(photos.ratios);
        std::printf("%s, per photo, one thread: floor %s ms, pipeline %s ms, ratio %s (thread time %s / %s ms; page "
                    "faults per photo: floor %.0f, pipeline %.0f)\n",
                    name, ms(median(photos.floor)).c_str(), ms(median(photos.pipeline)).c_str(),
                    fixed(ratios.oneThread, 3).c_str(), ms(median(floor.cpu)).c_str(), ms(median(ours.cpu)).c_str(),
                    median(floor.faults), median(ours.faults));
        for (int workers : orvane::bench::workerWidths()) {
            // Every worker busy, taking floor and pipeline photos in turn: both sides meet the same
            // contention at the same moments, and each call's time is its cost at this width.
            Side floorBusy, oursBusy;
            std::mutex lock;
            const std::size_t count = batchSize(workers);
            for (int round = 0; round < rounds_; ++round) {
                orvane::parallelFor(orvane::WorkPool::high(), 2 * count, workers, [&](std::size_t i) {
                    const fs::path& file = files_[(i / 2) % files_.size()];
                    const bool isFloor = (i + static_cast<std::size_t>(round)) % 2 == 0;
                    Side one;
                    one.time(isFloor ? floor_ : pipeline, file);
                    std::lock_guard guard(lock);
                    Side& side = isFloor ? floorBusy : oursBusy;
                    side.times.push_back(one.times.front());
                    side.cpu.push_back(one.cpu.front());
                    side.faults.push_back(one.faults.front());
                });
            }
            const double ft = median(floorBusy.times), pt = median(oursBusy.times);
            ratios.allWorkers = pt / ft;  // the last width is every usable processor
            std::printf("%s, workers %2d: floor %s photos/s (%s ms a photo), pipeline %s photos/s (%s ms a photo), "
                        "ratio %s (thread time %s / %s ms; page faults per photo: floor %.0f, pipeline %.0f)\n",
                        name, workers, fixed(workers / ft, 2).c_str(), ms(ft).c_str(), fixed(workers / pt, 2).c_str(),
                        ms(pt).c_str(), fixed(ratios.allWorkers, 3).c_str(), ms(median(floorBusy.cpu)).c_str(),
                        ms(median(oursBusy.cpu)).c_str(), median(floorBusy.faults), median(oursBusy.faults));
        }
        return ratios;
    }

private:
    // Photos a side gets at `workers` workers a round: every file, repeated until every worker has at
    // least three of each side's photos, and all workers as many.
    std::size_t batchSize(int workers) const {
        const std::size_t w = static_cast<std::size_t>(workers);
        return (std::max(files_.size(), 3 * w) + w - 1) / w * w;
    }

    const std::vector<fs::path>& files_;
    int rounds_;
    Body floor_;
};

}  // namespace

int main(int argc, char** argv) {
    orvane::keepFreedMemoryForReuse();  // as the application starts
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 12;
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;
    const double budget = argc > 3 ? std::atof(argv[3]) : 1.10;
    orvane::testing::TempDir dir;
    std::vector<fs::path> files;
    if (auto cr2 = orvane::testing::debianCameraRaw(dir)) {
        for (int i = 0; i < count; ++i) {
            auto copy = dir / ("IMG_" + std::to_string(i) + ".CR2");
            fs::copy_file(*cr2, copy);
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

    try {
        // The same trees twice, as real profiles are trained (every model, 300 rounds): once on the image
        // features alone, once on the face features as well.
        const auto samples = orvane::testing::syntheticSamples(300, 3);
        orvane::testing::writeTrainedModelFolder(samples, dir / "image-models", orvane::Features::imageCount,
                                                 orvane::Model::extraKeys());
        const auto imageProfile = orvane::Predictor::openModelDirectory(dir / "image-models");
        orvane::Model::build(samples, dir / "face-profile", orvane::Model::extraKeys());
        const auto faceProfile = orvane::Predictor::openProfile(dir / "face-profile");
        if (imageProfile.usesFaces() || !faceProfile.usesFaces()) {
            std::fprintf(stderr, "the profiles do not take the features they should\n");
            return 2;
        }

        orvane::AnalysisRequest every;
        every.straighten = every.feet = every.teeth = every.layout = every.skin = every.subject = true;
        // The photos are copies of one file: each worker would answer the face search of every copy
        // but the first from its memory of the last photo. Each copy is searched as a new photo is.
        const Body plain = [&](const fs::path& f) { (void)orvane::processPhoto(f, imageProfile, {}, false, false); };
        const Body faces = [&](const fs::path& f) {
            orvane::PhotoFaces::forgetLast();
            (void)orvane::processPhoto(f, faceProfile, {}, false, false);
        };
        const Body everyAnalysis = [&](const fs::path& f) {
            orvane::PhotoFaces::forgetLast();
            (void)orvane::processPhoto(f, faceProfile, every, false, false);
        };
        const Body floor = [](const fs::path& f) { orvane::testing::bareLibRawDecode(f); };

        // Every model loaded and both paths warmed (page cache, allocator, processor clock) before any clock.
        for (int i = 0; i < 2; ++i) {
            floor(files[0]);
            plain(files[0]);
            faces(files[0]);
            everyAnalysis(files[0]);
        }

        std::printf("files: %zu x %s, %d rounds, usable processors %d\n", files.size(), files[0].filename().c_str(),
                    rounds, orvane::usableProcessors());
        // Where the time goes, on one thread.
        const auto& analyzers = orvane::PhotoAnalyzers::standard();
        std::vector<double> decode, lumaDecode, features, predict, faceSearch, straighten, feet, layout, subject;
        for (const auto& f : files) {
            orvane::RawImage image;
            std::vector<double> v;
            decode.push_back(seconds([&] { image = orvane::loadRaw(f, false); }));
            features.push_back(seconds([&] { v = orvane::Features::vector(image); }));
            predict.push_back(seconds([&] {
                (void)imageProfile.predict(v);
                (void)imageProfile.predictExtras(v);
            }));
            lumaDecode.push_back(seconds([&] { image = orvane::loadRaw(f, true); }));
            orvane::PhotoFaces::forgetLast();
            faceSearch.push_back(seconds([&] { (void)analyzers.faces(image, false, true); }));
            straighten.push_back(seconds([&] { (void)analyzers.straighten(image); }));
            feet.push_back(seconds([&] { (void)analyzers.lowestEdge(image, 2); }));
            layout.push_back(seconds([&] { (void)analyzers.layout(image); }));
            subject.push_back(seconds([&] { (void)analyzers.subject(image); }));
        }
        std::printf("stages per photo: loadRaw %s ms (with the luma plane %s ms), features %s ms, prediction %s ms\n",
                    ms(median(decode)).c_str(), ms(median(lumaDecode)).c_str(), ms(median(features)).c_str(),
                    ms(median(predict)).c_str());
        std::printf("analyses per photo: face search for the face features %s ms, straighten %s ms, feet %s ms, "
                    "layout %s ms, subject %s ms\n",
                    ms(median(faceSearch)).c_str(), ms(median(straighten)).c_str(), ms(median(feet)).c_str(),
                    ms(median(layout)).c_str(), ms(median(subject)).c_str());

        const Comparison compare(files, rounds, floor);
        const Ratios plainRatios = compare.run("image features", plain);
        (void)compare.run("face features", faces);
        const Ratios everyRatios = compare.run("every analysis", everyAnalysis);
        if (everyRatios.oneThread > 2.0) std::printf("every analysis costs more than the 2x aim over the LibRaw floor\n");
        if (plainRatios.oneThread > budget || plainRatios.allWorkers > budget) {
            std::printf("over budget: the pipeline costs more than %sx the LibRaw floor\n", fixed(budget, 2).c_str());
            return 1;
        }
        std::printf("within budget: %sx on one thread, %sx on every worker (budget %sx)\n",
                    fixed(plainRatios.oneThread, 3).c_str(), fixed(plainRatios.allWorkers, 3).c_str(),
                    fixed(budget, 2).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
