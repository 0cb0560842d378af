#pragma once
// What the profile screen says about a profile's quality and a build under way: the scores of its
// stored leave-one-event-out evaluation against a fixed value, their texts, and how full the build's
// progress ring is. Pure functions, no widgets.
#include <QString>

#include <optional>
#include <string>
#include <vector>

#include "core/style/evaluation.h"
#include "core/style/profile.h"
#include "core/style/profile_builder.h"

namespace orvane::profiles {

struct EvaluationScore {
    // Fewer than three events evaluated; no baseline errors to compare with; scored.
    enum class Form { stillLearning, notMeasured, scored };
    Form form = Form::stillLearning;
    int exposureGain = 0;
    int colourGain = 0;
    std::vector<int> keyGains;  // of the learned further settings that have a gain, in their order
    int overall = 0;            // the mean of every gain, remainder dropped
    std::optional<int> tones;   // the mean of the key gains, only with three or more gains in all
    double ringFraction = 0;    // overall / 100, but 0.03 for a score of 3 or less
};

// The whole percentage of a gain (1 − error ÷ baseline), halves away from zero, kept within 0…99.
int gainPercent(double gain);
EvaluationScore scoreEvaluation(const Evaluation& evaluation, const std::vector<std::string>& predictedExtras);

// Whether the profile screen shows an evaluation card: an evaluation is stored and the profile is
// not an instant one.
bool showsEvaluation(const Profile& profile);

// "Mai adaugă evenimente pentru rezultate mai bune" under 25, else "mai aproape de editarea ta decât
// un preset fix".
QString scoreCaption(int overall);
// "ca fără AI" under 10, else "<value>% mai bun".
QString figureLabel(int value);
QString brightnessTip(int gain, double exposureMAE);
QString colourTip(int gain, double temperatureMAE);
QString tonesTip(int gain, const std::vector<std::string>& keys);

// The share of the progress ring for a build phase: features 0.8 × done ÷ total (full without photos),
// evaluation 0.8 + 0.15 × event ÷ of (of at least 1), training 0.97.
double buildFraction(const ProfileBuilder::Phase& phase);

}  // namespace orvane::profiles
