#pragma once

#include "db/profile_database.h"
#include "db/selection.h"
#include "device/device_change.h"
#include "session/interruptible_clock.h"
#include "session/page_data.h"
#include "sync/sync_host.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/home_page.h"
#include "ui/pages/key_page.h"
#include "ui/pages/light_page.h"
#include "ui/pages/macro_page.h"
#include "ui/pages/music_page.h"
#include "ui/pages/page_host.h"
#include "ui/pages/page_router.h"
#include "ui/pages/setting_page.h"
#include "ui/toolkit/toolkit.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QSystemTrayIcon;

namespace vantora {

class DeviceConnection;
class DeviceEventListener;
class DeviceWorker;
class HidBackend;
class HidDeviceManager;
class HotplugSource;

// Commands that end the program.
inline constexpr unsigned kWmCommand = 0x0111;  // WM_COMMAND
inline constexpr unsigned kTrayExitCommand = 100;
inline constexpr int kMenuExitCommand = 610;
// Mouse messages of MSG_TRAY (the lParam).
inline constexpr std::intptr_t kTrayLeftDown = 0x0201;
inline constexpr std::intptr_t kTrayLeftDoubleClick = 0x0203;
inline constexpr std::intptr_t kTrayRightUp = 0x0205;

// What the main window runs on. The defaults are the program's own; tests
// give a temporary folder, their own clock and hot-plug sources.
class DeviceMainDlg;

struct MainWindowOptions {
    // Folder with config.ini and layouts/ (ends in '/'); empty: the
    // executable's folder.
    std::string programFolder;
    // Folder of the profile database (ends in '/'); empty: GetDataFolder().
    std::string dataFolder;
    // HID back end; null: real keyboards and simulated ones.
    std::shared_ptr<HidBackend> backend;
    // Clock of the device protocol; null: the system clock.
    Clock* clock = nullptr;
    // Hot-plug sources; null: the udev monitor and the simulator folder watch.
    std::function<std::vector<std::unique_ptr<HotplugSource>>()> hotplugSources;
    // Whether to offer a tray icon when the desktop has a tray.
    bool useTray = true;
    // Test hook: pretend the desktop has (or has not) a tray: -1 asks Qt.
    int trayAvailableOverride = -1;
    // How the program ends on "Exit" (after the orderly shutdown). Null:
    // leave the main loop with exit code 0.
    std::function<void(int)> exitProcess;
    // The single-instance mark: called while the window initialises, before
    // the tray icon; the entry makes the window its instance's activation
    // target here.
    std::function<void(DeviceMainDlg&)> markInstance;
};

// The program's main window: the frame, the tabs, the tray and the routing
// of notifications to the pages; the device link and the device worker,
// whose host it is. The pages (src/ui/pages) make and handle their controls.
class DeviceMainDlg : public MDialog, public SyncHost, public PageHost {
    Q_OBJECT
public:
    static constexpr int kWidth = 1200;
    static constexpr int kHeight = 720;

    explicit DeviceMainDlg(MainWindowOptions options = {});
    ~DeviceMainDlg() override;

    // Creates the window (1200 x 720, centred): InitUI, then OnInitDialog
    // with the device set-up and the worker.
    bool CreateMainWindow();
    // The exit code of the program once the window has closed: 0 after
    // "Exit", 1 after any other close.
    int ExitCode() const { return exitCode_; }

    // ---- Navigation ------------------------------------------------------
    int SwitchPage(int id);
    int SwitchSubPage(int id);
    void ShowPage(int id, bool on);
    void RefreshTexts();
    int CurrentPageId() const { return currentPage_.load(); }
    int CurrentSubPageId() const { return currentSubPage_; }
    bool MusicActive() const { return musicActive_.load(); }

    // ---- Tray ---------------------------------------------------------------
    void AddTrayIcon();
    void RemoveTrayIcon();
    bool HasTrayIcon() const { return tray_ != nullptr; }
    bool TrayAvailable() const;
    // Brings the window forward (tray click, a second start).
    void Activate();

