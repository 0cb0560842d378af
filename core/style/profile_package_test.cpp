#include "core/style/profile_package.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <zip.h>

#include <map>

#include "core/base/atomic_file.h"
#include "core/base/strict_json.h"
#include "core/store/store.h"
#include "core/style/profile.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::readText;
using testing::ScopedEnv;
using testing::TempDir;
using testing::writeText;

// A built profile that also describes its models (kind, engine) and keeps a file of its own.
Profile savedProfile(const std::string& name) {
    Profile p = testing::builtProfile(name);
    p.kind = "instant";
    p.engine = "preview";
    p.save();
    writeText(p.dir() / "notes.txt", "din altă parte");
    return p;
}

// Every file of a folder by relative name, with its bytes.
std::map<std::string, std::string> filesBelow(const fs::path& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : fs::recursive_directory_iterator(folder)) {
        if (e.is_regular_file()) out[e.path().lexically_relative(folder).generic_string()] = readWholeFile(e.path());
    }
    return out;
}

struct ZipEntry {
    std::string name;
    std::string content;
    mode_t mode = 0;  // 0: no Unix file type recorded
};

void writeZip(const fs::path& file, const std::vector<ZipEntry>& entries) {
    int error = 0;
    zip_t* z = zip_open(file.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &error);
    ASSERT_NE(z, nullptr);
    for (const auto& e : entries) {
        zip_int64_t index;
        if (!e.name.empty() && e.name.back() == '/' && e.mode == 0) {
            index = zip_dir_add(z, e.name.c_str(), ZIP_FL_ENC_RAW);
        } else {
            zip_source_t* s = zip_source_buffer(z, e.content.data(), e.content.size(), 0);
            index = zip_file_add(z, e.name.c_str(), s, ZIP_FL_ENC_RAW);
            ASSERT_GE(index, 0) << e.name;
            // Stored, so that tests can change its bytes in place.
            zip_set_file_compression(z, static_cast<zip_uint64_t>(index), ZIP_CM_STORE, 0);
        }
        ASSERT_GE(index, 0) << e.name;
        if (e.mode != 0) {
            zip_file_set_external_attributes(z, static_cast<zip_uint64_t>(index), 0, ZIP_OPSYS_UNIX,
                                             static_cast<zip_uint32_t>(e.mode) << 16);
        }
    }
    ASSERT_EQ(zip_close(z), 0);
}

const std::string kRecord =
    R"({"catalogIDs":[],"id":"11111111-2222-4333-8444-555555555555","name":"Stil","presetName":"Cald","samples":3})";

std::vector<ZipEntry> profileEntries() {
    return {{"Stil/", ""}, {"Stil/profile.json", kRecord}, {"Stil/preset.xmp", "<preset/>"}};
}

// Replaces every occurrence of `from` in a file by `to` (same length).
void patch(const fs::path& file, const std::string& from, const std::string& to) {
    std::string bytes = readWholeFile(file);
    ASSERT_EQ(from.size(), to.size());
    std::size_t at = 0;
    int found = 0;
    while ((at = bytes.find(from, at)) != std::string::npos) {
        bytes.replace(at, from.size(), to);
        at += to.size();
        ++found;
    }
    ASSERT_GT(found, 0);
    writeFileAtomically(file, bytes);
}

std::optional<PackageError::Code> importFails(const fs::path& package) {
    try {
        Profile::importPackage(package, {});
    } catch (const PackageError& e) {
        return e.code();
    }
    return std::nullopt;
}

