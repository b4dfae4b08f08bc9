// The KEY sub-page of the DEVICE page.
#include "ui/pages/key_page.h"

#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/profile_editor.h"
#include "keys/profile_names.h"
#include "sync/sync_task.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/pages/control_ids.h"

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;
constexpr int kRow1 = 484;
constexpr int kRow2 = 540;
constexpr int kRow3 = 596;

constexpr ControlRow kRows[] = {
    {.id = kIdStandardLayer,
     .className = "LayerButton",
     .rect = {868, 112, 1024, 144},
     .text = 103,
     .image = "icon\\icon_layerbutton_n.png",
     .container = kSubPageKey},
    {.id = kIdFnLayer,
     .className = "LayerButton",
     .rect = {1032, 112, 1188, 144},
     .text = 104,
     .image = "icon\\icon_layerbutton_n.png",
     .container = kSubPageKey},
    {.id = kIdKeyPicture, .className = "KeyboardCtrl", .container = kSubPageKey},
    {.id = 66,
     .className = "MPicture",
     .rect = kConfigArea,
     .image = "img_config_area.png",
     .imageUse = ImageUse::kPicture,
     .container = kSubPageKey},
    // Profiles.
    {.id = 73,
     .className = "MText",
     .rect = {236, kRow1, 336, kRow1 + 36},
     .text = 110,
     .container = kSubPageKey,
     .align = kAlignLeft,
     .textColor = kText},
    {.id = kIdProfileList,
     .className = "MComboBox",
     .rect = {336, kRow1, 576, kRow1 + 36},
     .container = kSubPageKey,
     .textColor = kText},
    {.id = 67,
     .className = "CImageButton",
     .rect = {590, kRow1, 626, kRow1 + 36},
     .tooltip = 15,
     .image = "btn_add_n.png",
     .container = kSubPageKey},
    {.id = 68,
     .className = "CImageButton",
     .rect = {634, kRow1, 670, kRow1 + 36},
     .tooltip = 17,
     .image = "btn_edit_n.png",
     .container = kSubPageKey},
    {.id = 69,
     .className = "CImageButton",
     .rect = {678, kRow1, 714, kRow1 + 36},
     .tooltip = 16,
     .image = "btn_del_n.png",
     .container = kSubPageKey},
    {.id = 70,
     .className = "CImageButton",
     .rect = {722, kRow1, 758, kRow1 + 36},
     .tooltip = 18,
     .image = "btn_import_n.png",
     .container = kSubPageKey},
    {.id = 71,
     .className = "CImageButton",
     .rect = {766, kRow1, 802, kRow1 + 36},
     .tooltip = 19,
     .image = "btn_export_n.png",
     .container = kSubPageKey},
    {.id = 72,
     .className = "CImageButton",
     .rect = {1136, kRow1, 1172, kRow1 + 36},
     .image = "btn_openkb_n.png",
     .container = kSubPageKey},
    // Function of the selected key.
    {.id = 75,
     .className = "MText",
     .rect = {236, kRow2, 336, kRow2 + 36},
     .text = 111,
     .container = kSubPageKey,
     .align = kAlignLeft,
     .textColor = kText},
    {.id = kIdFunctionType,
     .className = "MComboBox",
     .rect = {336, kRow2, 576, kRow2 + 36},
     .container = kSubPageKey,
     .textColor = kText},
    {.id = kIdFunctionValues,
     .className = "MComboBox",
     .rect = {336, kRow3, 576, kRow3 + 36},
     .container = kSubPageKey,
     .visible = false,
     .textColor = kText},
    {.id = kIdFunctionText,
     .className = "MEdit",
     .rect = {336, kRow3, 576, kRow3 + 36},
     .container = kSubPageKey,
     .visible = false,
     .textColor = kText},
    {.id = kIdSingleKeyLabel,
     .className = "MText",
     .rect = {236, kRow3, 336, kRow3 + 36},
     .text = 125,
     .container = kSubPageKey,
     .visible = false,
     .align = kAlignLeft,
     .textColor = kText},
    {.id = kIdSingleKey,
     .className = "MEdit",
     .rect = {336, kRow3, 576, kRow3 + 36},
     .container = kSubPageKey,
     .visible = false},
    {.id = kIdComboKeyLabel,
     .className = "MText",
     .rect = {600, kRow3, 690, kRow3 + 36},
     .text = 126,
     .container = kSubPageKey,
     .visible = false,
     .align = kAlignLeft,
     .textColor = kText},
    {.id = kIdComboKey,
     .className = "MEdit",
     .rect = {690, kRow3, 930, kRow3 + 36},
     .container = kSubPageKey,
     .visible = false},
    {.id = kIdOpenFile,
     .className = "CImageButton",
     .rect = {590, kRow3, 626, kRow3 + 36},
     .image = "btn_openfile_n.png",
     .container = kSubPageKey,
     .visible = false},
    {.id = 88,
     .className = "CImageButton",
     .rect = {1136, kRow3 + 40, 1172, kRow3 + 76},
     .tooltip = 21,
     .image = "btn_save_n.png",
     .container = kSubPageKey},
};

}  // namespace

