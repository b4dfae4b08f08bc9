#pragma once

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <memory>

namespace vantora::test {

// Runs `act` on the first visible window of type T once it is shown (by a
// ShowModal that is about to run). Polls the event loop every few ms.
template <class T>
void WhenShown(std::function<void(T*)> act) {
    auto timer = std::make_shared<QTimer>();
    timer->setInterval(5);
    QObject::connect(timer.get(), &QTimer::timeout, [timer, act] {
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* found = dynamic_cast<T*>(w); found != nullptr && found->isVisible()) {
                timer->stop();
                act(found);
                return;
            }
        }
    });
    timer->start();
}

}  // namespace vantora::test
