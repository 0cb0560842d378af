#include "testing/catalog_builder.h"

#include <zlib.h>

#include <array>
#include <charconv>
#include <cstdio>
#include <fstream>
#include <random>
#include <stdexcept>

#include "core/base/numbers.h"

namespace orvane::testing {

namespace fs = std::filesystem;

std::vector<std::string> settingsTexts(const fs::path& catalog) {
    const auto db = Sqlite::Connection::open(catalog.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare("select text from Adobe_imageDevelopSettings order by id_local");
    std::vector<std::string> out;
    while (q.step() == Sqlite::Step::row) out.emplace_back(*q.text(0));
    return out;
}

std::optional<double> settingValue(const std::string& text, const std::string& key) {
    const std::string needle = key + " = ";
    const auto at = text.find(needle);
    if (at == std::string::npos) return std::nullopt;
    const char* first = text.data() + at + needle.size();
    if (*first == '+') ++first;
    double value = 0;
    const auto [end, ec] = std::from_chars(first, text.data() + text.size(), value);
    if (ec != std::errc()) return std::nullopt;
    return value;
}

namespace {
std::string lowerAscii(std::string s) {
    for (auto& c : s)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return s;
}
}  // namespace

// ---- DevelopText ----

DevelopText& DevelopText::number(const std::string& key, double value) {
    entries_.push_back(key + " = " + Numbers::shortest(value));
    return *this;
}

DevelopText& DevelopText::text(const std::string& key, const std::string& value) {
    entries_.push_back(key + " = \"" + value + "\"");
    return *this;
}

DevelopText& DevelopText::boolean(const std::string& key, bool value) {
    entries_.push_back(key + " = " + (value ? "true" : "false"));
    return *this;
}

DevelopText& DevelopText::curve(const std::string& key, const std::vector<int>& points) {
    std::string body = key + " = {";
    for (std::size_t i = 0; i < points.size(); ++i) {
        body += (i == 0 ? " " : ",\n");
        body += std::to_string(points[i]);
    }
    body += points.empty() ? "}" : " }";
    entries_.push_back(body);
    return *this;
}

DevelopText& DevelopText::table(const std::string& key, const DevelopText& nested) {
    entries_.push_back(key + " = " + nested.tableText());
    return *this;
}

DevelopText& DevelopText::list(const std::string& key, const std::vector<DevelopText>& items) {
    std::string body = key + " = {";
    for (std::size_t i = 0; i < items.size(); ++i) {
        body += (i == 0 ? " " : ",\n");
        body += items[i].tableText();
    }
    body += items.empty() ? "}" : " }";
    entries_.push_back(body);
    return *this;
}

DevelopText& DevelopText::verbatim(const std::string& entry) {
    entries_.push_back(entry);
    return *this;
}

std::string DevelopText::tableText() const {
    if (entries_.empty()) return "{}";
    std::string out = "{ ";
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (i) out += ",\n";
        out += entries_[i];
    }
    out += " }";
    return out;
}

std::string DevelopText::str() const { return "s = " + tableText(); }

std::string realisticDevelopText(std::uint64_t seed, std::size_t targetBytes, bool edited) {
    std::mt19937_64 rng(seed);
    auto uniform = [&](double lo, double hi) { return lo + (hi - lo) * std::uniform_real_distribution<double>(0, 1)(rng); };
    auto whole = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    auto tone = [&](double lo, double hi) { return edited ? static_cast<double>(whole(static_cast<int>(lo), static_cast<int>(hi))) : 0.0; };

    static const std::array<const char*, 8> colours = {"Red", "Orange", "Yellow", "Green", "Aqua", "Blue", "Purple", "Magenta"};
    DevelopText t;
    t.boolean("AutoGrayscaleMix", true).number("AutoLateralCA", 0).number("AutoWhiteVersion", 134348800);
    t.number("Blacks2012", tone(-40, 20)).number("BlueHue", 0).number("BlueSaturation", 0);
    t.text("CameraProfile", "Adobe Standard").text("CameraProfileDigest", "BA45C872F6A5D11497D00CBA08D5783F");
    t.number("Clarity2012", tone(-10, 35)).number("ColorNoiseReduction", 25).number("ColorNoiseReductionDetail", 50);
    t.number("ColorNoiseReductionSmoothness", 50).number("Contrast2012", tone(-30, 40)).boolean("ConvertToGrayscale", false);
    t.number("CropAngle", edited ? std::round(uniform(-3, 3) * 100) / 100 : 0).number("CropBottom", 1);
    t.boolean("CropConstrainToWarp", false).number("CropLeft", 0).number("CropRight", 1).number("CropTop", 0);
    t.number("DefringeGreenAmount", 0).number("DefringeGreenHueHi", 60).number("DefringeGreenHueLo", 40);
    t.number("DefringePurpleAmount", 0).number("DefringePurpleHueHi", 70).number("DefringePurpleHueLo", 30);
    t.number("Dehaze", tone(-5, 25));
    for (const char* e : {"EnableCalibration", "EnableCircularGradientBasedCorrections", "EnableColorAdjustments",
                          "EnableDetail", "EnableEffects", "EnableGradientBasedCorrections", "EnableGrayscaleMix",
                          "EnableLensCorrections", "EnableMaskGroupBasedCorrections", "EnablePaintBasedCorrections",
                          "EnableRedEye", "EnableRetouch", "EnableSplitToning", "EnableToneCurve", "EnableTransform"})
        t.boolean(e, true);
    t.number("Exposure2012", edited ? std::round(uniform(-1.5, 1.5) * 100) / 100 : 0);
    t.number("GrainAmount", 0).number("GrainFrequency", 50).number("GrainSize", 25);
    for (const char* c : colours) t.number(std::string("GrayMixer") + c, whole(-20, 20));
    t.number("GreenHue", 0).number("GreenSaturation", 0).number("Highlights2012", tone(-80, 10));
    for (const char* c : colours) t.number(std::string("HueAdjustment") + c, whole(-10, 10));
    t.number("LensManualDistortionAmount", 0).boolean("LensProfileEnable", true).text("LensProfileSetup", "LensDefaults");
    for (const char* c : colours) t.number(std::string("LuminanceAdjustment") + c, whole(-15, 15));
    t.number("LuminanceSmoothing", whole(0, 30));
    t.list("MaskGroupBasedCorrections",
           {DevelopText()
                .text("What", "Correction")
                .number("CorrectionAmount", 1)
                .boolean("CorrectionActive", true)
                .text("CorrectionName", "Subiect")
                .number("LocalExposure2012", std::round(uniform(-0.5, 0.5) * 1000) / 1000)
                .number("LocalContrast2012", 0)
                .list("CorrectionMasks", {DevelopText()
                                              .text("What", "Mask/Image")
                                              .number("MaskValue", 1)
                                              .text("MaskSubType", "1")
                                              .number("MaskVersion", 1)})});
    t.number("ParametricDarks", 0).number("ParametricHighlightSplit", 75).number("ParametricHighlights", 0);
    t.number("ParametricLights", 0).number("ParametricMidtoneSplit", 50).number("ParametricShadowSplit", 25);
    t.number("ParametricShadows", 0).number("PerspectiveAspect", 0).number("PerspectiveHorizontal", 0);
    t.number("PerspectiveRotate", 0).number("PerspectiveScale", 100).number("PerspectiveUpright", 0);
    t.number("PerspectiveVertical", 0).number("PerspectiveX", 0).number("PerspectiveY", 0);
    t.number("PostCropVignetteAmount", whole(-20, 0)).number("PostCropVignetteFeather", 50);
    t.number("PostCropVignetteHighlightContrast", 0).number("PostCropVignetteMidpoint", 50);
    t.number("PostCropVignetteRoundness", 0).number("PostCropVignetteStyle", 1).text("ProcessVersion", "11.0");
    t.number("RedEyeInfo", 0).number("RedHue", 0).number("RedSaturation", 0).number("Saturation", tone(-10, 10));
    for (const char* c : colours) t.number(std::string("SaturationAdjustment") + c, whole(-20, 20));
    t.number("Shadows2012", tone(-10, 60)).number("ShadowTint", 0).number("SharpenDetail", 25);
    t.number("SharpenEdgeMasking", 0).number("SharpenRadius", 1).number("Sharpness", 40);
    t.number("SplitToningBalance", 0).number("SplitToningHighlightHue", 0).number("SplitToningHighlightSaturation", 0);
    t.number("SplitToningShadowHue", 0).number("SplitToningShadowSaturation", 0);
    t.number("Temperature", edited ? whole(3200, 7500) : 5200).number("Texture", tone(-10, 30));
    t.number("Tint", edited ? whole(-20, 30) : 4).text("ToneCurveName2012", "Linear");
    t.curve("ToneCurvePV2012", {0, 0, whole(20, 70), whole(20, 70), 255, 255});
    t.curve("ToneCurvePV2012Blue", {0, 0, 255, 255});
    t.curve("ToneCurvePV2012Green", {0, 0, 255, 255});
    t.curve("ToneCurvePV2012Red", {0, 0, 255, 255});
    t.text("Version", "15.0").number("Vibrance", tone(-10, 40)).number("VignetteAmount", 0);
    t.text("WhiteBalance", edited ? "Custom" : "As Shot").number("Whites2012", tone(-20, 40));
    // Retouch spots fill the text up to the size a busy photo has.
    std::string text = t.str();
    int spot = 0;
    while (text.size() + 160 < targetBytes) {
        DevelopText s;
        s.text("What", "Retouch").number("SpotX", std::round(uniform(0, 1) * 1e6) / 1e6);
        s.number("SpotY", std::round(uniform(0, 1) * 1e6) / 1e6).number("SpotRadius", 0.012345);
        t.list("RetouchInfo" + std::to_string(++spot), {s});
        text = t.str();
    }
    return text;
}

std::vector<std::string> generationDevelopTexts() {
    std::vector<std::string> texts;
    // 2010: the first local-adjustment brushes, curves under their old names, no "2012" keys.
    {
        DevelopText t;
        t.number("Blacks", 5).number("Brightness", 50).number("Clarity", 0).number("Contrast", 25);
        t.number("Exposure", 0.15).number("FillLight", 0).number("HighlightRecovery", 10);
        t.text("ProcessVersion", "5.7").text("ToneCurveName", "Medium Contrast");
        t.curve("ToneCurve", {0, 0, 32, 22, 64, 56, 128, 128, 192, 196, 255, 255});
        t.list("PaintBasedCorrections",
               {DevelopText()
                    .text("What", "Correction")
                    .number("CorrectionAmount", 1)
                    .boolean("CorrectionActive", true)
                    .number("LocalExposure", 0.3)
                    .list("CorrectionMasks", {DevelopText()
                                                  .text("What", "Mask/Paint")
                                                  .number("MaskValue", 1)
                                                  .number("Radius", 0.083)
                                                  .number("Flow", 1)
                                                  .number("CenterWeight", 0)
                                                  .curve("Dabs", {})})});
        t.text("Version", "6.7").text("WhiteBalance", "As Shot");
        texts.push_back(t.str());
    }
    // 2012: the "2012" tone keys, a graduated filter, a string with an escaped quote and backslash.
    {
        DevelopText t;
        t.number("Blacks2012", -12).number("Clarity2012", 20).number("Contrast2012", 10);
        t.number("Exposure2012", -0.35).number("Highlights2012", -60).number("Shadows2012", 45);
        t.text("CameraProfile", "Camera Neutral").text("ProcessVersion", "6.7");
        t.text("LensProfileName", "Adobe (Canon EF 50mm f/1.4 USM)");
        t.verbatim(R"(LensProfileFilename = "Canon "EF" 50mm\f1.4.lcp")");
        t.curve("ToneCurvePV2012", {0, 0, 255, 255});
        t.list("GradientBasedCorrections",
               {DevelopText()
                    .text("What", "Correction")
                    .number("LocalExposure2012", -0.5)
                    .list("CorrectionMasks", {DevelopText()
                                                  .text("What", "Mask/Gradient")
                                                  .number("ZeroX", 0.5)
                                                  .number("ZeroY", 0.1)
                                                  .number("FullX", 0.5)
                                                  .number("FullY", 0.4)})});
        t.number("Temperature", 5450).number("Tint", 8).text("Version", "9.1").text("WhiteBalance", "Custom");
        texts.push_back(t.str());
    }
    // 2018 to 2022: a look table, texture and dehaze, an apostrophe-quoted string, a trailing comma.
    {
        DevelopText t;
        t.number("Dehaze", 12).number("Exposure2012", 0.5).number("Texture", 15);
        t.table("Look", DevelopText()
                            .text("Name", "Adobe Color")
                            .number("Amount", 1)
                            .text("UUID", "B952C231111CD8E0ECCF14B86BAA7077")
                            .table("Parameters", DevelopText().text("ProcessVersion", "11.0").number("ConvertToGrayscale", 0)));
        t.verbatim("LookName = 'Adobe Color'");
        t.text("ProcessVersion", "11.0").text("Version", "12.3").text("WhiteBalance", "Daylight");
        std::string text = t.str();
        text.insert(text.size() - 2, ",");
        texts.push_back(text);
    }
    // Current: mask groups with AI masks and brushes, point colour, curves per channel, Unicode text.
    {
        DevelopText t;
        t.number("Exposure2012", 0.25).number("HDREditMode", 0).text("ProcessVersion", "15.4");
        t.curve("ToneCurvePV2012", {0, 0, 60, 52, 190, 200, 255, 255});
        t.curve("ToneCurvePV2012Red", {0, 0, 255, 255});
        t.list("MaskGroupBasedCorrections",
               {DevelopText()
                    .text("What", "Correction")
                    .text("CorrectionName", "Cer – albastru")
                    .number("LocalExposure2012", -0.2)
                    .list("CorrectionMasks", {DevelopText().text("What", "Mask/Image").text("MaskSubType", "2")}),
                DevelopText()
                    .text("What", "Correction")
                    .text("CorrectionName", "Persoană 1, față")
                    .list("CorrectionMasks", {DevelopText()
                                                  .text("What", "Mask/Paint")
                                                  .list("Dabs", {DevelopText().text("d", "0.5 0.5")})})});
        t.list("PointColors", {DevelopText().number("SrcHue", 0.1).number("HueShift", 0)});
        t.text("Version", "17.0").text("WhiteBalance", "Custom").number("Temperature", 5650);
        texts.push_back(t.str());
    }
    return texts;
}

// ---- history texts ----

std::string compressHistoryText(std::string_view text) {
    uLongf bound = compressBound(static_cast<uLong>(text.size()));
    std::string out(4 + bound, '\0');
    const auto n = static_cast<std::uint32_t>(text.size());
    out[0] = static_cast<char>(n >> 24);
    out[1] = static_cast<char>(n >> 16);
    out[2] = static_cast<char>(n >> 8);
    out[3] = static_cast<char>(n);
    if (compress2(reinterpret_cast<Bytef*>(out.data() + 4), &bound, reinterpret_cast<const Bytef*>(text.data()),
                  static_cast<uLong>(text.size()), Z_DEFAULT_COMPRESSION) != Z_OK)
        throw std::runtime_error("compress2 failed");
    out.resize(4 + bound);
    return out;
}

std::optional<std::string> decompressHistoryText(std::string_view blob) {
    if (blob.size() < 4) return std::nullopt;
    const auto byte = [&](std::size_t i) { return static_cast<std::uint32_t>(static_cast<unsigned char>(blob[i])); };
    const std::uint32_t n = byte(0) << 24 | byte(1) << 16 | byte(2) << 8 | byte(3);
    std::string out(n, '\0');
    uLongf length = n;
    if (uncompress(reinterpret_cast<Bytef*>(out.data()), &length, reinterpret_cast<const Bytef*>(blob.data() + 4),
                   static_cast<uLong>(blob.size() - 4)) != Z_OK || length != n)
        return std::nullopt;
    return out;
}

// ---- CatalogBuilder ----

CatalogBuilder::CatalogBuilder(fs::path file) : CatalogBuilder(std::move(file), Options{}) {}

CatalogBuilder::CatalogBuilder(fs::path file, Options options) : file_(std::move(file)), counter_(options.firstEntityID) {
    std::error_code ec;
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) fs::remove(file_.string() + suffix, ec);
    if (file_.has_parent_path()) fs::create_directories(file_.parent_path());
    db_ = Sqlite::Connection::open(file_.string(), SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE);
    createSchema(options.wal);
}

