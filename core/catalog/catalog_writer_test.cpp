#include "core/catalog/catalog_writer.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <csignal>
#include <fstream>
#include <map>
#include <regex>
#include <sstream>
#include <thread>

#include "core/base/defaults.h"
#include "core/catalog/before_settings.h"
#include "core/catalog/catalog_backups.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane::CatalogWriter {
namespace {

namespace fs = std::filesystem;
using testing::CatalogBuilder;
using Clock = std::chrono::system_clock;

class CatalogWriterTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::freshDataDir();
        setUserDefaults(std::make_shared<FileDefaults>());
    }
    void TearDown() override { drainBackups(); }

    // A catalog of `count` photos with realistic settings and a history step each.
    std::vector<std::string> build(const fs::path& file, int count, bool wal = false, std::size_t bytes = 4096) {
        CatalogBuilder::Options options;
        options.wal = wal;
        CatalogBuilder b(file, options);
        b.begin();
        std::vector<std::string> paths;
        for (int i = 0; i < count; ++i) {
            CatalogBuilder::Photo p;
            p.baseName = "IMG_" + std::to_string(1000 + i);
            p.folder = i % 2 ? "2024/Nunta/" : "2024/";
            p.settings = testing::realisticDevelopText(static_cast<std::uint64_t>(i + 1), bytes);
            const auto ids = b.photo(p);
            b.historyStep(ids.image, "Import", 700000000 + i, testing::realisticDevelopText(static_cast<std::uint64_t>(i + 1), 600, false));
            paths.push_back(p.root + p.folder + p.baseName + "." + p.extension);
        }
        b.commit();
        return paths;
    }
};

Attributes attributesFor(int i) {
    return {{"Exposure2012", "+0." + std::to_string(10 + i)}, {"WhiteBalance", "Custom"}, {"Temperature", std::to_string(5000 + i)},
            {"HasSettings", "True"}};
}

// Every row of a table as text, in rowid order, leaving out the named columns.
std::string dump(const Sqlite::Connection& db, const std::string& table, const std::set<std::string>& skip = {}) {
    auto q = db.prepare("select * from " + table + " order by rowid");
    std::ostringstream out;
    while (q.step() == Sqlite::Step::row) {
        for (int c = 0; c < q.columnCount(); ++c) {
            if (skip.count(sqlite3_column_name(q.handle(), c))) continue;
            out << sqlite3_column_name(q.handle(), c) << '=' << (q.isNull(c) ? "NULL" : std::string(*q.blob(c))) << ';';
        }
        out << '\n';
    }
    return out.str();
}

std::map<std::string, std::string> dumpAll(const fs::path& file) {
    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
    std::vector<std::string> tables;
    auto q = db.prepare("select name from sqlite_master where type = 'table' order by name");
    while (q.step() == Sqlite::Step::row) tables.emplace_back(*q.text(0));
    std::map<std::string, std::string> out;
    for (const auto& t : tables) out[t] = dump(db, t);
    return out;
}

std::vector<std::optional<std::string>> texts(const fs::path& file) {
    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare("select text from Adobe_imageDevelopSettings order by id_local");
    std::vector<std::optional<std::string>> out;
    while (q.step() == Sqlite::Step::row) out.push_back(q.text(0) ? std::optional<std::string>(*q.text(0)) : std::nullopt);
    return out;
}

// Backups under a backup name: archives and uncompressed copies.
std::size_t backupCount() {
    std::size_t count = 0;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(backupDirectory(), ec)) {
        const auto extension = e.path().extension();
        count += e.path().filename().string().front() != '.' && (extension == ".zip" || extension == ".lrcat");
    }
    return count;
}

