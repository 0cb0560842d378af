#include "core/style/evaluation.h"

#include <gtest/gtest.h>

#include <cmath>
#include <utility>

#include "core/base/strict_json.h"
#include "core/style/model.h"
#include "testing/model_fixtures.h"

namespace orvane {
namespace {

using Events = Model::Events;

std::vector<Sample> withVibrance(std::vector<Sample> samples, const std::function<double(std::size_t)>& value) {
    for (std::size_t i = 0; i < samples.size(); ++i) (*samples[i].extras)["Vibrance"] = value(i);
    return samples;
}

std::vector<const Sample*> pointers(const std::vector<Sample>& samples) {
    std::vector<const Sample*> out;
    for (const auto& s : samples) out.push_back(&s);
    return out;
}

bool has(const std::vector<std::string>& keys, const std::string& key) {
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

TEST(Evaluation, medianIsTheUpperOfTheMiddleValues) {
    EXPECT_EQ(Model::median({4, 1, 3, 2}), 3);
    EXPECT_EQ(Model::median({5, 1, 3}), 3);
    EXPECT_EQ(Model::median({7}), 7);
    EXPECT_EQ(Model::median({}), 0);
}

TEST(Evaluation, eventsComeInNameOrderAndEveryOneIsAnnounced) {
    auto all = testing::syntheticSamples(15, 3);
    Events events = {{"B", {all.begin(), all.begin() + 5}},
                     {"A", {all.begin() + 5, all.begin() + 10}},
                     {"Gol", {}},
                     {"C", {all.begin() + 10, all.end()}}};
    std::vector<std::pair<int, int>> calls;
    const Evaluation e = Model::evaluate(events, [&](int k, int n) { calls.emplace_back(k, n); });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 4}, {1, 4}, {2, 4}, {3, 4}}));
    ASSERT_EQ(e.rows.size(), 3u);  // the empty event is announced but gives no row
    EXPECT_EQ(e.rows[0].event, "A");
    EXPECT_EQ(e.rows[1].event, "B");
    EXPECT_EQ(e.rows[2].event, "C");
    for (const auto& r : e.rows) EXPECT_EQ(r.n, 5);
}

TEST(Evaluation, pooledMeansWeighEveryPhotoAlike) {
    auto all = testing::syntheticSamples(100, 5);
    // The small event's photos are off the large one's, so the two rows differ.
    std::vector<Sample> small(all.begin(), all.begin() + 10), large(all.begin() + 10, all.end());
    for (auto& s : small) {
        s.exposure += 3;
        s.temperature += 2000;
    }
    const Evaluation e = Model::evaluate({{"mic", small}, {"mare", large}}, {});
    ASSERT_EQ(e.rows.size(), 2u);
    const auto& rLarge = e.rows[0];
    const auto& rSmall = e.rows[1];
    ASSERT_EQ(rLarge.event, "mare");
    EXPECT_NEAR(e.exposureMAE, (10 * rSmall.exposureMAE + 90 * rLarge.exposureMAE) / 100, 1e-9);
    EXPECT_NEAR(e.temperatureMAE, (10 * rSmall.temperatureMAE + 90 * rLarge.temperatureMAE) / 100, 1e-6);
    EXPECT_GT(std::fabs(rSmall.exposureMAE - rLarge.exposureMAE), 0.1);  // so the mean of the rows is another number

    // Baselines answer the upper median of the other event's photos.
    auto baseline = [](const std::vector<Sample>& train, const std::vector<Sample>& test, auto value) {
        std::vector<double> v;
        for (const auto& s : train) v.push_back(value(s));
        const double m = Model::median(v);
        double sum = 0;
        for (const auto& s : test) sum += std::fabs(m - value(s));
        return sum;
    };
    auto exposure = [](const Sample& s) { return s.exposure; };
    auto kelvin = [](const Sample& s) { return s.temperature; };
    ASSERT_TRUE(e.baselineExposureMAE && e.baselineTemperatureMAE);
    EXPECT_NEAR(*e.baselineExposureMAE, (baseline(large, small, exposure) + baseline(small, large, exposure)) / 100, 1e-9);
    EXPECT_NEAR(*e.baselineTemperatureMAE, (baseline(large, small, kelvin) + baseline(small, large, kelvin)) / 100, 1e-6);
}

TEST(Evaluation, candidatesNeedMoreThanAHundredSamplesEveryOneWithTheKeyAndASpread) {
    auto spread = [](std::size_t i) { return i % 2 ? 40.0 : -40.0; };
    struct Case {
        const char* name;
        std::size_t count;
        std::function<double(std::size_t)> value;
        bool oneLacksIt;
        bool candidate;
    };
    // Medians of 101 values with 51 zeros are 0: 49 twos and one three deviate by 101 / 101 = 1.0
    // exactly; fifty twos by 100 / 101.
    auto deviation = [](double last) {
        return [last](std::size_t i) { return i < 51 ? 0.0 : i == 100 ? last : 2.0; };
    };
    const std::vector<Case> cases = {
        {"a hundred samples", 100, spread, false, false},
        {"a hundred and one", 101, spread, false, true},
        {"one sample lacks the key", 101, spread, true, false},
        {"all values equal", 101, [](std::size_t) { return 7.0; }, false, false},
        {"mean deviation 0.99", 101, deviation(2.0), false, false},
        {"mean deviation exactly 1", 101, deviation(3.0), false, true},
        {"a value that is not a number", 101, [](std::size_t i) { return i == 7 ? std::nan("") : i % 2 ? 40.0 : -40.0; },
         false, false},
    };
    for (const auto& c : cases) {
        auto samples = withVibrance(testing::syntheticSamples(c.count, 11), c.value);
        if (c.oneLacksIt) samples[17].extras->erase("Vibrance");
        const auto keys = Model::candidateExtras(pointers(samples));
        EXPECT_EQ(has(keys, "Vibrance"), c.candidate) << c.name;
        // The synthetic contrast values spread widely: a candidate whenever there are enough samples.
        EXPECT_EQ(has(keys, "Contrast2012"), c.count > 100) << c.name;
        EXPECT_FALSE(has(keys, "Dehaze")) << c.name;  // no sample has it
    }
}

