#include <gtest/gtest.h>

#include "core/catalog/catalog_records.h"
#include "core/catalog/corrections.h"
#include "testing/catalog_builder.h"
#include "testing/temp_dir.h"

namespace orvane {
namespace {

TEST(Corrections, computePairsDonePhotosWithTheCatalog) {
    orvane::testing::TempDir dir;
    using orvane::testing::DevelopText;
    const auto catalog = dir / "c.lrcat";
    {
        orvane::testing::CatalogBuilder b(catalog);
        auto settings = [](double e, double t, double vibrance) {
            return DevelopText().number("Exposure2012", e).number("Temperature", t).number("Vibrance", vibrance).str();
        };
        b.photo({.root = "/r/", .folder = "f/", .baseName = "a", .extension = "NEF", .settings = settings(0.28125, 5240, 10)});
        b.photo({.root = "/r/", .folder = "f/", .baseName = "b", .extension = "NEF", .settings = settings(0.5, 5300, 0)});
        b.photo({.root = "/r/", .folder = "f/", .baseName = "pending", .extension = "NEF", .settings = settings(1, 6000, 0)});
        b.photo({.root = "/r/", .folder = "f/", .baseName = "noSettings", .extension = "NEF"});
        b.close();
    }
    Project p;
    p.globalExposure = 0.125;
    auto done = [](const std::string& path, double e, double t) {
        PhotoItem item(path);
        item.status = PhotoItem::Status::done;
        item.exposure = e;
        item.temperature = t;
        return item;
    };
    PhotoItem a = done("/r/f/a.NEF", 0.125, 5200);  // 0.25 after the global exposure
    a.extras = std::map<std::string, double>{{"Vibrance", 12.5}, {"Unknown", 3}};
    PhotoItem b = done("/r/f/b.NEF", 0.125, 5200);
    PhotoItem pending("/r/f/pending.NEF");
    PhotoItem notInCatalog = done("/elsewhere.NEF", 0, 5000);
    PhotoItem noValues = done("/r/f/noSettings.NEF", 0, 5000);
    PhotoItem noPrediction("/r/f/b.NEF");
    noPrediction.status = PhotoItem::Status::done;
    p.photos = {a, pending, notInCatalog, noValues, noPrediction, b};

    auto [summary, list] = Corrections::compute(p, catalog);
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], (PhotoCorrection{"/r/f/a.NEF", 0.25, 0.28125, 5200, 5240, std::map<std::string, double>{{"Vibrance", -2.5}}}));
    EXPECT_FALSE(list[0].changed());
    EXPECT_FALSE(list[1].extras);
    EXPECT_TRUE(list[1].changed());
    EXPECT_EQ(summary.photos, 2);
    EXPECT_EQ(summary.changed, 1);
    EXPECT_DOUBLE_EQ(summary.meanExposure, 0.25);
    EXPECT_DOUBLE_EQ(summary.meanTemperature, 100);

    EXPECT_THROW(Corrections::compute(p, dir / "missing.lrcat"), CatalogError);
}

}  // namespace
}  // namespace orvane
