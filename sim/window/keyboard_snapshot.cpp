#include "sim/window/keyboard_snapshot.h"

namespace vantora::sim {

KeyboardSnapshot TakeSnapshot(SimKeyboardServer& server) {
    KeyboardSnapshot snapshot;
    server.WithFirmware([&snapshot](const KeyboardFirmware& firmware) {
        snapshot.settings = firmware.Settings();
        snapshot.keys = firmware.KeyTable();
        snapshot.defaultKeys = firmware.DefaultKeyTable();
        snapshot.keyColours = firmware.KeyColours();
        snapshot.musicFrame = firmware.MusicFrame();
        snapshot.inTransaction = firmware.InTransaction();
        snapshot.reportsReceived = firmware.ReportsReceived();
        snapshot.streamBlocksReceived = firmware.StreamBlocksReceived();
        snapshot.showsMusicFrame = firmware.ShowsMusicFrame();
    });
    snapshot.plugged = server.Plugged();
    return snapshot;
}

}  // namespace vantora::sim
