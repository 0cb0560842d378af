// The header readers on truncated and damaged files.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <istream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <vector>

#include "core/photo/dng_header.h"
#include "core/photo/raw_image.h"
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

// Where an entry of the first directory lies in a little-endian TIFF the test writers made.
std::size_t entryOf(const std::vector<std::uint8_t>& bytes, std::uint16_t tag) {
    auto get = [&](std::size_t at, int n) {
        std::uint32_t v = 0;
        for (int i = n - 1; i >= 0; --i) v = v << 8 | bytes.at(at + std::size_t(i));
        return v;
    };
    const std::size_t ifd = get(4, 4);
    for (std::uint32_t i = 0; i < get(ifd, 2); ++i)
        if (get(ifd + 2 + 12 * i, 2) == tag) return ifd + 2 + 12 * i;
    throw std::runtime_error("no tag " + std::to_string(tag));
}
void set32(std::vector<std::uint8_t>& bytes, std::size_t at, std::uint32_t v, bool big = false) {
    for (int i = 0; i < 4; ++i) bytes.at(at + std::size_t(i)) = std::uint8_t(v >> (8 * (big ? 3 - i : i)));
}

// A lossy (tiled JPEG) DNG with one opcode in OpcodeList2, as a raw converter leaves it.
std::vector<std::uint8_t> lossyDngWithOpcodes() {
    testing::SmartPreviewSpec spec;
    spec.width = 64;
    spec.height = 48;
    spec.opcodeList2 = testing::dngOpcodeList({{9, std::vector<std::uint8_t>(12, 0)}});
    return testing::smartPreviewBytes(spec);
}

std::string refusal(const std::filesystem::path& file) {
    try {
        requireDngBlocksWithinFile(file);
        return "";
    } catch (const RawError& e) {
        return e.message();
    }
}

TEST(DngBlocks, aSoundLossyDngWithOpcodesDecodes) {
    TempDir dir;
    const auto file = dir / "p.lrdata/1/1ABC/1ABC.dng";
    std::filesystem::create_directories(file.parent_path());
    const auto bytes = lossyDngWithOpcodes();
    std::ofstream(file, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    EXPECT_EQ(refusal(file), "");
    EXPECT_EQ(SmartPreview::load(file, 0).w, 64);
    EXPECT_GT(loadRaw(file, false).w, 0);
}

TEST(DngBlocks, refusesCountsAndSizesBeyondTheFileBeforeDecoding) {
    const std::string opcodes = "DNG deteriorat: lista de operații declară mai mult decât cuprinde fișierul";
    const std::string image = "DNG deteriorat: datele imaginii declarate depășesc fișierul";
    using Bytes = std::vector<std::uint8_t>;
    auto listAt = [](const Bytes& b) { return std::size_t(b[entryOf(b, 51009) + 8] | b[entryOf(b, 51009) + 9] << 8); };
    struct Case {
        const char* name;
        std::function<void(Bytes&)> damage;
        std::string error;
    };
    const Case cases[] = {
        // A real converter's file whose opcode count was raised: the decoder walked it for minutes.
        {"opcode count 16777216", [&](Bytes& b) { set32(b, listAt(b), 16777216, true); }, opcodes},
        {"opcode count 2", [&](Bytes& b) { set32(b, listAt(b), 2, true); }, opcodes},
        {"opcode parameters past the list", [&](Bytes& b) { set32(b, listAt(b) + 4 + 12, 13, true); }, opcodes},
        {"opcode list past the file", [](Bytes& b) { set32(b, entryOf(b, 51009) + 4, 0x7FFFFFF0); }, opcodes},
        {"opcode list shorter than its count", [](Bytes& b) { set32(b, entryOf(b, 51009) + 4, 3); }, opcodes},
        {"tile past the file", [](Bytes& b) { set32(b, entryOf(b, 324) + 8, std::uint32_t(b.size() - 10)); }, image},
        {"tile table past the file", [](Bytes& b) { set32(b, entryOf(b, 324) + 4, 0x10000000); }, image},
        {"fewer tiles than the image needs", [](Bytes& b) { set32(b, entryOf(b, 256) + 8, 100000); }, image},
        {"tile of width 0", [](Bytes& b) { set32(b, entryOf(b, 322) + 8, 0); }, image},
        {"tile tables of two lengths", [](Bytes& b) { set32(b, entryOf(b, 325) + 4, 0); }, image},
    };
    TempDir dir;
    const auto file = dir / "p.lrdata/1/1ABC/1ABC.dng";
    std::filesystem::create_directories(file.parent_path());
    for (const auto& c : cases) {
        auto bytes = lossyDngWithOpcodes();
        c.damage(bytes);
        std::ofstream(file, std::ios::binary | std::ios::trunc)
            .write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        EXPECT_EQ(refusal(file), c.error) << c.name;
        // Every reader that unpacks refuses the same way, before the decoder sees the file.
        for (const auto& load : std::vector<std::function<void()>>{[&] { SmartPreview::load(file, 0); },
                                                                   [&] { loadRaw(file, false); }}) {
            try {
                load();
                ADD_FAILURE() << c.name << ": decoded";
            } catch (const RawError& e) {
                EXPECT_EQ(e.code(), -2) << c.name;
                EXPECT_EQ(e.message(), c.error) << c.name;
            }
        }
    }
}

TEST(DngBlocks, leavesOtherFilesToTheDecoder) {
    TempDir dir;
    // Not a TIFF, a TIFF that is no DNG (no DNGVersion, a strip past its end), an empty file.
    std::vector<std::uint8_t> tiff{'I', 'I', 42, 0, 8, 0, 0, 0};
    auto put = [&](std::uint32_t v, int n) {
        for (int i = 0; i < n; ++i) tiff.push_back(std::uint8_t(v >> (8 * i)));
    };
    put(2, 2);
    for (auto [tag, value] : {std::pair{273u, 0x7FFFFFFFu}, std::pair{279u, 16u}}) {
        put(tag, 2);
        put(4, 2);  // LONG
        put(1, 4);
        put(value, 4);
    }
    put(0, 4);
    const std::vector<std::pair<const char*, std::vector<std::uint8_t>>> files = {
        {"text.dng", {'h', 'e', 'l', 'l', 'o', ' ', 'w', 'o', 'r', 'l', 'd'}}, {"plain.tif", tiff}, {"empty.dng", {}}};
    for (const auto& [name, bytes] : files) {
        std::ofstream(dir / name, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
        EXPECT_EQ(refusal(dir / name), "") << name;
    }
    EXPECT_EQ(refusal(dir / "missing.dng"), "");
    // A Bayer DNG with strips and an embedded preview passes as written.
    testing::DngSpec bayer;
    bayer.preview = testing::DngPreview{};
    testing::writeDng(dir / "bayer.dng", bayer);
    EXPECT_EQ(refusal(dir / "bayer.dng"), "");
}

}  // namespace
}  // namespace orvane
