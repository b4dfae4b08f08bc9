// The main window: creation, navigation between pages, the routing of
// notifications and window messages, the tray and the ends of the program.
#include "ui/main_window/main_window.h"

#include "app/close_choice.h"
#include "app/config.h"
#include "app/folders.h"
#include "i18n/strings.h"
#include "keys/host_action.h"
#include "sync/device_worker.h"
#include "sync/firmware_version.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/host/host_actions_qt.h"
#include "ui/toolkit/skin.h"
#include "ui/window_messages.h"

#include <QApplication>
#include <QCursor>
#include <QDesktopServices>
#include <QKeySequence>
#include <QPainter>
#include <QShortcut>
#include <QUrl>

namespace vantora {

namespace {

SessionOptions SessionOptionsOf(const MainWindowOptions& options) {
    SessionOptions session;
    session.programFolder = options.programFolder;
    session.dataFolder = options.dataFolder;
    session.backend = options.backend;
    session.clock = options.clock;
    session.hotplugSources = options.hotplugSources;
    session.musicMode = true;
    session.audioCapture = options.audioCapture;
    return session;
}

}  // namespace

DeviceMainDlg::DeviceMainDlg(MainWindowOptions options)
    : options_(std::move(options)),
      session_(std::make_unique<DeviceSession>(SessionOptionsOf(options_), *this)),
      hostActions_(options_.hostActions
                       ? options_.hostActions()
                       : std::make_unique<QtHostActions>(
                             this, [this](const std::string& text) { ShowHostNotice(text); })) {
    setAttribute(Qt::WA_OpaquePaintEvent, false);
    // Ctrl+Q ends the program from anywhere in the window (a capture field
    // that is taking keys takes this one too).
    auto* quit = new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this);
    quit->setContext(Qt::WindowShortcut);
    QObject::connect(quit, &QShortcut::activated, this, [this] { EndProgram(); });
    recordingKeys_ =
        std::make_unique<RecordingKeyFilter>(this, [this](const CaptureKey& key) { keyCapture_.Feed(key); });
    // A profile chosen for the application in front is selected as
    // vantoractl's is: the pages show it, then its keys are downloaded.
    follower_ = std::make_unique<AppProfileFollower>(
        *session_,
        [this](const WorkRequest& request, JobDone done) { PerformRequest(request, std::move(done)); },
        options_.activeWindowChoice ? options_.activeWindowChoice() : ui::ChooseActiveWindowSource());
}

DeviceMainDlg::~DeviceMainDlg() {
    // The worker and the device threads call into this object: they end
    // before any member goes.
    StopEverything();
}

bool DeviceMainDlg::CreateMainWindow() {
    setWindowFlags(Qt::Window | Qt::FramelessWindowHint);
    SetPolygon(ConfigInt("POLYGON") == 1);
    const std::string caption = ConfigText(std::to_string(CurrentUiLanguage.load()));
    if (!Create(nullptr, caption, CRect(0, 0, kWidth, kHeight))) {
        return false;
    }
    CenterWindow();
    return true;
}

void DeviceMainDlg::OnInitDialog() {
    MDialog::OnInitDialog();
    if (options_.markInstance) {
        options_.markInstance(*this);
    }
    AddTrayIcon();
    setWindowIcon(skin::AppIcon());
    // The window opens on HOME: its tab is shown selected and has the
    // keyboard focus (the window's own buttons take none).
    ShowPage(kTabHome, true);
    if (MControl* home = GetControl(kTabHome)) {
        home->setFocus(Qt::OtherFocusReason);
    }
    poster_ = MessagePoster();
    CreateKeyboardStatus();
    // The database, the keyboard and the worker with the initial load.
    session_->Start();
    follower_->Start();
    LoadKeyboardLayoutIntoPictures();
    UpdateStreaming();
    sdk_ = std::make_unique<SdkHost>(
        *session_, [this] { return streaming_; },
        [this] { lightPage_.ShowLighting(session_->LoadLighting()); });
    connect(sdk_.get(), &SdkHost::DrivingChanged, this,
            [this](bool driving) { lightPage_.ShowClientDriving(driving); });
    ApplySdkSettings();
}

bool DeviceMainDlg::ApplySdkSettings() {
    return sdk_ != nullptr && sdk_->Apply(ReadSdkServerSettings(session_->ConfigPath()));
}

void DeviceMainDlg::QueueTask(int task) {
    session_->Queue(task);
}

bool DeviceMainDlg::IsConnected() const {
    return session_->IsConnected();
}

