#include "core/catalog/catalog_backups.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>
#include <zip.h>

#include <atomic>
#include <csignal>
#include <cstring>
#include <random>
#include <regex>
#include <set>
#include <thread>

#include "core/base/defaults.h"
#include "core/catalog/sqlite.h"
#include "testing/concurrency.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane::CatalogWriter {
namespace {

namespace fs = std::filesystem;

class CatalogBackupsTest : public ::testing::Test {
protected:
    void SetUp() override {
        testing::freshDataDir();
        defaults = std::make_shared<FileDefaults>();
        setUserDefaults(defaults);
        fs::create_directories(backupDirectory());
    }
    fs::path put(const std::string& name, const std::string& content = "x") {
        const auto file = backupDirectory() / name;
        testing::writeText(file, content);
        return file;
    }
    // A file of the given apparent size that takes no disk space.
    void sparse(const std::string& name, std::uintmax_t bytes) { fs::resize_file(put(name), bytes); }
    std::set<std::string> names() const {
        std::set<std::string> out;
        for (const auto& e : fs::directory_iterator(backupDirectory())) out.insert(e.path().filename().string());
        return out;
    }
    std::shared_ptr<FileDefaults> defaults;
};

// Entry name to content.
std::map<std::string, std::string> readZip(const fs::path& archive) {
    int error = 0;
    zip_t* z = zip_open(archive.c_str(), ZIP_RDONLY, &error);
    if (!z) throw std::runtime_error("cannot open the archive");
    std::map<std::string, std::string> out;
    for (zip_int64_t i = 0; i < zip_get_num_entries(z, 0); ++i) {
        zip_stat_t st;
        zip_stat_index(z, static_cast<zip_uint64_t>(i), 0, &st);
        std::string content(static_cast<std::size_t>(st.size), '\0');
        if (zip_file_t* f = zip_fopen_index(z, static_cast<zip_uint64_t>(i), 0)) {
            zip_fread(f, content.data(), st.size);
            zip_fclose(f);
        }
        EXPECT_TRUE(std::string(st.name).back() == '/' || st.comp_method == ZIP_CM_DEFLATE) << st.name;
        out[st.name] = content;
    }
    zip_close(z);
    return out;
}

TEST_F(CatalogBackupsTest, compressesACopyWithItsCompanionsIntoOneFolder) {
    const std::string catalog(200000, 'c');
    const auto copy = put("Foto-20240101-101010.lrcat", catalog);
    put("Foto-20240101-101010.lrcat-wal", "wal");
    put("Foto-20240101-101010.lrcat-shm", "shm");
    // An older copy of the same catalog left uncompressed is compressed too; another catalog's is not.
    put("Foto-20231224-090000.lrcat", "old");
    put("Foto-Nunta-20240101-101010.lrcat", "other");
    compressBackup(copy, "Foto");
    EXPECT_EQ(names(), (std::set<std::string>{"Foto-20240101-101010.zip", "Foto-20231224-090000.zip",
                                              "Foto-Nunta-20240101-101010.lrcat"}));
    const std::map<std::string, std::string> expected = {{"Foto-20240101-101010/", ""},
                                                         {"Foto-20240101-101010/Foto-20240101-101010.lrcat", catalog},
                                                         {"Foto-20240101-101010/Foto-20240101-101010.lrcat-wal", "wal"},
                                                         {"Foto-20240101-101010/Foto-20240101-101010.lrcat-shm", "shm"}};
    EXPECT_EQ(readZip(backupDirectory() / "Foto-20240101-101010.zip"), expected);
}

TEST_F(CatalogBackupsTest, aFailedCompressionLeavesTheCopiesInPlace) {
    const auto copy = put("Foto-20240101-101010.lrcat", "catalog");
    put("Foto-20240101-101010.lrcat-wal", "wal");
    std::vector<std::string> asked;
    compressOne(copy, [&](const fs::path& archive, const std::string& folder,
                          const std::vector<std::pair<fs::path, std::string>>& files) {
        asked.push_back(folder);
        for (const auto& f : files) asked.push_back(f.second);
        testing::writeText(archive, "half an archive");
        return false;
    });
    EXPECT_EQ(asked, (std::vector<std::string>{"Foto-20240101-101010", "Foto-20240101-101010.lrcat",
                                               "Foto-20240101-101010.lrcat-wal"}));
    EXPECT_EQ(names(), (std::set<std::string>{"Foto-20240101-101010.lrcat", "Foto-20240101-101010.lrcat-wal"}));
    EXPECT_EQ(testing::readText(copy), "catalog");
    // A writer that throws is a failure as well.
    compressOne(copy, [](const fs::path&, const std::string&, const std::vector<std::pair<fs::path, std::string>>&) -> bool {
        throw std::runtime_error("disk full");
    });
    EXPECT_EQ(names().size(), 2u);
}

TEST_F(CatalogBackupsTest, pruningKeepsTheNewestOfExactlyThisCatalog) {
    struct Case {
        const char* name;
        std::optional<std::int64_t> keep;
        int archives;
        std::size_t kept;
    };
    const std::vector<Case> cases = {
        {"absent", std::nullopt, 5, 3}, {"25 means 10", 25, 12, 10}, {"0 means 3", 0, 5, 3},
        {"-4 means 3", -4, 5, 3},       {"within range", 5, 7, 5}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        testing::freshDataDir();
        fs::create_directories(backupDirectory());
        if (c.keep)
            defaults->set("backupKeep", *c.keep);
        else
            defaults->remove("backupKeep");
        std::vector<std::string> stems;
        for (int i = 0; i < c.archives; ++i) {
            char stamp[32];
            std::snprintf(stamp, sizeof stamp, "202401%02d-1010%02d", 1 + i, i);
            stems.push_back(std::string("Foto-") + stamp);
            put(stems.back() + ".zip");
        }
        put(stems[0] + ".lrcat-wal");  // a leftover companion goes with its stem
        // Other catalogs whose names start like this one, and files that are no backups.
        put("Foto-Nunta-20200101-000000.zip");
        put("Foto-20200101-0000.zip");
        put("Foto-vechi.zip");
        pruneBackups("Foto");
        std::set<std::string> expected = {"Foto-Nunta-20200101-000000.zip", "Foto-20200101-0000.zip", "Foto-vechi.zip"};
        for (std::size_t i = stems.size() - c.kept; i < stems.size(); ++i) expected.insert(stems[i] + ".zip");
        EXPECT_EQ(names(), expected);
    }
}

TEST_F(CatalogBackupsTest, theSizeLimitDeletesTheOldestButNeverTheLastOfACatalogAndDay) {
    const std::uintmax_t part = 250ull << 20;  // five of them exceed 1 GiB, four do not
    sparse("Other-20240101-060000.zip", part);
    sparse("Foto-20240101-080000.zip", part);
    sparse("Foto-20240101-235959.zip", part);
    sparse("Foto-20240102-070000.zip", part);
    sparse("Foto-20240102-090000.zip", part);
    put("note.txt");

    defaults->set("backupLimitGB", std::int64_t{1} << 33);  // too large to count in bytes: no limit
    enforceBackupLimit();
    EXPECT_EQ(names().size(), 6u);
    defaults->set("backupLimitGB", 0);
    enforceBackupLimit();
    EXPECT_EQ(names().size(), 6u);

    defaults->set("backupLimitGB", 1);
    enforceBackupLimit();
    // The oldest by date and time goes, not the one with the earliest time of day.
    EXPECT_EQ(names(), (std::set<std::string>{"Other-20240101-060000.zip", "Foto-20240101-235959.zip",
                                              "Foto-20240102-070000.zip", "Foto-20240102-090000.zip", "note.txt"}));

    // Over the limit with only protected backups left: they stay.
    sparse("Foto-20240102-070000.zip", 3ull << 30);
    enforceBackupLimit();
    EXPECT_EQ(names(), (std::set<std::string>{"Other-20240101-060000.zip", "Foto-20240101-235959.zip",
                                              "Foto-20240102-090000.zip", "note.txt"}));
    EXPECT_GT(backupSize(), 3 * static_cast<std::int64_t>(part));
}

TEST_F(CatalogBackupsTest, sizeAndDelete) {
    put("a.zip", std::string(1000, 'a'));
    put("sub/b", std::string(500, 'b'));
    EXPECT_GE(backupSize(), 1500);
    deleteBackups();
    EXPECT_FALSE(fs::exists(backupDirectory()));
    EXPECT_EQ(backupSize(), 0);
    EXPECT_NO_THROW(deleteBackups());
}

// Rows of table t, in order, as SQLite reads the file.
std::vector<std::string> rows(const fs::path& file) {
    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare("select x from t order by rowid");
    std::vector<std::string> out;
    while (q.step() == Sqlite::Step::row) out.emplace_back(*q.text(0));
    return out;
}

TEST_F(CatalogBackupsTest, copiesAreWholeDatabasesUnderTheNextFreeName) {
    testing::TempDir dir;
    const auto catalog = dir / "Foto Nuntă.lrcat";
    // A WAL catalog whose last rows live only in its log, held open so the log is not checkpointed.
    const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    db.exec("pragma journal_mode = wal; pragma wal_autocheckpoint = 0; create table t(x)");
    db.exec("insert into t values ('unu'), ('doi')");
    ASSERT_GT(fs::file_size(catalog.string() + "-wal"), 0u);
    const auto when = std::chrono::system_clock::now();
    const auto second = std::chrono::seconds(1);

    const auto copy = makeBackup(catalog, when);
    EXPECT_EQ(copy, backupDirectory() / ("Foto Nuntă-" + backupStamp(when) + ".lrcat"));
    EXPECT_TRUE(std::regex_match(copy.filename().string(), std::regex("Foto Nuntă-[0-9]{8}-[0-9]{6}\\.lrcat")));
    EXPECT_EQ(names(), std::set<std::string>{copy.filename().string()});  // no companions, nothing unfinished
    EXPECT_EQ(rows(copy), (std::vector<std::string>{"unu", "doi"}));

    // Taken names move the stamp on: a second write in the same second, a name held by an archive, and
    // a catalog of the same file name from another folder.
    db.exec("insert into t values ('trei')");
    put("Foto Nuntă-" + backupStamp(when + 2 * second) + ".zip");
    const auto next = makeBackup(catalog, when);
    EXPECT_EQ(next.filename(), "Foto Nuntă-" + backupStamp(when + second) + ".lrcat");
    EXPECT_EQ(rows(next), (std::vector<std::string>{"unu", "doi", "trei"}));
    EXPECT_EQ(rows(copy), (std::vector<std::string>{"unu", "doi"}));
    testing::TempDir other;
    {
        const auto namesake = Sqlite::Connection::open((other / "Foto Nuntă.lrcat").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        namesake.exec("create table t(x); insert into t values ('alt')");
    }
    const auto third = makeBackup(other / "Foto Nuntă.lrcat", when);
    EXPECT_EQ(third.filename(), "Foto Nuntă-" + backupStamp(when + 3 * second) + ".lrcat");
    EXPECT_EQ(rows(third), std::vector<std::string>{"alt"});

    // What is no database, or no file, fails the copy and leaves nothing behind.
    const auto before = names();
    testing::writeText(dir / "Altul.lrcat", std::string(8192, 'x'));
    EXPECT_THROW(makeBackup(dir / "Altul.lrcat", when), fs::filesystem_error);
    EXPECT_THROW(makeBackup(dir / "Lipsă.lrcat", when), fs::filesystem_error);
    EXPECT_EQ(names(), before);
}

// A rollback-journal catalog with a hot journal: the copy is the catalog as it was before the
// killed write, never the half-written file.
TEST_F(CatalogBackupsTest, aHotJournalIsRolledBackBeforeTheCopy) {
    testing::TempDir dir;
    const auto catalog = dir / "Foto.lrcat";
    {
        const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec("create table t(x)");
        for (int i = 0; i < 200; ++i) db.prepare("insert into t values (?1)").bind(1, std::string(2000, char('a' + i % 26))).run();
    }
    const auto committed = rows(catalog);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        // A small cache spills the changes into the file before the commit.
        const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READWRITE);
        db.exec("pragma cache_size = 10; begin immediate; update t set x = 'rescris'");
        ::raise(SIGKILL);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFSIGNALED(status));
    ASSERT_GT(fs::file_size(catalog.string() + "-journal"), 0u);

