#pragma once
// A project made of the photos of a generated Lightroom catalog, for tests of the delivery to a catalog.
#include <filesystem>
#include <string>

#include "core/store/project.h"
#include "testing/catalog_builder.h"
#include "testing/job_fixtures.h"

namespace orvane::testing {

// A new catalog at `catalog` of `photos` photos with realistic develop settings (IMG_<first>, …), and a
// project made of them, every photo done (exposure 0.3, 5400 K, tint 4), whose catalog it is.
inline Project catalogProject(const std::filesystem::path& catalog, int photos, int first = 1000) {
    Project p = projectWith(0, 0);
    CatalogBuilder b(catalog);
    b.begin();
    for (int i = 0; i < photos; ++i) {
        CatalogBuilder::Photo photo;
        photo.baseName = "IMG_" + std::to_string(first + i);
        photo.settings = realisticDevelopText(static_cast<std::uint64_t>(i + 1));
        b.photo(photo);
        PhotoItem item(photo.root + photo.folder + photo.baseName + "." + photo.extension);
        item.status = PhotoItem::Status::done;
        item.exposure = 0.3;
        item.temperature = 5400;
        item.asShotTint = 4;
        p.photos.push_back(item);
    }
    b.commit();
    p.catalogPath = catalog.string();
    return p;
}

}  // namespace orvane::testing
