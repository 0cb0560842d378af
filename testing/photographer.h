#pragma once
// Test support: a generated photographer. Each event is shot under its own light with a camera whose
// metering and white balance err from photo to photo; the photographer develops every photo the same
// way (the scene brought to a slightly bright exposure, the light's temperature plus some warmth).
// Every event is a small DNG raw per photo and a Lightroom catalog of their develop settings,
// imported into the data directory as the application imports catalogs.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "core/catalog/catalog_records.h"
#include "core/style/profile_builder.h"

namespace orvane::testing {

struct PhotographerEvent {
    std::string name;
    double kelvin = 5500;      // the light's colour temperature
    double meteringBias = 0;   // EV the camera's metering is off for this kind of scene
    double iso = 200;
    double shutter = 1.0 / 125;
    double aperture = 5.6;
};

struct Photographer {
    std::vector<PhotographerEvent> events;
    int photosPerEvent = 40;
    int width = 96;  // raw size in pixels
    int height = 64;
    double meteringError = 1.2;   // EV: the camera's exposure error is uniform within ±this around the bias
    double whiteBalanceError = 0.15;  // the camera's as-shot temperature is off by up to this fraction
    double lightSpread = 0.08;    // the light's temperature varies by up to this fraction within an event
    double brighter = 0.3;        // EV above the exposure that brings the scene to mid grey
    double warmth = 350;          // kelvin added to the light's temperature
    std::uint32_t seed = 1;

    // Six events from candle light to shade, indoors and out.
    static Photographer standard();

    // What the photographer sets for a photo whose camera erred by `meteringError` EV under `kelvin`.
    double exposureFor(double cameraError) const;
    double temperatureFor(double kelvin) const;
};

struct GeneratedEvent {
    TrainingCatalog catalog;                // imported and saved in the data directory
    std::filesystem::path userCatalog;      // the photographer's own catalog it was imported from
    std::vector<std::filesystem::path> raws;
};

// Writes every event's raws and catalog under `folder` and imports the catalogs (the first event
// imported first, one second apart, so the last one is the newest). Same photographer, same files.
std::vector<GeneratedEvent> generatePhotographer(const std::filesystem::path& folder, const Photographer& photographer);

// The standard readers without the face step: generated scenes hold no faces, and looking for them
// in every training photo would only make the tests slow.
const ProfileBuilder::Readers& facelessReaders();

}  // namespace orvane::testing