    const auto copy = makeBackup(catalog, std::chrono::system_clock::now());
    EXPECT_TRUE(rows(copy) == committed);
    const auto db = Sqlite::Connection::open(copy.string(), SQLITE_OPEN_READONLY);
    auto check = db.prepare("pragma integrity_check");
    ASSERT_EQ(check.step(), Sqlite::Step::row);
    EXPECT_EQ(check.text(0), std::optional<std::string_view>("ok"));
}

// Leftovers of killed copies and compressions, ours and libzip's, never count as backups or towards
// the size, and the next housekeeping clears them.
TEST_F(CatalogBackupsTest, leftoversOfKilledRunsAreNeverCountedAndAreCleared) {
    const std::vector<std::string> leftovers = {".unfinished-Foto-20240105-101010.lrcat",
                                                ".unfinished-Foto-20240105-101010.lrcat-journal",
                                                ".unfinished-Foto-20240104-101010.zip",
                                                ".unfinished-Foto-20240104-101010.zip.a1B2c3",
                                                "Foto-20240103-101010.zip.Xy12Ab"};
    for (const auto& name : leftovers) sparse(name, 500ull << 20);
    for (const char* name : {"Foto-20240101-101010.zip", "Foto-20240102-101010.zip", "Foto-20240103-101010.zip"})
        put(name, std::string(1000, 'z'));
    put("note.txt", "mine");
    EXPECT_EQ(backupSize(), 3004);

    // Three backups and a limit of three: the leftovers would have pushed the oldest out.
    defaults->set("backupKeep", 3);
    defaults->set("backupLimitGB", 1);
    pruneBackups("Foto");
    EXPECT_EQ(names(), (std::set<std::string>{"Foto-20240101-101010.zip", "Foto-20240102-101010.zip",
                                              "Foto-20240103-101010.zip", "note.txt"}));
    // Every housekeeping entry clears them, the copy included.
    struct Case {
        const char* name;
        std::function<void()> run;
    };
    testing::TempDir dir;
    {
        const auto db = Sqlite::Connection::open((dir / "Foto.lrcat").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec("create table t(x)");
    }
    const std::vector<Case> cases = {
        {"copy", [&] { makeBackup(dir / "Foto.lrcat", std::chrono::system_clock::now()); }},
        {"compression", [] { compressBackup(backupDirectory() / "Foto-20240109-101010.lrcat", "Foto"); }},
        {"one compression", [] { compressOne(backupDirectory() / "Foto-20240109-101010.lrcat"); }},
        {"limit", [] { enforceBackupLimit(); }}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& name : leftovers) put(name);
        c.run();
        for (const auto& name : leftovers) EXPECT_FALSE(fs::exists(backupDirectory() / name)) << name;
    }
}

