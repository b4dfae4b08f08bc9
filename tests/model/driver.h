#pragma once

// The real program's core as the model test drives it: a device session on
// a database in a temporary folder, the in-process simulated keyboard in
// virtual time, and the command line's verbs run in this process on that
// session, as vantoractl runs them on its own.

#include <sqlite3.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "cli/ctl_runner.h"
#include "session/device_session.h"
#include "session/profile_switcher.h"
#include "sim/in_process_backend.h"
#include "support/fake_clock.h"
#include "support/manual_hotplug.h"

namespace vantora::model {

// What the session tells that the test looks at: the slots of key presses.
class PressObserver : public SessionObserver {
public:
    void OnKeyEvent(int slot) override;
    // The slot of the next press told, waiting for it in real time; none
    // after `milliseconds`.
    std::optional<int> TakePress(int milliseconds);

private:
    std::mutex mutex_;
    std::condition_variable told_;
    std::vector<int> slots_;
};

// Virtual time that lets the program's threads breathe: every wait takes a
// fifth of a real millisecond, so an idle worker does not spin and a
// download costs a few real milliseconds, whatever its virtual waits.
class BriefClock : public test::FakeClock {
public:
    void SleepMs(int ms) override;
};

class System {
public:
    // A fresh database in `dataFolder`; the keyboard plugged in and loaded.
    explicit System(std::string dataFolder);
    ~System();

    // One command line (without the program's name), in this process.
    cli::CtlResult Ctl(const std::vector<std::string>& args);
    void Unplug();
    void Plug();
    // The program ends and starts again on the same database.
    void Restart();
    // Waits until every job queued so far has run.
    void Settle();
    // A press on the keyboard: the host-side row the program runs for it
    // (0 when it runs none), or none when the keyboard sent no event.
    std::optional<int> Press(int keyIndex, bool fn);

    // The next download the keyboard refuses (or never answers).
    void SetKeyboardFaults(const sim::FirmwareFaults& faults) { keyboard_->SetFaults(faults); }
    // Another program keeps a write transaction open on the database.
    void HoldDatabase(bool held);
    // What selects the profile for the application in front, on this
    // session and its clock (made again after a restart).
    ProfileSwitcher& Switcher();
    void AdvanceClock(int ms) { clock_.Advance(static_cast<std::uint64_t>(ms)); }

    bool Connected() const { return plugged_; }
    DeviceSession& Session() { return *session_; }
    sim::InProcessKeyboard& Keyboard() { return *keyboard_; }
    // Every row of every table, as text, in a fixed order.
    std::string DumpDatabase();

private:
    void StartSession();
    void Fire(DeviceChange::Kind kind);

    std::string dataFolder_;
    BriefClock clock_;
    std::unique_ptr<ProfileSwitcher> switcher_;
    std::shared_ptr<sim::InProcessHidBackend> backend_;
    std::shared_ptr<sim::InProcessKeyboard> keyboard_;
    PressObserver observer_;
    test::ManualHotplug* hotplug_ = nullptr;
    std::unique_ptr<DeviceSession> session_;
    std::vector<cli::KeyboardKey> keys_;
    sqlite3* holder_ = nullptr;
    bool plugged_ = true;
};

}  // namespace vantora::model
