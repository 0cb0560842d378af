#include "core/photo/features.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>

namespace orvane::Features {

const std::array<float, 3>& luma() { return lumaWeights; }

const std::array<double, 8>& pct() {
    static const std::array<double, 8> values = {1, 5, 25, 50, 75, 90, 95, 99};
    return values;
}

const std::vector<std::string>& names() {
    static const std::vector<std::string> list = [] {
        std::vector<std::string> v = {"lin_mean", "lin_logmean", "lin_center", "y_mean", "y_std", "clip_lo", "clip_hi"};
        for (double p : pct()) v.push_back("lin_p" + std::to_string(static_cast<int>(p)));
        for (double p : pct()) v.push_back("y_p" + std::to_string(static_cast<int>(p)));
        for (int i = 0; i < 16; ++i) {
            char buf[16];
            std::snprintf(buf, sizeof buf, "hist%02d", i);
            v.push_back(buf);
        }
        for (const char* n : {"rg", "bg", "rg_mid", "bg_mid", "sat_mean"}) v.push_back(n);
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) v.push_back("zone" + std::to_string(r) + std::to_string(c));
        for (const char* n : {"bv", "log2_iso", "av", "tv", "log_focala", "a7m4", "log_wb_r", "log_wb_b"}) v.push_back(n);
        return v;
    }();
    return list;
}

const std::vector<std::string>& faceNames() {
    static const std::vector<std::string> list = {"face_has",     "face_nfront",  "face_widest", "face_lum_med",
                                                  "face_lum_min", "face_lum_max", "face_area"};
    return list;
}

const std::vector<std::string>& allNames() {
    static const std::vector<std::string> list = [] {
        auto v = names();
        v.insert(v.end(), faceNames().begin(), faceNames().end());
        return v;
    }();
    return list;
}

namespace {
// Order-preserving map of a float to an unsigned key (negative values below positive ones).
std::uint32_t orderKey(float f) {
    std::uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    return (bits & 0x80000000u) ? ~bits : (bits | 0x80000000u);
}

// The values at the given ascending ranks, as a full sort would place them, in two passes: a
// histogram of the keys' top 16 bits finds each rank's bucket, then only those buckets are searched.
std::vector<float> valuesAtRanks(const std::vector<float>& values, const std::vector<std::size_t>& ranks) {
    std::vector<std::uint32_t> counts(65537, 0);
    for (float v : values) ++counts[(orderKey(v) >> 16) + 1];
    for (std::size_t b = 1; b < counts.size(); ++b) counts[b] += counts[b - 1];  // counts[b]: values below bucket b

    std::vector<std::uint32_t> bucketOf(ranks.size());
    std::vector<std::uint32_t> wanted;
    for (std::size_t r = 0; r < ranks.size(); ++r) {
        const auto b = static_cast<std::uint32_t>(std::upper_bound(counts.begin(), counts.end(), ranks[r]) - counts.begin() - 1);
        bucketOf[r] = b;
        if (wanted.empty() || wanted.back() != b) wanted.push_back(b);
    }
    std::vector<std::vector<float>> members(wanted.size());
    std::vector<int> slot(65536, -1);
    for (std::size_t w = 0; w < wanted.size(); ++w) {
        slot[wanted[w]] = static_cast<int>(w);
        members[w].reserve(counts[wanted[w] + 1] - counts[wanted[w]]);
    }
    for (float v : values)
        if (int w = slot[orderKey(v) >> 16]; w >= 0) members[static_cast<std::size_t>(w)].push_back(v);

    std::vector<float> out(ranks.size());
    for (std::size_t r = 0; r < ranks.size(); ++r) {
        auto& m = members[static_cast<std::size_t>(slot[bucketOf[r]])];
        const std::size_t local = ranks[r] - counts[bucketOf[r]];
        std::nth_element(m.begin(), m.begin() + static_cast<std::ptrdiff_t>(local), m.end(),
                         [](float a, float b) { return orderKey(a) < orderKey(b); });
        out[r] = m[local];
    }
    return out;
}
}  // namespace

