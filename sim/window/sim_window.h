#pragma once

#include <QTimer>
#include <QWidget>
#include <cstdint>
#include <string>
#include <vector>

#include "device/clock.h"
#include "layouts/keyboard_layout.h"
#include "sim/sim_keyboard_server.h"
#include "sim/window/key_labels.h"
#include "sim/window/keyboard_snapshot.h"

class QLabel;
class QPushButton;

namespace vantora::sim {

class KeyboardView;

// The simulated keyboard's window: the keyboard as it lights up, a status
// line, a toggle that holds Fn and buttons that unplug and plug it.
//
// It reads the keyboard only through snapshots taken under the model's lock:
// a slow poll while nothing moves, and every frame while the light mode
// animates. Music frames show for as long as the keyboard keeps them (until
// a settings block is written). Time comes from `clock`.
class SimWindow : public QWidget {
    Q_OBJECT
public:
    // How often the window looks at an idle keyboard, and the frame time
    // of animations.
    static constexpr int kPollMs = 250;
    static constexpr int kFrameMs = 40;

    SimWindow(SimKeyboardServer& server, const KeyboardLayout& layout, Clock& clock,
              QWidget* parent = nullptr);

    // Takes a snapshot now and updates what it changed (the timers call it).
    void Refresh();

    KeyboardView* View() const { return view_; }
    QPushButton* FnButton() const { return fnButton_; }
    QPushButton* UnplugButton() const { return unplugButton_; }
    QPushButton* PlugButton() const { return plugButton_; }
    QString StatusText() const;
    bool Animating() const { return frameTimer_.isActive(); }

private:
    void Press(int keyIndex);
    void UpdateLabels();
    void UpdateStatus();

    SimKeyboardServer& server_;
    Clock& clock_;
    std::vector<std::string> printedNames_;  // per layout key
    UsageNames usageNames_;
    KeyboardSnapshot snapshot_;
    bool haveSnapshot_ = false;
    bool musicShown_ = false;
    std::string plugError_;
    KeyboardView* view_ = nullptr;
    QLabel* status_ = nullptr;
    QPushButton* fnButton_ = nullptr;
    QPushButton* unplugButton_ = nullptr;
    QPushButton* plugButton_ = nullptr;
    QTimer pollTimer_;
    QTimer frameTimer_;
};

}  // namespace vantora::sim
