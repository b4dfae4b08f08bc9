#include "keys/key_assignment_editor.h"

#include <algorithm>
#include <cctype>
#include <set>

#include "device/virtual_keys.h"
#include "i18n/strings.h"
#include "keys/function_catalogue.h"

namespace vantora {
namespace {

constexpr int kDisableKeyStringId = 124;
constexpr const char* kCaptureJoin = " + ";

bool IsModifierKey(unsigned virtualKey) {
    return virtualKey >= 160 && virtualKey <= 165;
}

bool IsHostSideType(int type) {
    return type == kFunctionApplication || type == kFunctionWebsite || type == kFunctionSendText;
}

bool IsModifierUsage(unsigned usage) {
    return usage >= 224 && usage <= 231;
}

// A virtual key that gives `usage`, 0 when none does.
unsigned VirtualKeyForUsage(int usage) {
    for (const VirtualKeyUsage& entry : VirtualKeyTable()) {
        if (static_cast<int>(entry.usage) == usage) {
            return entry.virtualKey;
        }
    }
    return 0;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// "name:" followed by "//", name = letter (letter | digit | '+' | '-' | '.')*.
bool StartsWithScheme(const std::string& text) {
    if (text.empty() || !std::isalpha(static_cast<unsigned char>(text[0]))) {
        return false;
    }
    std::size_t end = 1;
    while (end < text.size() && (std::isalnum(static_cast<unsigned char>(text[end])) || text[end] == '+' ||
                                 text[end] == '-' || text[end] == '.')) {
        ++end;
    }
    return text.compare(end, 3, "://") == 0;
}

// The label of a list function in the current language; empty when the
// list does not have the code.
std::string ListEntryText(int type, int code) {
    for (const CatalogueItem& item : FunctionSubListItems(type)) {
        if (item.code == code) {
            return item.text;
        }
    }
    return {};
}

}  // namespace

void ClearCapture(KeyFunction& function) {
    function.keyCode = 0;
    function.keyName.clear();
    function.modifierCode = 0;
    function.modifierName.clear();
}

void CaptureSingleKey(KeyFunction& function, unsigned virtualKey, const std::string& name) {
    function.keyCode = virtualKey;
    function.keyName = name;
}

void CaptureCombinationKey(KeyFunction& function, unsigned virtualKey, const std::string& name) {
    if (IsModifierKey(virtualKey)) {
        function.modifierCode = virtualKey;
        function.modifierName = name;
    } else {
        function.keyCode = virtualKey;
        function.keyName = name;
    }
}

std::string CaptureText(const KeyFunction& function) {
    if (!function.modifierName.empty() && !function.keyName.empty()) {
        return function.modifierName + kCaptureJoin + function.keyName;
    }
    return function.modifierName.empty() ? function.keyName : function.modifierName;
}

std::string WebAddressToOpen(const std::string& typed) {
    const std::size_t first = typed.find_first_not_of(" \t\r\n");
    if (first == std::string::npos) {
        return {};
    }
    const std::string address = typed.substr(first, typed.find_last_not_of(" \t\r\n") - first + 1);
    const std::string lower = Lower(address);
    if (lower.find("www.") != std::string::npos || lower.starts_with("mailto:") || StartsWithScheme(lower)) {
        return address;
    }
    return "www." + address;
}

KeyFunction KeyAssignmentEditor::Load(int keyCode) {
    KeyFunction function;
    KeyAssignment row;
    if (!db_.GetKeyAssignment(selection_.profile, selection_.layer, keyCode, row)) {
        return function;
    }
    function.type = row.macro_type;
    function.label = row.macro_desc;
    switch (row.macro_type) {
        case kFunctionKeyboard: {
            function.keyCode = VirtualKeyForUsage(row.macro_value);
            function.modifierCode = row.macro_value2 == 0 ? 0 : VirtualKeyForUsage(row.macro_value2);
            const std::size_t join = row.macro_desc.find(kCaptureJoin);
            if (row.macro_value2 != 0 && join != std::string::npos) {
                function.modifierName = row.macro_desc.substr(0, join);
                function.keyName = row.macro_desc.substr(join + std::string(kCaptureJoin).size());
            } else {
                function.keyName = row.macro_desc;
            }
            break;
        }
        case kFunctionMacro:
        case kFunctionMouse:
        case kFunctionMultimedia:
        case kFunctionWindowsShortcut:
            function.listValue = row.macro_value;
            break;
        case kFunctionApplication: {
            std::string desc;
            int type = 0;
            db_.GetOtherData(row.macro_value, desc, function.programPath, type);
            function.text = row.macro_desc;
            break;
        }
        case kFunctionWebsite:
        case kFunctionSendText:
            function.text = row.macro_desc;
            break;
        default:
            break;
    }
    return function;
}

KeyAssignmentEditor::SaveResult KeyAssignmentEditor::SaveHostSide(KeyAssignment& record,
                                                                  const KeyFunction& function) {
    if (function.text.empty()) {
        return SaveResult::kEmptyText;
    }
    const bool application = function.type == kFunctionApplication;
    if (application && function.programPath.empty()) {
        return SaveResult::kNoProgram;
    }
    if (!db_.IsOpen()) {
        return SaveResult::kStoreFailed;
    }
    // The profile's other keys: the slots the keyboard has left for it.
    std::vector<KeyAssignment> rows;
    db_.ListAllKeyAssignments(record.profile, rows);
    std::set<int> used;
    for (const KeyAssignment& row : rows) {
        if (IsHostSideType(row.macro_type) &&
            !(row.fn_layer == record.fn_layer && row.key_code == record.key_code)) {
            used.insert(row.macro_value);
        }
    }
    if (used.size() >= static_cast<std::size_t>(kHostSideRowsPerProfile)) {
        return SaveResult::kNoFreeId;
    }
    const std::string param = application ? function.programPath : std::string();
    int id = db_.FindFreeOtherDataId(kOtherDataIdLimit, record.profile, record.fn_layer, record.key_code);
    if (id == 0) {
        id = db_.AddOtherData(function.text, param, function.type);
    } else if (!db_.PutOtherData(id, function.text, param, function.type)) {
        id = 0;
    }
    if (id == 0) {
        return SaveResult::kStoreFailed;
    }
    record.macro_value = id;
    record.macro_desc = function.text;
    return SaveResult::kSaved;
}

KeyAssignmentEditor::SaveResult KeyAssignmentEditor::Save(const KeyFunction& function) {
    KeyAssignment record;
    record.profile = selection_.profile;
    record.fn_layer = selection_.layer;
    record.key_code = selection_.selectedKey;
    if (record.key_code < 1) {
        return SaveResult::kNoKeySelected;
    }
    record.macro_type = function.type;
    switch (function.type) {
        case kFunctionDefault:
            break;  // macro_value 0: the row goes
        case kFunctionDisableKey:
            record.macro_value = 1;
            record.macro_desc = GetUiString(kDisableKeyStringId);
            break;
        case kFunctionKeyboard: {
            KeyFunction keys = function;
            if (keys.keyCode == 0 && IsModifierUsage(VirtualKeyToUsage(keys.modifierCode))) {
                // A lone modifier is a key of its own, as in the single-key field.
                CaptureSingleKey(keys, keys.modifierCode, keys.modifierName);
                keys.modifierCode = 0;
                keys.modifierName.clear();
            }
            const unsigned usage = VirtualKeyToUsage(keys.keyCode);
            const unsigned modifier = keys.modifierCode == 0 ? 0 : VirtualKeyToUsage(keys.modifierCode);
            if (usage == 0 || (keys.modifierCode != 0 && !IsModifierUsage(modifier))) {
                return SaveResult::kNothingCaptured;
            }
            record.macro_value = static_cast<int>(usage);
            record.macro_value2 = static_cast<int>(modifier);
            record.macro_desc = CaptureText(keys);
            break;
        }
        case kFunctionMacro: {
            Macro macro;
            if (function.listValue == 0 || !db_.GetMacro(function.listValue, macro)) {
                return SaveResult::kNothingChosen;
            }
            record.macro_value = function.listValue;
            record.macro_desc = macro.name;
            break;
        }
        case kFunctionMouse:
        case kFunctionMultimedia:
        case kFunctionWindowsShortcut:
            record.macro_desc = ListEntryText(function.type, function.listValue);
            if (record.macro_desc.empty()) {
                return SaveResult::kNothingChosen;
            }
            record.macro_value = function.listValue;
            break;
        case kFunctionApplication:
        case kFunctionWebsite:
        case kFunctionSendText:
            if (const SaveResult result = SaveHostSide(record, function); result != SaveResult::kSaved) {
                return result;
            }
            break;
        default:
            return SaveResult::kUnknownType;
    }
    const int keyId = db_.SaveKeyAssignment(record);
    // The default function stores no row (id 0): only a refused change fails it.
    if (keyId == 0 && (record.macro_value != 0 || db_.LastChangeFailed())) {
        return SaveResult::kStoreFailed;
    }
    return SaveResult::kSaved;
}

std::vector<KeyLabel> KeyAssignmentEditor::Labels() {
    std::vector<KeyAssignment> rows;
    db_.ListKeyAssignments(selection_.profile, selection_.layer, rows);
    std::vector<KeyLabel> labels;
    for (const KeyAssignment& row : rows) {
        if (row.macro_type == kFunctionDefault) {
            continue;
        }
        labels.push_back({row.key_code, row.macro_type == kFunctionKeyboard ? row.macro_desc : std::string(),
                          row.macro_desc});
    }
    return labels;
}

}  // namespace vantora
