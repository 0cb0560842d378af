// Catalog::read over a generated catalog of realistic size, next to the bare query over the same rows
// in the same run: sqlite3 stepping every row and fetching the four columns the reader uses as text,
// nothing converted. That is the floor no reader can go below; Catalog::read must stay within 2x of it.
//
//   catalog_read_bench [photos] [settings bytes]      defaults: 50000 photos, 4096 bytes of settings each
//
// Prints the sizes, the median time of each over five rounds, the peak memory and the ratio; exits 0
// when the ratio is within the limit and both saw the same rows, 1 when not, 2 on bad arguments.
#include <sqlite3.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "core/catalog/catalog.h"
#include "core/catalog/sqlite.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

// A field of /proc/self/status in kB ("VmHWM", "VmRSS"); -1 when unavailable.
long statusKB(const std::string& field) {
    std::ifstream in("/proc/self/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(field + ":", 0) == 0) return std::strtol(line.c_str() + field.size() + 1, nullptr, 10);
    }
    return -1;
}

// Resets the peak resident size so the next VmHWM covers only what follows.
bool resetPeak() {
    std::ofstream out("/proc/self/clear_refs");
    out << "5";
    out.flush();
    return static_cast<bool>(out);
}

// The same open and statement as Catalog::read, stepping every row and fetching its columns as text
// the way the reader does (without copying or converting them).
long long bareQuery(const std::filesystem::path& file) {
    const std::string name = orvane::Sqlite::immutableUri(std::filesystem::absolute(file).string());
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(name.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "open: %s\n", sqlite3_errmsg(db));
        std::exit(2);
    }
    sqlite3_stmt* stmt = nullptr;
    if (sqlite3_prepare_v2(db, orvane::Catalog::query().c_str(), -1, &stmt, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare: %s\n", sqlite3_errmsg(db));
        std::exit(2);
    }
    long long rows = 0;
    std::size_t bytes = 0;
    int rc;
    while ((rc = sqlite3_step(stmt)) == SQLITE_ROW) {
        for (int column = 0; column < 4; ++column) {
            if (sqlite3_column_text(stmt, column)) bytes += static_cast<std::size_t>(sqlite3_column_bytes(stmt, column));
        }
        ++rows;
    }
    if (bytes == 0 && rows > 0) std::fprintf(stderr, "no text fetched\n");  // keeps the fetches observable
    if (rc != SQLITE_DONE) {
        std::fprintf(stderr, "step: %s\n", sqlite3_errmsg(db));
        std::exit(2);
    }
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return rows;
}

}  // namespace

int main(int argc, char** argv) {
    const long photos = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 50000;
    const long settingsBytes = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 4096;
    if (photos <= 0 || settingsBytes <= 0) {
        std::fprintf(stderr, "usage: %s [photos] [settings bytes]\n", argv[0]);
        return 2;
    }

    orvane::testing::TempDir dir;
    const auto file = dir / "Bench.lrcat";
    auto start = Clock::now();
    std::size_t textBytes = 0;
    {
        orvane::testing::CatalogBuilder b(file);
        b.begin();
        for (long i = 0; i < photos; ++i) {
            const std::string text = orvane::testing::realisticDevelopText(static_cast<std::uint64_t>(i),
                                                                            static_cast<std::size_t>(settingsBytes), i % 5 != 0);
            textBytes += text.size();
            b.photo({.root = "/home/ana/Poze/",
                     .folder = std::to_string(2015 + i % 10) + "/Sesiune " + std::to_string(i / 500) + "/",
                     .baseName = "IMG_" + std::to_string(100000 + i),
                     .extension = i % 7 == 0 ? "DNG" : "CR3",
                     .fileFormat = i % 7 == 0 ? "DNG" : "RAW",
                     .captureTime = "2024-06-01T10:00:00." + std::to_string(i % 100),
                     .settings = text});
        }
        b.commit();
    }
    std::printf("generated %ld photos, %.1f MB of settings text (%.0f bytes each), catalog %.1f MB, in %.1f s\n",
                photos, textBytes / 1e6, static_cast<double>(textBytes) / photos,
                std::filesystem::file_size(file) / 1e6, secondsSince(start));

    (void)bareQuery(file);  // warm the file cache for both

    constexpr int rounds = 5;
    std::vector<double> bareTimes, readTimes;
    long long bareRows = 0;
    std::size_t readRows = 0, usable = 0;
    long peakKB = -1, baseKB = -1;
    for (int r = 0; r < rounds; ++r) {
        start = Clock::now();
        bareRows = bareQuery(file);
        bareTimes.push_back(secondsSince(start));

        baseKB = statusKB("VmRSS");
        const bool peakReset = resetPeak();
        start = Clock::now();
        {
            const auto result = orvane::Catalog::read(file, true);
            readTimes.push_back(secondsSince(start));
            readRows = result.size();
            usable = static_cast<std::size_t>(std::count_if(result.begin(), result.end(), [](const auto& p) { return p.usable(); }));
            if (peakReset) peakKB = std::max(peakKB, statusKB("VmHWM"));
        }
    }

    const double bare = orvane::bench::median(bareTimes), read = orvane::bench::median(readTimes);
    const double ratio = read / bare;
    std::printf("bare query (step, columns as text): %lld rows, %.3f s (median of %d)\n", bareRows, bare, rounds);
    std::printf("Catalog::read:                      %zu photos (%zu usable), %.3f s (median of %d)\n", readRows, usable, read, rounds);
    if (peakKB >= 0)
        std::printf("peak resident memory during Catalog::read: %.1f MB (%.1f MB before it)\n", peakKB / 1024.0, baseKB / 1024.0);
    else
        std::printf("peak resident memory: unavailable\n");
    std::printf("ratio Catalog::read / bare query: %.2fx (limit 2x: %s)\n", ratio, ratio <= 2.0 ? "within" : "EXCEEDED");
    return ratio <= 2.0 && static_cast<long long>(readRows) == bareRows ? 0 : 1;
}
