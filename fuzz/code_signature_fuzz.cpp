// The code-signature check of an application folder, as the updater and the update helper run it on
// a downloaded copy: the input is the trusted root (PEM), the folder's manifest, its detached
// signature and the one program file, in that order (fuzz::parts). The seeds are a folder signed by
// a root they carry, so the fuzzer starts past the signature; the manifest's folder check also runs
// on its own, as a changed manifest no longer matches its signature.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>

#include "core/update/code_signature.h"
#include "fuzz/fuzz_support.h"

using namespace orvane;
namespace fs = std::filesystem;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto files = fuzz::parts(data, size, 4);
    const fs::path folder = fuzz::scratchFolder() / "Vendrel.app";
    std::error_code ec;
    fs::remove_all(folder, ec);
    fuzz::writeFile(folder / CodeSignature::manifestPath, files[1]);
    fuzz::writeFile(folder / CodeSignature::signaturePath, files[2]);
    fuzz::writeFile(folder / "Contents/bin/vendrel", files[3]);
    fs::permissions(folder / "Contents/bin/vendrel", fs::perms(0755), ec);
    TrustAnchors anchors;
    try {
        anchors = TrustAnchors::fromPem(std::string(files[0]));
    } catch (const std::invalid_argument&) {
    }
    try {
        (void)CodeSignature::verify(folder, anchors);
    } catch (const CodeSignatureError&) {
    } catch (const std::system_error&) {
    }
    try {
        CodeSignature::checkFolder(folder, CodeSignature::parseManifest(files[1]));
    } catch (const CodeSignatureError&) {
    } catch (const std::system_error&) {
    }
    return 0;
}
