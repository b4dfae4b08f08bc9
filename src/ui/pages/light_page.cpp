// The LIGHT sub-page of the DEVICE page.
#include "ui/pages/light_page.h"
#include "ui/pages/own_texts.h"

#include "i18n/strings.h"
#include "lighting/light_parameters.h"
#include "sync/sync_task.h"
#include "ui/pages/control_ids.h"

#include <string>

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;
constexpr int kLightCaption = 102;  // LIGHT
constexpr int kPresetCount = kPresetColourCount;
constexpr int kChannelIds[] = {kIdRed, kIdGreen, kIdBlue};

constexpr ControlRow Label(int id, const CRect& rect, int text) {
    return {.id = id,
            .className = "MText",
            .rect = rect,
            .text = text,
            .container = kSubPageLight,
            .align = kAlignLeft,
            .textColor = kText};
}

constexpr ControlRow Direction(int index, const char* arrow) {
    const int x = 346 + (index % 2) * 70;
    return {.id = kIdFirstDirection + index,
            .className = "CRadioButton",
            .rect = {x, 620, x + 60, 656},
            .container = kSubPageLight,
            .visible = index < 2,
            .fixedText = arrow};
}

constexpr ControlRow Channel(int id, int index, const char* name) {
    const int y = 484 + index * 44;
    return {.id = id,
            .className = "MText",
            .rect = {852, y, 874, y + 36},
            .container = kSubPageLight,
            .align = kAlignCenter,
            .textColor = kText,
            .fixedText = name};
}

constexpr ControlRow ChannelEdit(int id, int index) {
    const int y = 484 + index * 44;
    return {.id = id,
            .className = "MEdit",
            .rect = {878, y, 958, y + 36},
            .container = kSubPageLight,
            .textColor = kText};
}

constexpr ControlRow kRows[] = {
    {.id = kIdLightPicture, .className = "KeyboardCtrl", .container = kSubPageLight},
    {.id = 90,
     .className = "MPicture",
     .rect = kConfigArea,
     .image = "img_config_area.png",
     .imageUse = ImageUse::kPicture,
     .container = kSubPageLight},
    // Left column: mode, brightness, speed, direction.
    Label(91, {236, 484, 346, 520}, 55),
    {.id = kIdLightMode,
     .className = "MComboBox",
     .rect = {346, 484, 586, 520},
     .container = kSubPageLight,
     .textColor = kText},
    Label(118, {236, 532, 346, 562}, 57),
    {.id = kIdBrightness, .className = "MSlider", .rect = {346, 532, 586, 562}, .container = kSubPageLight},
    Label(kIdSpeedLabel, {236, 574, 346, 604}, 58),
    {.id = kIdSpeed, .className = "MSlider", .rect = {346, 574, 586, 604}, .container = kSubPageLight},
    Label(kIdDirectionLabel, {236, 620, 346, 656}, 59),
    Direction(0, "\u2190"),
    Direction(1, "\u2192"),
    Direction(2, "\u2191"),
    Direction(3, "\u2193"),
    // Middle: the colour wheel.
    {.id = kIdColourPalette,
     .className = "CirclePalette",
     .rect = {622, 478, 822, 678},
     .image = "img_circlepalette.png",
     .imageUse = ImageUse::kPicture,
     .container = kSubPageLight},
    // Right: R, G, B, colourful; the preset colours follow (FinishCreate).
    Channel(kIdRedLabel, 0, "R"),
    ChannelEdit(kIdRed, 0),
    Channel(kIdRedLabel + 1, 1, "G"),
    ChannelEdit(kIdGreen, 1),
    Channel(kIdRedLabel + 2, 2, "B"),
    ChannelEdit(kIdBlue, 2),
    Label(kIdColourfulLabel, {990, 484, 1110, 520}, 56),
    {.id = kIdColourful,
     .className = "CCheckButton",
     .rect = {1120, 487, 1150, 517},
     .image = "btn_checkbox_n.png",
     .imageUse = ImageUse::kCheckBox,
     .container = kSubPageLight},
    {.id = kIdSdkNotice,
     .className = "MText",
     .rect = {236, 660, 600, 688},
     .container = kSubPageLight,
     .align = kAlignLeft,
     .textColor = kText},
};

}  // namespace

