// Times the people analyses of one photo (the person layout with its segmentation, then the subject
// region, which reuses the network's answer) against the bare LibRaw decode of the same file, and prints their ratio. The photos are
// Debian's real ones with people, made into camera raw files; a raw file given on the command line is
// timed instead.
//
// Usage: people_bench [raw file] [rounds]
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <utility>
#include <vector>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/photo/raw_image.h"
#include "core/style/model_vault.h"
#include "core/vision/person_extent.h"
#include "core/vision/person_layout.h"
#include "core/vision/person_segmentation.h"
#include "core/vision/subject_detector.h"
#include "bench/bench_timing.h"
#include "testing/libraw_floor.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

extern "C" void omp_set_num_threads(int) __attribute__((weak));

using orvane::bench::median;
using orvane::bench::seconds;

int main(int argc, char** argv) {
    orvane::keepFreedMemoryForReuse();  // as the application starts
    using orvane::Numbers::fixed;
    // One thread, as the job's workers run.
    if (omp_set_num_threads) omp_set_num_threads(1);
    cv::setNumThreads(1);

    const auto model = orvane::ModelVault::resourceDirectory() / orvane::PersonSegmentation::modelFileName;
    if (!orvane::PersonSegmentation(model).loaded()) {
        std::fprintf(stderr, "no person-segmentation network at %s (run scripts/setup.sh, then build)\n", model.c_str());
        return 2;
    }
    orvane::testing::TempDir dir;
    std::vector<std::pair<std::string, std::filesystem::path>> files;
    if (argc > 1) {
        files.emplace_back(argv[1], argv[1]);
    } else {
        for (auto [name, photo] : {std::pair{"astronaut", orvane::testing::debianPhoto("astronaut.png")},
                                   std::pair{"footballer", orvane::testing::debianPhoto("messi5.jpg")}}) {
            if (!photo) continue;
            // Large enough that the half-size decode gives a working image near its full size.
            const auto file = dir / (std::string(name) + ".dng");
            const cv::Mat bgr = cv::imread(photo->string(), cv::IMREAD_COLOR);
            orvane::testing::writeDng(file, orvane::testing::photoDng(bgr, bgr.cols * 4, bgr.rows * 4));
            files.emplace_back(name, file);
        }
    }
    if (files.empty()) {
        std::fprintf(stderr, "no photo with people installed (python3-imageio, opencv-doc)\n");
        return 2;
    }
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    try {
        for (const auto& [name, file] : files) {
            const orvane::RawImage raw = orvane::loadRaw(file, false);
            orvane::testing::bareLibRawDecode(file);  // warm the page cache
            std::vector<double> bare, layout, subject;
            std::size_t people = 0;
            for (int i = 0; i < rounds; ++i) {
                // A fresh detector each round: the layout runs the network, the subject reuses its answer
                // for the same image, as in the pipeline.
                orvane::PersonSegmentation detector(model);
                bare.push_back(seconds([&] { orvane::testing::bareLibRawDecode(file); }));
                layout.push_back(seconds([&] {
                    const auto l = orvane::SmartCrop::analyze(raw, detector);
                    people = l ? l->people.size() : 0;
                }));
                subject.push_back(seconds([&] { (void)orvane::SubjectDetector::region(raw, detector); }));
            }
            const double b = median(bare), l = median(layout), s = median(subject);
            std::printf("%s: %s (%d × %d decoded, %zu people)\n", name.c_str(), file.c_str(), raw.w, raw.h, people);
            std::printf("  bare LibRaw:          %s ms\n", fixed(b * 1000, 1).c_str());
            std::printf("  layout (network):     %s ms\n", fixed(l * 1000, 1).c_str());
            std::printf("  subject (reused):     %s ms\n", fixed(s * 1000, 1).c_str());
            std::printf("  people / bare LibRaw: %s\n", fixed((l + s) / b, 3).c_str());
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
