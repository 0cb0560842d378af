#include "testing/debian_raw.h"

#include <zlib.h>

#include <fstream>
#include <vector>

namespace orvane::testing {

std::optional<std::filesystem::path> debianCameraRaw(const TempDir& dir) {
    const std::filesystem::path plain = "/usr/share/doc/rawtran/IMG_5952.CR2";
    std::error_code ec;
    if (std::filesystem::is_regular_file(plain, ec)) return plain;
    const std::filesystem::path packed = "/usr/share/doc/rawtran/IMG_5952.CR2.gz";
    if (!std::filesystem::is_regular_file(packed, ec)) return std::nullopt;
    gzFile in = gzopen(packed.c_str(), "rb");
    if (!in) return std::nullopt;
    auto out = dir / "IMG_5952.CR2";
    std::ofstream o(out, std::ios::binary | std::ios::trunc);
    std::vector<char> buf(1 << 16);
    int n;
    while ((n = gzread(in, buf.data(), unsigned(buf.size()))) > 0) o.write(buf.data(), n);
    bool ok = n == 0 && bool(o);
    gzclose(in);
    if (!ok) return std::nullopt;
    return out;
}

}  // namespace orvane::testing
