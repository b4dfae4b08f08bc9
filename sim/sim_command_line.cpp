#include "sim/sim_command_line.h"

#include <cstdio>
#include <cstdlib>
#include <sstream>

#include "device/hid_device_manager.h"
#include "text/numbers.h"

namespace vantora::sim {

namespace {

// Up to four hexadecimal digits, "0x" allowed before them.
bool ParseHex16(const std::string& text, std::uint16_t& value) {
    const auto parsed = text.size() <= 6 ? ParseHex(text, NumberSyntax::kWhole, 0xFFFF) : std::nullopt;
    if (parsed) {
        value = static_cast<std::uint16_t>(*parsed);
    }
    return parsed.has_value();
}

bool ParseCount(const std::string& text, int& value) {
    if (text.empty() || text.size() > 7) {
        return false;
    }
    for (char c : text) {
        if (c < '0' || c > '9') {
            return false;
        }
    }
    value = std::atoi(text.c_str());
    return true;
}

}  // namespace

std::string ConfiguredIdsLine(const std::string& vendorText, const std::string& productText) {
    char line[32];
    std::snprintf(line, sizeof line, "%04x %04x", static_cast<unsigned>(ParseHexId(vendorText)),
                  static_cast<unsigned>(ParseHexId(productText)));
    return line;
}

std::string SimUsage() {
    return "usage: vantora-kbd-sim [--vid HEX] [--pid HEX] [--release HEX] [--product TEXT]\n"
           "                       [--trace FILE] [--state FILE] [--refuse] [--delay MS] [--no-answer]\n"
           "                       [--vanish-after N] [--window]\n"
           "       vantora-kbd-sim --configured-ids   prints the program's keyboard ids from config.ini\n"
           "--state FILE keeps the keyboard's state in FILE as one JSON object: plugged, in_transaction,\n"
           "reports_received and the tables settings, default_key_table, key_table, key_colours,\n"
           "macro_memory and music_frame in full, as lower-case hexadecimal. The file is replaced\n"
           "whole (by a rename) on plug and unplug and after the reports the keyboard receives, once\n"
           "their answers have gone out.\n"
           "commands on standard input: press INDEX [fn] | unplug | plug | dump | quit\n"
           "Each command is acknowledged with one line: \"pressed INDEX [fn] EVENT|none\", \"unplugged\",\n"
           "\"plugged SOCKET\", \"bye\" or \"error: ...\". dump first prints the state object (the one\n"
           "of --state) on a line of its own, then \"dumped\". \"vanished\" comes unasked when a fault\n"
           "unplugs the keyboard.\n"
           "--window also shows the keyboard in a window: its keys labelled and lit as the keyboard\n"
           "would show them; clicking a key presses it. Closing the window ends the simulator.\n"
           "The keyboard's socket goes to $VANTORA_SIM_DIR, else $XDG_RUNTIME_DIR/vantora-sim when\n"
           "that folder is yours alone (mode 0700, not a link), else /tmp/vantora-sim-<uid>.\n";
}

bool ParseSimCommandLine(const std::vector<std::string>& args, const std::string& defaultVendor,
                         const std::string& defaultProduct, SimCommandLine& result, std::string& error) {
    SimCommandLine parsed;
    std::uint16_t id = 0;
    if (ParseHex16(defaultVendor, id)) {
        parsed.server.vendorId = id;
    }
    if (ParseHex16(defaultProduct, id)) {
        parsed.server.productId = id;
    }
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::string& out) {
            if (i + 1 >= args.size()) {
                error = arg + " needs a value";
                return false;
            }
            out = args[++i];
            return true;
        };
        std::string text;
        if (arg == "--help" || arg == "-h") {
            parsed.help = true;
        } else if (arg == "--configured-ids") {
            parsed.configuredIds = true;
        } else if (arg == "--window") {
            parsed.window = true;
        } else if (arg == "--vid" || arg == "--pid" || arg == "--release") {
            if (!value(text) || !ParseHex16(text, id)) {
                error = error.empty() ? arg + " takes a hexadecimal number of up to four digits" : error;
                return false;
            }
            (arg == "--vid"   ? parsed.server.vendorId
             : arg == "--pid" ? parsed.server.productId
                              : parsed.server.releaseNumber) = id;
        } else if (arg == "--product") {
            if (!value(parsed.server.product)) {
                return false;
            }
        } else if (arg == "--trace") {
            if (!value(parsed.server.traceFile)) {
                return false;
            }
        } else if (arg == "--state") {
            if (!value(parsed.server.stateFile)) {
                return false;
            }
        } else if (arg == "--refuse") {
            parsed.server.faults.refuseAll = true;
        } else if (arg == "--no-answer") {
            parsed.server.faults.neverAnswer = true;
        } else if (arg == "--delay" || arg == "--vanish-after") {
            int count = 0;
            if (!value(text) || !ParseCount(text, count)) {
                error = error.empty() ? arg + " takes a number" : error;
                return false;
            }
            (arg == "--delay" ? parsed.server.faults.answerDelayMs
                              : parsed.server.faults.vanishAfterReports) = count;
        } else {
            error = "unknown argument: " + arg;
            return false;
        }
    }
    result = std::move(parsed);
    return true;
}

SimCommand ParseSimCommand(const std::string& line) {
    std::istringstream in(line);
    std::vector<std::string> words;
    for (std::string word; in >> word;) {
        words.push_back(word);
    }
    SimCommand command;
    if (words.empty()) {
        return command;
    }
    command.kind = SimCommand::Kind::Invalid;
    if (words[0] == "press" && (words.size() == 2 || (words.size() == 3 && words[2] == "fn"))) {
        int index = 0;
        if (ParseCount(words[1], index) && index < 128) {
            command.kind = SimCommand::Kind::Press;
            command.index = index;
            command.fn = words.size() == 3;
        }
    } else if (words.size() == 1 && words[0] == "unplug") {
        command.kind = SimCommand::Kind::Unplug;
    } else if (words.size() == 1 && words[0] == "plug") {
        command.kind = SimCommand::Kind::Plug;
    } else if (words.size() == 1 && words[0] == "dump") {
        command.kind = SimCommand::Kind::Dump;
    } else if (words.size() == 1 && words[0] == "quit") {
        command.kind = SimCommand::Kind::Quit;
    }
    return command;
}

}  // namespace vantora::sim
