#include "testing/dng_writer.h"

#include <zlib.h>

#include <opencv2/core.hpp>
#include <opencv2/imgcodecs.hpp>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <stdexcept>

namespace orvane::testing {
namespace {

enum Type : std::uint16_t { BYTE = 1, ASCII = 2, SHORT = 3, LONG = 4, RATIONAL = 5, UNDEFINED = 7, SRATIONAL = 10 };

struct Entry {
    std::uint16_t tag;
    std::uint16_t type;
    std::uint32_t count;
    std::vector<std::uint8_t> data;  // little-endian value bytes
};

void put16(std::vector<std::uint8_t>& b, std::uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void put32(std::vector<std::uint8_t>& b, std::uint32_t v) {
    put16(b, v & 0xFFFF);
    put16(b, v >> 16);
}
void set32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = (v >> (8 * i)) & 0xFF;
}

Entry shorts(std::uint16_t tag, std::vector<std::uint32_t> values) {
    Entry e{tag, SHORT, std::uint32_t(values.size()), {}};
    for (auto v : values) put16(e.data, v);
    return e;
}
Entry longs(std::uint16_t tag, std::vector<std::uint32_t> values) {
    Entry e{tag, LONG, std::uint32_t(values.size()), {}};
    for (auto v : values) put32(e.data, v);
    return e;
}
Entry bytes(std::uint16_t tag, std::vector<std::uint8_t> values, std::uint16_t type = BYTE) {
    return Entry{tag, type, std::uint32_t(values.size()), std::move(values)};
}
Entry ascii(std::uint16_t tag, const std::string& text, bool terminate = true) {
    std::vector<std::uint8_t> d(text.begin(), text.end());
    if (terminate) d.push_back(0);
    return Entry{tag, ASCII, std::uint32_t(d.size()), d};
}
Entry rationals(std::uint16_t tag, std::vector<double> values) {
    Entry e{tag, RATIONAL, std::uint32_t(values.size()), {}};
    for (double v : values) {
        std::uint32_t den = 1000000;
        put32(e.data, std::uint32_t(std::llround(v * den)));
        put32(e.data, den);
    }
    return e;
}
Entry srationals(std::uint16_t tag, std::vector<double> values) {
    Entry e{tag, SRATIONAL, std::uint32_t(values.size()), {}};
    for (double v : values) {
        put32(e.data, std::uint32_t(std::int32_t(std::lround(v * 10000))));
        put32(e.data, 10000);
    }
    return e;
}

// Appends blobs and IFDs to one little-endian TIFF buffer; children are written before their parents
// so every offset is known when an IFD is laid out.
class TiffBuilder {
public:
    TiffBuilder() : buf_{'I', 'I', 42, 0, 0, 0, 0, 0} {}
    std::uint32_t blob(const std::vector<std::uint8_t>& data) {
        align();
        auto at = std::uint32_t(buf_.size());
        buf_.insert(buf_.end(), data.begin(), data.end());
        return at;
    }
    std::uint32_t ifd(std::vector<Entry> entries) {
        std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.tag < b.tag; });
        std::vector<std::uint32_t> valueAt(entries.size(), 0);
        for (std::size_t i = 0; i < entries.size(); ++i)
            if (entries[i].data.size() > 4) valueAt[i] = blob(entries[i].data);
        align();
        auto at = std::uint32_t(buf_.size());
        put16(buf_, std::uint32_t(entries.size()));
        for (std::size_t i = 0; i < entries.size(); ++i) {
            const Entry& e = entries[i];
            put16(buf_, e.tag);
            put16(buf_, e.type);
            put32(buf_, e.count);
            if (e.data.size() > 4) {
                put32(buf_, valueAt[i]);
            } else {
                std::vector<std::uint8_t> v = e.data;
                v.resize(4, 0);
                buf_.insert(buf_.end(), v.begin(), v.end());
            }
        }
        put32(buf_, 0);
        return at;
    }
    std::vector<std::uint8_t> finish(std::uint32_t firstIfd) {
        set32(buf_, 4, firstIfd);
        return std::move(buf_);
    }

private:
    void align() {
        if (buf_.size() % 2) buf_.push_back(0);
    }
    std::vector<std::uint8_t> buf_;
};

double srgbDecode(double c) { return c <= 0.04045 ? c / 12.92 : std::pow((c + 0.055) / 1.055, 2.4); }
double srgbEncode(double v) {
    v = std::clamp(v, 0.0, 1.0);
    return v <= 0.0031308 ? v * 12.92 : 1.055 * std::pow(v, 1 / 2.4) - 0.055;
}

std::vector<std::uint8_t> jpeg(const cv::Mat& bgr, int quality) {
    std::vector<std::uint8_t> out;
    if (!cv::imencode(".jpg", bgr, out, {cv::IMWRITE_JPEG_QUALITY, quality}))
        throw std::runtime_error("JPEG encoding failed");
    return out;
}

