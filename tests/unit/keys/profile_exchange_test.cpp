#include "keys/profile_exchange.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <tuple>

#include "db/sqlite_db.h"
#include "keys/function_catalogue.h"
#include "support/temp_dir.h"
#include "text/item_names.h"
#include "text/utf8.h"
#include "xml/xml_document.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;
using Reason = ImportSkipReason;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// The comparable part of a row: everything but key_id and profile.
auto Columns(const KeyAssignment& r) {
    return std::tuple(r.fn_layer, r.key_code, r.layout_value, r.layout_desc, r.macro_type, r.macro_value,
                      r.macro_value2, r.macro_value3, r.macro_desc);
}

// One item line as the file holds it.
std::string Item(int layer, int key, int type, int value, const std::string& desc, int value2 = 0) {
    return "<item fn_layer=\"" + std::to_string(layer) + "\" key_code=\"" + std::to_string(key) +
           "\" layout_value=\"0\" layout_desc=\"\" macro_type=\"" + std::to_string(type) +
           "\" macro_value=\"" + std::to_string(value) + "\" macro_value2=\"" + std::to_string(value2) +
           "\" macro_value3=\"0\" macro_desc=\"" + desc + "\"/>\r\n";
}

std::string ProfileFile(const std::string& items, const std::string& name = "Imported") {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n<profileinfo name=\"" + name +
           "\"/>\r\n<keyitems>\r\n" + items + "</keyitems>\r\n</profile>\r\n";
}

class ProfileExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.path() + "db");
        fs::create_directories(out);
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
        profile = db.AddProfile("Game & \"Work\" ü");
        macro = db.AddMacro("Combo");
        app = db.AddOtherData("calc.exe", "/usr/bin/calc", kFunctionApplication);
        web = db.AddOtherData("https://example.org/?a=1&b=2", "", kFunctionWebsite);
        text = db.AddOtherData("Hello <world>", "", kFunctionSendText);
    }

    void Save(int layer, int key, int type, int value, const std::string& desc, int value2 = 0) {
        KeyAssignment row;
        row.profile = profile;
        row.fn_layer = layer;
        row.key_code = key;
        row.macro_type = type;
        row.macro_value = value;
        row.macro_value2 = value2;
        row.macro_desc = desc;
        ASSERT_GT(db.SaveKeyAssignment(row), 0);
    }

    std::vector<KeyAssignment> Rows(int id) {
        std::vector<KeyAssignment> rows;
        db.ListAllKeyAssignments(id, rows);
        std::sort(rows.begin(), rows.end(), [](const auto& a, const auto& b) {
            return std::tie(a.fn_layer, a.key_code) < std::tie(b.fn_layer, b.key_code);
        });
        return rows;
    }

    std::size_t ProfileCount() {
        std::vector<ProfileItem> list;
        return static_cast<std::size_t>(db.ListProfiles(list));
    }

    std::string Export(std::int32_t tick = 7) {
        std::string path;
        std::string error;
        EXPECT_TRUE(ExportProfileAt(db, profile, out, tick, path, error)) << error;
        return path;
    }

    test::TempDir dir;
    std::string out = dir.path() + "out/";
    ProfileDatabase db;
    int profile = 0;
    int macro = 0;
    int app = 0;
    int web = 0;
    int text = 0;
};

