#include "core/update/update_staging.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>

#include "core/base/atomic_file.h"
#include "core/update/update_safety.h"
#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"
#include "testing/update_pki.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using namespace UpdateStaging;
using testing::TempDir;
using testing::testPki;

TEST(UpdateVersions, NaturalOrderOfKeys) {
    struct Case {
        const char* a;
        const char* b;
        int order;
    };
    const Case cases[] = {
        {"1.10.0.3", "1.9.9.120", 1},
        {"1.4.2.100", "1.4.2.99", 1},
        {"1.4.2.57", "1.4.2.60", -1},
        {"1.4.2.0", "1.4.2.0", 0},
        {"2.0.1.0", "2.0.0.0", 1},
        {"2.1.1", "2.0.9", 1},
        {"1.5", "1.5.0", -1},  // a prefix orders first
        {"1.05", "1.5", 0},    // leading zeros do not count
        {"1.5.0.0", "dev.0", -1},  // a digit orders before a letter
        {"99999999999999999999999.0", "99999999999999999999998.9", 1},  // no overflow
        {"1.0-beta.0", "1.0.0", -1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(compareVersions(c.a, c.b), c.order) << c.a << " vs " << c.b;
        EXPECT_EQ(compareVersions(c.b, c.a), -c.order) << c.b << " vs " << c.a;
    }
    EXPECT_TRUE(isNewer("1.10.0", "1.9.0"));
    EXPECT_FALSE(isNewer("1.4.2.0", "1.4.2.0"));
}

TEST(UpdateFeed, DecodingTable) {
    struct Case {
        const char* name;
        const char* body;
        std::optional<Feed> feed;
    };
    const Case cases[] = {
        {"full", R"({"version":"1.5.0","build":"57","url":"Vendrel.zip"})", Feed{"1.5.0", "57", "Vendrel.zip"}},
        {"no build", R"({"version":"1.5.0","url":"x.zip"})", Feed{"1.5.0", std::nullopt, "x.zip"}},
        {"null build", R"({"version":"1.5.0","build":null,"url":"x.zip"})", Feed{"1.5.0", std::nullopt, "x.zip"}},
        {"other keys ignored", R"({"version":"1","url":"u","notes":[1,2]})", Feed{"1", std::nullopt, "u"}},
        {"numeric build", R"({"version":"1.5.0","build":57,"url":"x.zip"})", std::nullopt},
        {"numeric version", R"({"version":1.5,"url":"x.zip"})", std::nullopt},
        {"null version", R"({"version":null,"url":"x.zip"})", std::nullopt},
        {"no url", R"({"version":"1.5.0"})", std::nullopt},
        {"an array", R"([{"version":"1","url":"u"}])", std::nullopt},
        {"not json", "<html>", std::nullopt},
        {"empty", "", std::nullopt},
    };
    for (const auto& c : cases) {
        if (c.feed) {
            EXPECT_EQ(decodeFeed(c.body), *c.feed) << c.name;
        } else {
            EXPECT_THROW(decodeFeed(c.body), FeedError) << c.name;
        }
    }
    EXPECT_EQ(releaseKey(Feed{"1.5.0", std::nullopt, "u"}), "1.5.0.0");
    EXPECT_EQ(releaseKey(Feed{"1.5.0", "57", "u"}), "1.5.0.57");
}

TEST(UpdateFeed, AddressesAndNames) {
    EXPECT_EQ(trimmed(" \thttps://a.example/feed.json\t "), "https://a.example/feed.json");
    EXPECT_EQ(trimmed("\nhttps://a\n"), "\nhttps://a\n");
    EXPECT_EQ(trimmed(" \t "), "");

    EXPECT_EQ(resolve("https://a.example/updates/feed.json", "Vendrel-1.5.zip"),
              "https://a.example/updates/Vendrel-1.5.zip");
    EXPECT_EQ(resolve("https://a.example/updates/feed.json", "https://cdn.example/v.zip"), "https://cdn.example/v.zip");
    EXPECT_EQ(resolve("https://a.example/updates/feed.json", "http://cdn.example/v.zip"), "http://cdn.example/v.zip");
    EXPECT_EQ(resolve("https://a.example/updates/feed.json", "https://"), std::nullopt);

    struct Name {
        const char* url;
        const char* name;
    };
    const Name names[] = {
        {"https://a.example/d/Vendrel-1.5.zip", "Vendrel-1.5.zip"},
        {"https://a.example/d/Vendrel%201.5.zip?x=1", "Vendrel 1.5.zip"},
        {"https://a.example/d/", "Vendrel-1.5.0.zip"},
        {"https://a.example/d/..", "Vendrel-1.5.0.zip"},
        {"https://a.example/d/%2E%2E", "Vendrel-1.5.0.zip"},
        {"https://a.example/d/..%2F..%2F.bashrc", "Vendrel-1.5.0.zip"},
        {"https://a.example/d/.hidden.zip", "Vendrel-1.5.0.zip"},
        {"https://a.example/d/a%0Ab.zip", "Vendrel-1.5.0.zip"},
        {"not an address", "Vendrel-1.5.0.zip"},
    };
    for (const auto& n : names) EXPECT_EQ(manualInstallName(n.url, "1.5.0"), n.name) << n.url;
    EXPECT_EQ(manualInstallName("https://a.example/", "../../x"), "Vendrel.zip");

    EXPECT_EQ(splitVersion("1.5.0+57"), (std::pair<std::string, std::string>{"1.5.0", "57"}));
    EXPECT_EQ(splitVersion("1.5.0"), (std::pair<std::string, std::string>{"1.5.0", "0"}));
    EXPECT_EQ(applicationFolderOf("/opt/Vendrel.app/Contents/bin/vendrel"), fs::path("/opt/Vendrel.app"));
    EXPECT_EQ(applicationFolderOf("/home/me/build/app/OrvaneStudio"), std::nullopt);
}

TEST(UpdateManualInstall, NothingThatExistsIsReplaced) {
    TempDir dir;
    const fs::path downloads = dir / "Downloads";
    fs::create_directories(downloads);
    testing::writeText(downloads / "Vendrel-1.5.zip", "mine");
    fs::create_directories(downloads / "Vendrel-1.5 (2).zip");
    testing::writeText(dir / "download-1", "update");
    const fs::path saved = saveWithoutClobbering(dir / "download-1", downloads, "Vendrel-1.5.zip");
    EXPECT_EQ(saved, downloads / "Vendrel-1.5 (3).zip");
    EXPECT_EQ(testing::readText(saved), "update");
    EXPECT_EQ(testing::readText(downloads / "Vendrel-1.5.zip"), "mine");
    EXPECT_TRUE(fs::is_directory(downloads / "Vendrel-1.5 (2).zip"));
    EXPECT_FALSE(fs::exists(dir / "download-1"));
}

class StagingTest : public ::testing::Test {
protected:
    TempDir dir;
    fs::path apps = dir / "apps";
    fs::path installedFolder = apps / "Vendrel.app";
    fs::path temp = dir / "tmp";
    fs::path marker = dir / "started.txt";
    TrustAnchors anchors = TrustAnchors::fromPem(testPki().rootPem);
    InstalledApp installed{installedFolder, testing::testAppIdentifier, "1.0", "5"};

    StagingTest() {
        fs::create_directories(temp);
        testing::makeAppFolder(installedFolder, testPki().team, "1.0+5", marker);
    }

    // A release archive holding a new version built in a folder of its own.
    fs::path release(const std::string& version, const testing::TestSigner& signer,
                     const std::string& identifier = testing::testAppIdentifier) {
        const fs::path built = dir / "release" / "X.app";
        testing::makeAppFolder(built, signer, version, marker, "exec sleep 5", identifier);
        const fs::path zip = dir / ("release-" + version + ".zip");
        testing::writeZip(zip, testing::entriesOf(built));
        return zip;
    }

    std::vector<std::string> besideInstalled() const {
        std::vector<std::string> out;
        for (const auto& e : fs::directory_iterator(apps)) out.push_back(e.path().filename().string());
        std::sort(out.begin(), out.end());
        return out;
    }
    bool tempEmpty() const { return fs::is_empty(temp); }
};

TEST_F(StagingTest, ASignedNewerArchiveIsStagedBesideTheInstalledFolder) {
    const Staged s = stage(release("1.1+7", testPki().team), installed, anchors, temp);
    ASSERT_TRUE(s.folder);
    EXPECT_EQ(s.status, "Versiunea 1.1 (7) este pregătită pentru instalare.");
    EXPECT_EQ(s.folder->parent_path(), apps);
    EXPECT_TRUE(isStagedName(s.folder->filename().string()));
    EXPECT_NO_THROW(UpdateSafety::validate(*s.folder, installedFolder, anchors));
    EXPECT_EQ(testing::readText(*s.folder / "Contents/Resources/version.txt"), "1.1+7");
    struct stat st {};
    ASSERT_EQ(::stat((*s.folder / "Contents/bin/vendrel").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0755u) << "the program stays executable";
    EXPECT_TRUE(tempEmpty());
}

TEST_F(StagingTest, AChosenApplicationFolderIsStagedToo) {
    const fs::path chosen = dir / "chosen" / "Vendrel.app";
    testing::makeAppFolder(chosen, testPki().team, "2.1+1", marker);
    installed.shortVersion = "2.0";
    installed.build = "9";
    const Staged s = stage(chosen, installed, anchors, temp);
    ASSERT_TRUE(s.folder);
    EXPECT_EQ(s.status, "Versiunea 2.1 (1) este pregătită pentru instalare.");
    EXPECT_TRUE(fs::exists(chosen)) << "the source is left alone";
}

TEST_F(StagingTest, EqualOrOlderLeavesNothing) {
    for (const char* version : {"1.0+5", "1.0", "0.9+100"}) {
        const Staged s = stage(release(version, testPki().team), installed, anchors, temp);
        EXPECT_FALSE(s.folder) << version;
        const auto [shortVersion, build] = splitVersion(version);
        EXPECT_EQ(s.status, "Versiunea " + shortVersion + " (" + build + ") nu e mai nouă decât cea instalată.");
        EXPECT_EQ(besideInstalled(), std::vector<std::string>{"Vendrel.app"}) << version;
        EXPECT_TRUE(tempEmpty());
    }
}

TEST_F(StagingTest, RefusalsLeaveNothingBehind) {
    auto failure = [&](const fs::path& source) -> std::string {
        try {
            stage(source, installed, anchors, temp);
            return "staged";
        } catch (const std::exception& e) {
            return e.what();
        }
    };
    const std::string notOurs = "Nu este o versiune Vendrel.";
    const std::string untrusted(UpdateSafety::description(UpdateSafety::Failure::untrustedSigner));
    const std::string refused = "Arhiva actualizării nu poate fi folosită.";

    EXPECT_EQ(failure(release("1.1", testPki().team, "ro.other.app")), notOurs);
    EXPECT_EQ(failure(release("1.1", testPki().otherTeam)), untrusted);
    EXPECT_EQ(failure(release("1.1", testPki().adHoc)), untrusted);

    // No manifest at all.
    const fs::path plain = dir / "plain.zip";
    testing::writeZip(plain, {{"X.app/", "", 040755}, {"X.app/Contents/bin/vendrel", "#!/bin/sh\n", 0100755}});
    EXPECT_EQ(failure(plain), notOurs);

    // No application folder at the top.
    const fs::path none = dir / "none.zip";
    testing::writeZip(none, {{"readme.txt", "hi"}, {"X.app", "a file, not a folder"}});
    EXPECT_EQ(failure(none), "Nu există nicio aplicație în arhivă.");

    // A signed release with one file changed after signing.
    auto entries = testing::entriesOf(dir / "release" / "X.app");
    for (auto& e : entries)
        if (e.name.ends_with("version.txt")) e.contents = "tampered";
    const fs::path tampered = dir / "tampered.zip";
    testing::writeZip(tampered, entries);
    EXPECT_EQ(failure(tampered), untrusted);

    const std::vector<std::pair<const char*, testing::ZipEntry>> hostile = {
        {"zip-slip", {"X.app/../../escaped.txt", "x"}},
        {"absolute", {"/tmp/escaped.txt", "x"}},
        {"symbolic link", {"X.app/Contents/link", "/etc/passwd", 0120777}},
        {"setuid", {"X.app/Contents/bin/vendrel", "#!/bin/sh\n", 0104755}},
        {"setgid", {"X.app/Contents/bin/vendrel", "#!/bin/sh\n", 0102755}},
        {"fifo", {"X.app/Contents/fifo", "", 010644}},
        {"device", {"X.app/Contents/dev", "", 020644}},
    };
    for (const auto& [name, entry] : hostile) {
        const fs::path zip = dir / (std::string(name) + ".zip");
        testing::writeZip(zip, {{"X.app/", "", 040755}, entry});
        EXPECT_EQ(failure(zip), refused) << name;
    }
    EXPECT_FALSE(fs::exists(dir / "escaped.txt"));

    // A bomb: an entry that declares more than the limit.
    const fs::path bomb = dir / "bomb.zip";
    testing::writeZip(bomb, {{"X.app/", "", 040755}, {"X.app/big", std::string(1000, 'z')}});
    {
        std::string bytes = readWholeFile(bomb);
        // The central directory record's uncompressed size (offset 24) of the second entry.
        std::size_t at = bytes.find("PK\x01\x02");
        at = bytes.find("PK\x01\x02", at + 4);
        ASSERT_NE(at, std::string::npos);
        for (int i = 0; i < 4; ++i) bytes[at + 24 + static_cast<std::size_t>(i)] = '\xF0';
        writeFileAtomically(bomb, bytes);
    }
    EXPECT_EQ(failure(bomb), refused);

    EXPECT_EQ(besideInstalled(), std::vector<std::string>{"Vendrel.app"});
    EXPECT_TRUE(tempEmpty());
}

TEST_F(StagingTest, HandOverChecksTheStagedFolderAndTheHelper) {
    const Staged s = stage(release("1.1", testPki().team), installed, anchors, temp);
    ASSERT_TRUE(s.folder);
    const fs::path helper = helperPath(installedFolder);
    // No helper in the installed folder: the start fails and says so.
    try {
        startHelper(helper, ::getpid(), *s.folder, installedFolder, anchors);
        ADD_FAILURE() << "started without a helper";
    } catch (const std::system_error& e) {
        EXPECT_NE(std::string(e.what()).find("Programul de actualizare nu poate porni"), std::string::npos);
    }
    // A staged folder changed after staging is refused before anything starts.
    testing::writeText(*s.folder / "Contents/Resources/version.txt", "changed");
    try {
        startHelper("/bin/true", ::getpid(), *s.folder, installedFolder, anchors);
        ADD_FAILURE() << "a changed folder was handed over";
    } catch (const UpdateSafety::Error& e) {
        EXPECT_EQ(e.failure(), UpdateSafety::Failure::untrustedSigner);
    }
}

TEST_F(StagingTest, LeftoversOfEarlierUpdates) {
    const std::string a = std::string(stagedPrefix) + "11111111-1111-4111-8111-111111111111";
    const std::string b = std::string(stagedPrefix) + "22222222-2222-4222-8222-222222222222";
    fs::create_directories(apps / (a + ".app"));
    fs::create_directories(apps / (b + ".app"));
    fs::create_directories(apps / ".OrvaneStudio-previous-not-a-uuid.app");
    fs::create_directory_symlink(apps / (a + ".app"),
                                 apps / (std::string(stagedPrefix) + "33333333-3333-4333-8333-333333333333.app"));
    testing::writeText(apps / (a + ".update-error.txt"), "Actualizarea nu a reușit: ceva\n");
    testing::writeText(apps / "notes.update-error.txt", "not ours");

    EXPECT_EQ(takeLeftoverError(installedFolder), "Actualizarea nu a reușit: ceva");
    EXPECT_EQ(takeLeftoverError(installedFolder), std::nullopt) << "shown once";
    EXPECT_TRUE(fs::exists(apps / "notes.update-error.txt"));

    EXPECT_EQ(removeStalePrevious(installedFolder, apps / (b + ".app")), 1);
    EXPECT_FALSE(fs::exists(apps / (a + ".app")));
    EXPECT_TRUE(fs::exists(apps / (b + ".app"))) << "the staged one stays";
    EXPECT_TRUE(fs::exists(apps / ".OrvaneStudio-previous-not-a-uuid.app"));
    EXPECT_TRUE(fs::exists(installedFolder));
}

TEST_F(StagingTest, AStaleFolderAProgramRunsFromStays) {
    const std::string a = std::string(stagedPrefix) + "11111111-1111-4111-8111-111111111111.app";
    fs::create_directories(apps / a / "Contents/bin");
    // A fake process table: process 42 runs a program inside the folder.
    const fs::path proc = dir / "proc";
    fs::create_directories(proc / "42");
    fs::create_symlink(apps / a / "Contents/bin/vendrel", proc / "42" / "exe");
    EXPECT_EQ(removeStalePrevious(installedFolder, std::nullopt, proc), 0);
    EXPECT_TRUE(fs::exists(apps / a));
}

}  // namespace
}  // namespace orvane