SceneFn greyRamp(const std::optional<std::array<double, 3>>& neutral) {
    std::array<double, 3> n = neutral.value_or(std::array<double, 3>{1, 1, 1});
    double top = std::max({n[0], n[1], n[2]});
    return [n, top](int x, int y, int w, int h) {
        double g = 0.05 + 0.7 * (w > 1 ? double(x) / (w - 1) : 0) + 0.1 * (h > 1 ? double(y) / (h - 1) : 0);
        return std::array<double, 3>{g * n[0] / top, g * n[1] / top, g * n[2] / top};
    };
}

Entry matrix(std::uint16_t tag, const Matrix3d& m) {
    return srationals(tag, {m[0][0], m[0][1], m[0][2], m[1][0], m[1][1], m[1][2], m[2][0], m[2][1], m[2][2]});
}

// The colour tags of a converted file; the first illuminant replaces the default one.
void addConverterColour(std::vector<Entry>& e, const DngSpec& s) {
    for (auto& entry : e)
        if (entry.tag == 50778) entry = shorts(50778, {std::uint32_t(s.illuminant1)});
    if (s.colorMatrix2) {
        e.push_back(matrix(50722, *s.colorMatrix2));
        e.push_back(shorts(50779, {std::uint32_t(s.illuminant2)}));
    }
    if (s.cameraCalibration1) e.push_back(matrix(50723, *s.cameraCalibration1));
    if (s.cameraCalibration2) e.push_back(matrix(50724, *s.cameraCalibration2));
    if (s.analogBalance) e.push_back(rationals(50727, {(*s.analogBalance)[0], (*s.analogBalance)[1], (*s.analogBalance)[2]}));
}

// Tags shared by both kinds of DNG, and the Exif IFD.
void addCommon(std::vector<Entry>& e, TiffBuilder& t, const std::string& make, const std::string& model,
               const std::optional<std::string>& rawModel, int orientation, const Matrix3d& cm,
               const std::optional<std::array<double, 3>>& neutral, std::optional<double> iso,
               std::optional<double> exposure, std::optional<double> fnumber, std::optional<double> focal) {
    e.push_back(ascii(271, make));
    if (rawModel)
        e.push_back(ascii(272, *rawModel, false));
    else
        e.push_back(ascii(272, model));
    e.push_back(shorts(274, {std::uint32_t(orientation)}));
    e.push_back(bytes(50706, {1, 4, 0, 0}));
    e.push_back(bytes(50707, {1, 1, 0, 0}));
    e.push_back(ascii(50708, make + " " + model));
    e.push_back(matrix(50721, cm));
    e.push_back(shorts(50778, {21}));
    if (neutral) e.push_back(rationals(50728, {(*neutral)[0], (*neutral)[1], (*neutral)[2]}));

    std::vector<Entry> exif;
    if (exposure) exif.push_back(rationals(33434, {*exposure}));
    if (fnumber) exif.push_back(rationals(33437, {*fnumber}));
    if (iso) exif.push_back(shorts(34855, {std::uint32_t(std::lround(*iso))}));
    if (focal) exif.push_back(rationals(37386, {*focal}));
    if (!exif.empty()) e.push_back(longs(34665, {t.ifd(exif)}));
}

void writeBytes(const std::filesystem::path& file, const std::vector<std::uint8_t>& data) {
    if (file.has_parent_path()) std::filesystem::create_directories(file.parent_path());
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(data.data()), std::streamsize(data.size()));
    if (!out) throw std::runtime_error("cannot write " + file.string());
}

}  // namespace

Matrix3d defaultColorMatrix() {
    return {{{0.6500, -0.0500, -0.0800}, {-0.7500, 1.5500, 0.2200}, {-0.1500, 0.2000, 0.7000}}};
}

std::array<double, 2> planckianXY(double t) {
    // Kim et al.'s cubic fit of the Planckian locus, 1667–25000 K.
    t = std::clamp(t, 1667.0, 25000.0);
    const double t2 = t * t, t3 = t2 * t;
    const double x = t <= 4000 ? -0.2661239e9 / t3 - 0.2343589e6 / t2 + 0.8776956e3 / t + 0.179910
                               : -3.0258469e9 / t3 + 2.1070379e6 / t2 + 0.2226347e3 / t + 0.240390;
    const double x2 = x * x, x3 = x2 * x;
    double y;
    if (t <= 2222) y = -1.1063814 * x3 - 1.34811020 * x2 + 2.18555832 * x - 0.20219683;
    else if (t <= 4000) y = -0.9549476 * x3 - 1.37418593 * x2 + 2.09137015 * x - 0.16748867;
    else y = 3.0817580 * x3 - 5.87338670 * x2 + 3.75112997 * x - 0.37001483;
    return {x, y};
}

