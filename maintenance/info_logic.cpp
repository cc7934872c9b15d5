#include "maintenance/info_logic.h"

#include "core/detection.h"
#include "resources/text_table.h"

#include <array>

namespace quorvex::maintenance {

namespace {
constexpr int kStatusTextFirst = 6268;
constexpr int kProgramVersionText = 11;
} // namespace

std::string isdnStatusText(int status, int language) {
    if (status >= 0 && status < kIsdnStatusCount) {
        return std::string(text::get(kStatusTextFirst + 2 * status, language));
    }
    // No text for other values: show the number in the table's own "( n )" form.
    return "( " + std::to_string(status) + " )";
}

std::string disconnectCauseText(int cause) {
    return (cause == 0 ? "ok (" : "(") + std::to_string(cause) + ")";
}

std::string singleAmpersands(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        out.push_back(text[i]);
        if (text[i] == '&' && i + 1 < text.size() && text[i + 1] == '&') ++i;
    }
    return out;
}

int IsdnInfo::readNumber(uint16_t code) {
    DRVPARAM r{};
    r.nCmd = code;
    if (app_.SendDrvCmd(code, &r) != 0) return 0;
    return r.nValue;
}

std::string IsdnInfo::readText(uint16_t code) {
    // One byte more than the driver may fill, so the text always ends.
    std::array<char, kInfoTextBufferSize + 1> buffer{};
    DRVPARAM r{};
    r.nCmd = code;
    drv_set_buffer(&r, buffer.data(), static_cast<int32_t>(kInfoTextBufferSize));
    if (app_.SendDrvCmd(code, &r) != 0) return {};
    return std::string(buffer.data());
}

void IsdnInfo::read() {
    values_.isdnStatus = readNumber(DRV_ISDNSTATUS);
    values_.disconnectCause = readNumber(DRV_DISCCAUSE);
    values_.importantAt = readText(DRV_ATIMPORTANT);
    values_.changedAt = readText(DRV_ATCHANGED);
}

std::string IsdnInfo::text(int controlId, int language) const {
    switch (controlId) {
    case 1529:
        return isdnStatusText(values_.isdnStatus, language);
    case 1530:
        return disconnectCauseText(values_.disconnectCause);
    case 1531:
        return core::infoModelName(app_.modelNumber, app_.usbVariant);
    case 1532:
        return app_.firmwareText + " BOOT CODE " + app_.bootCodeText;
    case 1533:
        return std::string(text::get(kProgramVersionText, language));
    case 1534:
        return singleAmpersands(values_.importantAt);
    case 1535:
        return singleAmpersands(values_.changedAt);
    default:
        return {};
    }
}

} // namespace quorvex::maintenance