std::span<const ControlRow> LightPage::Table() const {
    return kRows;
}

std::vector<int> LightPage::ExtraIds() const {
    std::vector<int> ids;
    for (int i = 0; i < kPresetCount; ++i) {
        ids.push_back(kIdFirstPresetColour + i);
    }
    return ids;
}

KeyboardCtrl* LightPage::Picture() const {
    return ControlAs<KeyboardCtrl>(kIdLightPicture);
}

void LightPage::FinishCreate(const CRect&) {
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetKeyboardType(2);
    }
    if (auto* brightness = ControlAs<MSlider>(kIdBrightness)) {
        brightness->SetRange(0, 100);
        brightness->SetProgress(100);
    }
    if (auto* speed = ControlAs<MSlider>(kIdSpeed)) {
        speed->SetRange(0, 4);
        speed->SetProgress(3);
    }
    for (int i = 0; i < 4; ++i) {
        if (auto* radio = ControlAs<CRadioButton>(kIdFirstDirection + i)) {
            radio->SetGroupName("GROUP_LIGHT_DIRECTION");
        }
    }
    for (int id : {kIdRed, kIdGreen, kIdBlue}) {
        if (auto* edit = ControlAs<MEdit>(id)) {
            edit->SetDigitsOnly(true);
            edit->SetLimitText(3);
        }
    }
    MControl* page = Dialog().GetControl(kSubPageLight);
    for (int i = 0; i < kPresetCount; ++i) {
        const int x = 990 + (i % 6) * 32;
        const int y = 536 + (i / 6) * 34;
        auto* swatch = Track(
            Dialog().Make<CColorButton>(kIdFirstPresetColour + i, CRect(x, y, x + 26, y + 26), {}, page));
        swatch->SetGroupName("IDC_LIGHT_STC_DEFAULTCOLOR");
        swatch->SetColor(kPresetColours[static_cast<std::size_t>(i)]);
    }
}

void LightPage::ShowClientDriving(bool driving) {
    clientDriving_ = driving;
    if (MControl* notice = Control(kIdSdkNotice)) {
        notice->SetTitle(driving ? GetUiString(ui_text::kSdkClientDrives) : std::string());
    }
}

void LightPage::RefreshOwnTexts() {
    ShowClientDriving(clientDriving_);
    auto* list = ControlAs<MComboBox>(kIdLightMode);
    if (list == nullptr) {
        return;
    }
    for (const LightMode& row : modes_) {
        const int index = list->FindData(row.mode);
        if (index >= 0) {
            list->SetItemText(index, GetUiString(row.reserved));
        }
    }
}

void LightPage::ShowLighting(const LightingData& data) {
    modes_ = data.modes;
    auto* list = ControlAs<MComboBox>(kIdLightMode);
    if (list == nullptr) {
        return;
    }
    list->DelAllItems();
    for (const LightMode& row : modes_) {
        list->AddItem(GetUiString(row.reserved), row.mode);
    }
    if (modes_.empty()) {
        return;  // nothing stored (no database): the controls keep their defaults
    }
    host_.CurrentSelection().lightMode = data.activeMode;
    list->SelectData(data.activeMode);
    ApplySelectedMode();
}

