#pragma once
// Reading Lightroom Classic catalogs: every master raw photo with the develop values of its settings
// text, in one query. The settings text is a Lua table; only what the system needs is picked from it,
// line by line, without parsing Lua.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/catalog/catalog_records.h"

namespace orvane::Catalog {

// Every master photo (no virtual copies) whose file format is 'RAW' or 'DNG', in the order SQLite
// yields them. `immutable` is true for a user's catalog, which Lightroom Classic may hold open: it is
// opened read-only through "file:…?immutable=1", so no lock is taken and nothing is written to it.
// It is false for the private copies the system made itself, opened read-write by their plain path.
// Throws CatalogError::sqlite when the catalog cannot be opened, the query cannot be prepared, or
// reading stops on an error (a corrupt page, an I/O error, a lock): never a silently short list.
std::vector<CatalogPhoto> read(const std::filesystem::path& catalog, bool immutable);

// The query read() runs, for tools that need the same rows.
const std::string& query();

// One row of the query turned into a photo: develop values, extras in Model::extraKeys() order,
// the edited and black-and-white flags. A NULL settings text is passed as the empty text.
CatalogPhoto photo(std::string path, std::string_view settingsText, std::optional<std::string> fileID,
                   std::optional<std::string> captureTime);

// Setting name to number, from the lines of the text that read as `Name = number`; nested tables'
// lines count too, and a later line wins.
std::map<std::string, double> settings(std::string_view text);

// The quoted value of the first WhiteBalance line that holds two double quotes.
std::optional<std::string> whiteBalance(std::string_view text);

// A tone setting differs from 0 by more than 1e-9, or else the white balance is set to something
// other than "As Shot". `numbers` is settings(text).
bool isEdited(std::string_view text, const std::map<std::string, double>& numbers);

// "ConvertToGrayscale = true" or Treatment = "grayscale" anywhere in the text.
bool isBlackAndWhite(std::string_view text);

}  // namespace orvane::Catalog
