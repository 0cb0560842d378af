#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

// The core links into the command-line helper too: it must never pull in Qt.
TEST(CoreLibrary, includesNoQtHeader) {
    const std::filesystem::path core = std::filesystem::path(ORVANE_SOURCE_DIR) / "core";
    const std::regex qtInclude(R"(^\s*#\s*include\s*[<"](Qt[A-Za-z]*/|Q[A-Z][A-Za-z]*[>"]))");
    std::size_t files = 0;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(core)) {
        const auto ext = entry.path().extension();
        if (ext != ".h" && ext != ".cpp") continue;
        ++files;
        std::ifstream in(entry.path());
        std::string line;
        int number = 0;
        while (std::getline(in, line)) {
            ++number;
            EXPECT_FALSE(std::regex_search(line, qtInclude)) << entry.path() << ":" << number << ": " << line;
        }
    }
    EXPECT_GT(files, 0u);
}
