#pragma once
// A develop preset made from the photographer's own edits: the typical value (median) of each further
// setting over the edited colour photos of some catalogs, for profiles made without a chosen preset.
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "core/catalog/catalog_records.h"

namespace orvane::StylePreset {

// Too few edited photos to speak of a style; what() is the message shown to the user.
class BuildError : public std::runtime_error {
public:
    enum class Code { tooFew };
    explicit BuildError(Code code);
    Code code() const { return code_; }
    bool operator==(const BuildError& other) const { return code_ == other.code_; }

private:
    Code code_;
};

// Fewer usable photos than this and no preset is made.
inline constexpr std::size_t minimumPhotos = 20;

// The private copies of imported catalogs, in the given order; a copy that cannot be read adds no
// photos. Every photo of a copy counts, whatever the catalog's chosen photos.
std::filesystem::path build(const std::vector<TrainingCatalog>& catalogs, const std::string& name);
// A user's catalog files, opened read-only; a file that cannot be read adds no photos.
std::filesystem::path buildFromCatalogFiles(const std::vector<std::filesystem::path>& catalogs, const std::string& name);
// Writes "stilul-meu-<UUID>.xmp" into the temporary folder and returns it; the caller owns the file.
// Throws BuildError(tooFew) without writing anything when fewer than minimumPhotos photos are usable,
// and the writing error as it comes.
std::filesystem::path build(const std::vector<CatalogPhoto>& photos, const std::string& name);

// The preset's text: one line of XML, no declaration, no white space between elements.
std::string document(const std::vector<CatalogPhoto>& photos, const std::string& name);

}  // namespace orvane::StylePreset
