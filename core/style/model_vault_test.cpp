#include "core/style/model_vault.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include "core/base/atomic_file.h"
#include "core/style/model_storage.h"
#include "core/style/predictor.h"
#include "core/style/vault_format.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {
namespace fs = std::filesystem;
using testing::TempDir;

// A private runtime folder and resource folder for each test, and a vault that has opened nothing.
class ModelVaultTest : public ::testing::Test {
protected:
    void writeResource(const std::string& name, const std::string& bytes) {
        writeFileAtomically(resources / (name + ".vrv"), bytes);
    }
    std::string sealedModels() {
        TempDir models;
        testing::writeModelFolder(models.path(), 0.25f, 200.0f, {{"Vibrance", 5}});
        return VaultFormat::seal(VaultFormat::pack(VaultFormat::collect(models.path())));
    }

    TempDir runtime;
    TempDir resources;
    testing::ScopedEnv env{"XDG_RUNTIME_DIR", runtime.path().string()};
    testing::VaultSession session{resources.path()};
};

TEST_F(ModelVaultTest, aSealedModelOpensIntoAPrivateSessionFolder) {
    writeResource("BaseModel", sealedModels());
    auto dir = ModelVault::directory("BaseModel");
    ASSERT_TRUE(dir);
    EXPECT_EQ(dir->parent_path(), *ModelVault::sessionRoot());
    EXPECT_EQ(dir->parent_path().filename(), ".vr-" + std::to_string(::getpid()));
    EXPECT_EQ(dir->parent_path().parent_path(), runtime / "Vendrel");
    struct stat st {};
    ASSERT_EQ(::stat(dir->c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    ASSERT_EQ(::stat((runtime / "Vendrel").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);

    auto p = Predictor::openModelDirectory(*dir);
    EXPECT_FLOAT_EQ(p.predict(std::vector<double>(68, 0)).exposure, 0.25);
    EXPECT_EQ(p.predictedExtras(), std::vector<std::string>{"Vibrance"});

    // Cached: the resource is not read again.
    fs::remove(resources / "BaseModel.vrv");
    EXPECT_EQ(ModelVault::directory("BaseModel"), dir);
}

TEST_F(ModelVaultTest, aVanishedCachedFolderIsUnpackedAgain) {
    writeResource("BaseModelPreview", sealedModels());
    auto first = ModelVault::directory("BaseModelPreview");
    ASSERT_TRUE(first);
    ModelVault::removeSession();
    EXPECT_FALSE(fs::exists(*first));
    auto again = ModelVault::directory("BaseModelPreview");
    ASSERT_EQ(again, first);
    EXPECT_TRUE(fs::is_directory(*again / "exp.xgbm"));
}

TEST_F(ModelVaultTest, overrideAnswersEveryName) {
    ModelVault::setOverrideDirectory(resources / "anything");
    EXPECT_EQ(ModelVault::directory("BaseModel"), resources / "anything");
    EXPECT_EQ(ModelVault::directory("BaseModelPreview"), resources / "anything");
}

TEST_F(ModelVaultTest, aMissingModelIsNothingAndIsNotRemembered) {
    EXPECT_FALSE(ModelVault::directory("BaseModel"));
    writeResource("BaseModel", sealedModels());
    EXPECT_TRUE(ModelVault::directory("BaseModel"));
}

TEST_F(ModelVaultTest, namesThatAreNotOneFolderNameAreRefused) {
    testing::writeText(resources / "sub" / "x" / "exp.xgbm" / "model.ubj", "x");
    for (const char* name : {"", "..", ".", "sub/x", "/etc", "a\\b"}) EXPECT_FALSE(ModelVault::directory(name)) << name;
}

std::string flip(std::string s, std::size_t at) {
    s[at] = static_cast<char>(s[at] ^ 0x01);
    return s;
}

TEST_F(ModelVaultTest, tamperedOrMalformedVaultsFallBackToThePlainFolder) {
    const std::string good = sealedModels();
    auto sealEntries = [](std::vector<VaultFormat::Entry> entries) {
        return VaultFormat::seal(VaultFormat::pack(entries));
    };
    std::string runsPastEnd = VaultFormat::pack({{"exp.xgbm/model.ubj", "abc"}});
    runsPastEnd.resize(runsPastEnd.size() - 1);
    std::string hugeSize = VaultFormat::pack({{"a", ""}});
    for (int i = 0; i < 8; ++i) hugeSize[4 + 2 + 1 + i] = '\xff';
    struct Case {
        const char* name;
        std::string bytes;
    };
    const std::vector<Case> cases = {
        {"magic changed", "VRV2" + good.substr(4)},
        {"only the magic", "VRV1"},
        {"box shorter than 28 bytes", good.substr(0, 4 + 27)},
        {"nonce changed", flip(good, 4)},
        {"ciphertext byte changed", flip(good, 20)},
        {"tag changed", flip(good, good.size() - 1)},
        {"empty file", ""},
        {"size runs past the end", VaultFormat::seal(runsPastEnd)},
        {"size larger than memory", VaultFormat::seal(hugeSize)},
        {"count without entries", VaultFormat::seal(std::string("\x02\x00\x00\x00", 4))},
        {"no count", VaultFormat::seal("ab")},
        {"parent segment", sealEntries({{"exp.xgbm/model.ubj", "a"}, {"../escape", "b"}})},
        {"two dots inside a word", sealEntries({{"exp.xgbm/a..b", "a"}})},
        {"absolute name", sealEntries({{"/tmp/escape", "a"}})},
        {"empty name", sealEntries({{"", "a"}})},
        {"dot segment", sealEntries({{"./exp.xgbm", "a"}})},
        {"trailing slash", sealEntries({{"exp.xgbm/", "a"}})},
        {"backslash", sealEntries({{"exp.xgbm\\model.ubj", "a"}})},
        {"NUL byte", sealEntries({{std::string("exp\0x", 5), "a"}})},
        {"the same file twice", sealEntries({{"a", "1"}, {"a", "2"}})},
    };
    const fs::path plain = resources / "BaseModel";
    for (bool withPlain : {false, true}) {
        if (withPlain) testing::writeText(plain / "exp.xgbm" / "model.ubj", "plain");
        for (const auto& c : cases) {
            ModelVault::resetForTesting();
            writeResource("BaseModel", c.bytes);
            auto dir = ModelVault::directory("BaseModel");
            if (withPlain) {
                EXPECT_EQ(dir, plain) << c.name;
            } else {
                EXPECT_FALSE(dir) << c.name;
            }
        }
    }
    EXPECT_FALSE(fs::exists(resources / "escape"));
    EXPECT_FALSE(fs::exists(fs::path("/tmp/escape")));
}

TEST_F(ModelVaultTest, entriesCreateTheirFoldersAndAnEmptyArchiveGivesAnEmptyFolder) {
    writeResource("Deep", VaultFormat::seal(VaultFormat::pack({{"exp.xgbm/sub/model.ubj", "x"}, {"top", "t"}})));
    auto dir = ModelVault::directory("Deep");
    ASSERT_TRUE(dir);
    EXPECT_EQ(testing::readText(*dir / "exp.xgbm" / "sub" / "model.ubj"), "x");
    EXPECT_EQ(testing::readText(*dir / "top"), "t");

    writeResource("BaseModel", VaultFormat::seal(VaultFormat::pack({})));
    auto empty = ModelVault::directory("BaseModel");
    ASSERT_TRUE(empty);
    EXPECT_TRUE(fs::is_directory(*empty));
    EXPECT_TRUE(fs::is_empty(*empty));
    // An instant profile on an empty base model is not complete.
    TempDir profile;
    testing::writeText(profile / "profile.json", R"({"kind":"instant"})");
    EXPECT_EQ(ModelStorage::directory(profile.path()), *empty);
    EXPECT_FALSE(ModelStorage::isComplete(profile.path()));
}

TEST_F(ModelVaultTest, invalidUtf8InANameIsReplacedNotRefused) {
    writeResource("BaseModel", VaultFormat::seal(VaultFormat::pack({{"caf\xe9", "x"}})));
    auto dir = ModelVault::directory("BaseModel");
    ASSERT_TRUE(dir);
    EXPECT_EQ(testing::readText(*dir / "caf\xef\xbf\xbd"), "x");
}

TEST_F(ModelVaultTest, aLinkInPlaceOfThePrivateFolderIsRefused) {
    TempDir elsewhere;
    fs::create_directory_symlink(elsewhere.path(), runtime / "Vendrel");
    writeResource("BaseModel", sealedModels());
    EXPECT_FALSE(ModelVault::privateRoot());
    EXPECT_FALSE(ModelVault::directory("BaseModel"));
    EXPECT_TRUE(fs::is_empty(elsewhere.path()));
}

TEST_F(ModelVaultTest, withoutARuntimeFolderTheCacheFolderIsUsed) {
    TempDir cache;
    testing::ScopedEnv noRuntime("XDG_RUNTIME_DIR", std::nullopt);
    testing::ScopedEnv cacheHome("XDG_CACHE_HOME", cache.path().string());
    EXPECT_EQ(ModelVault::privateRoot(), cache / "Vendrel");
}

TEST_F(ModelVaultTest, cleanStaleSparesThisProcessLiveInstancesAndOtherEntries) {
    const fs::path root = *ModelVault::privateRoot();
    // A live process of this program: a child that waits to be killed.
    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        ::pause();
        ::_exit(0);
    }
    const std::string own = ".vr-" + std::to_string(::getpid());
    const std::string live = ".vr-" + std::to_string(child);
    for (const std::string& name : {own, live, std::string(".vr-2147483600"), std::string(".vr-junk"),
                                   std::string("notes"), std::string("vr-1")}) {
        testing::writeText(root / name / "BaseModel" / "file", "x");
    }
    ModelVault::cleanStale();
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
    EXPECT_TRUE(fs::exists(root / own));
    EXPECT_TRUE(fs::exists(root / live));
    EXPECT_FALSE(fs::exists(root / ".vr-2147483600"));
    EXPECT_FALSE(fs::exists(root / ".vr-junk"));
    EXPECT_TRUE(fs::exists(root / "notes"));
    EXPECT_TRUE(fs::exists(root / "vr-1"));
    // Once that process has ended its folder is stale.
    ModelVault::cleanStale();
    EXPECT_FALSE(fs::exists(root / live));
}

TEST(VaultFormat, sealingIsReproducibleAndOpensBack) {
    const std::string archive = VaultFormat::pack({{"exp.xgbm/model.ubj", "bytes"}});
    const std::string sealed = VaultFormat::seal(archive);
    EXPECT_EQ(sealed, VaultFormat::seal(archive));
    EXPECT_EQ(sealed.substr(0, 4), "VRV1");
    EXPECT_EQ(sealed.size(), 4 + 12 + archive.size() + 16);
    EXPECT_EQ(VaultFormat::open(sealed), archive);
    EXPECT_NE(VaultFormat::seal(archive + "x").substr(4, 12), sealed.substr(4, 12));
    auto entries = VaultFormat::unpack(archive + "trailing bytes are ignored");
    ASSERT_TRUE(entries);
    EXPECT_EQ(*entries, (std::vector<VaultFormat::Entry>{{"exp.xgbm/model.ubj", "bytes"}}));
}

}  // namespace
}  // namespace orvane
