#pragma once

#include <QObject>
#include <QPointer>
#include <QWidget>
#include <functional>

#include "ui/toolkit/mdialog.h"

namespace vantora {

// While on, the key events of one window go to `take` instead of its
// widgets: nothing is typed, no button is pressed, Tab moves no focus and no
// shortcut fires (Tab then Space must not press Stop while a macro is being
// recorded). Installed on the application for the window's lifetime; off it
// costs a comparison per event.
class RecordingKeyFilter : public QObject {
    Q_OBJECT
public:
    using Take = std::function<void(const CaptureKey& key)>;

    RecordingKeyFilter(QWidget* window, Take take);
    ~RecordingKeyFilter() override;

    void SetOn(bool on) { on_ = on; }
    bool IsOn() const { return on_; }

    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QPointer<QWidget> window_;
    Take take_;
    bool on_ = false;
};

}  // namespace vantora
