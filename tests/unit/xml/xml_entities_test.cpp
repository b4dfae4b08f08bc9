#include "xml/xml_entities.h"

#include <gtest/gtest.h>

namespace vantora {
namespace {

TEST(XmlEscape, EscapesTheFiveCharacters) {
    EXPECT_EQ(EscapeXml("a<b&c>d'e\"f"), "a&lt;b&amp;c&gt;d&apos;e&quot;f");
    EXPECT_EQ(EscapeXml("plain äöü"), "plain äöü");
}

// Whatever a stored text holds, the file stays XML 1.0: line ends and tabs
// travel as references, other controls XML cannot hold and bytes that are not
// UTF-8 become U+FFFD.
TEST(XmlEscape, WhatXmlCannotHoldIsReferencedOrReplaced) {
    struct Case {
        std::string text;
        std::string escaped;
        std::string decoded;  // what a reader gets back
    };
    const Case cases[] = {
        {"line\r\nnext\ttab", "line&#13;&#10;next&#9;tab", "line\r\nnext\ttab"},
        {"\x1b[2J\x07", "\uFFFD[2J\uFFFD", "\uFFFD[2J\uFFFD"},
        {std::string("nul\0", 4), "nul\uFFFD", "nul\uFFFD"},
        {"del\x7f csi\xc2\x9b", "del&#x7F; csi&#x9B;", "del\x7f csi\xc2\x9b"},
        {"bad\xff\xfe", "bad\uFFFD\uFFFD", "bad\uFFFD\uFFFD"},
        {"nonchar\xef\xbf\xbe", "nonchar\uFFFD", "nonchar\uFFFD"},
        {"ok ✓ \xF0\x9F\x98\x80", "ok ✓ \xF0\x9F\x98\x80", "ok ✓ \xF0\x9F\x98\x80"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(EscapeXml(c.text), c.escaped);
        EXPECT_EQ(DecodeXmlEntities(EscapeXml(c.text)), c.decoded);
    }
}

TEST(XmlDecode, XmlEntitiesAndCharacterReferences) {
    EXPECT_EQ(DecodeXmlEntities("&lt;&amp;&gt;&apos;&quot;"), "<&>'\"");
    EXPECT_EQ(DecodeXmlEntities("&#65;&#x42;&#X43;&#x20AC;"), "ABC€");
    EXPECT_EQ(DecodeXmlEntities("&#x1F600;"), "\xF0\x9F\x98\x80");
    EXPECT_EQ(DecodeXmlEntities("&#128512;"), "\xF0\x9F\x98\x80");
}

TEST(XmlDecode, HtmlNamedEntitiesPreferExactCaseElseIgnoreCase) {
    EXPECT_EQ(DecodeXmlEntities("&copy;&nbsp;&euro;&hellip;"), "©\u00A0€…");
    EXPECT_EQ(DecodeXmlEntities("&Eacute;&eacute;"), "Éé");
    EXPECT_EQ(DecodeXmlEntities("&COPY;&AMP;&Lt;"), "©&<");
    EXPECT_EQ(DecodeXmlEntities("&thetasym;"), "ϑ");
}

TEST(XmlDecode, UnrecognisedReferencesStayLiteral) {
    EXPECT_EQ(DecodeXmlEntities("Tom & Jerry"), "Tom & Jerry");
    EXPECT_EQ(DecodeXmlEntities("a&b"), "a&b");
    EXPECT_EQ(DecodeXmlEntities("&unknown;"), "&unknown;");
    EXPECT_EQ(DecodeXmlEntities("&#0;&#xD800;&#x110000;&#;&#x;&#12a;"),
              "&#0;&#xD800;&#x110000;&#;&#x;&#12a;");
    EXPECT_EQ(DecodeXmlEntities("&averyverylongname;"), "&averyverylongname;");
    EXPECT_EQ(DecodeXmlEntities("&"), "&");
    EXPECT_EQ(DecodeXmlEntities("end&amp"), "end&amp");
    EXPECT_EQ(DecodeXmlEntities("&&amp;"), "&&");
}

TEST(XmlDecode, RoundTripsEscapedText) {
    const std::string text = "<\"quoted\" & 'single'> €";
    EXPECT_EQ(DecodeXmlEntities(EscapeXml(text)), text);
}

}  // namespace
}  // namespace vantora
