#pragma once
// Numbers written into or read from files never follow the C locale (Romanian uses a decimal comma).
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::Numbers {

// Shortest text that reads back as the same double ("0.1", "3", "-2.5e-07").
std::string shortest(double value);
// Fixed number of decimals with a point: fixed(0.5, 6) == "0.500000".
std::string fixed(double value, int decimals);
// The same as printf's "%.*f" in the C locale: a negative zero and negatives that round to zero keep
// their minus sign ("-0.000000"), as the mask texts are written.
std::string printfFixed(double value, int decimals);
// "0" for zero, else the integer with its sign ("+12", "-3"), as develop values are written.
std::string signedInteger(std::int64_t value);
// Whole text must be a finite number (leading '+', surrounding blanks, "inf" and "nan" are refused).
std::optional<double> parseDouble(std::string_view text);
std::optional<std::int64_t> parseInt(std::string_view text);

}  // namespace orvane::Numbers
