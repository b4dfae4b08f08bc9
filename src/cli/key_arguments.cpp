#include "cli/key_arguments.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <set>

#include "device/key_index.h"
#include "device/virtual_keys.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"
#include "keys/host_action.h"
#include "keys/virtual_key_names.h"
#include "macros/macro_editor.h"
#include "text/numbers.h"

namespace vantora::cli {
namespace {

constexpr int kEnglish = 1033;

std::string Lower(std::string_view text) {
    std::string lower(text);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower;
}

std::string Trim(const std::string& text) {
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    return text.substr(first, text.find_last_not_of(" \t\r\n") - first + 1);
}

bool SameIgnoringCase(std::string_view a, std::string_view b) {
    return Lower(a) == Lower(b);
}

bool HasKey(const std::vector<KeyboardKey>& keys, int usage) {
    return std::any_of(keys.begin(), keys.end(),
                       [usage](const KeyboardKey& key) { return key.usage == usage; });
}

ArgumentError Usage(const std::string& message) {
    return {kExitUsage, message};
}

ArgumentError FitsSeveral(const std::string& text, const std::vector<const KeyboardKey*>& matches) {
    std::string message = "\"" + text + "\" fits more than one key; give its usage or whole description:";
    for (const KeyboardKey* key : matches) {
        message += "\n  " + std::to_string(key->usage) + "  " + key->description;
    }
    return Usage(message);
}

// The named virtual key that gives `usage`, 0 when none does (the capture
// shows named keys only).
unsigned NamedVirtualKeyForUsage(int usage) {
    for (const VirtualKeyUsage& entry : VirtualKeyTable()) {
        if (static_cast<int>(entry.usage) == usage && !VirtualKeyName(entry.virtualKey).empty()) {
            return entry.virtualKey;
        }
    }
    return 0;
}

// The virtual key a word of a Keyboard function stands for: a usage, a
// capture name or a key of the keyboard.
ArgumentError CapturedKey(const std::vector<KeyboardKey>& keys, const std::string& text,
                          unsigned& virtualKey) {
    int usage = 0;
    if (const std::optional<int> number = ParseDecimal(text, NumberSyntax::kWhole)) {
        usage = *number;
    } else if (const unsigned named = VirtualKeyFromName(text); named != 0 && VirtualKeyToUsage(named) != 0) {
        virtualKey = named;
        return {};
    } else if (ArgumentError error = ResolveKey(keys, text, usage)) {
        return error;
    }
    virtualKey = NamedVirtualKeyForUsage(usage);
    if (virtualKey == 0) {
        return Usage("The usage " + std::to_string(usage) + " is no key a Keyboard function can send.");
    }
    return {};
}

// Left and right Shift, Control and Alt (virtual keys 160 to 165).
bool IsModifierKey(unsigned virtualKey) {
    return virtualKey >= 160 && virtualKey <= 165;
}

ArgumentError KeyboardFunction(const FunctionArgs& args, const std::vector<KeyboardKey>& keys,
                               KeyFunction& function) {
    unsigned main = 0;
    if (ArgumentError error = CapturedKey(keys, args.value, main)) {
        return error;
    }
    const std::string mainName(VirtualKeyName(main));
    ClearCapture(function);
    if (args.modifier.empty()) {
        CaptureSingleKey(function, main, mainName);
        return {};
    }
    unsigned modifier = 0;
    if (CapturedKey(keys, args.modifier, modifier) || !IsModifierKey(modifier)) {
        return Usage("The modifier is Shift, Ctrl or Alt, not \"" + args.modifier + "\".");
    }
    if (IsModifierKey(main)) {
        return Usage("\"" + args.value + "\" is a modifier: it is a key function alone, without a modifier.");
    }
    // The capture knows one key of each pair: the left one.
    const unsigned left = modifier & ~1u;
    CaptureCombinationKey(function, left, std::string(VirtualKeyName(left)));
    CaptureCombinationKey(function, main, mainName);
    return {};
}

struct ListEntry {
    int code;
    int stringId;
};

std::vector<ListEntry> ListEntries(int type) {
    std::vector<ListEntry> entries;
    auto add = [&entries](const auto& list) {
        for (const auto& item : list) {
            entries.push_back({item.code, item.stringId});
        }
    };
    switch (type) {
        case kFunctionMouse:
            add(kMouseFunctions);
            break;
        case kFunctionMultimedia:
            add(kMultimediaFunctions);
            break;
        case kFunctionWindowsShortcut:
            add(kShortcutFunctions);
            break;
        default:
            break;
    }
    return entries;
}

const char* ListWord(int type) {
    switch (type) {
        case kFunctionMouse:
            return "mouse";
        case kFunctionMultimedia:
            return "media";
        default:
            return "shortcut";
    }
}

ArgumentError ListFunction(const FunctionArgs& args, KeyFunction& function) {
    const std::vector<ListEntry> entries = ListEntries(args.type);
    const std::optional<int> number = ParseDecimal(args.value, NumberSyntax::kWhole);
    const std::string name = Trim(args.value);
    auto matches = [&](const ListEntry& entry) {
        if (number) {
            return *number == entry.code;
        }
        return SameIgnoringCase(name, GetUiString(entry.stringId, kEnglish)) ||
               SameIgnoringCase(name, GetUiString(entry.stringId));
    };
    for (const ListEntry& entry : entries) {
        if (matches(entry)) {
            function.listValue = entry.code;
            return {};
        }
    }
    std::string message =
        std::string("No ") + ListWord(args.type) + " function is \"" + args.value + "\"; one of:";
    for (const ListEntry& entry : entries) {
        message += "\n  " + std::to_string(entry.code) + "  " + GetUiString(entry.stringId, kEnglish);
    }
    return Usage(message);
}

ArgumentError MacroFunction(const FunctionArgs& args, ProfileDatabase& db, KeyFunction& function) {
    return ResolveMacro(db, args.value, function.listValue);
}

ArgumentError ApplicationFunction(const FunctionArgs& args, KeyFunction& function) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path given(args.value);
    if (args.value.empty() || !fs::is_regular_file(given, error)) {
        return {kExitFile, "No program file is at \"" + args.value + "\"."};
    }
    const fs::path absolute = fs::absolute(given, error).lexically_normal();
    if (error) {
        return {kExitFile, "The path \"" + args.value + "\" cannot be made absolute."};
    }
    if (!IsStartableProgramFile(absolute.string())) {
        return {kExitRefused, "\"" + args.value +
                                  "\" is neither an executable program nor a desktop entry: a press could "
                                  "not start it."};
    }
    function.programPath = absolute.string();
    function.text = absolute.filename().string();
    return {};
}

// A press opens only what WebAddressUrl accepts: the rest is refused here.
ArgumentError WebsiteCheck(const std::string& typed) {
    std::string url;
    std::string reason;
    if (Trim(typed).empty()) {
        return {kExitRefused, "A web address cannot be empty."};
    }
    if (!WebAddressUrl(typed, url, reason)) {
        return {kExitRefused, "\"" + typed + "\" is no web address a key can open: " + reason + "."};
    }
    return {};
}

}  // namespace

