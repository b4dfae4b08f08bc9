#pragma once

#include <array>
#include <atomic>
#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <optional>
#include <vector>

#include "db/profile_database.h"
#include "db/selection.h"
#include "device/clock.h"
#include "device/hid_device_manager.h"
#include "sync/key_plan.h"
#include "sync/key_table_builder.h"
#include "sync/macro_image.h"
#include "sync/sync_host.h"

namespace vantora {

// What the downloads work with. The layout maps (code -> index and
// index -> code, empty for the built-in table only) must outlive this object
// and must not change while the worker runs. `deviceIndex` is the
// connection's own (-1 no keyboard, 0 connected), written only under its
// reconnection lock.
struct SyncContext {
    ProfileDatabase& db;
    HidDeviceManager& manager;
    Clock& clock;
    const std::map<int, int>& layoutCodeToIndex;
    const std::map<int, int>& layoutIndexToCode;
    Selection& selection;
    const std::atomic<int>& deviceIndex;
};

struct ReadBackResult {
    bool defaultsComplete = false;  // the default table is now cached
    bool currentComplete = false;
    int keysReset = 0;  // stored assignments removed because the key is at its default
    // The keyboard's program, web site and text keys differ from what the
    // stored rows give (a keyboard written by another program or version):
    // its bytes could start another key's function until the keys are written.
    bool hostKeysDiffer = false;
    // The last key download was not taken whole, or it was another
    // profile's table: no stored row was removed, and the table is to be
    // written again.
    bool keysBehind = false;
};

struct KeyDownloadResult {
    bool defaultsRead = false;  // the default table had to be read first
    bool written = false;       // the table was sent (false: no complete default table)
    int blocksRefused = 0;
};

struct MacroDownloadResult {
    int blocksWritten = 0;
    int blocksRefused = 0;
    std::vector<MacroLeftOut> leftOut;  // macros the keyboard's memory cannot hold
};

struct SettingsDownloadResult {
    bool readAcknowledged = false;
    bool written = false;  // acknowledged write
};

struct BlockDownloadResult {
    int blocksWritten = 0;
    int blocksRefused = 0;
};

enum class MusicFrameResult {
    kNoImage,    // the analyser has no image yet
    kSilent,     // nothing above 1: the picture was painted, nothing sent
    kDarkened,   // silence began: one dark frame was sent in place of the last lit one
    kSent,       // a whole frame and CMD_END
    kAbandoned,  // a block was refused: the frame stopped there
};

// The downloads from the database to the keyboard. They run on the device
// worker only (one at a time); each builds its whole table from the stored
// rows. CMD_BEGIN and CMD_END go to deviceIndex, the blocks between them to
// index 0. Results are for tests and for callers that want them; the worker
// goes on whatever they say. The waits between the reports of a download
// end on time (PreciseWaitScope).
class DeviceDownloads {
public:
    explicit DeviceDownloads(SyncContext context);

    // Reads the default and current key tables, caches the default table
    // when every block was read, and removes the stored assignments of the
    // active profile for keys the keyboard reports at their default. Keys of
    // a block that was not read keep their assignments, and so do keys that
    // a key download leaves at their default (KeyPlan::leftOut). The
    // keyboard's host-side slots are known afterwards only when both tables
    // were read and its host-side keys are the ones the rows give.
    ReadBackResult ReadBackKeyTables();
    // The key table from the cached default table plus the active profile's
    // assignments. Reads the default table first when none is cached; when
    // it cannot be read completely nothing is written. Once written, the
    // keyboard's host-side slots are the plan's.
    KeyDownloadResult DownloadKeys();
    // The whole macro memory. Macros that do not fit are left out and listed.
    MacroDownloadResult DownloadMacros();
    // Reads the settings block, writes the light mode and switches into it
    // and writes it back; when the read is not acknowledged nothing is written.
    // While the active light mode has no stored row, the light values stay
    // as the keyboard reported them and only the switch bits change.
    SettingsDownloadResult DownloadSettings();
    // The stored per-key colours (light id 0) as one table.
    BlockDownloadResult DownloadKeyColours();
    // CMD_FACTORY_RESET alone, to deviceIndex.
    bool SendFactoryReset();
    // One music frame from the analyser's latest image.
    MusicFrameResult MusicStreamStep(MusicImageSource& source, SyncHost& host);
    // One frame of per-key colours streamed as the music frames are (not
    // stored by the keyboard); false when the keyboard refused a block.
    bool StreamFrame(const ColourTable& frame);

    // Told after each block of the long transfers (the two key tables of
    // the read-back, the macro memory): blocks done of the transfer's total.
    using ProgressSink = std::function<void(int done, int total)>;
    void SetProgressSink(ProgressSink sink) { progress_ = std::move(sink); }

    // The cached default key table is used as the base of a key download
    // only while it is valid; a different keyboard may have arrived.
    void InvalidateKeyTableCache();
    bool KeyTableCacheValid() const { return cacheValid_; }
    // The keyboard's default key table as last read (zeros while invalid).
    const std::array<std::uint8_t, kKeyTableBytes>& KeyTableCache() const { return keyTableCache_; }

    // The host-side row whose slot the keyboard reported on a key press,
    // as the key table the keyboard holds assigns it; 0 when the keyboard's
    // table is not known to carry that slot (nothing written yet, a
    // different keyboard, a factory reset). Any thread.
    int HostIdForSlot(int slot) const;

private:
    // The config key that says the keyboard did not take the last key table.
    static constexpr const char* kKeyTableBehindKey = "key_table_behind";
    // The config key that names the profile whose table the keyboard took last.
    static constexpr const char* kKeyTableProfileKey = "key_table_profile";

    bool Begin();
    bool End();
    bool KeyTableBehind();
    void MarkKeyTableBehind(bool behind);
    // Whether the keyboard's table is the one last written for `profile`
    // (true when no table was recorded: a new database, a factory reset).
    bool KeyTableIsOf(int profile);
    void RecordKeyTableProfile(int profile);
    KeyTableRead ReadKeyTable(std::uint8_t command, int waitMs);
    void StoreDefaults(const KeyTableRead& defaults);
    BlockDownloadResult WriteBlocks(std::uint8_t command, std::span<const std::uint8_t> table,
                                    const BlockPlan& plan, bool stopOnRefusal);
    // nullopt: the keyboard's table is not known.
    void SetKeyboardSlots(std::optional<HostSlots> slots);
    // The macro list with every macro's records, read in two queries.
    std::vector<MacroWithSteps> StoredMacros();

    int DeviceIndex() const { return context_.deviceIndex.load(); }
    // A long transfer of `total` blocks begins; each block then steps it.
    void BeginProgress(int total);
    void StepProgress();

    SyncContext context_;
    // The keyboard's default key table, the base of every key download.
    // Worker thread only.
    std::array<std::uint8_t, kKeyTableBytes> keyTableCache_{};
    // The macro memory as last written whole to this keyboard; none when
    // not known (another keyboard, a refused block, a factory reset).
    std::optional<std::array<std::uint8_t, kMacroMemoryBytes>> macroMemoryWritten_;
    bool cacheValid_ = false;
    ProgressSink progress_;
    int progressDone_ = 0;
    int progressTotal_ = 0;  // 0: no long transfer runs
    // The last music frame sent lit a key: the keyboard keeps showing it.
    bool musicFrameLit_ = false;
    // The host-side slots of the key table the keyboard holds, while known.
    mutable std::mutex slotsMutex_;
    std::optional<HostSlots> keyboardSlots_;
};

}  // namespace vantora
