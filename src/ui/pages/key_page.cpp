// The KEY sub-page of the DEVICE page.
#include "ui/pages/key_page.h"

#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/host_action.h"
#include "keys/profile_editor.h"
#include "keys/profile_exchange.h"
#include "keys/profile_names.h"
#include "macros/macro_editor.h"
#include "sync/key_plan.h"
#include "sync/sync_task.h"
#include "text/item_names.h"
#include "ui/dialogs/app_rules_dlg.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/own_texts.h"

#include <algorithm>
#include <map>

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;
constexpr int kRow1 = 484;
constexpr int kRow2 = 540;
constexpr int kRow3 = 596;

constexpr int kKeySettingCaption = 181;
constexpr int kExportCaption = 131;

bool IsListType(int type) {
    return type == kFunctionMacro || type == kFunctionMouse || type == kFunctionMultimedia ||
           type == kFunctionWindowsShortcut;
}

bool IsTextType(int type) {
    return type == kFunctionApplication || type == kFunctionWebsite || type == kFunctionSendText;
}

// Why a save was refused, for the user. Empty for outcomes that need no word.
std::string SaveRefusalText(KeyAssignmentEditor::SaveResult result) {
    using R = KeyAssignmentEditor::SaveResult;
    switch (result) {
        case R::kNothingCaptured:
            return GetUiString(ui_text::kNothingCaptured);
        case R::kNothingChosen:
            return GetUiString(ui_text::kNothingChosen);
        case R::kEmptyText:
            return GetUiString(ui_text::kEmptyText);
        case R::kNoProgram:
            return GetUiString(ui_text::kNoProgram);
        case R::kNoFreeId:
            return GetUiString(ui_text::kNoFreeHostSlot);
        case R::kStoreFailed:
            return GetUiString(ui_text::kKeyNotStored);
        default:
            return {};
    }
}