CatalogBuilder::~CatalogBuilder() = default;

void CatalogBuilder::createSchema(bool wal) {
    // A fixture need not survive a power cut; syncing every row makes large catalogs crawl.
    db_.exec("pragma synchronous = off");
    if (wal) {
        auto mode = db_.prepare("pragma journal_mode = wal");
        if (mode.step() != Sqlite::Step::row || mode.text(0) != std::optional<std::string_view>("wal"))
            throw std::runtime_error("WAL mode refused");
    }
    db_.exec(R"(
        create table AgLibraryRootFolder (id_local integer primary key, id_global unique, absolutePath,
            name, relativePathFromCatalog);
        create table AgLibraryFolder (id_local integer primary key, id_global unique, pathFromRoot,
            rootFolder integer);
        create table AgLibraryFile (id_local integer primary key, id_global unique, baseName, extension,
            folder integer, idx_filename, originalFilename);
        create index index_AgLibraryFile_folder on AgLibraryFile(folder);
        create table Adobe_images (id_local integer primary key, id_global unique, captureTime, copyName,
            fileFormat, rootFile integer, masterImage integer, pick default 0, rating);
        create index index_Adobe_images_rootFile on Adobe_images(rootFile);
        create table Adobe_imageDevelopSettings (id_local integer primary key, image integer, text,
            digest, hasDevelopAdjustmentsEx, whiteBalance, hasMasks, beforeSettingsIDCache);
        create index index_Adobe_imageDevelopSettings_image on Adobe_imageDevelopSettings(image);
        create table Adobe_libraryImageDevelopHistoryStep (id_local integer primary key, image integer,
            name, dateCreated, text, valueType);
        create index index_Adobe_libraryImageDevelopHistoryStep_image
            on Adobe_libraryImageDevelopHistoryStep(image, dateCreated);
        create table Adobe_imageDevelopBeforeSettings (id_local integer primary key, developSettings integer,
            beforeText, beforeDigest, beforeHasDevelopAdjustments, beforePresetID, hasBigData);
        create index index_Adobe_imageDevelopBeforeSettings_developSettings
            on Adobe_imageDevelopBeforeSettings(developSettings);
        create table Adobe_variablesTable (id_local integer primary key, id_global unique, name, value);
        create table AgLibraryKeyword (id_local integer primary key, id_global unique, dateCreated,
            genealogy, imageCountCache, includeOnExport, includeParents, includeSynonyms, keywordType,
            lastApplied, lc_name, name, parent integer);
        create table AgLibraryKeywordImage (id_local integer primary key, image integer, tag integer);
    )");
    // The root keyword row every catalog has: no parent, no name.
    const std::int64_t root = nextID();
    rootKeyword_ = root;
    db_.prepare("insert into AgLibraryKeyword (id_local, id_global, dateCreated, genealogy) values (?1, ?2, 0, ?3)")
        .bind(1, root)
        .bind(2, "00000000-0000-4000-8000-0000000000FF")
        .bind(3, "/" + std::to_string(std::to_string(root).size()) + std::to_string(root))
        .run();
}

