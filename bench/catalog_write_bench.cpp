// CatalogWriter::apply over a generated catalog, next to a bare SQLite loop that updates the same rows'
// settings text in one transaction, both in the same run on copies of one catalog. The backup copy and
// its compression are left out of apply's time: the clock starts at its first write report. Besides
// the update, apply writes a before-settings row holding a text of about the same size, decodes each
// photo's oldest history step and checks the whole database's integrity after the commit, so it does
// roughly twice the bare loop's writing before any text work.
//
//   catalog_write_bench [photos] [settings bytes]      defaults: 10000 photos, 4096 bytes of settings each
#include <sqlite3.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/base/defaults.h"
#include "core/catalog/catalog_backups.h"
#include "core/catalog/catalog_writer.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace {

using Clock = std::chrono::steady_clock;
namespace fs = std::filesystem;

double secondsSince(Clock::time_point start) { return std::chrono::duration<double>(Clock::now() - start).count(); }

void check(int rc, sqlite3* db, const char* what) {
    if (rc != SQLITE_OK && rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "%s: %s\n", what, sqlite3_errmsg(db));
        std::exit(1);
    }
}

// One transaction updating every settings row's text, digest and flags by its id, texts made beforehand.
double bareLoop(const fs::path& file, const std::vector<std::pair<std::int64_t, std::string>>& rows) {
    sqlite3* db = nullptr;
    check(sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr), db, "open");
    sqlite3_stmt* stmt = nullptr;
    check(sqlite3_prepare_v2(db,
                             "update Adobe_imageDevelopSettings set text = ?1, digest = ?2, hasDevelopAdjustmentsEx = 1, "
                             "whiteBalance = 'Custom', hasMasks = ?3 where id_local = ?4",
                             -1, &stmt, nullptr),
          db, "prepare");
    const auto start = Clock::now();
    check(sqlite3_exec(db, "begin immediate", nullptr, nullptr, nullptr), db, "begin");
    for (const auto& [id, text] : rows) {
        sqlite3_reset(stmt);
        sqlite3_bind_text(stmt, 1, text.data(), static_cast<int>(text.size()), SQLITE_TRANSIENT);
        sqlite3_bind_text(stmt, 2, "0123456789abcdef0123456789abcdef", 32, SQLITE_STATIC);
        sqlite3_bind_int(stmt, 3, 1);
        sqlite3_bind_int64(stmt, 4, id);
        check(sqlite3_step(stmt), db, "update");
    }
    check(sqlite3_exec(db, "commit", nullptr, nullptr, nullptr), db, "commit");
    const double seconds = secondsSince(start);
    sqlite3_finalize(stmt);
    sqlite3_close(db);
    return seconds;
}

}  // namespace

int main(int argc, char** argv) {
    const long photos = argc > 1 ? std::strtol(argv[1], nullptr, 10) : 10000;
    const long settingsBytes = argc > 2 ? std::strtol(argv[2], nullptr, 10) : 4096;
    if (photos <= 0 || settingsBytes <= 0) {
        std::fprintf(stderr, "usage: %s [photos] [settings bytes]\n", argv[0]);
        return 2;
    }
    orvane::testing::freshDataDir();
    orvane::setUserDefaults(std::make_shared<orvane::FileDefaults>());

    orvane::testing::TempDir dir;
    const auto file = dir / "Bench.lrcat";
    const auto bareFile = dir / "Bare.lrcat";
    std::vector<orvane::CatalogWriter::Edit> edits;
    std::vector<std::pair<std::int64_t, std::string>> bareRows;
    auto start = Clock::now();
    {
        orvane::testing::CatalogBuilder b(file);
        b.begin();
        for (long i = 0; i < photos; ++i) {
            const std::string text = orvane::testing::realisticDevelopText(static_cast<std::uint64_t>(i),
                                                                            static_cast<std::size_t>(settingsBytes));
            orvane::testing::CatalogBuilder::Photo p{.root = "/home/ana/Poze/",
                                                     .folder = "Sesiune " + std::to_string(i / 500) + "/",
                                                     .baseName = "IMG_" + std::to_string(100000 + i),
                                                     .settings = text};
            const auto ids = b.photo(p);
            b.historyStep(ids.image, "Import", 700000000.0 + static_cast<double>(i),
                          orvane::testing::realisticDevelopText(static_cast<std::uint64_t>(i), 1500, false));
            const std::string path = p.root + p.folder + p.baseName + "." + p.extension;
            orvane::CatalogWriter::Attributes attributes = {{"Exposure2012", i % 2 ? "+0.35" : "-0.20"},
                                                            {"WhiteBalance", "Custom"},
                                                            {"Temperature", std::to_string(4800 + i % 900)},
                                                            {"Tint", "+6"},
                                                            {"Contrast2012", "+12"},
                                                            {"HasSettings", "True"}};
            edits.push_back({path, attributes, {{"ToneCurvePV2012", {{0, 0}, {128, 140}, {255, 255}}}}, std::nullopt});
        }
        b.commit();
        auto q = b.connection().prepare("select id_local, text from Adobe_imageDevelopSettings order by id_local");
        while (q.step() == orvane::Sqlite::Step::row)
            bareRows.emplace_back(q.int64(0), std::string(*q.text(1)) + " ");
    }
    fs::copy_file(file, bareFile);
    std::printf("generated %ld photos with history steps, catalog %.1f MB, in %.1f s\n", photos,
                static_cast<double>(fs::file_size(file)) / 1e6, secondsSince(start));

    const double bare = bareLoop(bareFile, bareRows);
    // The text work alone, for reading the ratio: parse, merge and render every photo's settings.
    start = Clock::now();
    std::size_t merged = 0;
    for (std::size_t i = 0; i < edits.size(); ++i)
        merged += orvane::CatalogWriter::merge(bareRows[i].second, edits[i].attributes, edits[i].curves, std::nullopt)
                      .value_or("")
                      .size();
    const double textWork = secondsSince(start);

    Clock::time_point writeStart{};
    start = Clock::now();
    const auto outcome = orvane::CatalogWriter::apply(
        edits, file, std::chrono::system_clock::now(), false, {edits[0].path, edits[1].path},
        [&](const std::string&, double fraction) {
            if (fraction >= 0.45 && writeStart == Clock::time_point{}) writeStart = Clock::now();
        });
    const double total = secondsSince(start);
    const double applied = std::chrono::duration<double>(Clock::now() - writeStart).count();
    orvane::CatalogWriter::drainBackups();

    // What the backup costs: everything before the first write report (open, integrity check, the
    // backup), beside a plain copy of the same catalog file made and flushed here.
    start = Clock::now();
    fs::copy_file(bareFile, dir / "Copy.lrcat");
    orvane::syncFile(dir / "Copy.lrcat");
    const double fileCopy = secondsSince(start);

    const double ratio = applied / bare;
    std::printf("bare update loop, one transaction:     %zu rows, %.3f s\n", bareRows.size(), bare);
    std::printf("CatalogWriter::apply (without backup): %lld written, %.3f s (%.3f s with the backup copy)\n",
                static_cast<long long>(outcome.written), applied, total);
    std::printf("of which settings-text merging alone:  %.3f s (%zu bytes)\n", textWork, merged);
    std::printf("apply with its backup / bare loop: %.2fx (%.3f s before the first write; a plain file copy: %.3f s)\n",
                total / bare, total - applied, fileCopy);
    std::printf("ratio apply / bare loop: %.2fx (aim 2x: %s)\n", ratio, ratio <= 2.0 ? "within" : "EXCEEDED");
    return outcome.written == photos ? 0 : 1;
}
