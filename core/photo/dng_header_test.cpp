// The header readers on truncated and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <istream>
#include <streambuf>
#include <vector>

#include "core/photo/dng_header.h"
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

// The bytes of a file as a seekable stream that counts the reads asked of it and the bytes they took.
class CountingBuffer : public std::streambuf {
public:
    explicit CountingBuffer(std::vector<std::uint8_t>& bytes) {
        char* begin = reinterpret_cast<char*>(bytes.data());
        setg(begin, begin, begin + bytes.size());
    }
    std::size_t reads = 0;
    std::size_t bytesRead = 0;

protected:
    std::streamsize xsgetn(char* out, std::streamsize n) override {
        ++reads;
        const std::streamsize got = std::streambuf::xsgetn(out, n);
        bytesRead += std::size_t(got);
        return got;
    }
    int_type uflow() override {
        ++reads;
        return std::streambuf::uflow();
    }
    pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode) override {
        const off_type base = dir == std::ios_base::beg ? 0 : dir == std::ios_base::cur ? gptr() - eback() : egptr() - eback();
        return seekpos(pos_type(base + off), std::ios_base::in);
    }
    pos_type seekpos(pos_type at, std::ios_base::openmode) override {
        if (at < 0 || at > egptr() - eback()) return pos_type(off_type(-1));
        setg(eback(), eback() + off_type(at), egptr());
        return at;
    }
};

TEST(DngHeader, readsEachHugeValueBlockInOneRead) {
    // Every tag the reader looks at points at the same 1 MiB block of rationals (the most a value may
    // have): each block is read once and at once, not value by value.
    const std::uint16_t tags[] = {256, 257, 272, 274, 34665, 50721, 50722, 50723, 50724,
                                  50727, 50728, 50729, 50778, 50779, 50931, 50932};
    const std::uint32_t count = (1u << 20) / 8;
    std::vector<std::uint8_t> bytes{'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) bytes.push_back(std::uint8_t(v >> (8 * i)));
    };
    const std::uint32_t n = std::size(tags);
    const std::uint32_t blockAt = 8 + 2 + 12 * n + 4;
    put(n, 2);
    for (auto tag : tags) {
        put(tag, 2);
        put(tag == 272 || tag >= 50931 ? 2 : 5, 2);  // text tags as text of the same size
        put(tag == 272 || tag >= 50931 ? count * 8 : count, 4);
        put(blockAt, 4);
    }
    put(0, 4);
    for (std::uint32_t i = 0; i < count; ++i) {
        put(3 + i % 7, 4);
        put(2, 4);
    }

    CountingBuffer buffer(bytes);
    std::istream in(&buffer);
    auto h = readDngHeader(in);
    ASSERT_TRUE(h);
    EXPECT_EQ(h->width, 1);  // the first value: 3/2, truncated
    EXPECT_TRUE(h->colorMatrices.empty());  // not nine values
    // The header, the directory, and at most one read of each tag's block.
    EXPECT_LE(buffer.reads, 4 + std::size(tags));
    EXPECT_LE(buffer.bytesRead, blockAt + std::size(tags) * (std::size_t(count) * 8));
}

}  // namespace
}  // namespace orvane