std::vector<double> percentiles(const std::vector<float>& values) {
    if (values.empty()) throw FeatureError("percentile cerut pentru o listă goală");
    const std::size_t count = values.size();
    std::vector<std::size_t> ranks;
    for (double p : pct()) {
        const auto i = static_cast<std::size_t>(std::floor(p / 100.0 * static_cast<double>(count - 1)));
        ranks.push_back(i);
        ranks.push_back(std::min(count - 1, i + 1));
    }
    std::sort(ranks.begin(), ranks.end());
    ranks.erase(std::unique(ranks.begin(), ranks.end()), ranks.end());
    const std::vector<float> at = valuesAtRanks(values, ranks);
    auto rank = [&](std::size_t k) -> double {
        return at[static_cast<std::size_t>(std::lower_bound(ranks.begin(), ranks.end(), k) - ranks.begin())];
    };
    std::vector<double> out;
    out.reserve(pct().size());
    for (double p : pct()) {
        const double c = p / 100.0 * static_cast<double>(count - 1);
        const std::size_t i = static_cast<std::size_t>(std::floor(c));
        const std::size_t j = std::min(count - 1, i + 1);
        const double si = rank(i);
        const double sj = rank(j);
        out.push_back(si + (c - static_cast<double>(i)) * (sj - si));
    }
    return out;
}

namespace {
constexpr float kCodeScale = 1.0f / 65535.0f;

float srgbEncode(float v) {
    v = std::clamp(v, 0.0f, 1.0f);
    return v <= 0.0031308f ? 12.92f * v : 1.055f * std::pow(v, 0.41666666f) - 0.055f;
}

// The display value of every 16-bit code, computed by the same formula, so a lookup is exact.
const std::vector<float>& srgbTable() {
    static const std::vector<float> table = [] {
        std::vector<float> t(65536);
        for (std::size_t k = 0; k < t.size(); ++k) t[k] = srgbEncode(static_cast<float>(k) * kCodeScale);
        return t;
    }();
    return table;
}
}  // namespace

std::map<std::string, double> image(const RawImage& raw) {
    if (raw.w < 3 || raw.h < 3)
        throw FeatureError("Imaginea este prea mică pentru măsurare (" + std::to_string(raw.w) + "x" +
                           std::to_string(raw.h) + ")");
    const std::size_t w = static_cast<std::size_t>(raw.w);
    const std::size_t h = static_cast<std::size_t>(raw.h);
    const std::size_t n = w * h;
    if (raw.lin.size() != 3 * n) throw FeatureError("Imaginea are un număr greșit de valori pentru mărimea ei");

    const float kr = luma()[0], kg = luma()[1], kb = luma()[2];
    std::vector<float> yl(n), ys(n);
    double sumYl = 0, sumLog = 0, sumYs = 0, sumSat = 0;
    double sumR = 0, sumG = 0, sumB = 0, midR = 0, midG = 0, midB = 0;
    std::size_t midCount = 0, clipLo = 0, clipHi = 0;
    std::array<std::size_t, 16> bins{};
    const auto& table = srgbTable();
    auto encode = [&table](float v) {
        // Decoded raw values are 16-bit codes over 65535: those read the exact answer from the table.
        const long code = std::lrint(v * 65535.0f);
        if (code >= 0 && code <= 65535 && static_cast<float>(code) * kCodeScale == v)
            return table[static_cast<std::size_t>(code)];
        return srgbEncode(v);
    };
    const float* px = raw.lin.data();
    for (std::size_t i = 0; i < n; ++i, px += 3) {
        const float r = px[0], g = px[1], b = px[2];
        const float l = kr * r + kg * g + kb * b;
        const float rd = encode(r), gd = encode(g), bd = encode(b);
        const float s = kr * rd + kg * gd + kb * bd;
        const float mx = std::max({rd, gd, bd}), mn = std::min({rd, gd, bd});
        yl[i] = l;
        ys[i] = s;
        sumYl += l;
        sumLog += std::log2(l + 0.0001f);
        sumYs += s;
        sumSat += (mx - mn) / (mx + 0.001f);
        if (s < 0.02f) ++clipLo;
        if (l >= 0.99f) ++clipHi;
        if (s >= 0 && s <= 1) ++bins[std::min(static_cast<std::size_t>(std::floor(16 * s)), std::size_t{15})];
        sumR += r;
        sumG += g;
        sumB += b;
        if (s > 0.05f && s < 0.9f) {
            ++midCount;
            midR += r;
            midG += g;
            midB += b;
        }
    }
    const double dn = static_cast<double>(n);
    std::map<std::string, double> f;
    f["lin_mean"] = sumYl / dn;
    f["lin_logmean"] = sumLog / dn;
    double center = 0;
    std::size_t centerCount = 0;
    for (std::size_t y = h / 4; y < 3 * h / 4; ++y)
        for (std::size_t x = w / 4; x < 3 * w / 4; ++x, ++centerCount) center += yl[y * w + x];
    f["lin_center"] = center / static_cast<double>(centerCount);
    const double yMean = sumYs / dn;
    f["y_mean"] = yMean;
    double var = 0;
    for (float s : ys) var += (s - yMean) * (s - yMean);
    f["y_std"] = std::sqrt(var / dn);
    f["clip_lo"] = static_cast<double>(clipLo) / dn;
    f["clip_hi"] = static_cast<double>(clipHi) / dn;
    const auto linP = percentiles(yl);
    const auto yP = percentiles(ys);
    for (std::size_t k = 0; k < pct().size(); ++k) {
        const std::string p = std::to_string(static_cast<int>(pct()[k]));
        f["lin_p" + p] = linP[k];
        f["y_p" + p] = yP[k];
    }
    for (std::size_t k = 0; k < 16; ++k) f[names()[23 + k]] = static_cast<double>(bins[k]) / dn;
    const double rg = sumR / sumG, bg = sumB / sumG;
    f["rg"] = rg;
    f["bg"] = bg;
    f["rg_mid"] = midCount > 100 ? midR / midG : rg;
    f["bg_mid"] = midCount > 100 ? midB / midG : bg;
    f["sat_mean"] = sumSat / dn;
    for (std::size_t r = 0; r < 3; ++r) {
        for (std::size_t c = 0; c < 3; ++c) {
            double sum = 0;
            std::size_t count = 0;
            for (std::size_t y = r * h / 3; y < (r + 1) * h / 3; ++y)
                for (std::size_t x = c * w / 3; x < (c + 1) * w / 3; ++x, ++count) sum += ys[y * w + x];
            f["zone" + std::to_string(r) + std::to_string(c)] = sum / static_cast<double>(count);
        }
    }
    return f;
}