// The last part of a path, as the text field shows a chosen program.
std::string FileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

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
    {.id = kIdImportProfile,
     .className = "CImageButton",
     .rect = {722, kRow1, 758, kRow1 + 36},
     .tooltip = 18,
     .image = "btn_import_n.png",
     .container = kSubPageKey},
    {.id = kIdExportProfile,
     .className = "CImageButton",
     .rect = {766, kRow1, 802, kRow1 + 36},
     .tooltip = 19,
     .image = "btn_export_n.png",
     .container = kSubPageKey},
    {.id = kIdAppRules,
     .className = "MButton",
     .rect = {816, kRow1 - 2, 966, kRow1 + 38},
     .text = ui_text::kAppRulesButton,
     .image = "btn_appy_n.png",
     .container = kSubPageKey},
    {.id = kIdOnScreenKeyboard,
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
    {.id = kIdSaveKey,
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

int KeyPage::OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t) {
    if (id == kIdKeyPicture) {
        KeyboardCtrl* picture = Picture();
        if (picture == nullptr) {
            return 0;
        }
        if (code == kNotifyKeyClicked || code == kNotifyKeySelectMore) {
            host_.CurrentSelection().selectedKey = picture->GetClickKeyCode();
        }
        ShowKeyAssignment(host_.CurrentSelection().selectedKey.load());
        return 1;
    }
    if (id == kIdSingleKey || id == kIdComboKey) {
        if (code == kNotifySetFocus || code == kNotifyKillFocus) {
            CaptureFieldFocus(id, code, code == kNotifySetFocus && wparam == 1);
            return 1;
        }
        return 0;
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
        case kIdImportProfile:
            ImportProfileCommand();
            return 1;
        case kIdExportProfile:
            ExportProfileCommand();
            return 1;
        case kIdOnScreenKeyboard:
            host_.OpenOnScreenKeyboard();
            return 1;
        case kIdAppRules:
            AppRulesCommand();
            return 1;
        case kIdStandardLayer:
        case kIdFnLayer:
            SelectLayer(id == kIdFnLayer ? 1 : 0);
            return 1;
        case kIdFunctionType:
            FunctionTypeChanged();
            return 1;
        case kIdOpenFile:
            BrowseApplication();
            return 1;
        case kIdSaveKey:
            SaveKeyFunction();
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
    const ProfileEditor::Result result = editor.Select(static_cast<int>(profiles->GetCurData(0)));
    if (result == ProfileEditor::Result::kDone) {
        RefreshKeyTips();
        host_.QueueTask(SyncKeys);
    }
    TellIfNotStored(result);
}

void KeyPage::AddProfileCommand() {
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    int id = 0;
    const ProfileEditor::Result result = editor.Add(editor.NextDefaultName(DefaultProfileWord()), id);
    if (result != ProfileEditor::Result::kDone) {
        TellIfNotStored(result);
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
    const ProfileEditor::Result result =
        editor.Rename(static_cast<int>(profiles->GetCurData(0)), dialog.name);
    if (result == ProfileEditor::Result::kDone) {
        ReloadProfiles();
    }
    if (const NameFault fault = CheckItemName(dialog.name);
        fault == NameFault::kControlCharacter || fault == NameFault::kInvalidUtf8) {
        ShowMessage(GetUiString(fault == NameFault::kControlCharacter ? ui_text::kProfileNameControl
                                                                      : ui_text::kProfileNameNotUtf8),
                    130);
    }
    TellIfNotStored(result);
}

void KeyPage::DeleteProfileCommand() {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr || profiles->GetCount() <= 1 || profiles->GetCurSel() < 0) {
        return;  // the last profile cannot be deleted
    }
    ProfileEditor editor(host_.Database(), host_.CurrentSelection());
    const ProfileEditor::Result result = editor.Delete(static_cast<int>(profiles->GetCurData(0)));
    if (result != ProfileEditor::Result::kDone) {
        TellIfNotStored(result);
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
    const bool keyboard = type == kFunctionKeyboard;
    auto show = [this](int id, bool on) {
        if (MControl* c = Control(id)) {
            c->SetVisible(on);
        }
    };
    show(kIdFunctionValues, IsListType(type));
    show(kIdFunctionText, IsTextType(type));
    show(kIdOpenFile, type == kFunctionApplication);
    for (int id : {kIdSingleKeyLabel, kIdSingleKey, kIdComboKeyLabel, kIdComboKey}) {
        show(id, keyboard);
    }
}

void KeyPage::ShowFunctionControls(int type) {
    ShowFunctionTypeControls(type);
    for (int id : {kIdFunctionText, kIdSingleKey, kIdComboKey}) {
        if (MControl* field = Control(id)) {
            field->SetTitle({});
        }
    }
    auto* values = ControlAs<MComboBox>(kIdFunctionValues);
    if (values == nullptr || !IsListType(type)) {
        return;
    }
    values->DelAllItems();
    if (type == kFunctionMacro) {
        std::vector<Macro> macros;
        host_.Database().ListMacros(macros);
        for (const Macro& macro : macros) {
            values->AddItem(macro.name, macro.macro_id);
        }
    } else {
        for (const CatalogueItem& item : FunctionSubListItems(type)) {
            values->AddItem(item.text, item.code);
        }
    }
    if (values->GetCount() > 0) {
        values->SetCurSel(0);
    }
}

void KeyPage::FunctionTypeChanged() {
    auto* types = ControlAs<MComboBox>(kIdFunctionType);
    const int type = types != nullptr ? static_cast<int>(types->GetCurData(0)) : 0;
    edited_ = KeyFunction{};
    edited_.type = type;
    ShowFunctionControls(type);
}

void KeyPage::ShowKeyAssignment(int keyCode) {
    KeyAssignmentEditor editor(host_.Database(), host_.CurrentSelection());
    edited_ = keyCode > 0 ? editor.Load(keyCode) : KeyFunction{};
    if (auto* types = ControlAs<MComboBox>(kIdFunctionType)) {
        types->SelectData(edited_.type);
    }
    ShowFunctionControls(edited_.type);
    if (edited_.type == kFunctionKeyboard) {
        // A combination shows in the combination field, a single key in its own.
        const bool combination = edited_.label.find('+') != std::string::npos;
        if (MControl* field = Control(combination ? kIdComboKey : kIdSingleKey)) {
            field->SetTitle(edited_.label);
        }
        captureField_ = combination ? kIdComboKey : kIdSingleKey;
    } else if (IsListType(edited_.type)) {
        if (auto* values = ControlAs<MComboBox>(kIdFunctionValues)) {
            values->SelectData(edited_.listValue);
        }
    } else if (IsTextType(edited_.type)) {
        if (MControl* field = Control(kIdFunctionText)) {
            field->SetTitle(edited_.text);
        }
    }
}

// Entering a field starts a new capture; the window coming back to the
// front with the field focused takes keys again and keeps the captured one.
void KeyPage::CaptureFieldFocus(int fieldId, int code, bool windowBack) {
    if (code == kNotifyKillFocus) {
        if (armedField_ == fieldId) {
            armedField_ = 0;
            host_.DisarmKeyCapture();
        }
        return;
    }
    if (!windowBack) {
        ClearCapture(edited_);
        for (int id : {kIdSingleKey, kIdComboKey}) {
            if (MControl* field = Control(id)) {
                field->SetTitle({});
            }
        }
    }
    armedField_ = fieldId;
    captureField_ = fieldId;
    host_.ArmKeyCapture(fieldId);
}

void KeyPage::TakeCapturedKey(unsigned virtualKey, const std::string& name, bool isUp) {
    if (armedField_ == 0 || name.empty()) {
        return;
    }
    if (armedField_ == kIdSingleKey) {
        CaptureSingleKey(edited_, virtualKey, name);
        edited_.modifierCode = 0;
        edited_.modifierName.clear();
    } else {
        if (isUp) {
            return;  // the combination field takes presses only
        }
        CaptureCombinationKey(edited_, virtualKey, name);
    }
    if (MControl* field = Control(armedField_)) {
        field->SetTitle(CaptureText(edited_));
    }
}

void KeyPage::BrowseApplication() {
    const std::string path = host_.ChooseFile(FileChoice::kProgram, GetUiString(121));
    if (path.empty()) {
        return;
    }
    if (!IsStartableProgramFile(path)) {
        ShowMessage(FormatUiString(ui_text::kNotAProgram, {path}), kKeySettingCaption);
        return;
    }
    edited_.programPath = path;
    if (MControl* field = Control(kIdFunctionText)) {
        field->SetTitle(FileNameOf(path));
    }
}

void KeyPage::SaveKeyFunction() {
    Selection& selection = host_.CurrentSelection();
    if (selection.selectedKey.load() < 1) {
        ShowMessage(GetUiString(180), kKeySettingCaption);
        return;
    }
    KeyFunction function = edited_;
    auto* types = ControlAs<MComboBox>(kIdFunctionType);
    function.type = types != nullptr ? static_cast<int>(types->GetCurData(0)) : 0;
    if (IsListType(function.type)) {
        auto* values = ControlAs<MComboBox>(kIdFunctionValues);
        function.listValue =
            values != nullptr && values->GetCurSel() >= 0 ? static_cast<int>(values->GetCurData(0)) : 0;
    }
    if (IsTextType(function.type)) {
        if (MControl* field = Control(kIdFunctionText)) {
            function.text = field->GetTitle();
        }
    }
    std::string url;
    std::string reason;
    if (function.type == kFunctionWebsite && !function.text.empty() &&
        !WebAddressUrl(function.text, url, reason)) {
        // A press would refuse it: nothing is stored.
        ShowMessage(FormatUiString(ui_text::kNotAWebAddress, {function.text}), kKeySettingCaption);
        return;
    }
    KeyAssignmentEditor editor(host_.Database(), selection);
    const KeyAssignmentEditor::SaveResult result = editor.Save(function);
    const int key = selection.selectedKey.load();
    if (result == KeyAssignmentEditor::SaveResult::kSaved) {
        edited_ = editor.Load(key);
    }
    ShowKeyLabel(key);
    if (KeyAssignmentEditor::NeedsKeyDownload(result)) {
        if (function.type == kFunctionMacro) {
            // A macro imported or added since the last macro download is
            // not in the keyboard's memory yet: the key would play nothing.
            host_.QueueTask(SyncMacros);
        }
        host_.QueueTask(SyncKeys);
    }
    if (const std::string refusal = SaveRefusalText(result); !refusal.empty()) {
        ShowMessage(refusal, kKeySettingCaption);
        return;
    }
    if (result == KeyAssignmentEditor::SaveResult::kSaved) {
        const KeyPlan plan = PlanStoredKeys(host_.Database(), selection.profile);
        if (const KeyLeftOut* out = plan.Find(selection.layer, key)) {
            ShowMessage(
                FormatUiString(ui_text::kStoredNotOnKeyboard, {ui_text::KeyLeftOutWords(out->reason)}),
                kKeySettingCaption);
        }
    }
}

// The key's label and mark on the picture as stored.
void KeyPage::ShowKeyLabel(int keyCode) {
    KeyboardCtrl* picture = Picture();
    if (picture == nullptr) {
        return;
    }
    const Selection& selection = host_.CurrentSelection();
    KeyAssignment row;
    if (host_.Database().GetKeyAssignment(selection.profile, selection.layer, keyCode, row) &&
        row.macro_type != kFunctionDefault) {
        picture->SetKeyCheck(keyCode, true);
        picture->SetTipKey(keyCode, row.macro_type == kFunctionKeyboard ? row.macro_desc : std::string(),
                           row.macro_desc);
    } else {
        picture->SetTipKey(keyCode, {}, {});
        picture->SetKeyCheck(keyCode, false);
    }
    ShowMacroMarks();
}

void KeyPage::ShowMacroMarks() {
    KeyboardCtrl* picture = Picture();
    if (picture == nullptr) {
        return;
    }
    const Selection& selection = host_.CurrentSelection();
    const int layer = selection.layer;
    const KeyPlan plan = PlanStoredKeys(host_.Database(), selection.profile);
    picture->ClearKeyWarnings();
    for (const KeyLeftOut& out : plan.leftOut) {
        if (out.layer != layer) {
            continue;
        }
        switch (out.reason) {
            case KeyLeftOutReason::kMacroDeleted:
                picture->SetKeyWarning(out.keyCode, GetUiString(ui_text::kMacroDeletedMark));
                break;
            case KeyLeftOutReason::kMacroDirectoryFull:
            case KeyLeftOutReason::kMacroMemoryFull:
                picture->SetKeyWarning(out.keyCode, FormatUiString(ui_text::kMacroNotOnKeyboardMark,
                                                                   {ui_text::KeyLeftOutWords(out.reason)}));
                break;
            case KeyLeftOutReason::kNoHostSlot:
                picture->SetKeyWarning(out.keyCode, FormatUiString(ui_text::kNotOnKeyboardMark,
                                                                   {ui_text::KeyLeftOutWords(out.reason)}));
                break;
        }
    }
    picture->UpdateControl();
}

// The rules change only the database: the keyboard gets a profile when
// its application comes to the front.
void KeyPage::AppRulesCommand() {
    AppRulesDlg dialog(host_.Database(), host_.AppProfiles());
    dialog.Run(&host_.Dialog());
}

void KeyPage::ImportProfileCommand() {
    const std::string path = host_.ChooseFile(FileChoice::kProfileFile, GetUiString(18));
    if (path.empty()) {
        return;
    }
    const ImportResult imported = ImportProfile(host_.Database(), path);
    if (imported.profileId == 0) {
        ShowMessage(FormatUiString(ui_text::kProfileNotImported, {ui_text::ImportErrorWords(imported)}), 18);
        return;
    }
    // The new profile is listed; it is neither selected nor written to the keyboard.
    ReloadProfiles();
    // Said in one box: a cleaned name, then the keys left out.
    std::string said = imported.note.empty() ? std::string() : GetUiString(ui_text::kNameCleaned);
    if (!imported.skipped.empty()) {
        said += std::string(said.empty() ? "" : "\n") + GetUiString(ui_text::kImportedWithout);
        for (const SkippedItem& item : imported.skipped) {
            said +=
                "\n" + FormatUiString(ui_text::kSkippedKey, {std::to_string(item.key_code), item.macro_desc,
                                                             ui_text::ImportSkipWords(item.reason)});
        }
    }
    if (!said.empty()) {
        ShowMessage(said, 18);
    }
}

void KeyPage::ExportProfileCommand() {
    auto* profiles = ControlAs<MComboBox>(kIdProfileList);
    if (profiles == nullptr || profiles->GetCurSel() < 0) {
        return;
    }
    const int profile = static_cast<int>(profiles->GetCurData(0));
    const std::string folder = host_.ChooseFile(FileChoice::kExportFolder, GetUiString(kExportCaption));
    if (folder.empty()) {
        return;
    }
    std::string written;
    std::string error;
    if (ExportProfile(host_.Database(), profile, folder, written, error)) {
        ShowMessage(FormatUiString(ui_text::kExportedTo, {written}), kExportCaption);
    } else {
        ShowMessage(FormatUiString(ui_text::kProfileNotExported, {error}), kExportCaption);
    }
}

void KeyPage::TellIfNotStored(ProfileEditor::Result result) {
    if (result == ProfileEditor::Result::kStoreFailed) {
        TellNotStored(kKeySettingCaption);
    }
}

void KeyPage::ShowKeyAssignments(const KeyAssignmentData& data) {
    if (auto* types = ControlAs<MComboBox>(kIdFunctionType)) {
        types->SelectData(0);
    }
    FunctionTypeChanged();
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
    ShowMacroMarks();
}

}  // namespace vantora
