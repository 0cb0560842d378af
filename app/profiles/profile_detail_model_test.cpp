#include "app/profiles/profile_detail_model.h"

#include <gtest/gtest.h>

#include "app/profiles/profile_detail_world.h"
#include "core/base/atomic_file.h"
#include "core/store/project.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"

namespace orvane::profiles {
namespace {

namespace fs = std::filesystem;
using testing::ProfileScreenWorld;

const char* const presetText =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/1.0/\" crs:Contrast2012=\"+10\">"
    "<crs:Name><rdf:Alt><rdf:li xml:lang=\"x-default\">Rece</rdf:li></rdf:Alt></crs:Name>"
    "</rdf:Description></rdf:RDF></x:xmpmeta>";

Profile unbuilt(const std::string& name) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = "Cald";
    p.save();
    writeFileAtomically(p.preset(), presetText);
    return p;
}

TrainingCatalog catalog(const std::string& name, int usable, int rawMissing, std::optional<std::int64_t> previews,
                        const std::string& imported) {
    TrainingCatalog c;
    c.id = Uuid::random();
    c.name = name;
    c.source = "/catalogs/" + name + ".lrcat";
    c.imported = *IsoDate::parse(imported);
    c.photos = usable + rawMissing;
    c.usable = usable;
    c.rawMissing = rawMissing;
    c.previews = previews;
    fs::create_directories(c.dir());
    Store::save(c, c.file());
    return c;
}

class ProfileDetail : public ProfileScreenWorld {
protected:
    ProfileDetailModel open(const Profile& p, ProfileDetailServices services = ProfileDetailServices::standard()) {
        return ProfileDetailModel(*app, *router, p, std::move(services));
    }
    const Profile* stored(const Uuid& id) {
        for (const auto& p : app->profiles())
            if (p.id == id) return &p;
        return nullptr;
    }
};

TEST_F(ProfileDetail, theDefaultIsThePreferredBuiltProfileElseTheFirstBuiltOne) {
    const Profile a = orvane::testing::builtProfile("A");
    const Profile b = orvane::testing::builtProfile("B");
    const Profile c = unbuilt("C");
    start();
    ProfileDetailModel first(*app, *router, a), second(*app, *router, b), third(*app, *router, c);
    EXPECT_TRUE(first.isDefault());
    EXPECT_FALSE(second.isDefault());
    EXPECT_FALSE(third.isDefault());

    second.makeDefault();
    EXPECT_EQ(defaults->textValue("defaultProfile"), b.id.text());
    EXPECT_TRUE(second.isDefault());
    EXPECT_FALSE(first.isDefault());

    // A preferred profile that is not built (or gone) falls back to the first built one.
    router->setPreferredProfile(c.id);
    EXPECT_TRUE(first.isDefault());
    router->setPreferredProfile(Uuid::random());
    EXPECT_TRUE(first.isDefault());
}

TEST_F(ProfileDetail, theNameIsCommittedTrimmedOrPutBack) {
    const Profile p = unbuilt("Stil");
    start();
    ProfileDetailModel m(*app, *router, p);
    m.setName("  Stil nou\t");
    EXPECT_TRUE(m.nameChanged());
    m.commitName();
    EXPECT_EQ(m.profile().name, "Stil nou");
    EXPECT_FALSE(m.nameChanged());
    EXPECT_EQ(stored(p.id)->name, "Stil nou");

    m.setName("Altceva");
    m.revertName();
    EXPECT_EQ(m.profile().name, "Stil nou");
    EXPECT_EQ(stored(p.id)->name, "Stil nou");

    // An empty field: no save button, and Return puts the saved name back.
    m.setName("   ");
    EXPECT_FALSE(m.nameChanged());
    m.commitName();
    EXPECT_EQ(m.profile().name, "Stil nou");

    // The header's rename: an empty or unchanged answer changes nothing.
    dialogs.names = {QString("   "), QString("Stil nou"), QString("  Nume din dialog  ")};
    m.rename();
    m.rename();
    EXPECT_EQ(stored(p.id)->name, "Stil nou");
    m.rename();
    EXPECT_EQ(m.profile().name, "Nume din dialog");
    EXPECT_EQ(stored(p.id)->name, "Nume din dialog");
    m.revertName();
    EXPECT_EQ(m.profile().name, "Nume din dialog") << "Escape after a rename keeps it";
    EXPECT_EQ(dialogs.asked.back().message, "Redenumește profilul");
}

TEST_F(ProfileDetail, anewPresetReplacesTheOldOnlyWhenItIsAPresetAndTheCopyWorks) {
    orvane::testing::TempDir dir;
    const Profile p = unbuilt("Stil");
    start();
    const std::string before = readWholeFile(p.preset());

    // Not a develop preset: the fixed text, the same file.
    writeFileAtomically(dir.path() / "nu.xmp", "nu este xml");
    ProfileDetailModel m(*app, *router, p);
    m.replacePreset(dir.path() / "nu.xmp");
    EXPECT_EQ(app->error(), "Fișierul ales nu este un preset Lightroom valid.");
    EXPECT_EQ(readWholeFile(p.preset()), before);
    EXPECT_EQ(stored(p.id)->presetName, "Cald");

    // A copy that fails at its last moment: the old preset and its name stay.
    const std::string chosen = std::string(presetText).replace(std::string(presetText).find("Rece"), 4, "Nou");
    writeFileAtomically(dir.path() / "nou.xmp", chosen);
    ProfileDetailServices failing = ProfileDetailServices::standard();
    failing.writePreset = [](const fs::path& target, std::string_view bytes) {
        writeFileAtomically(target, bytes, [] {
            throw fs::filesystem_error("copy", std::make_error_code(std::errc::no_space_on_device));
        });
    };
    ProfileDetailModel broken(*app, *router, p, failing);
    broken.replacePreset(dir.path() / "nou.xmp");
    EXPECT_NE(app->error()->find("copy"), std::string::npos);
    EXPECT_EQ(readWholeFile(p.preset()), before);
    EXPECT_EQ(broken.profile().presetName, "Cald");
    EXPECT_EQ(std::distance(fs::directory_iterator(p.dir()), fs::directory_iterator()), 2) << "no temporary file left";

    // A good one replaces the file and the name; the profile's own preset only refreshes the name.
    m.replacePreset(dir.path() / "nou.xmp");
    EXPECT_EQ(readWholeFile(p.preset()), chosen);
    EXPECT_EQ(stored(p.id)->presetName, "Nou");
    writeFileAtomically(p.preset(), presetText);
    m.replacePreset(p.preset());
    EXPECT_EQ(readWholeFile(p.preset()), presetText);
    EXPECT_EQ(stored(p.id)->presetName, "Rece");

    // The open panel's answer goes the same way; a cancelled panel changes nothing.
    dialogs.files = {QStringList{}};
    m.choosePreset();
    EXPECT_EQ(dialogs.asked.back().message, "Alege presetul Lightroom (.xmp)");
    EXPECT_EQ(dialogs.asked.back().buttons, QStringList{"xmp"});
}

TEST_F(ProfileDetail, savingTheTuningGivesItToEveryProjectOfTheProfile) {
    orvane::testing::TempDir raws;
    const Profile p = orvane::testing::builtProfile("Stil");
    const Profile other = orvane::testing::builtProfile("Altul");
    const Project mine = Project::create("Nunta", raws.path(), p.id);
    const Project theirs = Project::create("Botez", raws.path(), other.id);
    start();
    ProfileDetailModel m(*app, *router, p);
    ProfileTuning t;
    t.basic.tint = 4;
    m.saveTuning(t);
    EXPECT_EQ(stored(p.id)->tuning, t);
    ASSERT_TRUE(app->jobs().count(mine.id));
    EXPECT_EQ(app->jobs().at(mine.id)->project().profileTuning, t);
    EXPECT_FALSE(app->jobs().count(theirs.id));

    // The zero tuning: the profile keeps none and the project's is cleared.
    m.saveTuning(ProfileTuning());
    EXPECT_FALSE(stored(p.id)->tuning);
    EXPECT_FALSE(app->jobs().at(mine.id)->project().profileTuning);
}

TEST_F(ProfileDetail, aFailedTuningSaveTouchesNoProject) {
    orvane::testing::TempDir raws;
    const Profile p = unbuilt("Stil");
    const Project mine = Project::create("Nunta", raws.path(), p.id);
    start();
    ProfileDetailModel m(*app, *router, p);
    // The profile's folder replaced by a file: the record cannot be written.
    fs::remove_all(p.dir());
    writeFileAtomically(p.dir(), "");
    ProfileTuning t;
    t.exposure = 1;
    m.saveTuning(t);
    EXPECT_TRUE(app->error());
    EXPECT_EQ(m.profile().tuning, t) << "the screen keeps the new tuning";
    EXPECT_FALSE(app->jobs().count(mine.id));
    fs::remove(p.dir());
}

TEST_F(ProfileDetail, catalogsShownFollowRawFilesPreviewsSelectionAndSort) {
    const auto full = catalog("Ana", 40, 0, 10, "2025-01-01T10:00:00Z");
    const auto partial = catalog("Botez", 20, 5, 30, "2025-03-01T10:00:00Z");
    const auto chosen = catalog("Anul", 10, 2, std::nullopt, "2025-02-01T10:00:00Z");
    Profile p = unbuilt("Stil");
    p.catalogIDs = {chosen.id, Uuid::random()};
    p.save();
    start();
    auto names = [](const std::vector<TrainingCatalog>& list) {
        std::vector<std::string> out;
        for (const auto& c : list) out.push_back(c.name);
        return out;
    };
    ProfileDetailModel m(*app, *router, p);
    EXPECT_EQ(names(m.visibleCatalogs()), (std::vector<std::string>{"Anul", "Ana"})) << "newest import first";
    defaults->set("catalogSort", Json("name"));
    EXPECT_EQ(names(m.visibleCatalogs()), (std::vector<std::string>{"Ana", "Anul"}));
    defaults->set("catalogSort", Json("ceva"));  // anything but "name" is newest first
    EXPECT_EQ(names(m.visibleCatalogs()), (std::vector<std::string>{"Anul", "Ana"}));
    EXPECT_EQ(m.selectionSize(), 10);
    EXPECT_TRUE(m.canBuild()) << "a removed catalog still counts as a choice";

    p.engine = "preview";
    ProfileDetailModel previews(*app, *router, p);
    EXPECT_EQ(names(previews.visibleCatalogs()), (std::vector<std::string>{"Botez", "Anul", "Ana"}));
    previews.setCatalogSelected(partial.id, true);
    EXPECT_EQ(previews.selectionSize(), 30 + 10) << "the larger of usable and previews";

    m.setCatalogSelected(chosen.id, false);
    EXPECT_EQ(m.selected().size(), 1u);
    EXPECT_TRUE(m.canBuild());
    EXPECT_TRUE(m.selectedCatalogs().empty());
}

TEST_F(ProfileDetail, theInformationRowsFollowHowTheProfileWasMade) {
    Profile instant = orvane::testing::builtProfile("Instant");
    instant.kind = "instant";
    instant.save();
    const Profile learned = orvane::testing::builtProfile("Învățat");
    const Profile fresh = unbuilt("Nou");
    start();
    auto titles = [&](const Profile& p) {
        QStringList out;
        for (const auto& r : ProfileDetailModel(*app, *router, p).infoRows()) out << r.title + "=" + (r.symbol == "doc.text" ? "" : r.value);
        return out;
    };
    EXPECT_EQ(titles(fresh), (QStringList{"Preset Lightroom=", "Stare=Neconstruit"}));
    EXPECT_EQ(titles(learned).at(2), "Fotografii=240");
    EXPECT_TRUE(titles(learned).at(1).startsWith("Antrenat=1 apr. 2025")) << titles(learned).at(1).toStdString();
    EXPECT_EQ(titles(instant).at(2), "Model=de bază");
    EXPECT_TRUE(titles(instant).at(1).startsWith("Creat="));
    ProfileDetailModel notBuilt(*app, *router, fresh);
    EXPECT_EQ(notBuilt.buildButtonText(), "Construiește");
    EXPECT_EQ(ProfileDetailModel(*app, *router, learned).buildButtonText(), "Actualizează");
}

TEST_F(ProfileDetail, exportDuplicateAndDeleteGoThroughTheCore) {
    orvane::testing::TempDir out;
    orvane::testing::ScopedEnv trash("XDG_DATA_HOME", (out.path() / "xdg").string());
    const Profile p = orvane::testing::builtProfile("Stil");
    start();
    ProfileDetailModel m(*app, *router, p);

    dialogs.saveFiles = {std::nullopt, QString::fromStdString((out.path() / "Stil.orvaneprofile").string())};
    m.exportPackage();
    EXPECT_EQ(dialogs.asked.back().informative, "Stil.orvaneprofile");
    EXPECT_FALSE(fs::exists(out.path() / "Stil.orvaneprofile"));
    // A package already there is replaced only by a complete new one.
    writeFileAtomically(out.path() / "Stil.orvaneprofile", "vechi");
    m.exportPackage();
    EXPECT_FALSE(app->error());
    EXPECT_NE(readWholeFile(out.path() / "Stil.orvaneprofile"), "vechi");

    m.duplicate();
    m.duplicate();
    int copies = 0;
    for (const auto& q : app->profiles()) copies += q.name == "Stil copie";
    EXPECT_EQ(copies, 2);
    EXPECT_EQ(m.profile().id, p.id);

    m.confirmDelete();  // "Anulează"
    EXPECT_TRUE(stored(p.id));
    EXPECT_EQ(dialogs.asked.back().message, QString::fromUtf8("Ștergi profilul „Stil”?"));
    EXPECT_EQ(dialogs.asked.back().buttons, (QStringList{"Șterge", "Anulează"}));
    dialogs.alertAnswers = {kit::CenteredAlert::firstButton};
    m.confirmDelete();
    EXPECT_FALSE(stored(p.id));
    EXPECT_FALSE(fs::exists(p.dir()));
}

}  // namespace
}  // namespace orvane::profiles
