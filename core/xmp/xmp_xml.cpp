#include "core/xmp/xmp_xml.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <set>

namespace orvane::Xmp {

namespace {

constexpr unsigned parseOptions = pugi::parse_full | pugi::parse_ws_pcdata | pugi::parse_fragment;

bool isBlank(std::string_view s) {
    for (char c : s)
        if (c != ' ' && c != '\t' && c != '\n' && c != '\r') return false;
    return true;
}

bool validQualifiedName(std::string_view q) {
    auto colon = q.find(':');
    if (colon == std::string_view::npos) return !q.empty();
    return colon > 0 && colon + 1 < q.size() && q.find(':', colon + 1) == std::string_view::npos;
}

// Deeper documents are refused: the serializer and the emitter recurse once per level.
constexpr int maxDepth = 256;

// The parser keeps a reference to an entity it does not know as literal text, which a rewrite would
// then escape into a different value. Only the five predefined entities and character references are
// allowed; comments, CDATA sections and processing instructions are passed over. Text in UTF-16 (with
// NUL bytes) is left to the parser.
std::optional<std::string> unknownEntity(std::string_view s) {
    if (s.find('\0') != std::string_view::npos) return std::nullopt;
    std::size_t i = 0;
    auto skipTo = [&](std::string_view end) {
        const auto at = s.find(end, i);
        i = at == std::string_view::npos ? s.size() : at + end.size();
    };
    while (i < s.size()) {
        if (s.compare(i, 4, "<!--") == 0) {
            skipTo("-->");
        } else if (s.compare(i, 9, "<![CDATA[") == 0) {
            skipTo("]]>");
        } else if (s.compare(i, 2, "<?") == 0) {
            skipTo("?>");
        } else if (s[i] == '&') {
            const auto semi = s.find(';', i);
            const std::string_view ref = semi == std::string_view::npos ? s.substr(i, 12) : s.substr(i + 1, semi - i - 1);
            bool known = ref == "amp" || ref == "lt" || ref == "gt" || ref == "quot" || ref == "apos";
            if (!known && ref.size() >= 2 && ref[0] == '#') {
                const bool hex = ref[1] == 'x';
                const std::string_view digits = ref.substr(hex ? 2 : 1);
                known = !digits.empty() && std::all_of(digits.begin(), digits.end(), [&](char c) {
                    return std::isdigit(static_cast<unsigned char>(c)) || (hex && std::isxdigit(static_cast<unsigned char>(c)));
                });
            }
            if (!known || semi == std::string_view::npos) return "&" + std::string(ref.substr(0, 40));
            i = semi + 1;
        } else {
            ++i;
        }
    }
    return std::nullopt;
}

// Namespace well-formedness of one element.
bool checkOne(const pugi::xml_node& e, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return false;
    };
    std::string_view name = e.name();
    if (!validQualifiedName(name)) return fail("nume invalid: " + std::string(name));
    std::set<std::string_view> seen;
    for (auto a : e.attributes()) {
        std::string_view an = a.name();
        if (!validQualifiedName(an)) return fail("nume de atribut invalid: " + std::string(an));
        if (!seen.insert(an).second) return fail("atribut repetat: " + std::string(an));
        if (an.substr(0, 6) == "xmlns:") {
            std::string_view p = an.substr(6);
            if (p == "xmlns" || std::string_view(a.value()).empty()) return fail("declarație invalidă: " + std::string(an));
        }
    }
    std::string_view p = prefixOf(name);
    if (p == "xmlns") return fail("prefix rezervat: " + std::string(name));
    if (!p.empty() && p != "xml" && !binding(p, e)) return fail("prefix nedeclarat: " + std::string(p));
    std::set<std::pair<std::string, std::string>> expanded;
    for (auto a : e.attributes()) {
        std::string_view an = a.name();
        std::string_view ap = prefixOf(an);
        if (ap.empty() || ap == "xmlns" || ap == "xml") continue;
        const auto uri = binding(ap, e);
        if (!uri) return fail("prefix nedeclarat: " + std::string(ap));
        // The same attribute under two prefixes bound to one namespace is still a repeated attribute.
        if (!expanded.emplace(*uri, std::string(an.substr(ap.size() + 1))).second)
            return fail("atribut repetat: " + std::string(an));
    }
    return true;
}

// Every element below `root`, walked without recursion.
bool checkTree(const pugi::xml_node& root, std::string* error) {
    pugi::xml_node n = root;
    int depth = 0;
    while (n) {
        if (n.type() == pugi::node_element) {
            if (depth > maxDepth) {
                if (error) *error = "elemente imbricate prea adânc";
                return false;
            }
            if (!checkOne(n, error)) return false;
        }
        if (n.first_child()) {
            n = n.first_child();
            ++depth;
            continue;
        }
        while (n && n != root && !n.next_sibling()) {
            n = n.parent();
            --depth;
        }
        if (!n || n == root) break;
        n = n.next_sibling();
    }
    return true;
}

void appendText(const pugi::xml_node& n, std::string& out) {
    switch (n.type()) {
        case pugi::node_element: {
            out += '<';
            out += n.name();
            for (auto& [prefix, uri] : declarations(n)) appendDeclaration(out, prefix, uri);
            for (auto a : attributes(n)) {
                out += ' ';
                out += a.name();
                out += "=\"";
                out += escapeAttribute(a.value());
                out += '"';
            }
            if (!n.first_child()) {
                out += "/>";
                return;
            }
            out += '>';
            for (auto c : n.children()) appendText(c, out);
            out += "</";
            out += n.name();
            out += '>';
            return;
        }
        case pugi::node_pcdata:
        case pugi::node_cdata:
            out += escapeText(n.value());
            return;
        case pugi::node_comment:
            out += "<!--";
            out += n.value();
            out += "-->";
            return;
        case pugi::node_pi:
            out += "<?";
            out += n.name();
            out += ' ';
            out += n.value();
            out += "?>";
            return;
        default:
            return;
    }
}

void collectInherited(const pugi::xml_node& e, const pugi::xml_node& top, std::vector<std::string>& scope,
                      std::set<std::string>& listed, std::vector<std::pair<std::string, std::string>>& out) {
    std::size_t mark = scope.size();
    for (auto& d : declarations(e)) scope.push_back(d.first);
    auto need = [&](const std::string& prefix) {
        if (prefix == "xml" || listed.count(prefix)) return;
        for (auto& s : scope)
            if (s == prefix) return;
        auto uri = binding(prefix, top.parent());
        if (prefix.empty() && !uri) return;  // no default namespace where it stood: nothing to carry
        listed.insert(prefix);
        out.emplace_back(prefix, uri.value_or(""));
    };
    need(std::string(prefixOf(e.name())));
    for (auto a : attributes(e)) {
        std::string p(prefixOf(a.name()));
        if (!p.empty()) need(p);
    }
    for (auto c : e.children())
        if (c.type() == pugi::node_element) collectInherited(c, top, scope, listed, out);
    scope.resize(mark);
}

bool elementOnly(const pugi::xml_node& e) {
    bool any = false;
    for (auto c : e.children()) {
        switch (c.type()) {
            case pugi::node_element:
                any = true;
                break;
            case pugi::node_pcdata:
                if (!isBlank(c.value())) return false;
                break;
            case pugi::node_comment:
            case pugi::node_pi:
                break;
            default:
                return false;
        }
    }
    return any;
}

void appendPretty(const pugi::xml_node& e, int level, const std::vector<std::pair<std::string, std::string>>& extra,
                  std::string& out) {
    std::string indent(static_cast<std::size_t>(level) * 4, ' ');
    out += indent;
    out += '<';
    out += e.name();
    for (auto& [prefix, uri] : declarations(e)) appendDeclaration(out, prefix, uri);
    for (auto& [prefix, uri] : extra) appendDeclaration(out, prefix, uri);
    for (auto a : attributes(e)) out += std::string(" ") + a.name() + "=\"" + escapeAttribute(a.value()) + "\"";
    if (!e.first_child()) {
        out += "/>";
        return;
    }
    if (!elementOnly(e)) {
        // Text or mixed content is kept exactly as it stands.
        out += '>';
        for (auto c : e.children()) appendText(c, out);
    } else {
        out += ">\n";
        for (auto c : e.children()) {
            if (c.type() == pugi::node_pcdata) continue;
            if (c.type() == pugi::node_element) {
                appendPretty(c, level + 1, {}, out);
            } else {
                out += std::string(static_cast<std::size_t>(level + 1) * 4, ' ');
                appendText(c, out);
            }
            out += '\n';
        }
        out += indent;
    }
    out += "</";
    out += e.name();
    out += '>';
}

}  // namespace

