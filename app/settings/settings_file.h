#pragma once
// The settings file that carries the user's settings to another computer, and the reset that brings
// the application back to its defaults. The key lists are the registry's (core/base/defaults.h).
#include <filesystem>
#include <string>
#include <vector>

#include "core/base/defaults.h"

namespace orvane::settings {

// The file's proposed name and the report's.
inline constexpr const char* settingsFileName = "Vendrel – setări.json";

// Stores the code under "language" and a one-element list with it under "AppleLanguages", the list
// the application's start reads its preferred languages from.
void setAppLanguage(Defaults& defaults, const std::string& code);

// One JSON object of the listed keys the store holds, with their values as stored, keys sorted,
// one member per line and indented; "{}" when none is stored. Throws json::EncodeError for a value
// that cannot be written (a number that is not finite).
std::string exportSettings(const Defaults& defaults);

// What an import did.
struct ImportOutcome {
    bool readable = false;             // the text was one JSON object; nothing changes otherwise
    std::vector<std::string> applied;  // keys stored, in list order
    std::vector<std::string> refused;  // keys whose value could do harm, in list order
};

// Why a member of a settings file is not taken: empty when it may be stored. Values of another JSON
// type than the key's are taken (every reader treats them as absent); values of the key's type must
// lie in the range its readers can use safely.
std::string refusalReason(const std::string& key, const Json& value);

// Stores each listed key the object holds (JSON null is skipped, harmful values refused, unknown keys
// ignored), then the language through setAppLanguage when the file's "language" is a string. Text
// that is not a JSON object changes nothing.
ImportOutcome importSettings(Defaults& defaults, const std::string& text);

// Removes the settings and the reset's extra keys, in that order.
void resetSettings(Defaults& defaults);

}  // namespace orvane::settings
