#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "db/records.h"

namespace vantora {

// The record types the editor makes.
inline constexpr int kRecordKeyDown = 2;
inline constexpr int kRecordKeyUp = 3;

// The working copy of a macro's records as the MACRO page and the command
// line edit it: entries in play order (desc, type, value, delay_time; the
// ids and indexes are set when the list is saved). Each function returns
// the index to select afterwards (-1: none).

// A key press and its release with the same delay, after record `selected`
// or at the end when `selected` is not a record. Returns the index of the
// press.
int InsertKeyPair(std::vector<MacroStep>& records, int selected, const std::string& name, int code,
                  int delay);
// Removes record `index` and selects the one before it; a bad index changes
// nothing and returns -1.
int DeleteRecord(std::vector<MacroStep>& records, int index);
// A record edited in the record edit dialog: its key (desc and value) and
// delay replaced, its type (key down or key up) kept. Only key records are
// edited; false for another type or a bad index, with nothing changed.
bool EditKeyRecord(std::vector<MacroStep>& records, int index, const std::string& desc, int value, int delay);
// A typed delay: the leading decimal digits, 0 when there are none, at most
// kMaxTypedDelayMs.
int ParseTypedDelay(std::string_view text);

}  // namespace vantora
