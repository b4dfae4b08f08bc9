#include "sim/keyboard_state.h"

#include <gtest/gtest.h>

#include <array>

#include "device/protocol.h"
#include "unit/sim/flat_json.h"

namespace vantora::sim {
namespace {

using test::Field;
using test::ParseFlatJson;

TEST(KeyboardStateTest, FreshKeyboardShowsEveryTableInFull) {
    KeyboardFirmware firmware;
    auto fields = ParseFlatJson(KeyboardStateJson(firmware, true));
    ASSERT_TRUE(fields);
    const std::vector<std::pair<std::string, std::size_t>> tables = {
        {"settings", protocol::kSettingsSize},        {"default_key_table", protocol::kKeyTableSize},
        {"key_table", protocol::kKeyTableSize},       {"key_colours", protocol::kKeyColoursSize},
        {"macro_memory", protocol::kMacroMemorySize}, {"music_frame", protocol::kMusicFrameSize}};
    ASSERT_EQ(fields->size(), 3 + tables.size());
    EXPECT_EQ((*fields)[0], (std::pair<std::string, std::string>("plugged", "true")));
    EXPECT_EQ((*fields)[1], (std::pair<std::string, std::string>("in_transaction", "false")));
    EXPECT_EQ((*fields)[2], (std::pair<std::string, std::string>("reports_received", "0")));
    for (std::size_t i = 0; i < tables.size(); ++i) {
        const auto& [name, hex] = (*fields)[3 + i];
        EXPECT_EQ(name, tables[i].first);
        EXPECT_EQ(hex.size(), 2 * tables[i].second) << name;
        EXPECT_EQ(hex.find_first_not_of("0123456789abcdef"), std::string::npos) << name;
    }
    // Brightness 100 is byte 3 of the factory settings: high digit first.
    EXPECT_EQ(Field(*fields, "settings").substr(6, 2), "64");
}

TEST(KeyboardStateTest, ShowsTheTransactionCountAndTheLastTableByte) {
    KeyboardFirmware firmware;
    std::array<std::uint8_t, protocol::kReportSize> begin{};
    begin[protocol::kMarker] = protocol::kRequestMarker;
    begin[protocol::kCommand] = protocol::CMD_BEGIN;
    begin[protocol::kChecksum] = protocol::Checksum(begin.data(), 4, 63);
    firmware.HandleReport(begin);
    std::array<std::uint8_t, protocol::kReportSize> macro{};
    const std::size_t last = protocol::kMacroMemorySize - 1;
    macro[protocol::kMarker] = protocol::kRequestMarker;
    macro[protocol::kCommand] = protocol::CMD_WRITE_MACROS;
    macro[protocol::kLength] = 1;
    macro[protocol::kOffsetLow] = static_cast<std::uint8_t>(last & 0xFF);
    macro[protocol::kOffsetHigh] = static_cast<std::uint8_t>(last >> 8);
    macro[protocol::kData] = 0xC3;
    macro[protocol::kChecksum] = protocol::Checksum(macro.data(), 4, 63);
    ASSERT_EQ(firmware.HandleReport(macro).answer.value_or(decltype(macro){})[0], protocol::kAnswerMarker);

    auto fields = ParseFlatJson(KeyboardStateJson(firmware, false));
    ASSERT_TRUE(fields);
    EXPECT_EQ(Field(*fields, "plugged"), "false");
    EXPECT_EQ(Field(*fields, "in_transaction"), "true");
    EXPECT_EQ(Field(*fields, "reports_received"), "2");
    const std::string macros = Field(*fields, "macro_memory");
    EXPECT_EQ(macros.substr(macros.size() - 4), "00c3");
}

}  // namespace
}  // namespace vantora::sim