    // ---- PageHost -------------------------------------------------------------
    MDialog& Dialog() override { return *this; }
    ProfileDatabase& Database() override { return db_; }
    Selection& CurrentSelection() override { return selection_; }
    void QueueTask(int task) override;
    bool IsConnected() const override;
    void RestoreFactoryDefaults() override;
    std::string ConfigText(const std::string& key) const override;
    int ConfigInt(const std::string& key) const override;

    // ---- Parts other code and tests reach ----------------------------------
    DeviceWorker* Worker() { return worker_.get(); }
    DeviceConnection* Connection() { return connection_.get(); }
    HidDeviceManager* Manager() { return manager_.get(); }
    const std::map<int, int>& LayoutCodeToIndex() const { return codeToIndex_; }
    const std::string& LayoutName() const { return layoutName_; }

    // ---- MDialog ------------------------------------------------------------
    std::intptr_t OnWindowMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override;
    void OnInitDialog() override;
    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
    void OnTimer(int id) override;
    void OnUserCloseWindow() override;
    void CloseDialog() override;

    // ---- SyncHost (worker thread) --------------------------------------------
    bool LoadProfileList() override;
    bool RefreshKeyTips() override;
    bool ReloadMacroList() override;
    bool RefreshLightPage() override;
    bool LoadSwitches() override;
    void LoadMusicLayer() override;
    void Reconnect() override;
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

signals:
    // Emitted once, after the first paint of the window.
    void FirstPainted();

private:
    // The frame (main_window_pages.cpp).
    void CreateCommonControls(const CRect& client);
    void CreateTabRow(MControl* page);
    void CreateSubPageTabs();
    std::vector<PageController*> Pages();
    // The frame's own controls: window buttons, web link, page and sub-page tabs.
    int OnFrameMessage(int id, int code);
    static bool IsFrameId(int id);
    void LoadKeyboardLayoutIntoPictures();
    MControl* PageContainer(int tabId) const;

    // Device and worker (main_window_device.cpp).
    void SetUpDevice();
    void CreateWorker();
    void StartWorker();
    void StopEverything();
    void DeliverDeviceChange(const DeviceChange& change);
    void AfterConnectionChange();
    void UpdateStreaming();
    void ShowHomeAfterLoss();
    // Runs `job` on the UI thread and waits for it; from the UI thread it
    // runs at once. False when the worker is being stopped and the job did
    // not run.
    bool RunOnUiThread(std::function<void()> job);

    // The page data read from the database on the UI thread, until the
    // device session reads it on its own thread (profile_list.cpp).
    ProfileListData ReadProfileListNow();
    KeyAssignmentData ReadKeyAssignmentsNow();
    MacroListData ReadMacroListNow();
    SwitchData ReadSwitchesNow();
    std::string ConfigPath() const;

    void EndProgram();

    MainWindowOptions options_;
    std::string programFolder_;
    std::string dataFolder_;

    // Order matters: the worker is declared last so that it dies first.
    InterruptibleClock clock_;
    std::shared_ptr<HidBackend> backend_;
    std::unique_ptr<HidDeviceManager> manager_;
    ProfileDatabase db_;
    Selection selection_;
    std::unique_ptr<DeviceConnection> connection_;
    std::unique_ptr<DeviceEventListener> listener_;
    std::map<int, int> codeToIndex_;
    std::map<int, int> indexToCode_;
    std::string layoutName_;
    int layoutRows_ = 0;
    int layoutColumns_ = 0;
    HomePage homePage_{*this};
    KeyPage keyPage_{*this};
    LightPage lightPage_{*this};
    MacroPage macroPage_{*this};
    MusicPage musicPage_{*this};
    SettingPage settingPage_{*this};
    PageRouter router_;
    std::unique_ptr<DeviceWorker> worker_;

    QSystemTrayIcon* tray_ = nullptr;
    std::atomic<int> currentPage_{kTabHome};
    int currentSubPage_ = kTabKey;
    std::atomic<bool> musicActive_{false};
    std::atomic<bool> windowVisible_{false};
    std::atomic<bool> stopping_{false};
    bool shutDown_ = false;
    bool firstPaintSeen_ = false;
    int exitCode_ = 1;
};

}  // namespace vantora