int LightPage::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    if (id == kIdColourPalette) {
        if (code != kNotifyColorPicked) {
            return 0;
        }
        if (auto* palette = ControlAs<CirclePalette>(kIdColourPalette)) {
            ColourPicked(palette->GetColor());
        }
        return 1;
    }
    if (id == kIdRed || id == kIdGreen || id == kIdBlue) {
        if (code != kNotifyTextChanged) {
            return 0;
        }
        ChannelTyped(id);
        return 1;
    }
    if (id == kIdLightPicture) {
        return 1;  // selecting keys stores nothing; a colour choice does
    }
    if (code != kNotifyClick) {
        return 0;
    }
    if (id >= kIdFirstPresetColour && id < kIdFirstPresetColour + kPresetCount) {
        if (auto* preset = ControlAs<CColorButton>(id)) {
            ColourPicked(preset->GetColor());
        }
        return 1;
    }
    if (id >= kIdFirstDirection && id < kIdFirstDirection + 4) {
        DirectionChosen(id);
        return 1;
    }
    switch (id) {
        case kIdLightMode:
            ModeChosen();
            return 1;
        case kIdColourful:
            ColourfulToggled();
            return 1;
        case kIdBrightness:
            if (auto* slider = ControlAs<MSlider>(kIdBrightness)) {
                Queue(Editor().SetBrightness(slider->GetProgress()));
            }
            return 1;
        case kIdSpeed:
            if (auto* slider = ControlAs<MSlider>(kIdSpeed)) {
                Queue(Editor().SetSpeed(slider->GetProgress()));
            }
            return 1;
        default:
            return 0;
    }
}

void LightPage::ApplySelectedMode() {
    auto* list = ControlAs<MComboBox>(kIdLightMode);
    if (list == nullptr || list->GetCurSel() < 0) {
        return;
    }
    const std::optional<LightMode> row = Editor().MakeCurrent(static_cast<int>(list->GetCurData(-1)));
    if (row) {
        ShowControls(ControlsFor(*row));
    }
}

void LightPage::ShowControls(const LightControls& c) {
    auto show = [this](int id, bool on) {
        if (MControl* control = Control(id)) {
            control->SetVisible(on);
        }
    };
    if (auto* brightness = ControlAs<MSlider>(kIdBrightness)) {
        brightness->SetEnabled(c.brightnessEnabled);
        brightness->SetProgress(c.brightness);
    }
    show(kIdSpeedLabel, c.speedShown);
    show(kIdSpeed, c.speedShown);
    if (auto* speed = ControlAs<MSlider>(kIdSpeed)) {
        speed->SetProgress(c.speed);
    }
    const bool leftRight = c.direction == DirectionButtons::kLeftRight;
    const bool upDown = c.direction == DirectionButtons::kUpDown;
    show(kIdDirectionLabel, leftRight || upDown);
    show(kIdFirstDirection, leftRight);
    show(kIdFirstDirection + 1, leftRight);
    show(kIdFirstDirection + 2, upDown);
    show(kIdFirstDirection + 3, upDown);
    if (leftRight || upDown) {
        const int first = kIdFirstDirection + (upDown ? 2 : 0);
        if (auto* radio = ControlAs<CRadioButton>(c.directionFirst ? first : first + 1)) {
            radio->SetCheck(true);  // the rest of the group is unchecked
        }
    }
    show(kIdColourfulLabel, c.colourfulShown);
    show(kIdColourful, c.colourfulShown);
    if (auto* colourful = ControlAs<CCheckButton>(kIdColourful); colourful != nullptr && c.colourfulShown) {
        colourful->SetCheck(c.colourfulChecked);
    }
    ShowColourControls(c.colourShown, c.colourEnabled);
    if (c.colourShown && !c.perKey) {
        ShowColourValue(c.colour);
    }
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetLightModeColor(c.previewColourful, c.previewColour);
        picture->SetPerKeyDisplay(c.perKey);
        if (c.perKey) {
            ShowKeyColours();
        }
        picture->UpdateControl();
    }
}

void LightPage::ShowColourControls(bool shown, bool enabled) {
    std::vector<int> ids{kIdColourPalette, kIdRedLabel, kIdRedLabel + 1, kIdRedLabel + 2,
                         kIdRed,           kIdGreen,    kIdBlue};
    for (int i = 0; i < kPresetCount; ++i) {
        ids.push_back(kIdFirstPresetColour + i);
    }
    for (int id : ids) {
        if (MControl* control = Control(id)) {
            control->SetVisible(shown);
            control->SetEnabled(shown && enabled);
        }
    }
}