// ---- Navigation --------------------------------------------------------------

void DeviceMainDlg::ShowPage(int id, bool on) {
    if (id == kTabMacro && !on) {
        macroPage_.StopRecording();  // recording ends with the page
    }
    if (MControl* page = PageContainer(id)) {
        page->SetVisible(on);
    }
    if (on && id == kTabMacro) {
        macroPage_.RecountLinks();
    } else if (on && id == kTabDevice) {
        keyPage_.ShowMacroMarks();
    }
    for (MControl* tab : GetControls(id)) {
        if (auto* button = qobject_cast<CheckableButton*>(tab)) {
            button->SetCheck(on);
        }
    }
}

int DeviceMainDlg::SwitchPage(int id) {
    if (!IsConnected()) {
        if (id != kTabHome) {
            if (auto* clicked = GetControlAs<CheckableButton>(id)) {
                clicked->SetCheck(false);
            }
        }
        ShowMessageBox(this, GetUiString(2), GetUiString(3));
        return 0;
    }
    const int old = currentPage_.load();
    if (id == old) {
        return 0;
    }
    ShowPage(old, false);
    if (old == kTabMusic) {
        musicActive_ = false;
    }
    ShowPage(id, true);
    if (id == kTabMusic) {
        musicActive_ = true;
    }
    currentPage_ = id;
    UpdateStreaming();
    return 1;
}

int DeviceMainDlg::SwitchSubPage(int id) {
    if (id == currentSubPage_ || (id != kTabKey && id != kTabLight)) {
        return 0;
    }
    auto containerOf = [this](int tab) { return GetControl(tab == kTabKey ? kSubPageKey : kSubPageLight); };
    containerOf(currentSubPage_)->SetVisible(false);
    if (auto* oldTab = GetControlAs<CheckableButton>(currentSubPage_)) {
        oldTab->SetCheck(false);
    }
    containerOf(id)->SetVisible(true);
    if (auto* newTab = GetControlAs<CheckableButton>(id)) {
        newTab->SetCheck(true);
    }
    currentSubPage_ = id;
    return 1;
}

// ---- Routing -----------------------------------------------------------------

bool DeviceMainDlg::IsFrameId(int id) {
    switch (id) {
        case kIdClose:
        case kIdMinimize:
        case kIdSettings:
        case kIdExit:
        case kIdWebLink:
        case kTabHome:
        case kTabDevice:
        case kTabMacro:
        case kTabMusic:
        case kTabSetting:
        case kTabKey:
        case kTabLight:
            return true;
        default:
            return false;
    }
}

// The frame's controls here, every other control's notification to the
// page that made the control; 0 when nobody handles it.
int DeviceMainDlg::OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) {
    if (IsFrameId(id)) {
        return OnFrameMessage(id, code);
    }
    return router_.Route(id, code, wparam, lparam, Sender());
}

int DeviceMainDlg::OnFrameMessage(int id, int code) {
    if (code != kNotifyClick) {
        return 0;
    }
    switch (id) {
        case kIdClose:
            OnUserCloseWindow();
            return 1;
        case kIdMinimize:
            OnMinimize();
            return 1;
        case kIdExit:
            EndProgram();
            return 1;
        case kIdSettings: {
            DeviceSysSetDlg settings;
            settings.owner = this;
            settings.configFile = session_->ConfigPath();
            settings.firmwareVersion = session_->FirmwareVersion();
            settings.sdkSettingsChanged = [this] { return ApplySdkSettings(); };
            settings.Run();
            return 1;
        }
        case kIdWebLink: {
            // The vendor's site comes from config.ini ("WEBSITE"); none: nothing.
            const std::string site = ConfigText("WEBSITE");
            if (site.empty()) {
                return 0;
            }
            QDesktopServices::openUrl(QUrl(QString::fromStdString(site)));
            return 1;
        }
        case kTabKey:
        case kTabLight:
            return SwitchSubPage(id);
        default:
            return SwitchPage(id);
    }
}