TEST(ProfilePackage, roundTripMakesANewProfileAndLeavesTheOriginal) {
    testing::freshDataDir();
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const Profile original = savedProfile("Nunți/2024");
    const std::string originalRecord = readText(original.dir() / "profile.json");
    const fs::path package = tmp / ("Nunți-2024." + std::string(Profile::packageExtension));

    // An existing destination is replaced.
    writeText(package, "an older file");
    original.exportPackage(package);
    EXPECT_EQ(readText(original.dir() / "profile.json"), originalRecord);
    // Only the package is left in the temporary folder: the working folder is gone.
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);

    auto own = filesBelow(original.dir());
    own.erase("profile.json");
    {
        // One top-level folder, the slash turned into a hyphen, the catalogs gone from its record.
        const TempDir unpacked;
        ProfilePackage::unpack(package, unpacked.path());
        const auto top = Store::entries(unpacked.path());
        ASSERT_EQ(top.size(), 1u);
        EXPECT_EQ(top[0].filename(), "Nunți-2024");
        auto packaged = filesBelow(top[0]);
        const Profile packagedRecord = json::decode<Profile>(json::parse(packaged["profile.json"]));
        EXPECT_TRUE(packagedRecord.catalogIDs.empty());
        Profile expected = original;
        expected.catalogIDs.clear();
        EXPECT_EQ(packagedRecord, expected);
        packaged.erase("profile.json");
        EXPECT_EQ(packaged, own);
    }

    // Imported under a taken name, twice.
    for (int round = 0; round < 2; ++round) {
        const Profile imported = Profile::importPackage(package, {"Nunți/2024", "Altul"});
        EXPECT_NE(imported.id, original.id);
        EXPECT_EQ(imported.name, "Nunți/2024 (importat)");
        EXPECT_EQ(imported.presetName, original.presetName);
        EXPECT_TRUE(imported.catalogIDs.empty());
        EXPECT_EQ(imported.built, original.built);
        EXPECT_EQ(imported.samples, original.samples);
        EXPECT_EQ(imported.evaluation, original.evaluation);
        // They describe the models that came along.
        EXPECT_EQ(imported.kind, original.kind);
        EXPECT_EQ(imported.engine, original.engine);
        ASSERT_TRUE(original.predictedExtras);
        EXPECT_EQ(imported.predictedExtras, original.predictedExtras);
        EXPECT_FALSE(imported.tuning || imported.trainedCatalogIDs);
        EXPECT_TRUE(imported.isBuilt());
        EXPECT_EQ(Store::load<Profile>(imported.dir() / "profile.json"), imported);
        auto installed = filesBelow(imported.dir());
        installed.erase("profile.json");
        EXPECT_EQ(installed, own);
    }
    EXPECT_EQ(Profile::importPackage(package, {"Altul"}).name, "Nunți/2024");
    EXPECT_EQ(Profile::all().size(), 4u);
    EXPECT_EQ(readText(original.dir() / "profile.json"), originalRecord);
    EXPECT_EQ(std::distance(fs::directory_iterator(tmp.path()), fs::directory_iterator()), 1);
}

TEST(ProfilePackage, stagingFolderNameStaysInside) {
    const std::pair<std::string, std::string> cases[] = {
        {"Nunți/2024", "Nunți-2024"}, {"/", "-"},       {std::string("a\0b", 3), "a-b"},
        {".ascuns", "ascuns"},        {"...x.y", "x.y"}, {".", "profil"},
        {"..", "profil"},             {"", "profil"},    {"../..", "-.."},
    };
    for (const auto& [name, expected] : cases) EXPECT_EQ(ProfilePackage::folderName(name), expected) << name;
}

TEST(ProfilePackage, entryNamesMustStayBelowTheFolder) {
    const std::pair<std::string, bool> cases[] = {
        {"Stil/", true},      {"Stil/Models/a.bin", true}, {"Stil/.hidden", true}, {"..a/b", true},
        {"", false},          {"/etc/passwd", false},      {"../x", false},        {"Stil/../../x", false},
        {"Stil/..", false},   {"./Stil", false},           {"Stil//x", false},     {"Stil\\..\\x", false},
        {std::string("Stil/a\0b", 8), false},              {"/", false},
    };
    for (const auto& [name, safe] : cases) EXPECT_EQ(ProfilePackage::safeEntryName(name), safe) << name;
}