TEST_F(ProfileExchangeTest, ExportThenImportGivesTheSameRows) {
    Save(1, 30, kFunctionSendText, text, "Hello <world>");
    Save(0, 4, kFunctionDisableKey, 1, "Disable Key");
    Save(0, 5, kFunctionKeyboard, 6, "Ctrl + C", 224);
    Save(0, 6, kFunctionMacro, macro, "Combo");
    Save(0, 7, kFunctionMouse, 5, "Scroll Up");
    Save(0, 8, kFunctionMultimedia, 7, "Mute");
    Save(0, 9, kFunctionWindowsShortcut, 5, "Switch Windows");
    Save(1, 10, kFunctionApplication, app, "calc.exe");
    Save(1, 11, kFunctionWebsite, web, "https://example.org/?a=1&b=2");
    KeyAssignment odd;  // the columns nothing reads still travel
    odd.profile = profile;
    odd.fn_layer = 1;
    odd.key_code = 255;
    odd.layout_value = -17;
    odd.layout_desc = "l'ay\"out\t";
    odd.macro_type = kFunctionKeyboard;
    odd.macro_value = 4;
    odd.macro_value3 = 2147483647;
    ASSERT_GT(db.SaveKeyAssignment(odd), 0);

    const ImportResult result = ImportProfile(db, Export());
    ASSERT_GT(result.profileId, 0) << result.error;
    EXPECT_TRUE(result.skipped.empty());
    const auto before = Rows(profile);
    const auto after = Rows(result.profileId);
    ASSERT_EQ(after.size(), before.size());
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(Columns(after[i]), Columns(before[i])) << "row " << i;
    }
    std::vector<ProfileItem> list;
    db.ListProfiles(list);
    EXPECT_EQ(list.back().name, "Game & \"Work\" ü");
    EXPECT_EQ(list.back().status, 0);  // importing does not activate
}

// A name stored before names were checked (escape sequences, a tab, bytes
// that are not UTF-8) still exports as well-formed XML; the import cleans it
// and says so. Texts keep their line ends and tabs.
TEST_F(ProfileExchangeTest, ANameXmlCannotHoldExportsWellFormedAndImportsCleaned) {
    ASSERT_TRUE(db.RenameProfile(profile, "Tab\there\x1b]0;owned\x07\xff"));
    Save(0, 4, kFunctionSendText, text, "two\nlines\tand\x01");
    const std::string file = Export();
    const std::string bytes = ReadFile(file);
    for (std::size_t pos = 0; pos < bytes.size();) {
        const char32_t cp = NextUtf8(bytes, pos);
        ASSERT_NE(cp, kInvalidUtf8) << "at " << pos;
        ASSERT_TRUE(cp >= 0x20 || cp == '\r' || cp == '\n') << "at " << pos;
    }
    XmlDocument doc;
    EXPECT_TRUE(doc.SetDocumentText(bytes)) << doc.GetResult();

    const ImportResult result = ImportProfile(db, file);
    ASSERT_GT(result.profileId, 0) << result.error;
    EXPECT_EQ(result.note, kCleanedNameNote);
    std::vector<ProfileItem> list;
    db.ListProfiles(list);
    EXPECT_EQ(list.back().name, "Tab\uFFFDhere\uFFFD]0;owned\uFFFD\uFFFD");
    EXPECT_EQ(Rows(result.profileId).at(0).macro_desc, "two\nlines\tand\uFFFD");
    profile = result.profileId;  // the cleaned name travels unchanged
    EXPECT_TRUE(ImportProfile(db, Export(8)).note.empty());
}

