#include <QAbstractButton>
#include <QApplication>
#include <QMenu>
#include <QScrollArea>
#include <QTest>

#include <gtest/gtest.h>

#include "app/projects/processing_world.h"
#include "app/projects/version_history_list.h"
#include "app/testing/scripted_dialogs.h"
#include "testing/job_fixtures.h"

using namespace orvane;
using namespace orvane::projects;
using orvane::testing::projectWith;

namespace {

EditVersion blank() {
    EditVersion v;
    return v;
}

struct History : projects::testing::ProcessingWorld {
    std::shared_ptr<Job> job;
    std::vector<EditVersion> restored;
    orvane::testing::ScriptedDialogs dialogs;

    explicit History(std::vector<EditVersion> versions, Project p = projectWith(0, 2)) {
        if (!versions.empty()) p.history = std::move(versions);
        job = add(std::move(p));
    }
    VersionHistoryModel::Restore recorder() {
        return [this](const EditVersion& v) { restored.push_back(v); };
    }
};

}  // namespace

TEST(VersionHistory, descriptionsNameWhatAVersionChangesInTheirOrder) {
    struct Case {
        const char* name;
        std::function<void(EditVersion&)> set;
        const char* text;
    };
    const Case cases[] = {
        {"nothing", [](EditVersion&) {}, "Fără modificări"},
        {"only fixed values",
         [](EditVersion& v) {
             v.fixedTemperature = 5600;
             v.fixedExposure = 0.4;
         },
         "Fără modificări"},
        {"profile, straighten, teeth",
         [](EditVersion& v) {
             v.teethAmount = 42;
             v.straighten = true;
             v.profileCorrection = true;
         },
         "Corecție de profil · Îndreptare · Albire dinți 42"},
        {"teeth and face level",
         [](EditVersion& v) {
             v.teethAmount = 42;
             v.faceLevelAmount = 70;
         },
         "Albire dinți 42 · Egalizează fețele 70"},
        {"skin without its amounts", [](EditVersion& v) { v.skinAmount = 100; }, "Netezire piele 10/10/10"},
        {"skin with its amounts",
         [](EditVersion& v) {
             v.skinAmount = 100;
             v.skinParams = SkinParams{20, 5, 30};
         },
         "Netezire piele 20/5/30"},
        {"crop none is no crop", [](EditVersion& v) { v.crop = CropSettings{}; }, "Fără modificări"},
        {"every label",
         [](EditVersion& v) {
             v.profileCorrection = v.noiseReduction = v.straighten = v.smartReframe = true;
             v.crop = CropSettings{CropSettings::Mode::ratio, "3:2", 3, 2};
             v.teethAmount = 10;
             v.faceLevelAmount = 20;
             v.subjectMaskAmount = 100;
             v.skinAmount = 100;
             v.basic = BasicAdjustments{0, 3};
         },
         "Corecție de profil · Reducere zgomot · Îndreptare · Decupare · Reîncadrare inteligentă · Albire dinți 10 · "
         "Egalizează fețele 20 · Mască subiect · Netezire piele 10/10/10 · Ajustări globale"},
        {"zero amounts and empty settings",
         [](EditVersion& v) {
             v.teethAmount = 0;
             v.skinAmount = 0;
             v.subjectMaskAmount = 0;
             v.basic = BasicAdjustments{};
             v.globalExposure = 0;
             v.presetOverrides = std::map<std::string, std::int64_t>{};
             v.untouchedKeys = std::vector<std::string>{};
         },
         "Fără modificări"},
        {"global exposure", [](EditVersion& v) { v.globalExposure = -0.2; }, "Ajustări globale"},
        {"a locked key", [](EditVersion& v) { v.untouchedKeys = std::vector<std::string>{"Texture"}; }, "Ajustări globale"},
        {"an override", [](EditVersion& v) { v.presetOverrides = std::map<std::string, std::int64_t>{{"Clarity2012", 5}}; },
         "Ajustări globale"},
    };
    for (const Case& c : cases) {
        EditVersion v = blank();
        c.set(v);
        EXPECT_EQ(versionDescription(v), QString::fromUtf8(c.text)) << c.name;
    }
}

