#pragma once

#include "db/profile_database.h"
#include "db/selection.h"
#include "platform/host_actions.h"
#include "session/device_session.h"
#include "session/session_observer.h"
#include "ui/capture/key_capture_service.h"
#include "ui/capture/recording_key_filter.h"
#include "ui/desktop/active_window_choice.h"
#include "ui/desktop/app_profile_follower.h"
#include "ui/main_window/single_instance.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/home_page.h"
#include "ui/pages/key_page.h"
#include "ui/pages/light_page.h"
#include "ui/pages/macro_page.h"
#include "ui/pages/music_page.h"
#include "ui/pages/page_host.h"
#include "ui/pages/page_router.h"
#include "ui/pages/setting_page.h"
#include "ui/sdk/sdk_host.h"
#include "ui/toolkit/toolkit.h"

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class QMenu;
class QSystemTrayIcon;

namespace vantora {

class DeviceWorker;
class HidBackend;
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
    // Test hook: whether the desktop has a tray now; null asks Qt.
    std::function<bool()> trayAvailable;
    // While there is no tray, how often to look for one (milliseconds).
    int trayProbeIntervalMs = 3000;
    // How the program ends on "Exit" (after the orderly shutdown). Null:
    // leave the main loop with exit code 0.
    std::function<void(int)> exitProcess;
    // The single-instance mark: called while the window initialises, before
    // the tray icon; the entry makes the window its instance's activation
    // target here.
    std::function<void(DeviceMainDlg&)> markInstance;
    // Test hook: answers the file and folder dialogs. Null: Qt's dialogs.
    std::function<std::string(FileChoice)> chooseFile;
    // What carries out the keyboard's host-side keys and the on-screen
    // keyboard button; null: the desktop's (QtHostActions).
    std::function<std::unique_ptr<HostActions>()> hostActions;
    // The capture of the sound for the music mode; null: the sound server's.
    std::function<std::unique_ptr<AudioCapture>()> audioCapture;
    // How the application in front is learned; null: ChooseActiveWindowSource().
    std::function<ui::ActiveWindowChoice()> activeWindowChoice;
};

// The program's main window: the frame, the tabs, the tray and the routing
// of notifications to the pages (src/ui/pages), which make and handle their
// controls. The keyboard is the device session's, which the window watches.
class DeviceMainDlg : public MDialog, public SessionObserver, public PageHost {
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
    // The icon's menu ("Exit"); null while there is no icon.
    QMenu* TrayMenu() const { return trayMenu_; }
    bool TrayAvailable() const;
    // Brings the window forward (tray click, a second start).
    void Activate();

    // ---- PageHost -------------------------------------------------------------
    MDialog& Dialog() override { return *this; }
    ProfileDatabase& Database() override { return session_->Database(); }
    Selection& CurrentSelection() override { return session_->CurrentSelection(); }
    void QueueTask(int task) override;
    bool IsConnected() const override;
    bool RestoreFactoryDefaults() override;
    bool SetSystemSwitch(SystemSwitch which, bool on) override {
        return session_->SetSystemSwitch(which, on);
    }
    std::string ConfigText(const std::string& key) const override;
    int ConfigInt(const std::string& key) const override;
    std::string ChooseFile(FileChoice kind, const std::string& title) override;
    void ArmKeyCapture(int fieldId) override;
    void DisarmKeyCapture() override;
    KeyRecording SetKeyRecording(bool on) override;
    void MusicSettingsChanged(const MusicSettings& settings) override;
    void OpenOnScreenKeyboard() override;

    // ---- Parts other code and tests reach ----------------------------------
    DeviceSession& Session() { return *session_; }
    // The profile that follows the application in front.
    AppProfileFollower& Follower() { return *follower_; }
    AppProfileFollower* AppProfiles() override { return follower_.get(); }
    DeviceWorker* Worker() { return session_->Worker(); }
    // The OpenRGB SDK server's host; null before the window is created and
    // after the shutdown.
    SdkHost* Sdk() { return sdk_.get(); }
    // Applies the OpenRGB SDK server's settings as config.ini holds them now
    // (the settings dialog changed them); false when the port is taken.
    bool ApplySdkSettings();
    const std::map<int, int>& LayoutCodeToIndex() const { return session_->Layout().codeToIndex; }
    const std::string& LayoutName() const { return session_->LayoutName(); }
    // A request of vantoractl on the instance socket (UI thread): "status",
    // or keyboard work, answered once it has run.
    void HandleRequest(const std::string& line, SingleInstance::Reply reply);
    // Keyboard work of a caller that changed the database (vantoractl, the
    // D-Bus service), on the UI thread: the pages the request names are
    // shown again, then the work is queued on the session; `done` gets its
    // outcome on the session's thread.
    void PerformRequest(const WorkRequest& request, JobDone done);

