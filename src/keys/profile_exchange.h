#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "db/profile_database.h"
#include "keys/exchange_file.h"

namespace vantora {

// The profile exchange file: a profile's name and every key assignment row of
// both layers, as XML. Files written here and files of the original Windows
// program read the same either way:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <profile>
//   <profileinfo name="..."/>
//   <keyitems>
//   <item fn_layer=".." key_code=".." layout_value=".." layout_desc=".."
//         macro_type=".." macro_value=".." macro_value2=".." macro_value3=".." macro_desc=".."/>
//   </keyitems>
//   </profile>
//
// (each item on one line; lines end with CR LF; layer 0 items first, each
// layer in table order; a profile without assignments has <keyitems/>.)
// Nothing else travels: no lighting, no macros, no host-side rows.

// The largest file ImportProfile reads, and the most item elements it takes
// (two layers of at most 255 keys fit many times over). The XML reader's own
// limits (XmlDocument::kMaxDepth, kMaxReadElements) hold as well.
inline constexpr std::size_t kMaxExchangeFileBytes = 8u << 20;
inline constexpr std::size_t kMaxExchangeItems = 4096;

// Writes profile `profileId` to a new file in `folder`, named by
// ExchangeFileName with the system's millisecond tick count (as a signed
// 32-bit number). An existing file is never replaced: a taken name moves on
// to the next attempt, so two exports always give two files. The name
// attribute holds the stored profile name as the XML writer can hold it
// (EscapeXml: characters XML cannot carry become U+FFFD). True with the file's
// path in `writtenPath`; false with a reason in `error` (no such profile, no
// such folder, the file cannot be written), in which case no file is left.
bool ExportProfile(ProfileDatabase& db, int profileId, const std::string& folder, std::string& writtenPath,
                   std::string& error);
// The same with a given tick count.
bool ExportProfileAt(ProfileDatabase& db, int profileId, const std::string& folder, std::int32_t tick,
                     std::string& writtenPath, std::string& error);

// Why an item of an imported file made no row.
enum class ImportSkipReason {
    kBadAttribute,  // fn_layer, key_code, macro_type or macro_value missing, or a number that is not one
    kBadKey,        // layer not 0 or 1, or key code not 1 to 255
    kUnknownType,   // a function type the program does not have (0 and 4 included)
    kBadValue,      // a value that type cannot have (macro_value 0, an unknown list code, no text)
    kUnknownMacro,  // no macro of that id with that name here
    kUnknownApplication,  // no application row of that id with that label here: the program is unknown
    kNoHostSlot,          // the profile already refers to 255 host-side rows: the keyboard holds no more
};

struct SkippedItem {
    std::size_t position = 0;  // 1-based among the file's item elements
    int fn_layer = 0;
    int key_code = 0;
    int macro_type = 0;
    std::string macro_desc;
    ImportSkipReason reason = ImportSkipReason::kBadAttribute;
};

enum class ImportError {
    kNone,
    kUnreadable,   // the file cannot be read
    kTooLarge,     // above kMaxExchangeFileBytes, or more than kMaxExchangeItems items
    kNotAProfile,  // not XML with one root element named profile
    kNoName,       // no profileinfo, or a blank name
    kStoreFailed,  // the database did not take the profile or one of its rows
};

struct ImportResult {
    int profileId = 0;  // the new profile; 0 when none was made
    std::vector<SkippedItem> skipped;
    ImportError status = ImportError::kNone;
    std::string error;  // English, for logs and messages; empty on success
    std::string note;   // English, for the user: the file's name was cleaned; else empty
};

// Reads an exchange file into a new profile with the file's name; the
// profile is neither activated nor written to the keyboard. A name that
// breaks the name rule (text/item_names.h) is stored cleaned by
// CleanItemName, and `note` says so. Every item
// becomes a row unless it is skipped (listed with the reason); several items
// for one layer and key: the last one wins.
//
// Ids in the file belong to the database that wrote it. A macro item keeps
// its id only when this database has a macro of that id and the item's label
// is that macro's name, or a label a key of this database carries for that
// macro (a name the macro had when the key was saved); it is stored with the
// macro's current name. Anything else is skipped. An application, web site or
// text item keeps its id only when this database's host-side row of that id
// has the same type and text; otherwise web sites and texts get a new row
// made from the item's text (items sharing one old id share the new row; an
// id below 256 that no key uses when there is one, else a new id) and
// applications are skipped, since the file does not hold the program's path.
// The keyboard gives a profile at most
// KeyAssignmentEditor::kHostSideRowsPerProfile host-side rows: an item that
// would be the profile's next one is skipped (kNoHostSlot).
//
// The profile, its rows and new host-side rows are stored in one transaction:
// on any error nothing is left behind.
ImportResult ImportProfile(ProfileDatabase& db, const std::string& file);
// The same for the bytes of a file.
ImportResult ImportProfileBytes(ProfileDatabase& db, std::string_view bytes);

}  // namespace vantora
