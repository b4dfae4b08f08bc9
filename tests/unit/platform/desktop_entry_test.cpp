// Reading a .desktop file's [Desktop Entry] group and splitting its Exec.
#include "platform/desktop_entry.h"

#include <gtest/gtest.h>

#include "platform/autostart.h"

namespace vantora::test {
namespace {

using Args = std::vector<std::string>;

DesktopEntry Entry(const std::string& execLine, const std::string& extra = {}) {
    DesktopEntry entry;
    std::string error;
    EXPECT_TRUE(
        ParseDesktopEntry("[Desktop Entry]\nType=Application\nExec=" + execLine + "\n" + extra, entry, error))
        << error;
    return entry;
}

TEST(DesktopEntryTest, OnlyTheFirstGroupsKeysAreRead) {
    DesktopEntry entry;
    std::string error;
    ASSERT_TRUE(
        ParseDesktopEntry("# made by hand\r\n\n[Desktop Entry]\r\n"
                          "Name[de]=Werkzeug\nName = Tool\\sOne\nName=Second\n"
                          "Exec=tool\nPath=/srv/work\nIcon=tool\nTerminal=true\nX-Other=1\n"
                          "[Desktop Action New]\nExec=other\nName=New\n",
                          entry, error))
        << error;
    EXPECT_EQ(entry.type, "");
    EXPECT_EQ(entry.name, "Tool One");
    EXPECT_EQ(entry.exec, "tool");
    EXPECT_EQ(entry.path, "/srv/work");
    EXPECT_EQ(entry.icon, "tool");
    EXPECT_TRUE(entry.terminal);

    for (const std::string text :
         {"", "Exec=tool\n", "[Desktop Action New]\nExec=tool\n", "[Desktop Entry"}) {
        EXPECT_FALSE(ParseDesktopEntry(text, entry, error)) << text;
        EXPECT_FALSE(error.empty());
    }
}

TEST(DesktopEntryTest, ExecIsSplitByQuotesEscapesAndFieldCodes) {
    struct Case {
        std::string exec;
        Args want;
    };
    const std::string extra = "Name=My Tool\nIcon=tool-icon\n";
    const std::vector<Case> cases{
        {"tool --new-window", {"tool", "--new-window"}},
        {"  tool \t  a  ", {"tool", "a"}},
        {R"("/opt/My Tool/run" "two words" "")", {"/opt/My Tool/run", "two words", ""}},
        // In the file a backslash is doubled once for the string and once for the quotes.
        {R"(tool "a \"b\" \`c\` \$d \\\\e")", {"tool", R"(a "b" `c` $d \e)"}},
        {R"(tool\s--x\t-y)", {"tool", "--x", "-y"}},
        {"tool %f %F %u %U %d %D %n %N %v %m", {"tool"}},
        {"tool --file=%f --url=%U", {"tool", "--file=", "--url="}},
        {"tool %i %c", {"tool", "--icon", "tool-icon", "My Tool"}},
        {"tool --desktop=%k", {"tool", "--desktop=/apps/tool.desktop"}},
        {R"(tool 100%% "50%%")", {"tool", "100%", "50%"}},
        {"tool=x a,b:c @d", {"tool=x", "a,b:c", "@d"}},
    };
    for (const Case& c : cases) {
        Args argv;
        std::string error;
        EXPECT_TRUE(SplitExec(Entry(c.exec, extra), "/apps/tool.desktop", argv, error))
            << c.exec << ": " << error;
        EXPECT_EQ(argv, c.want) << c.exec;
    }
    // %i without an Icon goes away.
    Args argv;
    std::string error;
    ASSERT_TRUE(SplitExec(Entry("tool %i -x"), "", argv, error));
    EXPECT_EQ(argv, (Args{"tool", "-x"}));
}

TEST(DesktopEntryTest, MalformedExecIsAnError) {
    for (const std::string exec :
         {R"(tool "unclosed)", "tool a;b", "tool $(rm -rf x)", "tool 'quoted'", "tool a|b", "tool >out",
          "tool `id`", "tool ~/x", "tool *", "tool %z", "tool 100%", "", "  ", R"("")", "%f", "%U %f"}) {
        Args argv{"left over"};
        std::string error;
        EXPECT_FALSE(SplitExec(Entry(exec), "/apps/tool.desktop", argv, error)) << exec;
        EXPECT_TRUE(argv.empty()) << exec;
        EXPECT_FALSE(error.empty()) << exec;
    }
}

TEST(DesktopEntryTest, TheAutostartEntrysQuotingSplitsBackToOnePath) {
    for (const std::string path : {"/opt/a b/\"q\" $(touch x); `id` \\ 100%/vantora", "/usr/bin/vantora"}) {
        Args argv;
        std::string error;
        ASSERT_TRUE(SplitExec(Entry(QuoteExecArgument(path)), "", argv, error)) << path << ": " << error;
        EXPECT_EQ(argv, Args{path});
    }
}

}  // namespace
}  // namespace vantora::test
