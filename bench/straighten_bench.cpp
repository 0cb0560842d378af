// Times the straighten estimate of one photo against the bare LibRaw decode of the same file (the
// floor no analysis can go below, since every analysis needs the decoded image), and prints the ratio.
//
// Usage: straighten_bench [raw file | --generated] [rounds]. Without a file: python3-skimage's
// rocket.jpg (see scripts/setup.sh) written as a raw file, else (or with --generated) a drawn
// facade written as one; each 15 to 20 megapixels, like a camera's.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <opencv2/imgcodecs.hpp>

#include "bench/bench_timing.h"
#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/photo/raw_image.h"
#include "core/vision/straighten.h"
#include "core/vision/straighten_scenes.h"
#include "testing/libraw_floor.h"
#include "testing/photo_dng.h"
#include "testing/temp_dir.h"

extern "C" void omp_set_num_threads(int) __attribute__((weak));

namespace {

using orvane::bench::median;
using orvane::bench::seconds;

// The file named on the command line, else a photo (or a drawn facade) written as a raw file.
std::filesystem::path chosenFile(int argc, char** argv, const orvane::testing::TempDir& dir) {
    const bool generated = argc > 1 && std::string(argv[1]) == "--generated";
    if (argc > 1 && !generated) return argv[1];
    cv::Mat photo;
    if (auto rocket = orvane::testing::debianPhoto("rocket.jpg"); rocket && !generated)
        photo = orvane::testing::turnedPhoto(cv::imread(rocket->string(), cv::IMREAD_COLOR), 2);
    if (photo.empty()) {
        const auto gray = orvane::scenes::draw(orvane::scenes::building(690, 460), 690, 460, 2);
        photo = orvane::scenes::bgrOf(gray, 690, 460);
    }
    const auto file = dir / "photo.dng";
    orvane::testing::writePhotoDng(file, photo, 8);
    return file;
}

}  // namespace

int main(int argc, char** argv) {
    orvane::keepFreedMemoryForReuse();  // as the application starts
    using orvane::Numbers::fixed;
    if (omp_set_num_threads) omp_set_num_threads(1);  // one thread, as the job's workers run
    const orvane::testing::TempDir dir;
    const std::filesystem::path file = chosenFile(argc, argv, dir);
    const int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 5;

    try {
        orvane::testing::bareLibRawDecode(file);  // warm the page cache
        const orvane::RawImage image = orvane::loadRaw(file, false);
        std::vector<double> floor, decode, straighten;
        std::optional<orvane::StraightenResult> result;
        for (int i = 0; i < rounds; ++i) {
            floor.push_back(seconds([&] { orvane::testing::bareLibRawDecode(file); }));
            decode.push_back(seconds([&] { (void)orvane::loadRaw(file, false); }));
            straighten.push_back(seconds([&] { result = orvane::Straighten::detect(image); }));
        }
        const double f = median(floor), d = median(decode), s = median(straighten);
        std::printf("file: %s\n", file.c_str());
        std::printf("decoded: %d x %d, rounds: %d (medians)\n", image.w, image.h, rounds);
        std::printf("bare LibRaw (floor):     %s ms\n", fixed(f * 1000, 1).c_str());
        std::printf("loadRaw:                 %s ms\n", fixed(d * 1000, 1).c_str());
        std::printf("Straighten::detect:      %s ms\n", fixed(s * 1000, 1).c_str());
        std::printf("straighten / floor:      %s\n", fixed(s / f, 3).c_str());
        std::printf("result: %s\n", result ? (fixed(result->angle, 2) + " degrees, confidence " +
                                              fixed(result->confidence, 2)).c_str()
                                           : "none");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
