// The MACRO page.
#include "ui/pages/macro_page.h"

#include "device/hid_device_manager.h"
#include "i18n/strings.h"
#include "macros/macro_editor.h"
#include "macros/macro_exchange.h"
#include "macros/macro_space.h"
#include "macros/record_list.h"
#include "sync/sync_task.h"
#include "text/item_names.h"
#include "ui/capture/capture_decoder.h"
#include "ui/dialogs/name_edit_dlg.h"
#include "ui/dialogs/record_edit_dlg.h"
#include "ui/dialogs/ui_message_box.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/own_texts.h"
#include "ui/toolkit/menu_wnd.h"
#include "ui/window_messages.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;

struct ItemText {
    int stringId;
    int data;
};
// The mouse buttons of a record.
constexpr std::array<ItemText, 5> kMouseButtons{{{218, 1}, {219, 2}, {222, 3}, {220, 4}, {221, 5}}};
constexpr int kKeyCommandText = 216;
constexpr int kMacroCaption = 32;        // "MACRO"
constexpr int kRecordCaption = 231;      // "Macro Record"
constexpr int kNoRecordSpaceText = 232;  // not enough space to record
constexpr int kRecordTitle = 205;        // "Record"
constexpr int kStopTitle = 206;          // "Stop"
constexpr int kImportCaption = 208;      // "Import Macro"
constexpr int kExportCaption = 209;      // "Export Macro"
constexpr int kEditRecordTitle = 251;    // "Edit Record"
// Every macro gets this name when it is added, in every language.
constexpr const char* kNewMacroName = "Macro";

// The page's controls that recording switches off (all but Record).
constexpr int kOffWhileRecording[] = {kIdAddMacro,     kIdImportMacro, kIdMacroList,  kIdDeleteRecord,
                                      kIdClearRecords, kIdInsertKey,   kIdRecordList, kIdMacroDelay,
                                      kIdMacroCommand, kIdMacroKey,    kIdMacroMouse};

