#pragma once

#include "ui/toolkit/mcontrol.h"

#include <cstdint>
#include <vector>

namespace vantora {

// One key of the picture as GetKeyItems reports it.
struct KeyItemInfo {
    int code = 0;             // HID usage (the key's id in the picture)
    std::uint32_t color = 0;  // 0x00BBGGRR
    std::string name;
    std::string desc;
    CRect rect;  // relative to the key position
};

// The keyboard picture. Keys are addressed by code (a code may occur on
// more than one item: every item with it follows). Colours are 0x00BBGGRR.
//
// Clicks: a key click selects that key alone and reports 1 with the code as
// wparam; GetClickKeyCode() answers the code. Only a type 2 picture selects
// several keys: there a Ctrl click adds or removes the key and reports 5, and
// dragging a rectangle over the keys selects them (with Ctrl: adds them) and
// reports 5 (wparam: keys selected); a plain click beside its keys clears
// the selection and reports 2. On a type 1 picture Ctrl changes nothing.
class KeyboardCtrl : public MControl {
    Q_OBJECT
public:
    KeyboardCtrl(MDialog* dialog, int id);
    const char* ClassName() const override { return "KeyboardCtrl"; }

    void AddKeyItem(const std::string& name, const std::string& desc, int code, const CRect& rect);
    void ClearItem();
    int GetKeyCount() const { return static_cast<int>(keys_.size()); }
    // The grey board behind the keys, in control coordinates.
    void SetKeyboardBkgColor(std::uint32_t colorRef, const CRect& rect);
    // Where the keys' own rectangles start, in control coordinates.
    void SetKeyPosition(int x, int y);
    // 1: the key assignment picture (labels, single selection); 2: the
    // lighting picture (lit keys, multi-selection).
    void SetKeyboardType(int type);
    int GetKeyboardType() const { return type_; }
    void SetRGBMode(bool on);
    bool GetRGBMode() const { return rgb_; }

    // Lighting: every key shows the light mode colour, or a rainbow when
    // colourful, unless per-key display is on; then each key shows its own.
    void SetLightModeColor(bool colourful, std::uint32_t colorRef);
    void SetPerKeyDisplay(bool on);
    bool IsPerKeyDisplay() const { return perKey_; }
    // False when no key has the code.
    bool SetKeyColor(int code, std::uint32_t colorRef);
    // Every key's own colour.
    void SetAllKeyColors(std::uint32_t colorRef);
    bool GetKeyColor(int code, std::uint32_t& colorRef) const;
    // Gives every selected key the colour.
    void SetAllSelectColor(std::uint32_t colorRef);
    // The colour a key shows right now (what the user sees).
    std::uint32_t DisplayedColor(int code) const;

    // Key assignment marks: a check and a label pair per code.
    void SetKeyCheck(int code, bool on);
    bool GetKeyCheck(int code) const;
    // `first` is written on the key in place of its name (empty: the name);
    // `second` is shown beneath and in the key's tooltip.
    void SetTipKey(int code, const std::string& first, const std::string& second);
    bool GetTipKey(int code, std::string& first, std::string& second) const;
    // A warning on the key (drawn in the warning colour, the text in its
    // tooltip); an empty text removes it.
    void SetKeyWarning(int code, const std::string& text);
    std::string GetKeyWarning(int code) const;
    void ClearKeyWarnings();
    // Clears every label, check and warning.
    void ResetTipKey();

    std::vector<KeyItemInfo> GetKeyItems() const;
    // The code of the key clicked last (0 before any click).
    int GetClickKeyCode() const { return lastClicked_; }

    void SetKeySelect(int code, bool on);
    void SelectAll(bool on);
    bool IsKeySelected(int code) const;
    std::vector<int> GetSelectedKeys() const;

    // A key's rectangle in control coordinates (first item with the code);
    // an empty rectangle when there is none.
    QRect KeyRect(int code) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    bool event(QEvent* event) override;

private:
    struct Key {
        QString name;
        QString desc;
        int code = 0;
        CRect rect;
        std::uint32_t color = 0xFFFFFF;
        bool checked = false;
        bool selected = false;
        QString tipFirst;
        QString tipSecond;
        QString warning;
    };

    QRect ItemRect(const Key& key) const;
    int KeyIndexAt(const QPoint& point) const;
    QColor ShownColor(const Key& key) const;
    void ToggleCode(int code);
    void SetSelectedForCode(int code, bool on);

    std::vector<Key> keys_;
    std::uint32_t bkgColor_ = 0x565656;
    CRect bkgRect_;
    QPoint keyPos_;
    int type_ = 1;
    bool rgb_ = true;
    bool colourful_ = true;
    std::uint32_t lightColor_ = 0xFFFFFF;
    bool perKey_ = false;
    int lastClicked_ = 0;
    int hoverKey_ = -1;
    bool banding_ = false;
    QPoint bandStart_;
    QPoint bandEnd_;
};

}  // namespace vantora
