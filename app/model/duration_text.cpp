#include "app/model/duration_text.h"

#include <cmath>

namespace orvane::model {

namespace {

// About 292 billion years: far beyond any duration, and safely inside a signed 64-bit count.
constexpr double maxSeconds = 9.0e18;

std::string englishPhrase(std::int64_t n, const std::string& noun) {
    return std::to_string(n) + " " + noun + (n == 1 ? "" : "s");
}

}  // namespace

std::string romanianCountPhrase(std::int64_t n, const std::string& singular, const std::string& plural) {
    if (n == 1) return "1 " + singular;
    if (n == 0) return "0 " + plural;
    const std::int64_t k = n % 100;
    if (k >= 1 && k <= 19) return std::to_string(n) + " " + plural;
    return std::to_string(n) + " de " + plural;
}

std::string durationText(double seconds, bool english) {
    if (std::isnan(seconds) || seconds < 0) seconds = 0;
    if (seconds > maxSeconds) seconds = maxSeconds;
    const auto t = static_cast<std::int64_t>(std::round(seconds));  // halves away from zero
    const std::int64_t h = t / 3600, r = t % 3600, m = r / 60, s = t % 60;
    const std::string join = english ? " and " : " și ";
    auto hours = [&](std::int64_t n) {
        return english ? englishPhrase(n, "hour") : romanianCountPhrase(n, "oră", "ore");
    };
    auto minutes = [&](std::int64_t n) {
        return english ? englishPhrase(n, "minute") : romanianCountPhrase(n, "minut", "minute");
    };
    auto secondsPhrase = [&](std::int64_t n) {
        return english ? englishPhrase(n, "second") : romanianCountPhrase(n, "secundă", "secunde");
    };
    if (t >= 3600) return r >= 60 ? hours(h) + join + minutes(m) : hours(h);
    if (t >= 60) return s != 0 ? minutes(m) + join + secondsPhrase(s) : minutes(m);
    return secondsPhrase(t);
}

std::string durationText(double seconds, const Defaults& defaults) {
    return durationText(seconds, defaults.textValue("language") == "en");
}

}  // namespace orvane::model
