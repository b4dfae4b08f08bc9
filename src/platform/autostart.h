#pragma once

#include <string>

namespace vantora {

// Start with the session: an XDG autostart entry
// $XDG_CONFIG_HOME/autostart/VANTORA.desktop that runs the program.

// The entry's full path.
std::string AutostartEntryPath();
// The running executable's full path (from /proc/self/exe), empty when unknown.
std::string RunningExecutablePath();
// The text of an entry that starts `executable`.
std::string AutostartEntryText(const std::string& executable);
// The Exec value for `executable`: quoted and escaped as desktop entries
// require, so paths with blanks, quotes, '$' or '%' survive.
std::string QuoteExecArgument(const std::string& executable);

// True when the entry exists.
bool IsAutostartEnabled();
// Writes the entry for `executable` (the running one when empty), creating
// the folder; the file is replaced whole. False with a reason on failure.
bool EnableAutostart(const std::string& executable, std::string& error);
// Removes the entry; true when there is none afterwards.
bool DisableAutostart(std::string& error);

}  // namespace vantora
