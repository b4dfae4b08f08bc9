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
// Delays the page and the record edit dialog accept, in milliseconds.
inline constexpr int kMaxTypedDelayMs = 65535;

}  // namespace vantora
