// The page reloads of the initial load: the profile list, the key labels of
// the keyboard picture and the macro list.
#include "i18n/strings.h"
#include "keys/profile_names.h"
#include "ui/main_window/main_window.h"

namespace vantora {

// Fills the profile list (creating the three first-run profiles on an empty
// database), selects the active profile and the standard layer.
void DeviceMainDlg::LoadProfileListNow() {
    auto* profiles = GetControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr) {
        return;
    }
    profiles->DelAllItems();
    std::vector<ProfileItem> list;
    db_.ListProfilesCreatingDefaults(list, DefaultProfileWord());
    const int language = CurrentUiLanguage.load();
    for (const ProfileItem& item : list) {
        profiles->AddItem(DisplayProfileName(item.name, language), item.profile);
    }
    selection_.profile = db_.GetActiveProfile();
    profiles->SelectData(selection_.profile.load());
    if (auto* standard = GetControlAs<CheckableButton>(kIdStandardLayer)) {
        standard->SetCheck(true);
    }
    if (auto* fn = GetControlAs<CheckableButton>(kIdFnLayer)) {
        fn->SetCheck(false);
    }
    selection_.layer = 0;
}

// The controls a function type shows; "Default", "Disable Key" and unknown
// types show none. The editor of the key page fills them.
void DeviceMainDlg::ShowFunctionTypeControls(int type) {
    const bool keyboard = type == 2;
    const bool list = type == 3 || type == 5 || type == 6 || type == 7;
    const bool text = type == 8 || type == 9 || type == 10;
    auto show = [this](int id, bool on) {
        if (MControl* c = GetControl(id)) {
            c->SetVisible(on);
        }
    };
    show(77, list);
    show(78, text);
    show(87, type == 8);
    for (int id : {79, 80, 81, 84}) {
        show(id, keyboard);
    }
}

// The labels of the keys that have a function in the current profile and
// layer; the function-type list back on "Default".
void DeviceMainDlg::RefreshKeyTipsNow() {
    if (auto* types = GetControlAs<MComboBox>(kIdFunctionType)) {
        types->SelectData(0);
    }
    ShowFunctionTypeControls(0);
    const auto pictures = GetControls(kIdKeyPicture);
    auto* kb = pictures.empty() ? nullptr : qobject_cast<KeyboardCtrl*>(pictures.front());
    if (kb == nullptr) {
        return;
    }
    kb->ResetTipKey();
    std::vector<KeyAssignment> list;
    db_.ListKeyAssignments(selection_.profile.load(), selection_.layer.load(), list);
    for (const KeyAssignment& record : list) {
        if (record.macro_type != 0) {
            kb->SetTipKey(record.key_code, record.macro_type == 2 ? record.macro_desc : std::string(),
                          record.macro_desc);
        }
    }
    kb->UpdateControl();
}

// The macro list from the database, the first macro selected with its
// records; record editing is enabled once records are shown.
void DeviceMainDlg::RefreshMacroListNow() {
    auto* macros = GetControlAs<MacroListBox>(kIdMacroList);
    auto* records = GetControlAs<CRecordList>(kIdRecordList);
    if (macros == nullptr || records == nullptr) {
        return;
    }
    macros->DelAllItems();
    records->DelAllItems();
    auto enableEditing = [this](bool on) {
        for (int id : std::initializer_list<int>{133, 134, 135, 136, kIdRecordList, kIdMacroDelay,
                                                 kIdMacroCommand, kIdMacroKey}) {
            if (MControl* c = GetControl(id)) {
                c->SetEnabled(on);
            }
        }
        const auto panels = GetControls(129);
        if (!panels.empty()) {
            panels.back()->SetEnabled(on);
        }
    };
    enableEditing(false);
    std::vector<Macro> list;
    db_.ListMacros(list);
    for (const Macro& macro : list) {
        macros->AddItem(macro.name, macro.link_count, macro.macro_id);
    }
    if (list.empty()) {
        return;
    }
    macros->SetCurSel(0);
    std::vector<MacroStep> steps;
    db_.ListMacroSteps(list.front().macro_id, steps);
    for (const MacroStep& step : steps) {
        records->AddString(step.desc, step.type, step.value, step.delay_time);
    }
    enableEditing(true);
}

}  // namespace vantora
