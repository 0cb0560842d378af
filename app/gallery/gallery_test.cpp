// A fresh render of each kit gallery page matches the committed screenshots, so a change of the look is
// a visible, reviewed change: re-take them with `scripts/kit-gallery-screenshots.sh` and look at them.
#include <QDir>
#include <QImage>

#include <gtest/gtest.h>

#include <cstdlib>

#include "app/gallery/gallery.h"
#include "app/kit/fonts.h"

using namespace orvane;

namespace {
struct Variant {
    gallery::GalleryPage page;
    const char* name;  // the screenshot's name: docs/kit-<name>.png
    bool dark;
    bool flat;
};
void PrintTo(const Variant& v, std::ostream* os) { *os << v.name; }

class GalleryGolden : public ::testing::TestWithParam<Variant> {};
constexpr auto foundations = gallery::GalleryPage::foundations;
constexpr auto components = gallery::GalleryPage::components;
}  // namespace

TEST_P(GalleryGolden, freshRenderMatchesTheCommittedScreenshot) {
    ASSERT_TRUE(kit::hasUiFont()) << "run scripts/setup.sh: the interface font is missing";
    const QString golden = QString(ORVANE_SOURCE_DIR) + "/docs/kit-" + GetParam().name + ".png";
    const QImage expected = QImage(golden).convertToFormat(QImage::Format_RGB32);
    ASSERT_FALSE(expected.isNull()) << golden.toStdString();
    const QImage actual = gallery::renderKitGallery(GetParam().page, GetParam().dark, GetParam().flat);
    ASSERT_EQ(actual.size(), expected.size());

    // Small per-channel differences (antialiasing, rounding) pass; a change of colour or layout does not.
    long long differing = 0;
    double total = 0;
    for (int y = 0; y < actual.height(); ++y) {
        const auto* a = reinterpret_cast<const QRgb*>(actual.constScanLine(y));
        const auto* e = reinterpret_cast<const QRgb*>(expected.constScanLine(y));
        for (int x = 0; x < actual.width(); ++x) {
            const int d = std::max({std::abs(qRed(a[x]) - qRed(e[x])), std::abs(qGreen(a[x]) - qGreen(e[x])),
                                    std::abs(qBlue(a[x]) - qBlue(e[x]))});
            total += d;
            if (d > 16) ++differing;
        }
    }
    const double pixels = double(actual.width()) * actual.height();
    const bool matches = differing <= pixels * 0.002 && total / pixels < 0.5;
    if (!matches) {
        const QString fresh = QDir::temp().filePath(QString("kit-%1-fresh.png").arg(GetParam().name));
        actual.save(fresh);
        ADD_FAILURE() << differing << " pixels differ (mean " << total / pixels << "); the fresh render is "
                      << fresh.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Kit, GalleryGolden,
                         ::testing::Values(Variant{foundations, "gallery-light-glass", false, false},
                                           Variant{foundations, "gallery-dark-glass", true, false},
                                           Variant{foundations, "gallery-light-flat", false, true},
                                           Variant{foundations, "gallery-dark-flat", true, true},
                                           Variant{components, "components-light-glass", false, false},
                                           Variant{components, "components-dark-glass", true, false},
                                           Variant{components, "components-light-flat", false, true},
                                           Variant{components, "components-dark-flat", true, true}),
                         [](const auto& info) {
                             std::string n = info.param.name;
                             std::replace(n.begin(), n.end(), '-', '_');
                             return n;
                         });
