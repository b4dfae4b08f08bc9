#include "sim/keyboard_state.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <span>

namespace vantora::sim {

namespace {

void AppendTable(std::string& json, const char* name, std::span<const std::uint8_t> table) {
    static const char kDigits[] = "0123456789abcdef";
    json += ",\"";
    json += name;
    json += "\":\"";
    for (std::uint8_t byte : table) {
        json += kDigits[byte >> 4];
        json += kDigits[byte & 0x0F];
    }
    json += '"';
}

}  // namespace

std::string KeyboardStateJson(const KeyboardFirmware& firmware, bool plugged) {
    constexpr std::size_t kTableBytes = protocol::kSettingsSize + 2 * protocol::kKeyTableSize +
                                        protocol::kKeyColoursSize + protocol::kMacroMemorySize +
                                        protocol::kMusicFrameSize;
    std::string json;
    json.reserve(2 * kTableBytes + 256);
    json += "{\"plugged\":";
    json += plugged ? "true" : "false";
    json += ",\"in_transaction\":";
    json += firmware.InTransaction() ? "true" : "false";
    json += ",\"reports_received\":";
    json += std::to_string(firmware.ReportsReceived());
    AppendTable(json, "settings", firmware.Settings());
    AppendTable(json, "default_key_table", firmware.DefaultKeyTable());
    AppendTable(json, "key_table", firmware.KeyTable());
    AppendTable(json, "key_colours", firmware.KeyColours());
    AppendTable(json, "macro_memory", firmware.MacroMemory());
    AppendTable(json, "music_frame", firmware.MusicFrame());
    json += '}';
    return json;
}

bool ReplaceFile(const std::string& path, const std::string& text, std::string* error) {
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    const std::string temporary = folder + "." + name + ".tmp";
    auto fail = [&](const std::string& what) {
        if (error != nullptr) {
            *error = "cannot write " + what + ": " + std::strerror(errno);
        }
        std::remove(temporary.c_str());
        return false;
    };
    std::FILE* file = std::fopen(temporary.c_str(), "w");
    if (file == nullptr) {
        return fail(temporary);
    }
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (std::fclose(file) != 0 || !written) {
        return fail(temporary);
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        return fail(path);
    }
    return true;
}

}  // namespace vantora::sim
