#include "core/base/iso_date.h"

#include <cstdint>
#include <cstdio>

namespace orvane::IsoDate {

namespace {
// Civil-calendar conversions on the proleptic Gregorian calendar (days since 1970-01-01).
std::int64_t daysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const unsigned yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void civilFromDays(std::int64_t z, std::int64_t& y, unsigned& m, unsigned& d) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const unsigned doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = static_cast<std::int64_t>(yoe) + era * 400;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    d = doy - (153 * mp + 2) / 5 + 1;
    m = mp < 10 ? mp + 3 : mp - 9;
    y += m <= 2;
}

bool isLeap(std::int64_t y) { return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0; }

unsigned daysInMonth(std::int64_t y, unsigned m) {
    static const unsigned table[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && isLeap(y) ? 29 : table[m - 1];
}

bool digits(std::string_view s, std::size_t pos, std::size_t count, unsigned& out) {
    out = 0;
    for (std::size_t i = pos; i < pos + count; ++i) {
        if (s[i] < '0' || s[i] > '9') return false;
        out = out * 10 + static_cast<unsigned>(s[i] - '0');
    }
    return true;
}
}  // namespace

Date wholeSeconds(Date date) {
    return std::chrono::floor<std::chrono::seconds>(date);
}

std::string format(Date date) {
    const auto secs = std::chrono::floor<std::chrono::seconds>(date).time_since_epoch().count();
    std::int64_t days = secs / 86400;
    std::int64_t rem = secs % 86400;
    if (rem < 0) {
        rem += 86400;
        days -= 1;
    }
    std::int64_t y;
    unsigned m, d;
    civilFromDays(days, y, m, d);
    char buf[40];
    std::snprintf(buf, sizeof buf, "%04lld-%02u-%02uT%02d:%02d:%02dZ", static_cast<long long>(y), m, d,
                  static_cast<int>(rem / 3600), static_cast<int>(rem / 60 % 60), static_cast<int>(rem % 60));
    return buf;
}

std::optional<Date> parse(std::string_view s) {
    if (s.size() != 20 || s[4] != '-' || s[7] != '-' || s[10] != 'T' || s[13] != ':' || s[16] != ':' ||
        s[19] != 'Z')
        return std::nullopt;
    unsigned y, mo, d, h, mi, se;
    if (!digits(s, 0, 4, y) || !digits(s, 5, 2, mo) || !digits(s, 8, 2, d) || !digits(s, 11, 2, h) ||
        !digits(s, 14, 2, mi) || !digits(s, 17, 2, se))
        return std::nullopt;
    if (mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || se > 59)
        return std::nullopt;
    const std::int64_t days = daysFromCivil(y, mo, d);
    const std::int64_t secs = days * 86400 + h * 3600 + mi * 60 + se;
    // The clock counts in a fine unit, so its range is narrower than four-digit years (with nanoseconds,
    // 1677 to 2262); a date outside it would wrap into another date.
    using std::chrono::seconds;
    const auto lowest = std::chrono::ceil<seconds>(Date::min().time_since_epoch()).count();
    const auto highest = std::chrono::floor<seconds>(Date::max().time_since_epoch()).count();
    if (secs < lowest || secs > highest) return std::nullopt;
    return Date(seconds(secs));
}

}  // namespace orvane::IsoDate
