// The main window's frame: its own controls, the page containers, the tab
// rows, the pages made in order, their placement, the texts in the current
// language and the keyboard pictures filled from the model's layout.
#include "app/config.h"
#include "device/hid_device_manager.h"
#include "i18n/strings.h"
#include "layouts/keyboard_layout.h"
#include "ui/main_window/main_window.h"
#include "ui/pages/home_picture.h"
#include "ui/pages/own_texts.h"
#include "ui/toolkit/skin.h"

#include <QFileDialog>
#include <QWidget>
#include <cstdlib>

namespace vantora {
namespace {

const std::string& S(int id) {
    return GetUiString(id);
}

// The four state images of a name given by its normal one.
template <class T>
T* WithImages(T* control, const std::string& normalName) {
    control->SetStateImages(normalName);
    return control;
}

// The page tabs' place when config.ini gives none.
constexpr int kTabWidth = 189;
constexpr int kTabHeight = 63;
constexpr int kTabStep = 65;

}  // namespace

std::string DeviceMainDlg::ConfigText(const std::string& key) const {
    return session_->ConfigText(key);
}
int DeviceMainDlg::ConfigInt(const std::string& key) const {
    return session_->ConfigInt(key);
}

namespace {

// A file dialog's filter: the files' kind in the user's language and the pattern.
QString Filter(int kindText, const char* pattern) {
    return QString::fromStdString(GetUiString(kindText)) +
           QStringLiteral(" (%1)").arg(QLatin1String(pattern));
}

}  // namespace

std::string DeviceMainDlg::ChooseFile(FileChoice kind, const std::string& title) {
    if (options_.chooseFile) {
        return options_.chooseFile(kind);
    }
    const QString caption = QString::fromStdString(title);
    QString chosen;
    switch (kind) {
        case FileChoice::kProgram:
            chosen = QFileDialog::getOpenFileName(this, caption, {}, Filter(ui_text::kProgramFilter, "*"));
            break;
        case FileChoice::kProfileFile:
            chosen = QFileDialog::getOpenFileName(this, caption, {}, "KeyMacroInfo (*.xml)");
            break;
        case FileChoice::kExportFolder:
            chosen = QFileDialog::getExistingDirectory(this, caption);
            break;
        case FileChoice::kMacroFile:
            chosen = QFileDialog::getOpenFileName(this, caption, {}, Filter(ui_text::kMacroFilter, "*.xml"));
            break;
    }
    return chosen.toStdString();
}

void DeviceMainDlg::ArmKeyCapture(int fieldId) {
    armedCaptureField_ = fieldId;
    keyCapture_.Arm([this](const DecodedKey& key, bool isUp) {
        if (armedCaptureField_ == kIdSingleKey || armedCaptureField_ == kIdComboKey) {
            keyPage_.TakeCapturedKey(key.virtualKey, key.name, isUp);
        } else if (armedCaptureField_ == kIdMacroKey) {
            macroPage_.TakeCapturedKey(key.virtualKey, key.name, isUp);
        }
    });
}

void DeviceMainDlg::DisarmKeyCapture() {
    armedCaptureField_ = 0;
    keyCapture_.Disarm();
}

void DeviceMainDlg::MusicSettingsChanged(const MusicSettings& settings) {
    session_->ApplyMusicSettings(settings);
}

KeyRecording DeviceMainDlg::SetKeyRecording(bool on) {
    if (!on) {
        recordingKeys_->SetOn(false);
        if (armedCaptureField_ == kIdRecord) {
            DisarmKeyCapture();
        }
        EnablePageTabs(true);
        return {};
    }
    armedCaptureField_ = kIdRecord;
    const auto sink = [this](const DecodedKey& key, bool isUp) {
        macroPage_.RecordKey(key.virtualKey, key.name, isUp);
    };
    // This keyboard's own input events first: any window, X11 or Wayland.
    // Else the window's own keys are taken from its controls; where raw keys
    // of the desktop serve, those are what is recorded, else these. Under
    // Xwayland raw keys come from X11 windows only, never from Wayland ones:
    // the page then says that keys are taken while this window has the focus.
    const int vendorId = ParseHexId(ConfigText("VID "));
    const int productId = ParseHexId(ConfigText("PID "));
    KeyRecording recording;
    // No vendor id (0) would match the kernel's own virtual devices.
    if (vendorId > 0 && vendorId <= 0xFFFF && productId <= 0xFFFF) {
        recording.keyboardAccessOff = keyCapture_.ArmFromKeyboard(sink, static_cast<std::uint16_t>(vendorId),
                                                                  static_cast<std::uint16_t>(productId)) ==
                                      KeyCaptureService::KeyboardAccess::kDenied;
    } else {
        keyCapture_.Arm(sink);
    }
    recordingKeys_->SetOn(true);
    EnablePageTabs(false);
    switch (keyCapture_.KeySource()) {
        case KeyCaptureService::Source::kKeyboard:
            recording.from = KeyRecording::From::kKeyboard;
            break;
        case KeyCaptureService::Source::kDesktop:
            recording.from =
                UnderXwayland() ? KeyRecording::From::kThisWindow : KeyRecording::From::kAnyWindow;
            break;
        case KeyCaptureService::Source::kWindow:
            recording.from = KeyRecording::From::kThisWindow;
            break;
    }
    return recording;
}

void DeviceMainDlg::EnablePageTabs(bool on) {
    for (int id : {kTabHome, kTabDevice, kTabMacro, kTabMusic, kTabSetting, kTabKey, kTabLight}) {
        for (MControl* tab : GetControls(id)) {
            tab->SetEnabled(on);
        }
    }
}

bool DeviceMainDlg::OnCaptureKey(int id, const CaptureKey& key) {
    if (id != 0 && id == armedCaptureField_) {
        return keyCapture_.Feed(key);
    }
    return MDialog::OnCaptureKey(id, key);
}

MControl* DeviceMainDlg::PageContainer(int tabId) const {
    switch (tabId) {
        case kTabHome:
            return GetControl(kPageHome);
        case kTabDevice:
            return GetControl(kPageDevice);
        case kTabMacro:
            return GetControl(kPageMacro);
        case kTabMusic:
            return GetControl(kPageMusic);
        case kTabSetting:
            return GetControl(kPageSetting);
        default:
            return nullptr;
    }
}

std::vector<PageController*> DeviceMainDlg::Pages() {
    return {&homePage_, &keyPage_, &lightPage_, &macroPage_, &musicPage_, &settingPage_};
}

// The frame, then each page in turn after its container's tab row.
void DeviceMainDlg::InitUI(const CRect& client) {
    musicTab_ = ConfigInt("MUSIC") == 1;
    CreateCommonControls(client);
    CreateTabRow(GetControl(kPageHome));
    homePage_.Create(client);
    CreateTabRow(GetControl(kPageDevice));
    CreateSubPageTabs();
    keyPage_.Create(client);
    lightPage_.Create(client);
    CreateTabRow(GetControl(kPageMacro));
    macroPage_.Create(client);
    CreateTabRow(GetControl(kPageMusic));
    musicPage_.Create(client);
    CreateTabRow(GetControl(kPageSetting));
    settingPage_.Create(client);
    for (PageController* page : Pages()) {
        router_.Add(*page);
    }
    UISize(client);
}

void DeviceMainDlg::CreateCommonControls(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    CreateArea("MPicture", kIdBackground, {})->SetImage("bkg.png");
    auto* logo = static_cast<MPicture*>(CreateArea("MPicture", kIdLogo, {}));
    logo->SetImage("logo.png");
    auto* title = CreateArea("MText", kIdTitle, {}, ConfigText(std::to_string(CurrentUiLanguage.load())));
    title->SetTextSize(20);
    title->SetAlignment(kAlignCenter);
    // The title colour: COLOR as hexadecimal RGB, opaque; black when absent.
    const unsigned long rgb = std::strtoul(ConfigText("COLOR").c_str(), nullptr, 16);
    title->SetTextColor(0xFF000000u | static_cast<std::uint32_t>(rgb & 0xFFFFFFu));
    WithImages(Make<CImageButton>(kIdClose, {}), "sysbtn_close_n.png")->SetTooltip(S(5));
    WithImages(Make<CImageButton>(kIdMinimize, {}), "sysbtn_min_n.png")->SetTooltip(S(6));
    WithImages(Make<CImageButton>(kIdSettings, {}), "sysbtn_setting_n.png")->SetTooltip(S(7));
    WithImages(Make<CImageButton>(kIdExit, {}), "sysbtn_exit_n.png")->SetTooltip(S(13));
    for (int id : {kIdClose, kIdMinimize, kIdSettings, kIdExit}) {
        GetControl(id)->setFocusPolicy(Qt::NoFocus);  // mouse only: Space or Enter never close the window
    }
    // Where the desktop has no minimised windows the button would do nothing.
    GetControl(kIdMinimize)->SetVisible(MinimiseWorks());

    const CRect pageRect(1, 55, w - 1, h - 25);
    Make<MTabLayout>(kPageHome, pageRect);
    Make<MTabLayout>(kPageDevice, pageRect)->SetVisible(false);
    MControl* device = GetControl(kPageDevice);
    const CRect subRect(200, 120, w - 1, h - 25);
    Make<MTabLayout>(kSubPageKey, subRect, {}, device);
    Make<MTabLayout>(kSubPageLight, subRect, {}, device)->SetVisible(false);
    Make<MTabLayout>(kPageMacro, pageRect)->SetVisible(false);
    Make<MTabLayout>(kPageMusic, musicTab_ ? pageRect : CRect())->SetVisible(false);
    Make<MTabLayout>(kPageSetting, pageRect)->SetVisible(false);
}

// One row of the five page tabs inside `page`. MUSIC gets a place only
// with MUSIC=1 in config.ini; otherwise it can be reached neither by the
// mouse nor by the keyboard.
void DeviceMainDlg::CreateTabRow(MControl* page) {
    const int x = ConfigInt("TAB_X");
    const int y = ConfigInt("TAB_Y");
    int slot = 0;
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        const bool placed = id != kTabMusic || musicTab_;
        CRect rect;
        if (placed) {
            rect = CRect(x, y + slot * kTabStep, x + kTabWidth, y + slot * kTabStep + kTabHeight);
            ++slot;
        }
        auto* tab = WithImages(Make<CSelectButton>(id, rect, S(30 + id - kTabHome), page), "btn_tab_n.png");
        tab->SetTextSize(17);
        if (!placed) {
            tab->SetVisible(false);
            tab->setFocusPolicy(Qt::NoFocus);
        }
    }
}

