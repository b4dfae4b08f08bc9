// The MUSIC page.
#include "ui/pages/music_page.h"

#include "i18n/strings.h"
#include "ui/pages/control_ids.h"
#include "ui/pages/key_page.h"

#include <array>
#include <span>

namespace vantora {
namespace {

constexpr std::uint32_t kText = skin::kUiTextColor;
constexpr int kMusicCaption = 33;  // MUSIC

struct Scheme {
    int stringId;
    int data;
};
constexpr std::array<Scheme, 7> kForegroundSchemes{
    {{305, 13}, {306, 17}, {307, 19}, {308, 2}, {309, 4}, {310, 7}, {311, 5}}};
constexpr std::array<Scheme, 10> kBackgroundSchemes{
    {{322, 0}, {324, 13}, {325, 17}, {326, 19}, {327, 1}, {328, 2}, {329, 3}, {330, 4}, {331, 7}, {332, 5}}};

constexpr ControlRow Label(int id, const CRect& rect, int text) {
    return {.id = id,
            .className = "MText",
            .rect = rect,
            .text = text,
            .container = kPageMusic,
            .align = kAlignLeft,
            .textColor = kText};
}

constexpr ControlRow kRows[] = {
    {.id = kIdKeyPicture, .className = "KeyboardCtrl", .container = kPageMusic},
    {.id = 66,
     .className = "MPicture",
     .rect = kConfigArea,
     .image = "img_config_area.png",
     .imageUse = ImageUse::kPicture,
     .container = kPageMusic},
    Label(151, {236, 484, 416, 520}, 301),
    {.id = kIdForegroundScheme,
     .className = "MComboBox",
     .rect = {416, 484, 656, 520},
     .container = kPageMusic},
    Label(153, {236, 540, 416, 570}, 320),
    {.id = kIdAmplitude, .className = "MSlider", .rect = {416, 540, 656, 570}, .container = kPageMusic},
    Label(155, {700, 484, 900, 520}, 321),
    {.id = kIdBackgroundScheme,
     .className = "MComboBox",
     .rect = {900, 484, 1140, 520},
     .container = kPageMusic},
    Label(157, {700, 540, 900, 570}, 350),
    {.id = kIdMusicBrightness,
     .className = "MSlider",
     .rect = {900, 540, 1140, 570},
     .container = kPageMusic},
    {.id = kIdMusicStatus,
     .className = "MText",
     .rect = {236, 600, 1140, 640},
     .container = kPageMusic,
     .align = kAlignLeft,
     .textColor = kText},
};

void FillSchemes(MComboBox* combo, std::span<const Scheme> schemes) {
    if (combo == nullptr) {
        return;
    }
    for (const Scheme& item : schemes) {
        combo->AddItem(GetUiString(item.stringId), item.data);
    }
    combo->SetCurSel(0);
}

void RetitleSchemes(MComboBox* combo, std::span<const Scheme> schemes) {
    if (combo == nullptr) {
        return;
    }
    for (std::size_t i = 0; i < schemes.size(); ++i) {
        combo->SetItemText(static_cast<int>(i), GetUiString(schemes[i].stringId));
    }
}

}  // namespace

std::span<const ControlRow> MusicPage::Table() const {
    return kRows;
}

KeyboardCtrl* MusicPage::Picture() const {
    return ControlAs<KeyboardCtrl>(kIdKeyPicture);
}

void MusicPage::FinishCreate(const CRect&) {
    if (KeyboardCtrl* picture = Picture()) {
        picture->SetKeyboardType(2);
    }
    FillSchemes(ControlAs<MComboBox>(kIdForegroundScheme), kForegroundSchemes);
    if (auto* amplitude = ControlAs<MSlider>(kIdAmplitude)) {
        amplitude->SetRange(0, host_.ConfigInt("MUSIC_AMPLITUDE"));
        amplitude->SetProgress(60);
    }
    FillSchemes(ControlAs<MComboBox>(kIdBackgroundScheme), kBackgroundSchemes);
    if (auto* brightness = ControlAs<MSlider>(kIdMusicBrightness)) {
        brightness->SetRange(0, 100);
        brightness->SetProgress(100);
    }
}

int MusicPage::OnMessage(int id, int code, std::uintptr_t, std::intptr_t) {
    MusicSetting which;
    switch (id) {
        case kIdForegroundScheme:
            which = MusicSetting::kForeMode;
            break;
        case kIdAmplitude:
            which = MusicSetting::kAmplitude;
            break;
        case kIdBackgroundScheme:
            which = MusicSetting::kBackMode;
            break;
        case kIdMusicBrightness:
            which = MusicSetting::kBackBrightness;
            break;
        default:
            return 0;  // the picture (65) and the panel (66) do nothing here
    }
    if (code != kNotifyClick) {
        return 0;
    }
    const MusicSettings settings = Settings();
    const int value = which == MusicSetting::kForeMode    ? settings.foreMode
                      : which == MusicSetting::kAmplitude ? settings.amplitude
                      : which == MusicSetting::kBackMode  ? settings.backMode
                                                          : settings.backBrightness;
    if (!StoreMusicSetting(host_.Database(), host_.CurrentSelection().musicLayerId.load(), which, value)) {
        TellNotStored(kMusicCaption);
        return 1;
    }
    host_.MusicSettingsChanged(settings);
    return 1;
}

void MusicPage::ShowSettings(const MusicSettings& settings) {
    if (auto* fore = ControlAs<MComboBox>(kIdForegroundScheme)) {
        fore->SelectData(settings.foreMode);
    }
    if (auto* amplitude = ControlAs<MSlider>(kIdAmplitude)) {
        amplitude->SetProgress(settings.amplitude / kAmplitudeStep);
    }
    if (auto* back = ControlAs<MComboBox>(kIdBackgroundScheme)) {
        back->SelectData(settings.backMode);
    }
    if (auto* brightness = ControlAs<MSlider>(kIdMusicBrightness)) {
        brightness->SetProgress(settings.backBrightness);
    }
}

MusicSettings MusicPage::Settings() const {
    MusicSettings settings;
    if (auto* fore = ControlAs<MComboBox>(kIdForegroundScheme)) {
        settings.foreMode = static_cast<int>(fore->GetCurData(settings.foreMode));
    }
    if (auto* amplitude = ControlAs<MSlider>(kIdAmplitude)) {
        settings.amplitude = amplitude->GetProgress() * kAmplitudeStep;
    }
    if (auto* back = ControlAs<MComboBox>(kIdBackgroundScheme)) {
        settings.backMode = static_cast<int>(back->GetCurData(settings.backMode));
    }
    if (auto* brightness = ControlAs<MSlider>(kIdMusicBrightness)) {
        settings.backBrightness = brightness->GetProgress();
    }
    return settings;
}

void MusicPage::ShowStatus(const std::string& text) {
    if (MControl* status = Control(kIdMusicStatus)) {
        status->SetTitle(text);
    }
}

void MusicPage::RefreshOwnTexts() {
    RetitleSchemes(ControlAs<MComboBox>(kIdForegroundScheme), kForegroundSchemes);
    RetitleSchemes(ControlAs<MComboBox>(kIdBackgroundScheme), kBackgroundSchemes);
}

}  // namespace vantora
