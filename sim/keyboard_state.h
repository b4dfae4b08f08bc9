#pragma once

#include <string>

#include "sim/keyboard_firmware.h"

namespace vantora::sim {

// The keyboard's whole state as one JSON object on one line, fields always
// in this order:
//   "plugged", "in_transaction" (true/false), "reports_received" (a number),
//   "settings", "default_key_table", "key_table", "key_colours",
//   "macro_memory", "music_frame" (each table in full, as a string of
//   lower-case hexadecimal, two digits per byte).
// Used for the state file of vantora-kbd-sim and its "dump" command.
std::string KeyboardStateJson(const KeyboardFirmware& firmware, bool plugged);

// Replaces the file at `path` by one holding `text`: the text goes to a
// hidden temporary file in the same folder, which is then renamed over
// `path`, so a reader sees either the old file or the new one, never a
// part. False with `error` when the file cannot be written.
bool ReplaceFile(const std::string& path, const std::string& text, std::string* error = nullptr);

}  // namespace vantora::sim