std::intptr_t DeviceMainDlg::OnWindowMessage(unsigned message, std::uintptr_t wparam, std::intptr_t lparam) {
    switch (message) {
        case kWmCommand:
            if (wparam == kTrayExitCommand) {
                EndProgram();
                return 0;
            }
            break;
        case MSG_TRAY:
            if (lparam == kTrayLeftDown || lparam == kTrayLeftDoubleClick) {
                Activate();
            } else if (lparam == kTrayRightUp) {
                MenuWnd menu;
                menu.Create(this, kWmCommand);
                menu.AddMenu(GetUiString(13), static_cast<int>(kTrayExitCommand));
                menu.TrackPopup();
            }
            return 0;
        case MSG_MENU:
            if (lparam == kMenuExitCommand) {
                EndProgram();
            }
            return 0;
        case MSG_LANGUAGE_CHANGED:
            RefreshTexts();
            RefreshTrayTexts();
            RefreshKeyboardStatus();
            break;
        case MSG_DEVICE_EVENT:
            // The keyboard reports the key's slot as one byte.
            RunHostKey(static_cast<int>(lparam & 0xFF));
            return 0;
        case MSG_MACRO_MENU:
            macroPage_.OnMenuCommand(static_cast<int>(lparam));
            return 0;
        default:
            break;
    }
    return MDialog::OnWindowMessage(message, wparam, lparam);
}

// ---- Host-side keys and the on-screen keyboard ------------------------------------

void DeviceMainDlg::RunHostKey(int slot) {
    if (stopping_.load() || hostActions_ == nullptr) {
        return;
    }
    const int id = session_->HostIdForSlot(slot);
    if (id == 0) {
        // The keyboard's table is not the one written from our rows (yet):
        // running whatever row has that number could start another key's function.
        qWarning("VANTORA: host-side key %d: not a slot of the key table written to the keyboard", slot);
        return;
    }
    const HostActionOutcome outcome = RunHostAction(session_->Database(), id, *hostActions_);
    if (!outcome.result.ok && !outcome.result.error.empty()) {
        qWarning("VANTORA: host-side key %d: %s", id, outcome.result.error.c_str());
    }
}

void DeviceMainDlg::OpenOnScreenKeyboard() {
    if (hostActions_ == nullptr) {
        return;
    }
    const HostActionResult result = hostActions_->OpenOnScreenKeyboard();
    if (!result.ok) {
        qWarning("VANTORA: on-screen keyboard: %s", result.error.c_str());
    }
}

// "Restore Factory" after a Yes: the database is emptied, the macro fields
// cleared, the keyboard is reset and every page is loaded again by the
// worker (with the first-run defaults), also when the initial load had
// already run. Nothing of it when the database was not emptied.
bool DeviceMainDlg::RestoreFactoryDefaults() {
    if (!session_->RestoreFactory()) {
        return false;
    }
    macroPage_.ClearFields();
    return true;
}

// ---- The ends of the program ----------------------------------------------------

void DeviceMainDlg::Activate() {
    if (isMinimized()) {
        showNormal();
    }
    ShowWindow(1);
    update();
}

// The close button and the window manager's close: into the tray when there
// is one (a tray that has appeared since the last look is taken now) and
// the user has not chosen that the button quits (a tray whose menu does not
// open counts as none). Without a tray a hidden window could not be reached
// again, so the program then ends as with "Exit".
void DeviceMainDlg::OnUserCloseWindow() {
    if (CloseButtonQuits()) {
        EndProgram();
        return;
    }
    AddTrayIcon();
    if (tray_ != nullptr) {
        ShowWindow(0);
        return;
    }
    EndProgram();
}

// "Exit" from the tray, the frame's exit button, Ctrl+Q and MSG_MENU 610: the program ends with exit code 0.
// The worker, the device threads and the database are closed in order first
// (bounded: the device protocol's waits are cut short), so no download is
// left half-written on the keyboard.
void DeviceMainDlg::EndProgram() {
    RemoveTrayIcon();
    exitCode_ = 0;
    CloseDialog();
    if (options_.exitProcess) {
        options_.exitProcess(0);
    } else {
        QCoreApplication::exit(0);
    }
}

void DeviceMainDlg::CloseDialog() {
    StopEverything();
    MDialog::CloseDialog();
}

// ---- Painting and visibility ------------------------------------------------------

void DeviceMainDlg::showEvent(QShowEvent* event) {
    windowVisible_ = true;
    UpdateStreaming();
    MDialog::showEvent(event);
}

void DeviceMainDlg::hideEvent(QHideEvent* event) {
    windowVisible_ = false;
    UpdateStreaming();
    MDialog::hideEvent(event);
}

void DeviceMainDlg::paintEvent(QPaintEvent* event) {
    MDialog::paintEvent(event);
    if (!firstPaintSeen_) {
        firstPaintSeen_ = true;
        emit FirstPainted();
    }
}

}  // namespace vantora
