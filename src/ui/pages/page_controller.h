#pragma once

#include "ui/pages/page_host.h"
#include "ui/toolkit/toolkit.h"

#include <cstdint>
#include <span>
#include <vector>

namespace vantora {

// How a row's image is applied to its control.
enum class ImageUse : std::uint8_t {
    kStates,          // SetStateImages: the normal name, the toolkit adds _h, _p, _d
    kPicture,         // SetImage, stretched
    kPictureCentred,  // SetImage, centred at its own size
    kCheckBox,        // SetStateImages for the box, SetCheckImage(kCheckMarkImage) for the tick
    kRowButton,       // SetItemImage: the button at the end of each list row
};

inline constexpr const char* kCheckMarkImage = "btn_checkbox_icon.png";
// The region below the keyboard pictures where each page keeps its settings.
inline constexpr CRect kConfigArea(211, 468, 1188, 690);

// One control of a page: everything the page needs to create it and to
// retitle it when the language changes.
struct ControlRow {
    int id = 0;
    const char* className = "";  // toolkit class name (or one the page makes itself)
    CRect rect{};
    int text = 0;                 // GetUiString id of the title, 0: none
    int tooltip = 0;              // GetUiString id of the tooltip, 0: none
    const char* image = nullptr;  // normal image name
    ImageUse imageUse = ImageUse::kStates;
    int container = 0;  // id of the MTabLayout holding it, 0: none
    bool visible = true;
    bool enabled = true;
    int align = -1;                   // TextAlign, -1: the control's default
    std::uint32_t textColor = 0;      // ARGB, 0: the skin's
    const char* fixedText = nullptr;  // a title that is the same in every language
};

// One page of the main window: creates its controls from its table, keeps
// their texts in the current language and answers their notifications.
// It reaches the window only through PageHost.
class PageController {
public:
    explicit PageController(PageHost& host) : host_(host) {}
    virtual ~PageController() = default;
    PageController(const PageController&) = delete;
    PageController& operator=(const PageController&) = delete;

    // Creates the table's controls in order, then the page's own step.
    void Create(const CRect& client);
    // The table's titles and tooltips in the current language, then the
    // texts the table does not give (combo box items and the like).
    void RefreshTexts();
    // A notification of one of the page's controls; 0: not handled.
    virtual int OnMessage(int id, int code, std::uintptr_t wparam, std::intptr_t lparam);
    // Places what depends on the window's size (after Create and each resize).
    virtual void Place(const CRect& client) { (void)client; }
    // The page's keyboard picture, filled from the model's layout; null: none.
    virtual KeyboardCtrl* Picture() const { return nullptr; }

    virtual std::span<const ControlRow> Table() const = 0;
    // Ids the page answers for beyond its table (controls its own step makes).
    virtual std::vector<int> ExtraIds() const { return {}; }
    // Whether `control` is one this page created.
    bool Holds(const MControl* control) const;

protected:
    // Controls of a class the toolkit cannot make by name; null: none.
    virtual MControl* MakeCustom(const ControlRow& row, MControl* container);
    // What the table cannot say: items, ranges, groups, icons.
    virtual void FinishCreate(const CRect& client) { (void)client; }
    virtual void RefreshOwnTexts() {}

    // The page's `nth` control with `id` (pages may repeat another's ids).
    MControl* Control(int id, std::size_t nth = 0) const;
    template <class T>
    T* ControlAs(int id, std::size_t nth = 0) const {
        return dynamic_cast<T*>(Control(id, nth));
    }
    // Records a control the page's own step made.
    template <class T>
    T* Track(T* control) {
        controls_.push_back(control);
        return control;
    }
    MDialog& Dialog() const { return host_.Dialog(); }
    // A message box over the window, titled with string `captionId`.
    void ShowMessage(const std::string& text, int captionId);
    // Tells that the database did not take the change just made on this
    // page: the busy text when it stayed busy, else that it was not stored.
    void TellNotStored(int captionId);

    PageHost& host_;

private:
    // The table's rows with the controls made from them, in creation order.
    std::vector<std::pair<const ControlRow*, MControl*>> rows_;
    std::vector<MControl*> controls_;
};

}  // namespace vantora
