#pragma once

#include <functional>
#include <string>

#include "sim/sim_keyboard_server.h"

namespace vantora::sim {

// Runs the simulated keyboard's window for `server` until the window is
// closed or `runCommand` ends the simulator. Lines of standard input are
// read on a thread of their own and handed to `runCommand` one by one on the
// window's thread; it answers false to end (after "quit"). The end of
// standard input ends the simulator as well, and returns the exit status.
// Closing the window unplugs the keyboard and ends the process at once (the
// reading thread may be blocked in its read).
int RunSimWindow(SimKeyboardServer& server, int argc, char** argv,
                 const std::function<bool(const std::string&)>& runCommand);

}  // namespace vantora::sim
