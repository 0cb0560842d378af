#include "app/kit/catalog_sort.h"

#include <algorithm>

#include "core/base/natural_order.h"

namespace orvane::kit {

CatalogSort catalogSortFrom(std::string_view raw) { return raw == "name" ? CatalogSort::name : CatalogSort::recent; }

const char* rawValue(CatalogSort sort) { return sort == CatalogSort::name ? "name" : "recent"; }

std::vector<FoundCatalog> sortFoundCatalogs(std::vector<FoundCatalog> catalogs, CatalogSort sort) {
    if (sort == CatalogSort::name) {
        std::stable_sort(catalogs.begin(), catalogs.end(), [](const FoundCatalog& a, const FoundCatalog& b) {
            return NaturalOrder::less(a.name(), b.name());
        });
    } else {
        std::stable_sort(catalogs.begin(), catalogs.end(),
                         [](const FoundCatalog& a, const FoundCatalog& b) { return a.modified > b.modified; });
    }
    return catalogs;
}

}  // namespace orvane::kit