Document parse(std::string_view bytes, std::string* error) {
    if (auto bad = unknownEntity(bytes)) {
        if (error) *error = "referință la o entitate necunoscută: " + *bad;
        return nullptr;
    }
    auto doc = std::make_shared<pugi::xml_document>();
    auto r = doc->load_buffer(bytes.data(), bytes.size(), parseOptions, pugi::encoding_auto);
    if (!r) {
        if (error) *error = std::string(r.description()) + " (octet " + std::to_string(r.offset) + ")";
        return nullptr;
    }
    int roots = 0;
    for (auto n : doc->children()) {
        switch (n.type()) {
            case pugi::node_element:
                ++roots;
                break;
            case pugi::node_pcdata:
                if (!isBlank(n.value())) {
                    if (error) *error = "text în afara elementului rădăcină";
                    return nullptr;
                }
                break;
            case pugi::node_cdata:
                if (error) *error = "CDATA în afara elementului rădăcină";
                return nullptr;
            case pugi::node_doctype:
                // Entities a DOCTYPE declares are not expanded by the parser: their references would be
                // written back as literal text, changing the values.
                if (error) *error = "declarația DOCTYPE nu este acceptată";
                return nullptr;
            default:
                break;
        }
    }
    if (roots != 1) {
        if (error) *error = roots == 0 ? "lipsește elementul rădăcină" : "mai multe elemente rădăcină";
        return nullptr;
    }
    if (!checkTree(doc->document_element(), error)) return nullptr;
    return doc;
}

