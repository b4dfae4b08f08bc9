#include "xml/xml_document.h"

#include <gtest/gtest.h>

#include "xml/xml_text_codec.h"
#include "xml_walk.h"

namespace vantora {
namespace {

using test::WalkDocument;

TEST(XmlNavigation, FindVisitsMatchingSiblingsInOrder) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><item n=\"1\"/><other/><item n=\"2\"/><item n=\"3\"></item></r>"));
    ASSERT_TRUE(doc.FindElement("r"));
    ASSERT_TRUE(doc.EnterElement());
    std::string seen;
    while (doc.FindElement("item")) {
        seen += doc.GetAttribute("n");
    }
    EXPECT_EQ(seen, "123");
}

TEST(XmlNavigation, MissingNameLeavesCursorWhereItWas) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a/><b/><c/></r>"));
    doc.FindElement("r");
    doc.EnterElement();
    ASSERT_TRUE(doc.FindElement("b"));
    const auto current = doc.CurrentPosition();
    EXPECT_FALSE(doc.FindElement("zzz"));
    EXPECT_EQ(doc.CurrentPosition(), current);
    EXPECT_EQ(doc.GetTagName(), "b");
    // The next search still starts after b: a lies behind it.
    EXPECT_FALSE(doc.FindElement("a"));
    EXPECT_TRUE(doc.FindElement("c"));
}

TEST(XmlNavigation, NamesAreCaseSensitive) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<Root/>"));
    EXPECT_FALSE(doc.FindElement("root"));
    EXPECT_TRUE(doc.FindElement("Root"));
}

TEST(XmlNavigation, LeaveThenEnterResumesAtTheRememberedChild) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a/><b/><c/></r>"));
    doc.FindElement("r");
    EXPECT_FALSE(doc.LeaveElement());  // top level: nothing to leave
    doc.EnterElement();
    doc.FindElement("b");
    ASSERT_TRUE(doc.LeaveElement());
    EXPECT_EQ(doc.GetTagName(), "r");
    EXPECT_EQ(doc.ParentPosition(), 0u);
    ASSERT_TRUE(doc.EnterElement());
    EXPECT_EQ(doc.GetTagName(), "b");
    EXPECT_TRUE(doc.FindElement("c"));
}

TEST(XmlNavigation, EnterWithoutCurrentElementFails) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r/>"));
    EXPECT_FALSE(doc.EnterElement());
    EXPECT_EQ(doc.GetAttribute("x"), "");
    EXPECT_EQ(doc.GetTagName(), "");
}

TEST(XmlNavigation, CommentsCdataInstructionsAndDoctypeAreSkipped) {
    XmlDocument doc;
    const char* text =
        "<?xml version=\"1.0\"?>\r\n<!DOCTYPE r [ <!ELEMENT r ANY> <!ENTITY e \"<x/>\"> ]>\r\n"
        "<!-- <hidden/> -->\r\n<r><?pi <hidden/> ?><![CDATA[<hidden/>]]><!-- <hidden/> --><shown/></r>";
    ASSERT_TRUE(doc.SetDocumentText(text)) << doc.GetResult();
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 shown\n");
}

TEST(XmlWellFormedness, ExactlyOneTopLevelElement) {
    XmlDocument doc;
    EXPECT_FALSE(doc.SetDocumentText(""));
    EXPECT_TRUE(doc.Result().Has("no_root_element"));
    EXPECT_FALSE(doc.SetDocumentText("<?xml version=\"1.0\"?><!-- only a comment -->"));
    EXPECT_FALSE(doc.SetDocumentText("<a/><b/>"));
    EXPECT_TRUE(doc.Result().Has("root_has_sibling"));
    // The text is still held and navigable.
    EXPECT_EQ(doc.GetDocumentText(), "<a/><b/>");
    EXPECT_TRUE(doc.FindElement("b"));
    EXPECT_TRUE(doc.SetDocumentText("text before <a/> text after"));
}

TEST(XmlWellFormedness, StrayEndTagIsSkippedAndNoted) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a/></x><b/></r>"));
    EXPECT_TRUE(doc.Result().Has("lone_end_tag"));
    EXPECT_NE(doc.GetResult().find("tagname=\"x\""), std::string::npos);
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 a\n1 b\n");
}

TEST(XmlWellFormedness, UnclosedStartTagEndsWhereItsParentEnds) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a><in/></r><!-- after -->"));
    EXPECT_TRUE(doc.Result().Has("unended_start_tag"));
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 a\n2 in\n");
    // The document still has one top-level element and can be edited.
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("a");
    EXPECT_TRUE(doc.AddElement("b"));
    EXPECT_TRUE(doc.VerifyIndex());
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 a\n2 in\n1 b\n");
}

