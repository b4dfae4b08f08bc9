#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "sync/sync_task.h"

namespace vantora {

// What a caller asks a device session to do on the keyboard, as one unit
// with one outcome: the command line asks it of its own session, or of the
// running program over the program's local socket.
enum class KeyboardWork {
    kNothing,       // nothing to send: only the pages are shown again
    kKeys,          // the active profile's key table
    kSettings,      // the settings block (light mode, switches)
    kLighting,      // the per-key colour table, then the settings block
    kMacros,        // the macro memory
    kMacrosKeys,    // the macro memory, then the active profile's key table
    kFactoryReset,  // database emptied, keyboard reset, every page reloaded
    kSync,          // the initial load (read-back) and every download
};

// The connection as the session sees it; the ids are the configured ones.
struct KeyboardStatus {
    bool connected = false;
    int vendorId = 0;
    int productId = 0;
    int firmwareVersion = 0;
    // Music frames are being streamed (the program's MUSIC page is shown).
    bool musicStreaming = false;
};

// The request lines of the program's local socket (one line each way):
//   "show"                                  -> (none) the window comes forward
//   "status"                                -> "status <0|1> <vid> <pid> <firmware>[ music]"
//   "work <name>[ profiles][ switches][ labels][ light][ macros]" -> "done <outcome>"
// where the words after the name ask the program to show those pages again
// from the database (the caller changed it) before the work is queued:
// "labels" shows the key labels of the profile and layer on screen, "light"
// the LIGHT page (and makes the stored current mode the one downloaded),
// "macros" the macro list of the MACRO page.
struct WorkRequest {
    KeyboardWork work = KeyboardWork::kKeys;
    bool reloadProfiles = false;
    bool reloadSwitches = false;
    bool reloadKeyLabels = false;
    bool reloadLighting = false;
    bool reloadMacros = false;
};

std::string EncodeWorkRequest(const WorkRequest& request);
std::optional<WorkRequest> DecodeWorkRequest(std::string_view line);
std::string EncodeStatusReply(const KeyboardStatus& status);
std::optional<KeyboardStatus> DecodeStatusReply(std::string_view line);
std::string EncodeDoneReply(JobOutcome outcome);
std::optional<JobOutcome> DecodeDoneReply(std::string_view line);

// The outcome of several jobs taken together: the worst of them.
JobOutcome WorseOutcome(JobOutcome a, JobOutcome b);

}  // namespace vantora
