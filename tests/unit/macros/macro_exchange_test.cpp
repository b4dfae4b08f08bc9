#include "macros/macro_exchange.h"

#include <gtest/gtest.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <tuple>
#include <vector>

#include "db/sqlite_db.h"
#include "support/temp_dir.h"
#include "text/item_names.h"
#include "xml/xml_document.h"

namespace vantora {
namespace {

namespace fs = std::filesystem;
using Status = MacroImportStatus;

std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

auto Settings(const Macro& m) {
    return std::tuple(m.name, m.play_times, m.delay_type, m.delay_time, m.link_count);
}
auto Record(const MacroStep& s) {
    return std::tuple(s.desc, s.type, s.value, s.delay_time);
}
using RecordTuple = std::tuple<std::string, int, int, int>;

std::string MacroFile(const std::string& body) {
    return "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<macro>\r\n" + body + "</macro>\r\n";
}

std::string Items(int count) {
    std::string items = "<macroinfo name=\"M\" times=\"1\" type=\"1\" delaytime=\"0\"/>\r\n<macroitems>\r\n";
    for (int i = 0; i < count; ++i) {
        items +=
            "<item desc=\"A\" type=\"" + std::to_string(2 + i % 2) + "\" value=\"65\" delay_time=\"5\"/>\r\n";
    }
    return MacroFile(items + "</macroitems>\r\n");
}

class MacroExchangeTest : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(dir.path() + "db");
        fs::create_directories(out);
        ASSERT_TRUE(db.OpenProfileDatabase(dir.path(), "kb"));
    }

    int AddMacro(const std::string& name, const std::vector<RecordTuple>& records) {
        const int id = db.AddMacro(name);
        std::vector<MacroStep> steps;
        for (const auto& [desc, type, value, delay] : records) {
            steps.push_back({0, id, type, static_cast<int>(steps.size()), value, delay, desc});
        }
        db.AddMacroSteps(steps);
        return id;
    }

    std::vector<RecordTuple> Records(int id) {
        std::vector<MacroStep> steps;
        db.ListMacroSteps(id, steps);
        std::vector<RecordTuple> records;
        for (const MacroStep& s : steps) {
            records.push_back(Record(s));
        }
        return records;
    }

    int MacroCount() {
        std::vector<Macro> list;
        return db.ListMacros(list);
    }

    // Nothing stored by a refused import.
    void ExpectRefused(const MacroImportResult& result, Status status, int macrosBefore, int stepsBefore) {
        EXPECT_EQ(result.status, status);
        EXPECT_EQ(result.macroId, 0);
        EXPECT_FALSE(result.error.empty());
        EXPECT_EQ(MacroCount(), macrosBefore);
        EXPECT_EQ(db.CountAllMacroSteps(), stepsBefore);
    }

    test::TempDir dir;
    std::string out = dir.path() + "out/";
    ProfileDatabase db;
};

TEST_F(MacroExchangeTest, ExportsTheWorkedExampleByteForByte) {
    const int id = AddMacro("Copy", {{"C", 2, 67, 50}, {"C", 3, 67, 0}});
    std::string path;
    std::string error;
    ASSERT_TRUE(ExportMacroAt(db, id, out, 123456, path, error)) << error;
    EXPECT_EQ(path, out + "Copy-123456.xml");
    EXPECT_EQ(ReadFile(path),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n"
              "<macro>\r\n"
              "<macroinfo name=\"Copy\" times=\"1\" type=\"1\" delaytime=\"0\"/>\r\n"
              "<macroitems>\r\n"
              "<item desc=\"C\" type=\"2\" value=\"67\" delay_time=\"50\"/>\r\n"
              "<item desc=\"C\" type=\"3\" value=\"67\" delay_time=\"0\"/>\r\n"
              "</macroitems>\r\n"
              "</macro>\r\n");
}

