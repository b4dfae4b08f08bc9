// What a press of a host-side key does: the row's type decides, web
// addresses are read like an address bar and only web ones are opened.
#include "keys/host_action.h"

#include <filesystem>

#include "keys/function_catalogue.h"
#include "keys_fixture.h"
#include "support/fake_host_actions.h"

namespace vantora::test {
namespace {

using Kind = HostAction::Kind;

class HostActionTest : public FirstStartDatabaseTest {
protected:
    int Row(int type, const std::string& desc, const std::string& param = {}) {
        return db.AddOtherData(desc, param, type);
    }
};

TEST_F(HostActionTest, TheRowsTypeDecidesWhatHappens) {
    struct Case {
        int type;
        std::string desc;
        std::string param;
        HostAction want;
    };
    const std::vector<Case> cases{
        {kFunctionApplication, "gedit", "/usr/bin/gedit", {Kind::kStartProgram, "/usr/bin/gedit", ""}},
        {kFunctionApplication,
         "Editor",
         "/usr/share/applications/x.desktop",
         {Kind::kStartProgram, "/usr/share/applications/x.desktop", ""}},
        {kFunctionApplication, "gedit", "", {}},
        {kFunctionWebsite, "example.org", "", {Kind::kOpenWebAddress, "http://www.example.org", ""}},
        {kFunctionWebsite, "   ", "", {}},
        {kFunctionSendText, "  Kind regards,\nAnna ", "", {Kind::kSendText, "  Kind regards,\nAnna ", ""}},
        {kFunctionSendText, "", "", {}},
        {kFunctionMacro, "a macro", "x", {}},
        {0, "text", "/usr/bin/gedit", {}},
    };
    for (const Case& c : cases) {
        const int id = Row(c.type, c.desc, c.param);
        ASSERT_GT(id, 0);
        EXPECT_EQ(DecideHostAction(db, id), c.want) << c.type << " " << c.desc;
    }
}

TEST_F(HostActionTest, IdsWithoutARowDoNothing) {
    Row(kFunctionWebsite, "example.org");
    for (int id : {0, -1, 200, 256}) {
        EXPECT_EQ(DecideHostAction(db, id).kind, Kind::kNothing) << id;
    }
}

TEST_F(HostActionTest, OnlyWebAddressesAreOpened) {
    const std::vector<std::pair<std::string, std::string>> opened{
        {"www.example.org", "http://www.example.org"},
        {"example.org/path?q=1#top", "http://www.example.org/path?q=1#top"},
        {" WWW.Example.org ", "http://WWW.Example.org"},
        {"HTTPS://x.org", "https://x.org"},
        {"http://x.org/a b", "http://x.org/a%20b"},
        {"example.org:8080/x", "http://www.example.org:8080/x"},
        {"https://user@[::1]:8443/", "https://user@[::1]:8443/"},
        {"mailto:a@b.c", "mailto:a@b.c"},
        {"shop.example.org/www.page", "http://shop.example.org/www.page"},
    };
    for (const auto& [typed, url] : opened) {
        std::string got;
        std::string reason;
        EXPECT_TRUE(WebAddressUrl(typed, got, reason)) << typed << ": " << reason;
        EXPECT_EQ(got, url) << typed;
    }
    const std::vector<std::string> refused{
        "file:///etc/passwd",
        "javascript:alert(1)",
        "ftp://example.org/",
        "/etc/passwd",
        "~/notes.txt",
        "./run.sh",
        "http:example.org",
        "https://",
        "mailto:",
        "http://exa mple.org/",
        "www.example.org:",
        "http://x.org:99999/",
        "data:text/html,hi",
        "a\tb.org",
        "http://[zz]/",
    };
    for (const std::string& typed : refused) {
        std::string got;
        std::string reason;
        EXPECT_FALSE(WebAddressUrl(typed, got, reason)) << typed << " -> " << got;
        EXPECT_TRUE(got.empty()) << typed;
        EXPECT_FALSE(reason.empty()) << typed;
    }
}

TEST_F(HostActionTest, MailAddressesOpenWithoutAttachments) {
    const std::vector<std::pair<std::string, std::string>> cases{
        {"mailto:a@b.c?attach=~/.ssh/id_rsa", "mailto:a@b.c"},
        {"mailto:a@b.c?subject=Hi&ATTACHMENT=/etc/passwd&body=x", "mailto:a@b.c?subject=Hi&body=x"},
        {"mailto:a@b.c?%61ttach=/etc/shadow&Attach&cc=d@e.f", "mailto:a@b.c?cc=d@e.f"},
        {"mailto:a@b.c?%41TTACHMENT%20=x", "mailto:a@b.c"},
        {"mailto:a@b.c?attached=1&subject=attach=me", "mailto:a@b.c?attached=1&subject=attach=me"},
    };
    for (const auto& [typed, url] : cases) {
        std::string got;
        std::string reason;
        EXPECT_TRUE(WebAddressUrl(typed, got, reason)) << typed << ": " << reason;
        EXPECT_EQ(got, url) << typed;
    }
    std::string got;
    std::string reason;
    EXPECT_FALSE(WebAddressUrl("mailto:?attach=/etc/passwd", got, reason)) << got;
}

TEST(StartableProgramFileTest, ExecutablesAndDesktopEntriesOnly) {
    TempDir dir;
    const std::string program = dir.WriteFile("run", "#!/bin/sh\n");
    std::filesystem::permissions(program, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const std::vector<std::pair<std::string, bool>> cases{
        {program, true},
        {dir.WriteFile("Editor.DESKTOP", "[Desktop Entry]\n"), true},
        {dir.WriteFile("notes.txt", "x"), false},
        {dir.path() + "missing", false},
        {dir.path(), false},
        {"", false},
    };
    for (const auto& [path, startable] : cases) {
        EXPECT_EQ(IsStartableProgramFile(path), startable) << path;
    }
}

TEST_F(HostActionTest, RunHostActionCallsTheActionAndReportsRefusals) {
    FakeHostActions actions;
    const int program = Row(kFunctionApplication, "tool", "/opt/my tool/run");
    const int site = Row(kFunctionWebsite, "https://example.org/");
    const int text = Row(kFunctionSendText, "hello");
    const int local = Row(kFunctionWebsite, "file:///etc/passwd");
    EXPECT_TRUE(RunHostAction(db, program, actions).result.ok);
    EXPECT_TRUE(RunHostAction(db, site, actions).result.ok);
    EXPECT_TRUE(RunHostAction(db, text, actions).result.ok);
    const HostActionOutcome refused = RunHostAction(db, local, actions);
    EXPECT_EQ(refused.action.kind, Kind::kRefused);
    EXPECT_FALSE(refused.result.ok);
    EXPECT_NE(refused.result.error.find("file:///etc/passwd"), std::string::npos);
    const HostActionOutcome nothing = RunHostAction(db, 0, actions);
    EXPECT_FALSE(nothing.result.ok);
    EXPECT_TRUE(nothing.result.error.empty());
    const std::vector<FakeHostActions::Call> want{
        {"program", "/opt/my tool/run"}, {"web", "https://example.org/"}, {"text", "hello"}};
    EXPECT_EQ(actions.calls, want);

    // A failing action's error comes back.
    actions.result = HostActionResult::Failed("no browser");
    EXPECT_EQ(RunHostAction(db, site, actions).result.error, "no browser");
}

}  // namespace
}  // namespace vantora::test
