#include "ui/capture/key_capture_service.h"

#include <QGuiApplication>

#include "platform/x11_raw_keys.h"
#include "ui/capture/capture_decoder.h"

namespace vantora {

KeyCaptureService::KeyCaptureService(QObject* parent)
    : QObject(parent), raw_(std::make_unique<RawKeyListener>()) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        rawDisplay_ = std::string();
    }
}

KeyCaptureService::~KeyCaptureService() {
    // The listener ends before the object: nothing is queued to it afterwards,
    // and what was queued goes with it.
    raw_->Stop();
}

void KeyCaptureService::Arm(Sink sink) {
    Disarm();
    sink_ = std::move(sink);
    armed_ = true;
    const std::uint64_t arming = ++arming_;
    if (rawDisplay_) {
        // Runs on the listener's thread: only the queued call touches members.
        raw_->Start(
            [this, arming](const DecodedKey& key, bool isUp) {
                QMetaObject::invokeMethod(
                    this, [this, arming, key, isUp] { DeliverRaw(arming, key, isUp); }, Qt::QueuedConnection);
            },
            *rawDisplay_);
    }
}

void KeyCaptureService::Disarm() {
    raw_->Stop();
    armed_ = false;
    sink_ = nullptr;
}

bool KeyCaptureService::RawKeysServe() const {
    return armed_ && raw_->IsRunning();
}

bool KeyCaptureService::Feed(const CaptureKey& key) {
    if (!armed_ || RawKeysServe() || (key.isUp && key.autoRepeat)) {
        return false;
    }
    int code = 0;
    std::string name;
    if (!DecodeCaptureKey(key, code, name) || name.empty()) {
        return false;
    }
    const Sink sink = sink_;  // the sink may arm another target
    sink(DecodedKey{static_cast<unsigned>(code), std::move(name)}, key.isUp);
    return true;
}

void KeyCaptureService::DeliverRaw(std::uint64_t arming, const DecodedKey& key, bool isUp) {
    if (!armed_ || arming != arming_) {
        return;
    }
    const Sink sink = sink_;
    sink(key, isUp);
}

}  // namespace vantora
