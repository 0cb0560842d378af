#pragma once
#include "core/base/strict_json.h"

namespace orvane {

// Temperature (kelvin) and tint offsets applied on top of computed values. Both keys are required
// whenever the record is present.
struct BasicAdjustments {
    double temperature = 0;
    double tint = 0;

    bool isZero() const { return temperature == 0 && tint == 0; }

    bool operator==(const BasicAdjustments&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("temperature", s.temperature);
        v.req("tint", s.tint);
    }
};

}  // namespace orvane
