#pragma once

#include <string>
#include <vector>

#include "cli/ctl_runner.h"

namespace vantora::cli {

// The D-Bus interface's calls run as vantoractl's verbs, so that a call and
// the command line behave alike.

// The error name an exit code stands for, e.g.
// "io.github.vantora.Vantora1.Error.NoKeyboard"; empty for kExitOk.
std::string BusErrorName(int exitCode);

// Runs vantoractl's arguments (without the program name) with --json. A
// caller puts "--" before words it did not choose (names, paths), so that
// none of them passes for an option.
// Verbs that are not the interface's (help, devices) and bad arguments end
// with kExitUsage.
CtlResult RunBusCommand(std::vector<std::string> args, CtlContext& context);

// The failure's message for a D-Bus error: standard error without the
// program's prefix and the last line break.
std::string BusErrorMessage(const CtlResult& result);

}  // namespace vantora::cli
