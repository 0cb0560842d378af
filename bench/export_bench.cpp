// Exporter::write over a project of generated DNGs, next to plain file writes of the same bytes, both
// in the same run. Two passes: into an empty folder (every sidecar new), then again into the same
// folder (every sidecar merged, verified and its ".orvane-backup" copy rewritten). The plain writes
// put the same bytes into the same number of files with one ofstream each, without the exporter's
// reading, merging, verifying, exclusive creation and atomic, synced replacement. A plain write of a
// few hundred bytes takes microseconds and varies several-fold with the file system's mood, so the
// time per sidecar is printed beside the ratio and is the figure to watch.
//
//   export_bench [photos] [rounds]      defaults: 1000 photos, 5 rounds (medians are printed)
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "bench/bench_timing.h"
#include "core/xmp/exporter.h"
#include "core/xmp/xmp_writer.h"
#include "testing/dng_writer.h"
#include "testing/temp_dir.h"

namespace {

namespace fs = std::filesystem;
using orvane::bench::median;
using orvane::bench::seconds;

// The baseline: one bare write, no folder creation, no sync.
void plainWrite(const fs::path& file, const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out) {
        std::fprintf(stderr, "cannot write %s\n", file.c_str());
        std::exit(1);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const long photos = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 1000;
    const long rounds = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 5;
    if (photos <= 0 || rounds <= 0) {
        std::fprintf(stderr, "usage: %s [photos] [rounds]\n", argv[0]);
        return 2;
    }
    using namespace orvane;
    testing::TempDir dir;
    const fs::path shoot = dir / "Nunta";
    Project project;
    project.folder = shoot.string();
    project.noiseReduction = true;  // each photo's file is read for its ISO, as in a real export
    project.basic = BasicAdjustments{150, 4};
    const auto dng = testing::dngBytes(testing::DngSpec{});
    for (long i = 0; i < photos; ++i) {
        const fs::path raw = shoot / ("Parte" + std::to_string(i % 4)) / ("IMG_" + std::to_string(1000 + i) + ".dng");
        fs::create_directories(raw.parent_path());
        plainWrite(raw, std::string(dng.begin(), dng.end()));
        PhotoItem photo(raw.string());
        photo.status = PhotoItem::Status::done;
        photo.exposure = -1.0 + 0.002 * static_cast<double>(i);
        photo.temperature = 4500 + static_cast<double>(i % 1500);
        photo.asShotTint = static_cast<double>(i % 30) - 15;
        photo.extras = std::map<std::string, double>{{"Contrast2012", static_cast<double>(i % 40)}};
        project.photos.push_back(photo);
    }
    const auto preset = DevelopPreset::parse(DevelopPreset::neutralXMP(), "Neutru.xmp");

    std::vector<double> exportNew, plainNew, exportMerged, plainMerged;
    std::size_t newBytes = 0, mergedBytes = 0;
    for (long round = 0; round < rounds; ++round) {
        const fs::path out = dir / ("Export" + std::to_string(round));
        const fs::path plain = dir / ("Plain" + std::to_string(round));

        Exporter::SidecarCounts counts;
        exportNew.push_back(seconds([&] { counts = Exporter::write(project, preset, out); }));
        if (counts.written != photos) {
            std::fprintf(stderr, "expected %ld new sidecars, got %lld\n", photos, static_cast<long long>(counts.written));
            return 1;
        }
        const auto sidecars = Exporter::conflicts(project, out);
        std::vector<std::pair<fs::path, std::string>> files;  // same relative places, below `plain`
        for (const auto& s : sidecars) files.emplace_back(plain / s.lexically_relative(out), orvane::testing::readText(s));
        for (const auto& [f, bytes] : files) fs::create_directories(f.parent_path());
        newBytes = 0;
        for (const auto& [f, bytes] : files) newBytes += bytes.size();
        plainNew.push_back(seconds([&] {
            for (const auto& [f, bytes] : files) plainWrite(f, bytes);
        }));

        // The second export merges into every sidecar: the old text goes to ".orvane-backup" and the merged
        // text replaces the sidecar, so the plain writes put both texts into two files per photo.
        project.globalExposure = 0.1 * static_cast<double>(round + 1);
        exportMerged.push_back(seconds([&] { counts = Exporter::write(project, preset, out); }));
        if (counts.merged != photos) {
            std::fprintf(stderr, "expected %ld merges, got %lld\n", photos, static_cast<long long>(counts.merged));
            return 1;
        }
        std::vector<std::pair<fs::path, std::string>> mergedFiles;
        for (const auto& s : sidecars) {
            const fs::path place = plain / s.lexically_relative(out);
            mergedFiles.emplace_back(place.string() + ".orvane-backup", orvane::testing::readText(s.string() + ".orvane-backup"));
            mergedFiles.emplace_back(place, orvane::testing::readText(s));
        }
        mergedBytes = 0;
        for (const auto& [f, bytes] : mergedFiles) mergedBytes += bytes.size();
        plainMerged.push_back(seconds([&] {
            for (const auto& [f, bytes] : mergedFiles) plainWrite(f, bytes);
        }));
        project.globalExposure.reset();
    }

    const double en = median(exportNew), pn = median(plainNew), em = median(exportMerged), pm = median(plainMerged);
    const auto each = [&](double seconds, long files) { return seconds / static_cast<double>(files) * 1e6; };
    const auto spread = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v.front() > 0 ? v.back() / v.front() : 0.0;
    };
    std::printf("%ld photos, median of %ld rounds\n", photos, rounds);
    std::printf("new sidecars:    Exporter::write %.3f s (%.0f us a sidecar), plain writes %.3f s (%.0f us a file, "
                "%zu bytes, slowest round %.1fx the fastest), ratio %.1fx\n",
                en, each(en, photos), pn, each(pn, photos), newBytes, spread(plainNew), en / pn);
    std::printf("merged sidecars: Exporter::write %.3f s (%.0f us a sidecar), plain writes %.3f s (%.0f us a file, "
                "%zu bytes in two files a photo, slowest round %.1fx the fastest), ratio %.1fx\n",
                em, each(em, photos), pm, each(pm, 2 * photos), mergedBytes, spread(plainMerged), em / pm);
    return 0;
}
