// Inputs sized to break naive parsers: deep nesting, huge attributes and
// every truncation of a real document.
#include <gtest/gtest.h>

#include "support/temp_dir.h"
#include "xml/xml_document.h"
#include "xml_walk.h"

namespace vantora {
namespace {

// Nesting and element count are bounded: a document at the limits reads
// and edits as any other, one past them is refused with the limit named
// (8 MB of "<a>" once took about 300 MB to index).
TEST(XmlRobustness, NestingAndElementCountStopAtTheirLimits) {
    const auto nested = [](std::size_t depth, bool closed) {
        std::string text;
        for (std::size_t i = 0; i < depth; ++i) {
            text += "<e>";
        }
        for (std::size_t i = 0; closed && i < depth; ++i) {
            text += "</e>";
        }
        return text;
    };
    const auto flat = [](std::size_t count) {
        std::string text = "<r>";
        for (std::size_t i = 1; i < count; ++i) {
            text += "<i/>";
        }
        return text + "</r>";
    };
    XmlDocument doc;
    ASSERT_TRUE(doc.SetDocumentText(nested(XmlDocument::kMaxDepth, true))) << doc.GetResult();
    std::size_t depth = 0;
    while (doc.FindElement("e")) {
        doc.EnterElement();
        ++depth;
    }
    EXPECT_EQ(depth, XmlDocument::kMaxDepth);
    doc.AddElement("leaf");  // the deepest element gets a child
    doc.SetAttribute("v", "deep");
    EXPECT_TRUE(doc.VerifyIndex());
    ASSERT_TRUE(doc.SetDocumentText(flat(XmlDocument::kMaxReadElements)));
    EXPECT_EQ(doc.ElementCount(), XmlDocument::kMaxReadElements);
    EXPECT_TRUE(doc.LimitError().empty());

    struct Case {
        std::string text;
        std::string limit;
    };
    const Case cases[] = {
        {nested(XmlDocument::kMaxDepth + 1, true), "the file nests elements more than 256 levels deep"},
        {nested((std::size_t{8} << 20) / 3, false), "the file nests elements more than 256 levels deep"},
        {flat(XmlDocument::kMaxReadElements + 1), "the file holds more than 131072 elements"},
    };
    for (const Case& c : cases) {
        EXPECT_FALSE(doc.SetDocumentText(c.text));
        EXPECT_EQ(doc.LimitError(), c.limit);
        EXPECT_TRUE(doc.Result().Has("limit_exceeded"));
        EXPECT_LE(doc.ElementCount(), XmlDocument::kMaxReadElements);
        EXPECT_TRUE(doc.VerifyIndex());
    }
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
