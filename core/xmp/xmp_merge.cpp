#include "core/xmp/xmp_merge.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "core/masks/teeth_mask.h"

namespace orvane {

namespace {

using Set = std::set<std::string, std::less<>>;
using Declarations = std::vector<std::pair<std::string, std::string>>;

bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v'; }

bool isBlankText(const pugi::xml_node& n) {
    if (n.type() != pugi::node_pcdata) return false;
    for (const char* p = n.value(); *p; ++p)
        if (!isSpace(*p)) return false;
    return true;
}

// XML text with white space between tags removed and trimmed, so that layout does not count.
std::string normalized(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        if (text[i] == '>') {
            std::size_t j = i + 1;
            while (j < text.size() && isSpace(text[j])) ++j;
            if (j > i + 1 && j < text.size() && text[j] == '<') {
                out += "><";
                i = j + 1;
                continue;
            }
        }
        out += text[i++];
    }
    std::size_t b = 0, e = out.size();
    while (b < e && isSpace(out[b])) ++b;
    while (e > b && isSpace(out[e - 1])) --e;
    return out.substr(b, e - b);
}

std::vector<std::string> fingerprint(const pugi::xml_node& root, const Set& managed) {
    std::vector<std::string> out;
    for (auto rdf : root.children()) {
        if (!Xmp::isElement(rdf, "RDF", Xmp::rdfNS)) continue;
        for (auto child : rdf.children()) {
            if (child.type() != pugi::node_element) continue;
            if (!Xmp::isElement(child, "Description", Xmp::rdfNS)) {
                out.push_back("E:" + normalized(Xmp::xmlText(child)));
                continue;
            }
            for (auto a : Xmp::attributes(child)) {
                if (Xmp::namespaceOf(a, child) == Xmp::crsNS && managed.count(Xmp::localNameOf(a.name()))) continue;
                out.push_back(std::string("A:") + a.name() + "=" + a.value());
            }
            for (auto c : child.children()) {
                if (c.type() == pugi::node_element && Xmp::namespaceOf(c) == Xmp::crsNS &&
                    managed.count(Xmp::localNameOf(c.name())))
                    continue;
                if (isBlankText(c)) continue;
                out.push_back("C:" + normalized(Xmp::xmlText(c)));
            }
        }
    }
    std::sort(out.begin(), out.end());
    return out;
}

// A list written the way a debugger shows an array of texts: ["a", "b \"c\""].
std::string listNotation(const std::vector<std::string>& items) {
    std::string out = "[";
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i) out += ", ";
        out += '"';
        for (unsigned char c : items[i]) {
            switch (c) {
                case '"': out += "\\\""; break;
                case '\'': out += "\\'"; break;
                case '\\': out += "\\\\"; break;
                case '\n': out += "\\n"; break;
                case '\r': out += "\\r"; break;
                case '\t': out += "\\t"; break;
                case '\0': out += "\\0"; break;
                default:
                    if (c < 0x20 || c == 0x7f) {
                        char buf[16];
                        std::snprintf(buf, sizeof buf, "\\u{%x}", static_cast<unsigned>(c));
                        out += buf;
                    } else {
                        out += static_cast<char>(c);
                    }
            }
        }
        out += '"';
    }
    return out + "]";
}

// The text of an item with the declarations it needs inserted into its start tag.
std::string textWith(const pugi::xml_node& e, const Declarations& extra) {
    std::string text = Xmp::xmlText(e);
    std::string decls;
    for (auto& [prefix, uri] : extra) Xmp::appendDeclaration(decls, prefix, uri);
    text.insert(1 + std::strlen(e.name()), decls);
    return text;
}

std::string maskName(const pugi::xml_node& item) {
    auto d = Xmp::firstChild(item, "Description", Xmp::rdfNS);
    if (!d) return {};
    auto a = Xmp::attribute(d, "CorrectionName", Xmp::crsNS);
    return a ? a.value() : "";
}

// True when the only mask group below `node` is `readable` (or there is none), and its content is
// rdf:Seq lists only.
bool onlyReadableMaskGroup(const pugi::xml_node& node, const pugi::xml_node& readable) {
    for (auto c : node.children()) {
        if (c.type() != pugi::node_element) continue;
        if (Xmp::isElement(c, "MaskGroupBasedCorrections", Xmp::crsNS)) {
            if (c != readable) return false;
            for (auto inner : c.children()) {
                if (inner.type() == pugi::node_element && !Xmp::isElement(inner, "Seq", Xmp::rdfNS)) return false;
                if (inner.type() == pugi::node_pcdata && std::string_view(inner.value()).find_first_not_of(" \t\r\n") != std::string_view::npos)
                    return false;
            }
            continue;
        }
        if (!onlyReadableMaskGroup(c, readable)) return false;
    }
    return true;
}

