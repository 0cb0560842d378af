#pragma once
// Small Unicode rules for names the user types: trimming and a locale-free order.
#include <string>
#include <string_view>

namespace orvane::UnicodeText {

// The text without white space and line breaks (any Unicode white space) at either end.
std::string trimmed(std::string_view text);

// Plain string order: the Unicode scalar values of the canonically composed (NFC) forms, so the
// same name typed decomposed or composed sorts alike; case-sensitive and independent of the locale
// ("Z" before "a", "Ș" after "z"). Invalid UTF-8 compares by its bytes.
bool scalarLess(std::string_view a, std::string_view b);

}  // namespace orvane::UnicodeText
