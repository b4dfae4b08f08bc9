#include "ui/dialogs/device_sys_set_dlg.h"

#include "app/close_choice.h"
#include "app/config.h"
#include "app/language.h"
#include "app/sdk_server_settings.h"
#include "i18n/strings.h"
#include "platform/autostart.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/own_texts.h"
#include "ui/toolkit/toolkit.h"
#include "ui/window_messages.h"

#include <QComboBox>
#include <cstdio>
#include <cstdlib>

namespace vantora {
namespace {

constexpr int kIdCloseQuits = 44;

}  // namespace

const std::vector<LanguageChoice>& AllLanguageChoices() {
    static const std::vector<LanguageChoice> kChoices = {
        {"LAN_CHINESE ", 2052, "简体中文"},     {"LAN_ENGLISH", 1033, "English"},
        {"LAN_RUSSIAN", 1049, "Русский язык"},  {"LAN_FRENCH", 1036, "Français"},
        {"LAN_THAI", 1054, "ภาษาไทย(Thai)"},    {"LAN_TURKISH", 1055, "Turkish"},
        {"LAN_ARABIC", 1025, "Arabic"},         {"LAN_TRADITIONAL", 1028, "Traditional"},
        {"LAN_ITALIAN", 1040, "Italian"},       {"LAN_SPANISH", 3082, "Spanish"},
        {"LAN_PORTUGUESE", 2070, "Portuguese"},
    };
    return kChoices;
}

DeviceSysSetDlg::DeviceSysSetDlg() : configFile(ConfigFilePath()) {}

int DeviceSysSetDlg::Run() {
    Create(owner, "DeviceSysSetDlg", CRect(0, 0, kWidth, kHeight));
    CenterWindow();
    return ShowModal(5);
}

void DeviceSysSetDlg::InitUI(const CRect& client) {
    Make<MPicture>(30, {})->SetImage("dlg_setting_bkg.png");
    auto* caption = Make<MText>(31, {});
    caption->SetTextSize(20);
    caption->SetAlignment(kAlignCenter);
    caption->SetTextColor(skin::kUiTextColor);
    auto* close = Make<CImageButton>(32, {});
    close->SetStateImages("sysbtn_close_n.png");
    close->setFocusPolicy(Qt::NoFocus);  // for the mouse: Enter or Space never close
    Make<MPicture>(33, {})->SetImage("logo.png");
    auto* label = Make<MText>(34, {});
    label->SetTextColor(0xFF38E3ED);
    label->SetAlignment(kAlignRight);
    auto* languages = Make<MComboBox2>(35, {});
    languages->SetTextColor(0xFF38E3ED);
    languages->SetStateImages("img_macro_combox_n.png");
    languages->SetDropDownImage("btn_combobox_drapdown_n.png");
    Make<MButton>(37, {})->SetStateImages("btn_appy_n.png");
    auto* autoRun = Make<CCheckButton>(36, {});
    autoRun->SetStateImages("btn_checkbox_n.png");
    autoRun->SetCheckImage("btn_checkbox_icon.png");
    auto* closeQuits = Make<CCheckButton>(kIdCloseQuits, {});
    closeQuits->SetStateImages("btn_checkbox_n.png");
    closeQuits->SetCheckImage("btn_checkbox_icon.png");
    closeQuits->SetCheck(CloseButtonQuits());
    const SdkServerSettings sdk = ReadSdkServerSettings(configFile);
    auto* sdkSwitch = Make<CCheckButton>(41, {});
    sdkSwitch->SetStateImages("btn_checkbox_n.png");
    sdkSwitch->SetCheckImage("btn_checkbox_icon.png");
    sdkSwitch->SetCheck(sdk.enabled);
    auto* portLabel = Make<MText>(42, {});
    portLabel->SetTextColor(0xFF38E3ED);
    portLabel->SetAlignment(kAlignRight);
    auto* port = Make<MEdit>(43, {}, std::to_string(sdk.port));
    port->SetDigitsUpTo(65535);
    Make<MText>(39, {}, ReadConfigStringFrom(configFile, "VERSION"))->SetAlignment(kAlignCenter);
    char firmware[32];
    std::snprintf(firmware, sizeof firmware, "Fw Ver: %x", static_cast<unsigned>(firmwareVersion));
    Make<MText>(40, {}, firmware)->SetAlignment(kAlignCenter);
    auto* copyright = Make<MText>(38, {}, ReadConfigStringFrom(configFile, "COPYRIGHT"));
    copyright->SetTextColor(0xFF808080);
    copyright->SetAlignment(kAlignCenter);
    copyright->SetTextSize(11);

    for (const LanguageChoice& choice : AllLanguageChoices()) {
        if (ReadConfigIntFrom(configFile, choice.flagKey) == 1) {
            languages->AddItem(choice.text, choice.langId);
        }
    }
    languages->SelectData(CurrentUiLanguage.load());
    autoRun->SetCheck(IsAutostartEnabled());
    languages->Widget()->setFocus(Qt::OtherFocusReason);  // the first field
    ApplyTexts();
    UISize(client);
}

void DeviceSysSetDlg::ApplyTexts() {
    GetControl(31)->SetTitle(GetUiString(501));
    GetControl(32)->SetTooltip(GetUiString(5));
    GetControl(34)->SetTitle(GetUiString(505));
    GetControl(37)->SetTitle(GetUiString(502));
    GetControl(36)->SetTitle(GetUiString(503));
    GetControl(kIdCloseQuits)->SetTitle(GetUiString(ui_text::kCloseButtonQuits));
    GetControl(41)->SetTitle(GetUiString(ui_text::kSdkServer));
    GetControl(42)->SetTitle(GetUiString(ui_text::kSdkPort));
}

void DeviceSysSetDlg::UISize(const CRect& client) {
    const int w = client.Width();
    const int h = client.Height();
    const int captionY = ReadConfigIntFrom(configFile, "CAPTION_Y");
    const int logoY = ReadConfigIntFrom(configFile, "LOGO2_Y");
    const int l = (w - 182) / 2;
    const int b = (w - 167) / 2;
    QSize logo(114, 40);
    if (auto* picture = GetControlAs<MPicture>(33)) {
        logo = picture->GetImageSize();
    }
    const std::pair<int, CRect> places[] = {
        {30, CRect(0, 0, w, h)},
        {31, CRect(w / 2 - 100, captionY, w / 2 + 100, captionY + 30)},
        {32, CRect(w - 40, 15, w - 21, 34)},
        {33,
         CRect((w - logo.width()) / 2, logoY, (w - logo.width()) / 2 + logo.width(), logoY + logo.height())},
        {34, CRect(l - 80, 160, l - 5, 207)},
        {35, CRect(l, 160, l + 182, 207)},
        {37, CRect(b, 210, b + 167, 264)},
        {36, CRect(b, 270, b + 167, 300)},
        {kIdCloseQuits, CRect(b, 300, w - 60, 330)},
        {41, CRect(b, 336, b + 260, 366)},
        {42, CRect(l - 80, 372, l - 5, 402)},
        {43, CRect(l, 372, l + 100, 402)},
        {39, CRect(w / 2 - 200, h - 90, w / 2 + 200, h - 60)},
        {40, CRect(w / 2 - 200, h - 60, w / 2 + 200, h - 30)},
        {38, CRect(w / 2 - 280, h - 30, w / 2 + 280, h)},
    };
    for (const auto& [id, rect] : places) {
        if (auto* c = GetControl(id)) {
            c->SetRect(rect);
        }
    }
}

int DeviceSysSetDlg::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (id == 43 && (code == kNotifyEnter || code == kNotifyKillFocus)) {
        SdkSettingsEdited();
        return 1;
    }
    if (code != kNotifyClick) {
        return 0;
    }
    switch (id) {
        case 32:
            DoCancel();
            return 1;
        case 35:
            LanguageChosen();
            return 1;
        case 36:
            AutoRunToggled();
            return 1;
        case kIdCloseQuits:
            CloseChoiceToggled();
            return 1;
        case 41:
            SdkSettingsEdited();
            return 1;
        case 37:
            ShowMessageBox(this, GetUiString(510), GetUiString(501));
            return 1;
        default:
            return 0;
    }
}

