#include "app/model/duration_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "testing/romanian_locale.h"

using namespace orvane;
using namespace orvane::model;

TEST(DurationText, romanianAndEnglishWorkedValues) {
    struct Row {
        double seconds;
        const char* ro;
        const char* en;
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const Row& r : std::vector<Row>{
             {0, "0 secunde", "0 seconds"},
             {0.5, "1 secundă", "1 second"},
             {19, "19 secunde", "19 seconds"},
             {45, "45 de secunde", "45 seconds"},
             {59.4, "59 de secunde", "59 seconds"},
             {59.5, "1 minut", "1 minute"},
             {60, "1 minut", "1 minute"},
             {61, "1 minut și 1 secundă", "1 minute and 1 second"},
             {1230, "20 de minute și 30 de secunde", "20 minutes and 30 seconds"},
             {3599, "59 de minute și 59 de secunde", "59 minutes and 59 seconds"},
             {3600, "1 oră", "1 hour"},
             {3661, "1 oră și 1 minut", "1 hour and 1 minute"},
             {7199, "1 oră și 59 de minute", "1 hour and 59 minutes"},
             {7325, "2 ore și 2 minute", "2 hours and 2 minutes"},
             {86400, "24 de ore", "24 hours"},
             {360000, "100 de ore", "100 hours"},
             {363600, "101 ore", "101 hours"},
             {421200, "117 ore", "117 hours"},
             {432000, "120 de ore", "120 hours"},
             {-12, "0 secunde", "0 seconds"},
             {-0.5, "0 secunde", "0 seconds"},
             {nan, "0 secunde", "0 seconds"},
             {-inf, "0 secunde", "0 seconds"},
         }) {
        SCOPED_TRACE(r.seconds);
        EXPECT_EQ(durationText(r.seconds, false), r.ro);
        EXPECT_EQ(durationText(r.seconds, true), r.en);
    }
    // Huge values are clamped, not undefined: some number of hours.
    for (double huge : {1e300, inf}) {
        const std::string text = durationText(huge, false);
        EXPECT_NE(text.find(" ore"), std::string::npos) << text;
    }
}

TEST(DurationText, languageSettingPicksEnglishOnlyForEn) {
    FileDefaults defaults;  // in memory
    EXPECT_EQ(durationText(45, defaults), "45 de secunde");
    defaults.set("language", "fr");
    EXPECT_EQ(durationText(45, defaults), "45 de secunde");
    defaults.set("language", "en");
    EXPECT_EQ(durationText(45, defaults), "45 seconds");
    defaults.set("language", "ro");
    EXPECT_EQ(durationText(45, defaults), "45 de secunde");
}

TEST(DurationText, romanianCountRules) {
    struct Row {
        long long n;
        const char* phrase;
    };
    for (const Row& r : std::vector<Row>{{0, "0 ore"},
                                         {1, "1 oră"},
                                         {2, "2 ore"},
                                         {19, "19 ore"},
                                         {20, "20 de ore"},
                                         {99, "99 de ore"},
                                         {100, "100 de ore"},
                                         {101, "101 ore"},
                                         {119, "119 ore"},
                                         {120, "120 de ore"},
                                         {1001, "1001 ore"},
                                         {1000000, "1000000 de ore"}}) {
        EXPECT_EQ(romanianCountPhrase(r.n, "oră", "ore"), r.phrase);
    }
}

TEST(DurationText, numbersAreNeverGroupedWhateverTheLocale) {
    orvane::testing::RomanianLocale ro;
    if (!ro.active()) GTEST_SKIP() << "ro_RO.UTF-8 is not installed";
    EXPECT_EQ(durationText(1e7, false), "2777 de ore și 46 de minute");
    EXPECT_EQ(durationText(1e7, true), "2777 hours and 46 minutes");
}