// The catalog copy inside a backup archive, written to `into`.
fs::path unzipBackup(const fs::path& archive, const fs::path& into) {
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!z) throw std::runtime_error("cannot open " + archive.string());
    const std::string name = archive.stem().string() + ".lrcat";
    const std::string entry = archive.stem().string() + "/" + name;
    zip_stat_t st;
    std::string content;
    if (zip_stat(z, entry.c_str(), 0, &st) == 0) {
        content.resize(static_cast<std::size_t>(st.size));
        if (zip_file_t* f = zip_fopen(z, entry.c_str(), 0)) {
            zip_fread(f, content.data(), st.size);
            zip_fclose(f);
        }
    }
    zip_close(z);
    testing::writeText(into / name, content);
    return into / name;
}

std::string integrity(const fs::path& file) {
    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READWRITE);
    auto q = db.prepare("pragma integrity_check");
    return q.step() == Sqlite::Step::row ? std::string(*q.text(0)) : "";
}

TEST_F(CatalogWriterTest, writesSixtyPhotosAndNothingElse) {
    testing::TempDir dir;
    const auto file = dir / "Nunta.lrcat";
    const auto paths = build(file, 60);
    const std::set<std::string> written = {"text", "digest", "hasDevelopAdjustmentsEx", "whiteBalance", "hasMasks",
                                           "beforeSettingsIDCache"};
    std::string settingsRows;
    std::int64_t counter = 0;
    {
        const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READWRITE);
        // Photo 3 holds only a subject correction of ours.
        const auto text = testing::DevelopText()
                              .number("Exposure2012", 0)
                              .list("MaskGroupBasedCorrections",
                                    {testing::DevelopText().text("CorrectionName", "Vendrel – Subiect").number("LocalExposure2012", 0)})
                              .str();
        db.prepare("update Adobe_imageDevelopSettings set text = ?1 where id_local = "
                   "(select id_local from Adobe_imageDevelopSettings order by id_local limit 1 offset 3)")
            .bind(1, text)
            .run();
        settingsRows = dump(db, "Adobe_imageDevelopSettings", written);
        auto c = db.prepare("select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
        if (c.step() == Sqlite::Step::row) counter = c.int64(0);
    }
    const auto before = dumpAll(file);
    const auto oldTexts = texts(file);

    std::vector<Edit> edits;
    for (int i = 0; i < 57; ++i) edits.push_back({paths[static_cast<std::size_t>(i)], attributesFor(i), {}, std::nullopt});
    edits.push_back({"/Photos/2024/img_1057.CR3", attributesFor(57), {}, std::nullopt});  // case differs
    edits.push_back({"/Photos/2024/Lipsă.CR3", attributesFor(58), {}, std::nullopt});
    edits.push_back({"/Photos/2024/IMG_1059.cr3", attributesFor(59), {}, std::nullopt});
    // The mask request takes our subject correction out of photo 3.
    TeethMask::Spec removeSubject;
    removeSubject.subject = TeethMask::Spec::Part<SkinRegion>::remove();
    edits[3].masks = removeSubject;
    edits[4].curves = {{"ToneCurvePV2012", {{0, 5}, {255, 250}}}};
    const std::set<std::string> flagged = {paths[1], paths[7], paths[30], "/Photos/2024/Lipsă.CR3"};

    std::vector<std::pair<std::string, double>> reports;
    const auto now = Clock::now();
    const auto outcome = apply(edits, file, now, false, flagged,
                               [&](const std::string& m, double f) { reports.emplace_back(m, f); });
    EXPECT_EQ(outcome.written, 57);
    EXPECT_EQ(outcome.notFound, 3);
    EXPECT_EQ(outcome.backup, backupDirectory() / ("Nunta-" + backupStamp(now) + ".lrcat"));
    const std::vector<std::pair<std::string, double>> expected = {
        {"Se face copia de siguranță a catalogului…", 0.35},
        {"Se scriu fotografiile în catalog…", 0.45},
        {"Se scriu fotografiile în catalog…", 0.45 + 0.5 * 25 / 60},
        {"Se scriu fotografiile în catalog…", 0.45 + 0.5 * 50 / 60}};
    EXPECT_EQ(reports, expected);

    const auto after = dumpAll(file);
    for (const auto& [table, rows] : before) {
        if (table == "Adobe_imageDevelopSettings" || table == "Adobe_imageDevelopBeforeSettings" ||
            table == "Adobe_variablesTable" || table == "AgLibraryKeyword" || table == "AgLibraryKeywordImage")
            continue;
        EXPECT_EQ(after.at(table), rows) << table;
    }

    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
    // Only the written columns of the settings rows changed.
    EXPECT_EQ(dump(db, "Adobe_imageDevelopSettings", written), settingsRows);
    auto q = db.prepare(
        "select s.text, s.digest, s.hasDevelopAdjustmentsEx, s.whiteBalance, s.hasMasks, b.beforeText, "
        "s.beforeSettingsIDCache = b.id_local from Adobe_imageDevelopSettings s left join "
        "Adobe_imageDevelopBeforeSettings b on b.developSettings = s.id_local order by s.id_local");
    std::size_t i = 0;
    std::set<std::string> digests;
    while (q.step() == Sqlite::Step::row) {
        SCOPED_TRACE("photo " + std::to_string(i));
        const std::string text(*q.text(0));
        if (i < 57) {
            const auto& e = edits[i];
            EXPECT_EQ(text, CatalogWriter::merge(*oldTexts[i], e.attributes, e.curves, e.masks));
            EXPECT_TRUE(std::regex_match(std::string(*q.text(1)), std::regex("[0-9a-f]{32}")));
            digests.insert(std::string(*q.text(1)));
            EXPECT_EQ(q.int64(2), 1);
            EXPECT_EQ(q.text(3), std::optional<std::string_view>("Custom"));
            EXPECT_EQ(q.int64(4), i == 3 ? 0 : 1);
            EXPECT_EQ(q.text(5), std::optional<std::string_view>(testing::realisticDevelopText(i + 1, 600, false)));
            EXPECT_EQ(q.int64(6), 1);
        } else {
            EXPECT_EQ(text, *oldTexts[i]);
            EXPECT_TRUE(q.isNull(5));
        }
        ++i;
    }
    EXPECT_EQ(i, 60u);
    EXPECT_EQ(digests.size(), 57u);
    EXPECT_EQ(edits[4].curves.size(), 1u);

    // The review keyword: one keyword, three links (the flagged path that is not in the catalog tags nothing).
    auto k = db.prepare(
        "select count(*) from AgLibraryKeywordImage ki join AgLibraryKeyword k on k.id_local = ki.tag "
        "where k.name = 'Vendrel: de verificat'");
    ASSERT_EQ(k.step(), Sqlite::Step::row);
    EXPECT_EQ(k.int64(0), 3);
    // Entity counter: 57 before-settings rows, one keyword, three links.
    auto c = db.prepare("select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
    ASSERT_EQ(c.step(), Sqlite::Step::row);
    EXPECT_EQ(c.int64(0), counter + 57 + 1 + 3);
}

TEST_F(CatalogWriterTest, oneUnreadableTextRollsTheWholeBatchBack) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    auto paths = build(file, 12);
    {
        const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READWRITE);
        db.prepare("update Adobe_imageDevelopSettings set text = 's = { A = 1 } -- note' where rowid = "
                   "(select id_local from Adobe_imageDevelopSettings order by id_local limit 1 offset 8)")
            .run();
    }
    const auto before = dumpAll(file);
    std::vector<Edit> edits;
    for (int i = 0; i < 12; ++i) edits.push_back({paths[static_cast<std::size_t>(i)], attributesFor(i), {}, std::nullopt});
    try {
        apply(edits, file, Clock::now(), false, {paths[0], paths[1]});
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::notWritable);
        EXPECT_EQ(e.detail(), "Setări Develop nerecunoscute pentru " + paths[8] + "; tranzacția a fost anulată.");
    }
    EXPECT_EQ(dumpAll(file), before);
    EXPECT_EQ(integrity(file), "ok");
}

