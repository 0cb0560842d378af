#pragma once
// Shared by the preset, merge and writer tests only.
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>

#include "core/xmp/develop_preset.h"
#include "testing/romanian_locale.h"

namespace orvane::testing {

inline const std::string kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline const std::string kCrs = "http://ns.adobe.com/camera-raw-settings/1.0/";

inline DevelopPreset presetFrom(const std::string& text, const std::string& file = "Test.xmp") {
    return DevelopPreset::parse(text, file);
}

inline DevelopPreset neutralPreset() { return presetFrom(DevelopPreset::neutralXMP(), "Neutru.xmp"); }

// A preset with the settings description written the way presets usually are.
inline std::string presetText(const std::string& attributes, const std::string& children = "") {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
           "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\" " + attributes + ">" + children +
           "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

// ---- an independent reader ----

inline std::optional<std::string> exiftoolPath() {
    for (const char* p : {"/usr/bin/exiftool", "/usr/local/bin/exiftool"})
        if (::access(p, X_OK) == 0) return std::string(p);
    return std::nullopt;
}

// Runs exiftool on one file and returns its JSON record of the Camera Raw tags.
// `structured` keeps nested structures (the mask group) as JSON objects instead of flat tag lists.
inline nlohmann::json exiftool(const std::string& program, const std::filesystem::path& file, bool structured = false) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], 1);
        ::close(fds[0]);
        ::close(fds[1]);
        if (structured)
            ::execl(program.c_str(), "exiftool", "-j", "-struct", "-XMP-crs:all", file.c_str(), (char*)nullptr);
        ::execl(program.c_str(), "exiftool", "-j", "-XMP-crs:all", "-XMP-xmp:all", file.c_str(), (char*)nullptr);
        ::_exit(127);
    }
    ::close(fds[1]);
    std::string out;
    char buf[4096];
    ssize_t n;
    while ((n = ::read(fds[0], buf, sizeof buf)) > 0) out.append(buf, static_cast<std::size_t>(n));
    ::close(fds[0]);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {};
    auto j = nlohmann::json::parse(out, nullptr, false);
    if (!j.is_array() || j.empty()) return {};
    return j[0];
}

}  // namespace orvane::testing
