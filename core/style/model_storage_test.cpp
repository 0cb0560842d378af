#include "core/style/model_storage.h"

#include <gtest/gtest.h>

#include "core/base/atomic_file.h"
#include "core/store/store.h"
#include "core/style/model_vault.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {
namespace fs = std::filesystem;
using testing::TempDir;
using testing::writeText;

// Compiled models are folders; storage only copies them and tests that they are folders.
void fakeModel(const fs::path& dir, const std::string& name) { writeText(dir / (name + ".xgbm") / "model.ubj", name); }

std::vector<std::string> generations(const fs::path& profile) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(profile / "Models", ec)) out.push_back(e.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

struct OverrideVault {
    explicit OverrideVault(std::optional<fs::path> dir) { ModelVault::setOverrideDirectory(std::move(dir)); }
    ~OverrideVault() { ModelVault::setOverrideDirectory(std::nullopt); }
};

TEST(ModelStorage, selectorWinsOverALegacyLayout) {
    TempDir p;
    fakeModel(p.path(), "exp");
    fakeModel(p.path(), "mired");
    EXPECT_EQ(ModelStorage::directory(p.path()), p.path());
    EXPECT_TRUE(ModelStorage::isComplete(p.path()));
    const auto g = Uuid::random();
    writeText(p / "models.json", "{\"generation\":\"" + g.text() + "\"}");
    EXPECT_EQ(ModelStorage::directory(p.path()), p / "Models" / g.text());
    EXPECT_FALSE(ModelStorage::isComplete(p.path()));  // the named generation does not exist
}

TEST(ModelStorage, completenessNeedsBothModelsAsFolders) {
    struct Case {
        const char* name;
        std::vector<std::string> folders;
        std::vector<std::string> files;
        bool resolvesToItself;
        bool complete;
    };
    const std::vector<Case> cases = {
        {"both folders", {"exp", "mired"}, {}, true, true},
        {"exposure model is a plain file", {"mired"}, {"exp.xgbm"}, true, false},
        {"no mired model", {"exp"}, {}, true, false},
        {"mired model is a plain file", {"exp"}, {"mired.xgbm"}, true, false},
        {"nothing", {}, {}, true, false},
        {"models of another format only", {}, {"exp.mlmodelc/x", "mired.mlmodelc/x"}, true, false},
    };
    for (const auto& c : cases) {
        TempDir p;
        for (const auto& f : c.folders) fakeModel(p.path(), f);
        for (const auto& f : c.files) writeText(p / f, "x");
        EXPECT_EQ(ModelStorage::directory(p.path()) == p.path(), c.resolvesToItself) << c.name;
        EXPECT_EQ(ModelStorage::isComplete(p.path()), c.complete) << c.name;
    }
}

TEST(ModelStorage, unreadableSelectorThrowsAndIsIncomplete) {
    for (const char* text : {"{", "{}", "{\"generation\":\"../../etc\"}", "{\"generation\":5}", "[]"}) {
        TempDir p;
        fakeModel(p.path(), "exp");
        fakeModel(p.path(), "mired");
        writeText(p / "models.json", text);
        EXPECT_THROW(ModelStorage::directory(p.path()), std::exception) << text;
        EXPECT_FALSE(ModelStorage::isComplete(p.path())) << text;
    }
}

TEST(ModelStorage, instantProfilesUseTheBaseModel) {
    TempDir base;
    fakeModel(base.path(), "exp");
    fakeModel(base.path(), "mired");
    OverrideVault vault(base.path());
    struct Case {
        const char* profileJson;
        bool instant;
    };
    const std::vector<Case> cases = {
        {R"({"kind":"instant","name":"A","other":[1,2]})", true},
        {R"({"kind":"Instant"})", false},
        {R"({"kind":"instant "})", false},
        {R"({"name":"A"})", false},
        {R"({"kind":7})", false},
        {"not json", false},
        {nullptr, false},
    };
    for (const auto& c : cases) {
        TempDir p;
        if (c.profileJson) writeText(p / "profile.json", c.profileJson);
        EXPECT_EQ(ModelStorage::directory(p.path()), c.instant ? base.path() : p.path()) << (c.profileJson ? c.profileJson : "none");
        EXPECT_EQ(ModelStorage::isComplete(p.path()), c.instant) << (c.profileJson ? c.profileJson : "none");
    }
}

TEST(ModelStorage, instantProfileWithoutABaseModelResolvesToItself) {
    TempDir empty, p;
    ModelVault::resetForTesting();
    ModelVault::setResourceDirectory(empty.path());
    writeText(p / "profile.json", R"({"kind":"instant"})");
    EXPECT_EQ(ModelStorage::directory(p.path()), p.path());
    EXPECT_FALSE(ModelStorage::isComplete(p.path()));
    ModelVault::setResourceDirectory(std::nullopt);
}

TEST(ModelStorage, publishingTwiceGivesTwoGenerationsAndNamesTheSecond) {
    TempDir src, p;
    fakeModel(src.path(), "exp");
    fakeModel(src.path(), "mired");
    fakeModel(src.path(), "x_Dehaze");
    fakeModel(src.path(), "x_Vibrance");
    writeText(src / "exp.ubj", "source model: not copied");
    std::vector<fs::path> validated;
    auto validate = [&](const fs::path& g) { validated.push_back(g); };
    ModelStorage::publish(src.path(), p.path(), validate);
    ModelStorage::publish(src.path(), p.path(), validate);
    ASSERT_EQ(generations(p.path()).size(), 2u);
    ASSERT_EQ(validated.size(), 2u);
    EXPECT_EQ(ModelStorage::directory(p.path()), validated[1]);
    EXPECT_EQ(Store::load<ModelStorage::Selection>(p / "models.json").generation.text(), validated[1].filename());
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(validated[1])) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    EXPECT_EQ(names, (std::vector<std::string>{"exp.xgbm", "mired.xgbm", "x_Dehaze.xgbm", "x_Vibrance.xgbm"}));
    EXPECT_EQ(testing::readText(validated[1] / "x_Vibrance.xgbm" / "model.ubj"), "x_Vibrance");
    EXPECT_TRUE(ModelStorage::isComplete(p.path()));
    // The earlier generation stays on disk.
    EXPECT_TRUE(fs::is_directory(validated[0] / "exp.xgbm"));
}