std::vector<KeyboardKey> KeyboardKeys(const KeyboardLayout& layout) {
    std::vector<KeyboardKey> keys;
    std::set<int> seen;
    for (const LayoutKey& key : layout.keys) {
        if (key.code > 0 && seen.insert(key.code).second) {
            keys.push_back({key.code, key.desc});
        }
    }
    if (keys.empty()) {
        for (const KeyMatrixEntry& entry : BuiltInKeyMatrix()) {
            keys.push_back(
                {entry.code == kFnKeyReadBackCode ? kFnKeyCode : entry.code, std::string(entry.name)});
        }
    }
    return keys;
}

std::string KeyDescription(const std::vector<KeyboardKey>& keys, int usage) {
    for (const KeyboardKey& key : keys) {
        if (key.usage == usage) {
            return key.description;
        }
    }
    return {};
}

ArgumentError ResolveMacro(ProfileDatabase& db, const std::string& text, int& id) {
    MacroEditor editor(db);
    if (const std::optional<int> number = ParseDecimal(text, NumberSyntax::kWhole)) {
        if (*number < 1 || !editor.Exists(*number)) {
            return {kExitNotFound, "No macro has the id " + text + "."};
        }
        id = *number;
        return {};
    }
    std::vector<int> matches = editor.FindByName(text);
    std::vector<Macro> macros;
    db.ListMacros(macros);
    if (matches.empty()) {
        for (const Macro& macro : macros) {
            if (SameIgnoringCase(macro.name, text)) {
                matches.push_back(macro.macro_id);
            }
        }
    }
    if (matches.empty()) {
        return {kExitNotFound, "No macro is named \"" + text + "\"."};
    }
    if (matches.size() > 1) {
        std::string message = "More than one macro is named \"" + text + "\"; give its id:";
        for (const int match : matches) {
            const auto macro = std::find_if(macros.begin(), macros.end(),
                                            [match](const Macro& row) { return row.macro_id == match; });
            message += "\n  " + std::to_string(match) + "  " + (macro != macros.end() ? macro->name : text);
        }
        return Usage(message);
    }
    id = matches.front();
    return {};
}

