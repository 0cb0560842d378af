#include "core/photo/as_shot_wb.h"

#include <algorithm>
#include <cmath>

namespace orvane {
namespace {

struct Ruvt {
    double r, u, v, t;
};

// Robertson's isotemperature lines (reciprocal megakelvin, CIE 1960 u, v, slope), as the DNG SDK has them.
constexpr Ruvt kTempTable[31] = {
    {0, 0.18006, 0.26352, -0.24341},   {10, 0.18066, 0.26589, -0.25479},  {20, 0.18133, 0.26846, -0.26876},
    {30, 0.18208, 0.27119, -0.28539},  {40, 0.18293, 0.27407, -0.30470},  {50, 0.18388, 0.27709, -0.32675},
    {60, 0.18494, 0.28021, -0.35156},  {70, 0.18611, 0.28342, -0.37915},  {80, 0.18740, 0.28668, -0.40955},
    {90, 0.18880, 0.28997, -0.44278},  {100, 0.19032, 0.29326, -0.47888}, {125, 0.19462, 0.30141, -0.58204},
    {150, 0.19962, 0.30921, -0.70471}, {175, 0.20525, 0.31647, -0.84901}, {200, 0.21142, 0.32312, -1.0182},
    {225, 0.21807, 0.32909, -1.2168},  {250, 0.22511, 0.33439, -1.4512},  {275, 0.23247, 0.33904, -1.7298},
    {300, 0.24010, 0.34308, -2.0637},  {325, 0.24702, 0.34655, -2.4681},  {350, 0.25591, 0.34951, -2.9641},
    {375, 0.26400, 0.35200, -3.5814},  {400, 0.27218, 0.35407, -4.3633},  {425, 0.28039, 0.35577, -5.3762},
    {450, 0.28863, 0.35714, -6.7262},  {475, 0.29685, 0.35823, -8.5955},  {500, 0.30505, 0.35907, -11.324},
    {525, 0.31320, 0.35968, -15.628},  {550, 0.32129, 0.36011, -23.325},  {575, 0.32931, 0.36038, -40.770},
    {600, 0.33724, 0.36051, -116.45},
};

std::array<double, 3> mulVec(const Matrix3& m, const std::array<double, 3>& v) {
    return {m[0][0] * v[0] + m[0][1] * v[1] + m[0][2] * v[2], m[1][0] * v[0] + m[1][1] * v[1] + m[1][2] * v[2],
            m[2][0] * v[0] + m[2][1] * v[1] + m[2][2] * v[2]};
}

std::optional<std::array<double, 2>> xyOf(const std::array<double, 3>& xyz) {
    double s = xyz[0] + xyz[1] + xyz[2];
    if (!(s > 0)) return std::nullopt;
    return std::array<double, 2>{xyz[0] / s, xyz[1] / s};
}

// Correlated colour temperature of an EXIF light source, as DNG readers assign it; 0 when unknown.
double illuminantKelvin(int code) {
    switch (code) {
    case 17: case 3: return 2850;                    // standard light A, tungsten
    case 24: return 3200;                            // ISO studio tungsten
    case 23: return 5000;                            // D50
    case 20: case 1: case 9: case 4: case 18: return 5500;  // D55, daylight, fine weather, flash, B
    case 21: case 19: case 10: return 6500;          // D65, C, cloudy
    case 22: case 11: return 7500;                   // D75, shade
    case 12: return 6430;                            // daylight fluorescent
    case 13: return 5000;                            // day white fluorescent
    case 14: case 2: return 4150;                    // cool white fluorescent, fluorescent
    case 15: return 3450;                            // white fluorescent
    case 16: return 2940;                            // warm white fluorescent
    default: return 0;
    }
}

}  // namespace

std::string noTintText(const std::string& fileName) { return "Nu pot calcula Tint-ul din cameră pentru " + fileName; }

std::optional<Matrix3> invert3(const Matrix3& m) {
    double det = m[0][0] * (m[1][1] * m[2][2] - m[1][2] * m[2][1]) - m[0][1] * (m[1][0] * m[2][2] - m[1][2] * m[2][0]) +
                 m[0][2] * (m[1][0] * m[2][1] - m[1][1] * m[2][0]);
    if (std::isnan(det) || std::fabs(det) <= 1e-12) return std::nullopt;
    Matrix3 r;
    r[0][0] = (m[1][1] * m[2][2] - m[1][2] * m[2][1]) / det;
    r[0][1] = (m[0][2] * m[2][1] - m[0][1] * m[2][2]) / det;
    r[0][2] = (m[0][1] * m[1][2] - m[0][2] * m[1][1]) / det;
    r[1][0] = (m[1][2] * m[2][0] - m[1][0] * m[2][2]) / det;
    r[1][1] = (m[0][0] * m[2][2] - m[0][2] * m[2][0]) / det;
    r[1][2] = (m[0][2] * m[1][0] - m[0][0] * m[1][2]) / det;
    r[2][0] = (m[1][0] * m[2][1] - m[1][1] * m[2][0]) / det;
    r[2][1] = (m[0][1] * m[2][0] - m[0][0] * m[2][1]) / det;
    r[2][2] = (m[0][0] * m[1][1] - m[0][1] * m[1][0]) / det;
    return r;
}

std::optional<AsShotWB> temperatureAndTint(double x, double y) {
    double d = 12 * y - 2 * x + 3;
    if (d == 0 || std::isnan(d)) return std::nullopt;
    double u = 4 * x / d, v = 6 * y / d;

    double lastDt = 0, lastDu = 0, lastDv = 0;
    for (int i = 1; i <= 30; ++i) {
        const Ruvt& line = kTempTable[i];
        double len = std::sqrt(1 + line.t * line.t);
        double du = 1 / len, dv = line.t / len;
        double dt = (v - line.v) * du - (u - line.u) * dv;
        if (dt <= 0 || i == 30) {
            double dist = dt > 0 ? 0 : -dt;
            double f = i == 1 ? 0 : dist / (lastDt + dist);
            const Ruvt& prev = kTempTable[i - 1];
            AsShotWB wb;
            wb.kelvin = 1e6 / (f * prev.r + (1 - f) * line.r);
            double iu = (1 - f) * du + f * lastDu, iv = (1 - f) * dv + f * lastDv;
            double n = std::sqrt(iu * iu + iv * iv);
            iu /= n;
            iv /= n;
            wb.tint = ((u - (f * prev.u + (1 - f) * line.u)) * iu + (v - (f * prev.v + (1 - f) * line.v)) * iv) * -3000;
            return wb;
        }
        lastDt = dt;
        lastDu = du;
        lastDv = dv;
    }
    return std::nullopt;  // not reached: line 30 always stops
}

std::optional<AsShotWB> asShotFromCamera(const std::array<float, 3>& mul, const float camXyz[][3]) {
    if (!(mul[0] > 0) || !(mul[1] > 0) || !(mul[2] > 0)) return std::nullopt;
    Matrix3 m;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 3; ++c) m[r][c] = camXyz[r][c];
    auto inv = invert3(m);
    if (!inv) return std::nullopt;
    auto xyz = mulVec(*inv, {1.0 / mul[0], 1.0 / mul[1], 1.0 / mul[2]});
    auto xy = xyOf(xyz);
    if (!xy) return std::nullopt;
    return temperatureAndTint((*xy)[0], (*xy)[1]);
}

