// The diagnostic report's text for a described machine, and the folder sizes of the disk card.
#include <gtest/gtest.h>

#include <QLocale>

#include <filesystem>
#include <fstream>

#include "app/settings/diagnostic_report.h"
#include "app/settings/settings_world.h"
#include "testing/temp_dir.h"

using namespace orvane;
using namespace orvane::settings;
namespace fs = std::filesystem;

namespace {

DiagnosticFacts fakeFacts() {
    DiagnosticFacts f;
    f.date = QStringLiteral("11.12.2026, 14:30");
    f.version = QStringLiteral("1.3.0");
    f.build = QStringLiteral("42");
    f.system = QStringLiteral("Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-28-amd64)");
    f.machineModel = QStringLiteral("LENOVO ThinkPad X1");
    f.performanceCores = 8;
    f.efficiencyCores = 4;
    f.memoryBytes = (std::uint64_t{16} << 30) + 123456;  // the fraction of a GiB is dropped
    f.automaticWorkers = 10;
    f.freeBytes = 250'000'000'000;
    f.thermalState = 1;
    f.lowPower = true;
    f.profiles = 3;
    f.builtProfiles = 2;
    f.catalogs = 4;
    f.projects = 5;
    f.lightroomRunning = true;
    return f;
}

void writeBytes(const fs::path& file, std::size_t count) { std::ofstream(file) << std::string(count, 'x'); }

}  // namespace

TEST(DiagnosticReport, matchesTheGoldenTextForAFakeMachine) {
    QLocale::setDefault(QLocale::c());
    FileDefaults store;
    const QString expected = QString::fromUtf8(
        "Vendrel – raport de diagnostic\n"
        "Data: 11.12.2026, 14:30\n"
        "Versiune: 1.3.0 (42)\n"
        "Linux: Debian GNU/Linux 12 (bookworm) (kernel 6.1.0-28-amd64)\n"
        "Calculator: LENOVO ThinkPad X1 · 8 nuclee de performanță + 4 de eficiență · 16 GB memorie\n"
        "Procesări în paralel (automat): 10\n"
        "Spațiu liber: 250 GB\n"
        "Stare termică: 1 · economisire energie: da\n"
        "Profiluri: 3 (construite: 2) · cataloage: 4 · proiecte: 5\n"
        "Lightroom pornit: da\n"
        "Setări: aspect=auto, stil=flat, limbă=ro, copii=3, procesări paralele=auto\n");
    EXPECT_EQ(diagnosticReport(fakeFacts(), store), expected);
    QLocale::setDefault(QLocale::system());
}

