#include "session/sdk_keyboard.h"

#include "device/hid_device_manager.h"
#include "i18n/strings.h"
#include "lighting/light_editor.h"
#include "lighting/light_parameters.h"
#include "rgbsdk/light_mode_offer.h"
#include "session/device_session.h"
#include "sync/colour_tables.h"
#include "sync/device_worker.h"

#include <algorithm>
#include <cstdio>
#include <map>

namespace vantora {
namespace {

constexpr int kEnglish = 1033;

rgbsdk::SdkMode DescribeRow(const LightMode& row) {
    rgbsdk::LightModeOffer offer;
    // Clients keep modes by name: the names are the same in every language.
    offer.name = GetUiString(row.reserved, kEnglish);
    offer.number = row.mode;
    offer.hasSpeed = (row.config_func & kLightSpeed) != 0;
    offer.hasBrightness = (row.config_func & kLightBrightness) != 0;
    offer.hasLeftRight = (row.config_func & kLightLeftRight) != 0;
    offer.hasUpDown = !offer.hasLeftRight && (row.config_func & kLightUpDown) != 0;
    offer.hasColour = (row.config_func & kLightColour) != 0;
    offer.hasColourful = (row.config_func & kLightColourful) != 0;
    offer.speed = static_cast<std::uint32_t>(std::max(row.speed, 0));
    offer.brightness = static_cast<std::uint32_t>(std::max(row.brightness, 0));
    offer.directionFirst = row.direction == 1;
    offer.colourful = row.colorful != 0;
    offer.colour = static_cast<std::uint32_t>(row.color_value);
    return rgbsdk::DescribeLightMode(offer);
}

void Merge(LightJobs& all, const LightJobs& one) {
    all.keyColours = all.keyColours || one.keyColours;
    all.settings = all.settings || one.settings;
    all.refused = all.refused || one.refused;
}

}  // namespace

std::optional<rgbsdk::SdkController> SdkKeyboard::Describe() {
    codes_.clear();
    colours_.clear();
    if (!session_.IsConnected()) {
        return std::nullopt;
    }
    rgbsdk::DeviceTexts texts;
    texts.name = "VANTORA Keyboard";
    texts.vendor = "VANTORA";
    texts.description = "VANTORA per-key RGB keyboard";
    if (HidDeviceManager* manager = session_.Manager()) {
        const std::vector<DeviceRecordInfo> records = manager->Records();
        if (!records.empty()) {
            const DeviceRecordInfo& record = records.front();
            if (!record.product.empty()) {
                texts.name = record.product;
            }
            if (!record.manufacturer.empty()) {
                texts.vendor = record.manufacturer;
            }
            texts.location = "HID: " + record.path;
            char ids[16];
            std::snprintf(ids, sizeof ids, "%04X:%04X", record.vendorId, record.productId);
            texts.serial = ids;
        }
    }
    char firmware[16];
    std::snprintf(firmware, sizeof firmware, "%x", static_cast<unsigned>(session_.FirmwareVersion()));
    texts.version = firmware;

    std::vector<rgbsdk::SdkKey> keys;
    for (const LayoutKey& key : session_.Layout().keys) {
        keys.push_back({key.name, key.desc, static_cast<std::uint32_t>(std::max(key.column, 0)),
                        static_cast<std::uint32_t>(std::max(key.row, 0)),
                        static_cast<std::uint32_t>(std::max(key.keyIndex, 0))});
        codes_.push_back(key.code);
    }
    std::vector<rgbsdk::SdkMode> modes;
    std::vector<LightMode> rows;
    session_.Database().ListLightModes(rows);
    int current = -1;
    int customBrightness = -1;
    for (const LightMode& row : rows) {
        if (row.status == 1) {
            current = row.mode;
        }
        if (row.mode == kPerKeyLightMode) {
            customBrightness = row.brightness;
            continue;
        }
        modes.push_back(DescribeRow(row));
    }
    std::optional<rgbsdk::SdkController> controller =
        rgbsdk::BuildKeyboardController(texts, keys, std::move(modes));
    if (!controller) {
        codes_.clear();
        return controller;
    }
    std::map<int, std::uint32_t> stored;
    for (const KeyColourValue& key :
         LightingEditor(session_.Database(), session_.CurrentSelection()).KeyColours()) {
        stored[key.code] = key.colour;
    }
    for (std::size_t i = 0; i < codes_.size(); ++i) {
        const auto found = stored.find(codes_[i]);
        controller->colours[i] = found != stored.end() ? found->second & 0x00FFFFFF : 0;
    }
    colours_ = controller->colours;
    if (customBrightness >= 0) {
        controller->modes[rgbsdk::kCustomModeIndex].brightness =
            static_cast<std::uint32_t>(std::min(customBrightness, kMaxBrightness));
    }
    controller->activeMode = rgbsdk::kCustomModeIndex;
    for (std::size_t i = 2; i < controller->modes.size(); ++i) {
        if (controller->modes[i].value == current) {
            controller->activeMode = static_cast<std::int32_t>(i);
        }
    }
    return controller;
}

void SdkKeyboard::SetLedColours(std::span<const std::uint32_t> colours) {
    colours_.assign(colours.begin(), colours.end());
    DeviceWorker* worker = session_.Worker();
    if (worker == nullptr) {
        return;
    }
    std::vector<KeyColourSample> samples;
    for (std::size_t i = 0; i < codes_.size() && i < colours.size(); ++i) {
        samples.push_back({codes_[i], colours[i]});
    }
    worker->SetDirectFrame(BuildColourTable(samples, session_.Layout().codeToIndex));
}

void SdkKeyboard::UpdateMode(std::int32_t index, const rgbsdk::SdkMode& mode) {
    if (index == rgbsdk::kDirectModeIndex) {
        return;  // the keys are the client's with its first frame
    }
    ApplyMode(mode, index == rgbsdk::kCustomModeIndex, false);
}

void SdkKeyboard::SaveMode(std::int32_t index, const rgbsdk::SdkMode& mode) {
    if (index == rgbsdk::kDirectModeIndex) {
        return;  // Direct frames are never stored
    }
    ApplyMode(mode, index == rgbsdk::kCustomModeIndex, index == rgbsdk::kCustomModeIndex);
}

void SdkKeyboard::ApplyMode(const rgbsdk::SdkMode& mode, bool custom, bool storeMap) {
    LightingEditor editor(session_.Database(), session_.CurrentSelection());
    LightJobs jobs;
    if (storeMap) {
        std::vector<KeyColourValue> keys;
        for (std::size_t i = 0; i < codes_.size() && i < colours_.size(); ++i) {
            if (colours_[i] != 0) {  // a key without a colour is off, as in the editor's map
                keys.push_back({codes_[i], colours_[i]});
            }
        }
        Merge(jobs, editor.SaveKeyColours(keys));
    }
    Merge(jobs, editor.ChooseMode(custom ? kPerKeyLightMode : mode.value));
    const rgbsdk::LightModeSettings settings = rgbsdk::SettingsOf(mode);
    if (mode.flags & rgbsdk::kModeBrightness) {
        Merge(jobs, editor.SetBrightness(static_cast<int>(settings.brightness)));
    }
    if (mode.flags & rgbsdk::kModeSpeed) {
        Merge(jobs, editor.SetSpeed(static_cast<int>(settings.speed)));
    }
    if (mode.flags & rgbsdk::kModeDirectionLeftRight) {
        Merge(jobs, editor.SetDirection(settings.directionFirst ? DirectionButton::kLeft
                                                                : DirectionButton::kRight));
    } else if (mode.flags & rgbsdk::kModeDirectionUpDown) {
        Merge(jobs,
              editor.SetDirection(settings.directionFirst ? DirectionButton::kUp : DirectionButton::kDown));
    }
    if (mode.flags & rgbsdk::kModeRandomColour) {
        Merge(jobs, editor.SetColourful(settings.colourful));
    }
    if ((mode.flags & rgbsdk::kModeSpecificColour) && !settings.colourful) {
        Merge(jobs, editor.SetColour(settings.colour));
    }
    // The light mode shows at once: the client's frames give way.
    if (DeviceWorker* worker = session_.Worker()) {
        worker->EndDirectFrames();
    }
    if (jobs.keyColours) {
        session_.Queue(SyncKeyColours);
    }
    if (jobs.settings) {
        session_.Queue(SyncSettings);
    }
    if (lightingChanged_) {
        lightingChanged_();
    }
}

}  // namespace vantora
