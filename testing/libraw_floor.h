#pragma once
// The bare LibRaw decode the benchmarks compare against: open, unpack, half-size process with the
// pipeline's output settings, and (optionally) the memory image; nothing of ours around it.
#include <filesystem>

namespace orvane::testing {

void bareLibRawDecode(const std::filesystem::path& file, bool makeMemoryImage);

}  // namespace orvane::testing
