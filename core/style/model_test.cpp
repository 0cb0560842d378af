#include "core/style/model.h"

#include <gtest/gtest.h>

#include "core/photo/features.h"
#include "core/store/store.h"
#include "core/style/model_training.h"
#include "core/style/sample.h"

namespace orvane {
namespace {

TEST(ModelVocabulary, columnsRunFromF0ToF67WithTheFaceColumnsLast) {
    const auto& c = Model::columns();
    ASSERT_EQ(c.size(), 68u);
    for (std::size_t i = 0; i < c.size(); ++i) EXPECT_EQ(c[i], "f" + std::to_string(i));
    EXPECT_EQ(Model::firstFaceColumn(), "f61");
    EXPECT_EQ(c.size(), Features::allNames().size());
    EXPECT_EQ(c[Features::imageCount], "f61");
}

TEST(ModelVocabulary, extraKeysKeepTheirFixedOrder) {
    EXPECT_EQ(Model::extraKeys(),
              (std::vector<std::string>{"Contrast2012", "Highlights2012", "Shadows2012", "Whites2012", "Blacks2012",
                                        "Clarity2012", "Vibrance", "Saturation", "Texture", "Dehaze"}));
}

TEST(ModelVocabulary, modelAndFolderNames) {
    EXPECT_EQ(Model::exposureName, "exp");
    EXPECT_EQ(Model::miredName, "mired");
    EXPECT_EQ(Model::extraName("Vibrance"), "x_Vibrance");
    EXPECT_EQ(Model::compiledName(Model::extraName("Vibrance")), "x_Vibrance.xgbm");
    EXPECT_EQ(Model::compiledName("exp"), "exp.xgbm");
    EXPECT_EQ(Model::sourceName("mired"), "mired.ubj");
}

TEST(ModelVocabulary, miredsAndKelvin) {
    EXPECT_DOUBLE_EQ(Model::kelvinToMired(5000), 200);
    EXPECT_DOUBLE_EQ(Model::kelvinToMired(4000), 250);
    EXPECT_DOUBLE_EQ(Model::miredToKelvin(200), 5000);
}

TEST(ModelParams, areTheFixedBoostedTreeSettings) {
    const auto& p = Model::params();
    EXPECT_EQ(p.maxDepth, 4);
    EXPECT_EQ(p.maxIterations, 300);
    EXPECT_EQ(p.minLossReduction, 0.0);
    EXPECT_EQ(p.minChildWeight, 40.0);
    EXPECT_EQ(p.randomSeed, 0);
    EXPECT_EQ(p.stepSize, 0.05);
    EXPECT_EQ(p.rowSubsample, 1.0);
    EXPECT_EQ(p.columnSubsample, 1.0);
}

Sample sample(double temperature, std::optional<std::map<std::string, double>> extras) {
    Sample s;
    s.path = "/p.dng";
    s.x.assign(68, 0.25);
    s.exposure = 0.5;
    s.temperature = temperature;
    s.extras = std::move(extras);
    return s;
}

TEST(ModelFrame, hasEightyColumnsInOrderAndOneRowPerSample) {
    auto f = Model::frame({sample(5000, std::nullopt), sample(4000, std::map<std::string, double>{{"Vibrance", 12}}),
                           sample(6500, std::nullopt)});
    EXPECT_EQ(f.rows, 3u);
    ASSERT_EQ(f.names.size(), 80u);
    EXPECT_EQ(f.names[0], "f0");
    EXPECT_EQ(f.names[67], "f67");
    EXPECT_EQ(f.names[68], "exp");
    EXPECT_EQ(f.names[69], "mired");
    EXPECT_EQ(f.names[70], "x_Contrast2012");
    EXPECT_EQ(f.names[79], "x_Dehaze");
    for (const auto& c : f.columns) EXPECT_EQ(c.size(), 3u);
    EXPECT_DOUBLE_EQ((*f.column("mired"))[0], 200);
    EXPECT_DOUBLE_EQ((*f.column("mired"))[1], 250);
    for (const auto& key : Model::extraKeys()) {
        const auto& col = *f.column(Model::extraName(key));
        EXPECT_EQ(col[0], 0) << key;  // no extras at all
        EXPECT_EQ(col[1], key == "Vibrance" ? 12 : 0) << key;
    }
}

TEST(ModelFrame, aShortFeatureVectorGivesMissingValuesNotACrash) {
    Sample s = sample(5000, std::nullopt);
    s.x.resize(3);
    auto f = Model::frame({s});
    EXPECT_EQ((*f.column("f2"))[0], 0.25);
    EXPECT_TRUE(std::isnan((*f.column("f3"))[0]));
    auto m = Model::featureMatrix(f);
    ASSERT_EQ(m.size(), 68u);
    EXPECT_TRUE(std::isnan(m[67]));
}

TEST(SampleRecord, optionalKeysAreLeftOutAndReadAsAbsent) {
    Sample s = sample(5000, std::nullopt);
    s.x = {1, 2};
    const std::string text = Store::encode(s);
    std::vector<std::string> keys;
    const Json doc = json::parse(text);
    for (const auto& [k, v] : doc.items()) keys.push_back(k);
    EXPECT_EQ(keys, (std::vector<std::string>{"exposure", "path", "temperature", "x"}));
    auto back = json::decode<Sample>(json::parse(text));
    EXPECT_FALSE(back.identity);
    EXPECT_FALSE(back.extras);
    EXPECT_EQ(back, s);
}

TEST(SampleRecord, requiresItsFourKeys) {
    EXPECT_THROW(json::decode<Sample>(json::parse(R"({"path":"/p","x":[],"exposure":0})")), json::DecodeError);
}

}  // namespace
}  // namespace orvane
