#include "core/photo/raw_image.h"

namespace orvane {

double RawImage::displayAspect() const {
    if (h <= 0 || w <= 0) return 0;
    return (flip == 5 || flip == 6) ? double(h) / w : double(w) / h;
}

RawError::RawError(std::int32_t code, std::string message)
    : std::runtime_error("LibRaw " + std::to_string(code) + ": " + message), code_(code), message_(std::move(message)) {}

RawError RawError::fromLibRaw(int code) { return RawError(code, "not yet"); }

RawImage loadRaw(const std::filesystem::path&, bool) { throw RawError(-2, "not yet"); }
std::optional<float> readISO(const std::filesystem::path&) { return std::nullopt; }
int readFlip(const std::filesystem::path&) { return 0; }
double readDisplayAspect(const std::filesystem::path&) { throw RawError(-2, "not yet"); }

}  // namespace orvane