TEST(Evaluation, candidatesAreEvaluatedAndAbsentOnesLeaveNoKeys) {
    auto samples = testing::syntheticSamples(101, 13);
    for (auto& s : samples) s.extras->erase("Vibrance");
    Events events = {{"A", {samples.begin(), samples.begin() + 50}}, {"B", {samples.begin() + 50, samples.end()}}};
    const Evaluation e = Model::evaluate(events, {});
    ASSERT_TRUE(e.extraMAE && e.extraBaselineMAE);
    EXPECT_EQ(e.extraMAE->size(), 1u);
    EXPECT_TRUE(e.extraMAE->contains("Contrast2012"));
    EXPECT_TRUE(e.extraBaselineMAE->contains("Contrast2012"));

    events[1].second.pop_back();  // 100 pooled samples: no candidate
    const Evaluation none = Model::evaluate(events, {});
    EXPECT_FALSE(none.extraMAE);
    const Json j = json::encode(none);
    EXPECT_FALSE(j.contains("extraMAE"));
    EXPECT_FALSE(j.contains("extraBaselineMAE"));
    EXPECT_TRUE(j.contains("baselineExposureMAE"));
}

TEST(Evaluation, anEventWithoutTrainingSetGivesNoRowAndNothingNonFinite) {
    auto samples = testing::syntheticSamples(8, 17);
    std::vector<std::pair<int, int>> calls;
    const Evaluation e = Model::evaluate({{"A", samples}, {"B", {}}}, [&](int k, int n) { calls.emplace_back(k, n); });
    EXPECT_EQ(calls, (std::vector<std::pair<int, int>>{{0, 2}, {1, 2}}));
    EXPECT_TRUE(e.rows.empty());
    EXPECT_EQ(e.exposureMAE, 0);
    EXPECT_EQ(e.temperatureMAE, 0);
    EXPECT_FALSE(e.baselineExposureMAE);
    EXPECT_FALSE(e.baselineTemperatureMAE);
    EXPECT_FALSE(e.extraMAE);
    EXPECT_EQ(json::dump(json::encode(e)), R"({"exposureMAE":0.0,"rows":[],"temperatureMAE":0.0})");
    EXPECT_TRUE(Model::evaluate({}, {}).rows.empty());
}

TEST(Evaluation, gainIsTheImprovementOverTheBaseline) {
    Evaluation e;
    e.extraMAE = std::map<std::string, double>{{"Contrast2012", 4}, {"Vibrance", 6}, {"Dehaze", 1}, {"Texture", 1}};
    e.extraBaselineMAE = std::map<std::string, double>{{"Contrast2012", 5}, {"Vibrance", 5}, {"Dehaze", 0}, {"Clarity2012", 3}};
    EXPECT_NEAR(*e.gain("Contrast2012"), 0.2, 1e-12);
    EXPECT_NEAR(*e.gain("Vibrance"), -0.2, 1e-12);
    EXPECT_FALSE(e.gain("Dehaze"));       // baseline 0
    EXPECT_FALSE(e.gain("Texture"));      // no baseline entry
    EXPECT_FALSE(e.gain("Clarity2012"));  // no model entry
    e.extraBaselineMAE.reset();
    EXPECT_FALSE(e.gain("Contrast2012"));
}

TEST(Evaluation, decodesWithoutTheOptionalKeysAndRequiresTheOthers) {
    const Evaluation e = json::decode<Evaluation>(json::parse(
        R"({"rows":[{"event":"Nunta","n":12,"exposureMAE":0.25,"temperatureMAE":180}],"exposureMAE":0.25,"temperatureMAE":180})"));
    Evaluation expected;
    expected.rows = {{"Nunta", 12, 0.25, 180}};
    expected.exposureMAE = 0.25;
    expected.temperatureMAE = 180;
    EXPECT_EQ(e, expected);
    EXPECT_EQ(hashOf(e), hashOf(expected));
    EXPECT_EQ(json::decode<Evaluation>(json::encode(expected)), expected);
    EXPECT_THROW(json::decode<Evaluation>(json::parse(R"({"rows":[],"exposureMAE":0.25})")), json::DecodeError);
    EXPECT_THROW(json::decode<Evaluation>(json::parse(R"({"rows":[{"event":"A","n":"12","exposureMAE":0,"temperatureMAE":0}],)"
                                                      R"("exposureMAE":0,"temperatureMAE":0})")),
                 json::DecodeError);
}

}  // namespace
}  // namespace orvane
