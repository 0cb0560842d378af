#pragma once
// How much of a finished project a Lightroom catalog holds: the share of the project's done photos
// that the catalog lists as edited and usable for learning. Used to find the catalog in which the
// photographer corrected a project.
#include <filesystem>
#include <functional>
#include <vector>

#include "core/catalog/catalog_finder.h"
#include "core/catalog/catalog_records.h"
#include "core/store/project.h"

namespace orvane::Learning {

struct Match {
    FoundCatalog catalog;
    double overlap = 0;
    bool operator==(const Match&) const = default;
};

// Reads a user's catalog; Catalog::read(path, immutable = true) unless a test hands in its own.
using CatalogReader = std::function<std::vector<CatalogPhoto>(const std::filesystem::path&)>;
const CatalogReader& userCatalogReader();

// usable photos of the catalog whose path is a done photo of the project (counted as often as the
// catalog lists them) / the number of done photos. 0 without a done photo (nothing is read) or when
// the catalog cannot be read. Never throws.
double overlap(const Project& project, const std::filesystem::path& catalog,
               const CatalogReader& read = userCatalogReader());

// The candidates whose overlap is at least `minOverlap`, highest first; equal overlaps keep the given
// order. Catalogs are read in parallel; unreadable ones are left out. Never throws.
std::vector<Match> matches(const Project& project, const std::vector<FoundCatalog>& candidates, double minOverlap,
                           const CatalogReader& read = userCatalogReader());

}  // namespace orvane::Learning
