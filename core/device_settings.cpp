#include "core/device_settings.h"

namespace quorvex::core {
namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isSeparator(char c) {
    return c == '.' || c == ',';
}

} // namespace

bool validChargeUnit(std::string_view text) {
    // Longer than the driver record carries would never reach the device.
    if (text.size() >= sizeof(DRVPARAM{}.szText)) return false;
    for (char c : text) {
        if (!isDigit(c) && !isSeparator(c)) return false;
    }
    std::size_t last = text.find_last_of(".,");
    std::string_view whole = last == std::string_view::npos ? text : text.substr(0, last);
    // The whole units, without leading zeros and grouping separators, must
    // stay below 10000: at most four significant digits. Counting digits
    // instead of converting keeps any length safe.
    std::size_t significant = 0;
    for (char c : whole) {
        if (isSeparator(c)) continue;
        if (significant == 0 && c == '0') continue;
        ++significant;
    }
    return significant <= 4;
}

bool validDigits(std::string_view text, std::size_t maxDigits) {
    if (text.size() > maxDigits) return false;
    for (char c : text) {
        if (!isDigit(c)) return false;
    }
    return true;
}

bool fieldAccepts(const TextSetting& setting, std::string_view text) {
    return setting.maxDigits == 0 ? validChargeUnit(text)
                                  : validDigits(text, static_cast<std::size_t>(setting.maxDigits));
}

} // namespace quorvex::core
