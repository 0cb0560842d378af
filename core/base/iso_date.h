#pragma once
// Dates in files: ISO-8601 in UTC with whole seconds ("2026-12-10T23:39:56Z").
#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace orvane {

using Date = std::chrono::system_clock::time_point;

namespace IsoDate {
// Writes the instant floored to the whole second, so a fraction is lost, never rounded up.
std::string format(Date date);
// Reads exactly YYYY-MM-DDThh:mm:ssZ with a valid calendar date and time that the clock can hold;
// anything else gives nothing.
std::optional<Date> parse(std::string_view text);
// The instant truncated (floored) to the whole second: what a date reads back as after a save.
Date wholeSeconds(Date date);
}  // namespace IsoDate

}  // namespace orvane
