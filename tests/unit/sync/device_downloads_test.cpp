#include "sync/device_downloads.h"

#include <gtest/gtest.h>

#include "device/key_index.h"
#include "device/protocol.h"
#include "fake_host.h"
#include "sync/firmware_version.h"
#include "sync_fixture.h"

namespace vantora {
namespace {

using namespace protocol;
using test::RecordingKeyboard;
using Commands = std::vector<std::uint8_t>;

Commands Repeat(std::uint8_t command, int times) {
    return Commands(static_cast<std::size_t>(times), command);
}

Commands Join(std::initializer_list<Commands> parts) {
    Commands all;
    for (const Commands& part : parts) {
        all.insert(all.end(), part.begin(), part.end());
    }
    return all;
}

std::array<std::uint8_t, 3> Slot(const std::array<std::uint8_t, 768>& table, int index, int layer) {
    const std::size_t start = 6 * static_cast<std::size_t>(index) + 3 * static_cast<std::size_t>(layer);
    return {table[start], table[start + 1], table[start + 2]};
}

class DownloadsTest : public test::SyncFixture {
protected:
    DeviceDownloads downloads{Context()};
};

TEST_F(DownloadsTest, ReadBackRemovesKeysAtTheirDefault) {
    Assign(0, 4, 2, 5);                       // A -> B, but the keyboard still has A's default
    Assign(1, 41, 5, 1);                      // Esc a mouse button on the FN layer, also at default
    Assign(0, 20, 2, 6);                      // Q remapped on the keyboard as well
    keyboard.currentKeys[6 * 8 + 2] ^= 0x01;  // Q (index 8): last byte differs
    const ReadBackResult result = downloads.ReadBackKeyTables();
    EXPECT_TRUE(result.defaultsComplete);
    EXPECT_TRUE(result.currentComplete);
    EXPECT_EQ(result.keysReset, 2);
    EXPECT_TRUE(Rows(1).empty());
    ASSERT_EQ(Rows(0).size(), 1u);
    EXPECT_EQ(Rows(0)[0].key_code, 20);
    EXPECT_EQ(keyboard.Commands(),
              Join({{CMD_BEGIN}, Repeat(CMD_READ_DEFAULT_KEYS, 14), Repeat(CMD_READ_KEYS, 14), {CMD_END}}));
    const auto reports = keyboard.Reports();
    EXPECT_EQ(reports[14].length, 40);
    EXPECT_EQ(reports[14].offset, 728);
    EXPECT_EQ(reports[1].length, 56);
    EXPECT_TRUE(downloads.KeyTableCacheValid());
    EXPECT_TRUE(std::equal(keyboard.defaultKeys.begin(), keyboard.defaultKeys.end(),
                           downloads.KeyTableCache().begin()));
    // 8 ms after each default block only; each exchange waits its own 10 ms.
    int eights = 0;
    for (int wait : clock.Sleeps()) {
        eights += wait == 8 ? 1 : 0;
    }
    EXPECT_EQ(eights, 14);
}

TEST_F(DownloadsTest, ReadBackKeepsKeysOfUnreadBlocks) {
    Assign(0, 4, 2, 5);   // A: slot 9, bytes 54..56, touches block 1
    Assign(0, 41, 2, 6);  // Esc: slot 0, block 0
    keyboard.SetAnswerRule(
        [](const RecordingKeyboard::Report& r) { return !(r.command == CMD_READ_KEYS && r.offset == 56); });
    const ReadBackResult result = downloads.ReadBackKeyTables();
    EXPECT_FALSE(result.currentComplete);
    const auto rows = Rows(0);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].key_code, 4);
}

// Keys our own key download leaves at their default (a macro the memory
// cannot hold, a deleted macro, no host-side slot left) are not the
// keyboard's doing: their rows stay and come back once there is room.
TEST_F(DownloadsTest, ReadBackKeepsRowsTheKeyDownloadLeftOut) {
    for (int i = 0; i < 33; ++i) {
        db.AddMacro("m" + std::to_string(i));
    }
    Assign(0, 4, 3, 33);  // the 33rd macro
    Assign(0, 5, 3, 77);  // no such macro
    downloads.DownloadKeys();
    downloads.ReadBackKeyTables();
    EXPECT_EQ(Rows(0).size(), 2u);

    db.DeleteMacro(1);  // now macro 33 has a place
    downloads.DownloadKeys();
    EXPECT_EQ(Slot(keyboard.currentKeys, KeyCodeToIndex(4), 0),
              (std::array<std::uint8_t, 3>{0x70, 31, 0x01}));
}

