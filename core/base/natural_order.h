#pragma once
// The order file browsers show: locale-aware, case-insensitive, runs of digits compared by value
// ("img1", "IMG2", "img10").
#include <string_view>

namespace orvane::NaturalOrder {

// Negative, zero or positive like strcmp; texts the collation finds equal fall back to byte order so
// the order is total and stable.
int compare(std::string_view a, std::string_view b);
inline bool less(std::string_view a, std::string_view b) { return compare(a, b) < 0; }

}  // namespace orvane::NaturalOrder
