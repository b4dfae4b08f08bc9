#pragma once

#include "ui/toolkit/geometry.h"
#include "ui/toolkit/notify_codes.h"

#include <QPixmap>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <string>

namespace vantora {

class MDialog;
class MTabLayout;

// Base of every control. A control belongs to one dialog, carries the id its
// notifications report, and is placed by SetRect in the dialog's client
// coordinates even when it sits in a tab layout. Text crosses the API as
// UTF-8 std::string; colours of texts are ARGB (0xAARRGGBB).
class MControl : public QWidget {
    Q_OBJECT
public:
    MControl(MDialog* dialog, int id);
    ~MControl() override;

    int GetId() const { return id_; }
    MDialog* GetDialog() const { return dialog_; }
    // The toolkit class name this control was created as ("MButton", ...).
    virtual const char* ClassName() const = 0;

    void SetRect(const CRect& rect);
    CRect GetRect() const { return rect_; }

    // The control's own visibility; it is on screen only while every tab
    // layout that holds it is visible too.
    void SetVisible(bool on);
    bool IsVisible() const { return ownVisible_; }
    bool IsShownInTree() const;
    void SetEnabled(bool on);
    bool IsEnabled() const { return isEnabled(); }
    void SetTooltip(const std::string& text);
    std::string GetTooltip() const;
    void UpdateControl() { update(); }

    // State images: the normal one and its hover, pressed and disabled companions.
    void SetNormalImage(const std::string& name);
    void SetHoverImage(const std::string& name);
    void SetDownImage(const std::string& name);
    void SetDisableImage(const std::string& name);
    // All four from the normal name: "btn_x_n.png" -> _h, _p, _d.
    void SetStateImages(const std::string& normalName);
    // A single picture (MPicture and areas); mode from ImageMode.
    virtual void SetImage(const std::string& name, int mode = kImageStretch);
    std::string GetImageName() const { return normalImage_; }

    virtual void SetTitle(const std::string& text);
    virtual std::string GetTitle() const;
    void SetAlignment(int align);
    void SetVAlignment(int valign);
    virtual void SetTextColor(std::uint32_t argb);
    std::uint32_t GetTextColor() const { return textColor_; }
    // The text's pixel size; 0 keeps the skin's default.
    virtual void SetTextSize(int pixels);

    // The tab layout holding this control (nullptr: the dialog itself).
    MTabLayout* GetContainer() const { return container_; }
    void SetContainer(MTabLayout* container);

protected:
    enum class State { Normal, Hover, Pressed, Disabled };

    // Reports a notification to the dialog's OnMessage with this control as sender.
    int Notify(int code, std::uintptr_t wparam = 0, std::intptr_t lparam = 0);
    State VisualState() const;
    // The skin image for a state (falls back to the normal image), or a null pixmap.
    QPixmap StateImage(State state) const;
    bool HasSkinImage() const { return !StateImage(State::Normal).isNull(); }
    // Draws the text of the title within `box` with the alignment, colour and size set.
    void DrawTitle(QPainter& painter, const QRect& box, const QColor& color) const;
    QFont TitleFont() const;
    Qt::Alignment QtAlignment() const;
    QColor TitleColor() const;
    bool HasOwnTextColor() const { return ownTextColor_; }

    virtual void ApplyVisibility();

    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void changeEvent(QEvent* event) override;

    bool hovered_ = false;
    bool pressed_ = false;
    QString title_;
    int align_ = kAlignCenter;
    int valign_ = kVAlignCenter;
    int textSize_ = 0;
    int imageMode_ = kImageStretch;

private:
    friend class MTabLayout;
    friend class MDialog;

    MDialog* dialog_;
    int id_;
    CRect rect_;
    bool ownVisible_ = true;
    MTabLayout* container_ = nullptr;  // cleared by the layout when it goes
    std::uint32_t textColor_ = 0;
    bool ownTextColor_ = false;
    std::string normalImage_;
    std::string hoverImage_;
    std::string downImage_;
    std::string disableImage_;
};

// A control's painting helper: the skin image for its state over the whole
// rectangle when there is one.
bool DrawSkinImage(QPainter& painter, const QRect& box, const QPixmap& image, int mode);

}  // namespace vantora