TEST_F(ProfileExchangeTest, ExportWritesLayerZeroFirstInTheExchangeLayout) {
    Save(1, 41, kFunctionMouse, 1, "Left Mouse Button");
    Save(0, 4, kFunctionKeyboard, 5, "Shift + B", 225);
    Save(0, 5, kFunctionDisableKey, 1, "Disable Key");
    Save(0, 6, kFunctionMacro, macro, "Combo");
    Save(0, 7, kFunctionMultimedia, 5, "Volume +");
    Save(0, 8, kFunctionWindowsShortcut, 8, "Cut");
    Save(0, 9, kFunctionApplication, app, "calc.exe");
    Save(0, 10, kFunctionWebsite, web, "https://example.org/?a=1&b=2");
    Save(0, 11, kFunctionSendText, text, "Hello <world>");
    // Written by hand from the format: declaration, one element per line,
    // CR LF, no indentation, attributes in their order, escaped texts.
    EXPECT_EQ(
        ReadFile(Export()),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
        "<profile>\r\n"
        "<profileinfo name=\"Game &amp; &quot;Work&quot; \xC3\xBC\"/>\r\n"
        "<keyitems>\r\n"
        "<item fn_layer=\"0\" key_code=\"4\" layout_value=\"0\" layout_desc=\"\" macro_type=\"2\" "
        "macro_value=\"5\" macro_value2=\"225\" macro_value3=\"0\" macro_desc=\"Shift + B\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"5\" layout_value=\"0\" layout_desc=\"\" macro_type=\"1\" "
        "macro_value=\"1\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Disable Key\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"6\" layout_value=\"0\" layout_desc=\"\" macro_type=\"3\" "
        "macro_value=\"1\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Combo\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"7\" layout_value=\"0\" layout_desc=\"\" macro_type=\"6\" "
        "macro_value=\"5\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Volume +\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"8\" layout_value=\"0\" layout_desc=\"\" macro_type=\"7\" "
        "macro_value=\"8\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Cut\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"9\" layout_value=\"0\" layout_desc=\"\" macro_type=\"8\" "
        "macro_value=\"1\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"calc.exe\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"10\" layout_value=\"0\" layout_desc=\"\" macro_type=\"9\" "
        "macro_value=\"2\" macro_value2=\"0\" macro_value3=\"0\" "
        "macro_desc=\"https://example.org/?a=1&amp;b=2\"/>\r\n"
        "<item fn_layer=\"0\" key_code=\"11\" layout_value=\"0\" layout_desc=\"\" macro_type=\"10\" "
        "macro_value=\"3\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Hello &lt;world&gt;\"/>\r\n"
        "<item fn_layer=\"1\" key_code=\"41\" layout_value=\"0\" layout_desc=\"\" macro_type=\"5\" "
        "macro_value=\"1\" macro_value2=\"0\" macro_value3=\"0\" macro_desc=\"Left Mouse Button\"/>\r\n"
        "</keyitems>\r\n"
        "</profile>\r\n");
}

TEST_F(ProfileExchangeTest, EmptyProfileExportsEmptyKeyitems) {
    EXPECT_EQ(
        ReadFile(Export()),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<profile>\r\n"
        "<profileinfo name=\"Game &amp; &quot;Work&quot; \xC3\xBC\"/>\r\n<keyitems/>\r\n</profile>\r\n");
    const ImportResult result = ImportProfile(db, Export(8));
    EXPECT_GT(result.profileId, 0);
    EXPECT_TRUE(Rows(result.profileId).empty());
}

TEST(ExchangeFileNameTest, ReplacesCharactersFileNamesCannotHold) {
    EXPECT_EQ(ExchangeFileName("a/b\\c:d*e?f\"g<h>i|j", -5), "a_b_c_d_e_f_g_h_i_j--5.xml");
    EXPECT_EQ(ExchangeFileName(std::string("x\0y\n", 4), 1, 3), "x_y_-1-3.xml");
    EXPECT_EQ(ExchangeFileName("..", 0), "..-0.xml");
    EXPECT_EQ(ExchangeFileName("csi\xc2\x9b"
                               "bad\xff ü",
                               2),
              "csi_bad_ ü-2.xml");
}

TEST(ExchangeFileNameTest, LongNameIsCutOnACharacterBoundary) {
    std::string name;
    for (int i = 0; i < 100; ++i) {
        name += "\xE2\x82\xAC";  // 300 bytes of "€"
    }
    const std::string file = ExchangeFileName(name, -2147483647 - 1, 12);
    EXPECT_LE(file.size(), 255u);
    const std::string tail = "--2147483648-12.xml";
    ASSERT_GT(file.size(), 255u - tail.size() - 3);
    const std::string stem = file.substr(0, file.size() - tail.size());
    EXPECT_EQ(file.substr(stem.size()), tail);
    EXPECT_EQ(stem.size() % 3, 0u);
    EXPECT_EQ(name.compare(0, stem.size(), stem), 0);
}

