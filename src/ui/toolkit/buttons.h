#pragma once

#include "ui/toolkit/mcontrol.h"

#include <QString>

namespace vantora {

// A push button with a title; a click reports 2.
class MButton : public MControl {
    Q_OBJECT
public:
    MButton(MDialog* dialog, int id);
    const char* ClassName() const override { return "MButton"; }
    // Simulated click (as the user's): reports 2 when enabled.
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    // What a click does before it is reported (checkable buttons change state).
    virtual void OnClicked() {}
    void PaintButtonFace(QPainter& painter, bool checked);
};

// A button shown by its image (or a drawn glyph); a click reports 2.
class CImageButton : public MButton {
    Q_OBJECT
public:
    using MButton::MButton;
    const char* ClassName() const override { return "CImageButton"; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A link-like text button; a click reports 2.
class CTextButton : public MButton {
    Q_OBJECT
public:
    using MButton::MButton;
    const char* ClassName() const override { return "CTextButton"; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A button with a check state (base of tabs, layer buttons, check boxes).
class CheckableButton : public MButton {
    Q_OBJECT
public:
    using MButton::MButton;
    virtual void SetCheck(bool on);
    bool GetCheck() const { return checked_; }

protected:
    bool checked_ = false;
};

// A page tab: a click checks it and reports 2 (the page decides the rest).
class CSelectButton : public CheckableButton {
    Q_OBJECT
public:
    using CheckableButton::CheckableButton;
    const char* ClassName() const override { return "CSelectButton"; }

protected:
    void OnClicked() override { SetCheck(true); }
    void paintEvent(QPaintEvent* event) override;
};

// The standard / FN layer button: like a tab, with a layer icon.
class LayerButton : public CheckableButton {
    Q_OBJECT
public:
    using CheckableButton::CheckableButton;
    const char* ClassName() const override { return "LayerButton"; }

protected:
    void OnClicked() override { SetCheck(true); }
    void paintEvent(QPaintEvent* event) override;
};

// A check box with its text; a click toggles it and reports 2.
class CCheckButton : public CheckableButton {
    Q_OBJECT
public:
    using CheckableButton::CheckableButton;
    const char* ClassName() const override { return "CCheckButton"; }
    // The tick image drawn inside the box when checked ("btn_checkbox_icon.png").
    void SetCheckImage(const std::string& name) { checkImage_ = name; }

protected:
    void OnClicked() override { SetCheck(!checked_); }
    void paintEvent(QPaintEvent* event) override;

private:
    std::string checkImage_;
};

// Buttons of a named group: checking one unchecks the others of the group.
class GroupButton : public CheckableButton {
    Q_OBJECT
public:
    using CheckableButton::CheckableButton;
    void SetGroupName(const std::string& name) { group_ = QString::fromStdString(name); }
    std::string GetGroupName() const { return group_.toStdString(); }
    const QString& GroupName() const { return group_; }
    void SetCheck(bool on) override;

protected:
    void OnClicked() override { SetCheck(true); }

private:
    QString group_;
};

// A radio button with its text.
class CRadioButton : public GroupButton {
    Q_OBJECT
public:
    using GroupButton::GroupButton;
    const char* ClassName() const override { return "CRadioButton"; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A colour swatch of a group; its colour is 0x00BBGGRR.
class CColorButton : public GroupButton {
    Q_OBJECT
public:
    using GroupButton::GroupButton;
    const char* ClassName() const override { return "CColorButton"; }
    void SetColor(std::uint32_t colorRef);
    std::uint32_t GetColor() const { return color_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::uint32_t color_ = 0;
};

}  // namespace vantora
