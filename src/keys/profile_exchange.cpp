#include "keys/profile_exchange.h"

#include <algorithm>
#include <map>
#include <optional>
#include <set>
#include <tuple>

#include "keys/function_catalogue.h"
#include "keys/key_assignment_editor.h"
#include "text/item_names.h"
#include "text/numbers.h"
#include "xml/xml_document.h"
#include "xml/xml_text_codec.h"

namespace vantora {
namespace {

std::string BuildDocument(const std::string& name, const std::vector<KeyAssignment>& rows) {
    XmlDocument doc;
    doc.SetDocumentText(XmlDocument::kUtf8Declaration);
    doc.AddElement("profile");
    doc.EnterElement();
    doc.AddElement("profileinfo");
    doc.SetAttribute("name", name);
    doc.AddElement("keyitems");
    doc.EnterElement();
    for (const KeyAssignment& row : rows) {
        doc.AddElement("item");
        doc.SetAttribute("fn_layer", row.fn_layer);
        doc.SetAttribute("key_code", row.key_code);
        doc.SetAttribute("layout_value", row.layout_value);
        doc.SetAttribute("layout_desc", row.layout_desc);
        doc.SetAttribute("macro_type", row.macro_type);
        doc.SetAttribute("macro_value", row.macro_value);
        doc.SetAttribute("macro_value2", row.macro_value2);
        doc.SetAttribute("macro_value3", row.macro_value3);
        doc.SetAttribute("macro_desc", row.macro_desc);
    }
    doc.LeaveElement();
    XmlResult result;
    return EncodeXmlBytes(doc.GetDocumentText(), doc.GetDocFlags(), result);
}

// ---- Import ---------------------------------------------------------------

struct Item {
    std::size_t position = 0;
    KeyAssignment row;
};

ImportResult Failure(ImportError status, std::string text) {
    ImportResult result;
    result.status = status;
    result.error = std::move(text);
    return result;
}

std::optional<int> Number(const XmlDocument& doc, std::string_view name, bool required) {
    const std::string text = doc.GetAttribute(name);
    if (text.empty()) {
        return required ? std::nullopt : std::optional<int>(0);
    }
    return ParseDecimal(text, NumberSyntax::kWhole);
}

template <typename List>
bool InList(const List& list, int code) {
    return std::any_of(std::begin(list), std::end(list), [code](const auto& e) { return e.code == code; });
}

// Whether the value columns fit the row's function type; kUnknownType and
// kBadValue otherwise. Ids of macros and host-side rows are checked later.
std::optional<ImportSkipReason> CheckFunction(const KeyAssignment& row) {
    if (row.fn_layer != 0 && row.fn_layer != 1) {
        return ImportSkipReason::kBadKey;
    }
    if (row.key_code < 1 || row.key_code > 255) {
        return ImportSkipReason::kBadKey;
    }
    bool ok = row.macro_value != 0;
    switch (row.macro_type) {
        case kFunctionDisableKey:
            break;
        case kFunctionKeyboard:
            ok = row.macro_value >= 1 && row.macro_value <= 255 &&
                 (row.macro_value2 == 0 || (row.macro_value2 >= 224 && row.macro_value2 <= 231));
            break;
        case kFunctionMouse:
            ok = InList(kMouseFunctions, row.macro_value);
            break;
        case kFunctionMultimedia:
            ok = InList(kMultimediaFunctions, row.macro_value);
            break;
        case kFunctionWindowsShortcut:
            ok = InList(kShortcutEncodings, row.macro_value);
            break;
        case kFunctionMacro:
        case kFunctionApplication:
            break;
        case kFunctionWebsite:
        case kFunctionSendText:
            ok = ok && !row.macro_desc.empty();
            break;
        default:
            return ImportSkipReason::kUnknownType;
    }
    if (!ok) {
        return ImportSkipReason::kBadValue;
    }
    return std::nullopt;
}

void Skip(ImportResult& result, const Item& item, ImportSkipReason reason) {
    result.skipped.push_back({item.position, item.row.fn_layer, item.row.key_code, item.row.macro_type,
                              item.row.macro_desc, reason});
}

bool IsHostSide(int type) {
    return type == kFunctionApplication || type == kFunctionWebsite || type == kFunctionSendText;
}

// Every key assignment of the existing profiles.
std::vector<KeyAssignment> StoredRows(ProfileDatabase& db) {
    std::vector<ProfileItem> profiles;
    db.ListProfiles(profiles);
    std::vector<KeyAssignment> all;
    for (const ProfileItem& profile : profiles) {
        std::vector<KeyAssignment> rows;
        db.ListAllKeyAssignments(profile.profile, rows);
        all.insert(all.end(), rows.begin(), rows.end());
    }
    return all;
}

ImportResult StoreFailure(ImportResult result, std::string text) {
    result.status = ImportError::kStoreFailed;
    result.error = std::move(text);
    return result;
}

}  // namespace

bool ExportProfile(ProfileDatabase& db, int profileId, const std::string& folder, std::string& writtenPath,
                   std::string& error) {
    return ExportProfileAt(db, profileId, folder, ExchangeTickCount(), writtenPath, error);
}

bool ExportProfileAt(ProfileDatabase& db, int profileId, const std::string& folder, std::int32_t tick,
                     std::string& writtenPath, std::string& error) {
    writtenPath.clear();
    error.clear();
    std::vector<ProfileItem> profiles;
    db.ListProfiles(profiles);
    const auto profile = std::find_if(profiles.begin(), profiles.end(),
                                      [profileId](const ProfileItem& p) { return p.profile == profileId; });
    if (profile == profiles.end()) {
        error = "no profile with id " + std::to_string(profileId);
        return false;
    }
    std::vector<KeyAssignment> rows;
    std::vector<KeyAssignment> layer1;
    db.ListKeyAssignments(profileId, 0, rows);
    db.ListKeyAssignments(profileId, 1, layer1);
    rows.insert(rows.end(), layer1.begin(), layer1.end());
    const std::string bytes = BuildDocument(profile->name, rows);

    return WriteNewExchangeFile(folder, profile->name, tick, bytes, writtenPath, error);
}

ImportResult ImportProfile(ProfileDatabase& db, const std::string& file) {
    std::string bytes;
    std::string error;
    switch (ReadExchangeFile(file, kMaxExchangeFileBytes, bytes, error)) {
        case FileRead::kRead:
            break;
        case FileRead::kTooLarge:
            return Failure(ImportError::kTooLarge, error);
        case FileRead::kFailed:
            return Failure(ImportError::kUnreadable, error);
    }
    return ImportProfileBytes(db, bytes);
}

ImportResult ImportProfileBytes(ProfileDatabase& db, std::string_view bytes) {
    if (bytes.size() > kMaxExchangeFileBytes) {
        return Failure(ImportError::kTooLarge, "the file is larger than a profile can be");
    }
    XmlResult decodeResult;
    unsigned flags = 0;
    XmlDocument doc;
    const bool wellFormed = doc.SetDocumentText(DecodeXmlBytes(bytes, flags, decodeResult));
    if (!doc.LimitError().empty()) {
        return Failure(ImportError::kTooLarge, doc.LimitError());
    }
    if (!wellFormed || !doc.FindElement("profile")) {
        return Failure(ImportError::kNotAProfile, "the file is not a profile");
    }
    doc.EnterElement();
    std::string name;
    if (doc.FindElement("profileinfo")) {
        name = doc.GetAttribute("name");
    }
    if (name.find_first_not_of(" \t\r\n") == std::string::npos) {
        return Failure(ImportError::kNoName, "the file holds no profile name");
    }

    // Read and check every item before anything is stored.
    ImportResult result;
    bool cleaned = false;
    name = CleanItemName(name, cleaned);
    if (cleaned) {
        result.note = kCleanedNameNote;
    }
    std::vector<Item> items;
    std::size_t position = 0;
    doc.ResetPos();
    doc.FindElement("profile");
    doc.EnterElement();
    if (doc.FindElement("keyitems")) {
        doc.EnterElement();
        while (doc.FindElement("item")) {
            if (++position > kMaxExchangeItems) {
                return Failure(ImportError::kTooLarge, "the file holds more items than a profile can");
            }
            Item item;
            item.position = position;
            KeyAssignment& row = item.row;
            row.layout_desc = doc.GetAttribute("layout_desc");
            row.macro_desc = doc.GetAttribute("macro_desc");
            const auto layer = Number(doc, "fn_layer", true);
            const auto key = Number(doc, "key_code", true);
            const auto layoutValue = Number(doc, "layout_value", false);
            const auto type = Number(doc, "macro_type", true);
            const auto value = Number(doc, "macro_value", true);
            const auto value2 = Number(doc, "macro_value2", false);
            const auto value3 = Number(doc, "macro_value3", false);
            row.fn_layer = layer.value_or(0);
            row.key_code = key.value_or(0);
            row.macro_type = type.value_or(0);
            if (!layer || !key || !layoutValue || !type || !value || !value2 || !value3) {
                Skip(result, item, ImportSkipReason::kBadAttribute);
                continue;
            }
            row.layout_value = *layoutValue;
            row.macro_value = *value;
            row.macro_value2 = *value2;
            row.macro_value3 = *value3;
            if (const auto reason = CheckFunction(row)) {
                Skip(result, item, *reason);
                continue;
            }
            // The last item of a layer and key wins, in its own place.
            std::erase_if(items, [&row](const Item& other) {
                return other.row.fn_layer == row.fn_layer && other.row.key_code == row.key_code;
            });
            items.push_back(std::move(item));
        }
    }

    // Everything from here on is stored whole or not at all; the ids are
    // decided on what the transaction sees.
    ProfileDatabase::Transaction transaction(db);
    if (!transaction.Began()) {
        return StoreFailure(std::move(result), "the database could not be written (it is busy or closed)");
    }
    const std::vector<KeyAssignment> stored = StoredRows(db);
    std::set<std::pair<int, std::string>> macroLabels;  // (macro id, label) of stored keys
    std::set<int> referenced;                           // host-side ids stored keys use
    for (const KeyAssignment& row : stored) {
        if (row.macro_type == kFunctionMacro) {
            macroLabels.emplace(row.macro_value, row.macro_desc);
        } else if (IsHostSide(row.macro_type)) {
            referenced.insert(row.macro_value);
        }
    }

    // Ids from the other database: keep the ones that mean the same here.
    // (type, old id, text) of a new host-side row: items with the same share it.
    using NewRow = std::tuple<int, int, std::string>;
    std::vector<Item> kept;
    std::vector<bool> needsNewRow;
    std::set<int> keptIds;
    std::set<NewRow> newRows;
    for (Item& item : items) {
        KeyAssignment& row = item.row;
        if (row.macro_type == kFunctionMacro) {
            // The label must be the macro's name here, or a label this
            // database gave a key of that macro (a name it had before).
            Macro macro;
            if (row.macro_value <= 0 || !db.GetMacro(row.macro_value, macro) ||
                (macro.name != row.macro_desc && !macroLabels.contains({row.macro_value, row.macro_desc}))) {
                Skip(result, item, ImportSkipReason::kUnknownMacro);
                continue;
            }
            row.macro_desc = macro.name;
        }
        bool fresh = false;
        if (IsHostSide(row.macro_type)) {
            std::string desc;
            std::string param;
            int type = 0;
            if (row.macro_value > 0) {
                db.GetOtherData(row.macro_value, desc, param, type);
            }
            if (type != row.macro_type || desc != row.macro_desc) {
                if (row.macro_type == kFunctionApplication) {
                    Skip(result, item, ImportSkipReason::kUnknownApplication);
                    continue;
                }
                fresh = true;
            }
            const bool known = fresh ? newRows.contains({row.macro_type, row.macro_value, row.macro_desc})
                                     : keptIds.contains(row.macro_value);
            if (!known) {
                if (keptIds.size() + newRows.size() >= KeyAssignmentEditor::kHostSideRowsPerProfile) {
                    Skip(result, item, ImportSkipReason::kNoHostSlot);
                    continue;
                }
                if (fresh) {
                    newRows.insert({row.macro_type, row.macro_value, row.macro_desc});
                } else {
                    keptIds.insert(row.macro_value);
                }
            }
        }
        kept.push_back(std::move(item));
        needsNewRow.push_back(fresh);
    }
    std::sort(result.skipped.begin(), result.skipped.end(),
              [](const SkippedItem& a, const SkippedItem& b) { return a.position < b.position; });

    // Store (inside the transaction begun above).
    const int profile = db.AddProfile(name);
    if (profile <= 0) {
        return StoreFailure(std::move(result), "the database did not take the new profile");
    }
    // New host-side rows take the ids below the one-byte range that no key
    // uses (overwriting an unused row), then ids beyond it.
    int nextFree = 1;
    auto freeId = [&]() {
        while (nextFree < KeyAssignmentEditor::kOtherDataIdLimit &&
               (referenced.contains(nextFree) || keptIds.contains(nextFree))) {
            ++nextFree;
        }
        return nextFree < KeyAssignmentEditor::kOtherDataIdLimit ? nextFree++ : 0;
    };
    std::map<NewRow, int> newIds;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        KeyAssignment row = kept[i].row;
        row.profile = profile;
        if (needsNewRow[i]) {
            int& id = newIds[{row.macro_type, row.macro_value, row.macro_desc}];
            if (id == 0) {
                id = freeId();
                if (id == 0) {
                    id = db.AddOtherData(row.macro_desc, "", row.macro_type);
                } else if (!db.PutOtherData(id, row.macro_desc, "", row.macro_type)) {
                    id = 0;
                }
            }
            row.macro_value = id;
        }
        if (row.macro_value == 0 || db.SaveKeyAssignment(row) == 0) {
            return StoreFailure(std::move(result), "the database did not take the profile's key assignments");
        }
    }
    if (!transaction.Commit()) {
        return StoreFailure(std::move(result), "the database did not take the profile");
    }
    result.profileId = profile;
    return result;
}

}  // namespace vantora
