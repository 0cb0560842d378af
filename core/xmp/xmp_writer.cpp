#include "core/xmp/xmp_writer.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <ctime>
#include <system_error>
#include <vector>

#include "core/base/atomic_file.h"
#include "core/masks/teeth_mask.h"
#include "core/xmp/xmp_merge.h"

namespace orvane {

namespace fs = std::filesystem;

namespace {

[[noreturn]] void fail(int err, const std::string& what, const fs::path& p) {
    throw fs::filesystem_error(what, p, std::error_code(err, std::generic_category()));
}

bool present(const fs::path& p) {
    struct stat st;
    return ::lstat(p.c_str(), &st) == 0;
}

fs::path withSuffix(const fs::path& p, std::string_view suffix) {
    fs::path out = p;
    out += std::string(suffix);
    return out;
}

bool isOwnSidecar(std::string_view bytes) {
    // The marks are ASCII, so a plain byte search in the head equals a search in its decoded text.
    std::string_view head = bytes.substr(0, std::min<std::size_t>(bytes.size(), 600));
    return head.find(XMPWriter::toolkitMark) != std::string_view::npos ||
           head.find(XMPWriter::legacyToolkitMark) != std::string_view::npos;
}

std::string stamp(Date now) {
    std::time_t t = std::chrono::system_clock::to_time_t(now);
    std::tm local{};
    ::localtime_r(&t, &local);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d%02d%02d-%02d%02d%02d", local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                  local.tm_hour, local.tm_min, local.tm_sec);
    return buf;
}

}  // namespace

std::string DevelopPreset::sidecar(double exposure, double temperature, std::optional<double> tint,
                                   const Overrides& overrides, const Pairs& extra, const TeethMask::Spec* masks,
                                   const std::set<std::string, std::less<>>& skipping) const {
    const Pairs attrs = resolvedAttributes(exposure, temperature, tint, overrides, extra, skipping);
    const bool changesMasks = masks && !masks->isEmpty();
    std::vector<std::string> items;
    std::vector<std::string> names;
    if (changesMasks) {
        items = masks->xmlItems();
        names = masks->managedNames();
    }

    // What each prefix means where the preset's elements land.
    auto boundHere = [](const std::string& prefix) -> std::optional<std::string> {
        if (prefix == "x") return std::string(Xmp::metaNS);
        if (prefix == "rdf") return std::string(Xmp::rdfNS);
        if (prefix == "crs") return std::string(Xmp::crsNS);
        return std::nullopt;
    };

    std::string out;
    out += "<x:xmpmeta xmlns:x=\"adobe:ns:meta/\" x:xmptk=\"Vendrel\">\n";
    out += " <rdf:RDF xmlns:rdf=\"" + std::string(Xmp::rdfNS) + "\">\n";
    out += "  <rdf:Description rdf:about=\"\"\n    xmlns:crs=\"" + std::string(Xmp::crsNS) + "\"";
    for (const auto& [key, value] : attrs) out += "\n   crs:" + key + "=\"" + Xmp::escapeAttribute(value) + "\"";
    out += ">\n";
    std::vector<std::string> presetItems;
    for (const auto& child : children_) {
        // One mask group per photo: the preset's own group joins the items written here.
        if (changesMasks && Xmp::isElement(child, "MaskGroupBasedCorrections", Xmp::crsNS)) {
            for (auto& item : maskItemTexts(child, names, boundHere)) presetItems.push_back(std::move(item));
            continue;
        }
        out += Xmp::prettyText(child, Xmp::neededDeclarations(child, boundHere));
        out += '\n';
    }
    if (!items.empty() || !presetItems.empty()) {
        out += "<crs:MaskGroupBasedCorrections><rdf:Seq>";
        for (const auto& item : presetItems) out += item;
        for (const auto& item : items) out += item;
        out += "</rdf:Seq></crs:MaskGroupBasedCorrections>\n";
    }
    out += "  </rdf:Description>\n </rdf:RDF>\n</x:xmpmeta>\n";

    std::string error;
    if (!Xmp::parse(out, &error))
        throw std::runtime_error("Sidecar-ul nou nu este un XML valid (" + error + "); nu s-a scris nimic.");
    return out;
}

bool DevelopPreset::hasForeignData(std::string_view bytes) {
    auto doc = Xmp::parse(bytes);
    if (!doc) return true;
    pugi::xml_node root = doc->document_element();
    if (!root) return true;
    pugi::xml_node rdf = Xmp::firstChild(root, "RDF", Xmp::rdfNS);
    if (!rdf) return true;
    int descriptions = 0;
    for (auto d : rdf.children()) {
        if (!Xmp::isElement(d, "Description", Xmp::rdfNS)) continue;
        ++descriptions;
        for (auto a : Xmp::attributes(d)) {
            std::string ns = Xmp::namespaceOf(a, d);
            if (ns != Xmp::crsNS && ns != Xmp::rdfNS && std::string_view(a.name()).substr(0, 3) != "xml") return true;
        }
    }
    for (auto d : rdf.children()) {
        if (!Xmp::isElement(d, "Description", Xmp::rdfNS)) continue;
        for (auto c : d.children())
            if (c.type() == pugi::node_element && Xmp::namespaceOf(c) != Xmp::crsNS) return true;
    }
    return descriptions != 1;
}

namespace XMPWriter {

fs::path xmpURL(const fs::path& raw, const fs::path& folder) {
    return folder / (raw.filename().stem().string() + ".xmp");
}

Outcome writeMerged(const DevelopPreset& preset, const fs::path& raw, const fs::path& folder, double exposure,
                    double temperature, std::optional<double> tint, const DevelopPreset::Overrides& overrides,
                    const DevelopPreset::Pairs& extra, const TeethMask::Spec* masks,
                    const std::set<std::string, std::less<>>& skipping) {
    const fs::path target = xmpURL(raw, folder);
    if (!present(target)) {
        writeNewFileAtomically(target, preset.sidecar(exposure, temperature, tint, overrides, extra, masks, skipping));
        return Outcome::written();
    }
    const std::string existing = readWholeFile(target);
    const std::string merged = preset.merged(existing, exposure, temperature, tint, overrides, extra, masks, skipping);

    std::optional<fs::path> original;
    if (!isOwnSidecar(existing) || DevelopPreset::hasForeignData(existing)) {
        const fs::path copy = withSuffix(target, ".bak-original");
        if (!present(copy)) {
            writeNewFileAtomically(copy, existing);
            original = copy;
        }
    }
    try {
        writeFileAtomically(withSuffix(target, ".orvane-backup"), existing);
    } catch (const std::exception&) {
        // The rolling copy is a convenience; the one-time original above is the safeguard.
    }
    writeFileAtomically(target, merged);
    return Outcome::merged(original);
}

Outcome write(std::string_view text, const fs::path& raw, const fs::path& folder, bool overwrite, Date now) {
    const fs::path target = xmpURL(raw, folder);
    Outcome outcome = Outcome::written();
    if (present(target)) {
        if (!overwrite) fail(EEXIST, "fișierul există deja", target);
        const fs::path moved = withSuffix(target, ".bak-" + stamp(now));
        if (int err = renameNoReplace(target, moved)) fail(err, "mutarea a eșuat", moved);
        outcome = Outcome::replacedWithBackup(moved);
    }
    writeNewFileAtomically(target, text);
    return outcome;
}

}  // namespace XMPWriter
}  // namespace orvane
