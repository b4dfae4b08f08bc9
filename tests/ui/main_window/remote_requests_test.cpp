// vantoractl while the program runs: the window does the keyboard work and
// shows the change.
#include <future>
#include <thread>

#include "main_window_fixture.h"
#include "support/child_process.h"
#include "ui/main_window/single_instance.h"
#include "ui/pages/light_page.h"
#include "ui/pages/macro_page.h"
#include "ui/toolkit/list_boxes.h"
#include "ui/toolkit/slider.h"

namespace vantora::test {
namespace {

class RemoteRequestTest : public MainWindowTest {
protected:
    void SetUp() override {
        MainWindowTest::SetUp();
        runtime = dir.path() + "run";
        ::mkdir(runtime.c_str(), 0700);
        env.Set("XDG_RUNTIME_DIR", runtime);
        env.Set("VANTORA_SIMULATED_ONLY", "1");
    }
    void TearDown() override {
        instance.reset();
        MainWindowTest::TearDown();
    }

    // The window on vantoractl's data folder, listening on its socket.
    void OpenListening() {
        PlugKeyboard();
        MainWindowOptions options = Options();
        options.dataFolder = dir.path() + "documents/VANTORA Files/";
        options.activeWindowChoice = [this] { return ui::ActiveWindowChoice{desktop, nullptr}; };
        window = std::make_unique<DeviceMainDlg>(options);
        ASSERT_TRUE(window->CreateMainWindow());
        window->show();
        QTRY_VERIFY_WITH_TIMEOUT(window->Worker()->InitialLoadDone(), 10000);
        instance = std::make_unique<SingleInstance>();
        ASSERT_TRUE(instance->Acquire());
        ASSERT_TRUE(instance->IsListening());
        instance->SetRequestHandler([this](const std::string& line, SingleInstance::Reply reply) {
            window->HandleRequest(line, std::move(reply));
        });
    }

    // Runs vantoractl while this thread keeps the window's events going.
    ProcessResult Ctl(const std::vector<std::string>& args) {
        auto running = std::async(std::launch::async, [args] {
            return RunProgram(std::string(VANTORA_BIN_DIR) + "vantoractl", args);
        });
        while (running.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready) {
            QTest::qWait(5);
        }
        return running.get();
    }

    std::string runtime;
    std::unique_ptr<SingleInstance> instance;
    ui::ActiveWindowDesktop desktop = ui::ActiveWindowDesktop::kNone;
};

TEST_F(RemoteRequestTest, TheProgramSelectsTheProfileAndShowsIt) {
    OpenListening();
    const ProcessResult status = Ctl({"--json", "status"});
    EXPECT_EQ(status.exitCode, 0) << status.err;
    EXPECT_NE(status.out.find("\"connected\":true"), std::string::npos) << status.out;
    EXPECT_NE(status.out.find("\"via_program\":true"), std::string::npos);

    const int writesBefore =
        keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ReportsReceived(); });
    const ProcessResult select = Ctl({"profile", "select", "2"});
    EXPECT_EQ(select.exitCode, 0) << select.err;
    EXPECT_EQ(window->CurrentSelection().profile.load(), 2);
    auto* profiles = Control<MComboBox>(kIdProfileList);
    ASSERT_NE(profiles, nullptr);
    EXPECT_EQ(profiles->GetCurData(), 2);
    // The window's own worker wrote the key table: a whole transaction.
    EXPECT_GT(keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ReportsReceived(); }),
              writesBefore);
    EXPECT_FALSE(keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.InTransaction(); }));

    const ProcessResult on = Ctl({"switch", "altf4", "on"});
    EXPECT_EQ(on.exitCode, 0) << on.err;
    EXPECT_EQ(SwitchByte() & 0x04, 0x04);
    EXPECT_TRUE(Control<CCheckButton>(kIdDisableAltF4)->GetCheck());
}