std::int64_t SteadyMilliseconds() {
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// Two panels share this id: the record column's background and the record
// fields' (the second is enabled with the fields).
constexpr int kIdPanel = 129;

constexpr ControlRow Panel(int id, const CRect& rect, const char* image, bool enabled = true) {
    return {.id = id,
            .className = "MPicture",
            .rect = rect,
            .image = image,
            .imageUse = ImageUse::kPicture,
            .container = kPageMacro,
            .enabled = enabled};
}

constexpr ControlRow Label(int id, const CRect& rect, int text) {
    return {.id = id,
            .className = "MText",
            .rect = rect,
            .text = text,
            .container = kPageMacro,
            .align = kAlignLeft,
            .textColor = kText};
}

constexpr ControlRow Tool(int id, int x, int tooltip, const char* image) {
    return {.id = id,
            .className = "CImageButton",
            .rect = {x, 84, x + 36, 120},
            .tooltip = tooltip,
            .image = image,
            .container = kPageMacro,
            .enabled = false};
}

// Record editing is off until a macro's records are shown.
constexpr ControlRow kRows[] = {
    // Macro list column.
    Panel(127, {232, 72, 512, 690}, "img_macro_list_bkg.png"),
    Label(128, {248, 82, 414, 118}, 201),
    {.id = kIdImportMacro,
     .className = "CImageButton",
     .rect = {420, 82, 456, 118},
     .tooltip = kImportCaption,
     .image = "btn_import_n.png",
     .container = kPageMacro},
    {.id = kIdAddMacro,
     .className = "CImageButton",
     .rect = {462, 82, 498, 118},
     .tooltip = 202,
     .image = "btn_add_n.png",
     .container = kPageMacro},
    {.id = kIdMacroList,
     .className = "MacroListBox",
     .rect = {244, 128, 500, 678},
     .image = "btn_macro_more.png",
     .imageUse = ImageUse::kRowButton,
     .container = kPageMacro},
    // Record column.
    Panel(kIdPanel, {524, 72, 900, 690}, "img_macro_record_bkg.png"),
    Panel(132, {536, 82, 888, 122}, "img_macro_toolbar.png"),
    {.id = kIdRecord,
     .className = "MButton",
     .rect = {540, 84, 680, 120},
     .text = 205,
     .image = "btn_record_n.png",
     .container = kPageMacro,
     .enabled = false},
    Tool(kIdDeleteRecord, 760, 16, "btn_del_n.png"),
    Tool(kIdClearRecords, 802, 22, "btn_clear_n.png"),
    Tool(kIdInsertKey, 844, 23, "btn_insert_n.png"),
    Panel(137, {536, 130, 888, 680}, "img_macro_records.png"),
    {.id = kIdRecordList,
     .className = "CRecordList",
     .rect = {540, 134, 884, 676},
     .image = "btn_macro_more.png",
     .imageUse = ImageUse::kRowButton,
     .container = kPageMacro,
     .enabled = false},
    // Settings column.
    Panel(141, {912, 72, 1188, 690}, "img_macro_setting_bkg.png"),
    Label(140, {928, 82, 1172, 118}, 210),
    Panel(kIdPanel, {924, 128, 1176, 400}, "img_macro_setting.png", false),
    Label(142, {936, 140, 1164, 168}, 211),
    {.id = kIdMacroDelay,
     .className = "MEdit",
     .rect = {936, 172, 1164, 208},
     .container = kPageMacro,
     .enabled = false,
     .textColor = kText,
     .fixedText = "10"},
    Label(144, {936, 220, 1164, 248}, 212),
    {.id = kIdMacroCommand,
     .className = "MComboBox2",
     .rect = {936, 252, 1164, 288},
     .container = kPageMacro,
     .enabled = false,
     .textColor = kText},
    Label(146, {936, 300, 1164, 328}, 215),
    {.id = kIdMacroKey,
     .className = "MEdit",
     .rect = {936, 332, 1164, 368},
     .container = kPageMacro,
     .enabled = false,
     .textColor = kText},
    {.id = kIdMacroMouse,
     .className = "MComboBox2",
     .rect = {936, 332, 1164, 368},
     .container = kPageMacro,
     .visible = false,
     .textColor = kText},
    // Hints below the fields: how keys are recorded here, and the macros the
    // keyboard will not hold.
    {.id = kIdRecordHint,
     .className = "MText",
     .rect = {928, 412, 1172, 480},
     .container = kPageMacro,
     .align = kAlignLeft,
     .textColor = kText},
    {.id = kIdMemoryHint,
     .className = "MText",
     .rect = {928, 488, 1172, 680},
     .container = kPageMacro,
     .align = kAlignLeft,
     .textColor = kText},
};

}  // namespace

MacroPage::MacroPage(PageHost& host) : PageController(host), recorder_(SteadyMilliseconds) {}

std::span<const ControlRow> MacroPage::Table() const {
    return kRows;
}

void MacroPage::FinishCreate(const CRect&) {
    if (auto* records = ControlAs<CRecordList>(kIdRecordList)) {
        const QString icons = skin::ImageFolder();
        records->SetTypeIcons({(icons + "icon//icon_record_key_down.png").toStdString(),
                               (icons + "icon//icon_record_key_up.png").toStdString(),
                               (icons + "icon//icon_record_mouse_down.png").toStdString(),
                               (icons + "icon//icon_record_mouse_up.png").toStdString()});
    }
    if (auto* delay = ControlAs<MEdit>(kIdMacroDelay)) {
        delay->SetDigitsUpTo(kMaxTypedDelayMs);
        delay->SetLimitText(5);
    }
    if (auto* command = ControlAs<MComboBox>(kIdMacroCommand)) {
        command->AddItem(GetUiString(kKeyCommandText), 1);
        command->SetCurSel(0);
    }
    if (auto* key = ControlAs<MEdit>(kIdMacroKey)) {
        key->SetCaptureField(true);
    }
    if (auto* mouse = ControlAs<MComboBox>(kIdMacroMouse)) {
        for (const ItemText& item : kMouseButtons) {
            mouse->AddItem(GetUiString(item.stringId), item.data);
        }
        mouse->SetCurSel(0);
    }
    for (int id : {kIdRecordHint, kIdMemoryHint}) {
        if (MControl* hint = Control(id)) {
            hint->SetVAlignment(kVAlignTop);
            hint->SetTextSize(12);
        }
    }
}

