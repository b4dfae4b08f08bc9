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

std::optional<int> EnsureLightModes(ProfileDatabase& db, bool perKey, int language) {
    if (db.CountLightModes(kLightingProfile) < 1) {
        for (const CatalogueMode& mode : kCatalogue) {
            db.AddLightMode(CatalogueRow(mode, language));
        }
        db.SetActiveLightMode(kLightingProfile, kFirstMode);
    }
    std::vector<LightMode> rows;
    db.ListLightModes(rows);
    const auto hasMode = [&rows](int mode) {
        return std::any_of(rows.begin(), rows.end(), [mode](const LightMode& r) { return r.mode == mode; });
    };
    if (perKey && !hasMode(kPerKeyLightMode) && db.AddLightMode(CustomRow(language)) > 0) {
        rows.push_back(CustomRow(language));
    }
    if (rows.empty()) {
        return std::nullopt;
    }
    // The mode column cannot tell "no current row" from the per-key mode 0:
    // the status column can.
    const auto current =
        std::find_if(rows.begin(), rows.end(), [](const LightMode& r) { return r.status == 1; });
    if (current != rows.end()) {
        return current->mode;
    }
    db.SetActiveLightMode(kLightingProfile, rows.front().mode);
    return rows.front().mode;
}

}  // namespace vantora
