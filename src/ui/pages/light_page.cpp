// The LIGHT sub-page of the DEVICE page.
#include "ui/pages/light_page.h"

#include "ui/pages/control_ids.h"

#include <array>

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;
constexpr int kPresetCount = 16;

// The preset colours, 0x00BBGGRR.
constexpr std::array<std::uint32_t, kPresetCount> kPresetColours{
    0x0000FF, 0xFC00FF, 0xFF007E, 0xFF0018, 0xFD8900, 0xFFFC00, 0x90FF00, 0x00FF00,
    0x00FFB4, 0x00F6FF, 0x00A8FF, 0x1354EA, 0xFFFFFF, 0x000000, 0x0098FF, 0xC3B700};

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
    Label(120, {236, 574, 346, 604}, 58),
    {.id = kIdSpeed, .className = "MSlider", .rect = {346, 574, 586, 604}, .container = kSubPageLight},
    Label(122, {236, 620, 346, 656}, 59),
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
    Channel(94, 0, "R"),
    ChannelEdit(kIdRed, 0),
    Channel(95, 1, "G"),
    ChannelEdit(kIdGreen, 1),
    Channel(96, 2, "B"),
    ChannelEdit(kIdBlue, 2),
    Label(100, {990, 484, 1110, 520}, 56),
    {.id = kIdColourful,
     .className = "CCheckButton",
     .rect = {1120, 487, 1150, 517},
     .image = "btn_checkbox_n.png",
     .imageUse = ImageUse::kCheckBox,
     .container = kSubPageLight},
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

void LightPage::ShowLighting(const LightingData& data) {
    // The lighting editor fills the mode list and the controls from the
    // stored modes; until then there is nothing to show.
    (void)data;
}

}  // namespace vantora