std::optional<std::array<double, 2>> neutralChromaticity(const std::array<double, 3>& neutral,
                                                         const std::vector<CalibratedMatrix>& matrices,
                                                         const std::array<double, 3>& analogBalance) {
    // XYZ to camera for one colour matrix and calibration: AB · CC · CM.
    auto toCamera = [&](const Matrix3& cm, const Matrix3& cc) {
        Matrix3 out{};
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                double sum = 0;
                for (int k = 0; k < 3; ++k) sum += cc[r][k] * cm[k][c];
                out[r][c] = analogBalance[r] * sum;
            }
        return out;
    };
    auto through = [&](const Matrix3& m) -> std::optional<std::array<double, 2>> {
        auto inv = invert3(m);
        if (!inv) return std::nullopt;
        return xyOf(mulVec(*inv, neutral));
    };

    std::vector<CalibratedMatrix> usable;
    for (const auto& m : matrices)
        if (invert3(toCamera(m.xyzToCamera, m.calibration))) usable.push_back(m);
    if (usable.empty()) return std::nullopt;

    double t1 = usable.size() > 1 ? illuminantKelvin(usable[0].illuminant) : 0;
    double t2 = usable.size() > 1 ? illuminantKelvin(usable[1].illuminant) : 0;
    if (usable.size() == 1 || t1 <= 0 || t2 <= 0 || t1 == t2)
        return through(toCamera(usable[0].xyzToCamera, usable[0].calibration));

    const CalibratedMatrix& lo = t1 < t2 ? usable[0] : usable[1];
    const CalibratedMatrix& hi = t1 < t2 ? usable[1] : usable[0];
    double tLo = std::min(t1, t2), tHi = std::max(t1, t2);

    // Start from D50 and let the matrices follow the white point's temperature.
    std::array<double, 2> xy{0.3457, 0.3585};
    for (int pass = 0; pass < 30; ++pass) {
        auto wb = temperatureAndTint(xy[0], xy[1]);
        double k = wb ? wb->kelvin : 5000;
        double g = k <= tLo ? 1 : k >= tHi ? 0 : (1 / k - 1 / tHi) / (1 / tLo - 1 / tHi);
        Matrix3 cm, cc;
        for (int r = 0; r < 3; ++r)
            for (int c = 0; c < 3; ++c) {
                cm[r][c] = g * lo.xyzToCamera[r][c] + (1 - g) * hi.xyzToCamera[r][c];
                cc[r][c] = g * lo.calibration[r][c] + (1 - g) * hi.calibration[r][c];
            }
        auto next = through(toCamera(cm, cc));
        if (!next) return std::nullopt;
        bool settled = std::fabs((*next)[0] - xy[0]) + std::fabs((*next)[1] - xy[1]) < 1e-7;
        xy = *next;
        if (settled) break;
    }
    return xy;
}

}  // namespace orvane
