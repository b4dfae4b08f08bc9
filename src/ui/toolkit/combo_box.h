#pragma once

#include "ui/toolkit/mcontrol.h"

#include <cstdint>

class QComboBox;

namespace vantora {

// A drop-down list of (text, data) items. A choice by the user that changes
// the selection reports 2; changes made through the API report nothing.
// "No selection" is index -1, whose data is reported as `none` (-1 unless the
// caller asks for another value).
class MComboBox : public MControl {
    Q_OBJECT
public:
    MComboBox(MDialog* dialog, int id);
    const char* ClassName() const override { return "MComboBox"; }

    // Appends an item; returns its index.
    int AddItem(const std::string& text, std::intptr_t data = 0);
    // Inserts before `index` (clamped to the list); returns the new index.
    int InsertItem(int index, const std::string& text, std::intptr_t data = 0);
    void DelAllItems();
    // False when the index is out of range.
    bool DeleteItem(int index);
    int GetCount() const;

    int GetCurSel() const;
    // -1 (or any index out of range) clears the selection; false then unless
    // the index was exactly -1.
    bool SetCurSel(int index);
    std::intptr_t GetCurData(std::intptr_t none = -1) const;
    // Selects the first item carrying `data`; returns its index, or -1 with
    // the selection left as it was when no item carries it.
    int SelectData(std::intptr_t data);
    int FindData(std::intptr_t data) const;

    std::string GetItemText(int index) const;
    bool SetItemText(int index, const std::string& text);
    std::intptr_t GetItemData(int index, std::intptr_t none = -1) const;
    bool SetItemData(int index, std::intptr_t data);

    // The title of a combo box is the selected item's text.
    std::string GetTitle() const override;
    void SetTextColor(std::uint32_t argb) override;
    void SetTextSize(int pixels) override;

    // The drop-down button's images ("btn_combobox_drapdown_n.png" and companions).
    void SetDropDownImage(const std::string& normalName);

    // The Qt widget inside (tests drive it with real key and mouse events).
    QComboBox* Widget() const { return combo_; }

protected:
    void resizeEvent(QResizeEvent* event) override;
    void ApplyStyle();
    virtual QString ExtraStyle() const { return {}; }

private:
    QComboBox* combo_;
    int lastIndex_ = -1;
    std::string dropImage_;
};

// The second look of the drop-down list (the macro page and the settings
// dialog): a flatter field. Same operations.
class MComboBox2 : public MComboBox {
    Q_OBJECT
public:
    MComboBox2(MDialog* dialog, int id);
    const char* ClassName() const override { return "MComboBox2"; }

protected:
    QString ExtraStyle() const override;
};

}  // namespace vantora