// The keyboard reports a press by the slot it holds; only the table we
// wrote, or one read back equal to ours, says which row the slot stands for.
TEST_F(DownloadsTest, SlotsOfPressesFollowTheTableTheKeyboardHolds) {
    Assign(0, 41, 8, 1);                       // Escape: the user's program, row 1
    Assign(0, 4, 9, 257);                      // A: a web site an import stored as row 257
    EXPECT_EQ(downloads.HostIdForSlot(1), 0);  // nothing written yet
    downloads.DownloadKeys();
    EXPECT_EQ(downloads.HostIdForSlot(1), 1);
    EXPECT_EQ(downloads.HostIdForSlot(2), 257);
    EXPECT_EQ(Slot(keyboard.currentKeys, KeyCodeToIndex(4), 0), (std::array<std::uint8_t, 3>{0x60, 2, 0x00}));

    // Read back unchanged: the slots hold.
    EXPECT_FALSE(downloads.ReadBackKeyTables().hostKeysDiffer);
    EXPECT_EQ(downloads.HostIdForSlot(2), 257);

    // A keyboard written elsewhere (A with row 257's low byte, as before):
    // no slot is trusted until our table is written again.
    keyboard.currentKeys[6 * static_cast<std::size_t>(KeyCodeToIndex(4)) + 1] = 1;
    EXPECT_TRUE(downloads.ReadBackKeyTables().hostKeysDiffer);
    EXPECT_EQ(downloads.HostIdForSlot(1), 0);

    downloads.DownloadKeys();
    EXPECT_EQ(downloads.HostIdForSlot(1), 1);
    downloads.InvalidateKeyTableCache();  // another keyboard may have arrived
    EXPECT_EQ(downloads.HostIdForSlot(1), 0);
}

TEST_F(DownloadsTest, ReadBackWithoutKeyboardDeletesNothing) {
    Assign(0, 4, 2, 5);
    Assign(1, 41, 1, 1);
    Disconnect();
    const ReadBackResult result = downloads.ReadBackKeyTables();
    EXPECT_FALSE(result.defaultsComplete);
    EXPECT_EQ(result.keysReset, 0);
    EXPECT_EQ(Rows(0).size(), 1u);
    EXPECT_EQ(Rows(1).size(), 1u);
    EXPECT_FALSE(downloads.KeyTableCacheValid());
    EXPECT_TRUE(keyboard.Reports().empty());
    EXPECT_TRUE(clock.Sleeps().size() == 14u);  // only the 8 ms waits between blocks
}

TEST_F(DownloadsTest, KeyDownloadBeforeReadBackReadsTheDefaultTableFirst) {
    Assign(1, 4, 2, 4, 225);  // FN layer A + Left Shift
    Assign(0, 225, 2, 225);   // Left Shift alone
    const KeyDownloadResult result = downloads.DownloadKeys();
    EXPECT_TRUE(result.defaultsRead);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(keyboard.Commands(),
              Join({{CMD_BEGIN}, Repeat(CMD_READ_DEFAULT_KEYS, 14), Repeat(CMD_WRITE_KEYS, 14), {CMD_END}}));
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 1), (std::array<std::uint8_t, 3>{0x10, 0x02, 0x04}));
    EXPECT_EQ(Slot(keyboard.currentKeys, 4, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x02}));
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 0), Slot(keyboard.defaultKeys, 9, 0));

    // The second download uses the cache.
    keyboard.ClearReports();
    downloads.DownloadKeys();
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_WRITE_KEYS, 14), {CMD_END}}));
    const auto reports = keyboard.Reports();
    for (int block = 0; block < 14; ++block) {
        EXPECT_EQ(reports[1 + block].offset, 56 * block);
        EXPECT_EQ(reports[1 + block].length, block == 13 ? 40 : 56);
    }
}

TEST_F(DownloadsTest, NoRowsWritesTheDefaultTable) {
    keyboard.currentKeys.fill(0x33);
    downloads.DownloadKeys();
    EXPECT_EQ(keyboard.currentKeys, keyboard.defaultKeys);
}

