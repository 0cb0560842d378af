#include "testing/update_pki.h"

#include <openssl/bio.h>
#include <openssl/evp.h>
#include <openssl/pem.h>
#include <openssl/rand.h>
#include <openssl/x509.h>
#include <openssl/x509v3.h>

#include <memory>
#include <stdexcept>
#include <utility>
#include <vector>

#include "core/base/atomic_file.h"

namespace orvane::testing {

namespace {

struct KeyFree {
    void operator()(EVP_PKEY* k) const { EVP_PKEY_free(k); }
};
struct CertFree {
    void operator()(X509* c) const { X509_free(c); }
};
using Key = std::unique_ptr<EVP_PKEY, KeyFree>;
using Cert = std::unique_ptr<X509, CertFree>;

void check(bool ok, const char* what) {
    if (!ok) throw std::runtime_error(std::string("test PKI: ") + what);
}

Key newKey() {
    Key k(EVP_EC_gen("P-256"));
    check(k != nullptr, "key");
    return k;
}

std::string pemOf(X509* c) {
    std::unique_ptr<BIO, decltype(&BIO_free)> b(BIO_new(BIO_s_mem()), BIO_free);
    check(PEM_write_bio_X509(b.get(), c) == 1, "write cert");
    char* p = nullptr;
    const long n = BIO_get_mem_data(b.get(), &p);
    return std::string(p, static_cast<std::size_t>(n));
}

std::string pemOf(EVP_PKEY* k) {
    std::unique_ptr<BIO, decltype(&BIO_free)> b(BIO_new(BIO_s_mem()), BIO_free);
    check(PEM_write_bio_PrivateKey(b.get(), k, nullptr, nullptr, 0, nullptr, nullptr) == 1, "write key");
    char* p = nullptr;
    const long n = BIO_get_mem_data(b.get(), &p);
    return std::string(p, static_cast<std::size_t>(n));
}

Key readKey(const std::string& pem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> b(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    Key k(PEM_read_bio_PrivateKey(b.get(), nullptr, nullptr, nullptr));
    check(k != nullptr, "read key");
    return k;
}

Cert readCert(const std::string& pem) {
    std::unique_ptr<BIO, decltype(&BIO_free)> b(BIO_new_mem_buf(pem.data(), static_cast<int>(pem.size())), BIO_free);
    Cert c(PEM_read_bio_X509(b.get(), nullptr, nullptr, nullptr));
    check(c != nullptr, "read cert");
    return c;
}

// `issuer` null: self-signed.
Cert makeCert(EVP_PKEY* key, const std::string& cn, const std::string& ou, X509* issuer, EVP_PKEY* issuerKey,
              const std::vector<std::pair<int, std::string>>& extensions) {
    Cert c(X509_new());
    check(c != nullptr, "cert");
    X509_set_version(c.get(), 2);
    unsigned char serial[16];
    RAND_bytes(serial, sizeof serial);
    serial[0] &= 0x7f;
    BIGNUM* bn = BN_bin2bn(serial, sizeof serial, nullptr);
    BN_to_ASN1_INTEGER(bn, X509_get_serialNumber(c.get()));
    BN_free(bn);
    X509_gmtime_adj(X509_getm_notBefore(c.get()), -86400);
    X509_gmtime_adj(X509_getm_notAfter(c.get()), 86400L * 3650);
    X509_NAME* name = X509_get_subject_name(c.get());
    X509_NAME_add_entry_by_txt(name, "O", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>("Orvane Test"), -1, -1, 0);
    if (!ou.empty())
        X509_NAME_add_entry_by_txt(name, "OU", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(ou.c_str()), -1, -1, 0);
    X509_NAME_add_entry_by_txt(name, "CN", MBSTRING_UTF8, reinterpret_cast<const unsigned char*>(cn.c_str()), -1, -1, 0);
    check(X509_set_issuer_name(c.get(), issuer ? X509_get_subject_name(issuer) : name) == 1, "issuer");
    check(X509_set_pubkey(c.get(), key) == 1, "pubkey");
    X509V3_CTX ctx;
    X509V3_set_ctx_nodb(&ctx);
    X509V3_set_ctx(&ctx, issuer ? issuer : c.get(), c.get(), nullptr, nullptr, 0);
    auto all = extensions;
    all.emplace_back(NID_subject_key_identifier, "hash");
    if (issuer) all.emplace_back(NID_authority_key_identifier, "keyid:always");
    for (const auto& [nid, value] : all) {
        X509_EXTENSION* ext = X509V3_EXT_conf_nid(nullptr, &ctx, nid, value.c_str());
        check(ext != nullptr, "extension");
        X509_add_ext(c.get(), ext, -1);
        X509_EXTENSION_free(ext);
    }
    check(X509_sign(c.get(), issuerKey ? issuerKey : key, EVP_sha256()) > 0, "sign");
    return c;
}

const std::vector<std::pair<int, std::string>> kCa{{NID_basic_constraints, "critical,CA:TRUE"},
                                                   {NID_key_usage, "critical,keyCertSign,cRLSign"}};
const std::vector<std::pair<int, std::string>> kLeaf{{NID_basic_constraints, "critical,CA:FALSE"},
                                                     {NID_key_usage, "critical,digitalSignature"},
                                                     {NID_ext_key_usage, "codeSigning"}};

const char* const kFiles[] = {"root.pem",  "ca.key",    "ca.pem",     "team.key",   "team.pem",  "other.key",
                              "other.pem", "adhoc.key", "adhoc.pem", "server.key", "server.pem"};

std::vector<std::string*> fields(TestPki& p) {
    return {&p.rootPem,        &p.caKeyPem,           &p.caCertPem,     &p.team.keyPem,
            &p.team.chainPem,  &p.otherTeam.keyPem,   &p.otherTeam.chainPem, &p.adHoc.keyPem,
            &p.adHoc.chainPem, &p.serverKeyPem,       &p.serverCertPem};
}

}  // namespace

TestSigner makeLeaf(const TestPki& pki, const std::string& team) {
    Key caKey = readKey(pki.caKeyPem);
    Cert ca = readCert(pki.caCertPem);
    Key key = newKey();
    Cert leaf = makeCert(key.get(), "Signer " + team, team, ca.get(), caKey.get(), kLeaf);
    return {pemOf(key.get()), pemOf(leaf.get()) + pki.caCertPem};
}

TestPki makeTestPki() {
    TestPki p;
    Key rootKey = newKey();
    Cert root = makeCert(rootKey.get(), "Orvane Test Root", "", nullptr, nullptr, kCa);
    p.rootPem = pemOf(root.get());
    Key caKey = newKey();
    Cert ca = makeCert(caKey.get(), "Orvane Test Developer CA", "", root.get(), rootKey.get(), kCa);
    p.caKeyPem = pemOf(caKey.get());
    p.caCertPem = pemOf(ca.get());
    p.team = makeLeaf(p, "TEAMTEST01");
    p.otherTeam = makeLeaf(p, "OTHERTEAM2");
    Key adHocKey = newKey();
    Cert adHoc = makeCert(adHocKey.get(), "Ad-hoc", "TEAMTEST01", nullptr, nullptr, kLeaf);
    p.adHoc = {pemOf(adHocKey.get()), pemOf(adHoc.get())};
    Key serverKey = newKey();
    Cert server = makeCert(serverKey.get(), "127.0.0.1", "", root.get(), rootKey.get(),
                           {{NID_basic_constraints, "critical,CA:FALSE"},
                            {NID_key_usage, "critical,digitalSignature"},
                            {NID_ext_key_usage, "serverAuth"},
                            {NID_subject_alt_name, "IP:127.0.0.1"}});
    p.serverKeyPem = pemOf(serverKey.get());
    p.serverCertPem = pemOf(server.get());
    return p;
}

const TestPki& testPki() {
    static const TestPki pki = makeTestPki();
    return pki;
}

void writeTestPki(const TestPki& pki, const std::filesystem::path& folder) {
    std::filesystem::create_directories(folder);
    TestPki copy = pki;
    const auto f = fields(copy);
    for (std::size_t i = 0; i < f.size(); ++i) writeFileAtomically(folder / kFiles[i], *f[i]);
}

TestPki readTestPki(const std::filesystem::path& folder) {
    TestPki p;
    const auto f = fields(p);
    for (std::size_t i = 0; i < f.size(); ++i) *f[i] = readWholeFile(folder / kFiles[i]);
    return p;
}

}  // namespace orvane::testing
