#pragma once

#include "cli/ctl_runner.h"

namespace vantora::cli {

// Runs a "macro ..." command through MacroEditor and the macro exchange
// file, queueing the downloads the editor asks for. The caller has checked
// that a keyboard is there when the verb needs one.
CtlResult RunMacroCommand(const Command& command, CtlContext& context);

}  // namespace vantora::cli
