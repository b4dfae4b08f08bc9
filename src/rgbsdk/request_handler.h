#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "rgbsdk/controller_description.h"
#include "rgbsdk/sdk_packet.h"

namespace vantora::rgbsdk {

// What the program does for a client's requests.
class ControllerActions {
public:
    virtual ~ControllerActions() = default;
    // Direct: shows these colours (one per LED, 0x00BBGGRR) now.
    virtual void SetLedColours(std::span<const std::uint32_t> colours) = 0;
    // Makes mode `index` of the controller current with these settings.
    virtual void UpdateMode(std::int32_t index, const SdkMode& mode) = 0;
    // As UpdateMode, and keeps it (Custom: stores the per-key colours).
    virtual void SaveMode(std::int32_t index, const SdkMode& mode) = 0;
    // Puts the keyboard under the client's control (the Direct mode).
    virtual void SetCustomMode() = 0;
};

// Answers one client's packets. The controller is shared by all clients
// (empty while no keyboard is present) and kept up to date with what the
// client sets; the protocol version is this client's own.
//
// Before version 6 a request cannot be refused, so each request of the
// versions offered gets its answer: no profiles and no plugins are offered,
// as empty lists. Requests that take no answer and make no sense here
// (resizing the fixed zone, segments, profiles, plugins, rescans) are
// ignored, as are unknown ids, requests for a device index other than 0 and
// requests too short for their fields.
class RequestHandler {
public:
    RequestHandler(std::optional<SdkController>& controller, ControllerActions& actions)
        : controller_(controller), actions_(actions) {}

    // The encoded answer packets, in order; none for most requests.
    std::vector<std::vector<std::uint8_t>> Handle(const Packet& packet);

    std::uint32_t Version() const { return version_; }
    const std::string& ClientName() const { return clientName_; }

private:
    void HandleLedUpdate(const Packet& packet);
    void HandleMode(const Packet& packet, bool save);
    std::vector<std::uint8_t> Answer(const Packet& request, std::span<const std::uint8_t> data) const;

    std::optional<SdkController>& controller_;
    ControllerActions& actions_;
    std::uint32_t version_ = 0;
    std::string clientName_;
};

}  // namespace vantora::rgbsdk
