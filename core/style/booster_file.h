#pragma once
// The check a booster file passes before XGBoost reads it. XGBoost 1.7's UBJ reader believes every
// length in the file (a 12-byte file makes it read past its buffer, a count makes it allocate
// gigabytes), and its loader and predictor believe the trees' node links and feature indexes. So a
// file from outside is walked here first, every length kept within the buffer, nesting and sizes
// capped, and the values those later steps index with are checked against what they index.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace orvane::BoosterFile {

// Limits beyond anything a model of ours reaches.
inline constexpr std::size_t maxBytes = std::size_t{64} << 20;
inline constexpr int maxNesting = 32;
inline constexpr std::size_t maxValues = std::size_t{1} << 20;          // values outside typed arrays
inline constexpr std::size_t maxTypedElements = std::size_t{1} << 24;   // elements of typed arrays
inline constexpr std::int64_t maxFeatures = 1 << 20;
inline constexpr int maxTreeDepth = 256;

// Nothing when `bytes` is a gradient-boosted tree model in the UBJ form XGBoost writes that its reader,
// loader and predictor can take safely; otherwise the reason, as a phrase for the user.
std::optional<std::string> problem(std::string_view bytes);

}  // namespace orvane::BoosterFile
