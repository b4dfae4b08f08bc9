#include "ui/capture/recording_key_filter.h"

#include <QCoreApplication>
#include <QKeyEvent>

namespace vantora {

RecordingKeyFilter::RecordingKeyFilter(QWidget* window, Take take) : window_(window), take_(std::move(take)) {
    QCoreApplication::instance()->installEventFilter(this);
}

RecordingKeyFilter::~RecordingKeyFilter() {
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->removeEventFilter(this);
    }
}

bool RecordingKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    if (!on_) {
        return false;
    }
    const QEvent::Type type = event->type();
    if (type != QEvent::KeyPress && type != QEvent::KeyRelease && type != QEvent::ShortcutOverride) {
        return false;
    }
    auto* widget = qobject_cast<QWidget*>(watched);
    if (widget == nullptr || window_ == nullptr || widget->window() != window_) {
        return false;
    }
    if (type == QEvent::ShortcutOverride) {
        event->accept();  // the key comes as a key event, which is taken below
        return true;
    }
    if (take_) {
        const Take take = take_;  // the taker may switch the filter off
        take(CaptureKeyOf(*static_cast<QKeyEvent*>(event)));
    }
    return true;
}

}  // namespace vantora
