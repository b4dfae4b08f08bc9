// The SETTING page.
#include "ui/pages/setting_page.h"

#include "i18n/strings.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/control_ids.h"

#include <array>

namespace vantora {
namespace {

struct Switch {
    int id;
    SystemSwitch which;
    bool SwitchData::*shown;
};
// The check box of each switch.
constexpr int kSettingCaption = 34;  // SETTING

constexpr std::array<Switch, 3> kSwitches{{
    {kIdDisableWin, SystemSwitch::kDisableWin, &SwitchData::disableWin},
    {kIdDisableAltTab, SystemSwitch::kDisableAltTab, &SwitchData::disableAltTab},
    {kIdDisableAltF4, SystemSwitch::kDisableAltF4, &SwitchData::disableAltF4},
}};

constexpr ControlRow CheckBox(int id, int index, int text) {
    const int y = 532 + index * 44;
    return {.id = id,
            .className = "CCheckButton",
            .rect = {240, y, 600, y + 32},
            .text = text,
            .image = "btn_checkbox_n.png",
            .imageUse = ImageUse::kCheckBox,
            .container = kPageSetting,
            .align = kAlignLeft};
}

constexpr ControlRow kRows[] = {
    {.id = kIdSettingPicture, .className = "KeyboardCtrl", .container = kPageSetting},
    {.id = 160,
     .className = "MPicture",
     .rect = kConfigArea,
     .image = "img_config_area.png",
     .imageUse = ImageUse::kPicture,
     .container = kPageSetting},
    {.id = kIdRestoreFactory,
     .className = "MButton",
     .rect = {968, 620, 1168, 672},
     .text = 370,
     .image = "btn_reset_n.png",
     .container = kPageSetting},
    {.id = 162,
     .className = "MText",
     .rect = {240, 484, 640, 520},
     .text = 371,
     .container = kPageSetting,
     .align = kAlignLeft,
     .textColor = skin::kUiTextColor},
    CheckBox(kIdDisableWin, 0, 372),
    CheckBox(kIdDisableAltTab, 1, 373),
    CheckBox(kIdDisableAltF4, 2, 374),
};

}  // namespace

std::span<const ControlRow> SettingPage::Table() const {
    return kRows;
}

KeyboardCtrl* SettingPage::Picture() const {
    return ControlAs<KeyboardCtrl>(kIdSettingPicture);
}

void SettingPage::FinishCreate(const CRect&) {
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetKeyboardType(2);
    }
}

int SettingPage::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (code != kNotifyClick) {
        return 0;
    }
    switch (id) {
        case kIdRestoreFactory:
            RestoreFactory();
            return 1;
        case kIdDisableWin:
        case kIdDisableAltTab:
        case kIdDisableAltF4:
            SwitchChanged(id);
            return 1;
        default:
            return 0;
    }
}

void SettingPage::SwitchChanged(int id) {
    for (const Switch& item : kSwitches) {
        if (item.id != id) {
            continue;
        }
        auto* box = ControlAs<CCheckButton>(id);
        if (box == nullptr) {
            return;
        }
        if (!host_.SetSystemSwitch(item.which, box->GetCheck())) {
            box->SetCheck(!box->GetCheck());  // back to what is stored
            TellNotStored(kSettingCaption);
        }
        return;
    }
}

void SettingPage::ShowSwitches(const SwitchData& data) {
    for (const Switch& item : kSwitches) {
        if (auto* box = ControlAs<CCheckButton>(item.id)) {
            box->SetCheck(data.*item.shown);
        }
    }
}

// After a Yes the database is emptied, the keyboard is reset and every page
// is loaded again (with the first-run defaults); a database that could not
// be emptied is told, and nothing was reset.
void SettingPage::RestoreFactory() {
    if (AskYesNo(&Dialog(), GetUiString(380), GetUiString(370)) == 2) {
        return;
    }
    if (!host_.RestoreFactoryDefaults()) {
        TellNotStored(kSettingCaption);
    }
}

}  // namespace vantora