TEST_F(ProfileExchangeTest, ExportNeverReplacesAFileAndStaysInItsFolder) {
    ASSERT_TRUE(db.RenameProfile(profile, "../x"));
    const std::string taken = dir.WriteFile("out/.._x-7.xml", "mine");
    const std::string first = Export();
    const std::string second = Export();
    EXPECT_EQ(ReadFile(taken), "mine");
    EXPECT_NE(first, second);
    for (const std::string& path : {first, second}) {
        EXPECT_EQ(fs::path(path).parent_path(), fs::path(out).parent_path());
        EXPECT_NE(ReadFile(path).find("name=\"../x\""), std::string::npos);
    }
    EXPECT_FALSE(fs::exists(dir.path() + "x-7.xml"));

    std::string path;
    std::string error;
    EXPECT_TRUE(ExportProfile(db, profile, out, path, error));
    EXPECT_FALSE(ExportProfile(db, 999, out, path, error));
    EXPECT_FALSE(ExportProfile(db, profile, out + "missing", path, error));
    EXPECT_FALSE(error.empty());
}

TEST_F(ProfileExchangeTest, ImportKeepsOnlyIdsThatMeanTheSameHere) {
    const std::string file = ProfileFile(Item(0, 4, 3, macro, "Combo") +   // kept
                                         Item(0, 5, 3, macro, "Other") +   // name differs
                                         Item(0, 6, 3, 77, "Combo") +      // no such macro
                                         Item(0, 7, 8, app, "calc.exe") +  // kept
                                         Item(0, 8, 8, app, "vim") +       // program unknown here
                                         Item(0, 9, 9, web, "https://example.org/?a=1&amp;b=2") +  // kept
                                         Item(0, 10, 9, text, "https://a.example") +               // new row
                                         Item(1, 4, 10, 99, "hi") + Item(1, 5, 10, 99, "hi"));  // one new row
    const ImportResult result = ImportProfileBytes(db, file);
    ASSERT_GT(result.profileId, 0) << result.error;
    ASSERT_EQ(result.skipped.size(), 3u);
    EXPECT_EQ(std::tie(result.skipped[0].position, result.skipped[0].reason),
              std::tuple(2u, Reason::kUnknownMacro));
    EXPECT_EQ(std::tie(result.skipped[1].position, result.skipped[1].reason),
              std::tuple(3u, Reason::kUnknownMacro));
    EXPECT_EQ(std::tie(result.skipped[2].key_code, result.skipped[2].reason),
              std::tuple(8, Reason::kUnknownApplication));

    const auto rows = Rows(result.profileId);
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_EQ(rows[0].macro_value, macro);
    EXPECT_EQ(rows[1].macro_value, app);
    EXPECT_EQ(rows[2].macro_value, web);
    EXPECT_EQ(rows[4].macro_value, rows[5].macro_value);
    // New rows take the smallest ids no key uses (the unused text row's too).
    for (const auto& [row, id, type, label] :
         {std::tuple(rows[3], text, 9, "https://a.example"), std::tuple(rows[4], text + 1, 10, "hi")}) {
        EXPECT_EQ(row.macro_value, id);
        std::string desc;
        std::string param;
        int stored = 0;
        db.GetOtherData(row.macro_value, desc, param, stored);
        EXPECT_EQ(std::tie(desc, param, stored), std::tuple(label, "", type));
    }
}

TEST_F(ProfileExchangeTest, MacroKeysSurviveTheRoundTripAfterRenames) {
    Save(0, 4, kFunctionMacro, macro, "Combo");
    ASSERT_TRUE(db.RenameMacro(macro, "Renamed"));  // relabels key 4
    Save(0, 5, kFunctionMacro, macro, "Combo");     // a label stored before renames relabelled keys
    const std::string file = Export();
    const std::string older = ProfileFile(Item(0, 4, 3, macro, "Combo") + Item(0, 5, 3, macro, "Stranger"));
    const ImportResult result = ImportProfile(db, file);
    ASSERT_GT(result.profileId, 0) << result.error;
    EXPECT_TRUE(result.skipped.empty());
    const auto rows = Rows(result.profileId);
    ASSERT_EQ(rows.size(), 2u);
    for (const KeyAssignment& row : rows) {
        EXPECT_EQ(std::tie(row.macro_value, row.macro_desc), std::tuple(macro, "Renamed"));
    }
    // A label this database gave a key of the macro is its own; any other is not.
    const ImportResult second = ImportProfileBytes(db, older);
    ASSERT_GT(second.profileId, 0) << second.error;
    ASSERT_EQ(second.skipped.size(), 1u);
    EXPECT_EQ(std::tie(second.skipped[0].key_code, second.skipped[0].reason),
              std::tuple(5, Reason::kUnknownMacro));
    ASSERT_EQ(Rows(second.profileId).size(), 1u);
    EXPECT_EQ(Rows(second.profileId)[0].macro_desc, "Renamed");
}

