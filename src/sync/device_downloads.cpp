#include "sync/device_downloads.h"

#include <algorithm>
#include <iterator>
#include <optional>

#include "device/debug_log.h"
#include "device/key_index.h"
#include "keys/function_catalogue.h"
#include "keys/key_function_encoding.h"
#include "sync/colour_tables.h"
#include "sync/report_request.h"
#include "sync/settings_block.h"

namespace vantora {
namespace {

constexpr int kDefaultReadWaitMs = 8;

}  // namespace

DeviceDownloads::DeviceDownloads(SyncContext context) : context_(context) {}

void DeviceDownloads::BeginProgress(int total) {
    progressDone_ = 0;
    progressTotal_ = total;
}

void DeviceDownloads::StepProgress() {
    if (progressTotal_ > 0 && progressDone_ < progressTotal_) {
        ++progressDone_;
        if (progress_) {
            progress_(progressDone_, progressTotal_);
        }
    }
}

bool DeviceDownloads::Begin() {
    ReportRequest request = MakeRequest(protocol::CMD_BEGIN);
    return context_.manager.SendReport(request, DeviceIndex());
}

bool DeviceDownloads::End() {
    ReportRequest request = MakeRequest(protocol::CMD_END);
    return context_.manager.SendReport(request, DeviceIndex());
}

KeyTableRead DeviceDownloads::ReadKeyTable(std::uint8_t command, int waitMs) {
    KeyTableRead table;
    for (int block = 0; block < kKeyTableBlocks.count; ++block) {
        const std::size_t offset = kBlockBytes * static_cast<std::size_t>(block);
        ReportRequest request =
            MakeRequest(command, kKeyTableBlocks.LengthOf(block), static_cast<int>(offset));
        const bool read = context_.manager.QueryReport(request, 0);
        table.blockRead[static_cast<std::size_t>(block)] = read;
        if (read) {
            std::copy_n(request.begin() + protocol::kData, kBlockBytes,
                        table.bytes.begin() + static_cast<std::ptrdiff_t>(offset));
        }
        if (waitMs > 0) {
            context_.clock.SleepMs(waitMs);
        }
        StepProgress();
    }
    VANTORA_DEBUG("read %02x: %d of %d blocks answered", command,
                  static_cast<int>(std::count(table.blockRead.begin(), table.blockRead.end(), true)),
                  kKeyTableBlocks.count);
    return table;
}

void DeviceDownloads::StoreDefaults(const KeyTableRead& defaults) {
    auto& cache = keyTableCache_;
    std::fill(cache.begin(), cache.end(), std::uint8_t{0});
    cacheValid_ = defaults.Complete();
    if (cacheValid_) {
        std::copy_n(defaults.bytes.begin(), kKeyTableBytes, cache.begin());
    }
}

void DeviceDownloads::InvalidateKeyTableCache() {
    SetKeyboardSlots(std::nullopt);
    auto& cache = keyTableCache_;
    std::fill(cache.begin(), cache.end(), std::uint8_t{0});
    cacheValid_ = false;
    // Nor is its macro memory known.
    macroMemoryWritten_.reset();
}

// Whether every key-table entry that is a host-side function in either table
// has the same three bytes in both.
static bool HostEntriesAgree(const KeyTable& planned, const KeyTableRead& current) {
    for (std::size_t start = 0; start + 3 <= kKeyTableBytes; start += 3) {
        const std::uint8_t plannedClass = planned[start];
        const std::uint8_t currentClass = current.bytes[start];
        const auto host = [](std::uint8_t c) { return c == kClassApplication || c == kClassHostText; };
        if ((host(plannedClass) || host(currentClass)) &&
            !std::equal(planned.begin() + static_cast<std::ptrdiff_t>(start),
                        planned.begin() + static_cast<std::ptrdiff_t>(start) + 3,
                        current.bytes.begin() + static_cast<std::ptrdiff_t>(start))) {
            return false;
        }
    }
    return true;
}

ReadBackResult DeviceDownloads::ReadBackKeyTables() {
    const PreciseWaitScope precise;
    ReadBackResult result;
    BeginProgress(2 * kKeyTableBlocks.count);
    Begin();
    SetKeyboardSlots(std::nullopt);
    const KeyTableRead defaults = ReadKeyTable(protocol::CMD_READ_DEFAULT_KEYS, kDefaultReadWaitMs);
    StoreDefaults(defaults);
    const KeyTableRead current = ReadKeyTable(protocol::CMD_READ_KEYS, 0);
    result.defaultsComplete = defaults.Complete();
    result.currentComplete = current.Complete();

    const int profile = context_.selection.profile.load();
    const KeyPlan before = PlanStoredKeys(context_.db, profile);
    // After a key download the keyboard did not take, its table is not the
    // one our rows give: a key at its default there says nothing about what
    // the user stored. The table is written again instead.
    // The keyboard holds the table last written to it: when another profile
    // became active since (chosen while the keyboard was away, or while this
    // load ran), a key at its default there says nothing about this
    // profile's rows either.
    result.keysBehind = KeyTableBehind() || !KeyTableIsOf(profile);
    const std::vector<KeyAtDefault> atDefault =
        result.keysBehind ? std::vector<KeyAtDefault>{}
                          : FindKeysAtDefault(defaults, current, context_.layoutIndexToCode);
    const auto stored = [&before](const KeyAtDefault& key) {
        const auto& rows = key.layer == 0 ? before.standardRows : before.fnRows;
        return std::any_of(rows.begin(), rows.end(),
                           [&key](const KeyAssignment& row) { return row.key_code == key.keyCode; });
    };
    // What our rows give each key over the default table just read: a key
    // whose row itself gives the default bytes (a key given its own
    // function) looks the same whether or not the keyboard was reset.
    std::optional<KeyTable> ours;
    if (result.defaultsComplete) {
        ours = BuildKeyTable(std::span<const std::uint8_t, kKeyTableBytes>(keyTableCache_),
                             before.standardRows, before.fnRows, before.macros, context_.layoutCodeToIndex);
    }
    const auto oursAtDefault = [&](const KeyAtDefault& key) {
        const int index = LookupKeyIndex(context_.layoutCodeToIndex, key.keyCode);
        if (!ours || index < 0) {
            return false;
        }
        const std::size_t at = static_cast<std::size_t>(6 * index + 3 * key.layer);
        return std::equal(ours->begin() + static_cast<std::ptrdiff_t>(at),
                          ours->begin() + static_cast<std::ptrdiff_t>(at + 3),
                          keyTableCache_.begin() + static_cast<std::ptrdiff_t>(at));
    };
    {
        // One commit for all of them, not one per key.
        ProfileDatabase::Transaction transaction(context_.db);
        for (const KeyAtDefault& key : atDefault) {
            if (!stored(key) || before.Find(key.layer, key.keyCode) != nullptr || oursAtDefault(key)) {
                continue;  // no row, or left at its default by our own plan, not by the keyboard
            }
            KeyAssignment empty;
            empty.profile = profile;
            empty.fn_layer = key.layer;
            empty.key_code = key.keyCode;
            empty.macro_value = 0;  // deletes the row, inserts nothing
            context_.db.SaveKeyAssignment(empty);
            ++result.keysReset;
        }
        transaction.Commit();
    }
    if (result.defaultsComplete && result.currentComplete) {
        const KeyPlan plan = result.keysReset > 0 ? PlanStoredKeys(context_.db, profile) : before;
        const KeyTable planned =
            BuildKeyTable(std::span<const std::uint8_t, kKeyTableBytes>(keyTableCache_), plan.standardRows,
                          plan.fnRows, plan.macros, context_.layoutCodeToIndex);
        result.hostKeysDiffer = !HostEntriesAgree(planned, current);
        if (!result.hostKeysDiffer) {
            SetKeyboardSlots(plan.hostSlots);
        }
        if (!result.keysBehind) {
            RecordKeyTableProfile(profile);  // the table read is taken as this profile's
        }
    }
    End();
    BeginProgress(0);
    return result;
}

void DeviceDownloads::SetKeyboardSlots(std::optional<HostSlots> slots) {
    std::lock_guard lock(slotsMutex_);
    keyboardSlots_ = std::move(slots);
}

int DeviceDownloads::HostIdForSlot(int slot) const {
    std::lock_guard lock(slotsMutex_);
    return keyboardSlots_ ? keyboardSlots_->IdOf(slot) : 0;
}

// While a table is written, each key holds either its old or its new bytes:
// a slot is sure where both tables agree on it or only one has it.
static HostSlots SlotsOfEither(const HostSlots& before, const HostSlots& after) {
    HostSlots either;
    for (const auto* slots : {&before, &after}) {
        for (const auto& [slot, id] : slots->IdsBySlot()) {
            const int other = (slots == &before ? after : before).IdOf(slot);
            if (other == 0 || other == id) {
                either.Assign(id, slot);
            }
        }
    }
    return either;
}

std::vector<MacroWithSteps> DeviceDownloads::StoredMacros() {
    // One query for all records rather than one per macro: with a full
    // memory, 32 queries over the record table cost milliseconds the
    // download then spends on top of the keyboard's own waits.
    std::vector<Macro> macros;
    context_.db.ListMacros(macros);
    std::vector<MacroStep> steps;
    context_.db.ListAllMacroSteps(steps);
    std::vector<MacroWithSteps> list;
    list.reserve(macros.size());
    for (const Macro& macro : macros) {
        MacroWithSteps entry;
        entry.macroId = macro.macro_id;
        // Iterators rather than a range: clang 14 (the fuzzing build) cannot
        // use libstdc++ 12's subrange.
        struct ById {
            bool operator()(const MacroStep& step, int id) const { return step.macro_id < id; }
            bool operator()(int id, const MacroStep& step) const { return id < step.macro_id; }
        };
        const auto [first, last] = std::equal_range(steps.begin(), steps.end(), macro.macro_id, ById{});
        entry.steps.assign(std::make_move_iterator(first), std::make_move_iterator(last));
        list.push_back(std::move(entry));
    }
    return list;
}

BlockDownloadResult DeviceDownloads::WriteBlocks(std::uint8_t command, std::span<const std::uint8_t> table,
                                                 const BlockPlan& plan, bool stopOnRefusal) {
    BlockDownloadResult result;
    for (int block = 0; block < plan.count; ++block) {
        const std::size_t offset = kBlockBytes * static_cast<std::size_t>(block);
        const std::size_t available =
            offset < table.size() ? std::min(kBlockBytes, table.size() - offset) : 0;
        ReportRequest request = MakeRequest(command, plan.LengthOf(block), static_cast<int>(offset),
                                            table.subspan(offset, available));
        const bool acknowledged = context_.manager.SendReport(request, 0);
        StepProgress();
        if (acknowledged) {
            ++result.blocksWritten;
        } else {
            ++result.blocksRefused;
            if (stopOnRefusal) {
                break;
            }
        }
    }
    // Music frames follow each other many times a second: only their
    // refusals are told.
    if (command != protocol::CMD_STREAM_COLOURS || result.blocksRefused > 0) {
        VANTORA_DEBUG("write %02x: %d blocks, %d acknowledged, %d refused", command, plan.count,
                      result.blocksWritten, result.blocksRefused);
    }
    return result;
}

// Whether the table binds any key to a macro the memory holds.
static bool BindsMacros(const KeyPlan& plan) {
    for (const auto* rows : {&plan.standardRows, &plan.fnRows}) {
        for (const KeyAssignment& row : *rows) {
            if (row.macro_type == kFunctionMacro && plan.macros.Lookup(row.macro_value) != kNoMacroPosition) {
                return true;
            }
        }
    }
    return false;
}

KeyDownloadResult DeviceDownloads::DownloadKeys() {
    const PreciseWaitScope precise;
    KeyDownloadResult result;
    // Keys play macros by their place in the macro memory: the memory holds
    // the stored macros before a table that binds keys to them goes out.
    const int profile = context_.selection.profile.load();
    const KeyPlan plan = PlanStoredKeys(context_.db, profile);
    if (BindsMacros(plan) &&
        (!macroMemoryWritten_ || *macroMemoryWritten_ != BuildMacroImage(StoredMacros()).bytes)) {
        DownloadMacros();
    }
    Begin();
    if (!cacheValid_) {
        result.defaultsRead = true;
        StoreDefaults(ReadKeyTable(protocol::CMD_READ_DEFAULT_KEYS, 0));
        if (!cacheValid_) {
            // Never build the keyboard's table on a default table we do not have.
            MarkKeyTableBehind(true);
            End();
            return result;
        }
    }
    const KeyTable table =
        BuildKeyTable(std::span<const std::uint8_t, kKeyTableBytes>(keyTableCache_), plan.standardRows,
                      plan.fnRows, plan.macros, context_.layoutCodeToIndex);
    {
        // Until every block is acknowledged the keyboard holds a mix of both
        // tables; a refused block leaves it so.
        std::lock_guard lock(slotsMutex_);
        if (keyboardSlots_) {
            keyboardSlots_ = SlotsOfEither(*keyboardSlots_, plan.hostSlots);
        }
    }
    const BlockDownloadResult blocks = WriteBlocks(protocol::CMD_WRITE_KEYS, table, kKeyTableBlocks, false);
    result.written = true;
    result.blocksRefused = blocks.blocksRefused;
    if (blocks.blocksRefused == 0) {
        SetKeyboardSlots(plan.hostSlots);
        RecordKeyTableProfile(profile);
    }
    MarkKeyTableBehind(blocks.blocksRefused != 0);
    End();
    return result;
}

bool DeviceDownloads::KeyTableBehind() {
    std::string value;
    return context_.db.GetConfig(kKeyTableBehindKey, value) && value == "1";
}

bool DeviceDownloads::KeyTableIsOf(int profile) {
    std::string value;
    return !context_.db.GetConfig(kKeyTableProfileKey, value) || value == std::to_string(profile);
}

void DeviceDownloads::RecordKeyTableProfile(int profile) {
    // Written only when it changes: most downloads are of the same profile.
    std::string value;
    const std::string written = std::to_string(profile);
    if (!context_.db.GetConfig(kKeyTableProfileKey, value) || value != written) {
        context_.db.PutConfig(kKeyTableProfileKey, written);
    }
}

void DeviceDownloads::MarkKeyTableBehind(bool behind) {
    // Kept in the database, so that the next start knows it too.
    if (KeyTableBehind() != behind) {
        context_.db.PutConfig(kKeyTableBehindKey, behind ? "1" : "0");
    }
}

MacroDownloadResult DeviceDownloads::DownloadMacros() {
    const PreciseWaitScope precise;
    MacroDownloadResult result;
    Begin();
    const MacroImage image = BuildMacroImage(StoredMacros());
    const BlockPlan plan = MacroBlockPlan(image);
    BeginProgress(plan.count);
    const BlockDownloadResult blocks = WriteBlocks(protocol::CMD_WRITE_MACROS, image.bytes, plan, false);
    BeginProgress(0);
    result.blocksWritten = blocks.blocksWritten;
    result.blocksRefused = blocks.blocksRefused;
    result.leftOut = image.leftOut;
    if (blocks.blocksRefused == 0) {
        macroMemoryWritten_ = image.bytes;
    } else {
        macroMemoryWritten_.reset();
    }
    End();
    return result;
}

SettingsDownloadResult DeviceDownloads::DownloadSettings() {
    const PreciseWaitScope precise;
    SettingsDownloadResult result;
    ProfileDatabase& db = context_.db;
    const int lightMode = context_.selection.lightMode.load();
    std::optional<LightMode> row;
    LightMode stored;
    if (db.GetLightMode(lightMode, stored)) {
        row = stored;
    }
    const int index = DeviceIndex();
    Begin();
    ReportRequest read = MakeRequest(protocol::CMD_READ_SETTINGS, 32, 0);
    result.readAcknowledged = context_.manager.QueryReport(read, index);
    VANTORA_DEBUG("read %02x: settings block %s", protocol::CMD_READ_SETTINGS,
                  result.readAcknowledged ? "answered" : "refused, nothing written");
    if (!result.readAcknowledged) {
        // Without the keyboard's block we would write zeros over its other settings.
        End();
        return result;
    }
    // The write request is the answer shifted by the report id byte, with
    // our marker and command; header and data otherwise as read.
    ReportRequest write{};
    std::copy_n(read.begin(), protocol::kReportSize, write.begin() + 1);
    write[0] = 0;
    write[protocol::kHostMarker] = protocol::kRequestMarker;
    write[protocol::kHostCommand] = protocol::CMD_WRITE_SETTINGS;

    std::string win;
    std::string altTab;
    std::string altF4;
    db.GetConfig(kSwitchDisableWin, win);
    db.GetConfig(kSwitchDisableAltTab, altTab);
    db.GetConfig(kSwitchDisableAltF4, altF4);
    const std::span<std::uint8_t, kSettingsBytes> data(write.data() + protocol::kHostData, kSettingsBytes);
    const std::uint8_t bits = SwitchBits(win, altTab, altF4);
    if (row) {
        PatchSettingsBlock(data, lightMode, row, bits);
    } else {
        // No stored light rows yet (a fresh database): writing zeros would
        // turn the keyboard's lighting off. Only the switches change.
        data[kSettingsSwitchOffset] = bits;
    }
    result.written = context_.manager.SendReport(write, index);
    VANTORA_DEBUG("write %02x: settings block %s", protocol::CMD_WRITE_SETTINGS,
                  result.written ? "acknowledged" : "refused");
    End();
    return result;
}

BlockDownloadResult DeviceDownloads::DownloadKeyColours() {
    const PreciseWaitScope precise;
    Begin();
    std::vector<KeyColour> rows;
    context_.db.ListKeyColours(0, rows);
    const ColourTable table = BuildKeyColourTable(rows, context_.layoutCodeToIndex);
    const BlockDownloadResult result =
        WriteBlocks(protocol::CMD_WRITE_KEY_COLOURS, table, kColourTableBlocks, false);
    End();
    return result;
}

bool DeviceDownloads::SendFactoryReset() {
    SetKeyboardSlots(std::nullopt);
    macroMemoryWritten_.reset();
    ReportRequest request = MakeRequest(protocol::CMD_FACTORY_RESET);
    const bool acknowledged = context_.manager.SendReport(request, DeviceIndex());
    VANTORA_DEBUG("factory reset %02x %s", protocol::CMD_FACTORY_RESET,
                  acknowledged ? "acknowledged" : "refused");
    return acknowledged;
}

// Music frames follow each other for as long as the music plays: their
// waits sleep as usual rather than in a PreciseWaitScope.
MusicFrameResult DeviceDownloads::MusicStreamStep(MusicImageSource& source, SyncHost& host) {
    MusicImage image;
    if (!source.LatestImage(image)) {
        return MusicFrameResult::kNoImage;
    }
    const MusicSamples samples = SampleMusicImage(image);
    const std::vector<KeyColourSample> pictureKeys = host.PaintMusicKeys(samples.keys);
    if (!samples.audible && !musicFrameLit_) {
        return MusicFrameResult::kSilent;
    }
    // A keyboard keeps the last frame it was sent: when silence begins it
    // is sent one dark frame, then nothing until the sound comes back.
    const ColourTable frame =
        samples.audible ? BuildColourTable(pictureKeys, context_.layoutCodeToIndex) : ColourTable{};
    if (!StreamFrame(frame)) {
        musicFrameLit_ = true;  // what the keyboard shows is not known: darkened again in silence
        return MusicFrameResult::kAbandoned;
    }
    musicFrameLit_ = samples.audible;
    return samples.audible ? MusicFrameResult::kSent : MusicFrameResult::kDarkened;
}

bool DeviceDownloads::StreamFrame(const ColourTable& frame) {
    Begin();
    const BlockDownloadResult blocks =
        WriteBlocks(protocol::CMD_STREAM_COLOURS, frame, kColourTableBlocks, true);
    if (blocks.blocksRefused > 0) {
        return false;
    }
    End();
    return true;
}

}  // namespace vantora
