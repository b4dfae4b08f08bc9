#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

#include "support/temp_dir.h"
#include "xml/xml_document.h"
#include "xml/xml_text_codec.h"
#include "xml_walk.h"

namespace vantora {
namespace {

using test::TempDir;
using test::WalkDocument;

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::string Utf16(const std::string& ascii_or_utf8, bool big_endian) {
    std::string out;
    XmlResult ignored;
    // Encode through the codec's own writer, then drop its mark.
    out = EncodeXmlBytes(ascii_or_utf8, big_endian ? kXmlFlagUtf16BeBom : kXmlFlagUtf16LeBom, ignored);
    return out.substr(2);
}

const std::string kDocument = "<macro>\r\n<macroinfo name=\"Kopie – ü €\" times=\"1\"/>\r\n</macro>\r\n";

TEST(XmlFile, TheEncodingsOfOneDocumentLoadToTheSameText) {
    TempDir dir;
    const std::string files[] = {
        dir.WriteFile("plain.xml", kDocument),
        dir.WriteFile("bom8.xml", "\xEF\xBB\xBF" + kDocument),
        dir.WriteFile("le.xml", "\xFF\xFE" + Utf16(kDocument, false)),
        dir.WriteFile("be.xml", "\xFE\xFF" + Utf16(kDocument, true)),
        dir.WriteFile("le_nomark.xml", Utf16(kDocument, false)),
    };
    const unsigned expected_flags[] = {0, kXmlFlagUtf8Bom, kXmlFlagUtf16LeBom, kXmlFlagUtf16BeBom, 0};
    for (std::size_t i = 0; i < std::size(files); ++i) {
        XmlDocument doc;
        ASSERT_TRUE(doc.LoadFile(files[i])) << files[i] << doc.GetResult();
        EXPECT_EQ(doc.GetDocumentText(), kDocument) << files[i];
        EXPECT_EQ(doc.GetDocFlags(), expected_flags[i]) << files[i];
        doc.FindElement("macro");
        doc.EnterElement();
        doc.FindElement("macroinfo");
        EXPECT_EQ(doc.GetAttribute("name"), "Kopie – ü €");
    }
}

TEST(XmlFile, SavingKeepsTheMarkTheFileCameWith) {
    TempDir dir;
    for (const std::string& bytes :
         {"\xFF\xFE" + Utf16(kDocument, false), "\xFE\xFF" + Utf16(kDocument, true),
          "\xEF\xBB\xBF" + kDocument, kDocument}) {
        const std::string in = dir.WriteFile("in.xml", bytes);
        XmlDocument doc;
        ASSERT_TRUE(doc.LoadFile(in));
        ASSERT_TRUE(doc.SaveFile(dir.path() + "out.xml"));
        EXPECT_EQ(ReadBytes(dir.path() + "out.xml"), bytes);
    }
}

TEST(XmlFile, WritersSaveUtf8WithoutMark) {
    TempDir dir;
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("macro");
    doc.SetAttribute("name", "ü");
    ASSERT_TRUE(doc.SaveFile(dir.path() + "m.xml"));
    EXPECT_EQ(ReadBytes(dir.path() + "m.xml"),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<macro name=\"\xC3\xBC\"/>\r\n");
}

TEST(XmlFile, QuoteAndAmpersandSurviveSaveAndLoad) {
    TempDir dir;
    const std::string value = "Say \"hi\" & <bye> 'now' &amp; &#65;";
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("macro");
    doc.EnterElement();
    doc.AddElement("macroinfo");
    doc.SetAttribute("name", value);
    ASSERT_TRUE(doc.SaveFile(dir.path() + "q.xml"));
    XmlDocument back;
    ASSERT_TRUE(back.LoadFile(dir.path() + "q.xml"));
    back.FindElement("macro");
    back.EnterElement();
    ASSERT_TRUE(back.FindElement("macroinfo"));
    EXPECT_EQ(back.GetAttribute("name"), value);
}

TEST(XmlFile, DeclaredEncodingsAreConverted) {
    TempDir dir;
    const std::string latin1 = dir.WriteFile(
        "l1.xml", "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<a n=\"caf\xE9 \xA9\"/>\r\n");
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(latin1)) << doc.GetResult();
    EXPECT_TRUE(doc.Result().Has("converted_from"));
    doc.FindElement("a");
    EXPECT_EQ(doc.GetAttribute("n"), "café ©");
    // Saved back in the declared encoding.
    doc.SetAttribute("n", "cr\xC3\xA8me \xE2\x82\xAC");  // € does not exist in Latin-1
    ASSERT_TRUE(doc.SaveFile(dir.path() + "l1out.xml"));
    EXPECT_EQ(ReadBytes(dir.path() + "l1out.xml"),
              "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>\r\n<a n=\"cr\xE8me ?\"/>\r\n");
    EXPECT_TRUE(doc.Result().Has("conversion_loss"));

