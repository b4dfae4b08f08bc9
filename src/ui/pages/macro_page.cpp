// The MACRO page.
#include "ui/pages/macro_page.h"

#include "i18n/strings.h"
#include "ui/pages/control_ids.h"

#include <array>

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
    Label(128, {248, 82, 440, 118}, 201),
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
    Tool(134, 760, 16, "btn_del_n.png"),
    Tool(135, 802, 22, "btn_clear_n.png"),
    Tool(136, 844, 23, "btn_insert_n.png"),
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
};

}  // namespace

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
        delay->SetDigitsOnly(true);
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
}

void MacroPage::RefreshOwnTexts() {
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
    for (int id : {static_cast<int>(kIdRecord), 134, 135, 136, static_cast<int>(kIdRecordList),
                   static_cast<int>(kIdMacroDelay), static_cast<int>(kIdMacroCommand),
                   static_cast<int>(kIdMacroKey)}) {
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
    macros->DelAllItems();
    records->DelAllItems();
    EnableRecordEditing(false);
    for (const Macro& macro : data.macros) {
        macros->AddItem(macro.name, macro.link_count, macro.macro_id);
    }
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

}  // namespace vantora
