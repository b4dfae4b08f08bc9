#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "rgbsdk/request_handler.h"

namespace vantora {

class DeviceSession;

// The keyboard as OpenRGB SDK clients see it, and what their requests do
// to it through the session:
// - Direct (and LED updates in any mode): each update is one frame streamed
//   to the keys the way the music frames are (the latest frame wins, nothing
//   is stored);
// - Custom: UpdateMode shows the stored per-key map, SaveMode stores the
//   client's colours as that map, as the per-key editor does;
// - a light mode: made current with the client's settings, stored and
//   downloaded, as the LIGHT page does.
// `lightingChanged` is told after every stored change (the window shows the
// LIGHT page again). Runs on the thread of the server; no state of its own
// but the LED order and the latest colours.
class SdkKeyboard : public rgbsdk::ControllerActions {
public:
    SdkKeyboard(DeviceSession& session, std::function<void()> lightingChanged)
        : session_(session), lightingChanged_(std::move(lightingChanged)) {}

    // The controller of the keyboard connected now: one LED per key of the
    // configured layout in file order, on its row_col grid; the stored
    // per-key map as its colours. Nothing without a keyboard or keys.
    std::optional<rgbsdk::SdkController> Describe();

    void SetLedColours(std::span<const std::uint32_t> colours) override;
    void UpdateMode(std::int32_t index, const rgbsdk::SdkMode& mode) override;
    void SaveMode(std::int32_t index, const rgbsdk::SdkMode& mode) override;
    void SetCustomMode() override {}  // the keys are the client's with its first frame

private:
    // Makes a light mode current with the client's settings, or the per-key
    // mode (storing `colours_` first when `storeMap`).
    void ApplyMode(const rgbsdk::SdkMode& mode, bool custom, bool storeMap);

    DeviceSession& session_;
    std::function<void()> lightingChanged_;
    std::vector<int> codes_;              // the key code of each LED
    std::vector<std::uint32_t> colours_;  // the latest colour of each LED
};

}  // namespace vantora
