#pragma once
// A thin namespace-aware layer over pugixml for XMP documents. pugixml keeps qualified names as
// written and knows nothing of namespaces, so URIs are resolved here by walking the `xmlns`
// declarations of the element and its ancestors. Text is produced by our own serializer, never by
// pugixml's writer, so that the text of a node is the same whichever document it came from.
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <pugixml.hpp>

namespace orvane::Xmp {

inline constexpr std::string_view metaNS = "adobe:ns:meta/";
inline constexpr std::string_view rdfNS = "http://www.w3.org/1999/02/22-rdf-syntax-ns#";
inline constexpr std::string_view crsNS = "http://ns.adobe.com/camera-raw-settings/1.0/";
inline constexpr std::string_view xmlNS = "http://www.w3.org/XML/1998/namespace";

using Document = std::shared_ptr<pugi::xml_document>;

// Parses a whole document keeping comments, processing instructions, white space and attribute
// order. Refuses what an XML parser with namespaces refuses and pugixml lets through: no root
// element or more than one, text outside the root, a repeated attribute, a prefix that is not
// declared. Gives nothing and sets `error` on failure.
Document parse(std::string_view bytes, std::string* error = nullptr);
// Parses a text that must hold exactly one element (and nothing but white space around it).
Document parseElement(std::string_view text);

std::string_view prefixOf(std::string_view qualifiedName);     // "" when there is none
std::string_view localNameOf(std::string_view qualifiedName);  // the part after the colon

// Namespace declarations of an element, in document order: (prefix, URI); "" is the default namespace.
std::vector<std::pair<std::string, std::string>> declarations(const pugi::xml_node& element);
bool isDeclaration(const pugi::xml_attribute& a);
// The element's attributes without its namespace declarations, in document order.
std::vector<pugi::xml_attribute> attributes(const pugi::xml_node& element);

// The URI bound to `prefix` as seen from `element` (nearest declaration first; parents that are not
// elements are passed over). Nothing when no declaration binds it or it binds nothing.
std::optional<std::string> binding(std::string_view prefix, const pugi::xml_node& element);
// Namespace URI of an element (its prefix, or the default namespace); "" when it has none.
std::string namespaceOf(const pugi::xml_node& element);
// Namespace URI of an attribute of `owner`; unprefixed attributes have none.
std::string namespaceOf(const pugi::xml_attribute& a, const pugi::xml_node& owner);

bool isElement(const pugi::xml_node& n, std::string_view local, std::string_view ns);
// First child element with this local name in this namespace (an empty node when none).
pugi::xml_node firstChild(const pugi::xml_node& parent, std::string_view local, std::string_view ns);
// The attribute with this local name in this namespace (an empty attribute when none).
pugi::xml_attribute attribute(const pugi::xml_node& element, std::string_view local, std::string_view ns);

// Escaping of attribute values: & < > " and, so that a value survives a re-read unchanged, the
// white-space characters that attribute normalisation would turn into spaces.
std::string escapeAttribute(std::string_view s);
// Escaping of text content: & < > and a carriage return (a re-read would make it a line feed).
std::string escapeText(std::string_view s);

// The XML text of a node: an element with its own namespace declarations, attributes and content
// (CDATA written as escaped text); comments, processing instructions and text as they stand.
std::string xmlText(const pugi::xml_node& n);

// Appends one namespace declaration to a start tag: ` xmlns:p="uri"`, or ` xmlns="uri"` for "".
void appendDeclaration(std::string& out, std::string_view prefix, std::string_view uri);

// Prefixes that `element` or its descendants use without declaring them inside the element, with
// the URI they have where the element stands, in order of first use; "xml" is never listed.
std::vector<std::pair<std::string, std::string>> inheritedDeclarations(const pugi::xml_node& element);
// The declarations `element` needs when written where `boundThere(prefix)` tells what each prefix
// means: every inherited one that is bound differently (or not at all) there.
std::vector<std::pair<std::string, std::string>> neededDeclarations(
    const pugi::xml_node& element, const std::function<std::optional<std::string>(const std::string&)>& boundThere);

// The element written on its own lines for a new file: nested elements of element-only content one
// per line, indented by four spaces a level; mixed or text content kept as it stands. `extra`
// declarations are added to the element's start tag.
std::string prettyText(const pugi::xml_node& element,
                       const std::vector<std::pair<std::string, std::string>>& extra = {});

// String value of a node (the concatenated text of its descendants).
std::string stringValue(const pugi::xml_node& n);

}  // namespace orvane::Xmp
