#pragma once
// The order file browsers show: locale-aware, case-insensitive, runs of digits compared by value
// ("img1", "IMG2", "img10").
#include <string_view>

namespace orvane::NaturalOrder {

// Negative, zero or positive like strcmp, by the collation alone: texts that differ only in letter
// case (or not at all) compare equal, so a stable sort keeps their order.
int collate(std::string_view a, std::string_view b);

// The same, but texts the collation finds equal fall back to byte order so the order is total.
int compare(std::string_view a, std::string_view b);
inline bool less(std::string_view a, std::string_view b) { return compare(a, b) < 0; }

}  // namespace orvane::NaturalOrder
