#pragma once

// What the user has stored, in plain structures, and the keyboard's tables
// that follow from it. The tables are computed here from the keyboard's
// wire format, on purpose without the program's own builders: a fault the
// program's builders share with the test could not hide.

#include <array>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace vantora::model {

// A function a key can be given, as the command line names it.
enum class Fn {
    kDisable,
    kKeyA,        // key A
    kKeyBCtrl,    // key B Ctrl
    kShiftAlone,  // key 225 (Left Shift alone)
    kMouseLeft,   // mouse 1
    kScrollUp,    // mouse 5
    kMediaPlay,   // media 1
    kSwitchWin,   // shortcut 5 (a function of the keyboard itself)
    kShortcut1,   // shortcut 1
    kMacro,       // macro <id>
    kProgram,     // app <path>
    kWeb,         // web <address>
    kText,        // text <text>
    kCount,
};

struct KeyFunction {
    Fn fn = Fn::kDisable;
    int macroId = 0;   // kMacro
    std::string text;  // kProgram (path), kWeb (address), kText
    bool operator==(const KeyFunction&) const = default;
};

// One macro record as the MACRO page stores it: type 2 key down, 3 key up,
// 4 mouse button down, 5 mouse button up; `value` a virtual-key code or a
// button.
struct Record {
    int type = 2;
    int value = 0x41;
    int delay = 10;
    bool operator==(const Record&) const = default;
};

struct Macro {
    int id = 0;
    std::string name;
    std::vector<Record> records;
};

// (layer, HID usage) -> function.
using KeyMap = std::map<std::pair<int, int>, KeyFunction>;

struct Profile {
    int id = 0;
    std::string name;
    KeyMap keys;
};

// The parameters a light mode was given by the user (only those set).
struct LightParams {
    std::optional<int> brightness;
    std::optional<int> speed;
    std::optional<int> direction;
    std::optional<std::uint32_t> colour;  // 0x00BBGGRR
    std::optional<bool> colourful;
};

// A rule that selects a profile while an application is in front.
struct Rule {
    int id = 0;
    std::string app;    // matched without regard to ASCII case
    std::string title;  // a glob on the whole title; empty: any title
    int profile = 0;
};

struct Model {
    std::vector<Profile> profiles;            // in list order
    int active = 0;                           // profile id
    std::vector<Macro> macros;                // in list order (the keyboard's numbering)
    std::map<int, std::uint32_t> keyColours;  // usage -> 0x00BBGGRR
    std::array<bool, 3> switches{};           // win, alttab, altf4
    std::optional<int> lightMode;             // the mode last made current
    std::map<int, LightParams> light;         // mode -> parameters set
    std::vector<Rule> rules;                  // in the order they were added
    bool followApps = true;                   // the pause switch off
    int otherAppsProfile = 0;                 // 0: the active profile stays

    Profile* FindProfile(int id);
    const Profile* ActiveProfile() const;
    Macro* FindMacro(int id);
};

// The three bytes of a function on one layer, as the keyboard holds them;
// nothing when the key keeps its default bytes. For host-side functions
// only byte 0 (the class) is fixed: byte 1 is the slot the keyboard reports.
std::optional<std::array<std::uint8_t, 3>> EncodeFunction(const KeyFunction& function,
                                                          const std::map<int, int>& heldPositions);

// The positions the keyboard's macro memory gives the macros it can hold:
// 32 directory slots, 880 records of 4 bytes after them; a macro whose
// records do not fit leaves the room to the macros after it.
std::map<int, int> HeldMacroPositions(const std::vector<Macro>& macros);

// The four bytes of one record (the last record of its macro gets the
// release flag when it is a key up).
std::array<std::uint8_t, 4> EncodeRecord(const Record& record, bool last);

}  // namespace vantora::model