// The DEVICE page's KEY and LIGHT tabs.
void DeviceMainDlg::CreateSubPageTabs() {
    MControl* device = GetControl(kPageDevice);
    WithImages(Make<CSelectButton>(kTabKey, CRect(232, 72, 392, 112), S(101), device), "btn_tab_device_n.png")
        ->SetCheck(true);
    WithImages(Make<CSelectButton>(kTabLight, CRect(400, 72, 560, 112), S(102), device),
               "btn_tab_device_n.png");
}

void DeviceMainDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    if (MControl* background = GetControl(kIdBackground)) {
        background->SetRect(client);
    }
    if (auto* logo = GetControlAs<MPicture>(kIdLogo)) {
        const QSize size = logo->GetImageSize();
        const int x = ConfigInt("LOGO_X");
        const int y = ConfigInt("LOGO_Y");
        logo->SetRect(CRect(x, y, x + size.width(), y + size.height()));
    }
    if (MControl* title = GetControl(kIdTitle)) {
        title->SetRect(CRect(w / 2 - 180, 12, w / 2 + 180, 42));
    }
    if (MControl* close = GetControl(kIdClose)) {
        close->SetRect(CRect(w - 75, 20, w - 56, 39));
    }
    if (MControl* minimize = GetControl(kIdMinimize)) {
        minimize->SetRect(CRect(w - 114, 20, w - 95, 39));
    }
    // Without the minimise button the others close up to the close button.
    const int shift = MinimiseWorks() ? 0 : 39;
    if (MControl* settings = GetControl(kIdSettings)) {
        settings->SetRect(CRect(w - 153 + shift, 20, w - 135 + shift, 38));
    }
    if (MControl* exit = GetControl(kIdExit)) {
        exit->SetRect(CRect(w - 192 + shift, 20, w - 173 + shift, 39));
    }
    const CRect pageRect(1, 55, w - 1, h - 25);
    for (int id : {kPageHome, kPageDevice, kPageMacro, kPageMusic, kPageSetting}) {
        MControl* page = GetControl(id);
        if (page != nullptr && (id != kPageMusic || musicTab_)) {
            page->SetRect(pageRect);
        }
    }
    for (int id : {kSubPageKey, kSubPageLight}) {
        if (MControl* page = GetControl(id)) {
            page->SetRect(CRect(200, 120, w - 1, h - 25));
        }
    }
    for (PageController* page : Pages()) {
        page->Place(client);
    }
}

