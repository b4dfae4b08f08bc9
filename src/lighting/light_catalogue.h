#pragma once

#include <optional>
#include <span>

#include "db/profile_database.h"

namespace vantora {

// One light mode of the built-in catalogue.
struct CatalogueMode {
    int mode = 0;
    int stringId = 0;  // its name in the string tables
    int configFunc = 0;
};

// The 22 modes in the order they are created and listed (mode 4 before 3).
std::span<const CatalogueMode> LightCatalogue();

// The string id of the per-key mode's name ("Custom").
inline constexpr int kCustomModeStringId = 91;

// The row a catalogue mode starts with: brightness 100, speed 3, colourful,
// colour 0xEDE338, named in `language`.
LightMode CatalogueRow(const CatalogueMode& mode, int language);
// The per-key ("Custom") row: mode 0, single colour, per-key with colour
// controls and brightness.
LightMode CustomRow(int language);

// Makes the stored light rows usable, each time they are loaded:
// - an empty table gets the catalogue, with Spectrum current;
// - a table that holds some of the catalogue's modes gets the others,
//   appended in the catalogue's order;
// - with `perKey`, a table without a mode-0 row gets the Custom row last;
// - when no row is current, the first listed row is made current (a table
//   without a current row would otherwise read as the per-key mode 0).
// What is missing is added in one transaction, so a row is never added
// twice, also by programs starting at once. Nothing is written when the
// rows are complete. Returns the current mode (the first row when no row is
// current and none could be made so); nothing when the table holds no row
// (the database cannot be written).
std::optional<int> EnsureLightModes(ProfileDatabase& db, bool perKey, int language);

}  // namespace vantora
