#include "core/base/path_text.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(PathText, lastComponent) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (const Case& c : {Case{"/a/b/IMG_1.CR3", "IMG_1.CR3"}, Case{"IMG_2.NEF", "IMG_2.NEF"},
                          Case{"/a/Nuntă/", "Nuntă"}, Case{"/a/b//", "b"}, Case{"/", "/"}, Case{"", ""}}) {
        EXPECT_EQ(PathText::lastComponent(c.path), c.expected) << c.path;
    }
}

TEST(PathText, lowerExtensionFoldsOnlyAsciiLetters) {
    struct Case {
        const char* path;
        const char* expected;
    };
    for (const Case& c : {Case{"/a/IMG.NEF", ".nef"}, Case{"x.Dng", ".dng"}, Case{"noext", ""},
                          Case{"/a.b/file", ""}, Case{"f.ÎNF", ".Înf"}, Case{".hidden", ""}}) {
        EXPECT_EQ(PathText::lowerExtension(c.path), c.expected) << c.path;
    }
}

}  // namespace
}  // namespace orvane
