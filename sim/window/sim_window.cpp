#include "sim/window/sim_window.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "sim/window/key_lighting.h"
#include "sim/window/keyboard_view.h"

namespace vantora::sim {

SimWindow::SimWindow(SimKeyboardServer& server, const KeyboardLayout& layout, Clock& clock, QWidget* parent)
    : QWidget(parent), server_(server), clock_(clock) {
    for (const LayoutKey& key : layout.keys) {
        printedNames_.push_back(key.name);
        usageNames_.emplace(key.code, key.name);
    }
    view_ = new KeyboardView(layout, this);
    status_ = new QLabel(this);
    fnButton_ = new QPushButton(tr("Hold Fn"), this);
    fnButton_->setCheckable(true);
    unplugButton_ = new QPushButton(tr("Unplug"), this);
    plugButton_ = new QPushButton(tr("Plug in"), this);

    auto* controls = new QHBoxLayout;
    controls->addWidget(status_, 1);
    controls->addWidget(fnButton_);
    controls->addWidget(unplugButton_);
    controls->addWidget(plugButton_);
    auto* column = new QVBoxLayout(this);
    column->addWidget(view_, 1);
    column->addLayout(controls);

    connect(view_, &KeyboardView::KeyClicked, this, &SimWindow::Press);
    connect(fnButton_, &QPushButton::toggled, this, &SimWindow::UpdateLabels);
    connect(unplugButton_, &QPushButton::clicked, this, [this] {
        server_.Unplug();
        Refresh();
    });
    connect(plugButton_, &QPushButton::clicked, this, [this] {
        plugError_.clear();
        if (!server_.Plug(&plugError_) && plugError_.empty()) {
            plugError_ = "cannot plug in";
        }
        Refresh();
    });
    connect(&pollTimer_, &QTimer::timeout, this, &SimWindow::Refresh);
    connect(&frameTimer_, &QTimer::timeout, this, &SimWindow::Refresh);
    frameTimer_.setInterval(kFrameMs);
    frameTimer_.setTimerType(Qt::PreciseTimer);
    pollTimer_.start(kPollMs);
    Refresh();
}

void SimWindow::Press(int keyIndex) {
    server_.Press(keyIndex, fnButton_->isChecked());
}

void SimWindow::Refresh() {
    const std::uint64_t now = clock_.NowMs();
    KeyboardSnapshot next = TakeSnapshot(server_);
    const bool framesArrive = haveSnapshot_ && next.streamBlocksReceived != snapshot_.streamBlocksReceived;
    const bool changed = !haveSnapshot_ || next != snapshot_;
    const bool keysChanged =
        !haveSnapshot_ || next.keys != snapshot_.keys || next.defaultKeys != snapshot_.defaultKeys;
    snapshot_ = std::move(next);
    haveSnapshot_ = true;
    if (keysChanged) {
        UpdateLabels();
    }
    // Unplugged, the keyboard has no power: every key goes dark.
    // A streamed frame stays until the keyboard is given its light mode again.
    const bool music = snapshot_.plugged && snapshot_.showsMusicFrame;
    // Frames every frame time while they arrive, the slow poll once they stop.
    const bool animating = music ? framesArrive : snapshot_.plugged && LightAnimates(snapshot_.settings);
    if (changed || animating || frameTimer_.isActive()) {
        view_->SetLights(!snapshot_.plugged ? std::vector<Rgb>(view_->Places().size())
                         : music            ? MusicKeys(snapshot_.musicFrame, view_->Places())
                                 : LightKeys(snapshot_.settings, snapshot_.keyColours, view_->Places(), now));
    }
    musicShown_ = music;
    UpdateStatus();
    // Frames only while something moves: otherwise the slow poll is enough.
    if (animating && !frameTimer_.isActive()) {
        frameTimer_.start();
    } else if (!animating && frameTimer_.isActive()) {
        frameTimer_.stop();
    }
}

void SimWindow::UpdateLabels() {
    const bool fn = fnButton_->isChecked();
    const std::size_t layer = fn ? 3 : 0;
    std::vector<std::string> labels;
    const auto places = view_->Places();
    for (std::size_t i = 0; i < places.size(); ++i) {
        const int index = places[i].index;
        if (index < 0) {
            labels.push_back(printedNames_[i]);
            continue;
        }
        const std::size_t at = protocol::kKeySlotSize * static_cast<std::size_t>(index) + layer;
        labels.push_back(
            KeyFunctionLabel(std::span<const std::uint8_t, 3>(snapshot_.keys.data() + at, 3),
                             std::span<const std::uint8_t, 3>(snapshot_.defaultKeys.data() + at - layer, 3),
                             printedNames_[i], usageNames_));
    }
    view_->SetLabels(std::move(labels));
}

QString SimWindow::StatusText() const {
    QString text = snapshot_.plugged ? tr("Plugged in") : tr("Unplugged");
    if (!snapshot_.plugged && !plugError_.empty()) {
        text += " (" + QString::fromStdString(plugError_) + ")";
    }
    text += snapshot_.inTransaction ? tr(" · transaction running") : tr(" · no transaction");
    text += tr(" · reports received: %1").arg(snapshot_.reportsReceived);
    text += musicShown_                            ? tr(" · music frames")
            : snapshot_.settings[2] == kPerKeyMode ? tr(" · per-key colours")
                                                   : tr(" · light mode %1").arg(snapshot_.settings[2]);
    return text;
}

void SimWindow::UpdateStatus() {
    const QString text = StatusText();
    if (text != status_->text()) {
        status_->setText(text);
    }
    unplugButton_->setEnabled(snapshot_.plugged);
    plugButton_->setEnabled(!snapshot_.plugged);
}

}  // namespace vantora::sim
