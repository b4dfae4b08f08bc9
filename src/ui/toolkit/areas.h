#pragma once

#include "ui/toolkit/mcontrol.h"

#include <vector>

namespace vantora {

// A picture: the named skin image, or the skin's own drawing when the image
// is absent ("logo.png" draws the emblem and product word; background and
// panel names draw a dark panel; anything else draws nothing).
class MPicture : public MControl {
    Q_OBJECT
public:
    MPicture(MDialog* dialog, int id);
    const char* ClassName() const override { return "MPicture"; }
    void SetImage(const std::string& name, int mode = kImageStretch) override;
    // The picture's own size: the image's size, or the drawn stand-in's.
    QSize GetImageSize() const;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A line of text; passive.
class MText : public MControl {
    Q_OBJECT
public:
    MText(MDialog* dialog, int id);
    const char* ClassName() const override { return "MText"; }

protected:
    void paintEvent(QPaintEvent* event) override;
};

// A page or sub-page container: hiding it hides every control it holds
// (their own visibility is kept and comes back with the container).
class MTabLayout : public MControl {
    Q_OBJECT
public:
    MTabLayout(MDialog* dialog, int id);
    ~MTabLayout() override;
    const char* ClassName() const override { return "MTabLayout"; }
    const std::vector<QPointer<MControl>>& Children() const { return children_; }

protected:
    void ApplyVisibility() override;

private:
    friend class MControl;
    void AddChild(MControl* child);
    void RemoveChild(MControl* child);
    std::vector<QPointer<MControl>> children_;
};

}  // namespace vantora
