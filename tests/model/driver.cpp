#include "model/driver.h"

#include <chrono>
#include <future>
#include <sstream>
#include <thread>

#include "cli/ctl_command.h"
#include "cli/key_arguments.h"
#include "cli/keyboard_links.h"
#include "sync/device_worker.h"

namespace vantora::model {
namespace {

using namespace std::chrono_literals;

// A job code the worker does not know: it runs in turn and does nothing, so
// its end says that every job queued before it has run.
constexpr int kBarrierTask = 999;
// A change another program blocks is given up after this wait (the
// program's own wait is far longer; the outcome is the same).
constexpr int kBusyWaitMs = 20;

bool WaitFor(const std::function<bool()>& condition) {
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline) {
            return false;
        }
        std::this_thread::sleep_for(1ms);
    }
    return true;
}

}  // namespace

void BriefClock::SleepMs(int ms) {
    FakeClock::SleepMs(ms);
    std::this_thread::sleep_for(200us);
}

void PressObserver::OnKeyEvent(int slot) {
    std::lock_guard lock(mutex_);
    slots_.push_back(slot);
    told_.notify_all();
}

std::optional<int> PressObserver::TakePress(int milliseconds) {
    std::unique_lock lock(mutex_);
    if (!told_.wait_for(lock, std::chrono::milliseconds(milliseconds), [this] { return !slots_.empty(); })) {
        return std::nullopt;
    }
    const int slot = slots_.front();
    slots_.erase(slots_.begin());
    return slot;
}

System::System(std::string dataFolder)
    : dataFolder_(std::move(dataFolder)),
      backend_(std::make_shared<sim::InProcessHidBackend>(clock_)),
      keyboard_(backend_->AddKeyboard()) {
    StartSession();
    keys_ = cli::KeyboardKeys(session_->Layout());
}

System::~System() {
    HoldDatabase(false);
    switcher_.reset();
    if (session_) {
        session_->Stop();
    }
}

void System::StartSession() {
    SessionOptions options;
    options.programFolder = VANTORA_TEST_PROGRAM_FOLDER;
    options.dataFolder = dataFolder_;
    options.backend = backend_;
    options.clock = &clock_;
    options.hotplugSources = [this] {
        std::vector<std::unique_ptr<HotplugSource>> sources;
        auto source = std::make_unique<test::ManualHotplug>();
        hotplug_ = source.get();
        sources.push_back(std::move(source));
        return sources;
    };
    session_ = std::make_unique<DeviceSession>(std::move(options), observer_);
    session_->Start();
    session_->Database().SetBusyTimeout(kBusyWaitMs);
    if (plugged_) {
        WaitFor([this] { return session_->Worker()->InitialLoadDone(); });
    }
    Settle();
}

cli::CtlResult System::Ctl(const std::vector<std::string>& args) {
    cli::Command command;
    std::string error;
    if (!cli::ParseCommand(args, command, error)) {
        return cli::Failure(cli::kExitUsage, error, false);
    }
    cli::SessionKeyboard keyboard(*session_);
    cli::CtlContext context{session_->Database(),
                            session_->CurrentSelection(),
                            &keyboard,
                            session_->LayoutName(),
                            1033,
                            keys_,
                            true};
    cli::CtlResult result = cli::RunCommand(command, context);
    Settle();
    return result;
}

void System::Settle() {
    std::promise<void> ran;
    std::future<void> done = ran.get_future();
    session_->Queue(kBarrierTask, [&ran](JobOutcome) { ran.set_value(); });
    done.wait();
}

void System::Fire(DeviceChange::Kind kind) {
    DeviceChange change;
    change.kind = kind;
    change.path = sim::InProcessHidBackend::CommandPath(0);
    change.vendorId = 0x1209;
    change.productId = 0x0001;
    change.interfaceNumber = 2;
    hotplug_->Fire(change);
}

void System::Unplug() {
    keyboard_->Unplug();
    Fire(DeviceChange::Kind::Removal);
    plugged_ = false;
    Settle();
}

void System::Plug() {
    keyboard_->Plug();
    Fire(DeviceChange::Kind::Arrival);
    plugged_ = true;
    Settle();
}

ProfileSwitcher& System::Switcher() {
    if (!switcher_) {
        switcher_ = std::make_unique<ProfileSwitcher>(*session_, clock_);
    }
    return *switcher_;
}

void System::Restart() {
    switcher_.reset();
    session_->Stop();
    session_.reset();
    StartSession();
}

std::optional<int> System::Press(int keyIndex, bool fn) {
    if (!plugged_ || !keyboard_->Press(keyIndex, fn)) {
        return std::nullopt;
    }
    const std::optional<int> slot = observer_.TakePress(5000);
    if (!slot) {
        return std::nullopt;
    }
    return session_->HostIdForSlot(*slot);
}

void System::HoldDatabase(bool held) {
    if (held && holder_ == nullptr) {
        sqlite3_open(session_->Database().DatabasePath().c_str(), &holder_);
        sqlite3_exec(holder_, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    } else if (!held && holder_ != nullptr) {
        sqlite3_exec(holder_, "ROLLBACK", nullptr, nullptr, nullptr);
        sqlite3_close(holder_);
        holder_ = nullptr;
    }
}

std::string System::DumpDatabase() {
    sqlite3* db = nullptr;
    std::ostringstream out;
    if (sqlite3_open_v2(session_->Database().DatabasePath().c_str(), &db, SQLITE_OPEN_READONLY, nullptr) !=
        SQLITE_OK) {
        sqlite3_close(db);
        return "unreadable";
    }
    std::vector<std::string> tables;
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type='table' ORDER BY name", -1, &statement,
                       nullptr);
    while (sqlite3_step(statement) == SQLITE_ROW) {
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    for (const std::string& table : tables) {
        out << table << ":\n";
        sqlite3_prepare_v2(db, ("SELECT * FROM \"" + table + "\" ORDER BY rowid").c_str(), -1, &statement,
                           nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            for (int column = 0; column < sqlite3_column_count(statement); ++column) {
                const unsigned char* text = sqlite3_column_text(statement, column);
                out << (text != nullptr ? reinterpret_cast<const char*>(text) : "NULL") << '|';
            }
            out << '\n';
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return out.str();
}

}  // namespace vantora::model
