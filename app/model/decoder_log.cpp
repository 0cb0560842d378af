#include "app/model/decoder_log.h"

#include <QtGlobal>

#include "core/photo/raw_image.h"
#include "core/xmp/exporter.h"

namespace orvane {

void logDecoderDetails(const std::exception_ptr& error, const std::string& file) {
    if (!error) return;
    try {
        std::rethrow_exception(error);
    } catch (const RawError& e) {
        qWarning("%s: %s", file.c_str(), e.details().c_str());
    } catch (const ExportError& e) {
        logDecoderDetails(e.cause(), e.file());
    } catch (...) {
    }
}

}  // namespace orvane
