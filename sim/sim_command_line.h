#pragma once

#include <string>
#include <vector>

#include "sim/sim_keyboard_server.h"

namespace vantora::sim {

// The options of vantora-kbd-sim.
struct SimCommandLine {
    SimKeyboardServer::Options server;
    bool help = false;
    bool configuredIds = false;  // print ConfiguredIdsLine and end
    bool window = false;         // show the keyboard in a window as well
};

// Parses the arguments (without the program name). Ids default to
// `defaultVendor` and `defaultProduct` (the "VID " and "PID " of config.ini).
// False with `error` for an unknown switch or a bad value.
bool ParseSimCommandLine(const std::vector<std::string>& args, const std::string& defaultVendor,
                         const std::string& defaultProduct, SimCommandLine& result, std::string& error);

// One command read from standard input.
struct SimCommand {
    enum class Kind { Press, Unplug, Plug, Dump, Quit, Empty, Invalid };
    Kind kind = Kind::Empty;
    int index = 0;
    bool fn = false;
};
SimCommand ParseSimCommand(const std::string& line);

// The ids the program looks for, as it reads them from the "VID " and "PID "
// texts of config.ini (ParseHexId): "vvvv pppp", lower-case hexadecimal of
// at least four digits each. Scripts ask for them with --configured-ids.
std::string ConfiguredIdsLine(const std::string& vendorText, const std::string& productText);

std::string SimUsage();

}  // namespace vantora::sim