void MacroPage::RefreshOwnTexts() {
    ShowRecordHint();
    if (IsRecording()) {
        if (MControl* button = Control(kIdRecord)) {
            button->SetTitle(GetUiString(kStopTitle));
        }
    }
    if (auto* command = ControlAs<MComboBox>(kIdMacroCommand)) {
        command->SetItemText(0, GetUiString(kKeyCommandText));
    }
    if (auto* mouse = ControlAs<MComboBox>(kIdMacroMouse)) {
        for (std::size_t i = 0; i < kMouseButtons.size(); ++i) {
            mouse->SetItemText(static_cast<int>(i), GetUiString(kMouseButtons[i].stringId));
        }
    }
}

void MacroPage::EnableRecordEditing(bool on) {
    for (int id : {kIdRecord, kIdDeleteRecord, kIdClearRecords, kIdInsertKey, kIdRecordList, kIdMacroDelay,
                   kIdMacroCommand, kIdMacroKey}) {
        if (MControl* c = Control(id)) {
            c->SetEnabled(on);
        }
    }
    if (MControl* fieldsPanel = Control(kIdPanel, 1)) {
        fieldsPanel->SetEnabled(on);
    }
}

void MacroPage::ShowMacros(const MacroListData& data) {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    if (macros == nullptr || records == nullptr) {
        return;
    }
    StopRecording();
    macros->DelAllItems();
    records->DelAllItems();
    EnableRecordEditing(false);
    for (const Macro& macro : data.macros) {
        macros->AddItem(macro.name, macro.link_count, macro.macro_id);
    }
    ShowMemoryHint();
    if (data.macros.empty()) {
        return;
    }
    macros->SetCurSel(0);
    for (const MacroStep& step : data.firstMacroSteps) {
        records->AddString(step.desc, step.type, step.value, step.delay_time);
    }
    EnableRecordEditing(true);
}

void MacroPage::ClearFields() {
    capturedCode_ = 0;
    capturedName_.clear();
    for (int id : {kIdMacroDelay, kIdMacroKey}) {
        if (MControl* field = Control(id)) {
            field->SetTitle({});
        }
    }
    for (int id : {kIdMacroCommand, kIdMacroMouse}) {
        if (auto* combo = ControlAs<MComboBox>(id)) {
            combo->SetCurSel(0);
        }
    }
}

// ---- Notifications ---------------------------------------------------------

int MacroPage::OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t) {
    switch (id) {
        case kIdAddMacro:
            if (code == kNotifyClick) {
                AddMacro();
                return 1;
            }
            return 0;
        case kIdImportMacro:
            if (code == kNotifyClick) {
                ImportMacroFile();
                return 1;
            }
            return 0;
        case kIdMacroList:
            if (code == kNotifySelChanged) {
                const int macro = SelectedMacro();
                if (macro > 0) {
                    LoadRecords(macro);
                }
                return 1;
            }
            if (code == kNotifyItemMenu) {
                OpenMacroMenu();
                return 1;
            }
            return 0;
        case kIdRecord:
            if (code != kNotifyClick) {
                return 0;
            }
            if (IsRecording()) {
                StopRecording();
            } else {
                StartRecording();
            }
            return 1;
        case kIdDeleteRecord:
        case kIdClearRecords:
        case kIdInsertKey:
            if (code != kNotifyClick) {
                return 0;
            }
            if (id == kIdDeleteRecord) {
                DeleteRecordCommand();
            } else if (id == kIdClearRecords) {
                ClearRecordsCommand();
            } else {
                InsertKeyCommand();
            }
            return 1;
        case kIdRecordList:
            if (code == kNotifyItemEvent) {
                EditRecordCommand();
                return 1;
            }
            if (code == kNotifySelChanged) {
                RecordSelected();
                return 1;
            }
            return 0;
        case kIdMacroCommand:
            CommandKindChanged();
            return 1;
        case kIdMacroKey:
            if (code == kNotifySetFocus || code == kNotifyKillFocus) {
                KeyFieldFocus(code, code == kNotifySetFocus && wparam == 1);
                return 1;
            }
            return 0;
        default:
            return 0;
    }
}

void MacroPage::OnMenuCommand(int command) {
    if (IsRecording()) {
        return;
    }
    switch (command) {
        case kMenuRenameMacro:
            RenameMacro();
            break;
        case kMenuImportMacro:
            ImportMacroFile();
            break;
        case kMenuExportMacro:
            ExportMacroFile();
            break;
        case kMenuDeleteMacro:
            DeleteMacro();
            break;
        default:
            break;
    }
}

