#include <gtest/gtest.h>

#include <unordered_set>

#include "core/store/project.h"
#include "core/store/store.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

using orvane::testing::TempDir;

Date at(const char* iso) { return *IsoDate::parse(iso); }

// A project with every field and nested record set.
Project fullProject() {
    Project p;
    p.id = *Uuid::parse("11111111-2222-4333-8444-555555555555");
    p.name = "Nuntă Ana & Mihai";
    p.folder = "/home/foto/2026/nunta";
    p.profileID = *Uuid::parse("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE");
    p.globalExposure = 0.25;
    p.exportFolder = "/home/foto/export";
    p.elapsed = 123.456;
    p.exportedAt = at("2026-06-01T10:00:00Z");
    p.straightenedAt = at("2026-06-01T09:00:00Z");
    p.straightenVersion = 4;
    p.straightenRequested = true;
    p.crop = CropSettings{CropSettings::Mode::ratio, "16:9", 3, 2};
    p.profileCorrection = false;
    p.catalogPath = "/home/foto/Lightroom/Catalog.lrcat";
    p.teethAmount = 42;
    p.skinAmount = 30;
    p.noiseReduction = true;
    p.cropWritten = true;
    p.learnedExports = 3;
    p.faceLevelAmount = 70;
    p.subjectMaskAmount = 15;
    EditVersion v;
    v.id = *Uuid::parse("99999999-8888-4777-8666-555555555555");
    v.date = at("2026-06-01T11:00:00Z");
    v.name = "Prima";
    v.straighten = true;
    v.profileCorrection = true;
    v.smartReframe = false;
    v.noiseReduction = true;
    v.crop = CropSettings{};
    v.teethAmount = 1;
    v.skinAmount = 2;
    v.faceLevelAmount = 3;
    v.subjectMaskAmount = 4;
    v.skinParams = SkinParams{5, 6, 7};
    v.basic = BasicAdjustments{100, -3};
    v.globalExposure = -0.5;
    v.presetOverrides = std::map<std::string, std::int64_t>{{"Clarity2012", 10}};
    v.untouchedKeys = std::vector<std::string>{"Vibrance"};
    v.fixedTemperature = 5200;
    v.fixedExposure = 0.3;
    p.history = std::vector<EditVersion>{v, EditVersion{}};
    p.history->back().id = *Uuid::parse("99999999-8888-4777-8666-000000000000");
    p.history->back().date = at("2026-06-02T11:00:00Z");
    p.skinParams = SkinParams{12, 8, 4};
    p.skinAnalyzedAt = at("2026-06-01T08:00:00Z");
    p.smartReframe = true;
    p.layoutAnalyzedAt = at("2026-06-01T08:01:00Z");
    p.teethAnalyzedAt = at("2026-06-01T08:02:00Z");
    p.feetAnalyzedAt = at("2026-06-01T08:03:00Z");
    p.startedAt = at("2026-05-31T08:00:00Z");
    p.finishedAt = at("2026-06-01T12:00:00Z");
    p.basic = BasicAdjustments{150, 4.5};
    ProfileTuning t;
    t.basic = BasicAdjustments{-200, 2};
    t.exposure = 0.125;
    t.overrides = {{"Shadows2012", 20}};
    p.profileTuning = t;
    p.presetOverrides = std::map<std::string, std::int64_t>{{"Contrast2012", -5}, {"Dehaze", 3}};
    p.untouchedKeys = std::vector<std::string>{"Texture", "Clarity2012"};
    p.fixedTemperature = 5600;
    p.fixedExposure = 0.75;

    PhotoItem done("/home/foto/2026/nunta/IMG_0001.CR3");
    done.status = PhotoItem::Status::done;
    done.exposure = 0.33;
    done.temperature = 5412.5;
    done.asShotTint = 7.25;
    done.straighten = StraightenResult{-1.25, 0.8, 1.5};
    done.aspect = 1.5;
    PersonInfo person{0.1, 0.2, 0.6, 0.99, 0.15, std::vector<float>(100, 0.01f)};
    done.layout = PersonLayout::make({person}, std::vector<PersonRegion>{{0.2, 0.2, 0.3, 0.3}},
                                     std::vector<PersonRegion>{{0.1, 0.2, 0.6, 0.99}}, true);
    // Dabs on the 1/65535 grid, so they survive the stored text form exactly.
    done.teeth = std::vector<TeethRegion>{{0.4, 0.5, 0.45, 0.52, {{1 / 65535.0, 2 / 65535.0}}, 0.002, {{0.0, 1.0}}, 0.01}};
    done.subject = SkinRegion{0.1, 0.1, 0.9, 0.9, {{32768 / 65535.0, 0.0}}, 0.02, 0.4, 2};
    done.skin = std::vector<SkinRegion>{SkinRegion{0.3, 0.3, 0.4, 0.4, {}, 0.004, std::nullopt, 1}};
    done.previewPath = "/home/foto/Lightroom/Catalog Smart Previews.lrdata/A/AB/x.dng";
    done.extras = std::map<std::string, double>{{"Contrast2012", 12.5}, {"Vibrance", -3}};
    done.feetBottom = 0.93;
    PhotoItem failed("/home/foto/2026/nunta/IMG_0002.CR3");
    failed.status = PhotoItem::Status::failed;
    failed.error = "LibRaw -4: Unsupported file format or not RAW file";
    p.photos = {done, failed, PhotoItem("/home/foto/2026/nunta/IMG_0003.CR3")};
    return p;
}

