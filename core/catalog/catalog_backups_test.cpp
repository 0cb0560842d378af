#include "core/catalog/catalog_backups.h"

#include <gtest/gtest.h>
#include <zip.h>

#include <regex>
#include <set>

#include "core/base/defaults.h"
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

TEST_F(CatalogBackupsTest, copiesAreNamedByLocalTimeAndNeverOverwritten) {
    testing::TempDir dir;
    const auto catalog = dir / "Foto Nuntă.lrcat";
    testing::writeText(catalog, "db");
    testing::writeText(catalog.string() + "-wal", "wal");
    const auto when = std::chrono::system_clock::now();
    const auto copy = makeBackup(catalog, when);
    EXPECT_TRUE(std::regex_match(copy.filename().string(), std::regex("Foto Nuntă-[0-9]{8}-[0-9]{6}\\.lrcat")));
    EXPECT_EQ(testing::readText(copy), "db");
    EXPECT_EQ(testing::readText(copy.string() + "-wal"), "wal");
    EXPECT_FALSE(fs::exists(copy.string() + "-shm"));
    EXPECT_THROW(makeBackup(catalog, when), fs::filesystem_error);
    EXPECT_EQ(testing::readText(copy), "db");
    EXPECT_THROW(makeBackup(dir / "Lipsă.lrcat", when), fs::filesystem_error);
}

TEST_F(CatalogBackupsTest, backgroundCompressionDrains) {
    const auto copy = put("Foto-20240101-101010.lrcat", "catalog");
    compressBackupInBackground(copy, "Foto");
    drainBackups();
    EXPECT_EQ(names(), std::set<std::string>{"Foto-20240101-101010.zip"});
}

}  // namespace
}  // namespace orvane::CatalogWriter