TEST(XmlWellFormedness, TruncatedDocumentsAreToleratedToTheEnd) {
    XmlDocument doc;
    EXPECT_TRUE(doc.SetDocumentText("<r><a x=\"1\"/><b y=\"2"));
    EXPECT_TRUE(doc.Result().Has("unterminated_tag_syntax"));
    EXPECT_EQ(WalkDocument(doc, {"x"}), "0 r x=\n1 a x=1\n");
    EXPECT_TRUE(doc.SetDocumentText("<r><!-- open comment <a/>"));
    EXPECT_TRUE(doc.Result().Has("comment_tag_syntax"));
    EXPECT_TRUE(doc.SetDocumentText("<r><![CDATA[ open"));
    EXPECT_TRUE(doc.Result().Has("cdata_section_syntax"));
    EXPECT_FALSE(doc.SetDocumentText("<!DOCTYPE r [ <!ELEMENT r ANY>"));
    EXPECT_TRUE(doc.Result().Has("doctype_tag_syntax"));
}

TEST(XmlWellFormedness, BrokenTagDoesNotSwallowTheRest) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a x=1 <b/>< c/></r>"));
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 b\n");
}

TEST(XmlAttributes, ReadDecodedValues) {
    XmlDocument doc;
    ASSERT_TRUE(
        doc.SetDocumentText("<a xname=\"no\" name=\"yes\" q='single &quot;quoted&quot;' gt=\"1 > 0\" "
                            "e=\"&lt;&amp;&gt;&apos;&quot;\" "
                            "bare=v spaced = \"s\"/>"));
    doc.FindElement("a");
    EXPECT_EQ(doc.GetAttribute("name"), "yes");
    EXPECT_EQ(doc.GetAttribute("q"), "single \"quoted\"");
    EXPECT_EQ(doc.GetAttribute("gt"), "1 > 0");
    EXPECT_EQ(doc.GetAttribute("e"), "<&>'\"");
    EXPECT_EQ(doc.GetAttribute("bare"), "v");
    EXPECT_EQ(doc.GetAttribute("spaced"), "s");
    EXPECT_EQ(doc.GetAttribute("missing"), "");
    EXPECT_EQ(doc.GetAttribute("nam"), "");
}

TEST(XmlAttributes, SetTwiceKeepsOneAttributeWithTheSecondValue) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<a/>"));
    doc.FindElement("a");
    doc.SetAttribute("n", "first");
    doc.SetAttribute("n", "second value");
    EXPECT_EQ(doc.GetDocumentText(), "<a n=\"second value\"/>");
    EXPECT_EQ(doc.GetAttribute("n"), "second value");
}

TEST(XmlAttributes, SetEscapesAndShiftsFollowingElements) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r>\r\n<a x='1'>\r\n<c/>\r\n</a>\r\n<b/>\r\n</r>\r\n"));
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("a");
    doc.SetAttribute("x", "<\"&'>");
    doc.SetAttribute("y", 42);
    EXPECT_NE(doc.GetDocumentText().find("<a x='&lt;&quot;&amp;&apos;&gt;' y=\"42\">"), std::string::npos);
    EXPECT_EQ(doc.GetAttribute("x"), "<\"&'>");
    const std::string walked = WalkDocument(doc, {"x", "y"});
    XmlDocument fresh;
    ASSERT_TRUE(fresh.SetDocumentText(doc.GetDocumentText()));
    EXPECT_EQ(walked, WalkDocument(fresh, {"x", "y"}));
    EXPECT_EQ(walked, "0 r x= y=\n1 a x=<\"&'> y=42\n2 c x= y=\n1 b x= y=\n");
}

TEST(XmlAttributes, SetRejectsInvalidNamesAndMissingCurrent) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<a/>"));
    EXPECT_FALSE(doc.SetAttribute("n", "v"));
    doc.FindElement("a");
    EXPECT_FALSE(doc.SetAttribute("", "v"));
    EXPECT_FALSE(doc.SetAttribute("a b", "v"));
    EXPECT_FALSE(doc.SetAttribute("1x", "v"));
    EXPECT_EQ(doc.GetDocumentText(), "<a/>");
}

