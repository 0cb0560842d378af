#include "core/xmp/profile_presets.h"

#include <gtest/gtest.h>

#include "core/store/store.h"
#include "core/xmp/develop_preset.h"
#include "testing/model_fixtures.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

using testing::TempDir;
using testing::writeText;

TEST(ProfilePresets, profilesTakeThePresetsOwnName) {
    testing::freshDataDir();
    TempDir dir;
    writeText(dir / "Neutru.xmp", DevelopPreset::neutralXMP());
    const Profile p = ProfilePresets::create("Stil", dir / "Neutru.xmp");
    EXPECT_EQ(p.presetName, DevelopPreset::load(dir / "Neutru.xmp").name());
    EXPECT_EQ(ProfilePresets::create("Alt stil", dir / "Neutru.xmp", std::string("Ales")).presetName, "Ales");

    testing::writeModelFolder(dir / "baza", 0, 190);
    const Profile instant = ProfilePresets::createInstant("Rapid", dir / "Neutru.xmp", dir / "baza");
    EXPECT_TRUE(instant.isInstant());
    EXPECT_EQ(instant.presetName, p.presetName);

    // A file that is not a preset fails before anything is written.
    writeText(dir / "stricat.xmp", "nu este XML");
    EXPECT_THROW(ProfilePresets::create("X", dir / "stricat.xmp"), PresetReadError);
    EXPECT_EQ(Profile::all().size(), 3u);
}

}  // namespace
}  // namespace orvane