TEST(VersionHistory, rowsMarkEveryVersionEqualToTheSettingsNowAndShowNamesOverDates) {
    Project p = projectWith(0, 2);
    p.globalExposure = 0.3;
    EditVersion now = p.currentVersion();
    EditVersion same = now;
    same.id = Uuid::random();
    same.name = "Final";
    EditVersion other = now;
    other.id = Uuid::random();
    other.globalExposure = 0.1;
    History h({now, other, same}, p);
    VersionHistoryModel model(h.job, h.recorder());
    const auto rows = model.rows();
    ASSERT_EQ(rows.size(), 3u);
    EXPECT_TRUE(rows[0].current);
    EXPECT_FALSE(rows[1].current);
    EXPECT_TRUE(rows[2].current);
    EXPECT_EQ(rows[0].title, versionDateText(now.date));
    EXPECT_FALSE(rows[0].dateLine);
    EXPECT_EQ(rows[2].title, "Final");
    EXPECT_EQ(rows[2].dateLine, versionDateText(same.date));
    // A step changes which rows are current.
    h.job->setGlobalExposure(0.1);
    const auto after = model.rows();
    EXPECT_FALSE(after[0].current);
    EXPECT_TRUE(after[1].current);
}

TEST(VersionHistory, renamingTrimsAndABlankNameRemovesIt) {
    EditVersion v = blank();
    v.name = "Vechi";
    History h({v});
    VersionHistoryModel model(h.job, h.recorder());
    model.beginRename(v);
    EXPECT_EQ(model.newName(), "Vechi");
    model.setNewName("  Final  ");
    model.saveRename();
    EXPECT_EQ(h.job->project().history->at(0).name, "Final");
    EXPECT_FALSE(model.renaming());
    model.beginRename(h.job->project().history->at(0));
    model.setNewName("  ");
    model.saveRename();
    EXPECT_FALSE(h.job->project().history->at(0).name);
    // A version no longer in the history: nothing changes.
    EditVersion gone = blank();
    model.beginRename(gone);
    model.setNewName("X");
    model.saveRename();
    EXPECT_FALSE(h.job->project().history->at(0).name);
}

TEST(VersionHistoryList, anEmptyHistoryShowsTheHeadingAndNoRows) {
    History h({});
    VersionHistoryList list(h.job, h.recorder());
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.width(), VersionHistoryList::listWidth);
}

TEST(VersionHistoryList, revinoHandsTheVersionOverAndIsOffOnCurrentRows) {
    Project p = projectWith(0, 2);
    EditVersion now = p.currentVersion();
    EditVersion other = now;
    other.id = Uuid::random();
    other.teethAmount = 42;
    History h({other, now}, p);
    VersionHistoryList list(h.job, h.recorder());
    list.show();
    ASSERT_EQ(list.rowCount(), 2);
    EXPECT_FALSE(list.rowIsCurrent(0));
    EXPECT_TRUE(list.rowIsCurrent(1));
    EXPECT_FALSE(list.restoreButton(1)->isEnabled());
    EXPECT_EQ(list.rowDescription(0), QString::fromUtf8("Albire dinți 42"));
    EXPECT_FALSE(list.rowShowsDateLine(0));
    QTest::mouseClick(list.restoreButton(0), Qt::LeftButton);
    ASSERT_EQ(h.restored.size(), 1u);
    EXPECT_EQ(h.restored[0].id, other.id);
    EXPECT_LE(list.scrollArea()->height(), VersionHistoryList::maxScrollHeight);
}

TEST(VersionHistoryList, theRowMenuRenamesThroughTheDialogAndTheRowFollows) {
    EditVersion v = blank();
    History h({v});
    VersionHistoryList list(h.job, h.recorder());
    auto menu = list.makeRowMenu(0);
    ASSERT_EQ(menu->actions().size(), 1);
    EXPECT_EQ(menu->actions()[0]->text(), QString::fromUtf8("Redenumește"));
    h.dialogs.texts = {QString("Nuntă finală"), std::nullopt};
    menu->actions()[0]->trigger();
    ASSERT_EQ(h.dialogs.asked.size(), 1u);
    EXPECT_EQ(h.dialogs.asked[0].kind, "text");
    EXPECT_EQ(h.dialogs.asked[0].message, QString::fromUtf8("Redenumește"));
    EXPECT_EQ(h.dialogs.asked[0].informative, "Nume");
    EXPECT_EQ(h.dialogs.asked[0].buttons, (QStringList{QString(), QString::fromUtf8("Salvează")}));
    QApplication::processEvents();
    EXPECT_EQ(list.rowTitle(0), QString::fromUtf8("Nuntă finală"));
    EXPECT_TRUE(list.rowShowsDateLine(0));
    // Cancelled: nothing changes.
    list.makeRowMenu(0)->actions()[0]->trigger();
    EXPECT_EQ(h.job->project().history->at(0).name, "Nuntă finală");
}
