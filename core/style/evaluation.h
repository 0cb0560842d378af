#pragma once
// How well a profile's kind of models predicts photos of an event it has never seen: each event in
// turn is held out, models are trained on the others and set against a baseline that always answers
// the median of the training photos.
#include <cstdint>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "core/base/strict_json.h"
#include "core/style/sample.h"

namespace orvane {

struct Evaluation {
    struct Row {
        std::string event;
        std::int64_t n = 0;          // photos of the event
        double exposureMAE = 0;      // EV
        double temperatureMAE = 0;   // kelvin

        bool operator==(const Row&) const = default;
        template <class S, class V>
        static void describe(S& s, V& v) {
            v.req("event", s.event);
            v.req("n", s.n);
            v.req("exposureMAE", s.exposureMAE);
            v.req("temperatureMAE", s.temperatureMAE);
        }
    };

    std::vector<Row> rows;  // in event order
    // Means over every held-out photo of every event, so each photo weighs the same. With no row at
    // all there is nothing to measure: both are 0 and every optional field is absent.
    double exposureMAE = 0;
    double temperatureMAE = 0;
    std::optional<double> baselineExposureMAE;
    std::optional<double> baselineTemperatureMAE;
    std::optional<std::map<std::string, double>> extraMAE;          // per candidate further setting
    std::optional<std::map<std::string, double>> extraBaselineMAE;

    // 1 − model error ÷ baseline error of a further setting; absent when either is missing or the
    // baseline is not above 0. Negative when the model is worse than its baseline.
    std::optional<double> gain(const std::string& key) const;

    bool operator==(const Evaluation&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("rows", s.rows);
        v.req("exposureMAE", s.exposureMAE);
        v.req("temperatureMAE", s.temperatureMAE);
        v.opt("baselineExposureMAE", s.baselineExposureMAE);
        v.opt("baselineTemperatureMAE", s.baselineTemperatureMAE);
        v.opt("extraMAE", s.extraMAE);
        v.opt("extraBaselineMAE", s.extraBaselineMAE);
    }
};

namespace Model {

// Events by name with their samples. Names are expected to be unique.
using Events = std::vector<std::pair<std::string, std::vector<Sample>>>;

// The element at index ⌊n/2⌋ of the values sorted ascending (the upper of the two middle values for
// an even count); 0 for no values.
double median(std::vector<double> values);

// The further settings worth evaluating on these pooled samples, in Model::extraKeys() order: every
// sample has a finite value for the key, there are more than 100 samples, and the values' mean
// absolute deviation from their median is at least 1.
std::vector<std::string> candidateExtras(const std::vector<const Sample*>& pool);

// Leave-one-event-out evaluation. Events are taken in ascending name order; `progress(k, count)` is
// called before event k (from 0), even for one that is then skipped. An event without samples, or
// whose training set (the other events) is empty, gives no row. Throws the first training or
// prediction error (ModelError); a model answering a value that is not finite, or a mired value that
// is not positive, is a prediction error.
Evaluation evaluate(const Events& events, const std::function<void(int k, int count)>& progress);

}  // namespace Model
}  // namespace orvane