// ---- The macro list ----------------------------------------------------------

int MacroPage::SelectedMacro() const {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    return macros != nullptr ? static_cast<int>(macros->GetCurData(0)) : 0;
}

void MacroPage::LoadRecords(int macroId) {
    MacroEditor editor(host_.Database());
    ShowRecords(editor.Records(macroId), -1);
    EnableRecordEditing(true);
}

void MacroPage::AddMacro() {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    if (macros == nullptr) {
        return;
    }
    MacroEditor editor(host_.Database());
    int id = 0;
    const MacroEditor::Result result = editor.Add(kNewMacroName, id).result;
    if (result != MacroEditor::Result::kDone) {
        TellIfNotStored(result);
        return;
    }
    macros->SetCurSel(macros->AddItem(kNewMacroName, 0, id));
    macros->EnsureVisible(macros->GetCurSel());
    LoadRecords(id);
    ShowMemoryHint();
}

void MacroPage::OpenMacroMenu() {
    if (SelectedMacro() <= 0) {
        return;
    }
    MenuWnd menu;
    menu.Create(&Dialog(), MSG_MACRO_MENU, "img_menubkg.png", 30, 150, 1);
    menu.AddMenu(GetUiString(207), kMenuRenameMacro);
    menu.AddMenu(GetUiString(kImportCaption), kMenuImportMacro);
    menu.AddMenu(GetUiString(kExportCaption), kMenuExportMacro);
    menu.AddMenu(GetUiString(16), kMenuDeleteMacro);
    menu.TrackPopup();
}

void MacroPage::RenameMacro() {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    const int id = SelectedMacro();
    if (macros == nullptr || id <= 0) {
        return;
    }
    NameEditDlg dialog;
    dialog.title = GetUiString(kMacroCaption);
    dialog.name = macros->GetItemText(macros->GetCurSel());
    if (dialog.Run(&Dialog()) != 1) {
        return;
    }
    MacroEditor editor(host_.Database());
    const MacroEditor::Result result = editor.Rename(id, dialog.name).result;
    if (result == MacroEditor::Result::kDone) {
        macros->SetItemText(macros->FindData(id), dialog.name);
        ShowMemoryHint();
    }
    if (const NameFault fault = CheckItemName(dialog.name);
        fault == NameFault::kControlCharacter || fault == NameFault::kInvalidUtf8) {
        ShowMessage(GetUiString(fault == NameFault::kControlCharacter ? ui_text::kMacroNameControl
                                                                      : ui_text::kMacroNameNotUtf8),
                    kMacroCaption);
    }
    TellIfNotStored(result);
}

void MacroPage::DeleteMacro() {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    const int id = SelectedMacro();
    if (macros == nullptr || records == nullptr || id <= 0) {
        return;
    }
    MacroEditor editor(host_.Database());
    const MacroEditor::Outcome outcome = editor.Delete(id);
    QueueJobs(outcome.jobs.macros, outcome.jobs.keys);
    if (outcome.result != MacroEditor::Result::kDone) {
        TellIfNotStored(outcome.result);
        return;
    }
    const int index = macros->FindData(id);
    macros->DeleteItem(index);
    records->DelAllItems();
    EnableRecordEditing(false);
    if (index - 1 >= 0) {
        macros->SetCurSel(index - 1);
        LoadRecords(SelectedMacro());
    } else {
        macros->SetCurSel(-1);
    }
    ShowMemoryHint();
}

