#pragma once

// A main window in a private home, connected (or not) to a simulated
// keyboard in a private simulator folder. Message boxes are answered with
// AnswerNextBox before the click that opens them.
#include "device/sim_folder_monitor.h"
#include "device/sim_hid_backend.h"
#include "i18n/strings.h"
#include "sim/sim_keyboard_server.h"
#include "support/env_guard.h"
#include "support/fake_audio_capture.h"
#include "support/fake_host_actions.h"
#include "support/temp_dir.h"
#include "sync/device_worker.h"
#include "ui/dialogs/modal_helper.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/main_window/main_window.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <QApplication>
#include <QComboBox>
#include <QTest>
#include <memory>
#include <optional>
#include <string>

namespace vantora::test {

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        savedLanguage = CurrentUiLanguage.load();
        CurrentUiLanguage = 1033;
        env.Set("HOME", dir.path() + "home");
        env.Set("XDG_CONFIG_HOME", dir.path() + "config");
        env.Set("XDG_DOCUMENTS_DIR", dir.path() + "documents");
        simFolder = dir.path() + "sim";
        ::mkdir(simFolder.c_str(), 0700);
        env.Set("VANTORA_SIM_DIR", simFolder);
    }
    void TearDown() override {
        window.reset();
        keyboard.reset();
        CurrentUiLanguage = savedLanguage;
    }

    void PlugKeyboard() {
        if (!keyboard) {
            sim::SimKeyboardServer::Options options;
            options.folder = simFolder;
            keyboard = std::make_unique<sim::SimKeyboardServer>(options);
        }
        std::string error;
        ASSERT_TRUE(keyboard->Plug(&error)) << error;
    }

    MainWindowOptions Options() {
        MainWindowOptions options;
        options.programFolder = programFolder;
        options.dataFolder = dir.path() + "data/";
        const std::string folder = simFolder;
        options.backend = std::make_shared<SimHidBackend>(SimHidBackend::Options{.folder = folder});
        options.hotplugSources = [folder] {
            std::vector<std::unique_ptr<HotplugSource>> sources;
            sources.push_back(std::make_unique<SimFolderMonitor>(folder));
            return sources;
        };
        options.trayAvailable = [this] { return trayAvailable; };
        options.trayProbeIntervalMs = trayProbeIntervalMs;
        options.exitProcess = [this](int code) { exitCode = code; };
        options.chooseFile = [this](FileChoice) { return chosenFile; };
        // No test starts programs or browsers: the window's host-side
        // actions are recorded.
        options.hostActions = [this] {
            auto fake = std::make_unique<FakeHostActions>();
            hostActions = fake.get();
            return fake;
        };
        // Never the desktop the tests run on: the application in front is
        // only what a test reports.
        options.activeWindowChoice = [] { return ui::ActiveWindowChoice{}; };
        // Never the sound server of the person running the tests.
        options.audioCapture = [this] {
            auto fake = std::make_unique<FakeAudioCapture>();
            audio = fake.get();
            return fake;
        };
        return options;
    }

    void Open() {
        window = std::make_unique<DeviceMainDlg>(Options());
        ASSERT_TRUE(window->CreateMainWindow());
        window->show();
    }

    // Opens the window on a plugged keyboard and waits for the initial load.
    void OpenConnected() {
        PlugKeyboard();
        Open();
        ASSERT_TRUE(window->IsConnected());
        QTRY_VERIFY_WITH_TIMEOUT(window->Worker()->InitialLoadDone(), 10000);
    }

    template <class T = MControl>
    T* Control(int id, std::size_t nth = 0) {
        const auto all = window->GetControls(id);
        return nth < all.size() ? qobject_cast<T*>(all[nth]) : nullptr;
    }

    // The tab `id` of the row on the page shown.
    CSelectButton* VisibleTab(int id) {
        for (MControl* c : window->GetControls(id)) {
            if (c->IsShownInTree()) {
                return qobject_cast<CSelectButton*>(c);
            }
        }
        return nullptr;
    }

    // A choice of the user in a drop-down list: the entry carrying `data`.
    void Choose(int comboId, std::intptr_t data) {
        auto* combo = Control<MComboBox>(comboId);
        ASSERT_NE(combo, nullptr);
        const int index = combo->FindData(data);
        ASSERT_GE(index, 0) << data;
        combo->Widget()->setCurrentIndex(index);
        emit combo->Widget()->activated(index);
    }

    void Click(MControl* control) {
        ASSERT_NE(control, nullptr);
        ASSERT_TRUE(control->IsShownInTree());
        QTest::mouseClick(control, Qt::LeftButton, {}, control->rect().center());
    }

    // The next message box that opens records its text and is answered by
    // its button `buttonId` (33 OK / Yes, 34 No).
    void AnswerNextBox(int buttonId) {
        boxText.reset();
        WhenShown<CUIMessageBox>([this, buttonId](CUIMessageBox* box) {
            boxText = box->text;
            auto* button = box->GetControlAs<MButton>(buttonId);
            if (button != nullptr) {
                button->Click();
            }
        });
    }

    // Waits until the worker has run every job queued so far: a settings
    // download is queued behind them and its write is awaited.
    void WaitForWorkerToCatchUp() {
        std::string value;
        window->Database().GetConfig("disable_alttab", value);
        const bool on = value == "1";
        window->Database().SetConfig("disable_alttab", on ? "0" : "1");
        window->QueueTask(SyncSettings);
        const std::uint8_t want = on ? 0x00 : 0x02;
        QTRY_VERIFY_WITH_TIMEOUT(keyboard->WithFirmware([&](sim::KeyboardFirmware& f) {
            return (f.Settings()[17] & 0x02) == want;
        }),
                                 10000);
        window->Database().SetConfig("disable_alttab", value.empty() ? "0" : value);
    }

    std::uint8_t SwitchByte() {
        return keyboard->WithFirmware([](sim::KeyboardFirmware& f) { return f.Settings()[17]; });
    }

    TempDir dir;
    EnvGuard env;
    // config.ini and layouts/; a test may point it at a folder of its own.
    std::string programFolder = VANTORA_BIN_DIR;
    std::string simFolder;
    std::unique_ptr<sim::SimKeyboardServer> keyboard;
    std::unique_ptr<DeviceMainDlg> window;
    FakeHostActions* hostActions = nullptr;  // the window's, while it lives
    FakeAudioCapture* audio = nullptr;       // the session's, while it lives
    std::optional<std::string> boxText;
    std::string chosenFile;  // what the file and folder dialogs answer
    std::optional<int> exitCode;
    bool trayAvailable = false;  // whether the desktop has a tray (read whenever the window asks)
    int trayProbeIntervalMs = 3000;
    int savedLanguage = 1033;
};

}  // namespace vantora::test
