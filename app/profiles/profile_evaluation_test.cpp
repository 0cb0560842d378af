#include "app/profiles/profile_evaluation.h"

#include <gtest/gtest.h>

namespace orvane::profiles {
namespace {

using Form = EvaluationScore::Form;
using Phase = ProfileBuilder::Phase;

Evaluation evaluation(int rows, double exposure, std::optional<double> exposureBase, double temperature,
                      std::optional<double> temperatureBase) {
    Evaluation e;
    for (int i = 0; i < rows; ++i) e.rows.push_back({"E" + std::to_string(i), 10, exposure, temperature});
    e.exposureMAE = exposure;
    e.baselineExposureMAE = exposureBase;
    e.temperatureMAE = temperature;
    e.baselineTemperatureMAE = temperatureBase;
    return e;
}

TEST(ProfileEvaluation, theCardTakesItsFormFromTheEventsAndBaselines) {
    struct Case {
        const char* name;
        Evaluation e;
        Form form;
    };
    const std::vector<Case> cases = {
        {"two events", evaluation(2, 0.2, 0.5, 100, 300), Form::stillLearning},
        {"no exposure baseline", evaluation(3, 0.2, std::nullopt, 100, 300), Form::notMeasured},
        {"a baseline of 0", evaluation(3, 0.2, 0.5, 100, 0), Form::notMeasured},
        {"measured", evaluation(3, 0.2, 0.5, 100, 300), Form::scored},
    };
    for (const auto& c : cases) EXPECT_EQ(scoreEvaluation(c.e, {}).form, c.form) << c.name;
}

TEST(ProfileEvaluation, gainsAreWholeClampedPercentsAndTheScoreDropsTheRemainder) {
    // 0.2 against 0.5: 60; 300 against 250: worse than the baseline, 0.
    EvaluationScore s = scoreEvaluation(evaluation(3, 0.2, 0.5, 300, 250), {});
    EXPECT_EQ(s.exposureGain, 60);
    EXPECT_EQ(s.colourGain, 0);
    EXPECT_EQ(figureLabel(s.colourGain), "ca fără AI");
    EXPECT_EQ(s.overall, 30);
    EXPECT_FALSE(s.tones);

    // A perfect model would be 100: shown as 99.
    EXPECT_EQ(scoreEvaluation(evaluation(3, 0, 0.5, 0, 250), {}).exposureGain, 99);

    // 60 and 41 (0.295 / 0.5 → 41): 101 / 2 = 50.
    s = scoreEvaluation(evaluation(3, 0.2, 0.5, 147.5, 250), {});
    EXPECT_EQ(s.colourGain, 41);
    EXPECT_EQ(s.overall, 50);
    EXPECT_EQ(scoreCaption(s.overall), "mai aproape de editarea ta decât un preset fix");
    // 20 and 29: 24.
    s = scoreEvaluation(evaluation(3, 0.4, 0.5, 177.5, 250), {});
    EXPECT_EQ(s.exposureGain, 20);
    EXPECT_EQ(s.colourGain, 29);
    EXPECT_EQ(s.overall, 24);
    EXPECT_EQ(scoreCaption(s.overall), "Mai adaugă evenimente pentru rezultate mai bune");

    // A score of 2 draws 3 % of the ring; 4 draws 4 %.
    s = scoreEvaluation(evaluation(3, 0.49, 0.5, 245, 250), {});
    EXPECT_EQ(s.overall, 2);
    EXPECT_DOUBLE_EQ(s.ringFraction, 0.03);
    EXPECT_DOUBLE_EQ(scoreEvaluation(evaluation(3, 0.48, 0.5, 240, 250), {}).ringFraction, 0.04);

    EXPECT_EQ(figureLabel(9), "ca fără AI");
    EXPECT_EQ(figureLabel(10), "10% mai bun");
}

TEST(ProfileEvaluation, tonesAverageOnlyTheKeysThatHaveAGain) {
    Evaluation e = evaluation(3, 0.2, 0.5, 100, 250);
    e.extraMAE = std::map<std::string, double>{{"Contrast2012", 3}};
    e.extraBaselineMAE = std::map<std::string, double>{{"Contrast2012", 10}};
    const std::vector<std::string> keys{"Contrast2012", "Vibrance"};
    const EvaluationScore s = scoreEvaluation(e, keys);
    EXPECT_EQ(s.keyGains, std::vector<int>{70});
    ASSERT_TRUE(s.tones);
    EXPECT_EQ(*s.tones, 70);
    EXPECT_EQ(s.overall, (60 + 60 + 70) / 3);
    EXPECT_EQ(tonesTip(*s.tones, keys),
              "Tonuri (Contrast2012, Vibrance): cu 70% mai aproape de editarea ta decât fără AI.");
}

TEST(ProfileEvaluation, tooltipsWriteTheErrorsWithAPointAndWholeKelvin) {
    EXPECT_EQ(brightnessTip(60, 0.2),
              "Luminozitate: expunerea interpretată e cu 60% mai aproape de editarea ta decât fără AI (aceeași valoare "
              "pe toate fotografiile). Eroare medie: 0.20 trepte de lumină.");
    EXPECT_EQ(colourTip(41, 147.5),
              "Culoare: balansul de alb interpretat e cu 41% mai aproape de editarea ta decât fără AI. Eroare medie: 148 K.");
}

TEST(ProfileEvaluation, theProgressRingFollowsThePhase) {
    struct Case {
        Phase phase;
        double fraction;
    };
    const std::vector<Case> cases = {
        {Phase::features(30, 120), 0.2},     {Phase::evaluation(3, 4), 0.9125}, {Phase::evaluation(1, 0), 0.95},
        {Phase::training(), 0.97},           {Phase::features(0, 0), 1.0},
    };
    for (const auto& c : cases) EXPECT_DOUBLE_EQ(buildFraction(c.phase), c.fraction);
}

TEST(ProfileEvaluation, anInstantProfileNeverShowsItsEvaluation) {
    Profile p;
    p.evaluation = evaluation(3, 0.2, 0.5, 100, 250);
    EXPECT_TRUE(showsEvaluation(p));
    p.kind = "instant";
    EXPECT_FALSE(showsEvaluation(p));
    p.kind.reset();
    p.evaluation.reset();
    EXPECT_FALSE(showsEvaluation(p));
}

}  // namespace
}  // namespace orvane::profiles
