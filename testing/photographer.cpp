#include "testing/photographer.h"

#include <cmath>
#include <random>

#include "core/catalog/catalog_import.h"
#include "core/store/store.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"

namespace orvane::testing {
namespace fs = std::filesystem;

Photographer Photographer::standard() {
    Photographer p;
    p.events = {
        {"Botez la lumânări", 2700, -0.6, 3200, 1.0 / 60, 1.8},
        {"Nuntă în sală", 3400, -0.3, 1600, 1.0 / 100, 2.8},
        {"Concert", 4200, 0.4, 6400, 1.0 / 200, 2.0},
        {"Piață la prânz", 5400, 0.5, 100, 1.0 / 1000, 8},
        {"Portrete la umbră", 6800, -0.2, 400, 1.0 / 250, 4},
        {"Iarnă pe munte", 7800, 0.8, 100, 1.0 / 2000, 11},
    };
    return p;
}

double Photographer::exposureFor(double cameraError) const { return -cameraError + brighter; }

double Photographer::temperatureFor(double kelvin) const { return kelvin + warmth; }

namespace {

// Neutral reflectance of a scene at a normalised position: a soft gradient with a few discs, around 1.
SceneFn sceneOf(std::uint32_t seed, double level, std::array<double, 3> light) {
    std::mt19937 rng(seed);
    std::uniform_real_distribution<double> u(0.0, 1.0);
    struct Disc {
        double x, y, r, stops;
    };
    std::vector<Disc> discs;
    for (int i = 0; i < 3; ++i) discs.push_back({u(rng), u(rng), 0.08 + 0.2 * u(rng), -1.5 + 3 * u(rng)});
    const double tilt = -1 + 2 * u(rng);
    return [discs, tilt, level, light](int x, int y, int w, int h) {
        const double px = (x + 0.5) / w, py = (y + 0.5) / h;
        double stops = tilt * (px - 0.5) + 0.5 * (0.5 - py);
        for (const auto& d : discs)
            if (std::hypot(px - d.x, py - d.y) < d.r) stops += d.stops;
        const double v = level * std::exp2(stops);
        return std::array<double, 3>{v * light[0], v * light[1], v * light[2]};
    };
}

std::array<double, 3> neutralOf(double kelvin) {
    const auto xy = planckianXY(kelvin);
    return neutralForXY(xy[0], xy[1]);
}

std::string twoDigits(int v) { return (v < 10 ? "0" : "") + std::to_string(v); }

}  // namespace

std::vector<GeneratedEvent> generatePhotographer(const fs::path& folder, const Photographer& p) {
    std::vector<GeneratedEvent> out;
    const Date firstImport = *IsoDate::parse("2025-03-01T09:00:00Z");
    for (std::size_t e = 0; e < p.events.size(); ++e) {
        const PhotographerEvent& ev = p.events[e];
        std::mt19937 rng(p.seed * 7919u + static_cast<std::uint32_t>(e));
        std::uniform_real_distribution<double> u(-1.0, 1.0);
        GeneratedEvent g;
        g.userCatalog = folder / "Cataloage" / ("Eveniment " + std::to_string(e + 1)) / (ev.name + ".lrcat");
        fs::create_directories(g.userCatalog.parent_path());
        const std::string root = (folder / "Poze").string() + "/";
        const std::string sub = "eveniment-" + std::to_string(e + 1) + "/";
        {
            CatalogBuilder catalog(g.userCatalog);
            catalog.begin();
            for (int i = 0; i < p.photosPerEvent; ++i) {
                const double light = ev.kelvin * (1 + p.lightSpread * u(rng));
                const double cameraKelvin = light * (1 + p.whiteBalanceError * u(rng));
                const double cameraError = ev.meteringBias + p.meteringError * u(rng);
                const std::uint32_t sceneSeed = rng();

                DngSpec spec;
                spec.width = p.width;
                spec.height = p.height;
                // Settings change photo by photo around the event's, by up to two stops each, so they
                // tell little about the light.
                spec.iso = std::round(ev.iso * std::exp2(std::round(2 * u(rng))));
                spec.exposureTime = ev.shutter * std::exp2(std::round(2 * u(rng)));
                spec.fNumber = ev.aperture * std::exp2(std::round(2 * u(rng)) / 2);
                spec.asShotNeutral = neutralOf(cameraKelvin);
                spec.scene = sceneOf(sceneSeed, 0.18 * std::exp2(cameraError), neutralOf(light));
                const std::string base = "DSC_" + std::to_string(1000 + i);
                const fs::path raw = root + sub + base + ".dng";
                writeDng(raw, spec);
                g.raws.push_back(raw);

                const std::string settings = DevelopText()
                                                 .text("WhiteBalance", "Custom")
                                                 .number("Exposure2012", std::round(p.exposureFor(cameraError) * 100) / 100)
                                                 .number("Temperature", std::round(p.temperatureFor(light)))
                                                 .number("Tint", 0)
                                                 .str();
                const std::string captureTime = "2024-0" + std::to_string(1 + e % 9) + "-1" + std::to_string(e % 10) +
                                                "T" + twoDigits(10 + i / 60) + ":" + twoDigits(i % 60) + ":00";
                const auto ids = catalog.photo({.root = root, .folder = sub, .baseName = base, .extension = "dng",
                                                .fileFormat = "DNG", .captureTime = captureTime, .settings = settings});
                // Lightroom's first history step holds the photo's settings as imported.
                catalog.historyStep(ids.image, "Import", 700000000 + i, settings);
            }
            catalog.commit();
        }
        g.catalog = Catalog::importCatalog(g.userCatalog);
        g.catalog.imported = firstImport + std::chrono::seconds(static_cast<int>(e));
        Store::save(g.catalog, g.catalog.file());
        out.push_back(std::move(g));
    }
    return out;
}

const ProfileBuilder::Readers& facelessReaders() {
    static const ProfileBuilder::Readers readers = [] {
        ProfileBuilder::Readers r = ProfileBuilder::Readers::standard();
        r.skin = {};
        return r;
    }();
    return readers;
}

}  // namespace orvane::testing