TEST(ProfilePackage, refusesWhatIsNotAProfile) {
    testing::freshDataDir();
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const fs::path package = tmp / "p.orvaneprofile";

    writeZip(package, {{"profile.json", kRecord}, {"preset.xmp", "<preset/>"}});
    EXPECT_EQ(importFails(package), PackageError::Code::notAProfile);
    writeZip(package, {{"Stil/profile.json", kRecord}, {"Altul/preset.xmp", "<preset/>"}});
    EXPECT_EQ(importFails(package), PackageError::Code::notAProfile);
    writeText(package, "PK\x03\x04 not really");
    EXPECT_EQ(importFails(package), PackageError::Code::archiveFailed);
    EXPECT_THROW(Profile::importPackage(tmp / "missing.orvaneprofile", {}), PackageError);
    try {
        Profile::importPackage(package, {});
    } catch (const PackageError& e) {
        EXPECT_STREQ(e.what(), "Arhivarea a eșuat.");
    }
    writeZip(package, {{"Stil/profile.json", R"({"name":"Stil"})"}, {"Stil/preset.xmp", "<preset/>"}});
    EXPECT_THROW(Profile::importPackage(package, {}), json::DecodeError);

    writeZip(package, {{"Stil/profile.json", kRecord}});
    try {
        Profile::importPackage(package, {});
        FAIL();
    } catch (const PackageError& e) {
        EXPECT_EQ(e.code(), PackageError::Code::notAProfile);
        EXPECT_STREQ(e.what(), "Fișierul nu este un profil Vendrel.");
    }
    EXPECT_TRUE(Store::entries(Store::profiles()).empty());
    EXPECT_EQ(Store::entries(tmp.path()), std::vector<fs::path>{package});
}

TEST(ProfilePackage, refusesAPackageWhoseModelsDoNotLoad) {
    testing::freshDataDir();
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const Profile original = savedProfile("Stil");
    const fs::path sound = tmp / "sound.orvaneprofile";
    original.exportPackage(sound);
    const auto before = Store::entries(Store::profiles());

    // The package as exported, with files changed or added, packed again.
    auto changed = [&](const std::map<std::string, std::string>& files) {
        const TempDir unpacked;
        ProfilePackage::unpack(sound, unpacked.path());
        const fs::path top = Store::entries(unpacked.path()).at(0);
        for (const auto& [file, bytes] : files) {
            fs::create_directories((top / file).parent_path());
            writeFileAtomically(top / file, bytes);
        }
        const fs::path package = tmp / "changed.orvaneprofile";
        ProfilePackage::pack(top, package);
        return package;
    };
    const std::string exposure = readWholeFile(original.dir() / "exp.xgbm/model.ubj");
    const std::string generation = "Models/AAAAAAAA-0000-4000-8000-000000000009/mired.xgbm/";
    const std::pair<const char*, fs::path> cases[] = {
        // Accepted once, then XGBoost read past its buffer when the profile's models were loaded.
        {"a 12-byte model", changed({{"exp.xgbm/model.ubj", exposure.substr(0, 12)}})},
        {"an unused generation's damaged model",
         changed({{generation + "model.ubj", exposure.substr(0, 40)},
                  {generation + "model.json", readWholeFile(original.dir() / "mired.xgbm/model.json")}})},
        {"a model whose description is damaged", changed({{"x_Vibrance.xgbm/model.json", "{"}})},
        {"an unreadable model selector", changed({{"models.json", "{\"generation\":1}"}})},
        {"a selector naming a missing generation",
         changed({{"models.json", "{\"generation\":\"AAAAAAAA-0000-4000-8000-000000000008\"}"}})},
    };
    for (const auto& [name, package] : cases) {
        EXPECT_EQ(importFails(package), PackageError::Code::notAProfile) << name;
        EXPECT_EQ(Store::entries(Store::profiles()), before) << name;
    }
    EXPECT_NO_THROW(Profile::importPackage(sound, {}));
}

