#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/profile_database.h"
#include "macros/macro_space.h"

namespace vantora {

// The macro exchange file: one macro's settings and records, as XML. Files
// written here and files of the original Windows program read the same either
// way:
//
//   <?xml version="1.0" encoding="UTF-8"?>
//   <macro>
//   <macroinfo name="Copy" times="1" type="1" delaytime="0"/>
//   <macroitems>
//   <item desc="C" type="2" value="67" delay_time="50"/>
//   </macroitems>
//   </macro>
//
// (lines end with CR LF; records in record_index order; a macro without
// records has <macroitems/>.) Ids, record indexes and link counts do not
// travel.

// The largest file ImportMacro reads.
inline constexpr std::size_t kMaxMacroFileBytes = 4u << 20;

// Writes macro `macroId` to a new file in `folder`, named by ExchangeFileName
// (keys/profile_exchange.h: unsafe characters replaced, never outside the
// folder) from the macro's name and the system's millisecond tick count. An
// existing file is never replaced: a taken name moves on to the next attempt.
// The name attribute holds the stored name as the XML writer can hold it
// (EscapeXml: characters XML cannot carry become U+FFFD). True with the file's
// path in `writtenPath`; false with a reason in `error` (no such macro, no
// such folder, the file cannot be written), in which case no file is left.
bool ExportMacro(ProfileDatabase& db, int macroId, const std::string& folder, std::string& writtenPath,
                 std::string& error);
// The same with a given tick count.
bool ExportMacroAt(ProfileDatabase& db, int macroId, const std::string& folder, std::int32_t tick,
                   std::string& writtenPath, std::string& error);

enum class MacroImportStatus {
    kOk,
    kUnreadable,   // the file cannot be read
    kTooLarge,     // above kMaxMacroFileBytes
    kNotAMacro,    // not XML with a root element named macro
    kNoSpace,      // the records would take the stored total past kMacroRecordSpace
    kStoreFailed,  // the database did not take the macro or one of its records
};

struct MacroImportResult {
    int macroId = 0;  // the new macro; 0 when none was made
    MacroImportStatus status = MacroImportStatus::kOk;
    std::string error;         // English, for logs and messages; empty on success
    int clampedDelays = 0;     // delays of the file brought within 0..kMaxMacroDelayMs
    bool nameCleaned = false;  // the file's name broke the name rule and was cleaned
    std::string note;          // English, for the user, when either of the above; else empty
};

// Reads an exchange file into a new macro, appended after the stored ones with
// link count 0. Nothing goes to the keyboard: the caller queues the macro
// download when it wants one.
//
// What is read:
//  - macroinfo: name (text, as given, empty too), times, type, delaytime. A
//    file without macroinfo makes a macro with an empty name and zeros. A
//    name with control characters or bytes that are not UTF-8 is stored
//    cleaned by CleanItemName (text/item_names.h), said in nameCleaned and
//    note.
//  - each item of macroitems in file order: desc, type, value, delay_time.
//    Without macroitems the macro is empty.
//  - numbers: leading blanks, an optional sign and the digits; what follows
//    the digits is ignored. A missing or non-numeric attribute reads 0; a
//    value beyond the 32-bit signed range reads as its nearest end
//    (-2147483648 or 2147483647). Delays (delaytime, delay_time) are stored
//    within 0 to kMaxMacroDelayMs, what the keyboard holds: a negative one as
//    0, a longer one as kMaxMacroDelayMs, counted in clampedDelays and said in
//    note. Other values are not checked: any type code and any value is
//    stored as read.
//  - other attributes and elements are ignored.
//
// Only item elements directly in macroitems are records; deeper ones are
// not read. As everywhere in the XML reader, start tags left open and stray
// end tags are tolerated.
//
// Refused with nothing stored: a file above kMaxMacroFileBytes or past the
// XML reader's limits (XmlDocument::kMaxDepth, kMaxReadElements); a file whose
// top-level element is not macro; records that would bring the total of all
// stored records past kMacroRecordSpace (the file's records are counted
// before anything is stored; a file without records always fits). The macro
// and its records are stored in one transaction: when the database does not
// take all of them, nothing is left.
MacroImportResult ImportMacro(ProfileDatabase& db, const std::string& file);
// The same for the bytes of a file.
MacroImportResult ImportMacroBytes(ProfileDatabase& db, std::string_view bytes);

}  // namespace vantora
