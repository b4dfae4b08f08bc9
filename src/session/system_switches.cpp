#include "session/system_switches.h"

#include "sync/settings_block.h"

namespace vantora {
namespace {

bool Stored(ProfileDatabase& db, SystemSwitch which) {
    std::string value;
    db.GetConfig(SystemSwitchKey(which), value);
    return SwitchIsOn(value);
}

}  // namespace

const char* SystemSwitchKey(SystemSwitch which) {
    switch (which) {
        case SystemSwitch::kDisableWin:
            return kSwitchDisableWin;
        case SystemSwitch::kDisableAltTab:
            return kSwitchDisableAltTab;
        case SystemSwitch::kDisableAltF4:
            return kSwitchDisableAltF4;
    }
    return kSwitchDisableWin;
}

bool StoreSystemSwitch(ProfileDatabase& db, SystemSwitch which, bool on) {
    return db.SetConfig(SystemSwitchKey(which), on ? "1" : "0");
}

SwitchData LoadSystemSwitches(ProfileDatabase& db) {
    SwitchData data;
    data.disableWin = Stored(db, SystemSwitch::kDisableWin);
    data.disableAltTab = Stored(db, SystemSwitch::kDisableAltTab);
    data.disableAltF4 = Stored(db, SystemSwitch::kDisableAltF4);
    return data;
}

}  // namespace vantora