TEST(ModelStorage, aFailedPublicationLeavesNoFolderAndTheSelectorUntouched) {
    TempDir src, p;
    fakeModel(src.path(), "exp");
    fakeModel(src.path(), "mired");
    ModelStorage::publish(src.path(), p.path(), {});
    const std::string before = readWholeFile(p / "models.json");
    const auto gensBefore = generations(p.path());

    EXPECT_THROW(ModelStorage::publish(src.path(), p.path(), [](const fs::path&) { throw std::runtime_error("no"); }),
                 std::runtime_error);
    EXPECT_EQ(readWholeFile(p / "models.json"), before);
    EXPECT_EQ(generations(p.path()), gensBefore);

    // The selector cannot be replaced: the new generation goes again.
    TempDir blocked;
    fs::create_directories(blocked / "models.json" / "in-the-way");
    EXPECT_THROW(ModelStorage::publish(src.path(), blocked.path(), {}), std::system_error);
    EXPECT_TRUE(generations(blocked.path()).empty());

    TempDir noMired;
    fakeModel(noMired.path(), "exp");
    EXPECT_THROW(ModelStorage::publish(noMired.path(), p.path(), {}), fs::filesystem_error);
    EXPECT_EQ(readWholeFile(p / "models.json"), before);
    EXPECT_EQ(generations(p.path()), gensBefore);
}

}  // namespace
}  // namespace orvane
