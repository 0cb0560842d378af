#pragma once
// Signed application folders. A folder carries Contents/CodeSignature/manifest.json, which lists every
// file below the folder (relative path, size, SHA-256, permission bits) with the application's
// identifier, version and program, and manifest.sig, a detached CMS signature over the exact manifest
// bytes that carries the signer's certificate chain. The signer's team is the leaf's subject OU.
#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace orvane {

// The root certificates a signature must reach. No time check is made against them: an installed
// copy stays valid after its certificates expire.
class TrustAnchors {
public:
    // The roots compiled into this build (the vendor's); empty when the build names none, and then
    // no folder is trusted.
    static const TrustAnchors& vendor();
    // One or more PEM certificates; throws std::invalid_argument when none can be read.
    static TrustAnchors fromPem(std::string pem);

    const std::string& pem() const { return pem_; }
    bool empty() const { return pem_.empty(); }

private:
    std::string pem_;
};

struct ManifestFile {
    std::string path;    // relative, "/"-separated, no "." or ".." parts
    std::uint64_t size = 0;
    std::string sha256;  // 64 lower-case hexadecimal digits
    std::uint32_t mode = 0;  // permission bits (st_mode & 07777)

    bool operator==(const ManifestFile&) const = default;
};

struct Manifest {
    std::string identifier;
    std::string version;
    std::string executable;  // the program to start, one of the files
    std::vector<ManifestFile> files;  // sorted by path, unique

    bool operator==(const Manifest&) const = default;
};

class CodeSignatureError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

namespace CodeSignature {

inline constexpr std::string_view manifestPath = "Contents/CodeSignature/manifest.json";
inline constexpr std::string_view signaturePath = "Contents/CodeSignature/manifest.sig";
// Manifests are small; anything larger is not one.
inline constexpr std::size_t maxManifestBytes = 16u << 20;

// Strict reading of a manifest; throws CodeSignatureError on anything malformed.
Manifest parseManifest(std::string_view bytes);
// Compact JSON with sorted keys and files; parseManifest reads it back unchanged.
std::string encodeManifest(const Manifest& manifest);

// The manifest of a folder as it is on disk (the signature files excluded). Throws
// CodeSignatureError for a symbolic link or a special file, std::system_error when unreadable.
Manifest describeFolder(const std::filesystem::path& folder, const std::string& identifier,
                        const std::string& version, const std::string& executable);

// Throws CodeSignatureError unless the folder holds exactly the listed files, each with its size,
// digest and mode, and no other entry (folders only as far as listed files need them).
void checkFolder(const std::filesystem::path& folder, const Manifest& manifest);

// Describes the folder and writes its manifest and signature. `keyPem` is the signer's private key,
// `certChainPem` the leaf certificate followed by any intermediates. Throws CodeSignatureError.
void sign(const std::filesystem::path& folder, const std::string& identifier, const std::string& version,
          const std::string& executable, const std::string& keyPem, const std::string& certChainPem);

struct Verified {
    std::string team;  // the leaf's subject OU
    Manifest manifest;
};

// Checks the signature over the manifest, the chain to one of `anchors` (leaf allowed to sign
// code), and the folder's contents against the manifest. Throws CodeSignatureError.
Verified verify(const std::filesystem::path& folder, const TrustAnchors& anchors);

}  // namespace CodeSignature

}  // namespace orvane
