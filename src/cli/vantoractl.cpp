#include "cli/vantoractl.h"

#include <optional>

#include "app/config.h"
#include "app/folders.h"
#include "app/language.h"
#include "cli/ctl_runner.h"
#include "cli/device_list.h"
#include "cli/keyboard_links.h"
#include "cli/terminal_text.h"
#include "device/debug_log.h"
#include "device/default_hid_backend.h"
#include "device/hid_device_manager.h"
#include "i18n/strings.h"
#include "keys/profile_names.h"
#include "layouts/keyboard_layout.h"
#include "platform/instance_paths.h"
#include "platform/process_lock.h"
#include "session/device_session.h"

namespace vantora::cli {
namespace {

// Two vantoractl that would write to the keyboard wait for each other.
constexpr int kKeyboardLockWaitMs = 120000;

// The one place output leaves: text is made safe for a terminal (names and
// labels were escaped and cut where they were put in; this catches every
// other control character, say in an argument echoed in a message). JSON
// goes out as its writer made it.
int Finish(const CtlResult& result, std::ostream& out, std::ostream& err, bool json) {
    out << (json ? result.out : TerminalLines(result.out));
    err << TerminalLines(result.err);
    return result.exitCode;
}

CtlResult NoDatabase(const std::string& folder, bool json) {
    return Failure(kExitNoDatabase, "The database in " + folder + "db/ could not be opened or created.",
                   json);
}

// Why an opened database cannot be used: it stayed busy while the first
// start's rows were made, or it could not be opened.
std::optional<CtlResult> Unusable(ProfileDatabase& db, bool opened, const std::vector<ProfileItem>& profiles,
                                  const std::string& folder, bool json) {
    if ((!opened || profiles.empty()) && db.LastChangeWasBusy()) {
        return BusyFailure(json);
    }
    if (!opened) {
        return NoDatabase(folder, json);
    }
    return std::nullopt;
}

// The database alone, with the first-start rows the program makes; the
// failure to report when it cannot be used.
std::optional<CtlResult> OpenDatabase(ProfileDatabase& db, Selection& selection,
                                      const std::string& dataFolder, bool json) {
    EnsureDataFolder(dataFolder);
    const bool opened = db.OpenProfileDatabase(dataFolder, "kb_data");
    std::vector<ProfileItem> list;
    if (opened) {
        db.ListProfilesCreatingDefaults(list, DefaultProfileWord());
    }
    if (auto failure = Unusable(db, opened, list, dataFolder, json)) {
        return failure;
    }
    selection.profile = db.GetActiveProfile();
    return std::nullopt;
}

}  // namespace

int RunVantoraCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    Command command;
    std::string error;
    if (!ParseCommand(args, command, error)) {
        CtlResult failure = Failure(kExitUsage, error, command.json);
        failure.err += UsageLine();
        return Finish(failure, out, err, command.json);
    }
    if (command.verb == Verb::kHelp) {
        out << HelpText();
        return kExitOk;
    }
    if (command.verbose) {
        debug_log::SetEnabled(true);
    }
    const std::string programFolder = GetExeFolder();
    const std::string dataFolder = GetDataFolder();
    const std::string configFile = programFolder + "config.ini";
    if (command.verb == Verb::kDevices) {
        if (command.rule) {
            return Finish(RuleResult(command.ruleVendorId, command.ruleProductId, command.json), out, err,
                          command.json);
        }
        const int vendorId = ParseHexId(ReadConfigStringFrom(configFile, "VID "));
        const int productId = ParseHexId(ReadConfigStringFrom(configFile, "PID "));
        const auto backend = CreateDefaultHidBackend();
        return Finish(
            DevicesResult(ListInterfaces(*backend, vendorId, productId), vendorId, productId, command.json),
            out, err, command.json);
    }
    CurrentUiLanguage = ChooseLanguage(configFile);
    const std::string layoutName = LayoutNameForNumber(ReadConfigIntFrom(configFile, "LAYOUT"));
    const bool keyVerb =
        command.verb == Verb::kKeyList || command.verb == Verb::kKeySet || command.verb == Verb::kLightKeys;
    const bool perKey = ReadConfigIntFrom(configFile, "PER_KEY") == 1;
    const std::vector<KeyboardKey> keys =
        keyVerb ? KeyboardKeys(LoadKeyboardLayoutFrom(programFolder)) : std::vector<KeyboardKey>{};