ArgumentError ResolveKey(const std::vector<KeyboardKey>& keys, const std::string& text, int& usage) {
    if (const std::optional<int> number = ParseDecimal(text, NumberSyntax::kWhole)) {
        if (!HasKey(keys, *number)) {
            return Usage("No key of the keyboard has the usage " + text + " (a number is always a usage).");
        }
        usage = *number;
        return {};
    }
    const std::string wanted = Lower(Trim(text));
    if (wanted.empty()) {
        return Usage("A key is its usage or its description, not an empty text.");
    }
    std::vector<const KeyboardKey*> whole;
    std::vector<const KeyboardKey*> partial;
    for (const KeyboardKey& key : keys) {
        const std::string description = Lower(key.description);
        if (description == wanted) {
            whole.push_back(&key);
        } else if (description.find(wanted) != std::string::npos) {
            partial.push_back(&key);
        }
    }
    if (whole.size() > 1) {
        return FitsSeveral(text, whole);
    }
    if (whole.size() == 1) {
        usage = whole.front()->usage;
        return {};
    }
    if (const unsigned virtualKey = VirtualKeyFromName(text); virtualKey != 0) {
        const int named = static_cast<int>(VirtualKeyToUsage(virtualKey));
        if (named != 0 && HasKey(keys, named)) {
            usage = named;
            return {};
        }
    }
    if (partial.size() > 1) {
        return FitsSeveral(text, partial);
    }
    if (partial.empty()) {
        return Usage("No key of the keyboard is \"" + text + "\"; give its usage or its description.");
    }
    usage = partial.front()->usage;
    return {};
}

ArgumentError BuildKeyFunction(const FunctionArgs& args, const std::vector<KeyboardKey>& keys,
                               ProfileDatabase& db, KeyFunction& function) {
    function = KeyFunction{};
    function.type = args.type;
    switch (args.type) {
        case kFunctionKeyboard:
            return KeyboardFunction(args, keys, function);
        case kFunctionMacro:
            return MacroFunction(args, db, function);
        case kFunctionMouse:
        case kFunctionMultimedia:
        case kFunctionWindowsShortcut:
            return ListFunction(args, function);
        case kFunctionApplication:
            return ApplicationFunction(args, function);
        case kFunctionWebsite:
            function.text = args.value;
            return WebsiteCheck(args.value);
        case kFunctionSendText:
            function.text = args.value;
            return {};
        default:
            return {};  // Default and Disable Key carry no value
    }
}

}  // namespace vantora::cli