TEST_F(DownloadsTest, IncompleteDefaultTableIsNeverWritten) {
    Assign(0, 4, 2, 5);
    keyboard.currentKeys.fill(0x33);
    keyboard.SetAnswerRule([](const RecordingKeyboard::Report& r) {
        return !(r.command == CMD_READ_DEFAULT_KEYS && r.offset == 3 * 56);
    });
    const KeyDownloadResult result = downloads.DownloadKeys();
    EXPECT_FALSE(result.written);
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_READ_DEFAULT_KEYS, 14), {CMD_END}}));
    EXPECT_EQ(keyboard.currentKeys[0], 0x33);
    EXPECT_EQ(downloads.KeyTableCache(), (std::array<std::uint8_t, kKeyTableBytes>{}));
    // Once the keyboard answers again, the next download repairs it.
    keyboard.SetAnswerRule(nullptr);
    EXPECT_TRUE(downloads.DownloadKeys().written);
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x05}));
}

TEST_F(DownloadsTest, KeyboardVanishingMidDownloadThenRepaired) {
    downloads.ReadBackKeyTables();
    Assign(0, 4, 2, 5);
    keyboard.ClearReports();
    int seen = 0;
    keyboard.SetAnswerRule([&seen](const RecordingKeyboard::Report&) { return ++seen <= 6; });
    const KeyDownloadResult broken = downloads.DownloadKeys();
    EXPECT_TRUE(broken.written);
    EXPECT_GT(broken.blocksRefused, 0);
    keyboard.SetAnswerRule(nullptr);
    keyboard.currentKeys.fill(0);
    downloads.DownloadKeys();
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 0), (std::array<std::uint8_t, 3>{0x10, 0x00, 0x05}));
    EXPECT_EQ(Slot(keyboard.currentKeys, 0, 0), Slot(keyboard.defaultKeys, 0, 0));
}

TEST_F(DownloadsTest, MacroDownloadAndMacroKeys) {
    const int first = AddMacro({{2, 0x41}, {3, 0x41}});
    AddMacro({{2, 0x42}});
    const int third = AddMacro({{4, 2}, {5, 2}});
    const MacroDownloadResult result = downloads.DownloadMacros();
    EXPECT_TRUE(result.leftOut.empty());
    EXPECT_EQ(result.blocksWritten, 2);
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_WRITE_MACROS, 2), {CMD_END}}));
    EXPECT_EQ(keyboard.Reports()[2].length, 40);
    const std::vector<std::uint8_t> head(keyboard.macros.begin(), keyboard.macros.begin() + 6);
    EXPECT_EQ(head, (std::vector<std::uint8_t>{64, 0, 72, 0, 76, 0}));
    const std::vector<std::uint8_t> records(keyboard.macros.begin() + 64, keyboard.macros.begin() + 88);
    EXPECT_EQ(records,
              (std::vector<std::uint8_t>{0x0A, 0, 0x42, 0x04, 0x0A, 0, 0x82, 0x04, 0x0A, 0, 0x42, 0x05,
                                         0x0A, 0, 0xC2, 0x02, 0x0A, 0, 0x82, 0x02, 0,    0, 0,    0}));

    Assign(0, 4, 3, third);
    Assign(0, 5, 3, first);
    Assign(0, 6, 3, 999);  // deleted macro
    downloads.DownloadKeys();
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 0), (std::array<std::uint8_t, 3>{0x70, 0x02, 0x01}));
    EXPECT_EQ(Slot(keyboard.currentKeys, KeyCodeToIndex(5), 0),
              (std::array<std::uint8_t, 3>{0x70, 0x00, 0x01}));
    EXPECT_EQ(Slot(keyboard.currentKeys, KeyCodeToIndex(6), 0),
              Slot(keyboard.defaultKeys, KeyCodeToIndex(6), 0));
}

