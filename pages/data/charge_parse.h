#pragma once
// The charge figures as the device renders them: text, never arithmetic.
// A row reply holds one line per port, "P11: 12,345 DM" and so on, with
// "ATA: " for the data port; the total is a single value line.

#include <array>
#include <string>
#include <string_view>

namespace quorvex::data {

// Columns of a charge row: ports 11, 21, 22, 31, 32, then the data port.
inline constexpr int kChargeColumns = 6;
inline constexpr int kChargeDataColumn = 5;
// Shown for a port whose figure is missing or could not be read.
inline constexpr std::string_view kNoCharge = "0,00";

struct ChargeValue {
    std::string value;    // up to the first blank, third decimal dropped
    std::string currency; // what follows the blank
};

// Cuts a value at its line end and its first blank. "12,345 DM" becomes
// 12,34 / DM: the device prints three decimals where money has two. A value
// holding "???" (the device does not know the amount) is left whole.
ChargeValue cutChargeValue(std::string_view text);

// "P11: " ... "P32: ", "ATA: ": what stands before a column's value in a row reply.
std::string_view chargeLabel(int column);

struct ChargeRow {
    std::array<std::string, kChargeColumns> cells; // empty for ports the model lacks
    std::string currency;                          // of the port 11 value; may be empty
};

// One row reply (selectors 0, 1, 2). On the three-port model "P31: " and
// "P32: " are not looked for and their cells stay empty.
ChargeRow parseChargeRow(std::string_view reply, int portCount);

// The total (selector 3): the reply cut as a value; "0,00" when it is empty.
std::string parseChargeTotal(std::string_view reply);

} // namespace quorvex::data
