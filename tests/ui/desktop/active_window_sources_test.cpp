// The choice of a source for the application in front, and the KWin source
// against a stand-in for KWin's scripting interface on a private bus.
#include <gtest/gtest.h>

#include <QDBusConnection>
#include <QObject>
#include <QStringList>
#include <QThread>

#include <map>
#include <mutex>
#include <string>

#include "support/temp_dir.h"
#include "ui/dbus/private_bus.h"
#include "ui/desktop/active_window_choice.h"
#include "ui/desktop/kwin_script_source.h"

namespace vantora::ui {
namespace {

TEST(ActiveWindowChoiceTest, FollowsTheSessionAndTheCompositor) {
    using D = ActiveWindowDesktop;
    struct Case {
        std::map<std::string, std::string> env;
        bool wlroots;
        D expected;
    };
    const Case cases[] = {
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "KDE"}}, false, D::kX11},
        {{{"DISPLAY", ":0"}}, false, D::kX11},
        // An X11 session keeps X11 even with a stray WAYLAND_DISPLAY.
        {{{"XDG_SESSION_TYPE", "x11"}, {"DISPLAY", ":0"}, {"WAYLAND_DISPLAY", "wayland-0"}}, true, D::kX11},
        {{{"WAYLAND_DISPLAY", "wayland-1"}, {"XDG_CURRENT_DESKTOP", "sway"}}, true, D::kWlroots},
        {{{"XDG_SESSION_TYPE", "wayland"}, {"WAYLAND_DISPLAY", "wayland-0"}, {"XDG_CURRENT_DESKTOP", "KDE"}},
         false,
         D::kKWin},
        {{{"XDG_SESSION_TYPE", "wayland"},
          {"WAYLAND_DISPLAY", "wayland-0"},
          {"DISPLAY", ":0"},
          {"XDG_CURRENT_DESKTOP", "ubuntu:gnome"}},
         false,
         D::kGnome},
        // Wayland without the protocol on an unknown desktop: XWayland would
        // see only the X11 programs.
        {{{"WAYLAND_DISPLAY", "wayland-0"}, {"DISPLAY", ":0"}, {"XDG_CURRENT_DESKTOP", "Weston"}},
         false,
         D::kNone},
        {{}, false, D::kNone},
    };
    for (const Case& c : cases) {
        const auto env = [&](const char* name) {
            const auto found = c.env.find(name);
            return found == c.env.end() ? std::string() : found->second;
        };
        EXPECT_EQ(ChooseActiveWindowDesktop(env, [&] { return c.wlroots; }), c.expected)
            << ActiveWindowDesktopName(c.expected);
    }
}

// KWin's scripting object, as much of it as the source uses.
class FakeScripting : public QObject {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.kwin.Scripting")
public slots:
    bool isScriptLoaded(const QString& plugin) { return Record("isScriptLoaded " + plugin), loaded; }
    int loadScript(const QString& path, const QString& plugin) {
        Record("loadScript " + path + " " + plugin);
        loaded = true;
        return 7;
    }
    void start() { Record("start"); }
    bool unloadScript(const QString& plugin) {
        Record("unloadScript " + plugin);
        const bool was = loaded;
        loaded = false;
        return was;
    }

public:
    QStringList Calls() {
        std::lock_guard lock(mutex);
        return calls;
    }
    bool loaded = false;  // a script left from an earlier run, at first

private:
    void Record(const QString& call) {
        std::lock_guard lock(mutex);
        calls << call;
    }
    std::mutex mutex;
    QStringList calls;
};

class KWinScriptSourceTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_FALSE(bus.address.isEmpty()) << "dbus-daemon did not start"; }
    void TearDown() override {
        kwinThread.quit();
        kwinThread.wait();
    }
    // KWin on the bus, answering from a thread of its own.
    void StartKWin() {
        kwin.moveToThread(&kwinThread);
        kwinThread.start();
        QMetaObject::invokeMethod(
            &kwin,
            [this] {
                QDBusConnection connection = QDBusConnection::connectToBus(bus.address, "kwin");
                connection.registerObject("/Scripting", &kwin, QDBusConnection::ExportAllSlots);
                connection.registerService("org.kde.KWin");
            },
            Qt::BlockingQueuedConnection);
    }

    test::TempDir dir;
    test::PrivateBus bus{dir};
    FakeScripting kwin;
    QThread kwinThread;
    const QString script = QStringLiteral(VANTORA_SOURCE_DIR "data/desktop/kwin/vantora-focus.js");
};

TEST_F(KWinScriptSourceTest, LoadsAndStartsTheScriptAndUnloadsItAtStop) {
    StartKWin();
    kwin.loaded = true;
    KWinScriptSource source(QDBusConnection::connectToBus(bus.address, "program"), script);
    std::string error;
    ASSERT_TRUE(source.Start([](const platform::ActiveWindow&) {}, error)) << error;
    source.Stop();
    source.Stop();  // once only
    const QString plugin = KWinScriptSource::kPluginName;
    EXPECT_EQ(kwin.Calls(),
              (QStringList{"isScriptLoaded " + plugin, "unloadScript " + plugin,
                           "loadScript " + script + " " + plugin, "start", "unloadScript " + plugin}));
}

TEST_F(KWinScriptSourceTest, WithoutKWinOrItsScriptItDoesNotStart) {
    KWinScriptSource withoutKWin(QDBusConnection::connectToBus(bus.address, "program"), script);
    std::string error;
    EXPECT_FALSE(withoutKWin.Start([](const platform::ActiveWindow&) {}, error));
    EXPECT_EQ(error, "KWin is not on the session bus");

    StartKWin();
    KWinScriptSource withoutScript(QDBusConnection::connectToBus(bus.address, "program"),
                                   QString::fromStdString(dir.path() + "missing.js"));
    EXPECT_FALSE(withoutScript.Start([](const platform::ActiveWindow&) {}, error));
    EXPECT_NE(error.find("missing.js"), std::string::npos);
    EXPECT_TRUE(kwin.Calls().isEmpty());
}

}  // namespace
}  // namespace vantora::ui

#include "active_window_sources_test.moc"