std::vector<double> vector(const RawImage& raw) {
    auto stats = image(raw);
    const double aperture = raw.aperture, shutter = raw.shutter, iso = raw.iso, focal = raw.focal;
    stats["bv"] = 2 * std::log2(aperture) - std::log2(shutter) - std::log2(iso / 100);
    stats["log2_iso"] = std::log2(iso);
    stats["av"] = 2 * std::log2(aperture);
    stats["tv"] = -std::log2(shutter);
    stats["log_focala"] = std::log(focal);
    stats["a7m4"] = raw.model == "ILCE-7M4" ? 1.0 : 0.0;
    stats["log_wb_r"] = std::log(static_cast<double>(raw.wb[0]));
    stats["log_wb_b"] = std::log(static_cast<double>(raw.wb[2]));
    std::vector<double> out;
    out.reserve(names().size());
    for (const auto& name : names()) out.push_back(stats.at(name));
    return out;
}

std::vector<double> faceVector(const std::vector<SkinRegion>& skin) {
    std::vector<const SkinRegion*> usable;
    for (const auto& r : skin)
        if (r.lum && *r.lum > 0.001) usable.push_back(&r);
    if (usable.empty()) return {0, 0, 0, -12, -12, -12, 0};
    double widest = 0, area = 0;
    for (const auto* r : usable) {
        widest = std::max(widest, r->right - r->left);
        area += (r->right - r->left) * (r->bottom - r->top);
    }
    std::vector<double> lums;
    for (const auto* r : usable)
        if (r->right - r->left >= 0.5 * widest) lums.push_back(*r->lum);
    std::sort(lums.begin(), lums.end());
    auto lg = [](double v) { return std::log2(std::max(v, 0.0001)); };
    return {1, static_cast<double>(lums.size()), widest, lg(lums[lums.size() / 2]), lg(lums.front()), lg(lums.back()), area};
}

std::vector<double> vector(const RawImage& raw, const std::vector<SkinRegion>& skin) {
    auto out = vector(raw);
    auto face = faceVector(skin);
    out.insert(out.end(), face.begin(), face.end());
    return out;
}

}  // namespace orvane::Features
