#include "core/xmp/xmp_xml.h"

#include <gtest/gtest.h>

namespace orvane {
namespace {

TEST(XmpXml, refusesWhatANamespaceAwareParserRefuses) {
    std::string deep;
    for (int i = 0; i < 300; ++i) deep += "<a>";
    for (int i = 0; i < 300; ++i) deep += "</a>";
    struct Case {
        const char* label;
        std::string text;
        bool ok;
    };
    const std::vector<Case> cases = {
        {"plain", "<a x=\"1\"><b/></a>", true},
        {"comments and instructions around the root", "<?xml version=\"1.0\"?>\n<!--c--><?p d?><a/>\n<!--e-->", true},
        {"xml prefix needs no declaration", "<a xml:lang=\"ro\"/>", true},
        {"default namespace undeclared", "<a xmlns=\"urn:a\"><b xmlns=\"\"/></a>", true},
        {"empty", "", false},
        {"two roots", "<a/><b/>", false},
        {"text outside the root", "<a/>tail", false},
        {"repeated attribute", "<a x=\"1\" x=\"2\"/>", false},
        {"undeclared element prefix", "<p:a/>", false},
        {"undeclared attribute prefix", "<a p:x=\"1\"/>", false},
        {"prefix declared with nothing", "<a xmlns:p=\"\"/>", false},
        {"declaration out of scope", "<a><b xmlns:p=\"urn:p\"/><p:c/></a>", false},
        {"too deep", deep, false},
        {"unclosed", "<a>", false},
        {"predefined and character references", "<a x=\"&amp;&lt;&gt;&quot;&apos;&#10;&#xE9;\">&amp;</a>", true},
        {"ampersand inside a comment or CDATA", "<!-- & --><a><![CDATA[&x;]]></a>", true},
        {"unknown entity in a value", "<a x=\"a&foo;b\"/>", false},
        {"unknown entity in text", "<a>&nbsp;</a>", false},
        {"bare ampersand", "<a x=\"a & b\"/>", false},
        {"doctype with its own entity", "<!DOCTYPE a [<!ENTITY e \"X\">]><a x=\"&e;\"/>", false},
        {"doctype alone", "<!DOCTYPE a><a/>", false},
        {"one attribute under two prefixes of one namespace",
         "<a xmlns:p=\"urn:p\" xmlns:q=\"urn:p\" p:x=\"1\" q:x=\"2\"/>", false},
        {"one name in two namespaces", "<a xmlns:p=\"urn:p\" xmlns:q=\"urn:q\" p:x=\"1\" q:x=\"2\"/>", true},
    };
    for (const auto& c : cases) {
        std::string error;
        EXPECT_EQ(Xmp::parse(c.text, &error) != nullptr, c.ok) << c.label << ": " << error;
        if (!c.ok) {
            EXPECT_FALSE(error.empty()) << c.label;
        }
    }
}

TEST(XmpXml, resolvesNamespacesAndWritesText) {
    auto doc = Xmp::parse("<r xmlns:p=\"urn:p\" xmlns=\"urn:d\"><p:a p:x=\"1\" y=\"&lt;&#10;\"><b>t&amp;<![CDATA[<]]></b>"
                          "<!--c--><?pi v?></p:a></r>");
    ASSERT_TRUE(doc);
    auto a = doc->document_element().first_child();
    EXPECT_EQ(Xmp::namespaceOf(a), "urn:p");
    EXPECT_EQ(Xmp::namespaceOf(a.first_child()), "urn:d");
    EXPECT_EQ(Xmp::namespaceOf(a.attribute("p:x"), a), "urn:p");
    EXPECT_EQ(Xmp::namespaceOf(a.attribute("y"), a), "");  // unprefixed attributes have no namespace
    EXPECT_TRUE(Xmp::attribute(a, "x", "urn:p"));
    EXPECT_EQ(Xmp::xmlText(a), "<p:a p:x=\"1\" y=\"&lt;&#10;\"><b>t&amp;&lt;</b><!--c--><?pi v?></p:a>");
    EXPECT_EQ(Xmp::stringValue(a), "t&<");
    EXPECT_EQ(Xmp::inheritedDeclarations(a),
              (std::vector<std::pair<std::string, std::string>>{{"p", "urn:p"}, {"", "urn:d"}}));
}

}  // namespace
}  // namespace orvane
