#pragma once
// The device-wide values the main window holds for the settings dialog and
// the data callback dialog, as device values (confirmed) and as last edited.

#include "core/page_items.h"

#include <array>
#include <string>

namespace quorvex::core {

inline constexpr int kCallbackNumberCount = 10;

// The five device-wide settings of the settings dialog, as device values
// (confirmed) and as the dialog last edited them.
struct DeviceSettings {
    Item<int> lcdGerman;          // command 39, "LCDDSPING"
    Item<std::string> chargeUnit; // 40, "CHGUNIT"
    Item<std::string> areaCode;   // 41, "LCCODE"
    Item<std::string> pabxPrefix; // 42, "PABX"
    Item<std::string> intlPrefix; // 43, "IPREDIAL"
};

struct CallbackSettings {
    Item<int> active;                                            // 44, "CLBKACTIVE"
    std::array<Item<std::string>, kCallbackNumberCount> numbers; // 45, "CLBKNUM%d"
};

} // namespace quorvex::core