Document parseElement(std::string_view text) {
    auto doc = parse(text);
    if (!doc) return nullptr;
    for (auto n : doc->children())
        if (n.type() != pugi::node_element && n.type() != pugi::node_pcdata) return nullptr;
    return doc;
}

std::string_view prefixOf(std::string_view q) {
    auto colon = q.find(':');
    return colon == std::string_view::npos ? std::string_view() : q.substr(0, colon);
}

std::string_view localNameOf(std::string_view q) {
    auto colon = q.find(':');
    return colon == std::string_view::npos ? q : q.substr(colon + 1);
}

bool isDeclaration(const pugi::xml_attribute& a) {
    std::string_view n = a.name();
    return n == "xmlns" || n.substr(0, 6) == "xmlns:";
}

std::vector<std::pair<std::string, std::string>> declarations(const pugi::xml_node& element) {
    std::vector<std::pair<std::string, std::string>> out;
    for (auto a : element.attributes()) {
        if (!isDeclaration(a)) continue;
        std::string_view n = a.name();
        out.emplace_back(n.size() > 5 ? std::string(n.substr(6)) : std::string(), a.value());
    }
    return out;
}

std::vector<pugi::xml_attribute> attributes(const pugi::xml_node& element) {
    std::vector<pugi::xml_attribute> out;
    for (auto a : element.attributes())
        if (!isDeclaration(a)) out.push_back(a);
    return out;
}

