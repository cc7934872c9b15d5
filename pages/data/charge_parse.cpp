#include "pages/data/charge_parse.h"

namespace quorvex::data {

namespace {
constexpr std::array<std::string_view, kChargeColumns> kLabels = {
    "P11: ", "P21: ", "P22: ", "P31: ", "P32: ", "ATA: ",
};
constexpr std::size_t kLabelLength = 5;
// The blank after a value with three decimals stands 4 characters after its ",".
constexpr std::size_t kThreeDecimalsBlank = 4;
} // namespace

std::string_view chargeLabel(int column) {
    return column >= 0 && column < kChargeColumns ? kLabels[static_cast<std::size_t>(column)]
                                                  : std::string_view();
}

ChargeValue cutChargeValue(std::string_view text) {
    text = text.substr(0, text.find_first_of("\r\n"));
    ChargeValue out;
    const std::size_t blank = text.find(' ');
    if (blank == std::string_view::npos) {
        out.value = std::string(text);
        return out;
    }
    std::string_view value = text.substr(0, blank);
    out.currency = std::string(text.substr(blank + 1));
    const std::size_t comma = text.find(',');
    if (text.find("???") == std::string_view::npos && comma != std::string_view::npos &&
        blank == comma + kThreeDecimalsBlank) {
        value = value.substr(0, blank - 1);
    }
    out.value = std::string(value);
    return out;
}

ChargeRow parseChargeRow(std::string_view reply, int portCount) {
    ChargeRow row;
    for (std::size_t column = 0; column < kLabels.size(); ++column) {
        const bool absentPort = portCount == 3 && (column == 3 || column == 4);
        if (absentPort) continue;
        const std::size_t at = reply.find(chargeLabel(static_cast<int>(column)));
        if (at == std::string_view::npos) {
            row.cells[column] = std::string(kNoCharge);
            continue;
        }
        ChargeValue value = cutChargeValue(reply.substr(at + kLabelLength));
        row.cells[column] = std::move(value.value);
        if (column == 0) row.currency = std::move(value.currency);
    }
    return row;
}

std::string parseChargeTotal(std::string_view reply) {
    ChargeValue value = cutChargeValue(reply);
    return value.value.empty() ? std::string(kNoCharge) : value.value;
}

} // namespace quorvex::data
