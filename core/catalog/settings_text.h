#pragma once
// Lightroom Classic's develop-settings text: a Lua table constructor "s = { Name = value, … }". The
// writer changes some top-level entries and carries every other byte of the text through unchanged,
// nested tables and strings included. The parser accepts only the plain shape Lightroom writes and
// refuses the rest (comments, long brackets, bracketed or repeated keys), so a text it does not fully
// understand is never rewritten.
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/masks/catalog_masks.h"
#include "core/masks/teeth_mask.h"

namespace orvane::CatalogWriter {

// One top-level entry: the setting name and its whole text, normalised to key + " = " + value.
struct Entry {
    std::string key;
    std::string raw;

    bool operator==(const Entry&) const = default;
};

// Develop settings by Camera Raw name with their XMP text values, in order (a later pair wins).
using Attributes = std::vector<std::pair<std::string, std::string>>;
// Tone curves by setting name, each a list of (input, output) points.
using Curve = std::vector<std::pair<int, int>>;
using Curves = std::map<std::string, Curve>;

// The Lua table texts of the corrections a mask request adds, in the request's order (teeth, skin, face
// levels, subject). The mask code provides them; the writer only places them.
using MaskCorrections = std::function<std::vector<std::string>(const TeethMask::Spec&)>;

// Settings whose new values are always written as quoted strings.
const std::vector<std::string>& stringKeys();
// Settings never written, whatever the attributes say.
const std::vector<std::string>& skipped();

// The text with the attributes, the non-empty curves and, when a request is given, the managed local
// corrections replaced; every entry normalised and the entries sorted by key. Absent when the text is
// not a table entries() accepts.
std::optional<std::string> merge(std::string_view text, const Attributes& attributes, const Curves& curves,
                                 const std::optional<TeethMask::Spec>& masks,
                                 const MaskCorrections& maskCorrections = CatalogMasks::luaCorrections);

// The top-level entries of "s = { … }" in text order; absent when the text is refused.
std::optional<std::vector<Entry>> entries(std::string_view text);
// The items of a table body split at top-level commas, each trimmed; absent when the body holds a
// comment, a long bracket, an unterminated string, unbalanced braces or an empty item.
std::optional<std::vector<std::string>> checkedEntries(std::string_view body);
// A lenient split of a table body at top-level commas, outside strings of either quote.
std::vector<std::string> splitTopLevel(std::string_view body);
// "s = { " + the entries sorted by key, joined with ",\n" + " }".
std::string render(std::vector<Entry> entries);

// An XMP value as a Lua literal: a boolean, a number, or a quoted string when the value is not a
// finite number or the setting holds a string now (`existing` begins with a double quote).
std::string luaValue(std::string_view value, const std::optional<std::string>& existing);
// A quoted Lua string with backslash, double quote, line feed and carriage return escaped.
std::string luaString(std::string_view value);
// "{ x1,\ny1,\nx2,\n… }".
std::string luaCurve(const Curve& points);

// Trimmed of Unicode whitespace and line breaks at both ends.
std::string_view trimmed(std::string_view text);

}  // namespace orvane::CatalogWriter
