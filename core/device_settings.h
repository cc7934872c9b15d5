#pragma once
// The device-wide values the main window holds for the settings dialog and
// the data callback dialog, as device values (confirmed) and as last edited.

#include "core/page_items.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

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

// The four text settings and what each takes: the driver command, at most so
// many digits (0: the charge-per-unit rule) and the English message of a
// refused text. The settings dialog checks what the user types by them, a
// device check what the device answers.
struct TextSetting {
    uint16_t code;     // 40-43
    int maxDigits;     // 0: the charge-per-unit rule
    int rejectMessage; // English string id
};
inline constexpr std::array<TextSetting, 4> kTextSettings = {{
    {DRV_CHGUNIT, 0, 9056},    // "Error Format"
    {DRV_AREACODE, 5, 9052},   // "max 5 digits"
    {DRV_PABXPREFIX, 3, 9050}, // "max 3 digits"
    {DRV_INTLPREFIX, 5, 9054}, // "max 5 digits"
}};

// Field checks (pure). Empty text passes every one of them.
// Charge per unit: digits with '.' or ',' as separators; the digits before
// the last separator (earlier separators group thousands and are skipped),
// read as a number, are below 10000; at most 31 characters (what the driver
// record carries). "12,50", "0.12", "1.234,56" pass;
// "12a", "10000", "-1", "1 2" do not.
bool validChargeUnit(std::string_view text);
// At most maxDigits characters, every one a digit.
bool validDigits(std::string_view text, std::size_t maxDigits);
// The text passes the setting's check.
bool fieldAccepts(const TextSetting& setting, std::string_view text);

struct CallbackSettings {
    Item<int> active;                                            // 44, "CLBKACTIVE"
    std::array<Item<std::string>, kCallbackNumberCount> numbers; // 45, "CLBKNUM%d"
};

} // namespace quorvex::core
