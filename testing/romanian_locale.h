#pragma once
// Test support: the Romanian locale (decimal comma), for tests of number texts written into files.
#include <clocale>
#include <string>

namespace orvane::testing {

// Puts the Romanian locale in force for its scope; `active` is false when the locale is not installed.
class RomanianLocale {
public:
    RomanianLocale() {
        const char* previous = std::setlocale(LC_ALL, nullptr);
        saved_ = previous ? previous : "C";
        active_ = std::setlocale(LC_ALL, "ro_RO.UTF-8") != nullptr;
    }
    ~RomanianLocale() { std::setlocale(LC_ALL, saved_.c_str()); }
    RomanianLocale(const RomanianLocale&) = delete;
    RomanianLocale& operator=(const RomanianLocale&) = delete;
    bool active() const { return active_; }

private:
    std::string saved_;
    bool active_ = false;
};

}  // namespace orvane::testing