std::span<const ControlRow> KeyPage::Table() const {
    return kRows;
}

KeyboardCtrl* KeyPage::Picture() const {
    return ControlAs<KeyboardCtrl>(kIdKeyPicture);
}

void KeyPage::FinishCreate(const CRect&) {
    if (auto* standard = ControlAs<CheckableButton>(kIdStandardLayer)) {
        standard->SetCheck(true);
    }
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetKeyboardType(1);
    }
    if (auto* types = ControlAs<MComboBox>(kIdFunctionType)) {
        for (const CatalogueItem& item : FunctionTypeItems()) {
            types->AddItem(item.text, item.code);
        }
        types->SelectData(0);
    }
    for (int id : {kIdSingleKey, kIdComboKey}) {
        if (auto* field = ControlAs<MEdit>(id)) {
            field->SetCaptureField(true);
        }
    }
    ApplyKeyFieldImages();
}

void KeyPage::ApplyKeyFieldImages() {
    for (int id : {kIdSingleKey, kIdComboKey}) {
        MControl* field = Control(id);
        if (field == nullptr) {
            continue;
        }
        if (CurrentUiLanguage.load() == 2052) {
            field->SetStateImages("edit_key_bkg_n.png");
        } else {
            field->SetNormalImage("edit_key_bkg_n_en.png");
            field->SetHoverImage("edit_key_bkg_n_en.png");
            field->SetDownImage("edit_key_bkg_n_en.png");
            field->SetDisableImage("edit_key_bkg_d_en.png");
        }
    }
}

void KeyPage::RefreshOwnTexts() {
    if (auto* types = ControlAs<MComboBox>(kIdFunctionType)) {
        for (const CatalogueItem& item : FunctionTypeItems()) {
            const int index = types->FindData(item.code);
            if (index >= 0) {
                types->SetItemText(index, item.text);
            }
        }
    }
    ApplyKeyFieldImages();
    if (auto* profiles = ControlAs<MComboBox>(kIdProfileList)) {
        const int language = CurrentUiLanguage.load();
        for (const ProfileItem& item : profiles_) {
            const int index = profiles->FindData(item.profile);
            if (index >= 0) {
                profiles->SetItemText(index, DisplayProfileName(item.name, language));
            }
        }
        profiles->SelectData(host_.CurrentSelection().profile.load());
    }
}

int KeyPage::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (id == kIdKeyPicture && (code == kNotifyKeyClicked || code == kNotifyKeySelectMore)) {
        if (KeyboardCtrl* picture = Picture()) {
            host_.CurrentSelection().selectedKey = picture->GetClickKeyCode();
            return 1;
        }
    }
    if (code != kNotifyClick) {
        return 0;
    }
    switch (id) {
        case kIdProfileList:
            SelectProfileCommand();
            return 1;
        case kIdAddProfile:
            AddProfileCommand();
            return 1;
        case kIdRenameProfile:
            RenameProfileCommand();
            return 1;
        case kIdDeleteProfile:
            DeleteProfileCommand();
            return 1;
        case kIdStandardLayer:
        case kIdFnLayer:
            SelectLayer(id == kIdFnLayer ? 1 : 0);
            return 1;
        default:
            return 0;
    }
}

void KeyPage::RefreshKeyTips() {
    const Selection& selection = host_.CurrentSelection();
    KeyAssignmentData data;
    data.profile = selection.profile.load();
    data.layer = selection.layer.load();
    host_.Database().ListKeyAssignments(data.profile, data.layer, data.assignments);
    ShowKeyAssignments(data);
}

