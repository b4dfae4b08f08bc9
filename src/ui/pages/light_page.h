#pragma once

#include <cstdint>
#include <vector>

#include "lighting/light_editor.h"
#include "session/page_data.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum LightPageId : int {
    kIdLightPicture = 89,
    kIdLightMode = 92,
    kIdColourPalette = 93,
    kIdRedLabel = 94,  // 95, 96: green, blue
    kIdRed = 97,
    kIdGreen = 98,
    kIdBlue = 99,
    kIdColourfulLabel = 100,
    kIdColourful = 101,
    kIdFirstPresetColour = 102,  // to 117
    kIdBrightness = 119,
    kIdSpeedLabel = 120,
    kIdSpeed = 121,
    kIdDirectionLabel = 122,
    kIdFirstDirection = 123,  // to 126: left, right, up, down
    kIdSdkNotice = 173,       // says when an OpenRGB SDK client drives the keys
};

// The DEVICE page's LIGHT sub-page: the picture with the keys' colours,
// the light mode and its settings, the colour wheel and the preset colours.
// It moves values between its controls and the lighting editor, which
// stores each change; the page then queues the downloads the editor names.
// In the per-key mode the picture shows the stored map (keys without a
// colour are off), and a colour choice stores the selected keys' colour.
class LightPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    std::vector<int> ExtraIds() const override;
    KeyboardCtrl* Picture() const override;
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    // The stored modes listed by their names in the current language, the
    // current one selected and its controls shown.
    void ShowLighting(const LightingData& data);
    // Whether an OpenRGB SDK client's frames hold the keys now.
    void ShowClientDriving(bool driving);

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;

private:
    LightingEditor Editor() { return LightingEditor(host_.Database(), host_.CurrentSelection()); }
    // The combo box's mode made current, its controls shown.
    void ApplySelectedMode();
    void ShowControls(const LightControls& controls);
    void ShowColourControls(bool shown, bool enabled);
    void ShowKeyColours();
    // The single colour in the R/G/B fields and on the wheel.
    void ShowColourValue(std::uint32_t colour);
    // The current row's values on every control.
    void ShowStoredRow();
    void ModeChosen();
    void ColourfulToggled();
    void DirectionChosen(int id);
    // A colour from a preset button or the wheel: into the fields, then applied.
    void ColourPicked(std::uint32_t colour);
    void ChannelTyped(int id);
    // The current mode's single colour, or the selected keys' colour in the
    // per-key mode.
    void ApplyColour(std::uint32_t colour);
    void Queue(const LightJobs& jobs);

    std::vector<LightMode> modes_;  // as last listed
    bool clientDriving_ = false;
};

}  // namespace vantora