// Items of a mask group whose correction name is not in `names`.
std::vector<pugi::xml_node> keptItems(const pugi::xml_node& group, const std::vector<std::string>& names) {
    std::vector<pugi::xml_node> out;
    for (auto seq : group.children()) {
        if (!Xmp::isElement(seq, "Seq", Xmp::rdfNS)) continue;
        for (auto li : seq.children()) {
            if (!Xmp::isElement(li, "li", Xmp::rdfNS)) continue;
            if (std::find(names.begin(), names.end(), maskName(li)) == names.end()) out.push_back(li);
        }
    }
    return out;
}

}  // namespace

std::vector<std::string> maskItemTexts(const pugi::xml_node& group, const std::vector<std::string>& skippingNames,
                                       const std::function<std::optional<std::string>(const std::string&)>& boundThere) {
    std::vector<std::string> out;
    for (const auto& li : keptItems(group, skippingNames)) out.push_back(textWith(li, Xmp::neededDeclarations(li, boundThere)));
    return out;
}

namespace {
std::string mergeText(MergeError::Kind kind, const std::string& detail_, std::string_view language) {
    using Kind = MergeError::Kind;
    const bool en = language == "en";
    switch (kind) {
        case Kind::unreadable:
            return en ? "The existing XMP cannot be merged (" + detail_ + "); nothing was written."
                      : "XMP-ul existent nu se poate îmbina (" + detail_ + "); nu s-a scris nimic.";
        case Kind::verification:
            return en ? "Verifying the merge failed (" + detail_ + "); nothing was written."
                      : "Verificarea îmbinării a eșuat (" + detail_ + "); nu s-a scris nimic.";
        case Kind::foreignNamespace:
            return en ? "The existing XMP uses the crs prefix for another namespace; nothing was written."
                      : "XMP-ul existent folosește prefixul crs pentru alt spațiu de nume; nu s-a scris nimic.";
    }
    return {};
}
}  // namespace

MergeError::MergeError(Kind kind, std::string detail)
    : std::runtime_error(mergeText(kind, detail, "ro")), kind_(kind), detail_(std::move(detail)) {}

std::string MergeError::errorDescription(std::string_view language) const { return mergeText(kind_, detail_, language); }

namespace {

void emit(const DevelopPreset::Emitter& em, const pugi::xml_node& e, DevelopPreset::Emitter::Role role,
          const Declarations& extra, std::string& out) {
    using Role = DevelopPreset::Emitter::Role;
    const bool filtered = role == Role::settings || role == Role::otherDescription;
    auto isManaged = [&](std::string_view ns, std::string_view qname) {
        return ns == em.crs && em.managed.count(Xmp::localNameOf(qname)) > 0;
    };

    out += '<';
    out += e.name();
    for (auto& [prefix, uri] : Xmp::declarations(e)) Xmp::appendDeclaration(out, prefix, uri);
    for (auto& [prefix, uri] : extra) Xmp::appendDeclaration(out, prefix, uri);
    if (role == Role::settings && em.declareCRS) Xmp::appendDeclaration(out, "crs", em.crs);
    for (auto a : Xmp::attributes(e)) {
        if (filtered && isManaged(Xmp::namespaceOf(a, e), a.name())) continue;
        out += ' ';
        out += a.name();
        out += "=\"";
        out += Xmp::escapeAttribute(a.value());
        out += '"';
    }
    if (role == Role::settings)
        for (auto& [key, value] : em.ourAttributes) out += " crs:" + key + "=\"" + Xmp::escapeAttribute(value) + "\"";

    std::vector<pugi::xml_node> content;
    for (auto c : e.children()) {
        if (filtered && c.type() == pugi::node_element && isManaged(Xmp::namespaceOf(c), c.name())) {
            // The line a replaced element stood on goes with it; otherwise every merge would leave one more
            // blank line behind.
            if (!content.empty() && isBlankText(content.back())) content.pop_back();
            continue;
        }
        content.push_back(c);
    }
    const bool addsChildren = role == Role::settings && !em.ourChildren.empty();
    if (content.empty() && !addsChildren) {
        out += "/>";
        return;
    }
    // Our elements go before the white space that closes the description, where the last one was taken
    // from, so that merging into this output again writes the same text.
    std::size_t beforeEnd = content.size();
    if (addsChildren && !content.empty() && isBlankText(content.back())) --beforeEnd;
    out += '>';
    for (std::size_t i = 0; i <= content.size(); ++i) {
        if (i == beforeEnd && addsChildren) {
            for (std::size_t k = 0; k < em.ourChildren.size(); ++k) {
                out += '\n';
                emit(em, em.ourChildren[k], Role::plain,
                     k < em.childDeclarations.size() ? em.childDeclarations[k] : Declarations{}, out);
            }
        }
        if (i == content.size()) break;
        const pugi::xml_node& c = content[i];
        switch (c.type()) {
            case pugi::node_element: {
                Role childRole = Role::plain;
                if (role == Role::document && Xmp::isElement(c, "RDF", em.rdf))
                    childRole = Role::container;
                else if (role == Role::container && Xmp::isElement(c, "Description", em.rdf))
                    childRole = c == em.settings ? Role::settings : Role::otherDescription;
                emit(em, c, childRole, {}, out);
                break;
            }
            case pugi::node_pi:
                out += "<?";
                out += c.name();
                out += ' ';
                out += c.value();
                out += "?>";
                break;
            case pugi::node_comment:
                out += "<!--";
                out += c.value();
                out += "-->";
                break;
            case pugi::node_pcdata:
            case pugi::node_cdata:
                out += Xmp::escapeText(c.value());
                break;
            default:
                break;
        }
    }
    out += "</";
    out += e.name();
    out += '>';
}

}  // namespace

