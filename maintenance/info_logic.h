#pragma once
// The "ISDN/Modem Info" dialog without a widget: the four values it reads
// from the device (commands 50-53) when it opens and every 3000 ms, and the
// seven texts it shows (controls 1529-1535).

#include "core/config_app.h"

#include <string>
#include <string_view>

namespace quorvex::maintenance {

inline constexpr int kInfoTimerPeriodMs = 3000;
inline constexpr int kInfoFirstValueControl = 1529;
inline constexpr int kInfoLastValueControl = 1535;
// Room for the device's settings texts (their "&" doubled).
inline constexpr std::size_t kInfoTextBufferSize = 512;

struct InfoValues {
    int isdnStatus = 0;                         // command 50
    int disconnectCause = 0;                    // command 51
    std::string importantAt = "ATE0,ATV1,ATQ0"; // command 52, as the device sends it ("&&")
    std::string changedAt = "ATE0,AT&&D0";      // command 53
};

// The ISDN states the dialog has words for (0-3).
inline constexpr int kIsdnStatusCount = 4;
// Status 0-3: strings 6268-6274 (+ language); any other value: "( %d )".
std::string isdnStatusText(int status, int language);
// "ok (%d)" for cause 0, else "(%d)".
std::string disconnectCauseText(int cause);
// The device writes every "&" twice; the user sees one.
std::string singleAmpersands(std::string_view text);

class IsdnInfo {
public:
    explicit IsdnInfo(core::CConfigApp& app) : app_(app) {}

    // Opening and every timer tick: commands 50, 51, 52, 53 in this order
    // through the wrapper; a failure gives 0 or the empty text.
    void read();
    void open() { read(); }
    void timerTick() { read(); }

    const InfoValues& values() const { return values_; }
    // The text of value control 1529-1535 as the dialog shows it; other ids: empty.
    std::string text(int controlId, int language) const;

private:
    int readNumber(uint16_t code);
    std::string readText(uint16_t code);

    core::CConfigApp& app_;
    InfoValues values_;
};

} // namespace quorvex::maintenance
