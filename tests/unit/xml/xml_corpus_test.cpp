// Hostile files (truncated, garbage, broken encodings, unterminated
// constructs) kept as regression cases: each one must load without harm,
// stay navigable and survive an edit and a save/load cycle.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/temp_dir.h"
#include "xml/xml_document.h"
#include "xml_walk.h"

namespace vantora {
namespace {

std::vector<std::string> CorpusFiles() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator(VANTORA_XML_CORPUS_DIR)) {
        if (entry.is_regular_file()) {
            files.push_back(entry.path().string());
        }
    }
    std::sort(files.begin(), files.end());
    return files;
}

TEST(XmlCorpus, EveryNastyFileLoadsWalksEditsAndSaves) {
    const auto files = CorpusFiles();
    ASSERT_GE(files.size(), 20u);
    test::TempDir dir;
    for (const std::string& file : files) {
        SCOPED_TRACE(file);
        XmlDocument doc;
        doc.LoadFile(file);
        EXPECT_TRUE(doc.VerifyIndex());
        test::WalkDocument(doc, {"a", "name"});

        // Edit wherever the cursor lands, then check the index against a
        // fresh parse of the edited text.
        doc.ResetPos();
        if (doc.FindElement()) {
            doc.SetAttribute("added", "<&\"'>");
            doc.EnterElement();
            doc.AddElement("child");
            doc.SetAttribute("k", 1);
            doc.LeaveElement();
        } else {
            doc.AddElement("top");
        }
        EXPECT_TRUE(doc.VerifyIndex());
        const std::string walked = test::WalkDocument(doc, {"added", "k"});
        bool well_nested = doc.IsWellFormed();
        for (const char* item : {"unended_start_tag", "unterminated_tag_syntax", "comment_tag_syntax",
                                 "cdata_section_syntax", "doctype_tag_syntax", "exclamation_tag_syntax"}) {
            well_nested = well_nested && !doc.Result().Has(item);
        }
        ASSERT_TRUE(doc.SaveFile(dir.path() + "out.xml"));
        XmlDocument back;
        back.LoadFile(dir.path() + "out.xml");
        EXPECT_TRUE(back.VerifyIndex());
        if (well_nested) {
            // Well-nested text: what was saved reads back as edited.
            EXPECT_EQ(test::WalkDocument(back, {"added", "k"}), walked);
        }
    }
}

TEST(XmlCorpus, SpecificOutcomes) {
    const std::string dir = std::string(VANTORA_XML_CORPUS_DIR) + "/";
    XmlDocument doc;
    EXPECT_TRUE(doc.LoadFile(dir + "truncated_profile.xml"));
    EXPECT_TRUE(doc.Result().Has("unended_start_tag"));
    EXPECT_FALSE(doc.LoadFile(dir + "empty.xml"));
    EXPECT_TRUE(doc.Result().Has("no_root_element"));
    EXPECT_TRUE(doc.LoadFile(dir + "utf32le.xml")) << doc.GetResult();
    doc.FindElement("r");
    EXPECT_EQ(doc.GetAttribute("a"), "ü€");
    EXPECT_TRUE(doc.LoadFile(dir + "utf16be_nomark.xml"));
    doc.FindElement("r");
    EXPECT_EQ(doc.GetAttribute("a"), "ü");
    EXPECT_TRUE(doc.LoadFile(dir + "unknown_encoding.xml"));
    EXPECT_TRUE(doc.LoadFile(dir + "utf16_lone_surrogates.xml"));
    EXPECT_TRUE(doc.Result().Has("conversion_loss"));
    EXPECT_TRUE(doc.Result().Has("truncation_error"));
    EXPECT_FALSE(doc.LoadFile(dir + "unclosed_nesting.xml"));  // 2000 levels: past the limit
    EXPECT_EQ(doc.LimitError(), "the file nests elements more than 256 levels deep");
    EXPECT_EQ(doc.Result().Count("unended_start_tag"), XmlDocument::kMaxDepth);
    EXPECT_LT(doc.GetResult().size(), 4000u);  // repeated items are counted, not listed
}

}  // namespace
}  // namespace vantora