TEST_F(CatalogWriterTest, aLockOrDamageStopsTheWriteAndATakenBackupNameDoesNot) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    const auto paths = build(file, 40);
    const std::vector<Edit> edits = {{paths[0], attributesFor(0), {}, std::nullopt}};

    testing::writeLockFile(file);
    try {
        apply(edits, file, Clock::now(), false, {});
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::lightroomOpen);
    }
    EXPECT_FALSE(fs::exists(backupDirectory()));
    // A stale lock the user chose to ignore.
    const auto now = Clock::now();
    const auto first = apply(edits, file, now, true, {});
    EXPECT_EQ(first.written, 1);
    // A second write within the same second takes the next second's backup name.
    const auto second = apply(edits, file, now, true, {});
    EXPECT_EQ(second.written, 1);
    EXPECT_EQ(second.backup, backupDirectory() / ("Foto-" + backupStamp(now + std::chrono::seconds(1)) + ".lrcat"));
    fs::remove(file.string() + ".lock");
    drainBackups();

    // A damaged page: the integrity check answers with a problem and nothing is written.
    testing::corruptPage(file, testing::pagesOf(file, "Adobe_images", true).front());
    const auto damaged = testing::readText(file);
    try {
        apply(edits, file, now + std::chrono::seconds(2), false, {});
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::integrity);
        EXPECT_FALSE(e.detail().empty());
    }
    EXPECT_EQ(testing::readText(file), damaged);
    EXPECT_EQ(backupCount(), 2u);  // no backup of a damaged catalog

    // Not a database at all: no answer from the check is no pass.
    const auto foreign = dir / "Altul.lrcat";
    testing::writeText(foreign, std::string(8192, 'x'));
    try {
        apply(edits, foreign, now, false, {});
        FAIL() << "no error";
    } catch (const WriteError& e) {
        EXPECT_EQ(e.kind(), WriteError::Kind::integrity);
        EXPECT_EQ(e.detail(), "file is not a database");
    }
    EXPECT_EQ(testing::readText(foreign), std::string(8192, 'x'));
}