// One lock for the folder: a copy waits for the compression under way rather than racing it.
TEST_F(CatalogBackupsTest, copiesWaitForTheCompressionUnderWay) {
    testing::TempDir dir;
    {
        const auto db = Sqlite::Connection::open((dir / "Foto.lrcat").string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
        db.exec("create table t(x)");
    }
    const auto copy = put("Foto-20240101-101010.lrcat", "catalog");
    std::atomic<bool> zipped{false};
    std::atomic<bool> copied{false};
    std::atomic<bool> zippedBeforeTheCopy{false};
    std::thread writer;
    compressOne(copy, [&](const fs::path& archive, const std::string& folder,
                          const std::vector<std::pair<fs::path, std::string>>& files) {
        writer = std::thread([&] {
            try {
                makeBackup(dir / "Foto.lrcat", std::chrono::system_clock::now());
                copied = true;
            } catch (...) {
            }
            zippedBeforeTheCopy = zipped.load();
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        zipped = zipFolder(archive, folder, files);
        return zipped.load();
    });
    writer.join();
    EXPECT_TRUE(copied.load());
    EXPECT_TRUE(zippedBeforeTheCopy.load());
}

TEST_F(CatalogBackupsTest, backgroundCompressionDrainsWithinALimit) {
    const auto copy = put("Foto-20240101-101010.lrcat", "catalog");
    auto gate = std::make_shared<testing::Gate>();
    compressBackupInBackground(copy, "Foto", [gate](const fs::path& archive, const std::string& folder,
                                                    const std::vector<std::pair<fs::path, std::string>>& files) {
        gate->pass();
        return zipFolder(archive, folder, files);
    });
    ASSERT_TRUE(gate->waitEntered(1));
    EXPECT_FALSE(drainBackups(std::chrono::milliseconds(20)));  // a limit ends the wait
    gate->open();
    EXPECT_TRUE(drainBackups(std::chrono::minutes(1)));
    EXPECT_EQ(names(), std::set<std::string>{"Foto-20240101-101010.zip"});
    drainBackups();
}

// A compression killed at any point leaves the copy whole and no archive under a backup name; what
// it left is not counted and goes with the next housekeeping, which then compresses the copy.
TEST_F(CatalogBackupsTest, aKilledCompressionLeavesTheCopyAndNoArchive) {
    // Random bytes, so that deflating them takes a while.
    std::string catalog(24u << 20, '\0');
    std::mt19937_64 random(7);
    for (std::size_t i = 0; i + 8 <= catalog.size(); i += 8) {
        const auto word = random();
        std::memcpy(catalog.data() + i, &word, 8);
    }
    for (const bool insideLibzip : {true, false}) {
        SCOPED_TRACE(insideLibzip ? "killed while libzip writes" : "killed after the archive was closed");
        testing::freshDataDir();
        fs::create_directories(backupDirectory());
        const auto copy = put("Foto-20240101-101010.lrcat", catalog);
        put("Foto-20231231-101010.zip", "older");
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            compressBackup(copy, "Foto", [&](const fs::path& archive, const std::string& folder,
                                             const std::vector<std::pair<fs::path, std::string>>& files) {
                const bool ok = zipFolder(archive, folder, files);
                if (!insideLibzip) ::raise(SIGKILL);
                return ok;
            });
            ::_exit(0);
        }
        if (insideLibzip) {
            // libzip's temporary archive beside ours, with something in it.
            const auto writing = [&] {
                for (const auto& name : names())
                    if (name.rfind(".unfinished-Foto-20240101-101010.zip.", 0) == 0) {
                        std::error_code ec;
                        if (fs::file_size(backupDirectory() / name, ec) > 0) return true;
                    }
                return false;
            };
            while (!writing() && ::waitpid(child, nullptr, WNOHANG) == 0) std::this_thread::yield();
            ::kill(child, SIGKILL);
        }
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ASSERT_TRUE(WIFSIGNALED(status)) << "the compression ended before the kill";

        const auto left = names();
        EXPECT_EQ(left.count("Foto-20240101-101010.zip"), 0u);
        EXPECT_EQ(testing::readText(copy), catalog);
        EXPECT_EQ(backupSize(), static_cast<std::int64_t>(catalog.size()) + 5);
        EXPECT_GT(left.size(), 2u);  // something unfinished was left

        compressBackup(copy, "Foto");
        EXPECT_EQ(names(), (std::set<std::string>{"Foto-20231231-101010.zip", "Foto-20240101-101010.zip"}));
        EXPECT_EQ(readZip(backupDirectory() / "Foto-20240101-101010.zip").at("Foto-20240101-101010/Foto-20240101-101010.lrcat"),
                  catalog);
    }
}

}  // namespace
}  // namespace orvane::CatalogWriter
