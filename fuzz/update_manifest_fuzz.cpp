// The manifest of a signed application folder: read from a downloaded update before anything trusts it.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "core/update/code_signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    try {
        const auto manifest = orvane::CodeSignature::parseManifest(text);
        // What parses must write back to the same record.
        if (orvane::CodeSignature::parseManifest(orvane::CodeSignature::encodeManifest(manifest)) != manifest)
            __builtin_trap();
    } catch (const orvane::CodeSignatureError&) {
    }
    return 0;
}
