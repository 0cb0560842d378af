#include "core/catalog/corrections.h"

#include <gtest/gtest.h>

#include "core/store/store.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

PhotoCorrection correction(double aiE, double finalE, double aiT, double finalT,
                           std::optional<std::map<std::string, double>> extras = std::nullopt) {
    return PhotoCorrection{"/p.nef", aiE, finalE, aiT, finalT, std::move(extras)};
}

TEST(Corrections, thresholdsIncludeTheirEdge) {
    struct Case {
        const char* name;
        PhotoCorrection c;
        bool changed;
    };
    const Case cases[] = {
        {"smallDifferences", correction(0.25, 0.28125, 5200, 5240), false},
        {"temperatureAtFifty", correction(0.25, 0.28125, 5200, 5250), true},
        {"exposureOverLimit", correction(0.25, 0.375, 5200, 5240), true},
        {"exposureLoweredBeyondLimit", correction(0.0, -0.0625, 5200, 5200), true},
        {"extraMinusThree", correction(0, 0, 5000, 5000, std::map<std::string, double>{{"Vibrance", -3}}), true},
        {"extraTwoPointNine", correction(0, 0, 5000, 5000, std::map<std::string, double>{{"Vibrance", 2.9}}), false},
        {"noExtras", correction(0, 0, 5000, 5000), false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.c.changed(), c.changed);
    }
}

TEST(Corrections, summaryAveragesOnlyChangedPhotosAndSaysSo) {
    std::vector<PhotoCorrection> list = {correction(0, 0.25, 5000, 5100), correction(0, -0.5, 5000, 4801)};
    for (int i = 0; i < 10; ++i) list.push_back(correction(0, 0.01, 5000, 5010));
    auto s = Corrections::summarize(list);
    EXPECT_EQ(s.photos, 12);
    EXPECT_EQ(s.changed, 2);
    EXPECT_DOUBLE_EQ(s.meanExposure, 0.375);
    EXPECT_DOUBLE_EQ(s.meanTemperature, 149.5);
    EXPECT_EQ(s.text(), "Ai corectat 2 din 12 fotografii (în medie 0.38 EV și 150 K).");

    CorrectionSummary example;
    example.photos = 20;
    example.changed = 3;
    example.meanExposure = 0.25;
    example.meanTemperature = 149.5;
    EXPECT_EQ(example.text(), "Ai corectat 3 din 20 fotografii (în medie 0.25 EV și 150 K).");

    auto none = Corrections::summarize({correction(0, 0, 5000, 5000)});
    EXPECT_EQ(none.meanExposure, 0);
    EXPECT_EQ(none.text(), "Nu ai corectat nicio fotografie: AI-ul a nimerit toate cele 1.");
    EXPECT_EQ(Corrections::summarize({}).text(), "");
}

TEST(Corrections, saveWritesTheFileAndReportsFailure) {
    orvane::testing::freshDataDir();
    Project p;
    p.id = Uuid::random();
    std::vector<PhotoCorrection> list = {correction(0, 0.5, 5000, 5000),
                                         correction(0, 0, 5000, 5000, std::map<std::string, double>{{"Dehaze", 4}})};
    auto summary = Corrections::summarize(list);
    summary.date = *IsoDate::parse("2026-05-01T10:00:00Z");
    ASSERT_TRUE(Corrections::save(list, summary, p));
    const std::string text = orvane::testing::readText(Store::projects() / p.id.text() / "corrections.json");
    Json j = json::parse(text);
    EXPECT_EQ(j["summary"]["date"], "2026-05-01T10:00:00Z");
    EXPECT_EQ(j["photos"].size(), 2u);
    EXPECT_FALSE(j["photos"][0].contains("extras"));
    EXPECT_EQ(j["photos"][1]["extras"]["Dehaze"], 4.0);
    EXPECT_EQ(json::decode<CorrectionSummary>(j["summary"]), summary);

    list[0].aiExposure = std::nan("");
    EXPECT_FALSE(Corrections::save(list, summary, p));
    EXPECT_EQ(orvane::testing::readText(Store::projects() / p.id.text() / "corrections.json"), text);
}

}  // namespace
}  // namespace orvane