void KeyPage::ReloadProfiles() {
    const int layer = host_.CurrentSelection().layer.load();
    ProfileListData data;
    host_.Database().ListProfiles(data.profiles);
    data.activeProfile = host_.CurrentSelection().profile.load();
    ShowProfiles(data);
    // ShowProfiles checks the standard layer: show the one being edited.
    if (auto* standard = ControlAs<CheckableButton>(kIdStandardLayer)) {
        standard->SetCheck(layer == 0);
    }
    if (auto* fn = ControlAs<CheckableButton>(kIdFnLayer)) {
        fn->SetCheck(layer == 1);
    }
}

void KeyPage::SelectProfileCommand() {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr) {
        return;
    }
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    if (editor.Select(static_cast<int>(profiles->GetCurData(0))) == ProfileEditor::Result::kDone) {
        RefreshKeyTips();
        host_.QueueTask(SyncKeys);
    }
}

void KeyPage::AddProfileCommand() {
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    int id = 0;
    if (editor.Add(editor.NextDefaultName(DefaultProfileWord()), id) != ProfileEditor::Result::kDone) {
        return;  // nothing stored: no entry for a profile that does not exist
    }
    ReloadProfiles();
    RefreshKeyTips();
    host_.QueueTask(SyncKeys);
}

void KeyPage::RenameProfileCommand() {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr || profiles->GetCurSel() < 0) {
        return;
    }
    NameEditDlg dialog;
    dialog.title = GetUiString(130);
    dialog.name = profiles->GetItemText(profiles->GetCurSel());
    if (dialog.Run(&Dialog()) != 1) {
        return;
    }
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    if (editor.Rename(static_cast<int>(profiles->GetCurData(0)), dialog.name) ==
        ProfileEditor::Result::kDone) {
        ReloadProfiles();
    }
}

void KeyPage::DeleteProfileCommand() {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr || profiles->GetCount() <= 1 || profiles->GetCurSel() < 0) {
        return;  // the last profile cannot be deleted
    }
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    if (editor.Delete(static_cast<int>(profiles->GetCurData(0))) != ProfileEditor::Result::kDone) {
        return;
    }
    ReloadProfiles();
    RefreshKeyTips();  // the deleted profile's labels go
    host_.QueueTask(SyncKeys);
}

// Only what the picture shows changes: nothing is sent to the keyboard.
void KeyPage::SelectLayer(int layer) {
    host_.CurrentSelection().layer = layer;
    if (auto* standard = ControlAs<CheckableButton>(kIdStandardLayer)) {
        standard->SetCheck(layer == 0);
    }
    if (auto* fn = ControlAs<CheckableButton>(kIdFnLayer)) {
        fn->SetCheck(layer == 1);
    }
    RefreshKeyTips();
}

void KeyPage::ShowProfiles(const ProfileListData& data) {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr) {
        return;
    }
    profiles_ = data.profiles;
    profiles->DelAllItems();
    const int language = CurrentUiLanguage.load();
    for (const ProfileItem& item : profiles_) {
        profiles->AddItem(DisplayProfileName(item.name, language), item.profile);
    }
    profiles->SelectData(data.activeProfile);
    if (auto* standard = ControlAs<CheckableButton>(kIdStandardLayer)) {
        standard->SetCheck(true);
    }
    if (auto* fn = ControlAs<CheckableButton>(kIdFnLayer)) {
        fn->SetCheck(false);
    }
}

void KeyPage::ShowFunctionTypeControls(int type) {
    const bool keyboard = type == 2;
    const bool list = type == 3 || type == 5 || type == 6 || type == 7;
    const bool text = type == 8 || type == 9 || type == 10;
    auto show = [this](int id, bool on) {
        if (MControl* c = Control(id)) {
            c->SetVisible(on);
        }
    };
    show(kIdFunctionValues, list);
    show(kIdFunctionText, text);
    show(kIdOpenFile, type == 8);
    for (int id : {kIdSingleKeyLabel, kIdSingleKey, kIdComboKeyLabel, kIdComboKey}) {
        show(id, keyboard);
    }
}

void KeyPage::ShowKeyAssignments(const KeyAssignmentData& data) {
    if (auto* types = ControlAs<MComboBox>(kIdFunctionType)) {
        types->SelectData(0);
    }
    ShowFunctionTypeControls(0);
    KeyboardCtrl* picture = Picture();
    if (picture == nullptr) {
        return;
    }
    picture->ResetTipKey();
    for (const KeyAssignment& record : data.assignments) {
        if (record.macro_type != 0) {
            picture->SetTipKey(record.key_code, record.macro_type == 2 ? record.macro_desc : std::string(),
                               record.macro_desc);
        }
    }
    picture->UpdateControl();
}

}  // namespace vantora