std::array<double, 3> neutralForXY(double x, double y, const Matrix3d& m) {
    std::array<double, 3> xyz{x / y, 1.0, (1 - x - y) / y};
    std::array<double, 3> cam{};
    for (int r = 0; r < 3; ++r) cam[r] = m[r][0] * xyz[0] + m[r][1] * xyz[1] + m[r][2] * xyz[2];
    return {cam[0] / cam[1], 1.0, cam[2] / cam[1]};
}

std::vector<std::uint8_t> dngBytes(const DngSpec& s) {
    TiffBuilder t;
    SceneFn scene = s.scene ? s.scene : greyRamp(s.asShotNeutral);

    // Bayer RGGB mosaic, 16 bits a sample.
    std::vector<std::uint8_t> raw;
    raw.reserve(std::size_t(s.width) * s.height * 2);
    double range = double(s.whiteLevel) - s.blackLevel;
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            int c = (y % 2 == 0) ? (x % 2 == 0 ? 0 : 1) : (x % 2 == 0 ? 1 : 2);
            double v = std::clamp(scene(x, y, s.width, s.height)[c], 0.0, 1.0);
            put16(raw, std::uint32_t(std::lround(s.blackLevel + v * range)));
        }
    if (s.deflate) {
        uLongf size = compressBound(uLong(raw.size()));
        std::vector<std::uint8_t> packed(size);
        if (compress2(packed.data(), &size, raw.data(), uLong(raw.size()), 6) != Z_OK)
            throw std::runtime_error("deflate failed");
        packed.resize(size);
        raw = std::move(packed);
    }
    std::uint32_t rawAt = t.blob(raw);

    std::optional<std::uint32_t> previewIfd;
    if (s.preview) {
        const DngPreview& p = *s.preview;
        cv::Mat bgr(p.height, p.width, CV_8UC3);
        for (int y = 0; y < p.height; ++y)
            for (int x = 0; x < p.width; ++x) {
                std::array<std::uint8_t, 3> rgb =
                    p.pixel ? p.pixel(x, y)
                            : std::array<std::uint8_t, 3>{std::uint8_t(x * 255 / std::max(1, p.width - 1)),
                                                          std::uint8_t(y * 255 / std::max(1, p.height - 1)), 128};
                bgr.at<cv::Vec3b>(y, x) = cv::Vec3b(rgb[2], rgb[1], rgb[0]);
            }
        std::vector<Entry> pe{longs(254, {1}), longs(256, {std::uint32_t(p.width)}),
                              longs(257, {std::uint32_t(p.height)}), shorts(258, {8, 8, 8}), shorts(277, {3}),
                              shorts(284, {1}), longs(278, {std::uint32_t(p.height)})};
        std::vector<std::uint8_t> data;
        if (p.kind == DngPreview::Kind::jpeg) {
            data = jpeg(bgr, p.quality);
            if (p.corrupt) {
                // Keep the markers up to the frame header, then garbage: the header parses, the scan does not.
                data.resize(std::min<std::size_t>(data.size(), 200));
                data.insert(data.end(), 64, 0x5A);
            }
            pe.push_back(shorts(259, {7}));
            pe.push_back(shorts(262, {6}));
        } else {
            for (int y = 0; y < p.height; ++y)
                for (int x = 0; x < p.width; ++x) {
                    auto px = bgr.at<cv::Vec3b>(y, x);
                    data.insert(data.end(), {px[2], px[1], px[0]});
                }
            pe.push_back(shorts(259, {1}));
            pe.push_back(shorts(262, {2}));
        }
        std::uint32_t at = t.blob(data);
        pe.push_back(longs(273, {at}));
        pe.push_back(longs(279, {std::uint32_t(data.size())}));
        previewIfd = t.ifd(pe);
    }

    std::vector<Entry> e{longs(254, {0}),
                         longs(256, {std::uint32_t(s.width)}),
                         longs(257, {std::uint32_t(s.height)}),
                         shorts(258, {16}),
                         shorts(259, {s.deflate ? 8u : 1u}),
                         shorts(262, {32803}),
                         longs(273, {rawAt}),
                         shorts(277, {1}),
                         longs(278, {std::uint32_t(s.height)}),
                         longs(279, {std::uint32_t(raw.size())}),
                         shorts(284, {1}),
                         shorts(33421, {2, 2}),
                         bytes(33422, {0, 1, 1, 2}),
                         shorts(50714, {s.blackLevel}),
                         shorts(50717, {s.whiteLevel})};
    if (previewIfd) e.push_back(longs(330, {*previewIfd}));
    addCommon(e, t, s.make, s.model, s.rawModelBytes, s.orientation, s.colorMatrix, s.asShotNeutral, s.iso,
              s.exposureTime, s.fNumber, s.focalLength);
    addConverterColour(e, s);
    return t.finish(t.ifd(e));
}

