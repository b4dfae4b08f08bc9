#pragma once

#include "cli/ctl_runner.h"

namespace vantora::cli {

// Runs a "profile rule ..." or "profile auto ..." command: the rules that
// select a profile for the application in front. They change only the
// database; the running program reads them at the next focus change.
CtlResult RunRuleCommand(const Command& command, CtlContext& context);

}  // namespace vantora::cli
