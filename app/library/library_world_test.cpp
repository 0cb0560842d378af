// The shared fixtures of the library tests (built into the test program only).
#include "app/library/library_world.h"

#include "core/store/store.h"

namespace orvane::library::testing {

namespace {
Date day(int ageDays) {
    return Date(std::chrono::sys_days(std::chrono::year(2026) / 12 / 1)) - std::chrono::days(ageDays);
}
}  // namespace

void LibraryWorld::save(const TrainingCatalog& c) {
    std::filesystem::create_directories(c.dir());
    Store::save(c, c.file());
}

FoundCatalog found(const std::string& path, int ageDays) { return FoundCatalog{path, 1000, day(ageDays)}; }

TrainingCatalog libraryCatalog(const std::string& name, std::int64_t usable, std::int64_t rawMissing, int ageDays,
                               const std::string& source) {
    TrainingCatalog c;
    c.id = Uuid::random();
    c.name = name;
    c.source = source.empty() ? "/u/" + name + ".lrcat" : source;
    c.imported = day(ageDays);
    c.photos = usable + rawMissing + 10;
    c.usable = usable;
    c.rawMissing = rawMissing;
    return c;
}

Profile profileNamed(const std::string& name, std::vector<Uuid> catalogs) {
    Profile p;
    p.id = Uuid::random();
    p.name = name;
    p.presetName = "Neutru";
    p.catalogIDs = std::move(catalogs);
    return p;
}

}  // namespace orvane::library::testing