void writeDng(const std::filesystem::path& file, const DngSpec& spec) { writeBytes(file, dngBytes(spec)); }

std::vector<std::uint8_t> dngOpcodeList(const std::vector<DngOpcode>& opcodes) {
    std::vector<std::uint8_t> out;
    auto big32 = [&](std::uint32_t v) {
        for (int i = 3; i >= 0; --i) out.push_back(std::uint8_t(v >> (8 * i)));
    };
    big32(std::uint32_t(opcodes.size()));
    for (const auto& op : opcodes) {
        big32(op.id);
        big32(0x01030000);  // the DNG version the opcode needs
        big32(0);           // flags
        big32(std::uint32_t(op.parameters.size()));
        out.insert(out.end(), op.parameters.begin(), op.parameters.end());
    }
    return out;
}

std::vector<std::uint8_t> smartPreviewBytes(const SmartPreviewSpec& s) {
    TiffBuilder t;
    SceneFn scene = s.scene ? s.scene : greyRamp(s.asShotNeutral);
    constexpr int tile = 256;

    // 8-bit samples through an sRGB-shaped linearization table to 16-bit linear values.
    std::vector<std::uint32_t> table(256);
    for (int i = 0; i < 256; ++i) table[i] = std::uint32_t(std::lround(65535 * srgbDecode(i / 255.0)));

    // The image once; tiles past its right and bottom edges repeat the edge pixels.
    cv::Mat image(s.height, s.width, CV_8UC3);
    for (int y = 0; y < s.height; ++y)
        for (int x = 0; x < s.width; ++x) {
            auto v = scene(x, y, s.width, s.height);
            auto enc = [&](double c) { return std::uint8_t(std::lround(255 * srgbEncode(c))); };
            image.at<cv::Vec3b>(y, x) = cv::Vec3b(enc(v[2]), enc(v[1]), enc(v[0]));
        }
    int across = (s.width + tile - 1) / tile, down = (s.height + tile - 1) / tile;
    std::vector<std::uint32_t> offsets, counts;
    for (int ty = 0; ty < down; ++ty)
        for (int tx = 0; tx < across; ++tx) {
            cv::Mat bgr(tile, tile, CV_8UC3, cv::Scalar(0, 0, 0));
            for (int y = 0; y < tile; ++y)
                for (int x = 0; x < tile; ++x) {
                    int X = std::min(tx * tile + x, s.width - 1), Y = std::min(ty * tile + y, s.height - 1);
                    bgr.at<cv::Vec3b>(y, x) = image.at<cv::Vec3b>(Y, X);
                }
            auto data = jpeg(bgr, s.quality);
            offsets.push_back(t.blob(data));
            counts.push_back(std::uint32_t(data.size()));
        }

    std::vector<Entry> e{longs(254, {0}),
                         longs(256, {std::uint32_t(s.width)}),
                         longs(257, {std::uint32_t(s.height)}),
                         shorts(258, {8, 8, 8}),
                         shorts(259, {34892}),
                         shorts(262, {34892}),
                         shorts(277, {3}),
                         shorts(284, {1}),
                         longs(322, {tile}),
                         longs(323, {tile}),
                         longs(324, offsets),
                         longs(325, counts),
                         shorts(50712, table),
                         shorts(50717, {65535, 65535, 65535})};
    if (s.asShotWhiteXY) e.push_back(rationals(50729, {(*s.asShotWhiteXY)[0], (*s.asShotWhiteXY)[1]}));
    if (!s.opcodeList2.empty()) e.push_back(bytes(51009, s.opcodeList2, UNDEFINED));
    addCommon(e, t, s.make, s.model, std::nullopt, s.orientation, s.colorMatrix, s.asShotNeutral, s.iso,
              s.exposureTime, s.fNumber, s.focalLength);
    return t.finish(t.ifd(e));
}

void writeSmartPreview(const std::filesystem::path& file, const SmartPreviewSpec& spec) {
    writeBytes(file, smartPreviewBytes(spec));
}

std::filesystem::path writeCatalogSmartPreview(const std::filesystem::path& catalog, const std::string& fileID,
                                               const SmartPreviewSpec& spec) {
    std::string id = fileID;
    for (char& c : id) c = char(std::toupper(static_cast<unsigned char>(c)));
    if (id.size() < 4) throw std::invalid_argument("file identifier too short");
    std::filesystem::path file = catalog.parent_path() / (catalog.stem().string() + " Smart Previews.lrdata") /
                                 id.substr(0, 1) / id.substr(0, 4) / (id + ".dng");
    writeSmartPreview(file, spec);
    return file;
}

}  // namespace orvane::testing