TEST_F(ProfileExchangeTest, AnImportTheDatabaseRefusesHalfWayLeavesNothing) {
    std::string items;
    for (int key = 1; key <= 150; ++key) {
        items += Item(key % 2, key, kFunctionWebsite, 500 + key, "site" + std::to_string(key) + ".org");
    }
    SQLiteDB other;
    ASSERT_TRUE(other.Open(db.DatabasePath().c_str(), kOpenExisting));
    // Refused after 100 rows, and no delete would take the profile away again.
    ASSERT_EQ(other.Execute("CREATE TRIGGER full BEFORE INSERT ON t_key_macro_data WHEN (SELECT count(*) "
                            "FROM t_key_macro_data) >= 100 BEGIN SELECT RAISE(ABORT, 'full'); END; "
                            "CREATE TRIGGER keep BEFORE DELETE ON t_profile_data "
                            "BEGIN SELECT RAISE(ABORT, 'busy'); END"),
              kSqliteOk);
    auto count = [&other](const char* table) {
        SQLiteStatement statement;
        other.Prepare(statement, (std::string("SELECT count(*) FROM ") + table).c_str());
        return statement.Step() == kSqliteRow ? statement.ColumnInt(0) : -1;
    };
    const std::size_t profiles = ProfileCount();
    const ImportResult result = ImportProfileBytes(db, ProfileFile(items));
    EXPECT_EQ(result.status, ImportError::kStoreFailed);
    EXPECT_EQ(result.profileId, 0);
    EXPECT_EQ(ProfileCount(), profiles);
    EXPECT_EQ(count("t_key_macro_data"), 0);
    EXPECT_EQ(count("t_key_otherdata"), 3);
    std::string desc;
    std::string param;
    int type = 0;
    db.GetOtherData(text, desc, param, type);
    EXPECT_EQ(desc, "Hello <world>");  // the unused row a new one would have taken

    ASSERT_EQ(other.Execute("DROP TRIGGER full"), kSqliteOk);
    const ImportResult again = ImportProfileBytes(db, ProfileFile(items));
    ASSERT_GT(again.profileId, 0) << again.error;
    EXPECT_EQ(Rows(again.profileId).size(), 150u);
}

TEST_F(ProfileExchangeTest, AProfileTakesAtMost255HostSideRows) {
    Save(0, 200, kFunctionSendText, text, "Hello <world>");  // another profile's row counts nowhere else
    std::string items = Item(0, 1, kFunctionSendText, text, "Hello <world>");  // kept id
    for (int key = 2; key <= 255; ++key) {
        items += Item(0, key, kFunctionWebsite, 1000 + key, "s" + std::to_string(key) + ".org");  // new rows
    }
    items += Item(1, 1, kFunctionWebsite, 1000 + 2, "s2.org") +  // shares the row of key 2
             Item(1, 2, kFunctionWebsite, 2000, "one-too-many.org") +
             Item(1, 3, kFunctionWebsite, web, "https://example.org/?a=1&amp;b=2") +  // a 256th id too
             Item(1, 4, kFunctionMouse, 1, "Left Mouse Button");
    // The second import finds every id below 256 in use by the first: its
    // new rows go beyond, and nothing more is left out.
    for (const int round : {1, 2}) {
        SCOPED_TRACE(round);
        const ImportResult result = ImportProfileBytes(db, ProfileFile(items));
        ASSERT_GT(result.profileId, 0) << result.error;
        ASSERT_EQ(result.skipped.size(), 2u);
        for (const SkippedItem& skipped : result.skipped) {
            EXPECT_EQ(std::tie(skipped.fn_layer, skipped.reason), std::tuple(1, Reason::kNoHostSlot));
        }
        EXPECT_EQ(result.skipped[0].macro_desc, "one-too-many.org");
        const auto rows = Rows(result.profileId);
        ASSERT_EQ(rows.size(), 257u);
        std::set<int> ids;
        for (const KeyAssignment& row : rows) {
            if (row.macro_type != kFunctionMouse) {
                ids.insert(row.macro_value);
            }
        }
        EXPECT_EQ(ids.size(), 255u);
        EXPECT_EQ(*ids.rbegin() >= 256, round == 2);
    }
}