TEST(DiagnosticReport, theSettingsLineShowsTheValuesAsStored) {
    struct Row {
        const char* name;
        std::vector<std::pair<const char*, Json>> stored;
        const char* line;
    };
    const std::vector<Row> rows = {
        {"nothing stored", {}, "Setări: aspect=auto, stil=flat, limbă=ro, copii=3, procesări paralele=auto"},
        {"six workers", {{"workers", 6}}, "Setări: aspect=auto, stil=flat, limbă=ro, copii=3, procesări paralele=6"},
        {"zero workers", {{"workers", 0}}, "Setări: aspect=auto, stil=flat, limbă=ro, copii=3, procesări paralele=auto"},
        {"as stored",
         {{"appearance", "dark"}, {"style", "glass"}, {"language", "en"}, {"backupKeep", 0}},
         "Setări: aspect=dark, stil=glass, limbă=en, copii=0, procesări paralele=auto"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        FileDefaults store;
        for (const auto& [key, value] : row.stored) store.set(key, value);
        const QStringList lines = diagnosticReport(fakeFacts(), store).split(u'\n');
        ASSERT_EQ(lines.size(), 12);  // eleven lines and the empty rest after the final line feed
        EXPECT_EQ(lines[10], QString::fromUtf8(row.line));
        EXPECT_TRUE(lines[11].isEmpty());
    }
}

TEST(DiagnosticReport, outsideValuesCannotAddLinesOrSwell) {
    FileDefaults store;
    store.set("appearance", "dark\nParolă: secret");
    DiagnosticFacts f = fakeFacts();
    f.machineModel = QString(500, u'M');
    f.system = QStringLiteral("Linux\r\n\x1b[31mrosu");
    const QString report = diagnosticReport(f, store);
    EXPECT_EQ(report.count(u'\n'), 11);
    EXPECT_FALSE(report.contains(QChar(0x1b)));
    EXPECT_FALSE(report.contains(u'\r'));
    EXPECT_LT(report.split(u'\n')[4].size(), 200);
    EXPECT_EQ(cleanReportValue(QStringLiteral("a\tb\u0085c"), 120), QStringLiteral("a b c"));
    EXPECT_EQ(cleanReportValue(QStringLiteral("abcdef"), 3), QStringLiteral("abc…"));
}

TEST(DiagnosticReport, theFactsCountTheModelsListsAndReadTheMachine) {
    settings::testing::SettingsWorld w;
    w.machine->lowPower = true;
    w.machine->thermal = platform::MachineInfo::Thermal::fair;
    const DiagnosticFacts f = gatherDiagnosticFacts(*w.app, *w.machine, w.services().diagnostics);
    EXPECT_EQ(f.profiles, 0u);
    EXPECT_EQ(f.builtProfiles, 0u);
    EXPECT_EQ(f.catalogs, 0u);
    EXPECT_EQ(f.projects, 0u);
    EXPECT_EQ(f.performanceCores, 8);
    EXPECT_EQ(f.efficiencyCores, 4);
    EXPECT_EQ(f.thermalState, 1);
    EXPECT_TRUE(f.lowPower);
    EXPECT_EQ(f.automaticWorkers, 5);  // 10, halved in low-power mode
    EXPECT_EQ(f.freeBytes, 250'000'000'000);
}

TEST(ByteCountText, usesDecimalUnitsInTheUsersLocale) {
    QLocale::setDefault(QLocale::c());
    EXPECT_EQ(byteCountText(0), "0 B");
    EXPECT_EQ(byteCountText(999), "999 B");
    EXPECT_EQ(byteCountText(1500), "1.5 KB");
    EXPECT_EQ(byteCountText(99'940'000), "99.9 MB");
    EXPECT_EQ(byteCountText(999'960'000), "1.0 GB");
    EXPECT_EQ(byteCountText(-4), "0 B");
    QLocale::setDefault(QLocale(QLocale::Romanian, QLocale::Romania));
    EXPECT_EQ(byteCountText(1500), "1,5 KB");
    QLocale::setDefault(QLocale::system());
}

TEST(DirectorySize, sumsEverythingBelowWithoutFollowingLinks) {
    orvane::testing::TempDir dir;
    const fs::path root = dir.path() / "data";
    EXPECT_EQ(directorySize(root), 0) << "a folder that does not exist";
    fs::create_directories(root);
    EXPECT_EQ(directorySize(root), 0) << "an empty folder";
    fs::create_directories(root / ".hidden" / "deep");
    writeBytes(root / ".hidden" / "deep" / "a.bin", 500);
    EXPECT_EQ(directorySize(root), 500);
    // Large things outside the folder, reached only through links.
    const fs::path outside = dir.path() / "outside";
    fs::create_directories(outside);
    writeBytes(outside / "big.bin", 100000);
    fs::create_symlink(outside / "big.bin", root / "link-to-file");
    fs::create_directory_symlink(outside, root / "link-to-folder");
    const auto linkSizes = std::int64_t(fs::read_symlink(root / "link-to-file").string().size() +
                                        fs::read_symlink(root / "link-to-folder").string().size());
    EXPECT_EQ(directorySize(root), 500 + linkSizes);
}
