#include "core/style/style_preset.h"

#include <gtest/gtest.h>

#include "core/base/atomic_file.h"
#include "core/store/store.h"
#include "testing/catalog_builder.h"
#include "testing/romanian_locale.h"
#include "testing/temp_dir.h"
#include "testing/test_data_dir.h"

namespace orvane {
namespace {

namespace fs = std::filesystem;
using testing::ScopedEnv;
using testing::TempDir;

const std::string kHead =
    "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\">"
    "<rdf:Description rdf:about=\"\" xmlns:crs=\"http://ns.adobe.com/camera-raw-settings/1.0/\" "
    "crs:PresetType=\"Normal\" crs:Name=\"";
const std::string kFixed = "\" crs:ProcessVersion=\"11.0\" crs:HasSettings=\"True\"";
const std::string kTail = "/></rdf:RDF></x:xmpmeta>";

CatalogPhoto usablePhoto(SettingValues extras = {}) {
    CatalogPhoto p;
    p.path = "/Photos/IMG.CR3";
    p.exposure = 0.3;
    p.temperature = 5200;
    p.edited = true;
    p.blackAndWhite = false;
    if (!extras.empty()) p.extras = std::move(extras);
    return p;
}

std::vector<CatalogPhoto> usablePhotos(std::size_t n) { return std::vector<CatalogPhoto>(n, usablePhoto()); }

// The crs settings after the fixed attributes, as written.
std::string settingsOf(const std::string& document) {
    const auto from = document.find(kFixed);
    const auto to = document.rfind(kTail);
    EXPECT_NE(from, std::string::npos);
    EXPECT_NE(to, std::string::npos);
    return document.substr(from + kFixed.size(), to - from - kFixed.size());
}

bool isTooFew(const std::vector<CatalogPhoto>& photos) {
    try {
        StylePreset::document(photos, "Stil");
        return false;
    } catch (const StylePreset::BuildError& e) {
        EXPECT_EQ(e.code(), StylePreset::BuildError::Code::tooFew);
        return true;
    }
}

TEST(StylePreset, needsTwentyUsablePhotos) {
    EXPECT_TRUE(isTooFew({}));
    EXPECT_TRUE(isTooFew(usablePhotos(19)));
    EXPECT_FALSE(isTooFew(usablePhotos(20)));
    try {
        StylePreset::document(usablePhotos(19), "Stil");
        FAIL();
    } catch (const StylePreset::BuildError& e) {
        EXPECT_STREQ(e.what(),
                     "Cataloagele alese au prea puține fotografii editate pentru a crea un preset (minim 20). "
                     "Încarcă un preset sau adaugă cataloage.");
    }
}

TEST(StylePreset, unusablePhotosNeitherCountNorContribute) {
    auto excluded = [](auto change) {
        CatalogPhoto p = usablePhoto({{"Contrast2012", 90}});
        change(p);
        return p;
    };
    const std::vector<CatalogPhoto> others = {
        excluded([](CatalogPhoto& p) { p.blackAndWhite = true; }),
        excluded([](CatalogPhoto& p) { p.edited = false; }),
        excluded([](CatalogPhoto& p) { p.exposure.reset(); }),
        excluded([](CatalogPhoto& p) { p.temperature.reset(); }),
    };
    std::vector<CatalogPhoto> photos(19, usablePhoto({{"Contrast2012", 10}}));
    photos.insert(photos.end(), others.begin(), others.end());
    EXPECT_TRUE(isTooFew(photos));

    // Black and white left unknown counts as colour.
    photos.push_back(usablePhoto({{"Contrast2012", 10}}));
    photos.back().blackAndWhite.reset();
    EXPECT_EQ(settingsOf(StylePreset::document(photos, "Stil")), " crs:Contrast2012=\"+10\"");
}

TEST(StylePreset, takesTheUpperMedianRoundedHalfAwayFromZero) {
    struct Case {
        const char* name;
        std::vector<double> values;
        const char* expected;
    };
    const Case cases[] = {
        {"upper of the two middle values", {4, 1, 3, 2}, "+3"},
        {"zero is written bare", {9, -2.5, 0}, "0"},
        {"half up away from zero", {2.5}, "+3"},
        {"half down away from zero", {-2.5}, "-3"},
        {"negative", {-7.4, -7.2, 50}, "-7"},
        {"several digits", {15, 14.6, 15.4}, "+15"},
    };
    for (const auto& c : cases) {
        std::vector<CatalogPhoto> photos = usablePhotos(20);
        for (std::size_t i = 0; i < c.values.size(); ++i) photos[i].extras = SettingValues{{"Vibrance", c.values[i]}};
        EXPECT_EQ(settingsOf(StylePreset::document(photos, "Stil")), std::string(" crs:Vibrance=\"") + c.expected + "\"")
            << c.name;
    }
}

TEST(StylePreset, writesTheKeysInModelOrderAndLeavesOutMissingOnes) {
    std::vector<CatalogPhoto> photos = usablePhotos(20);
    // Given in another order, and without Texture anywhere; a value that is no number is passed over.
    photos[0].extras = SettingValues{{"Dehaze", 4}, {"Contrast2012", -12}, {"Saturation", 1}};
    photos[1].extras = SettingValues{{"Clarity2012", 20}, {"Highlights2012", -40}, {"Shadows2012", 30},
                                     {"Whites2012", 5}, {"Blacks2012", -6}, {"Vibrance", 12},
                                     {"Saturation", std::numeric_limits<double>::quiet_NaN()}};
    const std::string expected =
        " crs:Contrast2012=\"-12\" crs:Highlights2012=\"-40\" crs:Shadows2012=\"+30\" crs:Whites2012=\"+5\""
        " crs:Blacks2012=\"-6\" crs:Clarity2012=\"+20\" crs:Vibrance=\"+12\" crs:Saturation=\"+1\" crs:Dehaze=\"+4\"";
    EXPECT_EQ(settingsOf(StylePreset::document(photos, "Stil")), expected);

    testing::RomanianLocale romanian;
    photos[0].extras = SettingValues{{"Contrast2012", -12.5}};
    photos[1].extras.reset();
    EXPECT_EQ(settingsOf(StylePreset::document(photos, "Stil")), " crs:Contrast2012=\"-13\"");
}

TEST(StylePreset, withoutFurtherValuesHoldsOnlyTheFixedAttributes) {
    EXPECT_EQ(StylePreset::document(usablePhotos(20), "Stilul meu"), kHead + "Stilul meu" + kFixed + kTail);
}

TEST(StylePreset, escapesOnlyWhatTheAttributeNeeds) {
    const std::string document = StylePreset::document(usablePhotos(20), "Ana & \"Ion\" <nunți> 'vară'");
    EXPECT_EQ(document, kHead + "Ana &amp; &quot;Ion&quot; &lt;nunți> 'vară'" + kFixed + kTail);
}

TEST(StylePreset, writesANewTemporaryFileOnlyWhenThereAreEnoughPhotos) {
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    EXPECT_THROW(StylePreset::build(usablePhotos(19), "Stil"), StylePreset::BuildError);
    EXPECT_TRUE(fs::is_empty(tmp.path()));

    const fs::path first = StylePreset::build(usablePhotos(20), "Stil");
    const fs::path second = StylePreset::build(usablePhotos(20), "Stil");
    EXPECT_NE(first, second);
    EXPECT_EQ(first.parent_path(), tmp.path());
    const std::string fileName = first.filename().string();
    EXPECT_TRUE(fileName.starts_with("stilul-meu-") && fileName.ends_with(".xmp")) << fileName;
    EXPECT_TRUE(Uuid::parse(fileName.substr(11, fileName.size() - 15)).has_value()) << fileName;
    EXPECT_EQ(readWholeFile(first), StylePreset::document(usablePhotos(20), "Stil"));
}

// A catalog with `edited` photos whose settings carry a contrast, and one unedited photo.
void writeCatalog(const fs::path& file, int edited, double contrast) {
    fs::create_directories(file.parent_path());
    testing::CatalogBuilder b(file);
    for (int i = 0; i <= edited; ++i) {
        testing::DevelopText text;
        if (i < edited) {
            text.number("Exposure2012", 0.4).number("Temperature", 5600).number("Tint", 3).number("Contrast2012", contrast);
        } else {
            text.number("Exposure2012", 0).number("Temperature", 5600).text("WhiteBalance", "As Shot");
        }
        testing::CatalogBuilder::Photo p;
        p.baseName = "IMG_" + std::to_string(i);
        p.settings = text.str();
        b.photo(p);
    }
}

TEST(StylePreset, gathersThePhotosOfEveryReadableCatalog) {
    TempDir tmp;
    ScopedEnv env("TMPDIR", tmp.path().string());
    const fs::path a = tmp / "a/A.lrcat";
    const fs::path b = tmp / "b/B.lrcat";
    writeCatalog(a, 12, 10);
    writeCatalog(b, 9, 30);
    const fs::path broken = tmp / "broken.lrcat";
    testing::writeText(broken, "not a catalog");

    // 12 + 9 edited photos: the median contrast is the 11th of 21 sorted values.
    const fs::path preset = StylePreset::buildFromCatalogFiles({broken, a, b, tmp / "missing.lrcat"}, "Din fișiere");
    // The reader gives every further setting of an edited photo (0 when the text has none).
    EXPECT_TRUE(settingsOf(readWholeFile(preset)).starts_with(" crs:Contrast2012=\"+10\" crs:Highlights2012=\"0\""));
    EXPECT_THROW(StylePreset::buildFromCatalogFiles({a, broken}, "Stil"), StylePreset::BuildError);
    EXPECT_THROW(StylePreset::buildFromCatalogFiles({}, "Stil"), StylePreset::BuildError);

    // Imported catalogs are read from their private copies, every photo counting.
    testing::freshDataDir();
    TrainingCatalog first, second;
    first.id = Uuid::random();
    second.id = Uuid::random();
    first.onlyPaths = std::vector<std::string>{"/Photos/2024/IMG_0.CR3"};
    writeCatalog(first.lrcat(), 12, -20);
    writeCatalog(second.lrcat(), 9, 40);
    EXPECT_TRUE(settingsOf(readWholeFile(StylePreset::build({first, second}, "Importate")))
                    .starts_with(" crs:Contrast2012=\"-20\" "));
    TrainingCatalog gone;
    gone.id = Uuid::random();
    EXPECT_THROW(StylePreset::build({first, gone}, "Stil"), StylePreset::BuildError);
}

}  // namespace
}  // namespace orvane
