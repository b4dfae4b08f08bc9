#include "lighting/light_editor.h"

#include <algorithm>

namespace vantora {
namespace {

constexpr int kLightingProfile = 1;

}  // namespace

std::optional<LightMode> LightingEditor::MakeCurrent(int mode) {
    LightMode row;
    if (!db_.GetLightMode(mode, row)) {
        return std::nullopt;
    }
    db_.SetActiveLightMode(kLightingProfile, mode);
    row.status = 1;
    selection_.lightMode = mode;
    return row;
}

LightJobs LightingEditor::ChooseMode(int mode) {
    MakeCurrent(mode);
    LightJobs jobs;
    jobs.settings = true;
    jobs.keyColours = selection_.lightMode.load() == kPerKeyLightMode;
    return jobs;
}

std::optional<LightMode> LightingEditor::CurrentRow() {
    LightMode row;
    if (!db_.GetLightMode(selection_.lightMode.load(), row)) {
        return std::nullopt;
    }
    return row;
}

template <class Change>
bool LightingEditor::Update(Change change) {
    const int mode = selection_.lightMode.load();
    LightMode row;
    if (!db_.GetLightMode(mode, row)) {
        return false;
    }
    change(row);
    db_.UpdateLightMode(mode, row);
    return true;
}

LightJobs LightingEditor::SettingsJob() const {
    LightJobs jobs;
    jobs.settings = true;
    return jobs;
}

LightJobs LightingEditor::SetBrightness(int value) {
    const bool stored =
        Update([value](LightMode& row) { row.brightness = std::clamp(value, 0, kMaxBrightness); });
    return stored ? SettingsJob() : LightJobs{};
}

LightJobs LightingEditor::SetSpeed(int value) {
    const bool stored = Update([value](LightMode& row) { row.speed = std::clamp(value, 0, kMaxSpeed); });
    return stored ? SettingsJob() : LightJobs{};
}

LightJobs LightingEditor::SetDirection(DirectionButton button) {
    const int value = DirectionValue(button);
    if (!Update([value](LightMode& row) { row.direction = value; })) {
        return {};
    }
    LightJobs jobs;
    if (selection_.lightMode.load() == kPerKeyLightMode) {
        jobs.keyColours = true;
    } else {
        jobs.settings = true;
    }
    return jobs;
}

LightJobs LightingEditor::SetColourful(bool on) {
    const bool stored = Update([on](LightMode& row) { row.colorful = on ? 1 : 0; });
    return stored ? SettingsJob() : LightJobs{};
}

LightJobs LightingEditor::SetColour(std::uint32_t colour) {
    if (selection_.lightMode.load() == kPerKeyLightMode) {
        return {};
    }
    const int value = static_cast<int>(colour & 0xFFFFFFu);
    const bool stored = Update([value](LightMode& row) { row.color_value = value; });
    return stored ? SettingsJob() : LightJobs{};
}

LightJobs LightingEditor::SaveKeyColours(const std::vector<KeyColourValue>& keys) {
    std::vector<KeyColour> records;
    records.reserve(keys.size());
    for (const KeyColourValue& key : keys) {
        KeyColour record;
        record.profile = kLightingProfile;
        record.light_id = kPerKeyLightMode;
        record.key_code = key.code;
        record.key_rgb = static_cast<int>(key.colour & 0xFFFFFFu);
        records.push_back(record);
    }
    LightJobs jobs;
    jobs.keyColours = db_.ReplaceKeyColours(kPerKeyLightMode, records);
    return jobs;
}

std::vector<KeyColourValue> LightingEditor::KeyColours() {
    std::vector<KeyColour> rows;
    db_.ListKeyColours(kPerKeyLightMode, rows);
    std::vector<KeyColourValue> keys;
    keys.reserve(rows.size());
    for (const KeyColour& row : rows) {
        keys.push_back({row.key_code, static_cast<std::uint32_t>(row.key_rgb) & 0xFFFFFFu});
    }
    return keys;
}

}  // namespace vantora