TEST_F(CatalogWriterTest, anEmptyBatchStillBacksUpAndChecks) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    build(file, 3);
    std::vector<std::string> messages;
    const auto outcome = apply({}, file, Clock::now(), false, {}, [&](const std::string& m, double) { messages.push_back(m); });
    EXPECT_EQ(outcome.written, 0);
    EXPECT_EQ(outcome.notFound, 0);
    EXPECT_EQ(messages, std::vector<std::string>{"Se face copia de siguranță a catalogului…"});
    drainBackups();
    EXPECT_FALSE(fs::exists(outcome.backup));
    EXPECT_TRUE(fs::exists(backupDirectory() / (outcome.backup.stem().string() + ".zip")));
}

TEST_F(CatalogWriterTest, aBusyCatalogIsNotWritten) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    const auto paths = build(file, 2);
    const auto oldTexts = texts(file);
    const std::vector<Edit> edits = {{paths[0], attributesFor(0), {}, std::nullopt}};
    struct Case {
        const char* lock;
        WriteError::Kind kind;
    };
    // Another writer: the transaction cannot start (no busy timeout). A lock that also stops readers
    // leaves the integrity check without an answer, which is no pass.
    auto when = Clock::now();
    for (const auto& [lock, kind] : {Case{"begin immediate", WriteError::Kind::notWritable},
                                     Case{"begin exclusive", WriteError::Kind::integrity}}) {
        when += std::chrono::seconds(5);  // a fresh backup name each time
        SCOPED_TRACE(lock);
        const auto other = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READWRITE);
        other.exec(lock);
        try {
            apply(edits, file, when, false, {});
            FAIL() << "no error";
        } catch (const WriteError& e) {
            EXPECT_EQ(e.kind(), kind);
            EXPECT_EQ(e.detail(), "database is locked");
        }
        other.exec("rollback");
    }
    EXPECT_EQ(texts(file), oldTexts);
}