Project decodeText(const std::string& text) { return json::decode<Project>(json::parse(text)); }

const char* kMinimal =
    R"({"folder":"/f","id":"11111111-2222-4333-8444-555555555555","name":"n","photos":[],"profileID":"AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"})";

TEST(ProjectFile, fullProjectRoundTripsThroughTheStore) {
    TempDir root;
    Project p = fullProject();
    auto file = root / "Projects" / p.id.text() / "project.json";
    Store::save(p, file);
    Project back = Store::load<Project>(file);
    EXPECT_EQ(Store::encode(back), Store::encode(p));
    EXPECT_EQ(back, p);
    EXPECT_EQ(hashOf(back), hashOf(p));
    auto listed = Store::all<Project>(root / "Projects", "project.json");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], p);
}

TEST(ProjectFile, minimalFileWritesBackTheSameKeys) {
    Project p = decodeText(kMinimal);
    EXPECT_FALSE(p.globalExposure);
    EXPECT_FALSE(p.history);
    EXPECT_FALSE(p.basic);
    EXPECT_EQ(Store::encode(p), kMinimal);
}

TEST(ProjectFile, nullsAndUnknownKeysAreDropped) {
    Project p = decodeText(
        R"({"folder":"/f","id":"11111111-2222-4333-8444-555555555555","name":"n","profileID":"aaaaaaaa-bbbb-4ccc-8ddd-eeeeeeeeeeee",)"
        R"("photos":[{"path":"/f/a.nef","status":"done","error":null,"futureKey":1}],"globalExposure":null,"folders":["x"],"crop":null,)"
        R"("elapsed":12})");
    EXPECT_FALSE(p.globalExposure);
    EXPECT_EQ(p.elapsed, 12.0);
    EXPECT_EQ(p.photos[0].status, PhotoItem::Status::done);
    std::string out = Store::encode(p);
    EXPECT_EQ(out.find("null"), std::string::npos);
    EXPECT_EQ(out.find("folders"), std::string::npos);
    EXPECT_EQ(out.find("futureKey"), std::string::npos);
    EXPECT_NE(out.find("AAAAAAAA-BBBB-4CCC-8DDD-EEEEEEEEEEEE"), std::string::npos);  // upper case again
}