    // ---- MDialog ------------------------------------------------------------
    std::intptr_t OnWindowMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) override;
    void OnInitDialog() override;
    void InitUI(const CRect& client) override;
    void UISize(const CRect& client) override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;
    bool OnCaptureKey(int id, const CaptureKey& key) override;
    void OnTimer(int id) override;
    void OnUserCloseWindow() override;
    void CloseDialog() override;

    // ---- SessionObserver (the session's threads) ------------------------------
    void OnConnectionChanged(bool connected) override;
    void OnKeyEvent(int functionId) override;
    bool OnProfilesLoaded(const ProfileListData& data) override;
    bool OnKeyAssignmentsLoaded(const KeyAssignmentData& data) override;
    bool OnMacrosLoaded(const MacroListData& data) override;
    bool OnLightingLoaded(const LightingData& data) override;
    bool OnSwitchesLoaded(const SwitchData& data) override;
    bool OnMusicLayerLoaded(const MusicSettings& settings) override;
    void OnMusicCaptureChanged(AudioCaptureState state) override;
    std::vector<KeyColourSample> PaintMusicKeys(const std::vector<KeyColourSample>& samples) override;
    void OnKeyboardActivity(const WriteActivity& activity) override;

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

signals:
    // Emitted once, after the first paint of the window.
    void FirstPainted();
    // The keyboard started (true) or ended (false) a job with the keyboard.
    void KeyboardBusyChanged(bool busy);
    // The keyboard's state may have changed: connected or not, or a change
    // of the window, vantoractl or the D-Bus service has run.
    void KeyboardStateChanged();

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
    // The page tabs and the DEVICE page's sub-page tabs on or off.
    void EnablePageTabs(bool on);

    // The session's side (main_window_device.cpp).
    void StopEverything();
    void UpdateStreaming();
    void ShowHomeAfterLoss();
    // Runs `job` on the UI thread and waits for it; from the UI thread it
    // runs at once. False when the session is stopping and the job did not
    // run.
    bool RunOnUiThread(std::function<void()> job);

    // The tray (main_window_tray.cpp): the menu's texts in the current language.
    void RefreshTrayTexts();

    // The keyboard status line (main_window_feedback.cpp): what the worker
    // does with the keyboard, or that the last download was not taken.
    void CreateKeyboardStatus();
    void ShowKeyboardActivity(const WriteActivity& activity);
    void RefreshKeyboardStatus();
    // A message of the host-side keys (a text that could not be typed): in
    // the status line for a while, or from the tray while the window is
    // hidden; never a window that takes the focus.
    void ShowHostNotice(const std::string& text);

    void EndProgram();
    // MSG_DEVICE_EVENT: the key with the host-side function `id` was pressed.
    void RunHostKey(int id);

    MainWindowOptions options_;
    int armedCaptureField_ = 0;  // the page's capture field that takes keys, 0 none
    KeyCaptureService keyCapture_;
    std::unique_ptr<RecordingKeyFilter> recordingKeys_;
    // Stopped by the destructor before the pages go.
    std::unique_ptr<DeviceSession> session_;
    std::unique_ptr<HostActions> hostActions_;
    // Started with the session, stopped before it.
    std::unique_ptr<AppProfileFollower> follower_;
    WindowPoster poster_;  // made on the UI thread, used from the session's threads
    HomePage homePage_{*this};
    KeyPage keyPage_{*this};
    LightPage lightPage_{*this};
    MacroPage macroPage_{*this};
    MusicPage musicPage_{*this};
    // config.ini MUSIC=1: the MUSIC tab has a place on every tab row.
    bool musicTab_ = false;
    // Whether music frames were wanted at the last UpdateStreaming.
    bool streaming_ = false;
    SettingPage settingPage_{*this};
    PageRouter router_;
    // Made once the session has started; ended before it stops.
    std::unique_ptr<SdkHost> sdk_;

    QSystemTrayIcon* tray_ = nullptr;
    QMenu* trayMenu_ = nullptr;
    // The keyboard status line: the job talking to the keyboard (0: none),
    // its progress in percent (-1: none told), and whether the last download
    // was refused or not answered.
    int statusTask_ = 0;
    int statusPercent_ = -1;
    bool lastDownloadRefused_ = false;
    std::string hostNotice_;
    int hostNoticeNumber_ = 0;
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