TEST(ProfilePackage, exportFailsCleanly) {
    testing::freshDataDir();
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const Profile p = savedProfile("Stil");
    EXPECT_THROW(p.exportPackage(tmp / "no-such-folder/p.orvaneprofile"), PackageError);
    Profile missing = p;
    missing.id = Uuid::random();
    EXPECT_THROW(missing.exportPackage(tmp / "p.orvaneprofile"), fs::filesystem_error);
    EXPECT_TRUE(fs::is_empty(tmp.path()));
}

TEST(ProfilePackage, refusesHostileArchivesWithoutWritingOutside) {
    testing::freshDataDir();
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const fs::path package = tmp / "p.orvaneprofile";
    const std::string outside = (tmp / "evil.txt").string();

    struct Case {
        const char* name;
        std::vector<ZipEntry> extra;
        std::function<void()> change;
        PackageError::Code code;
    };
    const Case cases[] = {
        {"zip slip", {{"Stil/../../evil.txt", "x"}}, {}, PackageError::Code::notAProfile},
        {"parent at the top", {{"../evil.txt", "x"}}, {}, PackageError::Code::notAProfile},
        {"absolute name", {{outside, "x"}}, {}, PackageError::Code::notAProfile},
        {"backslash", {{"Stil\\..\\..\\evil.txt", "x"}}, {}, PackageError::Code::notAProfile},
        {"symbolic link", {{"Stil/Models", outside, S_IFLNK | 0777}, {"Stil/Models/evil.txt", "x"}}, {},
         PackageError::Code::notAProfile},
        {"device", {{"Stil/tty", "", S_IFCHR | 0666}}, {}, PackageError::Code::notAProfile},
        {"folder marked as a file", {{"Stil/Models/", "", S_IFREG | 0644}}, {}, PackageError::Code::notAProfile},
        {"a name given twice",
         {{"Stil/preset.xmq", "<other/>"}},
         [&] { patch(package, "Stil/preset.xmq", "Stil/preset.xmp"); },
         PackageError::Code::archiveFailed},
        {"huge declared size",
         {{"Stil/big.bin", "0123456789"}},
         // Both headers claim almost 4 GiB for a stored entry of 10 bytes.
         [&] {
             patch(package, std::string("\x0a\x00\x00\x00\x0a\x00\x00\x00", 8),
                   std::string("\x0a\x00\x00\x00\xf0\xff\xff\xff", 8));
         },
         PackageError::Code::notAProfile},
        {"NUL in a name",
         {{"Stil/aXb", "x"}},
         [&] { patch(package, "Stil/aXb", std::string("Stil/a\0b", 8)); },
         PackageError::Code::notAProfile},
    };
    for (const auto& c : cases) {
        std::vector<ZipEntry> entries = profileEntries();
        entries.insert(entries.end(), c.extra.begin(), c.extra.end());
        writeZip(package, entries);
        if (c.change) c.change();
        const auto code = importFails(package);
        EXPECT_EQ(code, c.code) << c.name;
        EXPECT_FALSE(fs::exists(outside)) << c.name;
        EXPECT_TRUE(Store::entries(Store::profiles()).empty()) << c.name;
        // Nothing left of the working folder.
        EXPECT_EQ(Store::entries(tmp.path()), std::vector<fs::path>{package}) << c.name;
    }

    // The same archive without its hostile entry is a profile.
    writeZip(package, profileEntries());
    EXPECT_EQ(Profile::importPackage(package, {}).name, "Stil");
}

TEST(ProfilePackage, refusesTooManyEntries) {
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const fs::path package = tmp / "p.orvaneprofile";
    std::vector<ZipEntry> entries = profileEntries();
    for (std::uint64_t i = 0; i < ProfilePackage::maxEntries; ++i) entries.push_back({"Stil/" + std::to_string(i) + "/", ""});
    writeZip(package, entries);
    const TempDir into;
    try {
        ProfilePackage::unpack(package, into.path());
        FAIL();
    } catch (const PackageError& e) {
        EXPECT_EQ(e.code(), PackageError::Code::notAProfile);
    }
    EXPECT_TRUE(fs::is_empty(into.path()));
}

}  // namespace
}  // namespace orvane
