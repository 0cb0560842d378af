#pragma once
// The interface's texts in the user's language. Every text is written in Romanian and is its own key;
// with "language" set to "en" the English table answers for the keys it has, and any other key shows
// unchanged. Names, paths and other data are never looked up.
#include <QString>

#include <initializer_list>
#include <utility>

#include "core/base/iso_date.h"

namespace orvane::kit {

// Whether "language" (read at every call) asks for English; anything else, or nothing, is Romanian.
bool englishInterface();

// `romanian` as the user reads it now.
QString localized(const QString& romanian);
QString localized(const char* romanianUtf8);

// A text whose key holds one "%lld", looked up and with `n` in its place.
QString localizedCount(const char* romanianUtf8, long long n);

// Adds English texts (Romanian key, English text; both UTF-8) to the table; a later entry for the same
// key replaces an earlier one. Each folder of screens adds its own at start-up; the kit's are built in.
void addEnglishTexts(std::initializer_list<std::pair<const char*, const char*>> texts);

// The text of `key` (a string-table key whose integers stand as "%lld") in the user's language, each
// "%lld" replaced by the next of `numbers`, in order.
QString localizedCount(const char* key, std::initializer_list<long long> numbers);

// A date alone, abbreviated, on the local calendar: "en_US" ("Mar 4, 2026") when the interface is
// English, "ro_RO" ("4 mar. 2026") otherwise.
QString abbreviatedDateText(Date date);

}  // namespace orvane::kit
