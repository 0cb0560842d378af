#pragma once
// Results and options of photo analysis, stored inside project files. Positions are normalised to
// the photo as displayed: x from the left, y from the top, each 0 to 1.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/base/strict_json.h"
#include "core/photo/dab_coding.h"

namespace orvane {

struct CropSettings {
    enum class Mode { none, original, ratio, custom, bottom };
    static const std::vector<Mode>& allModes();

    struct Preset {
        const char* label;
        double w;
        double h;
    };
    // The ratios the options screen offers, in order.
    static const std::vector<Preset>& presets();

    Mode mode = Mode::none;
    std::string ratio = "3:2";
    double customW = 3.0;
    double customH = 2.0;

    // Long side over short side asked for by the settings; absent for modes without a ratio,
    // a label outside the table (the text is not parsed) or a non-positive custom side.
    std::optional<double> longShortRatio() const;
    // True for modes none, original and bottom.
    bool requiresOriginalRatio() const;

    bool operator==(const CropSettings&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("mode", s.mode);
        v.req("ratio", s.ratio);
        v.req("customW", s.customW);
        v.req("customH", s.customH);
    }
};

std::string_view toText(CropSettings::Mode m);
bool fromText(std::string_view text, CropSettings::Mode& out);

struct StraightenResult {
    double angle = 0;       // degrees, signed
    double confidence = 0;  // 0 to 1
    double aspect = 0;      // displayed width over height

    bool operator==(const StraightenResult&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("angle", s.angle);
        v.req("confidence", s.confidence);
        v.req("aspect", s.aspect);
    }
};

// One person mask: bounding box of its pixels, its area share and a 100-strip column profile.
struct PersonInfo {
    double left = 0, top = 0, right = 0, bottom = 0;
    double area = 0;
    std::vector<float> cols;

    double width() const { return right - left; }
    double height() const { return bottom - top; }
    bool clipsLeft() const { return left <= 0.012; }
    bool clipsRight() const { return right >= 0.988; }
    bool clipsBottom() const { return bottom >= 0.988; }
    // Share of the mask left of the vertical line at x (summed in 32-bit floats, in strip order).
    double fractionLeft(double x) const;

    bool operator==(const PersonInfo&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("left", s.left);
        v.req("top", s.top);
        v.req("right", s.right);
        v.req("bottom", s.bottom);
        v.req("area", s.area);
        v.req("cols", s.cols);
    }
};

struct PersonRegion {
    double left = 0, top = 0, right = 0, bottom = 0;

    bool operator==(const PersonRegion&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("left", s.left);
        v.req("top", s.top);
        v.req("right", s.right);
        v.req("bottom", s.bottom);
    }
};

namespace SmartCrop {
// Version of the person layout analysis; layouts of other versions are not current.
inline constexpr std::int64_t analysisVersion = 2;
}  // namespace SmartCrop

struct PersonLayout {
    std::vector<PersonInfo> people;
    std::optional<std::vector<PersonRegion>> faces;
    std::optional<std::vector<PersonRegion>> bodies;
    std::optional<std::int64_t> version;
    std::optional<bool> protectionComplete;

    // A layout made by the analysis: carries the current analysis version.
    static PersonLayout make(std::vector<PersonInfo> people, std::optional<std::vector<PersonRegion>> faces,
                             std::optional<std::vector<PersonRegion>> bodies,
                             std::optional<bool> protectionComplete);
    // Only a current layout may be used for person protection and smart reframing.
    bool isCurrent() const;

    bool operator==(const PersonLayout&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("people", s.people);
        v.opt("faces", s.faces);
        v.opt("bodies", s.bodies);
        v.opt("version", s.version);
        v.opt("protectionComplete", s.protectionComplete);
    }
};

// A face's skin area; also the subject region.
struct SkinRegion {
    static constexpr std::int64_t currentVersion = 2;
    static constexpr double defaultRadius = 0.004;

    double left = 0, top = 0, right = 0, bottom = 0;
    DabList dabs;
    double radius = defaultRadius;
    std::optional<double> lum;
    std::optional<std::int64_t> v;

    // Outdated regions ask for a new skin analysis.
    bool isOutdated() const { return !lum || !v || *v != currentVersion; }

    bool operator==(const SkinRegion&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("left", s.left);
        v.req("top", s.top);
        v.req("right", s.right);
        v.req("bottom", s.bottom);
        v.req("dabs", s.dabs);
        v.def("radius", s.radius, defaultRadius);
        v.opt("lum", s.lum);
        v.opt("v", s.v);
    }
    // Dabs are stored as text under "dabs16"; the old array key "dabs" is only read.
    static Json toJson(const SkinRegion& r);
    static SkinRegion fromJson(const Json& j, const json::Path& p);
};

struct SkinParams {
    std::int64_t texture = 10;
    std::int64_t clarity = 10;
    std::int64_t sharpness = 10;

    // The amounts as local correction values: each clamped to 0...100 and mapped to -value / 100
    // (so 0 gives a negative zero).
    struct Local {
        double texture = 0, clarity = 0, sharpness = 0;
    };
    Local local() const;

    bool operator==(const SkinParams&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("texture", s.texture);
        v.req("clarity", s.clarity);
        v.req("sharpness", s.sharpness);
    }
};

struct TeethRegion {
    static constexpr double defaultRadius = 0.0022;

    double left = 0, top = 0, right = 0, bottom = 0;
    DabList dabs;
    double radius = defaultRadius;
    DabList coarse;
    double coarseRadius = 0;

    bool operator==(const TeethRegion&) const = default;
    template <class S, class V>
    static void describe(S& s, V& v) {
        v.req("left", s.left);
        v.req("top", s.top);
        v.req("right", s.right);
        v.req("bottom", s.bottom);
        v.req("dabs", s.dabs);
        v.def("radius", s.radius, defaultRadius);
        v.req("coarse", s.coarse);
        v.def("coarseRadius", s.coarseRadius, 0.0);
    }
    // Fine dabs under "dabs16" (old "dabs" read too); "coarse16" and "coarseRadius" only with coarse dabs.
    static Json toJson(const TeethRegion& r);
    static TeethRegion fromJson(const Json& j, const json::Path& p);
};

}  // namespace orvane