void LightPage::ShowColourValue(std::uint32_t colour) {
    const int parts[] = {RedOf(colour), GreenOf(colour), BlueOf(colour)};
    for (int i = 0; i < 3; ++i) {
        if (MControl* field = Control(kChannelIds[i])) {
            field->SetTitle(std::to_string(parts[i]));
        }
    }
    if (auto* wheel = ControlAs<CirclePalette>(kIdColourPalette)) {
        wheel->SetColor(colour);
    }
}

void LightPage::ShowStoredRow() {
    if (const std::optional<LightMode> row = Editor().CurrentRow()) {
        ShowControls(ControlsFor(*row));
    }
}

void LightPage::ShowKeyColours() {
    KeyboardCtrl* picture = Picture();
    if (picture == nullptr) {
        return;
    }
    // Keys without a stored colour are off, as on the keyboard.
    picture->SetAllKeyColors(0);
    for (const KeyColourValue& key : Editor().KeyColours()) {
        picture->SetKeyColor(key.code, key.colour);
    }
}

void LightPage::ModeChosen() {
    ApplySelectedMode();
    auto* list = ControlAs<MComboBox>(kIdLightMode);
    const int mode = list != nullptr ? static_cast<int>(list->GetCurData(-1)) : -1;
    const LightJobs jobs = Editor().ChooseMode(mode);
    if (jobs.refused && list != nullptr) {
        list->SelectData(host_.CurrentSelection().lightMode.load());  // back to the stored one
    }
    Queue(jobs);
}

void LightPage::ColourfulToggled() {
    auto* box = ControlAs<CCheckButton>(kIdColourful);
    if (box == nullptr) {
        return;
    }
    LightingEditor editor = Editor();
    const LightJobs jobs = editor.SetColourful(box->GetCheck());
    const std::optional<LightMode> row = editor.CurrentRow();
    if (!row) {
        return;
    }
    const LightControls shown = ControlsFor(*row);
    ShowColourControls(shown.colourShown, shown.colourEnabled);
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetLightModeColor(shown.previewColourful, shown.previewColour);
        picture->UpdateControl();
    }
    Queue(jobs);
}

void LightPage::DirectionChosen(int id) {
    const auto button = static_cast<DirectionButton>(id - kIdFirstDirection);
    Queue(Editor().SetDirection(button));
}

void LightPage::ColourPicked(std::uint32_t colour) {
    ShowColourValue(colour);
    ApplyColour(colour);
}

void LightPage::ChannelTyped(int id) {
    if (MControl* typed = Control(id)) {
        const ChannelInput input = ParseChannel(typed->GetTitle());
        if (input.corrected) {
            typed->SetTitle(std::to_string(input.value));
        }
    }
    int parts[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (MControl* field = Control(kChannelIds[i])) {
            parts[i] = ParseChannel(field->GetTitle()).value;
        }
    }
    ApplyColour(PackColour(parts[0], parts[1], parts[2]));
}

void LightPage::ApplyColour(std::uint32_t colour) {
    KeyboardCtrl* picture = Picture();
    if (host_.CurrentSelection().lightMode.load() != kPerKeyLightMode) {
        LightingEditor editor = Editor();
        if (!editor.CurrentRow()) {
            return;
        }
        if (picture != nullptr) {
            picture->SetLightModeColor(false, colour);
            picture->UpdateControl();
        }
        Queue(editor.SetColour(colour));
        return;
    }
    if (picture == nullptr) {
        return;
    }
    // The per-key mode: only the selected keys take the colour; the picture
    // then shows the map as stored.
    const LightJobs jobs = Editor().PaintKeys(picture->GetSelectedKeys(), colour);
    ShowKeyColours();
    picture->UpdateControl();
    Queue(jobs);
}

void LightPage::Queue(const LightJobs& jobs) {
    if (jobs.refused) {
        ShowStoredRow();  // every control back to the stored value
        TellNotStored(kLightCaption);
        return;
    }
    if (jobs.keyColours) {
        host_.QueueTask(SyncKeyColours);
    }
    if (jobs.settings) {
        host_.QueueTask(SyncSettings);
    }
}

}  // namespace vantora
