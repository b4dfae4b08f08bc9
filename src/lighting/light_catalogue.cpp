#include "lighting/light_catalogue.h"

#include <algorithm>
#include <array>

#include "i18n/strings.h"
#include "lighting/light_parameters.h"

namespace vantora {
namespace {

constexpr int kLightingProfile = 1;
constexpr int kStartBrightness = 100;
constexpr int kStartSpeed = 3;
constexpr int kStartColour = 0xEDE338;
constexpr int kFirstMode = 1;  // Spectrum

constexpr std::array<CatalogueMode, 22> kCatalogue{{
    {1, 71, 0x03},  {2, 72, 0x31},  {4, 73, 0x33},  {3, 74, 0x31},  {5, 75, 0x03},  {6, 76, 0x37},
    {7, 77, 0x3B},  {8, 92, 0x3B},  {9, 93, 0x3B},  {10, 78, 0x37}, {11, 79, 0x33}, {12, 94, 0x3B},
    {13, 81, 0x33}, {14, 82, 0x33}, {15, 83, 0x33}, {16, 84, 0x03}, {17, 85, 0x33}, {18, 80, 0x33},
    {19, 87, 0x33}, {20, 88, 0x33}, {21, 89, 0x33}, {22, 90, 0x33},
}};

LightMode StartRow(int mode, int stringId, int configFunc, int colorful, int language) {
    LightMode row;
    row.profile = kLightingProfile;
    row.name = GetUiString(stringId, language);
    row.mode = mode;
    row.brightness = kStartBrightness;
    row.speed = kStartSpeed;
    row.direction = 0;
    row.colorful = colorful;
    row.colorindex = 0;
    row.color_value = kStartColour;
    row.config_func = configFunc;
    row.reserved = stringId;
    row.status = 0;
    return row;
}

}  // namespace

std::span<const CatalogueMode> LightCatalogue() {
    return kCatalogue;
}

LightMode CatalogueRow(const CatalogueMode& mode, int language) {
    return StartRow(mode.mode, mode.stringId, mode.configFunc, 1, language);
}

LightMode CustomRow(int language) {
    return StartRow(kPerKeyLightMode, kCustomModeStringId, kLightPerKey | kLightColour | kLightBrightness, 0,
                    language);
}

namespace {

bool HasMode(const std::vector<LightMode>& rows, int mode) {
    return std::any_of(rows.begin(), rows.end(), [mode](const LightMode& r) { return r.mode == mode; });
}

const LightMode* CurrentRow(const std::vector<LightMode>& rows) {
    // The mode column cannot tell "no current row" from the per-key mode 0:
    // the status column can.
    const auto current =
        std::find_if(rows.begin(), rows.end(), [](const LightMode& r) { return r.status == 1; });
    return current != rows.end() ? &*current : nullptr;
}

bool IsComplete(const std::vector<LightMode>& rows, bool perKey) {
    return std::all_of(kCatalogue.begin(), kCatalogue.end(),
                       [&rows](const CatalogueMode& mode) { return HasMode(rows, mode.mode); }) &&
           (!perKey || HasMode(rows, kPerKeyLightMode)) && CurrentRow(rows) != nullptr;
}

// Adds what `rows` (the stored rows) lack and makes a row current when none
// is; false as soon as the database refuses something.
bool Complete(ProfileDatabase& db, std::vector<LightMode>& rows, bool perKey, int language) {
    for (const CatalogueMode& mode : kCatalogue) {
        if (!HasMode(rows, mode.mode) && db.AddLightMode(CatalogueRow(mode, language)) == 0) {
            return false;
        }
    }
    if (perKey && !HasMode(rows, kPerKeyLightMode) && db.AddLightMode(CustomRow(language)) == 0) {
        return false;
    }
    db.ListLightModes(rows);
    // On a new table the first listed row is Spectrum.
    return CurrentRow(rows) != nullptr || db.SetActiveLightMode(kLightingProfile, rows.front().mode);
}

}  // namespace

std::optional<int> EnsureLightModes(ProfileDatabase& db, bool perKey, int language) {
    std::vector<LightMode> rows;
    db.ListLightModes(rows);
    if (!IsComplete(rows, perKey)) {
        // One transaction that reads the rows again once it holds the write
        // lock: programs starting at once add each row once, and a table
        // that holds some of the modes gets the others.
        ProfileDatabase::Transaction transaction(db);
        if (transaction.Began()) {
            db.ListLightModes(rows);
            if (!IsComplete(rows, perKey) && Complete(db, rows, perKey, language)) {
                transaction.Commit();
            }
        }
        db.ListLightModes(rows);
    }
    if (rows.empty()) {
        return std::nullopt;
    }
    const LightMode* current = CurrentRow(rows);
    // Without a current row that could be stored, the first row is the one
    // shown and sent.
    return current != nullptr ? current->mode : rows.front().mode;
}

}  // namespace vantora