TEST(XmlWriting, ProfileDocumentHasOneElementPerLine) {
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("profile");
    doc.EnterElement();
    doc.AddElement("profileinfo");
    doc.SetAttribute("name", "Game & \"Work\"");
    doc.AddElement("keyitems");
    doc.EnterElement();
    for (int i = 0; i < 2; ++i) {
        doc.AddElement("item");
        doc.SetAttribute("fn_layer", i);
        doc.SetAttribute("key_code", 4 + i);
    }
    doc.LeaveElement();
    EXPECT_EQ(doc.GetDocumentText(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<profile>\r\n"
              "<profileinfo name=\"Game &amp; &quot;Work&quot;\"/>\r\n"
              "<keyitems>\r\n"
              "<item fn_layer=\"0\" key_code=\"4\"/>\r\n"
              "<item fn_layer=\"1\" key_code=\"5\"/>\r\n"
              "</keyitems>\r\n"
              "</profile>\r\n");
    EXPECT_TRUE(doc.IsWellFormed());
}

TEST(XmlWriting, EmptyKeyitemsStayShort) {
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("profile");
    doc.EnterElement();
    doc.AddElement("keyitems");
    doc.EnterElement();
    doc.LeaveElement();
    EXPECT_EQ(doc.GetDocumentText(),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n<keyitems/>\r\n</profile>\r\n");
}

TEST(XmlWriting, FirstChildExpandsAnEmptyElement) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<a/>"));
    doc.FindElement("a");
    doc.EnterElement();
    ASSERT_TRUE(doc.AddElement("b"));
    EXPECT_EQ(doc.GetDocumentText(), "<a>\r\n<b/>\r\n</a>");
    EXPECT_EQ(doc.GetTagName(), "b");
    doc.LeaveElement();
    doc.SetAttribute("k", "v");
    EXPECT_EQ(doc.GetDocumentText(), "<a k=\"v\">\r\n<b/>\r\n</a>");
}

// Found by fuzzing: the first element's quoted value never closes, so a
// value ending in '/' made its start tag look like <a .../>, and adding a
// child "expanded" it with an end tag cut inside its multi-byte name.
TEST(XmlWriting, AValueWhoseQuoteNeverClosedKeepsTheIndexWhole) {
    const std::string input(
        "<\xf9\xbb\xb0\xbcT\"\x0f\x0f\x0f > <r/<?xml version=\"1.0\" encoding=\"U^F-16\"?><r a=\">x\"/>");
    XmlResult decoded;
    unsigned flags = 0;
    XmlDocument doc;
    doc.SetDocumentText(DecodeXmlBytes(input, flags, decoded));
    ASSERT_TRUE(doc.FindElement());
    ASSERT_TRUE(doc.SetAttribute("a", input.substr(0, 16)));
    doc.EnterElement();
    ASSERT_TRUE(doc.AddElement("child"));
    EXPECT_TRUE(doc.VerifyIndex());
    doc.LeaveElement();
    EXPECT_EQ(doc.GetAttribute("a"), "<\uFFFD\uFFFD\uFFFD\uFFFDT\"\uFFFD\uFFFD\uFFFD > <r/");
}

TEST(XmlWriting, AddsIntoHandWrittenTextOnNewLines) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r><a/><b>text</b></r>"));
    doc.FindElement("r");
    doc.EnterElement();
    doc.FindElement("a");
    doc.AddElement("after_a");
    doc.FindElement("b");
    doc.EnterElement();
    doc.AddElement("in_b");
    EXPECT_EQ(doc.GetDocumentText(), "<r><a/>\r\n<after_a/>\r\n<b>text\r\n<in_b/>\r\n</b></r>");
    XmlDocument fresh;
    ASSERT_TRUE(fresh.SetDocumentText(doc.GetDocumentText()));
    EXPECT_EQ(WalkDocument(doc), WalkDocument(fresh));
    EXPECT_EQ(WalkDocument(doc), "0 r\n1 a\n1 after_a\n1 b\n2 in_b\n");
}

TEST(XmlWriting, AddWithoutCurrentAppendsAsLastChild) {
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText("<r>\r\n<a/>\r\n</r>"));
    doc.FindElement("r");
    doc.EnterElement();
    doc.AddElement("z");
    EXPECT_EQ(doc.GetDocumentText(), "<r>\r\n<a/>\r\n<z/>\r\n</r>");
    EXPECT_FALSE(doc.AddElement("bad name"));
    EXPECT_FALSE(doc.AddElement(""));
}

TEST(XmlWriting, SecondTopLevelElementMakesItIllFormed) {
    XmlDocument doc;
    doc.SetDocumentText("");
    doc.AddElement("a");
    EXPECT_TRUE(doc.IsWellFormed());
    doc.AddElement("b");
    EXPECT_FALSE(doc.IsWellFormed());
    EXPECT_EQ(doc.GetDocumentText(), "<a/>\r\n<b/>\r\n");
}

TEST(XmlWriting, StreamingFlagsRefuseAddAndLoad) {
    XmlDocument doc;
    doc.SetDocFlags(kXmlFlagWriteFile);
    EXPECT_FALSE(doc.AddElement("a"));
    EXPECT_FALSE(doc.LoadFile("/nonexistent"));
    doc.SetDocFlags(0);
    EXPECT_TRUE(doc.AddElement("a"));
}

TEST(XmlWriting, ManyEditsKeepTheIndexInStepWithTheText) {
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("root");
    doc.EnterElement();
    for (int i = 0; i < 50; ++i) {
        doc.AddElement("g");
        doc.SetAttribute("i", i);
        doc.EnterElement();
        for (int k = 0; k < 3; ++k) {
            doc.AddElement("k");
            doc.SetAttribute("i", k);
        }
        doc.LeaveElement();
    }
    // Edit early elements so that everything after them moves.
    doc.ResetPos();
    doc.FindElement("root");
    doc.EnterElement();
    while (doc.FindElement("g")) {
        doc.SetAttribute("i", doc.GetAttribute("i") + "-longer-value");
        doc.SetAttribute("extra", "x");
    }
    XmlDocument fresh;
    ASSERT_TRUE(fresh.SetDocumentText(doc.GetDocumentText()));
    EXPECT_EQ(WalkDocument(doc, {"i", "extra"}), WalkDocument(fresh, {"i", "extra"}));
}

}  // namespace
}  // namespace vantora
