// Writes a PNG of each dialog and of the keyboard pictures into the folder
// given on the command line. Runs on Qt's offscreen platform unless another
// one is chosen.
#include "app/folders.h"
#include "i18n/strings.h"
#include "lighting/light_editor.h"
#include "lighting/light_parameters.h"
#include "platform/audio_capture.h"
#include "sim/sim_keyboard_server.h"
#include "sync/device_worker.h"
#include "ui/dialogs/app_rules_dlg.h"
#include "ui/dialogs/device_sys_set_dlg.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/dialogs/record_edit_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/main_window/main_window.h"
#include "ui/toolkit/toolkit.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <vector>

namespace {

using namespace vantora;

bool Save(QWidget& window, const QString& folder, const char* name) {
    window.show();
    QApplication::processEvents();
    const QString path = folder + QLatin1Char('/') + QLatin1String(name) + QLatin1String(".png");
    const bool ok = window.grab().save(path);
    std::printf("%s %s\n", ok ? "wrote" : "FAILED", path.toUtf8().constData());
    window.hide();
    return ok;
}

// A compact board of keys to show the keyboard picture's look.
void AddDemoKeys(KeyboardCtrl* kb) {
    const char* rows[][15] = {
        {"Esc", "F1", "F2", "F3", "F4", "F5", "F6", "F7", "F8", "F9", "F10", "F11", "F12", "PrtSc", "Del"},
        {"`", "1", "2", "3", "4", "5", "6", "7", "8", "9", "0", "-", "=", "Back", nullptr},
        {"Tab", "Q", "W", "E", "R", "T", "Y", "U", "I", "O", "P", "[", "]", "\\", nullptr},
        {"Caps", "A", "S", "D", "F", "G", "H", "J", "K", "L", ";", "'", "Enter", nullptr, nullptr},
        {"Shift", "Z", "X", "C", "V", "B", "N", "M", ",", ".", "/", "Shift", nullptr, nullptr, nullptr},
        {"Ctrl", "Win", "Alt", "Space", "Alt", "Fn", "Ctrl", nullptr, nullptr, nullptr, nullptr, nullptr,
         nullptr, nullptr, nullptr},
    };
    int code = 0x29;
    for (int r = 0; r < 6; ++r) {
        int x = 10;
        for (int c = 0; c < 15 && rows[r][c] != nullptr; ++c) {
            const std::string name = rows[r][c];
            int w = 44;
            if (name == "Back" || name == "Tab" || name == "Caps" || name == "Enter" || name == "\\") {
                w = name == "\\" ? 66 : 88;
            } else if (name == "Shift") {
                w = x == 10 ? 110 : 134;
            } else if (name == "Space") {
                w = 300;
            } else if (r == 5) {
                w = 60;
            }
            kb->AddKeyItem(name, name, code++, CRect(x, 10 + r * 48, x + w - 4, 10 + r * 48 + 44));
            x += w;
        }
    }
}

// Runs the event loop until `done` holds or `ms` have passed.
template <class Condition>
bool WaitFor(Condition done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

// The sound the MUSIC page follows in the pictures: a steady chord, fed
// from the UI thread while the page is shown (no sound server is needed).
class ToneCapture : public AudioCapture {
public:
    void Start(Samples samples, StateChanged state) override {
        std::lock_guard lock(mutex_);
        samples_ = std::move(samples);
        if (state) {
            state(AudioCaptureState::kCapturing);
        }
    }
    void SetActive(bool on) override { active_ = on; }
    void Stop() override {
        std::lock_guard lock(mutex_);
        samples_ = nullptr;
    }
    // 10 ms of the chord, when the capture is active.
    void FeedPacket() {
        std::lock_guard lock(mutex_);
        if (!samples_ || !active_) {
            return;
        }
        std::vector<float> packet(2 * kAudioCaptureRate / 100);
        for (std::size_t i = 0; i < packet.size(); i += 2, ++sample_) {
            float v = 0;
            for (const float hz : {110.0f, 440.0f, 1760.0f, 5000.0f}) {
                v += 0.2f * std::sin(2 * std::numbers::pi_v<float> * hz * static_cast<float>(sample_) /
                                     kAudioCaptureRate);
            }
            packet[i] = packet[i + 1] = v;
        }
        samples_(packet, 2);
    }

private:
    std::mutex mutex_;
    Samples samples_;
    std::atomic<bool> active_{false};
    long sample_ = 0;
};

// Every page of the main window, connected to a simulated keyboard, in a
// private home so that nothing of the user's is touched; the file names end
// in `suffix` (the language).
bool SaveMainWindowPages(const QString& folder, const std::string& suffix) {
    QTemporaryDir home;
    if (!home.isValid()) {
        return false;
    }
    const QByteArray root = home.path().toLocal8Bit();
    setenv("HOME", root.constData(), 1);
    setenv("XDG_CONFIG_HOME", (root + "/config").constData(), 1);
    setenv("XDG_DOCUMENTS_DIR", (root + "/Documents").constData(), 1);
    setenv("VANTORA_SIM_DIR", (root + "/sim").constData(), 1);
    sim::SimKeyboardServer::Options simOptions;
    simOptions.folder = root.toStdString() + "/sim";
    sim::SimKeyboardServer keyboard(simOptions);
    std::string error;
    if (!keyboard.Plug(&error)) {
        std::fprintf(stderr, "simulated keyboard: %s\n", error.c_str());
        return false;
    }
    EnsureDataFolder(GetDataFolder());

    bool ok = true;
    const auto name = [&suffix](const char* page) { return std::string(page) + suffix; };
    {
        ToneCapture* tone = nullptr;
        MainWindowOptions options;
        options.audioCapture = [&tone] {
            auto capture = std::make_unique<ToneCapture>();
            tone = capture.get();
            return capture;
        };
        DeviceMainDlg window(std::move(options));
        window.CreateMainWindow();
        window.show();
        if (!WaitFor([&] { return window.Worker()->InitialLoadDone(); }, 15000)) {
            std::fprintf(stderr, "the initial load did not finish (keyboard %s)\n",
                         window.IsConnected() ? "connected" : "not connected");
            return false;
        }
        // A little content: a remapped key and a recorded macro.
        ProfileDatabase& db = window.Database();
        KeyAssignment copy;
        copy.profile = window.CurrentSelection().profile;
        copy.key_code = 0x06;  // C
        copy.macro_type = 2;
        copy.macro_value = 0x06;
        copy.macro_value2 = 0xE0;
        copy.macro_desc = "Left Ctrl + C";
        db.SaveKeyAssignment(copy);
        const int macro = db.AddMacro("Macro");
        db.AddMacroSteps({{0, macro, 2, 0, 65, 30, "A"},
                          {0, macro, 3, 1, 65, 30, "A"},
                          {0, macro, 2, 2, 66, 30, "B"},
                          {0, macro, 3, 3, 66, 0, "B"}});
        window.OnKeyAssignmentsLoaded(window.Session().LoadKeyAssignments());
        window.OnMacrosLoaded(window.Session().LoadMacros());

        ok &= Save(window, folder, name("main_home").c_str());
        window.show();
        window.SwitchPage(kTabDevice);
        ok &= Save(window, folder, name("main_device_key").c_str());
        // Per-key colours set as "vantoractl light keys" sets them: the page
        // shows them (keys without a colour off) as the keyboard does.
        {
            LightingEditor editor(db, window.CurrentSelection());
            editor.SaveKeyColours({{0x29, 0xFF0000},
                                   {0x1A, 0x00FF00},
                                   {0x04, 0x00FF00},
                                   {0x16, 0x00FF00},
                                   {0x07, 0x00FF00},
                                   {0x2C, 0x0080FF}});
            editor.ChooseMode(kPerKeyLightMode);
            window.OnLightingLoaded(window.Session().LoadLighting());
            window.QueueTask(SyncKeyColours);
            window.QueueTask(SyncSettings);
        }
        window.show();
        window.SwitchSubPage(kTabLight);
        WaitFor([] { return false; }, 300);
        ok &= Save(window, folder, name("main_device_light_custom").c_str());
        window.show();
        window.SwitchSubPage(kTabKey);
        window.SwitchPage(kTabMacro);
        ok &= Save(window, folder, name("main_macro").c_str());
        window.show();
        window.SwitchPage(kTabSetting);
        ok &= Save(window, folder, name("main_setting").c_str());
        window.show();
        window.SwitchPage(kTabMusic);
        // About a second of the chord: the picture follows the frames.
        WaitFor(
            [&tone] {
                if (tone != nullptr) {
                    tone->FeedPacket();
                }
                return false;
            },
            1200);
        ok &= Save(window, folder, name("main_music").c_str());
        window.CloseDialog();
    }
    keyboard.Unplug();
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s <folder>\n", argv[0]);
        return 2;
    }
    if (std::getenv("QT_QPA_PLATFORM") == nullptr) {
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    QApplication app(argc, argv);
    const QString folder = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(folder);
    CurrentUiLanguage = 1033;
    bool ok = true;

    {
        CUIMessageBox box;
        box.caption = GetUiString(3);
        box.text = GetUiString(380);
        box.boxType = CUIMessageBox::kTypeYesNo;
        box.Create(nullptr, "MessageBox", CRect(0, 0, CUIMessageBox::kWidth, CUIMessageBox::kHeight));
        ok &= Save(box, folder, "message_box");
    }
    {
        NameEditDlg dlg;
        dlg.title = GetUiString(130);
        dlg.name = "Profile 2";
        dlg.Create(nullptr, "NameEditDlg", CRect(0, 0, NameEditDlg::kWidth, NameEditDlg::kHeight));
        ok &= Save(dlg, folder, "name_edit");
    }
    {
        RecordEditDlg dlg;
        dlg.title = GetUiString(251);
        dlg.desc = "A";
        dlg.value = 65;
        dlg.delay = 120;
        dlg.Create(nullptr, "RecordEditDlg", CRect(0, 0, RecordEditDlg::kWidth, RecordEditDlg::kHeight));
        ok &= Save(dlg, folder, "record_edit");
    }
    {
        DeviceSysSetDlg dlg;
        dlg.firmwareVersion = 0x102;
        dlg.Create(nullptr, "DeviceSysSetDlg",
                   CRect(0, 0, DeviceSysSetDlg::kWidth, DeviceSysSetDlg::kHeight));
        ok &= Save(dlg, folder, "settings");
    }
    {
        // The rules dialog over a database of its own.
        QTemporaryDir home;
        QDir(home.path()).mkpath(QStringLiteral("db"));
        ProfileDatabase db;
        db.OpenProfileDatabase(home.path().toStdString() + "/", "kb_data");
        std::vector<ProfileItem> profiles;
        db.ListProfilesCreatingDefaults(profiles, "Profile");
        db.AddProfileRule({0, "steam_app_570", "", 2, 0});
        db.AddProfileRule({0, "blender", "*Sculpt*", 3, 0});
        AppRulesDlg dlg(db, nullptr);
        dlg.Create(nullptr, "AppRulesDlg", CRect(0, 0, AppRulesDlg::kWidth, AppRulesDlg::kHeight));
        ok &= Save(dlg, folder, "app_rules");
    }
    {
        MDialog board;
        board.Create(nullptr, "Keyboard", CRect(0, 0, 1000, 640));
        auto* lit = board.Make<KeyboardCtrl>(89, CRect(20, 20, 980, 330));
        lit->SetKeyboardType(2);
        lit->SetKeyboardBkgColor(0x565656, CRect(0, 0, 960, 310));
        AddDemoKeys(lit);
        lit->SetPerKeyDisplay(true);
        for (const auto& item : lit->GetKeyItems()) {
            lit->SetKeyColor(item.code,
                             item.code % 3 == 0 ? 0x0000FF : (item.code % 3 == 1 ? 0xFFB400 : 0x00FF90));
        }
        for (int code : {0x2E, 0x2F, 0x30}) {
            lit->SetKeySelect(code, true);
        }
        auto* assign = board.Make<KeyboardCtrl>(65, CRect(20, 330, 980, 640));
        assign->SetKeyboardBkgColor(0x565656, CRect(0, 0, 960, 300));
        AddDemoKeys(assign);
        assign->SetTipKey(0x3A, "Macro", "Macro 1");
        assign->SetTipKey(0x3B, "Ctrl + C", "Ctrl + C");
        assign->SetKeyCheck(0x3C, true);
        assign->SetKeySelect(0x3B, true);
        ok &= Save(board, folder, "keyboard");
    }
    {
        MDialog page;
        page.Create(nullptr, "Controls", CRect(0, 0, 760, 420));
        page.Make<MPicture>(1, CRect(0, 0, 760, 420))->SetImage("img_config_area.png");
        auto* tab = page.Make<CSelectButton>(43, CRect(20, 20, 209, 83), GetUiString(30));
        tab->SetCheck(true);
        page.Make<CSelectButton>(44, CRect(20, 85, 209, 148), GetUiString(31));
        auto* layer = page.Make<LayerButton>(63, CRect(230, 20, 400, 60), GetUiString(103));
        layer->SetCheck(true);
        page.Make<LayerButton>(64, CRect(410, 20, 580, 60), GetUiString(104));
        auto* combo = page.Make<MComboBox>(74, CRect(230, 80, 430, 115));
        combo->AddItem("Profile 1", 1);
        combo->SetCurSel(0);
        combo->SetTextColor(skin::kUiTextColor);
        page.Make<CImageButton>(67, CRect(440, 84, 466, 110))->SetStateImages("btn_add_n.png");
        page.Make<CImageButton>(69, CRect(470, 84, 496, 110))->SetStateImages("btn_del_n.png");
        page.Make<CImageButton>(70, CRect(500, 84, 526, 110))->SetStateImages("btn_import_n.png");
        auto* edit = page.Make<MEdit>(97, CRect(230, 130, 300, 165), "255");
        edit->SetDigitsOnly(true);
        auto* slider = page.Make<MSlider>(119, CRect(230, 180, 480, 200));
        slider->SetProgress(70);
        page.Make<CCheckButton>(101, CRect(230, 210, 400, 240), GetUiString(56))->SetCheck(true);
        page.Make<CRadioButton>(123, CRect(230, 245, 330, 275), "Left")->SetCheck(true);
        page.Make<CRadioButton>(124, CRect(340, 245, 440, 275), "Right");
        const std::uint32_t presets[] = {0x0000FF, 0xFC00FF, 0xFF007E, 0xFF0018,
                                         0xFD8900, 0xFFFC00, 0x90FF00, 0x00FF00};
        for (int i = 0; i < 8; ++i) {
            auto* b = page.Make<CColorButton>(102 + i, CRect(230 + i * 30, 285, 256 + i * 30, 311));
            b->SetGroupName("IDC_LIGHT_STC_DEFAULTCOLOR");
            b->SetColor(presets[i]);
        }
        page.Make<CirclePalette>(93, CRect(500, 130, 700, 330))->SetColor(0xFF8000);
        auto* macros = page.Make<MacroListBox>(131, CRect(20, 170, 209, 300));
        macros->AddItem("Macro", 2, 1);
        macros->AddItem("Copy paste", 0, 2);
        macros->SetCurSel(0);
        auto* records = page.Make<CRecordList>(138, CRect(20, 310, 460, 410));
        records->AddString("A", 2, 65, 120);
        records->AddString("A", 3, 65, 0);
        auto* button = page.Make<MButton>(133, CRect(480, 350, 647, 404), GetUiString(205));
        button->SetStateImages("btn_appy_n.png");
        page.Make<MText>(91, CRect(610, 20, 740, 50), GetUiString(55))->SetTextColor(skin::kUiTextColor);
        ok &= Save(page, folder, "controls");
    }
    ok &= SaveMainWindowPages(folder, "");
    CurrentUiLanguage = 1049;
    ok &= SaveMainWindowPages(folder, "_ru");
    return ok ? 0 : 1;
}
