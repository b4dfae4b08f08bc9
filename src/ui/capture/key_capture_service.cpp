#include "ui/capture/key_capture_service.h"

#include <QGuiApplication>

#include "platform/evdev_keys.h"
#include "platform/x11_raw_keys.h"
#include "ui/capture/capture_decoder.h"

namespace vantora {

KeyCaptureService::KeyCaptureService(QObject* parent)
    : QObject(parent), raw_(std::make_unique<RawKeyListener>()), evdev_(std::make_unique<EvdevKeyReader>()) {
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
        rawDisplay_ = std::string();
    }
}

KeyCaptureService::~KeyCaptureService() {
    // The listener ends before the object: nothing is queued to it afterwards,
    // and what was queued goes with it.
    raw_->Stop();
    evdev_->Stop();
}

void KeyCaptureService::Arm(Sink sink) {
    Disarm();
    sink_ = std::move(sink);
    armed_ = true;
    const std::uint64_t arming = ++arming_;
    if (rawDisplay_) {
        raw_->Start([this, arming](const DecodedKey& key, bool isUp) { Queue(arming, key, isUp); },
                    *rawDisplay_);
    }
}

KeyCaptureService::KeyboardAccess KeyCaptureService::ArmFromKeyboard(Sink sink, std::uint16_t vendorId,
                                                                     std::uint16_t productId) {
    Disarm();
    const std::uint64_t arming = arming_ + 1;
    const EvdevKeyReader::Status status =
        evdev_->Start([this, arming](const DecodedKey& key, bool isUp) { Queue(arming, key, isUp); },
                      vendorId, productId, sysRoot_, devRoot_);
    if (status != EvdevKeyReader::Status::kReading) {
        Arm(std::move(sink));
        switch (status) {
            case EvdevKeyReader::Status::kNoNodes:
                return KeyboardAccess::kAbsent;
            case EvdevKeyReader::Status::kNoPermission:
                return KeyboardAccess::kDenied;
            default:
                return KeyboardAccess::kFailed;
        }
    }
    sink_ = std::move(sink);
    armed_ = true;
    arming_ = arming;
    return KeyboardAccess::kRead;
}

KeyCaptureService::Source KeyCaptureService::KeySource() const {
    if (armed_ && evdev_->IsRunning()) {
        return Source::kKeyboard;
    }
    return RawKeysServe() ? Source::kDesktop : Source::kWindow;
}

void KeyCaptureService::Disarm() {
    raw_->Stop();
    evdev_->Stop();
    armed_ = false;
    sink_ = nullptr;
}

bool KeyCaptureService::RawKeysServe() const {
    return armed_ && raw_->IsRunning();
}

bool KeyCaptureService::Feed(const CaptureKey& key) {
    if (!armed_ || KeySource() != Source::kWindow || (key.isUp && key.autoRepeat)) {
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

void KeyCaptureService::Queue(std::uint64_t arming, const DecodedKey& key, bool isUp) {
    // Runs on the listener's or reader's thread: only the queued call touches
    // members.
    QMetaObject::invokeMethod(
        this, [this, arming, key, isUp] { DeliverRaw(arming, key, isUp); }, Qt::QueuedConnection);
}

void KeyCaptureService::DeliverRaw(std::uint64_t arming, const DecodedKey& key, bool isUp) {
    if (!armed_ || arming != arming_) {
        return;
    }
    const Sink sink = sink_;
    sink(key, isUp);
}

}  // namespace vantora