TEST_F(MacroExchangeTest, ExportNamesStayInTheFolderAndNeverReplaceAFile) {
    const std::string name = "../a/b \"x\" & <y>";
    const int id = AddMacro(name, {});
    std::string first;
    std::string second;
    std::string error;
    ASSERT_TRUE(ExportMacroAt(db, id, out, -7, first, error)) << error;
    ASSERT_TRUE(ExportMacroAt(db, id, out, -7, second, error)) << error;
    EXPECT_EQ(first, out + ".._a_b _x_ & _y_--7.xml");
    EXPECT_EQ(second, out + ".._a_b _x_ & _y_--7-2.xml");
    EXPECT_EQ(ReadFile(first),
              "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\r\n<macro>\r\n"
              "<macroinfo name=\"../a/b &quot;x&quot; &amp; &lt;y&gt;\" times=\"1\" type=\"1\" "
              "delaytime=\"0\"/>\r\n"
              "<macroitems/>\r\n</macro>\r\n");
    EXPECT_EQ(ReadFile(second), ReadFile(first));

    // Failures leave no file and say why.
    std::string path = "x";
    EXPECT_FALSE(ExportMacroAt(db, id + 1, out, 1, path, error));
    EXPECT_TRUE(path.empty());
    EXPECT_FALSE(error.empty());
    EXPECT_FALSE(ExportMacroAt(db, id, out + "missing/", 1, path, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(std::distance(fs::directory_iterator(out), fs::directory_iterator()), 2);
}

TEST_F(MacroExchangeTest, ExportThenImportGivesTheSameMacroUnderANewIdEachTime) {
    Macro settings;
    settings.name = "Q \"&\" ü";
    settings.play_times = 3;
    settings.delay_type = 2;
    settings.delay_time = 70000;
    settings.link_count = 4;
    const int id = db.AddMacroWithSettings(settings);
    const std::vector<RecordTuple> records = {
        {"Ctrl", 2, 162, 10}, {"<b> & \"c\"", 3, 66, -1}, {"", 4, 1, 65536}};
    std::vector<MacroStep> steps;
    for (const auto& [desc, type, value, delay] : records) {
        steps.push_back({0, id, type, static_cast<int>(steps.size()), value, delay, desc});
    }
    db.AddMacroSteps(steps);
    std::string path;
    std::string error;
    ASSERT_TRUE(ExportMacroAt(db, id, out, 1, path, error)) << error;

    const MacroImportResult first = ImportMacro(db, path);
    const MacroImportResult second = ImportMacro(db, path);
    ASSERT_EQ(first.status, Status::kOk) << first.error;
    ASSERT_EQ(second.status, Status::kOk) << second.error;
    EXPECT_TRUE(first.error.empty());
    EXPECT_NE(first.macroId, id);
    EXPECT_NE(second.macroId, first.macroId);
    // Delays the keyboard cannot hold come back within 0..65535, and the import says so.
    const std::vector<RecordTuple> held = {
        {"Ctrl", 2, 162, 10}, {"<b> & \"c\"", 3, 66, 0}, {"", 4, 1, 65535}};
    for (const MacroImportResult& copy : {first, second}) {
        Macro macro;
        ASSERT_TRUE(db.GetMacro(copy.macroId, macro));
        EXPECT_EQ(Settings(macro), std::tuple(settings.name, 3, 2, 65535, 0));  // link count starts at 0
        EXPECT_EQ(Records(copy.macroId), held);
        EXPECT_EQ(copy.clampedDelays, 3);
    }
    EXPECT_EQ(ImportMacro(db, out + "none.xml").status, Status::kUnreadable);
}

struct ImportCase {
    const char* what;
    std::string file;
    std::tuple<std::string, int, int, int> settings;  // name, times, type, delaytime
    std::vector<RecordTuple> records;
    int clampedDelays = 0;
};

TEST_F(MacroExchangeTest, ImportReadsWhatTheFileHoldsWithDefinedNumbers) {
    const std::vector<ImportCase> cases = {
        {"macroinfo without macroitems",
         MacroFile("<macroinfo name=\"Empty\" times=\"2\" type=\"3\" delaytime=\"4\"/>\r\n"),
         {"Empty", 2, 3, 4},
         {}},
        {"empty macroitems",
         MacroFile("<macroinfo name=\"E\" times=\"1\" type=\"1\" delaytime=\"0\"/>\r\n<macroitems/>\r\n"),
         {"E", 1, 1, 0},
         {}},
        {"no macroinfo, missing and junk attributes",
         MacroFile("<macroitems>\r\n<item desc=\"A\" type=\"2\" value=\"65\"/>\r\n<item/>\r\n"
                   "<item desc=\"B\" type=\"x\" value=\" 12abc\" delay_time=\"+7\" "
                   "extra=\"1\"/>\r\n</macroitems>\r\n"),
         {"", 0, 0, 0},
         {{"A", 2, 65, 0}, {"", 0, 0, 0}, {"B", 0, 12, 7}}},
        {"negative and huge as read or at the nearest end, delays within the keyboard's 16 bits",
         MacroFile("<macroinfo name=\"N\" times=\"-1\" type=\"99999999999\" delaytime=\"-99999999999\"/>\r\n"
                   "<macroitems>\r\n<item desc=\"D\" type=\"5\" value=\"-3\" delay_time=\"70000\"/>\r\n"
                   "<item desc=\"E\" type=\"4\" value=\"2147483647\" "
                   "delay_time=\"-2147483648\"/>\r\n<item desc=\"F\" delay_time=\"65535\"/>\r\n"
                   "</macroitems>\r\n"),
         {"N", -1, INT_MAX, 0},
         {{"D", 5, -3, 65535}, {"E", 4, INT_MAX, 0}, {"F", 0, 0, 65535}},
         3},
        {"other elements ignored, items inside them not read",
         MacroFile(
             "<other><item desc=\"X\" type=\"2\"/></other>\r\n<macroinfo name=\"O\"/>\r\n<macroitems>\r\n"
             "<note/><item desc=\"Y\" type=\"3\" value=\"1\" delay_time=\"2\"><item desc=\"Z\"/></item>\r\n"
             "</macroitems>\r\n"),
         {"O", 0, 0, 0},
         {{"Y", 3, 1, 2}}},
        {"start tags never closed are tolerated",
         "<macro><macroinfo name=\"U\"/><macroitems><item desc=\"A\"/>",
         {"U", 0, 0, 0},
         {{"A", 0, 0, 0}}},
    };
    for (const ImportCase& c : cases) {
        SCOPED_TRACE(c.what);
        const MacroImportResult result = ImportMacroBytes(db, c.file);
        ASSERT_EQ(result.status, Status::kOk) << result.error;
        Macro macro;
        ASSERT_TRUE(db.GetMacro(result.macroId, macro));
        EXPECT_EQ(std::tuple(macro.name, macro.play_times, macro.delay_type, macro.delay_time), c.settings);
        EXPECT_EQ(macro.link_count, 0);
        EXPECT_EQ(Records(result.macroId), c.records);
        EXPECT_EQ(result.clampedDelays, c.clampedDelays);
        EXPECT_EQ(result.note.empty(), c.clampedDelays == 0) << result.note;
    }
}

TEST_F(MacroExchangeTest, HostileFilesAreRefusedWithNothingStored) {
    AddMacro("Kept", {{"A", 2, 65, 1}});
    const std::vector<std::pair<const char*, std::string>> refused = {
        {"empty", ""},
        {"not XML", "\x01\xff garbage <<<"},
        {"wrong root", "<?xml version=\"1.0\"?>\r\n<profile><macroinfo name=\"P\"/></profile>\r\n"},
        {"macro below the root", "<a><macro><macroinfo name=\"P\"/></macro></a>"},
    };
    for (const auto& [what, file] : refused) {
        SCOPED_TRACE(what);
        ExpectRefused(ImportMacroBytes(db, file), Status::kNotAMacro, 1, 1);
    }
    const std::string huge = Items(0) + std::string(kMaxMacroFileBytes, ' ');
    ExpectRefused(ImportMacroBytes(db, huge), Status::kTooLarge, 1, 1);
    std::string deep = "<macro>";
    for (int i = 0; i < 300; ++i) {
        deep += "<a>";
    }
    const MacroImportResult nested = ImportMacroBytes(db, deep);
    ExpectRefused(nested, Status::kTooLarge, 1, 1);
    EXPECT_EQ(nested.error, "the file nests elements more than 256 levels deep");
}

// A name stored before names were checked exports as well-formed XML; the
// import cleans it and says so.
TEST_F(MacroExchangeTest, ANameXmlCannotHoldExportsWellFormedAndImportsCleaned) {
    const int id = AddMacro("Evil\x1b[2J\tname\xc0", {{"A\x01", 2, 65, 1}});
    std::string path;
    std::string error;
    ASSERT_TRUE(ExportMacroAt(db, id, out, 1, path, error)) << error;
    XmlDocument doc;
    ASSERT_TRUE(doc.LoadFile(path)) << doc.GetResult();
    ASSERT_TRUE(doc.FindElement("macro"));
    doc.EnterElement();
    ASSERT_TRUE(doc.FindElement("macroinfo"));
    EXPECT_EQ(doc.GetAttribute("name"), "Evil\uFFFD[2J\tname\uFFFD");

    const MacroImportResult imported = ImportMacro(db, path);
    ASSERT_EQ(imported.status, Status::kOk) << imported.error;
    EXPECT_TRUE(imported.nameCleaned);
    EXPECT_EQ(imported.note, kCleanedNameNote);
    Macro macro;
    ASSERT_TRUE(db.GetMacro(imported.macroId, macro));
    EXPECT_EQ(macro.name, "Evil\uFFFD[2J\uFFFDname\uFFFD");
    EXPECT_EQ(Records(imported.macroId), (std::vector<RecordTuple>{{"A\uFFFD", 2, 65, 1}}));
}

TEST_F(MacroExchangeTest, DeeplyNestedItemsAreNotRecords) {
    std::string deep = "<macro><macroinfo name=\"D\"/><macroitems>";
    for (int i = 0; i < 200; ++i) {
        deep += "<a>";
    }
    deep += "<item desc=\"A\" type=\"2\"/>";  // nesting left open: tolerated
    const MacroImportResult result = ImportMacroBytes(db, deep);
    ASSERT_EQ(result.status, Status::kOk) << result.error;
    EXPECT_TRUE(Records(result.macroId).empty());
}

TEST_F(MacroExchangeTest, ImportKeepsAllRecordsWithinTheSpaceOfOneThousand) {
    std::vector<RecordTuple> many(990, RecordTuple{"A", 2, 65, 1});
    AddMacro("Big", many);
    ExpectRefused(ImportMacroBytes(db, Items(11)), Status::kNoSpace, 1, 990);
    ExpectRefused(ImportMacroBytes(db, Items(50000)), Status::kNoSpace, 1, 990);

    const MacroImportResult fits = ImportMacroBytes(db, Items(10));
    ASSERT_EQ(fits.status, Status::kOk) << fits.error;
    EXPECT_EQ(db.CountAllMacroSteps(), 1000);
    // A full memory still takes a macro without records.
    EXPECT_EQ(ImportMacroBytes(db, Items(0)).status, Status::kOk);
    ExpectRefused(ImportMacroBytes(db, Items(1)), Status::kNoSpace, 3, 1000);
}

TEST_F(MacroExchangeTest, RecordsTheDatabaseRefusesLeaveNothingBehind) {
    SQLiteDB other;
    ASSERT_TRUE(other.Open((dir.path() + "db/kb_data.db").c_str(), kOpenExisting));
    // Refused half way, and no delete would take the macro away again.
    ASSERT_EQ(other.Execute("CREATE TRIGGER refuse BEFORE INSERT ON t_macrorecord WHEN NEW.record_index = 1 "
                            "BEGIN SELECT RAISE(ABORT, 'refused'); END"),
              kSqliteOk);
    ASSERT_EQ(other.Execute("CREATE TRIGGER keep BEFORE DELETE ON t_macro_data "
                            "BEGIN SELECT RAISE(ABORT, 'busy'); END"),
              kSqliteOk);
    ExpectRefused(ImportMacroBytes(db, Items(3)), Status::kStoreFailed, 0, 0);
    // A macro without records needs no record insert.
    EXPECT_EQ(ImportMacroBytes(db, Items(1)).status, Status::kOk);
}

}  // namespace
}  // namespace vantora
