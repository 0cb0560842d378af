#include "app/model/lightroom_export.h"

#include <charconv>

namespace orvane::model {

namespace {

std::string oneDecimal(double seconds) {
    char buffer[64];
    const auto [end, ec] = std::to_chars(buffer, buffer + sizeof buffer, seconds, std::chars_format::fixed, 1);
    return ec == std::errc() ? std::string(buffer, end) : std::string("0.0");
}

}  // namespace

std::string exportSummaryText(const LightroomExportResult& result) {
    if (const auto* c = std::get_if<LightroomExportResult::Catalog>(&result.value)) {
        std::string line = std::to_string(c->written) + " fotografii scrise în catalog";
        if (c->notFound >= 1) line += ", " + std::to_string(c->notFound) + " negăsite în catalog";
        return line + " în " + oneDecimal(c->seconds) +
               " s. Copie de siguranță făcută (Setări → Copii de siguranță).";
    }
    const auto& x = std::get<LightroomExportResult::Xmp>(result.value);
    std::string line;
    if (x.created != 0 && x.updated != 0)
        line = std::to_string(x.created) + " XMP noi, " + std::to_string(x.updated) + " actualizate";
    else if (x.created != 0)
        line = std::to_string(x.created) + " XMP-uri scrise";
    else
        line = std::to_string(x.updated) + " XMP-uri actualizate";
    if (x.backups >= 1) line += ", " + std::to_string(x.backups) + " backup-uri";
    return line + " în " + oneDecimal(x.seconds) + " s.";
}

}  // namespace orvane::model