std::int64_t CatalogBuilder::nextID() {
    ++counter_;
    auto up = db_.prepare("update Adobe_variablesTable set value = ?1 where name = 'Adobe_entityIDCounter'");
    up.bind(1, static_cast<double>(counter_)).run();
    if (sqlite3_changes(db_.handle()) == 0) {
        db_.prepare(
               "insert into Adobe_variablesTable (id_global, name, value) "
               "values ('00000000-0000-4000-8000-0000000000EC', 'Adobe_entityIDCounter', ?1)")
            .bind(1, static_cast<double>(counter_))
            .run();
    }
    return counter_;
}

std::int64_t CatalogBuilder::entityCounter() const {
    auto q = db_.prepare("select cast(value as integer) from Adobe_variablesTable where name = 'Adobe_entityIDCounter'");
    if (q.step() != Sqlite::Step::row) throw std::runtime_error("no entity counter");
    return q.int64(0);
}

std::int64_t CatalogBuilder::rootFolder(const std::optional<std::string>& absolutePath) {
    const auto id = nextID();
    db_.prepare("insert into AgLibraryRootFolder (id_local, id_global, absolutePath, name) values (?1, ?2, ?3, ?4)")
        .bind(1, id)
        .bind(2, "R-" + std::to_string(id))
        .bind(3, absolutePath)
        .bind(4, absolutePath.value_or(""))
        .run();
    return id;
}