void MacroPage::ImportMacroFile() {
    const std::string path = host_.ChooseFile(FileChoice::kMacroFile, GetUiString(kImportCaption));
    if (path.empty()) {
        return;
    }
    const MacroImportResult imported = ImportMacro(host_.Database(), path);
    if (imported.macroId <= 0) {
        ShowMessage(FormatUiString(ui_text::kMacroNotImported, {ui_text::ImportErrorWords(imported)}),
                    kImportCaption);
        return;
    }
    // Listed, not selected (unless the list was empty: then its records are
    // shown); the keyboard gets it with the next macro download.
    Macro macro;
    host_.Database().GetMacro(imported.macroId, macro);
    if (auto* macros = ControlAs<MacroListBox>(kIdMacroList)) {
        const bool wasEmpty = macros->GetCount() == 0;
        const int row = macros->AddItem(macro.name, 0, imported.macroId);
        if (wasEmpty) {
            macros->SetCurSel(row);
            LoadRecords(imported.macroId);
        }
    }
    ShowMemoryHint();
    std::string said = imported.nameCleaned ? GetUiString(ui_text::kNameCleaned) : std::string();
    if (imported.clampedDelays > 0) {
        said += std::string(said.empty() ? "" : "\n") +
                FormatUiString(ui_text::kDelaysShortened, {std::to_string(imported.clampedDelays)});
    }
    if (!said.empty()) {
        ShowMessage(said, kImportCaption);
    }
}

void MacroPage::ExportMacroFile() {
    const int id = SelectedMacro();
    if (id <= 0) {
        return;
    }
    const std::string folder = host_.ChooseFile(FileChoice::kExportFolder, GetUiString(kExportCaption));
    if (folder.empty()) {
        return;
    }
    std::string written;
    std::string error;
    if (ExportMacro(host_.Database(), id, folder, written, error)) {
        ShowMessage(FormatUiString(ui_text::kExportedTo, {written}), kExportCaption);
    } else {
        ShowMessage(FormatUiString(ui_text::kMacroNotExported, {error}), kExportCaption);
    }
}

void MacroPage::RecountLinks() {
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    if (macros == nullptr) {
        return;
    }
    MacroEditor editor(host_.Database());
    const std::map<int, int> counts = editor.RecountLinks(host_.CurrentSelection().profile.load());
    macros->ResetLinkCount();
    for (const auto& [id, count] : counts) {
        macros->SetLinkCount(id, count);
    }
    ShowMemoryHint();
}

void MacroPage::ShowMemoryHint() {
    MControl* hint = Control(kIdMemoryHint);
    auto* macros = ControlAs<MacroListBox>(kIdMacroList);
    if (hint == nullptr || macros == nullptr) {
        return;
    }
    MacroEditor editor(host_.Database());
    const std::vector<MacroLeftOut> leftOut = editor.PlannedLeftOut();
    if (leftOut.empty()) {
        hint->SetTitle({});
        return;
    }
    std::string said = GetUiString(ui_text::kMacrosNotOnKeyboard);
    for (const MacroLeftOut& out : leftOut) {
        const int index = macros->FindData(out.macroId);
        const std::string name = index >= 0 ? macros->GetItemText(index) : "#" + std::to_string(out.macroId);
        said += "\n\u2022 " + name + ": " + ui_text::MacroLeftOutWords(out.reason);
    }
    hint->SetTitle(said);
}

// ---- Records -------------------------------------------------------------------

void MacroPage::ShowRecords(const std::vector<MacroStep>& steps, int select) {
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    if (records == nullptr) {
        return;
    }
    records->DelAllItems();
    for (const MacroStep& step : steps) {
        records->AddString(step.desc, step.type, step.value, step.delay_time);
    }
    if (select >= 0 && select < records->GetCount()) {
        records->SetCurSel(select);
        records->EnsureVisible(select);
    }
}

std::vector<MacroStep> MacroPage::WorkingCopy() const {
    std::vector<MacroStep> steps;
    if (auto* records = ControlAs<CRecordList>(kIdRecordList)) {
        for (const RecordItem& item : records->GetRecordItems()) {
            MacroStep step;
            step.desc = item.desc;
            step.type = item.type;
            step.value = item.value;
            step.delay_time = item.delay;
            steps.push_back(std::move(step));
        }
    }
    return steps;
}

bool MacroPage::SaveRecords(const std::vector<MacroStep>& steps, int select) {
    const int id = SelectedMacro();
    if (id <= 0) {
        return false;
    }
    MacroEditor editor(host_.Database());
    const MacroEditor::Outcome outcome = editor.SaveRecords(id, steps);
    QueueJobs(outcome.jobs.macros, outcome.jobs.keys);
    switch (outcome.result) {
        case MacroEditor::Result::kDone:
            ShowRecords(steps, select);
            ShowMemoryHint();
            return true;
        case MacroEditor::Result::kNoSpace:
            ShowMessage(FormatUiString(ui_text::kNoRecordSpace, {std::to_string(kMacroRecordSpace),
                                                                 std::to_string(editor.UsedRecords())}),
                        kMacroCaption);
            break;
        default:
            ShowMessage(GetUiString(ui_text::kRecordsNotStored), kMacroCaption);
            break;
    }
    ShowRecords(editor.Records(id), -1);
    return false;
}

