#pragma once
// The order of catalog lists, kept in the user defaults under "catalogSort": "recent" (newest first)
// or "name"; any other stored value reads as "recent".
#include <string>
#include <string_view>
#include <vector>

#include "core/catalog/catalog_finder.h"

namespace orvane::kit {

enum class CatalogSort { recent, name };

inline constexpr const char* catalogSortKey = "catalogSort";

CatalogSort catalogSortFrom(std::string_view raw);
const char* rawValue(CatalogSort sort);

// Found catalogs: by file name without extension in the file browser's order, or by modification
// date, newest first; ties keep the given order.
std::vector<FoundCatalog> sortFoundCatalogs(std::vector<FoundCatalog> catalogs, CatalogSort sort);

}  // namespace orvane::kit
