// vantora-usb-check: the whole USB path, run inside the test machine of
// tests/vm/run.sh against our keyboard model behind a USB gadget
// (vantora-kbd-gadget). The same jobs run first against the in-process
// simulated keyboard; the gadget must receive the same reports and end with
// the same tables. One line per check ("ok ..." or "FAIL ..."); the exit
// status is 1 when any check failed.
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <fstream>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <regex>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "db/records.h"
#include "device/clock.h"
#include "device/hid_device_manager.h"
#include "device/hidapi_backend.h"
#include "device/key_index.h"
#include "device/protocol.h"
#include "device/report_descriptor.h"
#include "keys/function_catalogue.h"
#include "platform/udev_hotplug_monitor.h"
#include "session/device_session.h"
#include "sim/in_process_backend.h"
#include "sim/keyboard_state.h"
#include "sync/device_worker.h"
#include "sync/sync_task.h"

namespace {

using namespace vantora;
using namespace std::chrono_literals;

constexpr std::uint16_t kVendorId = 0x1209;
constexpr std::uint16_t kProductId = 0x0001;
constexpr int kKeyCodeA = 4;    // HID usage of the A key
constexpr int kFunctionId = 7;  // the application function given to the key

struct Options {
    std::string programFolder;
    std::string work;
    std::string gadgetLog;
    std::string gadgetState;
    std::string control;
    std::string udcFile;
    std::string udc;
};

int gFailures = 0;

void Report(bool ok, const std::string& check, const std::string& detail = "") {
    std::printf("%s %s%s%s\n", ok ? "ok" : "FAIL", check.c_str(), detail.empty() ? "" : ": ", detail.c_str());
    std::fflush(stdout);
    gFailures += ok ? 0 : 1;
}

bool WaitUntil(const std::function<bool()>& done, std::chrono::milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

bool WriteText(const std::string& path, const std::string& text) {
    std::ofstream file(path);
    file << text;
    file.flush();
    return static_cast<bool>(file);
}

std::string ReadText(const std::string& path) {
    std::ifstream file(path);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

class Observer : public SessionObserver {
public:
    void OnConnectionChanged(bool connected) override {
        std::lock_guard lock(mutex_);
        (connected ? arrivals_ : removals_)++;
    }
    void OnKeyEvent(int functionId) override {
        std::lock_guard lock(mutex_);
        keyEvents_.push_back(functionId);
    }
    int Arrivals() {
        std::lock_guard lock(mutex_);
        return arrivals_;
    }
    int Removals() {
        std::lock_guard lock(mutex_);
        return removals_;
    }
    std::vector<int> KeyEvents() {
        std::lock_guard lock(mutex_);
        return keyEvents_;
    }

private:
    std::mutex mutex_;
    int arrivals_ = 0;
    int removals_ = 0;
    std::vector<int> keyEvents_;
};

// Queues a job and waits for its outcome; true when it was done.
bool QueueAndWait(DeviceSession& session, int task) {
    auto outcome = std::make_shared<std::promise<JobOutcome>>();
    auto future = outcome->get_future();
    session.Queue(task, [outcome](JobOutcome result) { outcome->set_value(result); });
    return future.wait_for(120s) == std::future_status::ready && future.get() == JobOutcome::kDone;
}

// The jobs of both runs: the initial load, then a key download that gives
// the A key an application function. True when both went through.
bool RunJobs(DeviceSession& session, std::string& detail) {
    if (!WaitUntil([&] { return session.Worker()->InitialLoadDone(); }, 120s)) {
        detail = "the initial load did not finish";
        return false;
    }
    KeyAssignment row;
    row.profile = session.CurrentSelection().profile.load();
    row.fn_layer = 0;
    row.key_code = kKeyCodeA;
    row.macro_type = kFunctionApplication;
    row.macro_value = kFunctionId;
    session.Database().SaveKeyAssignment(row);
    if (!QueueAndWait(session, SyncKeys)) {
        detail = "the key download did not go through";
        return false;
    }
    return true;
}

SessionOptions BaseOptions(const Options& options, const std::string& data) {
    SessionOptions session;
    session.programFolder = options.programFolder;
    session.dataFolder = data;
    return session;
}

struct Reference {
    std::vector<std::string> reports;  // hex of each report
    std::string state;
};

bool RunReference(const Options& options, Reference& reference) {
    auto backend = std::make_shared<sim::InProcessHidBackend>(SystemClock::Instance());
    auto keyboard = backend->AddKeyboard();
    SessionOptions sessionOptions = BaseOptions(options, options.work + "/reference");
    sessionOptions.backend = backend;
    sessionOptions.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
    sessionOptions.listenForEvents = false;
    Observer observer;
    DeviceSession session(sessionOptions, observer);
    session.Start();
    std::string detail;
    const bool ok = RunJobs(session, detail);
    session.Stop();
    static const char kDigits[] = "0123456789abcdef";
    for (const auto& report : keyboard->Received()) {
        std::string hex;
        for (std::uint8_t byte : report) {
            hex += kDigits[byte >> 4];
            hex += kDigits[byte & 0x0F];
        }
        reference.reports.push_back(hex);
    }
    reference.state = keyboard->WithFirmware(
        [](sim::KeyboardFirmware& firmware) { return sim::KeyboardStateJson(firmware, true); });
    Report(ok, "the same jobs against the simulated keyboard",
           ok ? std::to_string(reference.reports.size()) + " reports" : detail);
    return ok;
}

// The gadget's log: one "<length> <hex>" line per report it received.
struct Received {
    std::vector<std::size_t> lengths;
    std::vector<std::string> reports;
};

Received ReadGadgetLog(const std::string& path) {
    Received received;
    std::istringstream lines(ReadText(path));
    std::string line;
    while (std::getline(lines, line)) {
        std::istringstream fields(line);
        std::size_t length = 0;
        std::string hex;
        fields >> length >> hex;
        received.lengths.push_back(length);
        received.reports.push_back(hex);
    }
    return received;
}

// Waits until the gadget has received nothing for a while, then reads its log.
Received ReadSettledGadgetLog(const std::string& path) {
    std::size_t count = ReadGadgetLog(path).lengths.size();
    for (int quiet = 0; quiet < 10;) {
        std::this_thread::sleep_for(300ms);
        const std::size_t now = ReadGadgetLog(path).lengths.size();
        quiet = now == count ? quiet + 1 : 0;
        count = now;
    }
    return ReadGadgetLog(path);
}

std::vector<std::string> WithoutResends(const std::vector<std::string>& reports) {
    std::vector<std::string> kept;
    for (const auto& report : reports) {
        if (kept.empty() || kept.back() != report) {
            kept.push_back(report);
        }
    }
    return kept;
}

// The keyboard's state without its count of received reports.
std::string Tables(const std::string& state) {
    return std::regex_replace(state, std::regex("\"reports_received\":[0-9]+"), "");
}

void CheckLengths(const Received& received, const std::string& when) {
    std::size_t wrong = 0;
    std::size_t example = 0;
    for (std::size_t length : received.lengths) {
        if (length != protocol::kReportSize) {
            ++wrong;
            example = length;
        }
    }
    Report(wrong == 0 && !received.lengths.empty(),
           "every report the gadget received was 64 bytes (" + when + ")",
           std::to_string(received.lengths.size()) + " reports" +
               (wrong > 0 ? ", " + std::to_string(wrong) + " of " + std::to_string(example) + " bytes" : ""));
}

bool ParseArguments(int argc, char** argv, Options& options) {
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string arg = argv[i];
        const std::string value = argv[i + 1];
        if (arg == "--program") {
            options.programFolder = value;
        } else if (arg == "--work") {
            options.work = value;
        } else if (arg == "--gadget-log") {
            options.gadgetLog = value;
        } else if (arg == "--gadget-state") {
            options.gadgetState = value;
        } else if (arg == "--control") {
            options.control = value;
        } else if (arg == "--udc-file") {
            options.udcFile = value;
        } else if (arg == "--udc") {
            options.udc = value;
        } else {
            return false;
        }
    }
    return argc % 2 == 1 && !options.programFolder.empty() && !options.work.empty() &&
           !options.gadgetLog.empty() && !options.gadgetState.empty() && !options.control.empty() &&
           !options.udcFile.empty() && !options.udc.empty();
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (!ParseArguments(argc, argv, options)) {
        std::fputs(
            "usage: vantora-usb-check --program DIR --work DIR --gadget-log FILE --gadget-state FILE\n"
            "                         --control FIFO --udc-file FILE --udc NAME\n",
            stderr);
        return 2;
    }

    Reference reference;
    RunReference(options, reference);

    auto hidapi = std::make_shared<HidapiBackend>();
    std::string commandPath;
    std::uint16_t release = 0;
    for (const auto& info : hidapi->Enumerate(kVendorId, kProductId)) {
        if (info.interfaceNumber == protocol::kCommandInterface) {
            commandPath = info.path;
            release = info.releaseNumber;
        }
    }
    char releaseText[8];
    std::snprintf(releaseText, sizeof releaseText, "%04x", release);
    Report(!commandPath.empty(), "enumeration finds interface 2 of 1209:0001",
           commandPath.empty() ? "not found" : commandPath + ", release " + releaseText);

    std::vector<std::uint8_t> descriptor;
    auto handle = commandPath.empty() ? nullptr : hidapi->OpenPath(commandPath);
    const bool accepted =
        handle && handle->GetReportDescriptor(descriptor) && HasProtocolReportLengths(descriptor);
    handle.reset();
    Report(accepted, "the report descriptor check accepts interface 2",
           std::to_string(descriptor.size()) + " descriptor bytes");

    SessionOptions sessionOptions = BaseOptions(options, options.work + "/real");
    sessionOptions.backend = hidapi;
    sessionOptions.hotplugSources = [] {
        std::vector<std::unique_ptr<HotplugSource>> sources;
        sources.push_back(std::make_unique<UdevHotplugMonitor>());
        return sources;
    };
    Observer observer;
    DeviceSession session(sessionOptions, observer);
    session.Start();
    std::string detail;
    const bool jobsOk = RunJobs(session, detail);
    Report(jobsOk, "the initial load and a key download go through", detail);

    const Received received = ReadSettledGadgetLog(options.gadgetLog);
    // A request whose answer came later than the exchange waits is sent
    // again, byte for byte; the emulated machine is slow enough for that.
    const std::vector<std::string> gadgetReports = WithoutResends(received.reports);
    const std::vector<std::string> referenceReports = WithoutResends(reference.reports);
    const std::size_t resends = received.reports.size() - gadgetReports.size();
    std::size_t firstDifference = 0;
    while (firstDifference < gadgetReports.size() && firstDifference < referenceReports.size() &&
           gadgetReports[firstDifference] == referenceReports[firstDifference]) {
        ++firstDifference;
    }
    const bool sameReports = gadgetReports == referenceReports && !gadgetReports.empty();
    Report(sameReports, "the gadget received the simulator run's report sequence",
           std::to_string(gadgetReports.size()) + " reports, " + std::to_string(resends) + " sent again" +
               (sameReports ? "" : ", first difference at report " + std::to_string(firstDifference)));
    if (!sameReports) {
        // The headers (marker, command, reserved, checksum, length, offset) from the difference on.
        for (std::size_t i = firstDifference > 2 ? firstDifference - 2 : 0;
             i < gadgetReports.size() || i < referenceReports.size(); ++i) {
            auto head = [i](const std::vector<std::string>& reports) {
                return i < reports.size() ? reports[i].substr(0, 16) : std::string("-");
            };
            std::printf("  report %zu: gadget %s, simulator %s\n", i, head(gadgetReports).c_str(),
                        head(referenceReports).c_str());
        }
    }
    const bool sameTables = Tables(ReadText(options.gadgetState)) == Tables(reference.state);
    Report(sameTables, "the gadget's keyboard model ends with the expected tables");
    CheckLengths(received, "load and download");

    WriteText(options.control, "press " + std::to_string(KeyCodeToIndex(kKeyCodeA)) + "\n");
    const bool event = WaitUntil(
        [&] {
            for (int id : observer.KeyEvents()) {
                if (id == kFunctionId) {
                    return true;
                }
            }
            return false;
        },
        10s);
    Report(event, "the event report of a key press arrives through the listener");

    const char* detection =
        UdevHotplugMonitor::UdevdRunning() ? "by the udev monitor" : "by the kernel's events (no udevd)";
    const int removals = observer.Removals();
    const bool unbound = WriteText(options.udcFile, "\n");
    const bool unplugSeen =
        unbound && WaitUntil([&] { return observer.Removals() > removals; }, 20s) && !session.IsConnected();
    Report(unplugSeen, "unplug is seen", unbound ? detection : "the gadget could not be unbound");
    const int arrivals = observer.Arrivals();
    const bool bound = WriteText(options.udcFile, options.udc + "\n");
    const bool plugSeen =
        bound && WaitUntil([&] { return observer.Arrivals() > arrivals && session.IsConnected(); }, 30s);
    Report(plugSeen, "plug is seen", bound ? detection : "the gadget could not be bound");

    // The keyboard opened again takes a download.
    const bool downloadAgain = plugSeen && QueueAndWait(session, SyncKeys);
    Report(downloadAgain, "a key download goes through after plugging in again");
    CheckLengths(ReadSettledGadgetLog(options.gadgetLog), "after plugging in again");
    session.Stop();
    HidapiBackend::Shutdown();
    std::printf("%s: %d failed\n", gFailures == 0 ? "all checks passed" : "checks failed", gFailures);
    return gFailures == 0 ? 0 : 1;
}