void MacroPage::QueueJobs(bool macros, bool keys) {
    if (macros) {
        host_.QueueTask(SyncMacros);
    }
    if (keys) {
        host_.QueueTask(SyncKeys);
    }
}

void MacroPage::DeleteRecordCommand() {
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    if (records == nullptr || records->GetCurSel() < 0) {
        return;
    }
    std::vector<MacroStep> steps = WorkingCopy();
    const int select = DeleteRecord(steps, records->GetCurSel());
    SaveRecords(steps, select);
}

void MacroPage::ClearRecordsCommand() {
    SaveRecords({}, -1);
}

void MacroPage::InsertKeyCommand() {
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    if (records == nullptr || capturedName_.empty() || capturedCode_ == 0) {
        return;
    }
    auto* delayField = ControlAs<MEdit>(kIdMacroDelay);
    const int delay = delayField != nullptr ? ParseTypedDelay(delayField->GetEditText()) : 0;
    std::vector<MacroStep> steps = WorkingCopy();
    const int press = InsertKeyPair(steps, records->GetCurSel(), capturedName_, capturedCode_, delay);
    // The release is selected, so the next key goes after the pair.
    SaveRecords(steps, press + 1);
}

void MacroPage::EditRecordCommand() {
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    RecordItem item;
    if (records == nullptr || !records->GetRecordItem(records->GetCurSel(), item)) {
        return;
    }
    const int index = records->GetCurSel();
    RecordEditDlg dialog;
    dialog.title = GetUiString(kEditRecordTitle);
    dialog.desc = item.desc;
    dialog.type = item.type;
    dialog.value = item.value;
    dialog.delay = item.delay;
    dialog.SetKeyDecoder(DecodeCaptureKey);
    if (dialog.Run(&Dialog()) != 1 || dialog.desc.empty()) {
        return;
    }
    std::vector<MacroStep> steps = WorkingCopy();
    if (EditKeyRecord(steps, index, dialog.desc, dialog.value, dialog.delay)) {
        SaveRecords(steps, index);
    }
}

// A selected record fills the fields, as a start for the next insert; the
// fields never change a stored record (double-click opens the record editor
// for that), so a key captured or a delay typed after an insert cannot
// overwrite the record the insert left selected.
void MacroPage::RecordSelected() {
    auto* records = ControlAs<CRecordList>(kIdRecordList);
    RecordItem item;
    if (records == nullptr || !records->GetRecordItem(records->GetCurSel(), item)) {
        return;
    }
    if (MControl* delay = Control(kIdMacroDelay)) {
        delay->SetTitle(std::to_string(item.delay));
    }
    if (auto* command = ControlAs<MComboBox>(kIdMacroCommand)) {
        command->SetCurSel(0);
        CommandKindChanged();
    }
    if (item.type == kRecordKeyDown || item.type == kRecordKeyUp) {
        capturedCode_ = item.value;
        capturedName_ = item.desc;
        if (MControl* key = Control(kIdMacroKey)) {
            key->SetTitle(item.desc);
        }
    }
}

void MacroPage::CommandKindChanged() {
    auto* command = ControlAs<MComboBox>(kIdMacroCommand);
    const bool keyboard = command == nullptr || command->GetCurSel() <= 0;
    if (MControl* key = Control(kIdMacroKey)) {
        key->SetVisible(keyboard);
    }
    if (MControl* mouse = Control(kIdMacroMouse)) {
        mouse->SetVisible(!keyboard);
    }
}

// As on the KEY page: the window coming back keeps the captured key.
void MacroPage::KeyFieldFocus(int code, bool windowBack) {
    if (code == kNotifyKillFocus) {
        if (keyFieldArmed_) {
            keyFieldArmed_ = false;
            host_.DisarmKeyCapture();
        }
        return;
    }
    if (!windowBack) {
        capturedCode_ = 0;
        capturedName_.clear();
        if (MControl* key = Control(kIdMacroKey)) {
            key->SetTitle({});
        }
    }
    keyFieldArmed_ = true;
    host_.ArmKeyCapture(kIdMacroKey);
}

