// The header readers on truncated and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "core/photo/smart_preview.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using testing::TempDir;

TEST(DngHeader, survivesTruncatedAndDamagedFiles) {
    // Every prefix of a valid file and seeded byte damage: the readers answer or give absent, never
    // read outside the file or crash.
    auto good = testing::smartPreviewBytes(testing::SmartPreviewSpec{});
    TempDir dir;
    auto file = dir / "d.lrdata/1/1ABC/1ABC.dng";
    auto write = [&](const std::vector<std::uint8_t>& bytes) {
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    };
    std::size_t step = std::max<std::size_t>(1, good.size() / 400);
    for (std::size_t n = 0; n < good.size(); n += step) {
        write(std::vector<std::uint8_t>(good.begin(), good.begin() + std::ptrdiff_t(n)));
        (void)SmartPreview::header(file);
        (void)SmartPreview::asShot(file);
    }
    // The IFDs sit at the end of the file: damage them.
    std::uint32_t state = 12345;
    auto next = [&] { return state = state * 1664525u + 1013904223u; };
    for (int round = 0; round < 300; ++round) {
        auto bytes = good;
        for (int k = 0; k < 8; ++k) {
            std::size_t at = bytes.size() - 1 - next() % std::min<std::size_t>(bytes.size(), 1200);
            bytes[at] = std::uint8_t(next() >> 24);
        }
        write(bytes);
        auto h = SmartPreview::header(file);
        if (h.aspect) {
            EXPECT_TRUE(std::isfinite(*h.aspect) && *h.aspect > 0);
        }
        (void)SmartPreview::asShot(file);
    }
}

}  // namespace
}  // namespace orvane
