#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace vantora::cli {

// The whole of vantoractl: parses `args` (without the program name), finds
// the running program or opens the keyboard itself, runs the verb, writes
// to `out` and `err` and returns the exit code.
int RunVantoraCtl(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace vantora::cli
