#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "lighting/light_parameters.h"

namespace vantora {

// The downloads a lighting change needs, run in this order: the per-key
// colour table, then the settings block (whose mode byte 0 is what puts the
// keyboard into per-key display).
struct LightJobs {
    bool keyColours = false;
    bool settings = false;
    bool refused = false;  // the database did not take the change: nothing to download
    bool Any() const { return keyColours || settings; }
    bool operator==(const LightJobs&) const = default;
};

// One key of the per-key colour map.
struct KeyColourValue {
    int code = 0;  // HID usage, as the layout gives it
    std::uint32_t colour = 0;
};

// The light mode rules on the stored rows: which mode is current, each
// parameter's range and what a change must download. Every change is stored
// before the jobs are returned, so the worker downloads the stored values.
// Parameter changes apply to the selection's light mode and do nothing (no
// store, no job) while it has no row. A change the database refuses gives no
// job and `refused`. Any thread; no state of its own.
class LightingEditor {
public:
    LightingEditor(ProfileDatabase& db, Selection& selection) : db_(db), selection_(selection) {}

    // Makes `mode` the current one (stored and in the selection) and returns
    // its row; without a row, or when the database refuses, nothing changes.
    std::optional<LightMode> MakeCurrent(int mode);
    // The user chose `mode`: made current, then the settings download, and
    // for the per-key mode its colour table first.
    LightJobs ChooseMode(int mode);

    // The current mode's row.
    std::optional<LightMode> CurrentRow();

    LightJobs SetBrightness(int value);  // clamped to 0..100
    LightJobs SetSpeed(int value);       // clamped to 0..4
    LightJobs SetDirection(DirectionButton button);
    LightJobs SetColourful(bool on);
    // The current mode's single colour (0x00BBGGRR). The per-key mode has no
    // single colour: it keeps its map (SaveKeyColours) and nothing happens.
    LightJobs SetColour(std::uint32_t colour);
    // Replaces the stored per-key map with `keys` as one set.
    LightJobs SaveKeyColours(const std::vector<KeyColourValue>& keys);
    // Gives the keys `codes` the colour: the stored map with their rows
    // added or changed is stored as one set; the other keys keep theirs
    // (keys without a row stay off). No key: nothing happens.
    LightJobs PaintKeys(const std::vector<int>& codes, std::uint32_t colour);
    // The stored per-key map in table order.
    std::vector<KeyColourValue> KeyColours();

private:
    // Reads the current row, lets `change` edit it and stores it: then
    // `whenStored`; nothing without a row; `refused` when not stored.
    template <class Change>
    LightJobs Update(Change change, LightJobs whenStored);
    static LightJobs SettingsJob();
    static LightJobs Refused();

    ProfileDatabase& db_;
    Selection& selection_;
};

}  // namespace vantora
