// The home page's rules without widgets: greeting, estimate, figure, recent order, what shows when.
#include "app/home/home_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/job_fixtures.h"

namespace orvane::home {
namespace {

using namespace std::chrono_literals;

TEST(HomeGreeting, followsTheHourAndTheFirstWordOfTheName) {
    struct Case {
        int hour;
        const char* fullName;
        const char* greeting;
    };
    const Case cases[] = {
        {0, "Ana Maria Pop", "NOAPTE BUNĂ, ANA"},        {4, "", "NOAPTE BUNĂ"},
        {5, "ștefan", "BUNĂ DIMINEAȚA, ȘTEFAN"},         {11, "   ", "BUNĂ DIMINEAȚA"},
        {12, "  Ion  Popescu", "BUNĂ ZIUA, ION"},         {17, "Ion", "BUNĂ ZIUA, ION"},
        {18, "Ion\tPopescu", "BUNĂ SEARA, ION\tPOPESCU"}, {23, "Ion\u00a0Pop Ene", "BUNĂ SEARA, ION\u00a0POP"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(greetingTitle(c.hour, QString::fromUtf8(c.fullName)), QString::fromUtf8(c.greeting))
            << c.hour << " " << c.fullName;
    EXPECT_EQ(userFirstName(QStringLiteral("  Ana Maria")), QStringLiteral("Ana"));
    EXPECT_EQ(userFirstName(QStringLiteral("    ")), QString());
}

Project doneProject(int done, std::optional<double> elapsed) {
    Project p = testing::projectWith(0, done);
    p.elapsed = elapsed;
    return p;
}

TEST(HomeEstimate, manualSecondsComeFromOutsideAndAreChecked) {
    struct Case {
        const char* name;
        std::optional<Json> stored;
        double manual;
    };
    const double huge = 1e300;
    const Case cases[] = {
        {"absent", std::nullopt, 40},   {"zero", Json(0), 40},        {"negative", Json(-5), 40},
        {"nine", Json(9), 40},          {"ten", Json(10), 10},        {"120", Json(120), 120},
        {"text", Json("120"), 40},      {"fraction", Json(12.9), 12}, {"huge", Json(huge), huge},
    };
    for (const auto& c : cases) {
        FileDefaults defaults;
        if (c.stored) defaults.set("manualSecondsPerPhoto", *c.stored);
        EXPECT_EQ(manualSecondsPerPhoto(defaults), c.manual) << c.name;
    }
}

TEST(HomeEstimate, isManualTimeLessTheTimeWorkedAndNeverNegative) {
    struct Case {
        const char* name;
        std::vector<Project> projects;
        double manual;
        double seconds;
        std::int64_t photos;
    };
    const Case cases[] = {
        {"two done, no time recorded", {doneProject(2, std::nullopt)}, 40, 80, 2},
        {"over two projects", {doneProject(2, 30.0), doneProject(3, std::nullopt)}, 40, 170, 5},
        {"more worked than saved", {doneProject(1, 500.0)}, 40, 0, 1},
        {"pending photos do not count", {testing::projectWith(4, 1)}, 120, 120, 1},
        {"a huge manual value stays finite", {doneProject(1, 0.0)}, 1e300, 1e300, 1},
        {"no projects", {}, 40, 0, 0},
    };
    for (const auto& c : cases) {
        const TimeSaved t = timeSaved(c.projects, c.manual);
        EXPECT_DOUBLE_EQ(t.seconds, c.seconds) << c.name;
        EXPECT_EQ(t.photos, c.photos) << c.name;
    }
}

TEST(HomeFigure, largeAndSmallUnitsByTheSize) {
    struct Case {
        double seconds;
        const char* text;
    };
    const double inf = std::numeric_limits<double>::infinity();
    const Case cases[] = {
        {12300, "3 h 25 min"}, {720, "12 min 0 s"}, {45, "45 s"},        {59.4, "59 s"},
        {59.5, "1 min 0 s"},   {60, "1 min 0 s"},   {3599, "59 min 59 s"}, {3600, "1 h 0 min"},
        {7260, "2 h 1 min"},   {7299, "2 h 1 min"}, {-3, "0 s"},          {std::nan(""), "0 s"},
        {inf, "277777777777 h 46 min"},  // limited before it becomes an integer
    };
    for (const auto& c : cases) EXPECT_EQ(savedTimeFigure(c.seconds).text(), QString::fromUtf8(c.text)) << c.seconds;
}

TEST(HomeRecent, newestActivityFirstAndTiesKeepTheirOrder) {
    const Date day = Date(std::chrono::hours(24 * 20000));
    auto make = [](const char* name) { return testing::projectWith(1, 0, 0, name); };
    Project neverA = make("never A"), exportedYesterday = make("exported yesterday"), finishedToday = make("finished today"),
            neverB = make("never B"), started = make("started two days ago");
    exportedYesterday.exportedAt = day - 24h;
    exportedYesterday.finishedAt = day;  // the export decides
    finishedToday.finishedAt = day - 1h;
    started.startedAt = day - 48h;
    const std::vector<Project> projects{neverA, exportedYesterday, finishedToday, neverB, started};
    auto names = [](const std::vector<const Project*>& list) {
        std::vector<std::string> out;
        for (const Project* p : list) out.push_back(p->name);
        return out;
    };
    EXPECT_EQ(names(recentProjects(projects)),
              (std::vector<std::string>{"finished today", "exported yesterday", "started two days ago"}));
    const std::vector<Project> neverRan{neverA, neverB};
    EXPECT_EQ(names(recentProjects(neverRan)), (std::vector<std::string>{"never A", "never B"}));
}

TEST(HomeContent, whatThePageShowsForWhatExists) {
    struct Case {
        const char* name;
        std::vector<Project> projects;
        bool builtProfile;
        bool estimate;
        const char* headline;
        const char* button;
        BottomSection bottom;
    };
    const char* firstTime = "Editezi o nuntă întreagă în câteva minute.";
    const Case cases[] = {
        {"nothing yet", {}, false, false, firstTime, "Începe să editezi", BottomSection::steps},
        {"a built profile, no projects", {}, true, false, "Ce facem azi?", "Proiect nou", BottomSection::noProjects},
        {"projects, no built profile", {doneProject(1, std::nullopt)}, false, false, "Ce facem azi?", "Proiect nou",
         BottomSection::recent},
        {"projects with time saved", {doneProject(2, std::nullopt)}, true, true, "Ce facem azi?", "Proiect nou",
         BottomSection::recent},
        {"exactly 60 s shows", {doneProject(3, 60.0)}, true, true, "Ce facem azi?", "Proiect nou", BottomSection::recent},
    };
    for (const auto& c : cases) {
        const HomeContent content = homeContent(c.projects, c.builtProfile, 40);
        EXPECT_EQ(content.showsEstimate, c.estimate) << c.name;
        EXPECT_EQ(content.headline, QString::fromUtf8(c.headline)) << c.name;
        EXPECT_EQ(content.buttonTitle, QString::fromUtf8(c.button)) << c.name;
        EXPECT_EQ(content.bottom, c.bottom) << c.name;
    }
    const HomeContent saved = homeContent({doneProject(2, 30.0), doneProject(1, 45.0)}, false, 120);
    EXPECT_EQ(saved.caption, QString::fromUtf8("economisite · 3 fotografii în 1 minut și 15 secunde"));
}

}  // namespace
}  // namespace orvane::home