// Records stored interleaved and out of order, and records left by a deleted
// macro, still give each macro its own records in order.
TEST_F(DownloadsTest, MacroDownloadGroupsRecordsHoweverStored) {
    const int first = db.AddMacro("first");
    const int deleted = db.AddMacro("deleted");
    const int last = db.AddMacro("last");
    db.DeleteMacro(deleted);
    auto step = [](int macro, int index, int type, int value) {
        MacroStep s;
        s.macro_id = macro;
        s.record_index = index;
        s.type = type;
        s.value = value;
        s.delay_time = 10;
        return s;
    };
    db.AddMacroSteps({step(last, 1, 3, 0x43), step(first, 1, 3, 0x41), step(deleted, 0, 2, 0x44),
                      step(last, 0, 2, 0x43), step(first, 0, 2, 0x41), step(first, 2, 2, 0x42)});
    const MacroDownloadResult result = downloads.DownloadMacros();
    EXPECT_TRUE(result.leftOut.empty());
    const MacroImage expected =
        BuildMacroImage({{first, {step(first, 0, 2, 0x41), step(first, 1, 3, 0x41), step(first, 2, 2, 0x42)}},
                         {last, {step(last, 0, 2, 0x43), step(last, 1, 3, 0x43)}}});
    EXPECT_EQ(keyboard.macros, expected.bytes);
}

TEST_F(DownloadsTest, MacrosThatDoNotFitAreReportedAndNotBound) {
    std::vector<std::pair<int, int>> big(700, {2, 0x41});
    AddMacro(big);
    const int tooBig = AddMacro(big);
    const MacroDownloadResult result = downloads.DownloadMacros();
    ASSERT_EQ(result.leftOut.size(), 1u);
    EXPECT_EQ(result.leftOut[0].macroId, tooBig);
    EXPECT_EQ(result.leftOut[0].position, 1);
    Assign(0, 4, 3, tooBig);
    downloads.DownloadKeys();
    EXPECT_EQ(Slot(keyboard.currentKeys, 9, 0), Slot(keyboard.defaultKeys, 9, 0));
}

// A fresh database has no light rows: the switches change and the lighting
// stays as the keyboard has it.
TEST_F(DownloadsTest, SettingsDownloadWithoutALightRowChangesOnlyTheSwitches) {
    for (std::size_t i = 0; i < keyboard.settings.size(); ++i) {
        keyboard.settings[i] = static_cast<std::uint8_t>(0x80 + i);
    }
    const auto before = keyboard.settings;
    db.SetConfig("disable_win", "1");
    ASSERT_TRUE(downloads.DownloadSettings().written);
    for (std::size_t i = 0; i < before.size(); ++i) {
        EXPECT_EQ(keyboard.settings[i], i == 17 ? 0x01 : before[i]) << "offset " << i;
    }
}

TEST_F(DownloadsTest, SettingsDownloadPatchesTheBlockRead) {
    LightMode mode;
    mode.profile = 1;
    mode.mode = 3;
    mode.brightness = 100;
    mode.speed = 3;
    mode.direction = 0;
    mode.colorful = 1;
    mode.colorindex = 0;
    mode.color_value = 0xEDE338;
    ASSERT_NE(db.AddLightMode(mode), 0);
    selection.lightMode = 3;
    db.SetConfig("disable_altf4", "1");
    db.SetConfig("disable_win", "01");
    const auto before = keyboard.settings;
    const SettingsDownloadResult result = downloads.DownloadSettings();
    EXPECT_TRUE(result.readAcknowledged);
    EXPECT_TRUE(result.written);
    EXPECT_EQ(keyboard.Commands(), (Commands{CMD_BEGIN, CMD_READ_SETTINGS, CMD_WRITE_SETTINGS, CMD_END}));
    EXPECT_EQ(keyboard.Reports()[1].length, 32);
    const std::array<std::uint8_t, 9> expected = {3, 100, 1, 0, 1, 0, 0x38, 0xE3, 0xED};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), keyboard.settings.begin() + 2));
    EXPECT_EQ(keyboard.settings[17], 0x04);
    for (std::size_t i : {0u, 1u, 11u, 16u, 18u, 55u}) {
        EXPECT_EQ(keyboard.settings[i], before[i]) << "offset " << i;
    }
    // The write request carries the answer's header (length and offset).
    EXPECT_EQ(keyboard.Reports()[2].length, 32);
}

TEST_F(DownloadsTest, UnacknowledgedSettingsReadWritesNothing) {
    keyboard.SetAnswerRule([](const RecordingKeyboard::Report& r) { return r.command != CMD_READ_SETTINGS; });
    const auto before = keyboard.settings;
    const SettingsDownloadResult result = downloads.DownloadSettings();
    EXPECT_FALSE(result.readAcknowledged);
    EXPECT_FALSE(result.written);
    EXPECT_EQ(keyboard.Commands(), (Commands{CMD_BEGIN, CMD_READ_SETTINGS, CMD_END}));
    EXPECT_EQ(keyboard.settings, before);
}

