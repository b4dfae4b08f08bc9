// The SETTING page: the three game switches and "Restore Factory".
#include "i18n/strings.h"
#include "sync/device_worker.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/main_window/main_window.h"

#include <array>

namespace vantora {
namespace {

struct Switch {
    int id;
    const char* key;
};
// Check box and stored setting of each switch; the keyboard applies them
// as bits 0x01, 0x02 and 0x04 of its settings block.
constexpr std::array<Switch, 3> kSwitches{{
    {kIdDisableWin, "disable_win"},
    {kIdDisableAltTab, "disable_alttab"},
    {kIdDisableAltF4, "disable_altf4"},
}};

}  // namespace

void DeviceMainDlg::SwitchChanged(int id) {
    for (const Switch& item : kSwitches) {
        if (item.id != id) {
            continue;
        }
        auto* box = GetControlAs<CCheckButton>(id);
        if (box == nullptr) {
            return;
        }
        db_.SetConfig(item.key, box->GetCheck() ? "1" : "0");
        QueueTask(SyncSettings);
        return;
    }
}

void DeviceMainDlg::LoadSwitchesNow() {
    for (const Switch& item : kSwitches) {
        std::string value;
        db_.GetConfig(item.key, value);
        if (auto* box = GetControlAs<CCheckButton>(item.id)) {
            box->SetCheck(value == "1");
        }
    }
}

void DeviceMainDlg::ClearMacroPageFields() {
    for (int id : {kIdMacroDelay, kIdMacroKey}) {
        if (MControl* field = GetControl(id)) {
            field->SetTitle({});
        }
    }
    for (int id : {kIdMacroCommand, kIdMacroMouse}) {
        if (auto* combo = GetControlAs<MComboBox>(id)) {
            combo->SetCurSel(0);
        }
    }
}

// "Restore Factory": after a Yes the database is emptied, the keyboard is
// reset and every page is loaded again by the worker (with the first-run
// defaults), also when the initial load had already run.
void DeviceMainDlg::RestoreFactoryCommand() {
    if (AskYesNo(this, GetUiString(380), GetUiString(370)) == 2) {
        return;
    }
    db_.ResetProfileDatabase(dataFolder_, "kb_data");
    ClearMacroPageFields();
    QueueTask(SyncFactoryReset);
    if (worker_) {
        worker_->RequestInitialLoad();
    }
}

}  // namespace vantora