    // The running program does the keyboard work: only one process talks
    // to a keyboard.
    // An unsafe runtime folder (another user's) is not used: no socket
    // there is trusted, and no lock can be taken there.
    std::string folderError;
    const std::string socketPath = InstanceSocketPath(&folderError);
    LineSocket program;
    std::string socketError;
    const bool programAnswers =
        ShownByProgram(command.verb) && !socketPath.empty() && program.Connect(socketPath, &socketError);
    // A socket served by another user is not our program: refused, and not
    // taken for "no program runs" either.
    if (!socketError.empty()) {
        return Finish(
            Failure(kExitKeyboardFailed, "The program cannot be reached: " + socketError + ".", command.json),
            out, err, command.json);
    }
    if (programAnswers) {
        ProfileDatabase db;
        Selection selection;
        if (auto failure = OpenDatabase(db, selection, dataFolder, command.json)) {
            return Finish(*failure, out, err, command.json);
        }
        ProgramKeyboard keyboard(program);
        CtlContext context{db, selection, &keyboard, layoutName, CurrentUiLanguage.load(), keys, perKey};
        return Finish(RunCommand(command, context), out, err, command.json);
    }
    if (!NeedsKeyboard(command.verb)) {
        ProfileDatabase db;
        Selection selection;
        if (auto failure = OpenDatabase(db, selection, dataFolder, command.json)) {
            return Finish(*failure, out, err, command.json);
        }
        CtlContext context{db, selection, nullptr, layoutName, CurrentUiLanguage.load(), keys, perKey};
        return Finish(RunCommand(command, context), out, err, command.json);
    }

    ProcessLock lock;
    if (ChangesStoredData(command.verb) && socketPath.empty()) {
        return Finish(Failure(kExitKeyboardFailed, folderError, command.json), out, err, command.json);
    }
    if (ChangesStoredData(command.verb)) {
        const LockResult locked = lock.Acquire(KeyboardLockPath(), kKeyboardLockWaitMs);
        if (locked.status == LockResult::Status::kBusy) {
            return Finish(
                Failure(kExitKeyboardFailed, "Another vantoractl keeps the keyboard busy.", command.json),
                out, err, command.json);
        }
        if (!locked.Held()) {
            return Finish(Failure(kExitKeyboardFailed,
                                  "The keyboard cannot be reserved for this change: " + locked.error + ".",
                                  command.json),
                          out, err, command.json);
        }
    }
    SessionOptions options;
    options.programFolder = programFolder;
    options.dataFolder = dataFolder;
    options.initialLoad = false;
    options.listenForEvents = false;
    options.startWorker = false;
    options.hotplugSources = [] { return std::vector<std::unique_ptr<HotplugSource>>{}; };
    SessionObserver quiet;
    DeviceSession session(options, quiet);
    const bool opened = session.Start();
    const ProfileListData profiles = opened ? session.LoadProfiles() : ProfileListData{};
    if (auto failure = Unusable(session.Database(), opened, profiles.profiles, dataFolder, command.json)) {
        return Finish(*failure, out, err, command.json);
    }
    SessionKeyboard keyboard(session);
    CtlContext context{session.Database(),
                       session.CurrentSelection(),
                       &keyboard,
                       layoutName,
                       CurrentUiLanguage.load(),
                       keys,
                       perKey};
    const int code = Finish(RunCommand(command, context), out, err, command.json);
    session.Stop();
    return code;
}

}  // namespace vantora::cli
