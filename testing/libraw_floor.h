#pragma once
// The bare LibRaw decode the benchmarks compare against: open, unpack, half-size process with the
// pipeline's output settings and the memory image, nothing of ours around it. Its handle is the one
// loadRaw opens, so OpenMP is limited the same way on both sides, on whatever thread runs it.
#include <filesystem>

namespace orvane::testing {

void bareLibRawDecode(const std::filesystem::path& file);

}  // namespace orvane::testing
