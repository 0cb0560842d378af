#pragma once
// Small texts the catalog library screens share: the date of a catalog, a localised text with numbers
// in place, and the progress of a profile build as the library shows it.
#include <QString>

#include <initializer_list>
#include <optional>

#include "core/base/iso_date.h"
#include "core/style/profile_builder.h"

namespace orvane::library {

// A catalog's date in the abbreviated style without a time: "Dec 11, 2026" when the interface is
// English, "11 dec. 2026" otherwise.
QString catalogDateText(const Date& date);

// `romanian` in the user's language with "%1", "%2"… replaced by the numbers in decimal digits.
QString withNumbers(const char* romanian, std::initializer_list<long long> numbers);
// `romanian` in the user's language.
inline QString text(const char* romanian) { return withNumbers(romanian, {}); }

// The library's view of a build's phase: its text (with " · " and the time since `started` when that
// is given) and the fraction of the bar, always within 0…1 (an empty feature count is a full bar).
struct BuildProgress {
    QString text;
    double fraction = 0;
};
BuildProgress buildProgress(const ProfileBuilder::Phase& phase, const std::optional<double>& elapsedSeconds,
                            bool english);

}  // namespace orvane::library
