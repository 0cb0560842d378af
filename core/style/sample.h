#pragma once
// One training example: a catalog photo's feature vector and the develop values it was given.
#include <cmath>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "core/base/strict_json.h"

namespace orvane {

struct Sample {
    std::string path;
    std::vector<double> x;  // feature vector, Model::columns order
    double exposure = 0;
    double temperature = 0;  // kelvin
    std::optional<std::string> identity;
    std::optional<std::map<std::string, double>> extras;

    bool operator==(const Sample&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("path", s.path);
        v.req("x", s.x);
        v.req("exposure", s.exposure);
        v.req("temperature", s.temperature);
        v.opt("identity", s.identity);
        v.opt("extras", s.extras);
    }
};

// Develop values a model can learn from: a finite exposure and a temperature that is a plausible
// light in kelvin. Masters that are not raw carry relative temperatures (−100…100), which are not.
inline bool plausibleTargets(double exposure, double kelvin) {
    return std::isfinite(exposure) && kelvin >= 1000 && kelvin <= 60000;
}

}  // namespace orvane