std::optional<std::string> binding(std::string_view prefix, const pugi::xml_node& element) {
    if (prefix == "xml") return std::string(xmlNS);
    for (auto n = element; n; n = n.parent()) {
        if (n.type() != pugi::node_element) continue;
        for (auto a : n.attributes()) {
            std::string_view name = a.name();
            bool match = prefix.empty() ? name == "xmlns" : (name.substr(0, 6) == "xmlns:" && name.substr(6) == prefix);
            if (!match) continue;
            std::string_view v = a.value();
            if (v.empty()) return std::nullopt;
            return std::string(v);
        }
    }
    return std::nullopt;
}

std::string namespaceOf(const pugi::xml_node& element) {
    return binding(prefixOf(element.name()), element).value_or("");
}

std::string namespaceOf(const pugi::xml_attribute& a, const pugi::xml_node& owner) {
    std::string_view p = prefixOf(a.name());
    if (p.empty()) return {};
    return binding(p, owner).value_or("");
}

bool isElement(const pugi::xml_node& n, std::string_view local, std::string_view ns) {
    return n.type() == pugi::node_element && localNameOf(n.name()) == local && namespaceOf(n) == ns;
}

pugi::xml_node firstChild(const pugi::xml_node& parent, std::string_view local, std::string_view ns) {
    for (auto c : parent.children())
        if (isElement(c, local, ns)) return c;
    return {};
}

pugi::xml_attribute attribute(const pugi::xml_node& element, std::string_view local, std::string_view ns) {
    for (auto a : attributes(element))
        if (localNameOf(a.name()) == local && namespaceOf(a, element) == ns) return a;
    return {};
}

namespace {
// Attribute values also escape quotes, tabs and line feeds, which a reader would otherwise normalise.
std::string escape(std::string_view s, bool attribute) {
    std::string out;
    out.reserve(s.size());
    for (char c : s) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '\r': out += "&#13;"; break;
            case '"': out += attribute ? "&quot;" : "\""; break;
            case '\t': out += attribute ? "&#9;" : "\t"; break;
            case '\n': out += attribute ? "&#10;" : "\n"; break;
            default: out += c;
        }
    }
    return out;
}
}  // namespace

std::string escapeAttribute(std::string_view s) { return escape(s, true); }

std::string escapeText(std::string_view s) { return escape(s, false); }

std::string xmlText(const pugi::xml_node& n) {
    std::string out;
    appendText(n, out);
    return out;
}

void appendDeclaration(std::string& out, std::string_view prefix, std::string_view uri) {
    if (prefix.empty()) {
        out += " xmlns=\"";
    } else {
        out += " xmlns:";
        out += prefix;
        out += "=\"";
    }
    out += escapeAttribute(uri);
    out += '"';
}

std::vector<std::pair<std::string, std::string>> neededDeclarations(
    const pugi::xml_node& element, const std::function<std::optional<std::string>(const std::string&)>& boundThere) {
    std::vector<std::pair<std::string, std::string>> out;
    for (auto& [prefix, uri] : inheritedDeclarations(element)) {
        std::optional<std::string> there = boundThere(prefix);
        if (uri.empty() ? there.has_value() : there != uri) out.emplace_back(prefix, uri);
    }
    return out;
}

std::vector<std::pair<std::string, std::string>> inheritedDeclarations(const pugi::xml_node& element) {
    std::vector<std::pair<std::string, std::string>> out;
    std::vector<std::string> scope;
    std::set<std::string> listed;
    collectInherited(element, element, scope, listed, out);
    return out;
}

std::string prettyText(const pugi::xml_node& element, const std::vector<std::pair<std::string, std::string>>& extra) {
    std::string out;
    appendPretty(element, 0, extra, out);
    return out;
}

std::string stringValue(const pugi::xml_node& n) {
    if (n.type() == pugi::node_pcdata || n.type() == pugi::node_cdata) return n.value();
    if (n.type() == pugi::node_comment || n.type() == pugi::node_pi) return n.value();
    std::string out;
    for (auto c : n.children()) {
        if (c.type() == pugi::node_pcdata || c.type() == pugi::node_cdata)
            out += c.value();
        else if (c.type() == pugi::node_element)
            out += stringValue(c);
    }
    return out;
}

}  // namespace orvane::Xmp