// The session's layout (the model's layout file) into the four keyboard
// pictures (KEY, LIGHT, MUSIC, SETTING) and the HOME picture.
void DeviceMainDlg::LoadKeyboardLayoutIntoPictures() {
    std::vector<KeyboardCtrl*> pictures;
    for (PageController* page : Pages()) {
        if (KeyboardCtrl* picture = page->Picture()) {
            pictures.push_back(picture);
        }
    }
    for (KeyboardCtrl* kb : pictures) {
        kb->ClearItem();
    }
    const KeyboardLayout& layout = session_->Layout();
    if (!layout.hasPicture) {
        return;
    }
    const LayoutRect& r = layout.picture;
    for (KeyboardCtrl* kb : pictures) {
        kb->SetRect(CRect(r.left, r.top, r.right, r.bottom));
        kb->SetKeyboardBkgColor(0x565656, CRect(0, 0, r.Width(), r.Height()));
        kb->SetKeyPosition(0, 0);
    }
    std::vector<QRect> homeKeys;
    for (const LayoutKey& key : layout.keys) {
        const CRect rect(key.rect.left, key.rect.top, key.rect.right, key.rect.bottom);
        for (KeyboardCtrl* kb : pictures) {
            kb->AddKeyItem(key.name, key.desc, key.code, rect);
        }
        homeKeys.push_back(rect.ToQRect());
    }
    if (KeyboardCtrl* music = musicPage_.Picture()) {
        music->SetAllKeyColors(0);  // the music lights the keys of a dark keyboard
    }
    if (HomeKeyboardPicture* home = homePage_.HomePicture()) {
        home->SetKeys(QSize(r.Width(), r.Height()), std::move(homeKeys));
        UISize(GetClientRect());
    }
}

void DeviceMainDlg::RefreshTexts() {
    if (MControl* title = GetControl(kIdTitle)) {
        title->SetTitle(ConfigText(std::to_string(CurrentUiLanguage.load())));
    }
    GetControl(kIdClose)->SetTooltip(S(5));
    GetControl(kIdMinimize)->SetTooltip(S(6));
    GetControl(kIdSettings)->SetTooltip(S(7));
    GetControl(kIdExit)->SetTooltip(S(13));
    for (int id = kTabHome; id <= kTabSetting; ++id) {
        for (MControl* tab : GetControls(id)) {
            tab->SetTitle(S(30 + id - kTabHome));
        }
    }
    for (int id : {kTabKey, kTabLight}) {
        if (MControl* tab = GetControl(id)) {
            tab->SetTitle(S(id == kTabKey ? 101 : 102));
        }
    }
    for (PageController* page : Pages()) {
        page->RefreshTexts();
    }
}

}  // namespace vantora
