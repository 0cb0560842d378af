#pragma once
// A number of seconds in words, in the user's language: at most two units, whole seconds.
#include <cstdint>
#include <string>

#include "core/base/defaults.h"

namespace orvane::model {

// Reads "language" at every call: "en" is English, anything else (or nothing) Romanian. A negative
// duration or NaN reads as 0 seconds, and a huge one (infinity too) is clamped before rounding.
std::string durationText(double seconds, const Defaults& defaults);
std::string durationText(double seconds, bool english);

// "1 oră", "19 ore", "20 de ore": the number and the noun with the Romanian "de" rule.
std::string romanianCountPhrase(std::int64_t n, const std::string& singular, const std::string& plural);

}  // namespace orvane::model
