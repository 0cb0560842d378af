// Decodes one raw file through loadRaw and through bare LibRaw calls (open, unpack, half-size process,
// memory image: the floor pipeline_bench measures too) in the same run and process state (the
// application's allocator setting, both sides limiting OpenMP to the calling thread the same way), and
// prints loadRaw's time over the bare time. loadRaw's own work (the
// subsampled linear plane, the luma plane, metadata and white balance) should add at most 15 %. It also
// prints the feature vector's cost as a share of the decode it follows.
//
// Usage: raw_decode_bench [raw file | --generated] [rounds]. Without a file: Debian's IMG_5952.CR2
// (rawtran-doc) when installed, else (or with --generated) a generated 24-megapixel DNG.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "core/base/numbers.h"
#include "core/base/processors.h"
#include "core/photo/features.h"
#include "core/photo/raw_image.h"
#include "testing/debian_raw.h"
#include "testing/dng_writer.h"
#include "testing/libraw_floor.h"
#include "testing/temp_dir.h"

namespace {

using orvane::bench::median;
using orvane::bench::seconds;

// The same decode with nothing of ours around it.
void bareLibRaw(const std::filesystem::path& file) { orvane::testing::bareLibRawDecode(file); }

}  // namespace

int main(int argc, char** argv) {
    using orvane::Numbers::fixed;
    orvane::keepFreedMemoryForReuse();  // as the application starts

    orvane::testing::TempDir dir;
    std::filesystem::path file;
    std::optional<std::filesystem::path> debian;
    bool generated = argc > 1 && std::string(argv[1]) == "--generated";
    if (argc > 1 && !generated) {
        file = argv[1];
    } else if (!generated && (debian = orvane::testing::debianCameraRaw(dir))) {
        file = *debian;
    } else {
        orvane::testing::DngSpec spec;
        spec.width = 6000;
        spec.height = 4000;
        file = dir / "generated-24mp.dng";
        orvane::testing::writeDng(file, spec);
    }
    int rounds = argc > 2 ? std::max(1, std::atoi(argv[2])) : 7;

    try {
        // Warm the page cache and both code paths once.
        bareLibRaw(file);
        (void)orvane::loadRaw(file, true);

        std::vector<double> bare, ours, oursNoLuma, features;
        for (int i = 0; i < rounds; ++i) {
            bare.push_back(seconds([&] { bareLibRaw(file); }));
            ours.push_back(seconds([&] { (void)orvane::loadRaw(file, true); }));
            orvane::RawImage image;
            oursNoLuma.push_back(seconds([&] { image = orvane::loadRaw(file, false); }));
            features.push_back(seconds([&] { (void)orvane::Features::vector(image); }));
        }
        double b = median(bare), o = median(ours), n = median(oursNoLuma), f = median(features);
        std::printf("file: %s\n", file.c_str());
        std::printf("rounds: %d (medians)\n", rounds);
        std::printf("bare LibRaw:            %s ms\n", fixed(b * 1000, 1).c_str());
        std::printf("loadRaw, luma plane:    %s ms\n", fixed(o * 1000, 1).c_str());
        std::printf("loadRaw, no luma plane: %s ms\n", fixed(n * 1000, 1).c_str());
        std::printf("loadRaw / bare LibRaw:  %s (luma plane), %s (no luma plane)\n", fixed(o / b, 3).c_str(),
                    fixed(n / b, 3).c_str());
        std::printf("Features::vector:       %s ms, %s of the loadRaw decode\n", fixed(f * 1000, 1).c_str(),
                    fixed(f / n, 3).c_str());
        if (o / b > 1.15) {
            std::printf("over budget: loadRaw adds more than 15 %%\n");
            return 1;
        }
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 2;
    }
    return 0;
}
