#pragma once

#include "ui/pages/page_controller.h"

namespace vantora {

class HomeKeyboardPicture;

enum HomePageId : int {
    kIdHomePicture = 48,
};

// The HOME page: the keyboard's picture and the link to the vendor's site
// (the frame opens the link).
class HomePage : public PageController {
public:
    using PageController::PageController;

    std::span<const ControlRow> Table() const override;
    // The picture's place: from config.ini, sized to the window.
    void Place(const CRect& client) override;
    HomeKeyboardPicture* HomePicture() const;

protected:
    MControl* MakeCustom(const ControlRow& row, MControl* container) override;
    void FinishCreate(const CRect& client) override;
};

}  // namespace vantora
