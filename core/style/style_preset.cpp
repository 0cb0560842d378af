#include "core/style/style_preset.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <map>

#include "core/base/atomic_file.h"
#include "core/base/numbers.h"
#include "core/base/uuid.h"
#include "core/catalog/catalog.h"
#include "core/style/model.h"

namespace orvane::StylePreset {

namespace fs = std::filesystem;

namespace {

std::vector<CatalogPhoto> readAll(const std::vector<fs::path>& files, bool immutable) {
    std::vector<CatalogPhoto> photos;
    for (const auto& file : files) {
        try {
            auto more = Catalog::read(file, immutable);
            photos.insert(photos.end(), std::make_move_iterator(more.begin()), std::make_move_iterator(more.end()));
        } catch (const std::exception&) {
            // An unreadable catalog simply offers no photos.
        }
    }
    return photos;
}

// Only what an attribute value between double quotes needs; the rest is written as it is.
std::string escaped(const std::string& name) {
    std::string out;
    out.reserve(name.size());
    for (const char c : name) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '"': out += "&quot;"; break;
            case '<': out += "&lt;"; break;
            default: out += c;
        }
    }
    return out;
}

}  // namespace

BuildError::BuildError(Code code)
    : std::runtime_error(
          "Cataloagele alese au prea puține fotografii editate pentru a crea un preset (minim 20). Încarcă un preset "
          "sau adaugă cataloage."),
      code_(code) {}

fs::path build(const std::vector<TrainingCatalog>& catalogs, const std::string& name) {
    std::vector<fs::path> files;
    files.reserve(catalogs.size());
    for (const auto& c : catalogs) files.push_back(c.lrcat());
    return build(readAll(files, false), name);
}

fs::path buildFromCatalogFiles(const std::vector<fs::path>& catalogs, const std::string& name) {
    return build(readAll(catalogs, true), name);
}

std::string document(const std::vector<CatalogPhoto>& photos, const std::string& name) {
    std::size_t usable = 0;
    std::map<std::string, std::vector<double>, std::less<>> values;
    for (const auto& photo : photos) {
        if (!photo.usable()) continue;
        ++usable;
        if (!photo.extras) continue;
        // A value that is not a number has no place in a median (and would break the sort).
        for (const auto& [key, value] : *photo.extras) {
            if (std::isfinite(value)) values[key].push_back(value);
        }
    }
    if (usable < minimumPhotos) throw BuildError(BuildError::Code::tooFew);

    std::string settings;
    for (const auto& key : Model::extraKeys()) {
        const auto it = values.find(key);
        if (it == values.end() || it->second.empty()) continue;
        auto& list = it->second;
        std::sort(list.begin(), list.end());
        // The upper middle value for an even count: no averaging.
        const double median = list[list.size() / 2];
        // Halves away from zero; the clamp only keeps an absurd catalog value inside the integer.
        const auto whole = static_cast<std::int64_t>(std::clamp(std::round(median), -1e15, 1e15));
        settings += " crs:" + key + "=\"" + Numbers::signedInteger(whole) + "\"";
    }

    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">"
           "<rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
           "<rdf:Description rdf:about=\"\" xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/1.0/\""
           " crs:PresetType=\"Normal\" crs:Name=\"" +
           escaped(name) + "\" crs:ProcessVersion=\"11.0\" crs:HasSettings=\"True\"" + settings +
           "/></rdf:RDF></x:xmpmeta>";
}

fs::path build(const std::vector<CatalogPhoto>& photos, const std::string& name) {
    const std::string text = document(photos, name);
    const fs::path file = fs::temp_directory_path() / ("stilul-meu-" + Uuid::random().text() + ".xmp");
    writeNewFileAtomically(file, text);
    return file;
}

}  // namespace orvane::StylePreset
