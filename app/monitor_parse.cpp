#include "app/monitor_parse.h"

#include <algorithm>

namespace quorvex::app {

namespace {
constexpr std::array<std::string_view, kChargeColumns> kMarkers = {
    "P11: ", "P21: ", "P22: ", "P31: ", "P32: ", "ATA: "};
constexpr std::size_t kMarkerLength = 5;

std::string_view lineOf(std::string_view text) {
    return text.substr(0, text.find_first_of("\r\n"));
}
} // namespace

ChargeValue cutChargeValue(std::string_view text) {
    text = lineOf(text);
    const std::size_t blank = text.find(' ');
    std::string_view amount = text.substr(0, blank);
    ChargeValue v;
    v.amount = std::string(amount);
    if (blank != std::string_view::npos) {
        std::string_view rest = text.substr(blank + 1);
        rest.remove_prefix(std::min(rest.find_first_not_of(' '), rest.size()));
        v.currency = std::string(rest.substr(0, rest.find(' ')));
        // Three decimals on the device, two on the screen.
        if (blank >= 4 && amount[blank - 4] == ',' &&
            amount.find("???") == std::string_view::npos) {
            v.amount.pop_back();
        }
    }
    return v;
}

ChargeRow parseChargeRow(std::string_view reply, int portCount) {
    ChargeRow row;
    for (int k = 0; k < kChargeColumns; ++k) {
        const auto i = static_cast<std::size_t>(k);
        row.amounts[i] = std::string(kNoCharge);
        if (portCount == 3 && (k == 3 || k == 4)) {
            row.amounts[i].clear();
            continue;
        }
        const std::size_t at = reply.find(kMarkers[i]);
        if (at == std::string_view::npos) continue;
        ChargeValue v = cutChargeValue(reply.substr(at + kMarkerLength));
        row.amounts[i] = v.amount;
        if (k == 0) row.currency = v.currency;
    }
    return row;
}

} // namespace quorvex::app
