#include "core/base/zip_extract.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include "testing/temp_dir.h"
#include "testing/update_fixtures.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using Kind = ZipExtract::Error::Kind;

std::optional<Kind> refusal(const fs::path& archive, const fs::path& into, const ZipExtract::Options& o) {
    try {
        ZipExtract::extract(archive, into, o);
        return std::nullopt;
    } catch (const ZipExtract::Error& e) {
        return e.kind();
    }
}

TEST(ZipExtract, LimitsOnEntriesAndUnpackedBytes) {
    testing::TempDir dir;
    const fs::path zip = dir / "a.zip";
    // Highly compressible: the archive is small, what it unpacks to is not.
    testing::writeZip(zip, {{"a/", "", 040755}, {"a/one", std::string(4000, '0')}, {"a/two", std::string(4000, '0')}});
    struct Case {
        const char* name;
        ZipExtract::Options options;
        std::optional<Kind> result;
    };
    const Case cases[] = {
        {"within both", {3, 8000, false}, std::nullopt},
        {"one entry too many", {2, 8000, false}, Kind::refused},
        {"one byte too many", {3, 7999, false}, Kind::refused},
    };
    for (const auto& c : cases) {
        const fs::path into = dir / c.name;
        fs::create_directories(into);
        EXPECT_EQ(refusal(zip, into, c.options), c.result) << c.name;
        if (c.result) {
            EXPECT_TRUE(fs::is_empty(into)) << c.name << ": a refused archive writes nothing";
        }
    }
    const fs::path notZip = dir / "not.zip";
    testing::writeText(notZip, "not an archive");
    EXPECT_EQ(refusal(notZip, dir.path(), {}), Kind::unreadable);
}

TEST(ZipExtract, PermissionBitsOnlyWhenAsked) {
    testing::TempDir dir;
    const fs::path zip = dir / "a.zip";
    testing::writeZip(zip, {{"a/", "", 040700}, {"a/run", "#!/bin/sh\n", 0100750}, {"a/data", "x", 0100600}});
    auto mode = [](const fs::path& p) {
        struct stat st {};
        ::stat(p.c_str(), &st);
        return st.st_mode & 07777;
    };
    for (const bool keep : {false, true}) {
        const fs::path into = dir / (keep ? "kept" : "plain");
        fs::create_directories(into);
        ZipExtract::extract(zip, into, {100, 1000, keep});
        EXPECT_EQ(mode(into / "a/run"), keep ? 0750u : 0644u);
        EXPECT_EQ(mode(into / "a/data"), keep ? 0600u : 0644u);
    }
}

}  // namespace
}  // namespace orvane
