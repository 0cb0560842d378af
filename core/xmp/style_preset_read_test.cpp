// The style preset is written by the style layer; here it is read back by the readers that use it.
#include <gtest/gtest.h>

#include "core/base/atomic_file.h"
#include "core/style/style_preset.h"
#include "core/xmp/develop_preset.h"
#include "core/xmp/xmp_test_support.h"
#include "core/xmp/xmp_xml.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;

TEST(StylePresetReadBack, readsAsAPresetAndWithAnIndependentReader) {
    testing::TempDir tmp;
    testing::ScopedEnv env("TMPDIR", tmp.path().string());
    std::vector<CatalogPhoto> photos(20);
    for (auto& p : photos) {
        p.exposure = 0.5;
        p.temperature = 5000;
        p.edited = true;
        p.extras = SettingValues{{"Contrast2012", -12.5}, {"Vibrance", 14}, {"Dehaze", 0}};
    }
    // exiftool's own XMP scanner takes a bare ">" inside an attribute for the end of the tag (valid
    // XML all the same), so the name read by both readers holds none.
    const std::string name = "Nunți & \"Botezuri\" <2024 'vară'";
    const fs::path file = StylePreset::build(photos, name);

    const DevelopPreset preset = DevelopPreset::load(file);
    const std::string text = readWholeFile(file);
    const auto document = Xmp::parse(text);
    ASSERT_TRUE(document);
    const auto description = document->select_node("//*[local-name()='Description']").node();
    EXPECT_EQ(std::string(description.attribute("crs:Name").value()), name);
    // The preset's own keys (type, name) are not settings.
    const DevelopPreset::Pairs expected = {{"ProcessVersion", "11.0"}, {"HasSettings", "True"},
                                           {"Contrast2012", "-13"},    {"Vibrance", "+14"},
                                           {"Dehaze", "0"}};
    EXPECT_EQ(preset.attributes(), expected);

    const auto program = testing::exiftoolPath();
    if (!program) GTEST_SKIP() << "exiftool is not installed";
    const auto record = testing::exiftool(*program, file);
    ASSERT_TRUE(record.is_object());
    EXPECT_EQ(record.value("Name", ""), name);
    EXPECT_EQ(record.value("PresetType", ""), "Normal");
    EXPECT_EQ(record["Contrast2012"].dump(), "-13");
    EXPECT_EQ(record["Vibrance"].dump(), "\"+14\"");  // kept as written
    EXPECT_EQ(record["Dehaze"].dump(), "0");
}

}  // namespace
}  // namespace orvane
