#include "keys/profile_exchange.h"

#include <algorithm>
#include <map>
#include <optional>
#include <tuple>

#include "keys/function_catalogue.h"
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

// Removes the rows saved so far and the profile.
void Undo(ProfileDatabase& db, int profile, const std::vector<KeyAssignment>& saved) {
    for (KeyAssignment row : saved) {
        row.macro_value = 0;
        db.SaveKeyAssignment(row);
    }
    db.DeleteProfile(profile);
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
    if (!ReadExchangeFile(file, kMaxExchangeFileBytes, bytes, error)) {
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
    if (!doc.SetDocumentText(DecodeXmlBytes(bytes, flags, decodeResult)) || !doc.FindElement("profile")) {
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

    // Ids from the other database: keep the ones that mean the same here.
    std::vector<Item> kept;
    std::vector<bool> needsNewRow;
    for (Item& item : items) {
        const KeyAssignment& row = item.row;
        if (row.macro_type == kFunctionMacro) {
            Macro macro;
            if (row.macro_value <= 0 || !db.GetMacro(row.macro_value, macro) ||
                macro.name != row.macro_desc) {
                Skip(result, item, ImportSkipReason::kUnknownMacro);
                continue;
            }
        }
        bool fresh = false;
        if (row.macro_type == kFunctionApplication || row.macro_type == kFunctionWebsite ||
            row.macro_type == kFunctionSendText) {
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
        }
        kept.push_back(std::move(item));
        needsNewRow.push_back(fresh);
    }
    std::sort(result.skipped.begin(), result.skipped.end(),
              [](const SkippedItem& a, const SkippedItem& b) { return a.position < b.position; });

    // Store, in one transaction: the profile whole or nothing of it.
    ProfileDatabase::Transaction transaction(db);
    const int profile = transaction.Began() ? db.AddProfile(name) : 0;
    if (profile <= 0) {
        result.status = ImportError::kStoreFailed;
        result.error = "the database did not take the new profile";
        return result;
    }
    std::map<std::tuple<int, int, std::string>, int> newIds;  // (type, old id, text) -> new id
    std::vector<KeyAssignment> saved;
    for (std::size_t i = 0; i < kept.size(); ++i) {
        KeyAssignment row = kept[i].row;
        row.profile = profile;
        if (needsNewRow[i]) {
            int& id = newIds[{row.macro_type, row.macro_value, row.macro_desc}];
            if (id == 0) {
                id = db.AddOtherData(row.macro_desc, "", row.macro_type);
            }
            row.macro_value = id;
        }
        if (row.macro_value == 0 || db.SaveKeyAssignment(row) == 0) {
            Undo(db, profile, saved);
            result.status = ImportError::kStoreFailed;
            result.error = "the database did not take the profile's key assignments";
            return result;
        }
        saved.push_back(row);
    }
    if (!transaction.Commit()) {
        result.status = ImportError::kStoreFailed;
        result.error = "the database did not take the profile";
        return result;
    }
    result.profileId = profile;
    return result;
}

}  // namespace vantora
