#pragma once

#include "ui/pages/page_controller.h"

namespace vantora {

enum MusicPageId : int {
    kIdForegroundScheme = 152,
    kIdAmplitude = 154,
    kIdBackgroundScheme = 156,
    kIdMusicBrightness = 158,
};

// The MUSIC page: the keyboard picture the music paints, the colour schemes,
// the amplitude and the brightness.
class MusicPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    KeyboardCtrl* Picture() const override;

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;
};

}  // namespace vantora
