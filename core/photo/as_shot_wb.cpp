#include "core/photo/as_shot_wb.h"

#include "core/photo/raw_image.h"

namespace orvane {

std::optional<Matrix3> invert3(const Matrix3&) { return std::nullopt; }
std::optional<AsShotWB> temperatureAndTint(double, double) { return std::nullopt; }
std::optional<AsShotWB> asShotFromCamera(const std::array<float, 3>&, const float[][3]) { return std::nullopt; }
std::optional<AsShotWB> readAsShot(const std::filesystem::path&) { throw RawError(-2, "not yet"); }

}  // namespace orvane
