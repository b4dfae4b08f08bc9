// vantora-kbd-sim: runs one simulated keyboard until "quit" or the end of
// standard input. Every command is acknowledged with one line on standard
// output, so a script (or a test) can wait for it; a command that prints
// something ("dump") prints it before its acknowledgement. "vanished" is the
// only line nobody asked for.
#include <cstdio>
#include <iostream>
#include <mutex>
#include <string>
#include <vector>

#include "app/config.h"
#include "sim/sim_command_line.h"
#include "sim/sim_keyboard_server.h"
#ifdef VANTORA_SIM_WINDOW
#include "sim/window/sim_window_main.h"
#endif

namespace {

std::mutex gOutputMutex;

void Say(const std::string& line) {
    std::lock_guard lock(gOutputMutex);
    std::cout << line << std::endl;
}

std::string Hex(const vantora::sim::EventReport& event) {
    static const char kDigits[] = "0123456789abcdef";
    std::string text;
    for (std::size_t i = 0; i < 3; ++i) {
        if (i > 0) {
            text += ' ';
        }
        text += kDigits[event[i] >> 4];
        text += kDigits[event[i] & 0x0F];
    }
    return text;
}

// Runs one command line; false after "quit".
bool RunCommand(vantora::sim::SimKeyboardServer& server, const std::string& line) {
    using namespace vantora::sim;
    std::string error;
    SimCommand command = ParseSimCommand(line);
    switch (command.kind) {
        case SimCommand::Kind::Empty:
            break;
        case SimCommand::Kind::Invalid:
            Say("error: unknown command: " + line);
            break;
        case SimCommand::Kind::Press: {
            auto event = server.Press(command.index, command.fn);
            Say("pressed " + std::to_string(command.index) + (command.fn ? " fn " : " ") +
                (event ? Hex(*event) : std::string("none")));
            break;
        }
        case SimCommand::Kind::Unplug:
            server.Unplug();
            Say("unplugged");
            break;
        case SimCommand::Kind::Plug:
            if (server.Plug(&error)) {
                Say("plugged " + server.SocketPath());
            } else {
                Say("error: " + error);
            }
            break;
        case SimCommand::Kind::Dump:
            // One write, so that "vanished" never comes between the two.
            Say(server.StateJson() + "\ndumped");
            break;
        case SimCommand::Kind::Quit:
            server.Unplug();
            Say("bye");
            return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace vantora::sim;
    std::vector<std::string> args(argv + 1, argv + argc);
    SimCommandLine options;
    std::string error;
    std::string vendor = vantora::ReadConfigString("VID ");
    std::string product = vantora::ReadConfigString("PID ");
    if (!ParseSimCommandLine(args, vendor.empty() ? "1209" : vendor, product.empty() ? "0001" : product,
                             options, error)) {
        std::cerr << "vantora-kbd-sim: " << error << "\n" << SimUsage();
        return 2;
    }
    if (options.help) {
        std::cout << SimUsage();
        return 0;
    }
    if (options.configuredIds) {
        std::cout << ConfiguredIdsLine(vendor, product) << "\n";
        return 0;
    }
#ifndef VANTORA_SIM_WINDOW
    if (options.window) {
        std::cerr << "vantora-kbd-sim: this build has no window (built without the user interface)\n";
        return 2;
    }
#endif
    options.server.onVanish = [] { Say("vanished"); };
    SimKeyboardServer server(options.server);
    if (!server.Plug(&error)) {
        std::cerr << "vantora-kbd-sim: " << error << "\n";
        return 1;
    }
    Say("plugged " + server.SocketPath());

    if (options.window) {
#ifdef VANTORA_SIM_WINDOW
        const int status = RunSimWindow(
            server, argc, argv, [&server](const std::string& line) { return RunCommand(server, line); });
        server.Unplug();
        return status;
#endif
    }
    for (std::string line; std::getline(std::cin, line);) {
        if (!RunCommand(server, line)) {
            return 0;
        }
    }
    server.Unplug();
    return 0;
}