void DeviceSysSetDlg::LanguageChosen() {
    auto* languages = GetControlAs<MComboBox>(35);
    const auto language = static_cast<int>(languages->GetCurData(0));
    if (language <= 0 || language == CurrentUiLanguage.load()) {
        return;
    }
    CurrentUiLanguage = language;
    // A choice that cannot be stored still applies to this run.
    WriteLanguageSetting(language);
    ApplyTexts();
    if (owner != nullptr) {
        PostWindowMessage(owner, MSG_LANGUAGE_CHANGED, 0, 0);
    }
}

void DeviceSysSetDlg::AutoRunToggled() {
    auto* autoRun = GetControlAs<CCheckButton>(36);
    std::string error;
    // Failures are silent: the box keeps the state the user gave it.
    if (autoRun->GetCheck()) {
        EnableAutostart(RunningExecutablePath(), error);
    } else {
        DisableAutostart(error);
    }
}

// A choice that cannot be stored shows unticked again.
void DeviceSysSetDlg::CloseChoiceToggled() {
    auto* closeQuits = GetControlAs<CCheckButton>(kIdCloseQuits);
    if (!SetCloseButtonQuits(closeQuits->GetCheck())) {
        closeQuits->SetCheck(CloseButtonQuits());
    }
}

void DeviceSysSetDlg::SdkSettingsEdited() {
    auto* sdkSwitch = GetControlAs<CCheckButton>(41);
    MControl* port = GetControl(43);
    SdkServerSettings settings;
    settings.enabled = sdkSwitch->GetCheck();
    const int typed = std::atoi(port->GetTitle().c_str());
    settings.port = typed >= 1 && typed <= 65535 ? typed : kDefaultSdkPort;
    port->SetTitle(std::to_string(settings.port));
    if (settings == ReadSdkServerSettings(configFile)) {
        return;
    }
    if (!WriteSdkServerSettings(settings)) {
        sdkSwitch->SetCheck(!settings.enabled);  // as it still is
        ShowMessageBox(this, FormatUiString(ui_text::kSettingNotWritten, {UserConfigFilePath()}),
                       GetUiString(501));
        return;
    }
    if (sdkSettingsChanged && !sdkSettingsChanged()) {
        // The port is taken: the server stays off, and so does the switch.
        settings.enabled = false;
        WriteSdkServerSettings(settings);
        sdkSwitch->SetCheck(false);
        ShowMessageBox(this, FormatUiString(ui_text::kSdkPortRefused, {std::to_string(settings.port)}),
                       GetUiString(501));
    }
}

}  // namespace vantora
