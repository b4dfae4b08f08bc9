// Inputs sized to break naive parsers: deep nesting, huge attributes and
// every truncation of a real document.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "xml/xml_document.h"
#include "xml_walk.h"

namespace vantora {
namespace {

TEST(XmlRobustness, HundredThousandNestedElements) {
    constexpr int kDepth = 100000;
    std::string text;
    for (int i = 0; i < kDepth; ++i) {
        text += "<e>";
    }
    for (int i = 0; i < kDepth; ++i) {
        text += "</e>";
    }
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(text));
    EXPECT_EQ(doc.ElementCount(), static_cast<std::size_t>(kDepth));
    int depth = 0;
    while (doc.FindElement("e")) {
        doc.EnterElement();
        ++depth;
    }
    EXPECT_EQ(depth, kDepth);
    doc.AddElement("leaf");  // the deepest element gets a child
    doc.SetAttribute("v", "deep");
    while (doc.LeaveElement()) {
    }
    EXPECT_TRUE(doc.VerifyIndex());
    XmlDocument fresh;
    ASSERT_TRUE(fresh.SetDocumentText(doc.GetDocumentText()));
    EXPECT_EQ(fresh.ElementCount(), static_cast<std::size_t>(kDepth) + 1);

    // The same nesting never closed.
    ASSERT_TRUE(doc.SetDocumentText(text.substr(0, 3 * kDepth)));
    EXPECT_EQ(doc.Result().Count("unended_start_tag"), static_cast<std::size_t>(kDepth));
}

TEST(XmlRobustness, FiftyMegabyteAttribute) {
    test::TempDir dir;
    const std::string value(50u << 20, 'v');
    {
        XmlDocument doc;
        doc.SetDocumentText(XmlDocument::kUtf8Declaration);
        doc.AddElement("big");
        doc.SetAttribute("a", value);
        doc.SetAttribute("b", "after");
        ASSERT_TRUE(doc.SaveFile(dir.path() + "big.xml"));
    }
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.path() + "big.xml"));
    ASSERT_TRUE(doc.FindElement("big"));
    EXPECT_EQ(doc.GetAttribute("a").size(), value.size());
    EXPECT_EQ(doc.GetAttribute("b"), "after");
    // Unterminated: the quote never closes.
    ASSERT_FALSE(doc.SetDocumentText("<big a=\"" + value));
    EXPECT_TRUE(doc.Result().Has("unterminated_tag_syntax"));
}

TEST(XmlRobustness, EveryTruncationOfAProfileIsHandled) {
    XmlDocument full;
    full.SetDocumentText(XmlDocument::kUtf8Declaration);
    full.AddElement("profile");
    full.EnterElement();
    full.AddElement("profileinfo");
    full.SetAttribute("name", "Büro & <Spiel>");
    full.AddElement("keyitems");
    full.EnterElement();
    for (int i = 0; i < 5; ++i) {
        full.AddElement("item");
        full.SetAttribute("key_code", 4 + i);
        full.SetAttribute("macro_desc", "d&'\"" + std::to_string(i));
    }
    const std::string text = "<!-- c --><!DOCTYPE profile><![CDATA[x]]>" + full.GetDocumentText();
    for (std::size_t cut = 0; cut <= text.size(); ++cut) {
        XmlDocument doc;
        doc.SetDocumentText(text.substr(0, cut));
        const std::string walked = test::WalkDocument(doc, {"key_code", "macro_desc", "name"});
        if (doc.FindElement()) {
            doc.EnterElement();
            doc.AddElement("x");
            doc.SetAttribute("y", "z");
        }
        ASSERT_TRUE(doc.VerifyIndex()) << "cut at " << cut;
        if (!doc.Result().Has("unended_start_tag") && !doc.Result().Has("unterminated_tag_syntax")) {
            // Well-nested text: the edited index equals a fresh parse.
            XmlDocument fresh;
            fresh.SetDocumentText(doc.GetDocumentText());
            ASSERT_EQ(test::WalkDocument(doc, {"key_code", "y"}),
                      test::WalkDocument(fresh, {"key_code", "y"}))
                << "cut at " << cut;
        }
    }
}

}  // namespace
}  // namespace vantora
