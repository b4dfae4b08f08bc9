#include "cli/bus_calls.h"

#include <string_view>

namespace vantora::cli {

std::string BusErrorName(int exitCode) {
    const char* name = nullptr;
    switch (exitCode) {
        case kExitOk:
            return {};
        case kExitUsage:
            name = "Usage";
            break;
        case kExitNotFound:
            name = "NotFound";
            break;
        case kExitNoKeyboard:
            name = "NoKeyboard";
            break;
        case kExitKeyboardFailed:
            name = "KeyboardFailed";
            break;
        case kExitRefused:
            name = "Refused";
            break;
        case kExitNoDatabase:
            name = "NoDatabase";
            break;
        case kExitFile:
            name = "File";
            break;
        case kExitBusy:
            name = "Busy";
            break;
        default:
            name = "KeyboardFailed";  // no other code is made
            break;
    }
    return std::string("io.github.vantora.Vantora1.Error.") + name;
}

CtlResult RunBusCommand(std::vector<std::string> args, CtlContext& context) {
    args.insert(args.begin(), "--json");
    Command command;
    std::string error;
    if (!ParseCommand(args, command, error)) {
        return Failure(kExitUsage, error, true);
    }
    if (command.verb == Verb::kHelp || command.verb == Verb::kDevices) {
        return Failure(kExitUsage, "not a verb of the interface", true);
    }
    command.verbose = false;
    return RunCommand(command, context);
}

std::string BusErrorMessage(const CtlResult& result) {
    std::string_view text = result.err;
    constexpr std::string_view prefix = "vantoractl: ";
    if (text.substr(0, prefix.size()) == prefix) {
        text.remove_prefix(prefix.size());
    }
    while (!text.empty() && text.back() == '\n') {
        text.remove_suffix(1);
    }
    return std::string(text);
}

}  // namespace vantora::cli
