// Per photo: faces, landmarks, teeth and skin on a 24-megapixel DNG made from a real photo (the
// astronaut portrait of Debian's python3-imageio), against the bare LibRaw decode of the same file in
// the same run. Prints each median and the ratio of the face analysis to the decode floor.
//
// Usage: face_analysis_bench [rounds]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include <opencv2/core.hpp>

#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/photo/raw_image.h"
#include "core/vision/landmark_models.h"
#include "core/vision/teeth_detector.h"
#include "testing/libraw_floor.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"
#include "bench/bench_timing.h"

extern "C" void omp_set_num_threads(int) __attribute__((weak));

namespace {

using orvane::bench::median;
using orvane::bench::seconds;

}  // namespace

int main(int argc, char** argv) {
    orvane::keepFreedMemoryForReuse();  // as the application starts
    using orvane::Numbers::fixed;
    namespace TD = orvane::TeethDetector;
    // One thread per photo, as the job's workers run.
    if (omp_set_num_threads) omp_set_num_threads(1);
    cv::setNumThreads(1);
    const int rounds = argc > 1 ? std::max(1, std::atoi(argv[1])) : 5;

    if (auto reason = orvane::LandmarkModels::unavailableReason()) {
        std::fprintf(stderr, "%s\n", reason->c_str());
        return 2;
    }
    auto portrait = orvane::testing::astronautPortrait();
    if (!portrait) {
        std::fprintf(stderr, "astronaut.png is missing (install python3-imageio: scripts/setup.sh)\n");
        return 2;
    }
    orvane::testing::TempDir dir;
    const auto file = dir / "astronaut-24mp.dng";
    orvane::testing::writeDng(file, orvane::testing::photoDng(*portrait, 4000, 6000));

    try {
        const orvane::RawImage raw = orvane::loadRaw(file, true);
        // Warm the page cache, the model loads and both code paths once.
        orvane::testing::bareLibRawDecode(file);
        // The landmarker's own road: every round searches anew (the photo's shared search would answer
        // from its memory after the first).
        const auto& landmarker = orvane::LandmarkModels::landmarker();
        auto warm = TD::analyze(raw, true, true, landmarker);
        std::vector<double> floor, facesOnly, all;
        for (int i = 0; i < rounds; ++i) {
            floor.push_back(seconds([&] { orvane::testing::bareLibRawDecode(file); }));
            facesOnly.push_back(seconds([&] { (void)TD::analyze(raw, false, false, landmarker); }));
            all.push_back(seconds([&] { warm = TD::analyze(raw, true, true, landmarker); }));
        }
        const double b = median(floor), f = median(facesOnly), a = median(all);
        std::printf("file: %s (%dx%d stored, analysis plane %dx%d)\n", file.c_str(), 4000, 6000, raw.lumaW, raw.lumaH);
        std::printf("rounds: %d (medians)\n", rounds);
        std::printf("bare LibRaw decode:               %s ms\n", fixed(b * 1000, 1).c_str());
        std::printf("faces + landmarks:                %s ms\n", fixed(f * 1000, 1).c_str());
        std::printf("faces + landmarks + teeth + skin: %s ms (%zu teeth, %zu skin regions)\n",
                    fixed(a * 1000, 1).c_str(), warm.teeth.size(), warm.skin.size());
        std::printf("face analysis / LibRaw floor:     %s\n", fixed(a / b, 3).c_str());
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