void DevelopPreset::Emitter::element(const pugi::xml_node& e, Role role, std::string& out) const {
    emit(*this, e, role, {}, out);
}

std::string DevelopPreset::merged(std::string_view existing, double exposure, double temperature,
                                  std::optional<double> tint, const Overrides& overrides, const Pairs& extra,
                                  const TeethMask::Spec* masks, const Set& skipping) const {
    // A mask request that changes nothing is the same as none: its kept masks must not be
    // written a second time beside the group they already stand in.
    if (masks && masks->isEmpty()) masks = nullptr;

    const Pairs attrs = resolvedAttributes(exposure, temperature, tint, overrides, extra, skipping);
    Set managed;
    for (const auto& [key, value] : attrs) managed.insert(key);
    for (const auto& c : children_) managed.insert(std::string(Xmp::localNameOf(c.name())));
    if (masks) managed.insert("MaskGroupBasedCorrections");

    auto doc = Xmp::parse(existing);
    if (!doc) throw MergeError(MergeError::Kind::unreadable, "XML invalid");
    pugi::xml_node root = doc->document_element();
    if (!root || Xmp::localNameOf(root.name()) != "xmpmeta")
        throw MergeError(MergeError::Kind::unreadable, "lipsește x:xmpmeta");
    pugi::xml_node rdf = Xmp::firstChild(root, "RDF", Xmp::rdfNS);
    if (!rdf || std::string_view(rdf.name()) != "rdf:RDF")
        throw MergeError(MergeError::Kind::unreadable, "lipsește rdf:RDF");
    pugi::xml_node settings = Xmp::firstChild(rdf, "Description", Xmp::rdfNS);
    if (!settings) throw MergeError(MergeError::Kind::unreadable, "lipsește rdf:Description");
    const auto crsBinding = binding("crs", settings);
    if (crsBinding && *crsBinding != Xmp::crsNS) throw MergeError(MergeError::Kind::foreignNamespace);

    std::vector<pugi::xml_node> ours = children_;
    Xmp::Document group;  // keeps the rebuilt mask group alive while it is written
    if (masks) {
        // The rebuilt group replaces every mask group of the sidecar, so masks it could not carry over
        // (a group elsewhere, or items outside an rdf:Seq) would be lost: such a file is left alone.
        const pugi::xml_node readable = Xmp::firstChild(settings, "MaskGroupBasedCorrections", Xmp::crsNS);
        if (!onlyReadableMaskGroup(rdf, readable))
            throw MergeError(MergeError::Kind::unreadable, "corecții locale");
        const std::vector<std::string> names = masks->managedNames();
        // One group per photo: a group the preset brings is folded into the rebuilt one, its items
        // first, less the corrections this mask request manages.
        auto presetGroup = std::find_if(ours.begin(), ours.end(), [](const pugi::xml_node& c) {
            return Xmp::isElement(c, "MaskGroupBasedCorrections", Xmp::crsNS);
        });
        std::vector<std::string> presetItems;
        if (presetGroup != ours.end())
            presetItems = maskItemTexts(*presetGroup, names, [](const std::string& prefix) -> std::optional<std::string> {
                if (prefix == "crs") return std::string(Xmp::crsNS);
                if (prefix == "rdf") return std::string(Xmp::rdfNS);
                return std::nullopt;
            });
        std::vector<std::string> items;
        if (auto g = Xmp::firstChild(settings, "MaskGroupBasedCorrections", Xmp::crsNS)) {
            for (const auto& li : keptItems(g, names)) {
                std::string text = Xmp::xmlText(li);
                // A copy of a preset item that an earlier export wrote is that item, not a second one.
                if (std::find(presetItems.begin(), presetItems.end(), text) == presetItems.end())
                    items.push_back(std::move(text));
            }
        }
        for (auto& item : masks->xmlItems()) items.push_back(std::move(item));
        items.insert(items.begin(), presetItems.begin(), presetItems.end());
        if (presetGroup != ours.end()) ours.erase(presetGroup);
        if (!items.empty()) {
            std::string text = "<crs:MaskGroupBasedCorrections xmlns:crs=\"" + std::string(Xmp::crsNS) +
                               "\" xmlns:rdf=\"" + std::string(Xmp::rdfNS) + "\"><rdf:Seq>";
            for (const auto& item : items) text += item;
            text += "</rdf:Seq></crs:MaskGroupBasedCorrections>";
            group = Xmp::parseElement(text);
            if (!group) throw MergeError(MergeError::Kind::unreadable, "corecții locale");
            ours.push_back(group->document_element());
        }
    }

    Emitter em;
    em.settings = settings;
    em.managed = managed;
    em.crs = std::string(Xmp::crsNS);
    em.rdf = std::string(Xmp::rdfNS);
    em.ourAttributes = attrs;
    em.ourChildren = ours;
    em.declareCRS = !crsBinding;
    for (const auto& c : ours) {
        em.childDeclarations.push_back(Xmp::neededDeclarations(c, [&](const std::string& prefix) -> std::optional<std::string> {
            if (prefix == "crs" && em.declareCRS) return em.crs;
            return Xmp::binding(prefix, settings);
        }));
    }

    std::string out;
    for (auto n : doc->children()) {
        switch (n.type()) {
            case pugi::node_comment:
                out += "<!--";
                out += n.value();
                out += "-->\n";
                break;
            case pugi::node_pi:
                out += "<?";
                out += n.name();
                out += ' ';
                out += n.value();
                out += "?>\n";
                break;
            case pugi::node_element:
                em.element(n, Emitter::Role::document, out);
                break;
            default:
                break;
        }
    }
    out += '\n';

    verify(existing, out, managed, attrs);
    return out;
}