TEST(ProjectFile, brokenFilesFailAsAWhole) {
    struct Case {
        const char* name;
        const char* before;
        const char* after;
    };
    // Each case edits the minimal file (replacing `before` with `after`).
    const Case cases[] = {
        {"missingPhotos", R"("photos":[],)", ""},
        {"nullName", R"("name":"n")", R"("name":null)"},
        {"photoWithoutStatus", R"("photos":[])", R"("photos":[{"path":"/a"}])"},
        {"statusWrongCase", R"("photos":[])", R"("photos":[{"path":"/a","status":"Done"}])"},
        {"statusOtherWord", R"("photos":[])", R"("photos":[{"path":"/a","status":"finished"}])"},
        {"fractionInInteger", R"("photos":[])", R"("photos":[],"teethAmount":42.5)"},
        {"fractionOfASecond", R"("photos":[])", R"("photos":[],"exportedAt":"2026-01-01T10:00:00.5Z")"},
        {"boolAsNumber", R"("photos":[])", R"("photos":[],"smartReframe":1)"},
        {"basicWithoutTint", R"("photos":[])", R"("photos":[],"basic":{"temperature":1})"},
        {"tuningWithoutOverrides", R"("photos":[])", R"("photos":[],"profileTuning":{"basic":{"temperature":0,"tint":0},"exposure":0})"},
        {"cropWithoutCustomH", R"("photos":[])", R"("photos":[],"crop":{"mode":"none","ratio":"3:2","customW":3})"},
        {"deepWrongType", R"("photos":[])",
         R"("photos":[{"path":"/a","status":"done","layout":{"people":[{"left":0,"top":0,"right":1,"bottom":1,"area":1,"cols":["x"]}]}}])"},
        {"badIdentifier", R"("id":"11111111-2222-4333-8444-555555555555")", R"("id":"not-a-uuid")"},
        {"overrideAsFraction", R"("photos":[])", R"("photos":[],"presetOverrides":{"Vibrance":1.5})"},
        {"versionWithoutDate", R"("photos":[])", R"("photos":[],"history":[{"id":"11111111-2222-4333-8444-555555555555"}])"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        std::string text = kMinimal;
        auto pos = text.find(c.before);
        ASSERT_NE(pos, std::string::npos);
        text.replace(pos, std::string(c.before).size(), c.after);
        EXPECT_THROW(decodeText(text), json::DecodeError);

        // The listing skips the file silently and leaves it on disk untouched.
        TempDir root;
        orvane::testing::writeText(root / "X" / "project.json", text);
        EXPECT_TRUE(Store::all<Project>(root.path(), "project.json").empty());
        EXPECT_EQ(orvane::testing::readText(root / "X" / "project.json"), text);
    }
}

TEST(ProjectFile, integerLookingFloatsReadAsTheirValue) {
    std::string text = kMinimal;
    text.insert(1, R"("fixedTemperature":5600,"teethAmount":40.0,)");
    Project p = decodeText(text);
    EXPECT_EQ(p.fixedTemperature, 5600.0);
    EXPECT_EQ(p.teethAmount, 40);
}

TEST(ProjectFile, versionDatesLoseTheirFraction) {
    EditVersion v;
    v.date = at("2026-03-01T10:00:00Z") + std::chrono::milliseconds(250);
    auto back = json::decode<EditVersion>(json::encode(v));
    EXPECT_EQ(back.date, at("2026-03-01T10:00:00Z"));
    EXPECT_NE(back, v);
    EditVersion other = v;
    other.id = Uuid::random();
    EXPECT_NE(other, v);  // same settings, another identity
}

TEST(ProjectFile, photoIdentityAndName) {
    PhotoItem p("/a/b/IMG_1.CR3");
    EXPECT_EQ(p.id(), "/a/b/IMG_1.CR3");
    EXPECT_EQ(p.name(), "IMG_1.CR3");
    EXPECT_EQ(p.status, PhotoItem::Status::pending);
    EXPECT_EQ(PhotoItem("IMG_2.NEF").name(), "IMG_2.NEF");
    PhotoItem::Status s;
    EXPECT_TRUE(fromText("failed", s));
    EXPECT_EQ(s, PhotoItem::Status::failed);
    EXPECT_FALSE(fromText("FAILED", s));
    std::unordered_set<Project, RecordHash> set{fullProject(), fullProject()};
    EXPECT_EQ(set.size(), 1u);
}

}  // namespace
}  // namespace orvane