void MacroPage::TakeCapturedKey(unsigned code, const std::string& name, bool) {
    if (!keyFieldArmed_ || name.empty() || code == 0) {
        return;
    }
    capturedCode_ = static_cast<int>(code);
    capturedName_ = name;
    if (MControl* key = Control(kIdMacroKey)) {
        key->SetTitle(name);
    }
}

// ---- Recording -------------------------------------------------------------------

void MacroPage::StartRecording() {
    if (SelectedMacro() <= 0) {
        return;
    }
    if (recorder_.Begin(host_.Database().CountAllMacroSteps()) != MacroRecorder::Start::kStarted) {
        ShowMessage(GetUiString(kNoRecordSpaceText), kRecordCaption);
        return;
    }
    if (keyFieldArmed_) {
        keyFieldArmed_ = false;
        host_.DisarmKeyCapture();
    }
    if (auto* records = ControlAs<CRecordList>(kIdRecordList)) {
        records->DelAllItems();
    }
    for (int id : kOffWhileRecording) {
        if (MControl* c = Control(id)) {
            c->SetEnabled(false);
        }
    }
    if (MControl* button = Control(kIdRecord)) {
        button->SetTitle(GetUiString(kStopTitle));
    }
    recordedFrom_ = host_.SetKeyRecording(true);
    ShowRecordHint();
}

void MacroPage::ShowRecordHint() {
    MControl* hint = Control(kIdRecordHint);
    if (hint == nullptr || !recordedFrom_) {
        return;
    }
    std::string text;
    switch (recordedFrom_->from) {
        case KeyRecording::From::kKeyboard:
            text = GetUiString(ui_text::kKeysFromKeyboard);
            break;
        case KeyRecording::From::kAnyWindow:
            text = GetUiString(ui_text::kKeysFromDesktop);
            break;
        case KeyRecording::From::kThisWindow:
            text = GetUiString(ui_text::kRecordedInWindowOnly);
            break;
    }
    if (recordedFrom_->keyboardAccessOff) {
        // The ids as the access script takes them: four hexadecimal digits.
        const auto hexId = [this](const char* key) {
            char digits[8];
            std::snprintf(digits, sizeof digits, "%04x",
                          static_cast<unsigned>(ParseHexId(host_.ConfigText(key))));
            return std::string(digits);
        };
        text += "\n" + FormatUiString(ui_text::kKeyboardAccessOff, {hexId("VID "), hexId("PID ")});
    }
    hint->SetTitle(text);
}

void MacroPage::RecordKey(unsigned code, const std::string& name, bool isUp) {
    const MacroRecorder::Event event = recorder_.Record(static_cast<int>(code), name, isUp);
    if (event == MacroRecorder::Event::kIgnored) {
        return;
    }
    if (auto* records = ControlAs<CRecordList>(kIdRecordList)) {
        const std::vector<MacroStep>& recorded = recorder_.Records();
        if (recorded.size() >= 2) {
            records->UpdateDelayTime(recorded[recorded.size() - 2].delay_time);
        }
        const MacroStep& last = recorded.back();
        records->EnsureVisible(records->AddString(last.desc, last.type, last.value, last.delay_time));
    }
    if (event == MacroRecorder::Event::kFull) {
        StopRecording();
    }
}

void MacroPage::StopRecording() {
    if (!recorder_.IsRecording()) {
        return;
    }
    const std::vector<MacroStep> recorded = recorder_.Stop();
    host_.SetKeyRecording(false);
    if (MControl* button = Control(kIdRecord)) {
        button->SetTitle(GetUiString(kRecordTitle));
    }
    for (int id : {kIdAddMacro, kIdMacroList}) {
        if (MControl* c = Control(id)) {
            c->SetEnabled(true);
        }
    }
    EnableRecordEditing(true);
    SaveRecords(recorded, -1);
}

void MacroPage::TellIfNotStored(MacroEditor::Result result) {
    if (result == MacroEditor::Result::kStoreFailed) {
        TellNotStored(kMacroCaption);
    }
}

}  // namespace vantora
