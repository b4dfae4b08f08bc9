#pragma once

#include <QPoint>
#include <QPointer>
#include <cstdint>
#include <string>

class QMenu;

namespace vantora {

class MDialog;

// A popup menu. The chosen item's id comes back to the owner as the window
// message given to Create, with wParam = lParam = id; closing the menu
// without a choice posts nothing. The shown menu looks after itself, so a
// MenuWnd may be a local variable.
class MenuWnd {
public:
    MenuWnd() = default;
    ~MenuWnd();
    MenuWnd(const MenuWnd&) = delete;
    MenuWnd& operator=(const MenuWnd&) = delete;

    // itemHeight and width size the items (defaults of the macro menu);
    // backMode is kept for the pages.
    bool Create(MDialog* owner, unsigned message, const std::string& backgroundImage = {},
                int itemHeight = 30, int width = 150, int backMode = 1);
    void AddMenu(const std::string& text, int id, bool enabled = true);
    // Opens the menu at the cursor (or at a global point) without waiting
    // for the choice. Returns the menu shown (tests pick items from it), or
    // nullptr when the menu was not created or has no items.
    QMenu* TrackPopup();
    QMenu* TrackPopup(const QPoint& globalPosition);

private:
    QMenu* menu_ = nullptr;
};

}  // namespace vantora
