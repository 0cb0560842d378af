#include "core/update/code_signature.h"

#include <openssl/bio.h>
#include <openssl/cms.h>
#include <openssl/err.h>
#include <openssl/pem.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>
#include <sys/stat.h>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <set>
#include <system_error>

#include "core/base/atomic_file.h"
#include "core/base/file_digest.h"

namespace orvane {

namespace fs = std::filesystem;
using JsonValue = nlohmann::json;

namespace {

const char kVendorRootPem[] =
#include "core/update/vendor_root.inc"
    ;

template <class T, void (*F)(T*)>
struct Deleter {
    void operator()(T* p) const { F(p); }
};
using Bio = std::unique_ptr<BIO, Deleter<BIO, BIO_free_all>>;
using Cms = std::unique_ptr<CMS_ContentInfo, Deleter<CMS_ContentInfo, CMS_ContentInfo_free>>;
using Cert = std::unique_ptr<X509, Deleter<X509, X509_free>>;
using Key = std::unique_ptr<EVP_PKEY, Deleter<EVP_PKEY, EVP_PKEY_free>>;
using Store = std::unique_ptr<X509_STORE, Deleter<X509_STORE, X509_STORE_free>>;
using StoreCtx = std::unique_ptr<X509_STORE_CTX, Deleter<X509_STORE_CTX, X509_STORE_CTX_free>>;
struct CertStackDeleter {
    void operator()(STACK_OF(X509) * s) const { sk_X509_pop_free(s, X509_free); }
};
using CertStack = std::unique_ptr<STACK_OF(X509), CertStackDeleter>;

[[noreturn]] void fail(const std::string& why) {
    ERR_clear_error();
    throw CodeSignatureError(why);
}

Bio memoryBio(std::string_view bytes) {
    Bio b(BIO_new_mem_buf(bytes.data(), static_cast<int>(bytes.size())));
    if (!b) fail("out of memory");
    return b;
}

std::vector<Cert> readCertificates(std::string_view pem) {
    std::vector<Cert> out;
    Bio bio = memoryBio(pem);
    while (X509* c = PEM_read_bio_X509(bio.get(), nullptr, nullptr, nullptr)) out.emplace_back(c);
    ERR_clear_error();  // the end of the text reads as an error
    return out;
}

std::string hex(const std::array<std::uint8_t, 32>& digest) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (auto b : digest) {
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

bool isSignatureFile(const std::string& rel) {
    return rel == CodeSignature::manifestPath || rel == CodeSignature::signaturePath;
}

bool validRelativePath(const std::string& p) {
    if (p.empty() || p.front() == '/' || p.back() == '/' || p.find('\0') != std::string::npos) return false;
    std::size_t start = 0;
    while (start <= p.size()) {
        const auto end = std::min(p.find('/', start), p.size());
        const auto part = std::string_view(p).substr(start, end - start);
        if (part.empty() || part == "." || part == "..") return false;
        start = end + 1;
    }
    return true;
}

struct DiskEntry {
    bool directory = false;
    struct stat st {};
};

// Every entry below `folder` by relative path; links and special files are refused here.
std::map<std::string, DiskEntry> walk(const fs::path& folder) {
    struct stat root {};
    if (::lstat(folder.c_str(), &root) != 0) throw std::system_error(errno, std::generic_category(), folder.string());
    if (!S_ISDIR(root.st_mode)) fail("the application is not a folder");
    std::map<std::string, DiskEntry> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, fs::directory_options::none, ec), end; it != end;
         it.increment(ec)) {
        if (ec) break;
        DiskEntry e;
        if (::lstat(it->path().c_str(), &e.st) != 0)
            throw std::system_error(errno, std::generic_category(), it->path().string());
        const std::string rel = it->path().lexically_relative(folder).generic_string();
        if (S_ISDIR(e.st.st_mode))
            e.directory = true;
        else if (!S_ISREG(e.st.st_mode))
            fail("not a plain file: " + rel);
        out.emplace(rel, e);
    }
    if (ec) throw std::system_error(ec, folder.string());
    return out;
}

std::string readSmallFile(const fs::path& file, std::size_t limit) {
    struct stat st {};
    if (::lstat(file.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) fail("missing: " + file.string());
    if (static_cast<std::uint64_t>(st.st_size) > limit) fail("too large: " + file.string());
    return readWholeFile(file);
}

}  // namespace

const TrustAnchors& TrustAnchors::vendor() {
    static const TrustAnchors anchors = [] {
        TrustAnchors a;
        if (!readCertificates(kVendorRootPem).empty()) a.pem_ = kVendorRootPem;
        return a;
    }();
    return anchors;
}

TrustAnchors TrustAnchors::fromPem(std::string pem) {
    if (readCertificates(pem).empty()) throw std::invalid_argument("no certificate in the trust anchors");
    TrustAnchors a;
    a.pem_ = std::move(pem);
    return a;
}

namespace CodeSignature {

Manifest parseManifest(std::string_view bytes) {
    if (bytes.size() > maxManifestBytes) fail("manifest too large");
    JsonValue j;
    try {
        j = JsonValue::parse(bytes);
    } catch (const JsonValue::exception&) {
        fail("manifest is not JSON");
    }
    if (!j.is_object()) fail("manifest is not an object");
    static const std::set<std::string> topKeys{"executable", "files", "identifier", "version"};
    for (const auto& [k, v] : j.items())
        if (!topKeys.count(k)) fail("unknown manifest key " + k);
    auto text = [&](const JsonValue& obj, const char* key) -> std::string {
        const auto it = obj.find(key);
        if (it == obj.end() || !it->is_string()) fail(std::string("manifest needs the text ") + key);
        return it->get<std::string>();
    };
    Manifest m;
    m.identifier = text(j, "identifier");
    m.version = text(j, "version");
    m.executable = text(j, "executable");
    if (m.identifier.empty() || m.version.empty()) fail("empty identifier or version");
    const auto files = j.find("files");
    if (files == j.end() || !files->is_array()) fail("manifest needs a file list");
    static const std::set<std::string> fileKeys{"mode", "path", "sha256", "size"};
    for (const auto& f : *files) {
        if (!f.is_object()) fail("file entry is not an object");
        for (const auto& [k, v] : f.items())
            if (!fileKeys.count(k)) fail("unknown file key " + k);
        ManifestFile e;
        e.path = text(f, "path");
        e.sha256 = text(f, "sha256");
        const auto size = f.find("size");
        const auto mode = f.find("mode");
        if (size == f.end() || !size->is_number_unsigned()) fail("file size missing");
        if (mode == f.end() || !mode->is_number_unsigned() || mode->get<std::uint64_t>() > 07777)
            fail("file mode missing or out of range");
        e.size = size->get<std::uint64_t>();
        e.mode = static_cast<std::uint32_t>(mode->get<std::uint64_t>());
        if (!validRelativePath(e.path) || e.path.starts_with("Contents/CodeSignature/"))
            fail("bad file path " + e.path);
        if (e.sha256.size() != 64 ||
            !std::all_of(e.sha256.begin(), e.sha256.end(),
                         [](char c) { return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'); }))
            fail("bad digest for " + e.path);
        if (!m.files.empty() && !(m.files.back().path < e.path)) fail("files not sorted or repeated");
        m.files.push_back(std::move(e));
    }
    const auto exe = std::find_if(m.files.begin(), m.files.end(),
                                  [&](const ManifestFile& f) { return f.path == m.executable; });
    if (exe == m.files.end() || (exe->mode & 0111) == 0) fail("the program is not a listed executable file");
    return m;
}

std::string encodeManifest(const Manifest& m) {
    JsonValue files = JsonValue::array();
    for (const auto& f : m.files)
        files.push_back({{"mode", f.mode}, {"path", f.path}, {"sha256", f.sha256}, {"size", f.size}});
    const JsonValue j{{"executable", m.executable}, {"files", std::move(files)}, {"identifier", m.identifier},
                 {"version", m.version}};
    return j.dump();
}

Manifest describeFolder(const fs::path& folder, const std::string& identifier, const std::string& version,
                        const std::string& executable) {
    Manifest m{identifier, version, executable, {}};
    for (const auto& [rel, e] : walk(folder)) {
        if (e.directory || isSignatureFile(rel)) continue;
        m.files.push_back({rel, static_cast<std::uint64_t>(e.st.st_size), hex(sha256File(folder / rel)),
                           static_cast<std::uint32_t>(e.st.st_mode & 07777)});
    }
    // The map is ordered by bytes, as the parser requires.
    return m;
}

void checkFolder(const fs::path& folder, const Manifest& manifest) {
    auto disk = walk(folder);
    std::set<std::string> neededFolders{"Contents", "Contents/CodeSignature"};
    for (const auto& f : manifest.files) {
        const auto it = disk.find(f.path);
        if (it == disk.end() || it->second.directory) fail("missing file " + f.path);
        const auto& st = it->second.st;
        if (static_cast<std::uint64_t>(st.st_size) != f.size || (st.st_mode & 07777) != f.mode)
            fail("changed file " + f.path);
        if (hex(sha256File(folder / f.path)) != f.sha256) fail("changed file " + f.path);
        for (auto p = fs::path(f.path).parent_path(); !p.empty(); p = p.parent_path())
            neededFolders.insert(p.generic_string());
        disk.erase(it);
    }
    for (const auto& [rel, e] : disk) {
        if (e.directory ? neededFolders.count(rel) != 0 : isSignatureFile(rel)) continue;
        fail("unlisted entry " + rel);
    }
}

void sign(const fs::path& folder, const std::string& identifier, const std::string& version,
          const std::string& executable, const std::string& keyPem, const std::string& certChainPem) {
    Bio keyBio = memoryBio(keyPem);
    Key key(PEM_read_bio_PrivateKey(keyBio.get(), nullptr, nullptr, nullptr));
    if (!key) fail("the signing key cannot be read");
    auto certs = readCertificates(certChainPem);
    if (certs.empty()) fail("the signing certificate cannot be read");
    CertStack extra(sk_X509_new_null());
    for (std::size_t i = 1; i < certs.size(); ++i) {
        if (!sk_X509_push(extra.get(), certs[i].get())) fail("out of memory");
        certs[i].release();
    }

    const Manifest manifest = describeFolder(folder, identifier, version, executable);
    const std::string bytes = encodeManifest(manifest);
    parseManifest(bytes);  // the program must be listed; refuse to sign what no one could install

    Bio data = memoryBio(bytes);
    Cms cms(CMS_sign(certs[0].get(), key.get(), extra.get(), data.get(), CMS_DETACHED | CMS_BINARY));
    if (!cms) fail("signing failed");
    Bio out(BIO_new(BIO_s_mem()));
    if (!out || i2d_CMS_bio(out.get(), cms.get()) != 1) fail("signing failed");
    char* p = nullptr;
    const long n = BIO_get_mem_data(out.get(), &p);
    const std::string signature(p, static_cast<std::size_t>(n));

    fs::create_directories(folder / "Contents/CodeSignature");
    writeFileAtomically(folder / manifestPath, bytes);
    writeFileAtomically(folder / signaturePath, signature);
}

Verified verify(const fs::path& folder, const TrustAnchors& anchors) {
    struct stat root {};
    if (::lstat(folder.c_str(), &root) != 0 || !S_ISDIR(root.st_mode)) fail("no application folder");
    const std::string bytes = readSmallFile(folder / manifestPath, maxManifestBytes);
    const std::string signature = readSmallFile(folder / signaturePath, 1u << 20);

    Bio sigBio = memoryBio(signature);
    Cms cms(d2i_CMS_bio(sigBio.get(), nullptr));
    if (!cms) fail("the signature cannot be read");
    if (sk_CMS_SignerInfo_num(CMS_get0_SignerInfos(cms.get())) != 1) fail("not exactly one signer");
    Bio data = memoryBio(bytes);
    // The signature over the bytes first; the chain is checked below with our own rules.
    if (CMS_verify(cms.get(), nullptr, nullptr, data.get(), nullptr, CMS_BINARY | CMS_NO_SIGNER_CERT_VERIFY) != 1)
        fail("the signature does not match the manifest");
    CertStack signers(CMS_get0_signers(cms.get()));
    // get0: the certificates belong to the CMS structure; only the stack is ours.
    struct Release {
        CertStack& s;
        ~Release() { sk_X509_free(s.release()); }
    } release{signers};
    if (!signers || sk_X509_num(signers.get()) != 1) fail("no signer certificate");
    X509* leaf = sk_X509_value(signers.get(), 0);

    if (anchors.empty()) fail("this build trusts no signer");
    Store store(X509_STORE_new());
    if (!store) fail("out of memory");
    for (auto& c : readCertificates(anchors.pem()))
        if (X509_STORE_add_cert(store.get(), c.get()) != 1) fail("bad trust anchor");
    X509_STORE_set_flags(store.get(), X509_V_FLAG_NO_CHECK_TIME);
    CertStack carried(CMS_get1_certs(cms.get()));
    StoreCtx ctx(X509_STORE_CTX_new());
    if (!ctx || X509_STORE_CTX_init(ctx.get(), store.get(), leaf, carried.get()) != 1) fail("out of memory");
    if (X509_verify_cert(ctx.get()) != 1) fail("the signer does not reach a trusted root");
    if (!(X509_get_extension_flags(leaf) & EXFLAG_XKUSAGE) || !(X509_get_extended_key_usage(leaf) & XKU_CODE_SIGN))
        fail("the signer may not sign code");

    const X509_NAME* subject = X509_get_subject_name(leaf);
    const int ou = X509_NAME_get_index_by_NID(subject, NID_organizationalUnitName, -1);
    if (ou < 0 || X509_NAME_get_index_by_NID(subject, NID_organizationalUnitName, ou) >= 0)
        fail("the signer names no single team");
    unsigned char* utf8 = nullptr;
    const int len = ASN1_STRING_to_UTF8(&utf8, X509_NAME_ENTRY_get_data(X509_NAME_get_entry(subject, ou)));
    if (len < 0) fail("the team cannot be read");
    Verified v;
    v.team.assign(reinterpret_cast<const char*>(utf8), static_cast<std::size_t>(len));
    OPENSSL_free(utf8);
    if (v.team.find('\0') != std::string::npos) fail("the team cannot be read");

    v.manifest = parseManifest(bytes);
    checkFolder(folder, v.manifest);
    return v;
}

}  // namespace CodeSignature

}  // namespace orvane
