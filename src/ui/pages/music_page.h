#pragma once

#include "lighting/music_layer.h"
#include "ui/pages/page_controller.h"

namespace vantora {

enum MusicPageId : int {
    kIdForegroundScheme = 152,
    kIdAmplitude = 154,
    kIdBackgroundScheme = 156,
    kIdMusicBrightness = 158,
    kIdMusicStatus = 170,  // says when no sound can be captured
};

// The MUSIC page: the keyboard picture the music paints, the colour schemes,
// the amplitude and the brightness.
class MusicPage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    KeyboardCtrl* Picture() const override;
    // The scheme lists and sliders store their value in the music layer and
    // hand the settings to the analyser at once.
    int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam) override;

    // The stored settings on the controls.
    void ShowSettings(const MusicSettings& settings);
    // What the controls show.
    MusicSettings Settings() const;
    // A short line on the page (empty: none), e.g. that no sound can be captured.
    void ShowStatus(const std::string& text);

protected:
    void FinishCreate(const CRect& client) override;
    void RefreshOwnTexts() override;
};

}  // namespace vantora
