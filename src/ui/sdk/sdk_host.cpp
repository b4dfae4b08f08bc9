#include "ui/sdk/sdk_host.h"

#include "session/device_session.h"
#include "sync/device_worker.h"

namespace vantora {

SdkHost::SdkHost(DeviceSession& session, std::function<bool()> musicStreaming,
                 std::function<void()> lightingChanged, QObject* parent)
    : QObject(parent),
      session_(session),
      musicStreaming_(std::move(musicStreaming)),
      keyboard_(session, std::move(lightingChanged)),
      server_(keyboard_) {
    hold_.setSingleShot(true);
    hold_.setInterval(static_cast<int>(DeviceWorker::kDirectHoldMs));
    connect(&hold_, &QTimer::timeout, this, &SdkHost::GiveKeysBack);
    connect(&server_, &SdkServer::LedsSent, this, &SdkHost::FramesArrived);
    connect(&server_, &SdkServer::ClientsChanged, this, &SdkHost::ClientsChanged);
}

bool SdkHost::Apply(const SdkServerSettings& settings) {
    const bool same = settings == settings_ && server_.IsListening() == settings.enabled;
    settings_ = settings;
    if (same) {
        return true;
    }
    if (!settings.enabled) {
        server_.Close();
        return true;
    }
    server_.SetController(keyboard_.Describe());
    return server_.Listen(static_cast<quint16>(settings.port));
}

void SdkHost::KeyboardChanged() {
    if (server_.IsListening()) {
        server_.SetController(keyboard_.Describe());
    }
}

void SdkHost::FramesArrived() {
    hold_.start();
    if (!driving_) {
        driving_ = true;
        emit DrivingChanged(true);
    }
}

void SdkHost::GiveKeysBack() {
    hold_.stop();
    if (!driving_) {
        return;
    }
    driving_ = false;
    if (DeviceWorker* worker = session_.Worker()) {
        worker->EndDirectFrames();
    }
    if (!musicStreaming_() && session_.IsConnected()) {
        session_.Queue(SyncSettings);  // the keyboard shows its light mode again
    }
    emit DrivingChanged(false);
}

void SdkHost::ClientsChanged() {
    if (server_.ClientCount() == 0) {
        GiveKeysBack();
    }
}

}  // namespace vantora