    const std::string html = dir.WriteFile(
        "h.xml",
        "<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; charset=windows-1251\">"
        "</head><body t=\"\xCF\xF0\xE8\"/></html>");
    ASSERT_TRUE(doc.LoadFile(html)) << doc.GetResult();
    doc.FindElement("html");
    doc.EnterElement();
    doc.FindElement("body");
    EXPECT_EQ(doc.GetAttribute("t"), "При");
}

TEST(XmlFile, FindsTheDeclaredEncoding) {
    EXPECT_EQ(FindDeclaredEncoding("<?xml version='1.0' encoding = 'Shift_JIS' ?><a/>"), "Shift_JIS");
    EXPECT_EQ(FindDeclaredEncoding("<html><META CharSet=\"koi8-r\"></html>"), "koi8-r");
    EXPECT_EQ(FindDeclaredEncoding("<?xml version=\"1.0\"?><a encoding=\"x\"/>"), "");
    EXPECT_EQ(FindDeclaredEncoding("<a/>"), "");
    // Only the head of a file counts.
    EXPECT_EQ(FindDeclaredEncoding(std::string(2000, ' ') + "<?xml version=\"1.0\" encoding=\"KOI8-R\"?>"),
              "");
}

TEST(XmlFile, UndeclaredLegacyTextIsReadAsWindows1252) {
    TempDir dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.WriteFile("w.xml", "<a n=\"na\xEFve \x80\"/>")));
    EXPECT_TRUE(doc.Result().Has("utf8_detection"));
    doc.FindElement("a");
    EXPECT_EQ(doc.GetAttribute("n"), "naïve €");
}

TEST(XmlFile, InvalidUtf8InADeclaredUtf8FileBecomesReplacementCharacters) {
    TempDir dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.WriteFile(
        "bad.xml", "<?xml version=\"1.0\" encoding=\"UTF-8\"?><a n=\"x\xC0\xAFy\xED\xA0\x80z\"/>")));
    EXPECT_TRUE(doc.Result().Has("utf8_detection"));
    doc.FindElement("a");
    EXPECT_EQ(doc.GetAttribute("n"), "x\uFFFD\uFFFDy\uFFFD\uFFFD\uFFFDz");
}

TEST(XmlFile, NulBytesAreDropped) {
    TempDir dir;
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(dir.WriteFile("nul.xml", std::string("<a\0 n=\"1\0\"/>\0", 13))));
    EXPECT_TRUE(doc.Result().Has("nulls_removed"));
    EXPECT_EQ(doc.GetDocumentText(), "<a n=\"1\"/>");
}

TEST(XmlFile, CutOffWideTextIsNotedAsTruncated) {
    TempDir dir;
    XmlDocument doc;
    const std::string wide = "\xFF\xFE" + Utf16("<a/>", false);
    ASSERT_TRUE(doc.LoadFile(dir.WriteFile("cut.xml", wide + "x")));
    EXPECT_TRUE(doc.Result().Has("truncation_error"));
    EXPECT_TRUE(doc.LoadFile(dir.WriteFile("be.xml", "\xFE\xFF" + Utf16("<a/>", true))));
    EXPECT_TRUE(doc.Result().Has("endian_swap"));
}

TEST(XmlFile, MissingFilesAndFoldersFail) {
    TempDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir.path() + "none.xml"));
    EXPECT_TRUE(doc.Result().Has("file_error"));
    EXPECT_EQ(doc.GetDocumentText(), "");
    EXPECT_FALSE(doc.LoadFile(dir.path()));  // a folder
    doc.SetDocumentText("<a/>");
    EXPECT_FALSE(doc.SaveFile(dir.path() + "no/such/folder/x.xml"));
    EXPECT_TRUE(doc.Result().Has("file_error"));
}

TEST(XmlFile, TwoTopLevelElementsLoadAsTextButFail) {
    TempDir dir;
    XmlDocument doc;
    EXPECT_FALSE(doc.LoadFile(dir.WriteFile("two.xml", "<a/><b/>")));
    EXPECT_EQ(doc.GetDocumentText(), "<a/><b/>");
    EXPECT_EQ(WalkDocument(doc), "0 a\n0 b\n");
}

}  // namespace
}  // namespace vantora