void DevelopPreset::verify(std::string_view original, std::string_view mergedText, const Set& managed,
                           const Pairs& attrs) {
    auto before = Xmp::parse(original);
    auto after = Xmp::parse(mergedText);
    if (!before || !after) throw MergeError(MergeError::Kind::verification, "XML");
    const auto a = fingerprint(before->document_element(), managed);
    const auto b = fingerprint(after->document_element(), managed);
    if (a == b) {
        pugi::xml_node target;
        if (auto rdf = Xmp::firstChild(after->document_element(), "RDF", Xmp::rdfNS))
            target = Xmp::firstChild(rdf, "Description", Xmp::rdfNS);
        for (const auto& [key, value] : attrs) {
            auto attr = target ? Xmp::attribute(target, key, Xmp::crsNS) : pugi::xml_attribute();
            if (!attr || value != attr.value()) throw MergeError(MergeError::Kind::verification, "lipsește crs:" + key);
        }
        return;
    }
    std::vector<std::string> onlyBefore, onlyAfter;
    for (const auto& s : a)
        if (!std::binary_search(b.begin(), b.end(), s) && onlyBefore.size() < 3) onlyBefore.push_back(s);
    for (const auto& s : b)
        if (!std::binary_search(a.begin(), a.end(), s) && onlyAfter.size() < 3) onlyAfter.push_back(s);
    throw MergeError(MergeError::Kind::verification, "conținutul necrs diferă; doar în original: " +
                                                         listNotation(onlyBefore) +
                                                         "; doar în rezultat: " + listNotation(onlyAfter));
}

}  // namespace orvane