TEST_F(ProfileExchangeTest, HostileFilesFailOrLoseOnlyTheirBadItems) {
    std::string deep = "<profile>";
    for (int i = 0; i < 100000; ++i) {
        deep += "<a>";
    }
    std::string many;
    for (int i = 0; i <= static_cast<int>(kMaxExchangeItems); ++i) {
        many += Item(0, 4, 2, 5, "");
    }
    struct Case {
        const char* what;
        std::string bytes;
        ImportError status;
        std::vector<Reason> skipped;
    };
    const std::vector<Case> cases = {
        {"not XML", std::string("\x00\xFF\xFE garbage", 11), ImportError::kNotAProfile, {}},
        {"wrong root", "<macro><profileinfo name=\"x\"/></macro>", ImportError::kNotAProfile, {}},
        {"two roots", "<profile/><profile/>", ImportError::kNotAProfile, {}},
        {"no name", "<profile><keyitems/></profile>", ImportError::kNoName, {}},
        {"deep", deep, ImportError::kTooLarge, {}},
        {"huge", std::string(kMaxExchangeFileBytes + 1, ' '), ImportError::kTooLarge, {}},
        {"too many items", ProfileFile(many), ImportError::kTooLarge, {}},
        {"bad items",
         ProfileFile(
             "<item fn_layer=\"0\" key_code=\"4\" macro_type=\"2\"/>\r\n"  // no macro_value
             + Item(0, 5, 2, 5, "", 99) + Item(0, 6, 4, 1, "") + Item(2, 7, 2, 5, "") +
             Item(0, -3, 2, 5, "") + Item(0, 256, 2, 5, "") + Item(0, 8, 5, 4, "") + Item(0, 9, 9, 0, "x") +
             Item(0, 10, 10, 3, "") +
             "<item fn_layer=\"0\" key_code=\"11\" macro_type=\"2\" macro_value=\"99999999999\"/>\r\n"
             "<item fn_layer=\"0x1\" key_code=\"12\" macro_type=\"2\" macro_value=\"5\"/>\r\n"
             "<item fn_layer=\"0\" key_code=\"13\" macro_type=\"2\" macro_value=\"5\"><item/></item>\r\n"),
         ImportError::kNone,
         {Reason::kBadAttribute, Reason::kBadValue, Reason::kUnknownType, Reason::kBadKey, Reason::kBadKey,
          Reason::kBadKey, Reason::kBadValue, Reason::kBadValue, Reason::kBadValue, Reason::kBadAttribute,
          Reason::kBadAttribute}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::size_t profiles = ProfileCount();
        const ImportResult result = ImportProfileBytes(db, c.bytes);
        EXPECT_EQ(result.status, c.status);
        std::vector<Reason> reasons;
        for (const SkippedItem& s : result.skipped) {
            reasons.push_back(s.reason);
        }
        EXPECT_EQ(reasons, c.skipped);
        if (c.status == ImportError::kNone) {
            ASSERT_GT(result.profileId, 0);
            ASSERT_EQ(Rows(result.profileId).size(), 1u);  // only key 13 was fit to store
            EXPECT_EQ(Rows(result.profileId)[0].key_code, 13);
        } else {
            EXPECT_EQ(result.profileId, 0);
            EXPECT_FALSE(result.error.empty());
            EXPECT_EQ(ProfileCount(), profiles);
        }
    }
    EXPECT_EQ(ImportProfile(db, dir.path() + "absent.xml").status, ImportError::kUnreadable);
}

}  // namespace
}  // namespace vantora
