#pragma once
// Test support: a certificate hierarchy for signed application folders and for a loopback HTTPS
// server. Root → team CA → code-signing leaves (the team is the leaf's OU); an ad-hoc leaf signs
// itself; the server certificate names 127.0.0.1. Only tests trust this root.
#include <filesystem>
#include <string>

namespace orvane::testing {

struct TestSigner {
    std::string keyPem;
    std::string chainPem;  // leaf first, then the team CA
};

struct TestPki {
    std::string rootPem;
    std::string caKeyPem;   // the team CA that issues leaves
    std::string caCertPem;
    TestSigner team;        // OU "TEAMTEST01"
    TestSigner otherTeam;   // OU "OTHERTEAM2"
    TestSigner adHoc;       // OU "TEAMTEST01", self-signed
    std::string serverKeyPem;
    std::string serverCertPem;  // for IP 127.0.0.1, issued by the root
};

// A fresh hierarchy (P-256 keys, valid from yesterday for ten years).
TestPki makeTestPki();
// The same hierarchy for the whole test process.
const TestPki& testPki();
// A code-signing leaf with any OU, issued by the team CA of `pki`.
TestSigner makeLeaf(const TestPki& pki, const std::string& team);

// Writes the hierarchy as PEM files into `folder` (root.pem, ca.key, ca.pem, team.key, team.pem, ...)
// and reads it back.
void writeTestPki(const TestPki& pki, const std::filesystem::path& folder);
TestPki readTestPki(const std::filesystem::path& folder);

}  // namespace orvane::testing
