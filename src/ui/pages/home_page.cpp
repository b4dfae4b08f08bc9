// The HOME page.
#include "ui/pages/home_page.h"

#include "ui/pages/control_ids.h"
#include "ui/pages/home_picture.h"

#include <algorithm>
#include <string>

namespace vantora {
namespace {

constexpr ControlRow kRows[] = {
    {.id = kIdHomePicture,
     .className = "HomeKeyboardPicture",
     .image = "device_kb.png",
     .imageUse = ImageUse::kPictureCentred,
     .container = kPageHome},
    // Placed at the window's bottom right corner by FinishCreate.
    {.id = kIdWebLink, .className = "CTextButton", .container = kPageHome, .textColor = skin::kUiTextColor},
};

}  // namespace

std::span<const ControlRow> HomePage::Table() const {
    return kRows;
}

MControl* HomePage::MakeCustom(const ControlRow& row, MControl* container) {
    if (std::string(row.className) != "HomeKeyboardPicture") {
        return nullptr;
    }
    auto* picture = Dialog().Make<HomeKeyboardPicture>(row.id, row.rect, {}, container);
    picture->setAttribute(Qt::WA_TransparentForMouseEvents, true);
    return picture;
}

void HomePage::FinishCreate(const CRect& client) {
    if (MControl* link = Control(kIdWebLink)) {
        link->SetRect(
            CRect(client.Width() - 320, client.Height() - 60, client.Width() - 20, client.Height() - 40));
    }
}

HomeKeyboardPicture* HomePage::HomePicture() const {
    return ControlAs<HomeKeyboardPicture>(kIdHomePicture);
}

void HomePage::Place(const CRect& client) {
    HomeKeyboardPicture* home = HomePicture();
    if (home == nullptr) {
        return;
    }
    const int x = host_.ConfigInt("KB_IMAGE_X");
    const int y = host_.ConfigInt("KB_IMAGE_Y");
    const QSize size =
        home->OwnSize(QSize(std::max(0, client.Width() - x - 24), std::max(0, client.Height() - y - 90)));
    home->SetRect(CRect(x, y, x + size.width(), y + size.height()));
}

}  // namespace vantora
