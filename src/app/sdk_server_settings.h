#pragma once

#include <string>

namespace vantora {

// The OpenRGB SDK server's settings in config.ini (section "TEXT"):
// OPENRGB_SERVER=1 switches it on (off otherwise), OPENRGB_PORT its port on
// 127.0.0.1 (1..65535; absent or out of range: kDefaultSdkPort). The
// settings dialog writes both into the user's config.ini.
inline constexpr const char* kSdkServerKey = "OPENRGB_SERVER";
inline constexpr const char* kSdkPortKey = "OPENRGB_PORT";
// Not OpenRGB's own 6742: OpenRGB looks there at its start and, when
// something answers, leaves out its own devices.
inline constexpr int kDefaultSdkPort = 6743;

struct SdkServerSettings {
    bool enabled = false;
    int port = kDefaultSdkPort;
    bool operator==(const SdkServerSettings&) const = default;
};

// From `configFile` as the program reads it (the user's values first).
SdkServerSettings ReadSdkServerSettings(const std::string& configFile);
// Into the user's config.ini; false when it could not be written.
bool WriteSdkServerSettings(const SdkServerSettings& settings);

// Sets `key` of section "TEXT" in the INI file `file` to `value`: the key's
// line replaced (matched without regard to case and blanks), else added to
// the section, else the section added; every other line is kept. Written
// through a temporary file; false when the file could not be written.
bool WriteIniValue(const std::string& file, const std::string& key, const std::string& value);

}  // namespace vantora
