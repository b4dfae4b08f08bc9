#include "lighting/light_editor.h"

#include <algorithm>

namespace vantora {
namespace {

constexpr int kLightingProfile = 1;

}  // namespace

std::optional<LightMode> LightingEditor::MakeCurrent(int mode) {
    LightMode row;
    if (!db_.GetLightMode(mode, row) || !db_.SetActiveLightMode(kLightingProfile, mode)) {
        return std::nullopt;
    }
    row.status = 1;
    selection_.lightMode = mode;
    return row;
}

LightJobs LightingEditor::ChooseMode(int mode) {
    LightMode row;
    if (db_.GetLightMode(mode, row) && !MakeCurrent(mode)) {
        return Refused();
    }
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
LightJobs LightingEditor::Update(Change change, LightJobs whenStored) {
    const int mode = selection_.lightMode.load();
    LightMode row;
    if (!db_.GetLightMode(mode, row)) {
        return {};
    }
    change(row);
    return db_.UpdateLightMode(mode, row) ? whenStored : Refused();
}

LightJobs LightingEditor::Refused() {
    LightJobs jobs;
    jobs.refused = true;
    return jobs;
}

LightJobs LightingEditor::SettingsJob() {
    LightJobs jobs;
    jobs.settings = true;
    return jobs;
}

LightJobs LightingEditor::SetBrightness(int value) {
    return Update([value](LightMode& row) { row.brightness = std::clamp(value, 0, kMaxBrightness); },
                  SettingsJob());
}

LightJobs LightingEditor::SetSpeed(int value) {
    return Update([value](LightMode& row) { row.speed = std::clamp(value, 0, kMaxSpeed); }, SettingsJob());
}

LightJobs LightingEditor::SetDirection(DirectionButton button) {
    const int value = DirectionValue(button);
    LightJobs jobs;
    if (selection_.lightMode.load() == kPerKeyLightMode) {
        jobs.keyColours = true;
    } else {
        jobs.settings = true;
    }
    return Update([value](LightMode& row) { row.direction = value; }, jobs);
}

LightJobs LightingEditor::SetColourful(bool on) {
    return Update([on](LightMode& row) { row.colorful = on ? 1 : 0; }, SettingsJob());
}

LightJobs LightingEditor::SetColour(std::uint32_t colour) {
    if (selection_.lightMode.load() == kPerKeyLightMode) {
        return {};
    }
    const int value = static_cast<int>(colour & 0xFFFFFFu);
    return Update([value](LightMode& row) { row.color_value = value; }, SettingsJob());
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
    if (!db_.ReplaceKeyColours(kPerKeyLightMode, records)) {
        return Refused();
    }
    jobs.keyColours = true;
    return jobs;
}

LightJobs LightingEditor::PaintKeys(const std::vector<int>& codes, std::uint32_t colour) {
    if (codes.empty()) {
        return {};
    }
    std::vector<KeyColourValue> keys = KeyColours();
    for (int code : codes) {
        auto stored = std::find_if(keys.begin(), keys.end(),
                                   [code](const KeyColourValue& key) { return key.code == code; });
        if (stored != keys.end()) {
            stored->colour = colour;
        } else {
            keys.push_back({code, colour});
        }
    }
    return SaveKeyColours(keys);
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