std::int64_t CatalogBuilder::folder(std::int64_t root, const std::optional<std::string>& pathFromRoot) {
    const auto id = nextID();
    db_.prepare("insert into AgLibraryFolder (id_local, id_global, pathFromRoot, rootFolder) values (?1, ?2, ?3, ?4)")
        .bind(1, id)
        .bind(2, "F-" + std::to_string(id))
        .bind(3, pathFromRoot)
        .bind(4, root)
        .run();
    return id;
}

std::int64_t CatalogBuilder::file(std::int64_t folder, const std::optional<std::string>& baseName,
                                  const std::optional<std::string>& extension,
                                  const std::optional<std::string>& idGlobal, bool nullID) {
    const auto id = nextID();
    std::optional<std::string> global = idGlobal;
    if (!global && !nullID) {
        // Deterministic upper-case UUIDs, so tests can name expected values.
        char text[40];
        std::snprintf(text, sizeof text, "6F1C0B2A-0000-4000-8000-%012llX",
                      static_cast<unsigned long long>(++uuidCounter_));
        global = text;
    }
    db_.prepare(
           "insert into AgLibraryFile (id_local, id_global, baseName, extension, folder, idx_filename) "
           "values (?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, id)
        .bind(2, global)
        .bind(3, baseName)
        .bind(4, extension)
        .bind(5, folder)
        .bind(6, baseName.value_or("") + "." + extension.value_or(""))
        .run();
    return id;
}

std::int64_t CatalogBuilder::image(std::int64_t file, const std::string& fileFormat,
                                   const std::optional<std::string>& copyName,
                                   const std::optional<std::string>& captureTime) {
    const auto id = nextID();
    db_.prepare(
           "insert into Adobe_images (id_local, id_global, captureTime, copyName, fileFormat, rootFile) "
           "values (?1, ?2, ?3, ?4, ?5, ?6)")
        .bind(1, id)
        .bind(2, "I-" + std::to_string(id))
        .bind(3, captureTime)
        .bind(4, copyName)
        .bind(5, fileFormat)
        .bind(6, file)
        .run();
    return id;
}

std::int64_t CatalogBuilder::developSettings(std::int64_t image, const std::optional<std::string>& text) {
    const auto id = nextID();
    db_.prepare(
           "insert into Adobe_imageDevelopSettings (id_local, image, text, digest, hasDevelopAdjustmentsEx, "
           "whiteBalance, hasMasks) values (?1, ?2, ?3, ?4, 1, 'As Shot', 0)")
        .bind(1, id)
        .bind(2, image)
        .bind(3, text)
        .bind(4, "d" + std::to_string(id))
        .run();
    return id;
}

std::int64_t CatalogBuilder::historyStep(std::int64_t image, const std::string& name, double dateCreated,
                                         std::string_view text) {
    return historyBlob(image, name, dateCreated, compressHistoryText(text));
}

std::int64_t CatalogBuilder::historyBlob(std::int64_t image, const std::string& name, double dateCreated,
                                         std::string_view blob) {
    const auto id = nextID();
    db_.prepare(
           "insert into Adobe_libraryImageDevelopHistoryStep (id_local, image, name, dateCreated, text, valueType) "
           "values (?1, ?2, ?3, ?4, ?5, 'compressed')")
        .bind(1, id)
        .bind(2, image)
        .bind(3, name)
        .bind(4, dateCreated)
        .bindBlob(5, blob)
        .run();
    return id;
}

std::int64_t CatalogBuilder::beforeSettings(std::int64_t settingsID, const std::optional<std::string>& beforeText) {
    const auto id = nextID();
    db_.prepare(
           "insert into Adobe_imageDevelopBeforeSettings (id_local, developSettings, beforeText, beforeDigest, "
           "beforeHasDevelopAdjustments, beforePresetID, hasBigData) values (?1, ?2, ?3, 'b0', 1.0, 'default', 0)")
        .bind(1, id)
        .bind(2, settingsID)
        .bind(3, beforeText)
        .run();
    db_.prepare("update Adobe_imageDevelopSettings set beforeSettingsIDCache = ?1 where id_local = ?2")
        .bind(1, id)
        .bind(2, settingsID)
        .run();
    return id;
}

std::int64_t CatalogBuilder::keyword(const std::string& name, std::optional<std::int64_t> parent) {
    const std::int64_t parentID = parent.value_or(rootKeyword_);
    std::string parentGenealogy;
    {
        auto q = db_.prepare("select genealogy from AgLibraryKeyword where id_local = ?1");
        q.bind(1, parentID);
        if (q.step() != Sqlite::Step::row) throw std::runtime_error("no parent keyword");
        parentGenealogy = std::string(q.text(0).value_or(""));
    }
    const auto id = nextID();
    const std::string lc = lowerAscii(name);
    const std::string digits = std::to_string(id);
    db_.prepare(
           "insert into AgLibraryKeyword (id_local, id_global, dateCreated, genealogy, includeOnExport, "
           "includeParents, includeSynonyms, lc_name, name, parent) values (?1, ?2, 700000000, ?3, 1, 1, 1, ?4, ?5, ?6)")
        .bind(1, id)
        .bind(2, "K-" + digits)
        .bind(3, parentGenealogy + "/" + std::to_string(digits.size()) + digits)
        .bind(4, lc)
        .bind(5, name)
        .bind(6, parentID)
        .run();
    return id;
}

void CatalogBuilder::keywordRow(std::int64_t idLocal, const std::string& name) {
    const std::string lc = lowerAscii(name);
    db_.prepare("insert into AgLibraryKeyword (id_local, id_global, lc_name, name, parent) values (?1, ?2, ?3, ?4, ?5)")
        .bind(1, idLocal)
        .bind(2, "K-odd-" + std::to_string(idLocal))
        .bind(3, lc)
        .bind(4, name)
        .bind(5, rootKeyword_)
        .run();
}

void CatalogBuilder::removeEntityCounter() { db_.exec("delete from Adobe_variablesTable where name = 'Adobe_entityIDCounter'"); }

CatalogBuilder::Ids CatalogBuilder::photo(const Photo& p) {
    std::int64_t root = 0;
    for (const auto& [path, id] : roots_)
        if (path == p.root) root = id;
    if (!root) {
        root = rootFolder(p.root);
        roots_.emplace_back(p.root, root);
    }
    const std::string key = std::to_string(root) + "|" + p.folder;
    std::int64_t folderID = 0;
    for (const auto& [k, id] : folders_)
        if (k == key) folderID = id;
    if (!folderID) {
        folderID = folder(root, p.folder);
        folders_.emplace_back(key, folderID);
    }
    Ids ids;
    ids.file = file(folderID, p.baseName, p.extension, p.fileID);
    auto q = db_.prepare("select id_global from AgLibraryFile where id_local = ?1");
    q.bind(1, ids.file);
    if (q.step() == Sqlite::Step::row) ids.fileID = std::string(q.text(0).value_or(""));
    ids.image = image(ids.file, p.fileFormat, std::nullopt, p.captureTime);
    if (p.settings) developSettings(ids.image, p.settings);
    return ids;
}

std::int64_t CatalogBuilder::virtualCopy(std::int64_t masterFile, const std::string& copyName,
                                         const std::optional<std::string>& settings) {
    const auto id = image(masterFile, "RAW", copyName, std::nullopt);
    if (settings) developSettings(id, settings);
    return id;
}

void CatalogBuilder::begin() { db_.exec("begin immediate"); }
void CatalogBuilder::commit() { db_.exec("commit"); }

void CatalogBuilder::close() { db_ = Sqlite::Connection(); }

// ---- files beside the catalog ----

fs::path writeLockFile(const fs::path& catalog) {
    fs::path lock = catalog;
    lock += ".lock";
    std::ofstream out(lock, std::ios::binary | std::ios::trunc);
    out << "pid=4242\n";
    if (!out) throw std::runtime_error("cannot write " + lock.string());
    return lock;
}

void corruptPage(const fs::path& file, std::int64_t page) {
    std::fstream f(file, std::ios::binary | std::ios::in | std::ios::out);
    if (!f) throw std::runtime_error("cannot open " + file.string());
    unsigned char header[18] = {};
    f.read(reinterpret_cast<char*>(header), sizeof header);
    if (!f) throw std::runtime_error("not an SQLite file: " + file.string());
    std::uint32_t pageSize = static_cast<std::uint32_t>(header[16]) << 8 | header[17];
    if (pageSize == 1) pageSize = 65536;
    if (page < 1 || pageSize < 512) throw std::runtime_error("bad page");
    const auto offset = static_cast<std::streamoff>(page - 1) * pageSize;
    if (offset + static_cast<std::streamoff>(pageSize) > static_cast<std::streamoff>(fs::file_size(file)))
        throw std::runtime_error("page beyond the end of " + file.string());
    std::string garbage(pageSize, '\0');
    for (std::uint32_t i = 0; i < pageSize; ++i) garbage[i] = static_cast<char>(0xA5 ^ (i * 31));
    f.seekp(offset);
    f.write(garbage.data(), static_cast<std::streamsize>(garbage.size()));
    f.flush();
    if (!f) throw std::runtime_error("cannot write " + file.string());
}

std::vector<std::int64_t> pagesOf(const fs::path& file, const std::string& name, bool leavesOnly) {
    const auto db = Sqlite::Connection::open(file.string(), SQLITE_OPEN_READONLY);
    auto q = db.prepare("select pageno from dbstat where name = ?1 and (?2 = 0 or pagetype = 'leaf') order by pageno");
    q.bind(1, name).bind(2, leavesOnly ? 1 : 0);
    std::vector<std::int64_t> pages;
    while (q.step() == Sqlite::Step::row) pages.push_back(q.int64(0));
    return pages;
}

}  // namespace orvane::testing
