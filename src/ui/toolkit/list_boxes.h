#pragma once

#include "ui/toolkit/mcontrol.h"

#include <array>
#include <cstdint>
#include <vector>

namespace vantora {

// Rows drawn by the control itself, one selected row (-1 none), a wheel to
// scroll, and a small menu button at the right end of each row.
class RowList : public MControl {
    Q_OBJECT
public:
    RowList(MDialog* dialog, int id);

    virtual int GetCount() const = 0;
    int GetCurSel() const { return selected_; }
    // Selects a row (-1 or out of range: none). Reports the change (code 1)
    // only when `notify` is set. False for an index out of range other than -1.
    bool SetCurSel(int index, bool notify = false);
    // The row-end button's images ("btn_macro_more.png", 4 states).
    void SetItemImage(const std::string& normalName) {
        itemImage_ = normalName;
        update();
    }
    int RowHeight() const { return rowHeight_; }
    void SetRowHeight(int pixels);
    // The row at a point of the control, -1 for none.
    int RowAt(const QPoint& point) const;
    // The rectangle of a row's menu button in control coordinates.
    QRect ItemButtonRect(int index) const;
    void EnsureVisible(int index);

protected:
    virtual void PaintRow(QPainter& painter, const QRect& box, int index, bool selected) = 0;
    // A click on a row's button (or a right click on the row).
    virtual void OnItemButton(int index) = 0;
    // A double click on a row.
    virtual void OnItemActivated(int index) = 0;
    // Keeps the selection in step with a row inserted at / removed from `index`.
    void RowInserted(int index);
    void RowRemoved(int index);
    void RowsCleared();
    void DrawItemButton(QPainter& painter, int index);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void wheelEvent(QWheelEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

    int hoverRow_ = -1;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    int MaxScroll() const;
    void ClampScroll();

    int selected_ = -1;
    int scroll_ = 0;
    int rowHeight_ = 36;
    std::string itemImage_;
};

// The macro list: rows of a name and the macro's link count, with item data
// (the macro id). Reports 1 when the user selects another row and 9 when a
// row's menu button is clicked or the row is right-clicked (wparam: row).
class MacroListBox : public RowList {
    Q_OBJECT
public:
    MacroListBox(MDialog* dialog, int id);
    const char* ClassName() const override { return "MacroListBox"; }

    int AddItem(const std::string& name, int linkCount, std::intptr_t data);
    int InsertItem(int index, const std::string& name, int linkCount, std::intptr_t data);
    bool DeleteItem(int index);
    void DelAllItems();
    int GetCount() const override { return static_cast<int>(items_.size()); }
    std::string GetItemText(int index) const;
    bool SetItemText(int index, const std::string& name);
    std::intptr_t GetItemData(int index, std::intptr_t none = -1) const;
    std::intptr_t GetCurData(std::intptr_t none = -1) const { return GetItemData(GetCurSel(), none); }
    int FindData(std::intptr_t data) const;
    int GetLinkCount(int index) const;
    // Shows `count` for the macro whose data is `data`; false when none has it.
    bool SetLinkCount(std::intptr_t data, int count);
    // Every shown count back to 0.
    void ResetLinkCount();

protected:
    void PaintRow(QPainter& painter, const QRect& box, int index, bool selected) override;
    void OnItemButton(int index) override;
    void OnItemActivated(int) override {}

private:
    struct Item {
        QString name;
        int linkCount = 0;
        std::intptr_t data = 0;
    };
    std::vector<Item> items_;
};

// One entry of the macro record list.
struct RecordItem {
    std::string desc;
    int type = 0;  // 2 key down, 3 key up, 4 mouse down, 5 mouse up
    int value = 0;
    int delay = 0;
    bool operator==(const RecordItem&) const = default;
};

// The record list of the macro page: rows of a type icon, the description
// and the delay. Reports 1 when the user selects another row and 3 when a row
// is double-clicked or its button clicked (wparam: row).
class CRecordList : public RowList {
    Q_OBJECT
public:
    CRecordList(MDialog* dialog, int id);
    const char* ClassName() const override { return "CRecordList"; }

    int AddString(const std::string& desc, int type, int value, int delay);
    // Inserts before `index` (index == count appends; out of range is clamped).
    int InsertString(int index, const std::string& desc, int type, int value, int delay);
    bool ModifyString(int index, const std::string& desc, int type, int value, int delay);
    bool DeleteString(int index);
    void DelAllItems();
    int GetCount() const override { return static_cast<int>(items_.size()); }
    // The delay of the last record; nothing when the list is empty.
    void UpdateDelayTime(int delay);
    bool GetRecordItem(int index, RecordItem& item) const;
    const std::vector<RecordItem>& GetRecordItems() const { return items_; }
    // Icons of the types 2, 3, 4 and 5 (image names or full paths); drawn
    // arrows stand in for missing files.
    void SetTypeIcons(const std::array<std::string, 4>& images);

protected:
    void PaintRow(QPainter& painter, const QRect& box, int index, bool selected) override;
    void OnItemButton(int index) override;
    void OnItemActivated(int index) override { OnItemButton(index); }

private:
    std::vector<RecordItem> items_;
    std::array<std::string, 4> icons_;
};

}  // namespace vantora
