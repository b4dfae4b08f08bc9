#pragma once

#include "session/page_data.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum LightPageId : int {
    kIdLightPicture = 89,
    kIdLightMode = 92,
    kIdColourPalette = 93,
    kIdRed = 97,
    kIdGreen = 98,
    kIdBlue = 99,
    kIdColourful = 101,
    kIdFirstPresetColour = 102,  // to 117
    kIdBrightness = 119,
    kIdSpeed = 121,
    kIdFirstDirection = 123,  // to 126: left, right, up, down
};

// The DEVICE page's LIGHT sub-page: the picture with the keys' colours,
// the light mode and its settings, the colour wheel and the preset colours.
class LightPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    std::vector<int> ExtraIds() const override;
    KeyboardCtrl* Picture() const override;

    void ShowLighting(const LightingData& data);

protected:
    void FinishCreate(const CRect& client) override;
};

}  // namespace vantora
