#pragma once
// Small questions about file names, asked of paths kept as text ('/'-separated, as projects and
// catalogs store them) or of filesystem paths.
#include <filesystem>
#include <string>
#include <string_view>

namespace orvane::PathText {

// The last component of a '/'-separated path; trailing slashes do not count ("/a/b/" gives "b").
// A path without a slash is its own last component; "/" stays "/".
std::string_view lastComponent(std::string_view path);

// The file's extension with its dot, ASCII letters lower-cased (".NEF" gives ".nef"); empty when the
// name has none.
std::string lowerExtension(const std::filesystem::path& file);

}  // namespace orvane::PathText