// A writer killed outright leaves the catalog whole, with all of its batch or none of it: once from
// inside the transaction, once from outside at about the time it commits.
TEST_F(CatalogWriterTest, aKilledWriterLeavesAllOrNothing) {
    for (const bool fromOutside : {false, true}) {
        SCOPED_TRACE(fromOutside ? "killed from outside, WAL" : "killed inside the transaction, rollback journal");
        testing::TempDir dir;
        const auto file = dir / "Mare.lrcat";
        const auto paths = build(file, 1500, fromOutside, 6000);
        const auto oldTexts = texts(file);
        std::vector<Edit> edits;
        for (int i = 0; i < 1500; ++i) edits.push_back({paths[static_cast<std::size_t>(i)], attributesFor(i), {}, std::nullopt});

        int pipeFds[2];
        ASSERT_EQ(::pipe(pipeFds), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::close(pipeFds[0]);
            apply(edits, file, Clock::now(), false, {}, [&](const std::string&, double f) {
                if (f < 0.9) return;
                if (!fromOutside) ::raise(SIGKILL);
                const char ready = 'r';
                (void)!::write(pipeFds[1], &ready, 1);
            });
            ::pause();  // wait for the kill after a finished write as well
            ::_exit(3);
        }
        ::close(pipeFds[1]);
        char ready = 0;
        if (fromOutside && ::read(pipeFds[0], &ready, 1) == 1) {
            std::this_thread::sleep_for(std::chrono::milliseconds(15));
            ::kill(child, SIGKILL);
        }
        ::close(pipeFds[0]);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(WTERMSIG(status), SIGKILL);

        EXPECT_EQ(integrity(file), "ok");
        const auto now = texts(file);
        const bool none = now == oldTexts;
        bool all = now.size() == oldTexts.size();
        for (std::size_t i = 0; all && i < now.size(); ++i)
            all = now[i] == CatalogWriter::merge(*oldTexts[i], edits[i].attributes, {}, std::nullopt);
        EXPECT_TRUE(none || all);
        if (!fromOutside) {
            EXPECT_TRUE(none);
        }
    }
}

// A writer killed inside its transaction leaves a hot journal (rollback journal) or uncommitted
// frames in the log (WAL). The next write's backup is the catalog as it was before that write: whole,
// without the killed write's changes.
TEST_F(CatalogWriterTest, theWriteAfterAKilledWriterBacksUpTheRolledBackCatalog) {
    for (const bool wal : {false, true}) {
        SCOPED_TRACE(wal ? "WAL" : "rollback journal");
        testing::freshDataDir();
        testing::TempDir dir;
        const auto file = dir / "Mare.lrcat";
        const auto paths = build(file, 1500, wal, 6000);
        const auto before = dumpAll(file);
        const auto bytesBefore = testing::readText(file);
        std::vector<Edit> edits;
        for (int i = 0; i < 1500; ++i) edits.push_back({paths[static_cast<std::size_t>(i)], attributesFor(i), {}, std::nullopt});

        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            apply(edits, file, Clock::now(), false, {}, [](const std::string&, double f) {
                if (f >= 0.9) ::raise(SIGKILL);
            });
            ::_exit(3);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status));
        if (wal) {
            ASSERT_GT(fs::file_size(file.string() + "-wal"), 0u);
        } else {
            // The killed write had already spilled into the file: a plain copy of it would be damaged.
            ASSERT_GT(fs::file_size(file.string() + "-journal"), 0u);
            ASSERT_NE(testing::readText(file), bytesBefore);
        }

        const auto outcome = apply({edits[0], edits[1]}, file, Clock::now(), false, {});
        EXPECT_EQ(outcome.written, 2);
        drainBackups();
        testing::TempDir out;
        const auto archive = backupDirectory() / (outcome.backup.stem().string() + ".zip");
        const auto restored = unzipBackup(archive, out.path());
        EXPECT_EQ(integrity(restored), "ok");
        EXPECT_TRUE(dumpAll(restored) == before);
        // The killed writer's own backup was whole before it wrote anything, and is kept as such.
        EXPECT_EQ(backupCount(), 2u);
        for (const auto& e : fs::directory_iterator(backupDirectory())) {
            if (e.path() == archive) continue;
            EXPECT_TRUE(dumpAll(unzipBackup(e.path(), out.path())) == before) << e.path();
        }
    }
}

