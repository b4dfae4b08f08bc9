#pragma once

#include <map>
#include <vector>

#include "db/profile_database.h"
#include "db/records.h"
#include "sync/macro_image.h"

namespace vantora {

// The keyboard holds one byte per key for a host-side function (a program,
// web site or text this program carries out when the key is pressed), and
// sends that byte back on a press. The byte is a slot of the profile's own,
// not the row id: ids below 256 keep their own value as their slot; other ids
// (rows made beyond 255, e.g. by an import) take the smallest slot the
// profile leaves free, in ascending id order. So every profile can use 255
// host-side rows, however many the database holds, and two keys of one
// profile never share a slot unless they share the row.
inline constexpr int kHostSlotCount = 255;

bool IsHostSideType(int macroType);

class HostSlots {
public:
    // The slot of host-side row `id`, 0 when the profile leaves it off the keyboard.
    int SlotOf(int id) const;
    // The row the keyboard's slot stands for, 0 when none.
    int IdOf(int slot) const;
    bool Empty() const { return idOfSlot_.empty(); }
    const std::map<int, int>& IdsBySlot() const { return idOfSlot_; }
    void Assign(int id, int slot);
    bool operator==(const HostSlots&) const = default;

private:
    std::map<int, int> slotOfId_;
    std::map<int, int> idOfSlot_;
};

// The slots of the host-side rows the rows of both layers refer to.
HostSlots PlanHostSlots(const std::vector<KeyAssignment>& standardRows,
                        const std::vector<KeyAssignment>& fnRows);

// Why a stored assignment is not on the keyboard (its key keeps its default
// function there). None of these is the keyboard's refusal: the binding
// stays stored and reaches the keyboard once there is room.
enum class KeyLeftOutReason {
    kMacroDeleted,        // the macro it plays is gone
    kMacroDirectoryFull,  // its macro is past the 32 the keyboard holds
    kMacroMemoryFull,     // its macro's records do not fit in the keyboard's memory
    kNoHostSlot,          // the profile's 255 host-side slots are taken
};

struct KeyLeftOut {
    int layer = 0;
    int keyCode = 0;
    KeyLeftOutReason reason = KeyLeftOutReason::kMacroDeleted;
    bool operator==(const KeyLeftOut&) const = default;
};

// English, for the command line and the picture's tips ("the keyboard's macro memory is full").
const char* KeyLeftOutText(KeyLeftOutReason reason);

// What a key download of one profile writes, and what it leaves out.
struct KeyPlan {
    std::vector<KeyAssignment> standardRows;
    std::vector<KeyAssignment> fnRows;
    MacroPositions macros;
    HostSlots hostSlots;
    std::vector<KeyLeftOut> leftOut;  // standard layer first, each in row order

    // The entry of (layer, keyCode), null when that key's row is on the keyboard.
    const KeyLeftOut* Find(int layer, int keyCode) const;
};

// From rows and the macro memory's plan (which macros it holds).
KeyPlan PlanKeys(std::vector<KeyAssignment> standardRows, std::vector<KeyAssignment> fnRows,
                 const MacroImage& macroMemory);
// The macro memory's plan from the stored macros and their record counts, as
// the macro download lays it out.
MacroImage PlanStoredMacroMemory(ProfileDatabase& db);
// The plan of `profile` as stored now.
KeyPlan PlanStoredKeys(ProfileDatabase& db, int profile);

}  // namespace vantora
