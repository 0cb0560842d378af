#pragma once
// The outcome of delivering a project to Lightroom and the one line that tells the user about it.
#include <cstdint>
#include <string>
#include <variant>

namespace orvane::model {

struct LightroomExportResult {
    struct Catalog {
        std::int64_t written = 0;
        std::int64_t notFound = 0;
        double seconds = 0;
    };
    struct Xmp {
        std::int64_t created = 0;
        std::int64_t updated = 0;
        std::int64_t backups = 0;
        double seconds = 0;
    };
    std::variant<Catalog, Xmp> value;
};

// The summary line; the seconds always print with one decimal and a point, whatever the locale.
std::string exportSummaryText(const LightroomExportResult& result);

}  // namespace orvane::model
