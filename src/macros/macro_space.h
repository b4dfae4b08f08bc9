#pragma once

namespace vantora {

// The macro space as the editor counts it: the records of all macros
// together never pass this (the keyboard itself holds fewer, see the macro
// memory plan).
inline constexpr int kMacroRecordSpace = 1000;
// Recording starts only with at least this many records free.
inline constexpr int kMinFreeRecordsToRecord = 10;
// The longest pause a recorded record keeps, in milliseconds.
inline constexpr int kMaxRecordedDelayMs = 31000;
// The longest delay of a record the keyboard holds (16 bits), in milliseconds:
// the editor, the imports and the download keep delays within 0 to this.
inline constexpr int kMaxMacroDelayMs = 65535;
// Delays the page and the record edit dialog accept, in milliseconds.
inline constexpr int kMaxTypedDelayMs = kMaxMacroDelayMs;

}  // namespace vantora
