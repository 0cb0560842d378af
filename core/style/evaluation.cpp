#include "core/style/evaluation.h"

#include <algorithm>
#include <cmath>
#include <numeric>

#include "core/style/model.h"
#include "core/style/model_error.h"
#include "core/style/model_training.h"

namespace orvane {

std::optional<double> Evaluation::gain(const std::string& key) const {
    if (!extraMAE || !extraBaselineMAE) return std::nullopt;
    const auto e = extraMAE->find(key);
    const auto b = extraBaselineMAE->find(key);
    if (e == extraMAE->end() || b == extraBaselineMAE->end() || !(b->second > 0)) return std::nullopt;
    return 1.0 - e->second / b->second;
}

namespace Model {
namespace {

std::optional<double> extraValue(const Sample& s, const std::string& key) {
    if (!s.extras) return std::nullopt;
    const auto it = s.extras->find(key);
    if (it == s.extras->end()) return std::nullopt;
    return it->second;
}

// Errors gathered across events; every photo adds one value, so a mean weighs photos alike.
struct Pool {
    double sum = 0;
    std::size_t count = 0;
    void add(double v) {
        sum += v;
        ++count;
    }
    std::optional<double> mean() const {
        if (count == 0) return std::nullopt;
        return sum / static_cast<double>(count);
    }
};

double mean(const std::vector<double>& v) {
    return v.empty() ? 0.0 : std::accumulate(v.begin(), v.end(), 0.0) / static_cast<double>(v.size());
}

// Trains `target` on the training samples and answers one prediction per test sample, in order.
std::vector<float> trainAndPredict(const std::vector<Sample>& training, const std::vector<Sample>& test,
                                   const std::string& target) {
    // A frame per training, as the final build does, so both train on exactly the same input.
    const Booster booster = train(frame(training), target);
    const Frame testFrame = frame(test);
    const std::vector<float> matrix = featureMatrix(testFrame);
    std::vector<float> out = booster.predict(matrix.data(), testFrame.rows, columns().size());
    // An answer that is not a number would make every mean of the evaluation one as well.
    if (out.size() != test.size() || !std::all_of(out.begin(), out.end(), [](float v) { return std::isfinite(v); })) {
        throw ModelError(ModelError::Code::invalidPrediction,
                         "Modelul „" + target + "” a dat valori care nu se pot folosi la evaluare.");
    }
    return out;
}

}  // namespace

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    const auto mid = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
    std::nth_element(values.begin(), mid, values.end());
    return *mid;
}

std::vector<std::string> candidateExtras(const std::vector<const Sample*>& pool) {
    std::vector<std::string> out;
    if (pool.size() <= 100) return out;
    for (const auto& key : extraKeys()) {
        std::vector<double> values;
        values.reserve(pool.size());
        for (const Sample* s : pool) {
            const auto v = extraValue(*s, key);
            // A value that is not finite would make every error of the key infinite.
            if (!v || !std::isfinite(*v)) break;
            values.push_back(*v);
        }
        if (values.size() != pool.size()) continue;
        const double m = median(values);
        double spread = 0;
        for (double v : values) spread += std::fabs(v - m);
        spread /= static_cast<double>(values.size());
        if (spread >= 1.0) out.push_back(key);  // false for NaN as well
    }
    return out;
}

Evaluation evaluate(const Events& events, const std::function<void(int, int)>& progress) {
    // Ascending name order; the training set of an event joins the others in the same order, so the
    // same events always train the same models.
    std::vector<std::size_t> order(events.size());
    std::iota(order.begin(), order.end(), std::size_t{0});
    std::stable_sort(order.begin(), order.end(),
                     [&](std::size_t a, std::size_t b) { return events[a].first < events[b].first; });

    std::vector<const Sample*> pooled;
    for (std::size_t i : order)
        for (const auto& s : events[i].second) pooled.push_back(&s);
    const std::vector<std::string> candidates = candidateExtras(pooled);

    const int count = static_cast<int>(events.size());
    Evaluation result;
    Pool exposure, temperature, baseExposure, baseTemperature;
    std::map<std::string, Pool> extra, baseExtra;

    for (std::size_t k = 0; k < order.size(); ++k) {
        if (progress) progress(static_cast<int>(k), count);
        const auto& [name, test] = events[order[k]];
        if (test.empty()) continue;
        std::vector<Sample> training;
        for (std::size_t j : order)
            if (j != order[k]) training.insert(training.end(), events[j].second.begin(), events[j].second.end());
        // Nothing to learn from: no model and no median, so no row rather than a made-up error.
        if (training.empty()) continue;

        const auto expPred = trainAndPredict(training, test, std::string(exposureName));
        const auto miredPred = trainAndPredict(training, test, std::string(miredName));

        std::vector<double> trainExp, trainTemp;
        for (const auto& s : training) {
            trainExp.push_back(s.exposure);
            trainTemp.push_back(s.temperature);
        }
        const double medianExp = median(std::move(trainExp));
        const double medianTemp = median(std::move(trainTemp));

        std::vector<double> expErrors, tempErrors;
        for (std::size_t i = 0; i < test.size(); ++i) {
            const Sample& s = test[i];
            const double mired = miredPred[i];
            if (mired <= 0) {
                throw ModelError(ModelError::Code::invalidPrediction,
                                 "Modelul de temperatură a dat o valoare care nu se poate folosi la evaluare.");
            }
            expErrors.push_back(std::fabs(static_cast<double>(expPred[i]) - s.exposure));
            tempErrors.push_back(std::fabs(miredToKelvin(mired) - s.temperature));
            exposure.add(expErrors.back());
            temperature.add(tempErrors.back());
            baseExposure.add(std::fabs(medianExp - s.exposure));
            baseTemperature.add(std::fabs(medianTemp - s.temperature));
        }

        for (const auto& key : candidates) {
            const auto pred = trainAndPredict(training, test, extraName(key));
            std::vector<double> trainValues;
            for (const auto& s : training) trainValues.push_back(extraValue(s, key).value_or(0));
            const double m = median(std::move(trainValues));
            for (std::size_t i = 0; i < test.size(); ++i) {
                const double value = extraValue(test[i], key).value_or(0);
                extra[key].add(std::fabs(static_cast<double>(pred[i]) - value));
                baseExtra[key].add(std::fabs(m - value));
            }
        }

        result.rows.push_back(Evaluation::Row{name, static_cast<std::int64_t>(test.size()), mean(expErrors), mean(tempErrors)});
    }

    result.exposureMAE = exposure.mean().value_or(0);
    result.temperatureMAE = temperature.mean().value_or(0);
    result.baselineExposureMAE = baseExposure.mean();
    result.baselineTemperatureMAE = baseTemperature.mean();
    if (!extra.empty()) {
        result.extraMAE.emplace();
        result.extraBaselineMAE.emplace();
        for (const auto& [key, pool] : extra) {
            (*result.extraMAE)[key] = *pool.mean();
            (*result.extraBaselineMAE)[key] = *baseExtra[key].mean();
        }
    }
    return result;
}

}  // namespace Model
}  // namespace orvane
