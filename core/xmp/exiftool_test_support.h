#pragma once
// Test support: exiftool as an independent reader of written sidecars (the tests skip without it).
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sys/wait.h>
#include <unistd.h>

#include <cctype>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "core/base/numbers.h"

namespace orvane::testing {

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

// exiftool names a few crs tags differently and types the values it knows.
inline void expectSameValue(const nlohmann::json& record, const std::string& key, const std::string& text) {
    const std::string tag = key == "Temperature" ? "ColorTemperature" : key;
    ASSERT_TRUE(record.contains(tag)) << key << " missing in " << record.dump();
    const auto& v = record[tag];
    if (v.is_string()) {
        EXPECT_EQ(v.get<std::string>(), text) << key;
    } else if (v.is_boolean()) {
        std::string lower = text;
        for (auto& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(v.get<bool>() ? "true" : "false", lower) << key;
    } else {
        std::string_view digits = text;
        if (!digits.empty() && digits[0] == '+') digits.remove_prefix(1);
        auto parsed = Numbers::parseDouble(digits);
        ASSERT_TRUE(parsed) << key << " = " << text;
        EXPECT_DOUBLE_EQ(v.get<double>(), *parsed) << key;
    }
}

}  // namespace orvane::testing
