#pragma once
#include <cstdint>
#include <map>
#include <string>

#include "core/base/strict_json.h"
#include "core/store/basic_adjustments.h"

namespace orvane {

// The user's tuning of a profile's predictions; also kept in a project. All three keys are required
// on reading and always written ("overrides" as an object, empty when there are none).
struct ProfileTuning {
    BasicAdjustments basic;
    double exposure = 0;                          // EV
    std::map<std::string, std::int64_t> overrides;  // develop-setting key to value

    bool isZero() const { return basic.temperature == 0 && basic.tint == 0 && exposure == 0 && overrides.empty(); }

    bool operator==(const ProfileTuning&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("basic", s.basic);
        v.req("exposure", s.exposure);
        v.req("overrides", s.overrides);
    }
};

}  // namespace orvane
