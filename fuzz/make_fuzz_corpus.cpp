// Writes the seed inputs of every fuzz target into <folder>/<target>/: DNG files of each kind the
// readers meet, a small catalog and history steps, settings texts, presets and sidecars, stored JSON
// records, a profile package's files and a signed application folder. All of it is made here from the
// test-support writers, so the seeds need nothing from outside.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "core/base/strict_json.h"
#include "core/catalog/catalog_records.h"
#include "core/photo/as_shot_wb.h"
#include "core/masks/teeth_mask.h"
#include "core/store/project.h"
#include "core/style/compiled_model.h"
#include "core/style/model.h"
#include "core/style/model_storage.h"
#include "core/style/profile.h"
#include "core/update/code_signature.h"
#include "core/xmp/develop_preset.h"
#include "fuzz/fuzz_support.h"
#include "testing/catalog_builder.h"
#include "testing/dng_writer.h"
#include "testing/model_fixtures.h"
#include "testing/update_fixtures.h"
#include "testing/update_pki.h"

namespace fs = std::filesystem;
using namespace orvane;

namespace {

fs::path root;

void put(const std::string& target, const std::string& name, const std::string& bytes) {
    const fs::path file = root / target / name;
    fs::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string text(const std::vector<std::uint8_t>& bytes) { return {bytes.begin(), bytes.end()}; }

const std::string kRdf = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
const std::string kCrs = "http://ns.adobe.com/camera-raw-settings/1.0/";

std::string preset(const std::string& attributes, const std::string& children) {
    return "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\"><rdf:RDF xmlns:rdf=\"" + kRdf +
           "\"><rdf:Description rdf:about=\"\" xmlns:crs=\"" + kCrs + "\" " + attributes + ">" + children +
           "</rdf:Description></rdf:RDF></x:xmpmeta>";
}

void dngs() {
    testing::DngSpec small;
    small.width = 32;
    small.height = 24;
    testing::DngSpec withPreview = small;
    withPreview.preview = testing::DngPreview{};
    withPreview.preview->width = 40;
    withPreview.preview->height = 30;
    testing::DngSpec converted = small;
    converted.illuminant1 = 17;
    converted.colorMatrix2 = testing::defaultColorMatrix();
    converted.cameraCalibration1 = testing::Matrix3d{{{1.1, 0, 0}, {0, 1, 0}, {0, 0, 0.9}}};
    converted.cameraCalibration2 = converted.cameraCalibration1;
    converted.analogBalance = std::array<double, 3>{1.05, 1, 0.95};
    testing::SmartPreviewSpec preview;
    preview.width = 64;
    preview.height = 48;
    testing::SmartPreviewSpec whiteXY = preview;
    whiteXY.asShotNeutral.reset();
    whiteXY.asShotWhiteXY = std::array<double, 2>{0.3457, 0.3585};
    testing::SmartPreviewSpec opcodes = preview;
    opcodes.opcodeList2 = testing::dngOpcodeList({{9, std::vector<std::uint8_t>(12, 0)}, {8, std::vector<std::uint8_t>(40, 0)}});
    for (const std::string target : {"dng_header", "raw"}) {
        put(target, "bayer.dng", text(testing::dngBytes(small)));
        put(target, "bayer-preview.dng", text(testing::dngBytes(withPreview)));
        put(target, "converted.dng", text(testing::dngBytes(converted)));
        put(target, "smart-preview.dng", text(testing::smartPreviewBytes(preview)));
        put(target, "smart-preview-xy.dng", text(testing::smartPreviewBytes(whiteXY)));
        put(target, "smart-preview-opcodes.dng", text(testing::smartPreviewBytes(opcodes)));
    }
}

void catalogs() {
    const fs::path file = root / "catalog-build" / "seed.lrcat";
    fs::create_directories(file.parent_path());
    {
        testing::CatalogBuilder b(file);
        testing::CatalogBuilder::Photo p;
        p.settings = testing::realisticDevelopText(1, 1500);
        p.captureTime = "2024-05-01T10:00:00";
        b.photo(p);
        p.baseName = "IMG_0002";
        p.extension = "DNG";
        p.fileFormat = "DNG";
        p.settings = testing::DevelopText().number("Exposure2012", 0.5).text("WhiteBalance", "As Shot").str();
        b.photo(p);
        b.close();
    }
    std::ifstream in(file, std::ios::binary);
    put("catalog", "seed.lrcat", std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    fs::remove_all(file.parent_path());

    put("catalog_history", "realistic", testing::compressHistoryText(testing::realisticDevelopText(2, 1500)));
    put("catalog_history", "short", testing::compressHistoryText("s = { Exposure2012 = 0.5 }"));
    put("catalog_history", "latin", testing::compressHistoryText("s = { Title = \"Nuntă în grădină\" }"));

    put("catalog_settings", "realistic.lua", testing::realisticDevelopText(7, 3000));
    put("catalog_settings", "plain.lua", testing::realisticDevelopText(8, 800, false));
    put("catalog_settings", "grey.lua",
        testing::DevelopText()
            .number("Temperature", 5200)
            .boolean("ConvertToGrayscale", true)
            .text("WhiteBalance", "Custom")
            .curve("ToneCurvePV2012", {0, 0, 128, 140, 255, 255})
            .str());
}

void xmps() {
    const std::string mask =
        "<crs:MaskGroupBasedCorrections><rdf:Seq><rdf:li><rdf:Description crs:What=\"Correction\" "
        "crs:CorrectionName=\"Manual\"><crs:CorrectionMasks><rdf:Seq><rdf:li><rdf:Description "
        "crs:What=\"Mask/Aggregate\"/></rdf:li></rdf:Seq></crs:CorrectionMasks></rdf:Description></rdf:li>"
        "</rdf:Seq></crs:MaskGroupBasedCorrections>";
    const std::string rich = preset(
        "crs:Version=\"15.4\" crs:Exposure2012=\"+0.50\" crs:Sharpness=\"40\" crs:AsShotTemperature=\"6000\"",
        "\n <crs:ToneCurvePV2012><rdf:Seq><rdf:li>0, 0</rdf:li><rdf:li>128, 140</rdf:li></rdf:Seq>"
        "</crs:ToneCurvePV2012>\n <crs:Name><rdf:Alt><rdf:li xml:lang=\"x-default\">Cald</rdf:li></rdf:Alt></crs:Name>\n" +
            mask + "\n");
    const std::string foreign =
        "<?xpacket begin=\"\xEF\xBB\xBF\" id=\"W5M0MpCehiHzreSzNTczkc9d\"?>\n<x:xmpmeta xmlns:x=\"adobe:ns:meta/\">\n"
        " <rdf:RDF xmlns:rdf=\"" + kRdf + "\">\n  <rdf:Description rdf:about=\"\" xmlns:xmp=\"http://ns.adobe.com/xap/1.0/\"\n"
        "    xmlns:crs=\"" + kCrs + "\" xmp:Rating=\"3\" crs:Exposure2012=\"+1.00\" crs:Tint=\"+3\">\n   <!-- c -->\n" +
        mask + "\n  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n<?xpacket end=\"w\"?>";
    const DevelopPreset richPreset = DevelopPreset::parse(rich, "rich.xmp");
    const std::string ours = richPreset.sidecar(0.3, 5100, 2.0, {}, {}, nullptr, {});

    put("develop_preset", "neutral.xmp", DevelopPreset::neutralXMP());
    put("develop_preset", "rich.xmp", rich);
    put("develop_preset", "foreign.xmp", foreign);
    put("xmp_merge", "foreign.xmp", foreign);
    put("xmp_merge", "ours.xmp", ours);
    put("xmp_merge", "rich-into-foreign.xmp", rich + std::string(1, '\0') + foreign);
    put("xmp_merge", "rich-into-ours.xmp", rich + std::string(1, '\0') + ours);
}

void records() {
    Project project;
    project.id = Uuid::random();
    project.profileID = Uuid::random();
    project.name = "Nuntă";
    project.folder = "/Photos/2024";
    project.exportedAt = std::chrono::system_clock::now();
    PhotoItem done("/Photos/2024/IMG_0001.CR3");
    done.status = PhotoItem::Status::done;
    done.exposure = 0.5;
    done.temperature = 5200;
    done.extras = std::map<std::string, double>{{"Contrast2012", 12}};
    done.teeth = std::vector<TeethRegion>{TeethRegion{}};
    PhotoItem failed("/Photos/2024/IMG_0002.CR3");
    failed.status = PhotoItem::Status::failed;
    failed.error = "LibRaw -2: fișier";
    project.photos = {done, failed};
    put("strict_json", "project.json", std::string(1, '\0') + json::dump(json::encode(project)));
    put("strict_json", "catalog.json", std::string(1, '\1') + json::dump(json::encode(TrainingCatalog{})));
    put("strict_json", "model.json", std::string(1, '\2') + json::dump(json::encode(CompiledModelInfo{})));
    put("strict_json", "as-shot.json", std::string(1, '\3') + json::dump(json::encode(AsShotWB{5200, -3})));
}

std::string fileText(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A package's files after unzipping: profile.json, models.json, model.json, model.ubj.
void profiles() {
    const fs::path work = root / "profile-build";
    Profile p;
    p.id = Uuid::random();
    p.name = "Nuntă";
    p.presetName = "Cald";
    p.built = std::chrono::system_clock::now();
    p.samples = 240;
    p.engine = "preview";
    const std::string record = json::dump(json::encode(p));
    const std::string selector = json::dump(json::encode(ModelStorage::Selection{*Uuid::parse("AAAAAAAA-0000-4000-8000-000000000001")}));
    testing::writeConstantModel(work, "constant", 0.25f);
    testing::writeStepModel(work, "step", 3, -0.5f, 0.5f);
    for (const std::string model : {"constant", "step"}) {
        const fs::path folder = work / Model::compiledName(model);
        const std::string info = fileText(folder / CompiledModel::infoFile);
        const std::string booster = fileText(folder / CompiledModel::boosterFile);
        put("profile_contents", model + "-flat", fuzz::joinParts({record, "", info, booster}));
        put("profile_contents", model + "-generation", fuzz::joinParts({record, selector, info, booster}));
    }
    fs::remove_all(work);
}

// A signed application folder with the root that trusts it.
void signatures() {
    const fs::path folder = root / "signature-build" / "Vendrel.app";
    const auto pki = testing::makeTestPki();
    const std::string program = "#!/bin/sh\nexit 0\n";
    fuzz::writeFile(folder / "Contents/bin/vendrel", program);
    fs::permissions(folder / "Contents/bin/vendrel", fs::perms(0755));
    CodeSignature::sign(folder, "ro.vendrel.app", "1.0", "Contents/bin/vendrel", pki.team.keyPem, pki.team.chainPem);
    put("code_signature", "signed",
        fuzz::joinParts({pki.rootPem, fileText(folder / CodeSignature::manifestPath),
                         fileText(folder / CodeSignature::signaturePath), program}));
    fs::remove_all(folder.parent_path());
}

// Update releases: a signed application folder in a zip archive, and one with an executable program.
void updateArchives() {
    const fs::path work = root / "update-archive-build";
    const fs::path folder = work / "Vendrel.app";
    testing::makeAppFolder(folder, testing::makeTestPki().team, "1.1+7", work / "marker");
    testing::writeZip(work / "release.zip", testing::entriesOf(folder));
    put("update_archive", "signed-release.zip", fileText(work / "release.zip"));
    testing::writeZip(work / "small.zip", {{"X.app/", "", 040755}, {"X.app/Contents/bin/x", "#!/bin/sh\n", 0100755}});
    put("update_archive", "small.zip", fileText(work / "small.zip"));
    fs::remove_all(work);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_corpus <folder>\n");
        return 2;
    }
    root = argv[1];
    dngs();
    catalogs();
    xmps();
    records();
    profiles();
    signatures();
    updateArchives();
    return 0;
}
