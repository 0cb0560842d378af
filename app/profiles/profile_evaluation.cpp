#include "app/profiles/profile_evaluation.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <numeric>

#include "app/kit/localization.h"
#include "core/base/numbers.h"

namespace orvane::profiles {

namespace {
int meanOf(const std::vector<int>& values) {
    if (values.empty()) return 0;
    return std::accumulate(values.begin(), values.end(), 0) / int(values.size());
}
QString number(long long value) { return QString::number(value); }
}  // namespace

int gainPercent(double gain) {
    if (!std::isfinite(gain)) return gain > 0 ? 99 : 0;
    return int(std::clamp(std::round(gain * 100.0), 0.0, 99.0));
}

EvaluationScore scoreEvaluation(const Evaluation& e, const std::vector<std::string>& predictedExtras) {
    EvaluationScore s;
    if (e.rows.size() <= 2) return s;
    if (!e.baselineExposureMAE || !e.baselineTemperatureMAE || *e.baselineExposureMAE <= 0 ||
        *e.baselineTemperatureMAE <= 0) {
        s.form = EvaluationScore::Form::notMeasured;
        return s;
    }
    s.form = EvaluationScore::Form::scored;
    s.exposureGain = gainPercent(1.0 - e.exposureMAE / *e.baselineExposureMAE);
    s.colourGain = gainPercent(1.0 - e.temperatureMAE / *e.baselineTemperatureMAE);
    for (const std::string& key : predictedExtras) {
        if (const auto g = e.gain(key)) s.keyGains.push_back(gainPercent(*g));
    }
    std::vector<int> all{s.exposureGain, s.colourGain};
    all.insert(all.end(), s.keyGains.begin(), s.keyGains.end());
    s.overall = meanOf(all);
    if (all.size() >= 3) s.tones = meanOf(s.keyGains);
    s.ringFraction = s.overall <= 3 ? 0.03 : s.overall / 100.0;
    return s;
}

bool showsEvaluation(const Profile& profile) { return profile.evaluation.has_value() && !profile.isInstant(); }

QString scoreCaption(int overall) {
    return overall < 25 ? kit::localized("Mai adaugă evenimente pentru rezultate mai bune")
                        : kit::localized("mai aproape de editarea ta decât un preset fix");
}

QString figureLabel(int value) {
    if (value < 10) return kit::localized("ca fără AI");
    return number(value) + kit::localized("% mai bun");
}

QString brightnessTip(int gain, double exposureMAE) {
    return kit::localized("Luminozitate: expunerea interpretată e cu ") + number(gain) +
           kit::localized("% mai aproape de editarea ta decât fără AI (aceeași valoare pe toate fotografiile). "
                          "Eroare medie: ") +
           QString::fromStdString(Numbers::fixed(exposureMAE, 2)) + kit::localized(" trepte de lumină.");
}

QString colourTip(int gain, double temperatureMAE) {
    const long long kelvin = std::isfinite(temperatureMAE) ? std::llround(temperatureMAE) : 0;
    return kit::localized("Culoare: balansul de alb interpretat e cu ") + number(gain) +
           kit::localized("% mai aproape de editarea ta decât fără AI. Eroare medie: ") + number(kelvin) +
           kit::localized(" K.");
}

QString tonesTip(int gain, const std::vector<std::string>& keys) {
    QStringList names;
    for (const auto& k : keys) names << QString::fromStdString(k);
    return kit::localized("Tonuri (") + names.join(QStringLiteral(", ")) + kit::localized("): cu ") + number(gain) +
           kit::localized("% mai aproape de editarea ta decât fără AI.");
}

double buildFraction(const ProfileBuilder::Phase& phase) {
    using Kind = ProfileBuilder::Phase::Kind;
    switch (phase.kind) {
        case Kind::features:
            if (phase.second <= 0) return 1.0;
            return 0.8 * double(phase.first) / double(phase.second);
        case Kind::evaluation: {
            const int of = phase.second <= 1 ? 1 : phase.second;
            return 0.8 + 0.15 * double(phase.first) / double(of);
        }
        case Kind::training: return 0.97;
    }
    return 0;
}

}  // namespace orvane::profiles