TEST_F(DownloadsTest, KeyColourDownload) {
    db.AddKeyColours({{0, 1, 0, 255, 0x00030201}, {0, 1, 0, 50, 0x00FFFFFF}, {0, 1, 5, 41, 0x00FFFFFF}});
    const BlockDownloadResult result = downloads.DownloadKeyColours();
    EXPECT_EQ(result.blocksWritten, 7);
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_WRITE_KEY_COLOURS, 7), {CMD_END}}));
    EXPECT_EQ(keyboard.Reports()[7].length, 48);
    EXPECT_EQ(keyboard.Reports()[7].offset, 336);
    std::array<std::uint8_t, 384> expected{};
    expected[213] = 1;
    expected[214] = 2;
    expected[215] = 3;
    EXPECT_EQ(keyboard.colours, expected);
}

TEST_F(DownloadsTest, FirmwareVersionOfTheOpenKeyboard) {
    EXPECT_EQ(FirmwareVersionText(manager), "Fw Ver: 102");
    Disconnect();
    EXPECT_EQ(FirmwareVersionText(manager), "Fw Ver: 0");
}

TEST_F(DownloadsTest, FactoryResetIsOneReportAlone) {
    EXPECT_TRUE(downloads.SendFactoryReset());
    EXPECT_EQ(keyboard.Commands(), (Commands{CMD_FACTORY_RESET}));
    EXPECT_EQ(keyboard.factoryResets, 1);
}

TEST_F(DownloadsTest, MusicSilenceSendsNothing) {
    test::FakeHost host;
    test::FakeMusicSource source;
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kNoImage);
    source.Set(MusicImage{});
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kSilent);
    EXPECT_TRUE(keyboard.Reports().empty());
    ASSERT_FALSE(host.Painted().empty());
    for (const KeyColourSample& key : host.Painted()) {
        EXPECT_EQ(key.colour, 0u);
    }
}

TEST_F(DownloadsTest, MusicFrameFromOnePixel) {
    test::FakeHost host;
    host.extraPictureKeys = {{135, 0x00FFFFFF}, {209, 0x00000001}};  // 209 is in the grid too: later wins
    test::FakeMusicSource source;
    MusicImage image{};
    image[7 * kMusicImageWidth + 11] = 0x0000FF;
    source.Set(image);
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kSent);
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_STREAM_COLOURS, 7), {CMD_END}}));
    EXPECT_EQ(keyboard.musicFrame[0], 0xFF);
    EXPECT_EQ(keyboard.musicFrame[1], 0x00);
    EXPECT_EQ(keyboard.musicFrame[3 * KeyCodeToIndex(209)], 0x01);
}

// The first silent image after a lit frame sends one dark frame; the
// silence after it sends nothing.
TEST_F(DownloadsTest, MusicSilenceAfterSoundSendsOneDarkFrame) {
    test::FakeHost host;
    test::FakeMusicSource source;
    MusicImage image{};
    image[7 * kMusicImageWidth + 11] = 0x0000FF;
    source.Set(image);
    ASSERT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kSent);
    ASSERT_EQ(keyboard.musicFrame[0], 0xFF);
    keyboard.ClearReports();
    source.Set(MusicImage{});
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kDarkened);
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_STREAM_COLOURS, 7), {CMD_END}}));
    EXPECT_TRUE(std::all_of(keyboard.musicFrame.begin(), keyboard.musicFrame.end(),
                            [](std::uint8_t b) { return b == 0; }));
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kSilent);
    EXPECT_EQ(keyboard.Commands().size(), 9u);
}

TEST_F(DownloadsTest, MusicFrameStopsAtARefusedBlock) {
    test::FakeHost host;
    test::FakeMusicSource source;
    MusicImage image{};
    image.fill(0x00808080);
    source.Set(image);
    keyboard.SetAnswerRule([](const RecordingKeyboard::Report& r) {
        return !(r.command == CMD_STREAM_COLOURS && r.offset == 112);
    });
    EXPECT_EQ(downloads.MusicStreamStep(source, host), MusicFrameResult::kAbandoned);
    // Block 2 is written three times (the exchange's retries), then nothing.
    EXPECT_EQ(keyboard.Commands(), Join({{CMD_BEGIN}, Repeat(CMD_STREAM_COLOURS, 5)}));
}

}  // namespace
}  // namespace vantora
