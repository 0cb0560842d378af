#include "core/base/user_folders.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

#include "testing/temp_dir.h"

namespace orvane {
namespace {

using testing::ScopedEnv;

TEST(UserFolders, variableWhenAbsoluteElseBelowHome) {
    struct Case {
        const char* name;
        std::optional<std::string> xdg;
        const char* data;
        const char* config;
    };
    const Case cases[] = {
        {"set", "/x", "/x", "/x"},
        {"unset", std::nullopt, "/home/u/.local/share", "/home/u/.config"},
        {"empty", "", "/home/u/.local/share", "/home/u/.config"},
        {"relative", "rel/dir", "/home/u/.local/share", "/home/u/.config"},
    };
    ScopedEnv home("HOME", "/home/u");
    for (const Case& c : cases) {
        ScopedEnv data("XDG_DATA_HOME", c.xdg);
        ScopedEnv config("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(UserFolders::data(), c.data) << c.name;
        EXPECT_EQ(UserFolders::config(), c.config) << c.name;
    }
}

}  // namespace
}  // namespace orvane
