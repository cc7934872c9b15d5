#pragma once
// The monitor window's reading of the device's charge texts (command 30):
// per port a value behind its marker ("P11: ", ..., "ATA: "), cut to two
// decimals, and the currency text behind port 11's value. Pure text work.

#include <array>
#include <string>
#include <string_view>

namespace quorvex::app {

inline constexpr std::string_view kNoCharge = "0,00";
inline constexpr int kChargeColumns = 6; // "11", "21", "22", "31", "32", the data port

struct ChargeValue {
    std::string amount; // "1,23"
    std::string currency;
};

// One value as the device writes it: up to its first blank (or line end);
// a ',' four characters before that blank drops the third decimal, unless the
// value is the device's "???" placeholder. The currency is the word behind the blank.
ChargeValue cutChargeValue(std::string_view text);

struct ChargeRow {
    std::array<std::string, kChargeColumns> amounts; // "0,00" where a marker is missing
    std::string currency;                            // port 11's
};

// Selectors 1 and 2: the markers of ports 31 and 32 are not looked for with three ports.
ChargeRow parseChargeRow(std::string_view reply, int portCount);

} // namespace quorvex::app
