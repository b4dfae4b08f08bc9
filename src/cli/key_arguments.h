#pragma once

#include <string>
#include <vector>

#include "cli/ctl_command.h"
#include "db/profile_database.h"
#include "keys/key_assignment_editor.h"
#include "layouts/keyboard_layout.h"

namespace vantora::cli {

// A key of the keyboard as the key verbs name it: its HID usage and the
// description of the layout file.
struct KeyboardKey {
    int usage = 0;
    std::string description;
};

// The keys of the model's layout, once each, in file order; the built-in key
// matrix when the layout has no keys.
std::vector<KeyboardKey> KeyboardKeys(const KeyboardLayout& layout);

// The description of a key; empty for a usage that is no key of the keyboard.
std::string KeyDescription(const std::vector<KeyboardKey>& keys, int usage);

// An argument that names nothing usable: the exit code and the message.
struct ArgumentError {
    int exitCode = kExitOk;
    std::string message;

    explicit operator bool() const { return exitCode != kExitOk; }
};

// The usage of a KEY argument. A decimal number is always a usage; any other
// text is, in this order, a whole description (any letter case), a capture
// name ("Num 7", "Shift") whose key the keyboard has, or a part of exactly
// one description. Text that fits several keys lists them.
ArgumentError ResolveKey(const std::vector<KeyboardKey>& keys, const std::string& text, int& usage);

// The macro a MACRO argument names. A decimal number is always an id; any
// other text is a name, matched exactly, else in any letter case. Text that
// fits several macros lists their ids (bad usage).
ArgumentError ResolveMacro(ProfileDatabase& db, const std::string& text, int& id);

// The function a FUNCTION stands for, filled as the KEY page fills it: a
// Keyboard function's keys go through the capture rules (a modifier alone
// through the single-key field, a combination through the combination
// field, where a right-hand modifier counts as the left one); list functions
// take a code or an entry's text (English or the current language, any
// letter case); a macro its id or its name; an application an existing file
// (kExitFile otherwise) that IsStartableProgramFile accepts (kExitRefused
// otherwise), labelled with the file name; a web site an address that a
// press opens (WebAddressUrl; kExitRefused otherwise).
ArgumentError BuildKeyFunction(const FunctionArgs& args, const std::vector<KeyboardKey>& keys,
                               ProfileDatabase& db, KeyFunction& function);

}  // namespace vantora::cli