// A write killed while it copies the catalog leaves no backup under a backup name and nothing that
// counts; the next write clears what it left and keeps one whole backup.
TEST_F(CatalogWriterTest, aCopyKilledHalfwayIsNeverABackup) {
    testing::TempDir dir;
    const auto file = dir / "Mare.lrcat";
    const auto paths = build(file, 3000, false, 6000);
    const auto before = dumpAll(file);
    const std::vector<Edit> edits = {{paths[0], attributesFor(0), {}, std::nullopt}};
    const auto unfinishedCopy = [] {
        std::error_code ec;
        for (const auto& e : fs::directory_iterator(backupDirectory(), ec))
            if (e.path().filename().string().rfind(".unfinished-", 0) == 0 && e.file_size(ec) > 0) return true;
        return false;
    };
    // The copy takes a moment; the rare run where it ends before the kill lands is tried again.
    bool killedInTheCopy = false;
    for (int attempt = 0; attempt < 5 && !killedInTheCopy; ++attempt) {
        testing::freshDataDir();
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            try {
                apply(edits, file, Clock::now(), false, {}, [](const std::string&, double f) {
                    if (f >= 0.45) ::raise(SIGSTOP);  // copied: wait here to be killed
                });
            } catch (...) {
            }
            ::_exit(3);
        }
        while (!unfinishedCopy() && ::waitpid(child, nullptr, WNOHANG | WUNTRACED) == 0) std::this_thread::yield();
        ::kill(child, SIGKILL);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        killedInTheCopy = backupCount() == 0;
    }
    ASSERT_TRUE(killedInTheCopy);
    EXPECT_EQ(backupSize(), 0);  // what it left is no backup
    EXPECT_TRUE(dumpAll(file) == before);

    const auto outcome = apply(edits, file, Clock::now(), false, {});
    drainBackups();
    std::set<std::string> left;
    for (const auto& e : fs::directory_iterator(backupDirectory())) left.insert(e.path().filename().string());
    EXPECT_EQ(left, std::set<std::string>{outcome.backup.stem().string() + ".zip"});
    testing::TempDir out;
    const auto restored = unzipBackup(backupDirectory() / (outcome.backup.stem().string() + ".zip"), out.path());
    EXPECT_EQ(integrity(restored), "ok");
    EXPECT_TRUE(dumpAll(restored) == before);
}

}  // namespace
}  // namespace orvane::CatalogWriter

namespace orvane::CatalogWriter {
namespace {

TEST_F(CatalogWriterTest, virtualCopiesAndPhotosWithoutTextAreNotFound) {
    testing::TempDir dir;
    const auto file = dir / "Foto.lrcat";
    {
        CatalogBuilder b(file);
        CatalogBuilder::Photo p;
        p.baseName = "A";
        p.settings = "s = { Exposure2012 = 0 }";
        const auto a = b.photo(p);
        b.virtualCopy(a.file, "Copy 1", "s = { Exposure2012 = 5 }");
        p.baseName = "B";
        p.settings = std::nullopt;
        const auto bIds = b.photo(p);
        b.developSettings(bIds.image, std::nullopt);
    }
    const auto outcome = apply({{"/Photos/2024/A.CR3", {{"Exposure2012", "1"}}, {}, std::nullopt},
                                {"/Photos/2024/B.CR3", {{"Exposure2012", "1"}}, {}, std::nullopt}},
                               file, Clock::now(), false, {"/Photos/2024/B.CR3"});
    EXPECT_EQ(outcome.written, 1);
    EXPECT_EQ(outcome.notFound, 1);
    EXPECT_EQ(texts(file), (std::vector<std::optional<std::string>>{"s = { Exposure2012 = 1 }", "s = { Exposure2012 = 5 }",
                                                                    std::nullopt}));
}

}  // namespace
}  // namespace orvane::CatalogWriter
