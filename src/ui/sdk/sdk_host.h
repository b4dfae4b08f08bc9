#pragma once

#include <QObject>
#include <QTimer>
#include <functional>

#include "app/sdk_server_settings.h"
#include "session/sdk_keyboard.h"
#include "ui/sdk/sdk_server.h"

namespace vantora {

class DeviceSession;

// The OpenRGB SDK server as the window runs it: started, moved or stopped
// when its settings change, told when the keyboard comes and goes, and the
// rule between a client's frames and the rest of the program:
// a client that sends LED colours holds the keys while it sends them; one
// second after its last frame (DeviceWorker::kDirectHoldMs), or at once when
// the last client goes, the keys are given back: the music mode streams
// again when its page is shown, otherwise the keyboard is sent its settings
// block and shows its light mode again.
class SdkHost : public QObject {
    Q_OBJECT
public:
    // `musicStreaming`: whether the music mode streams now; `lightingChanged`:
    // a client stored a lighting change (the LIGHT page shows it).
    SdkHost(DeviceSession& session, std::function<bool()> musicStreaming,
            std::function<void()> lightingChanged, QObject* parent = nullptr);

    // Starts, moves or stops the server; false when it is wanted but its
    // port is taken (it then stays off).
    bool Apply(const SdkServerSettings& settings);
    const SdkServerSettings& Settings() const { return settings_; }
    // The keyboard came, went or was loaded again: clients see it anew.
    void KeyboardChanged();
    // Whether a client's frames hold the keys now.
    bool Driving() const { return driving_; }
    SdkServer& Server() { return server_; }

signals:
    void DrivingChanged(bool driving);

private:
    void FramesArrived();
    void GiveKeysBack();
    void ClientsChanged();

    DeviceSession& session_;
    std::function<bool()> musicStreaming_;
    SdkKeyboard keyboard_;
    SdkServer server_;
    QTimer hold_;
    SdkServerSettings settings_;
    bool driving_ = false;
};

}  // namespace vantora