TEST_F(RemoteRequestTest, AKeySetShowsItsLabelOnTheLayerOnScreen) {
    OpenListening();
    Click(VisibleTab(kTabDevice));  // the KEY page is the device page's first
    Click(Control(kIdFnLayer));
    ASSERT_EQ(window->CurrentSelection().layer.load(), 1);
    const ProcessResult set = Ctl({"key", "set", "A", "key", "B", "Ctrl", "--layer", "1"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(window->CurrentSelection().layer.load(), 1);  // the page stays on the FN layer
    std::string first;
    std::string second;
    ASSERT_TRUE(Control<KeyboardCtrl>(kIdKeyPicture)->GetTipKey(4, first, second));
    EXPECT_EQ(first, "Ctrl + B");
}

TEST_F(RemoteRequestTest, ALightSetShowsTheModeOnTheLightPageAndTheWindowDownloadsIt) {
    OpenListening();
    Click(VisibleTab(kTabDevice));
    Click(Control(kTabLight));
    const ProcessResult set = Ctl({"light", "set", "Fixed", "--brightness", "30", "--color", "00ff00"});
    EXPECT_EQ(set.exitCode, 0) << set.err;
    EXPECT_EQ(window->CurrentSelection().lightMode.load(), 2);
    auto* modes = Control<MComboBox>(kIdLightMode);
    ASSERT_NE(modes, nullptr);
    EXPECT_EQ(modes->GetCurData(-1), 2);
    EXPECT_EQ(Control<MSlider>(kIdBrightness)->GetProgress(), 30);
    // The window's worker sent the stored mode: mode, brightness, then green at offset 9.
    const auto settings = keyboard->WithFirmware([](sim::KeyboardFirmware& f) {
        return std::array<std::uint8_t, 3>{f.Settings()[2], f.Settings()[3], f.Settings()[9]};
    });
    EXPECT_EQ(settings, (std::array<std::uint8_t, 3>{2, 30, 0xFF}));
}

TEST_F(RemoteRequestTest, MacroVerbsShowInTheMacroListAndTheWindowWritesTheMacroMemory) {
    OpenListening();
    auto* list = Control<MacroListBox>(kIdMacroList);
    ASSERT_NE(list, nullptr);
    const ProcessResult added = Ctl({"macro", "add", "Remote"});
    ASSERT_EQ(added.exitCode, 0) << added.err;
    ASSERT_EQ(list->GetCount(), 1);
    EXPECT_EQ(list->GetItemText(0), "Remote");
    EXPECT_EQ(Ctl({"macro", "rename", "Remote", "Far"}).exitCode, 0);
    EXPECT_EQ(list->GetItemText(0), "Far");

    const int reportsBefore =
        keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ReportsReceived(); });
    const ProcessResult deleted = Ctl({"macro", "delete", "Far"});
    ASSERT_EQ(deleted.exitCode, 0) << deleted.err;
    EXPECT_EQ(list->GetCount(), 0);
    // The window's worker wrote the macro memory and the key table.
    EXPECT_GT(keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.ReportsReceived(); }),
              reportsBefore);
}

// The rule list tells how the running program learns the application in front.
TEST_F(RemoteRequestTest, TheRuleListSaysWhichDesktopTheProgramFollows) {
    desktop = ui::ActiveWindowDesktop::kGnome;
    OpenListening();
    const ProcessResult list = Ctl({"--json", "profile", "rule", "list"});
    EXPECT_EQ(list.exitCode, 0) << list.err;
    EXPECT_NE(list.out.find("\"source\":\"gnome\",\"program_running\":true"), std::string::npos) << list.out;
}

TEST_F(RemoteRequestTest, UnknownRequestsAreAnsweredWithAnError) {
    OpenListening();
    bool answered = false;
    window->HandleRequest("work dance", [&answered](const std::string& line) { answered = line == "error"; });
    EXPECT_TRUE(answered);
}

}  // namespace
}  // namespace vantora::test
