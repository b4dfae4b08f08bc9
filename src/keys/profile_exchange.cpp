#include "keys/profile_exchange.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <tuple>

#include "keys/function_catalogue.h"
#include "text/numbers.h"
#include "xml/xml_document.h"
#include "xml/xml_text_codec.h"

namespace vantora {
namespace {

constexpr std::size_t kMaxFileNameBytes = 255;
constexpr int kMaxNameAttempts = 1000;

bool IsBadFileNameByte(unsigned char c) {
    return c < 0x20 || c == 0x7F || std::strchr("/\\:*?\"<>|", c) != nullptr;
}

std::int32_t TickCount() {
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                        std::chrono::steady_clock::now().time_since_epoch())
                        .count();
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(ms));
}

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

// Creates `path` (never replacing or following anything there) with `bytes`.
// EEXIST in `err` when the name is taken.
bool WriteNewFile(const std::string& path, const std::string& bytes, int& err) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) {
        err = errno;
        return false;
    }
    std::size_t done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            err = n < 0 ? errno : EIO;
            ::close(fd);
            ::unlink(path.c_str());
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    if (::close(fd) != 0) {
        err = errno;
        ::unlink(path.c_str());
        return false;
    }
    return true;
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

std::string ExchangeFileName(const std::string& profileName, std::int32_t tick, int attempt) {
    std::string tail = "-" + std::to_string(tick);
    if (attempt > 1) {
        tail += "-" + std::to_string(attempt);
    }
    tail += ".xml";
    std::string name = profileName;
    for (char& c : name) {
        if (IsBadFileNameByte(static_cast<unsigned char>(c))) {
            c = '_';
        }
    }
    const std::size_t room = kMaxFileNameBytes - tail.size();
    if (name.size() > room) {
        std::size_t cut = room;
        while (cut > 0 && (static_cast<unsigned char>(name[cut]) & 0xC0) == 0x80) {
            --cut;  // never inside a character
        }
        name.resize(cut);
    }
    return name + tail;
}

bool ExportProfile(ProfileDatabase& db, int profileId, const std::string& folder, std::string& writtenPath,
                   std::string& error) {
    return ExportProfileAt(db, profileId, folder, TickCount(), writtenPath, error);
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

    std::string prefix = folder.empty() ? std::string("./") : folder;
    if (prefix.back() != '/') {
        prefix += '/';
    }
    for (int attempt = 1; attempt <= kMaxNameAttempts; ++attempt) {
        const std::string path = prefix + ExchangeFileName(profile->name, tick, attempt);
        int err = 0;
        if (WriteNewFile(path, bytes, err)) {
            writtenPath = path;
            return true;
        }
        if (err != EEXIST) {
            error = "cannot write " + path + ": " + std::strerror(err);
            return false;
        }
    }
    error = "no free file name in " + folder;
    return false;
}

ImportResult ImportProfile(ProfileDatabase& db, const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) {
        return Failure(ImportError::kUnreadable, "cannot open " + file);
    }
    std::string bytes(kMaxExchangeFileBytes + 1, '\0');
    in.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (in.bad()) {
        return Failure(ImportError::kUnreadable, "cannot read " + file);
    }
    bytes.resize(static_cast<std::size_t>(in.gcount()));
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

    // Store.
    const int profile = db.AddProfile(name);
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
    result.profileId = profile;
    return result;
}

}  // namespace vantora
