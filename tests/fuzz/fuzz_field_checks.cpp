// The checks the pages and dialogs make while the user types: MSN, the
// bandwidth-on-demand thresholds, the frame sizes, a timer's time, the
// settings dialog's fields. Each is compared with its rule written plainly.
#include "app/settings_logic.h"
#include "core/clock_time.h"
#include "pages/data/bod_logic.h"
#include "pages/data/data_controls.h"
#include "pages/data/timer_page.h"
#include "pages/telephony/msn_page.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

using namespace quorvex;

namespace {

// The value of a digit text, or a number far above every range (no overflow).
long long valueOf(std::string_view s) {
    long long v = 0;
    for (char c : s) {
        v = v * 10 + (c - '0');
        if (v > 1000000) return 1000000;
    }
    return v;
}

void checkBod(std::string_view text) {
    struct Rule {
        data::BodField field;
        long long min, max;
        int message;
    };
    static constexpr Rule kRules[] = {
        {data::BodField::HighWater, 0, 64, data::kMsgBodWater},
        {data::BodField::LowWater, 0, 64, data::kMsgBodWater},
        {data::BodField::HighDuration, 1, 60, data::kMsgBodDuration},
        {data::BodField::LowDuration, 1, 60, data::kMsgBodDuration},
    };
    for (const Rule& r : kRules) {
        const int error = data::bodTypingError(r.field, text);
        if (text.empty()) {
            FUZZ_CHECK(error == 0);
        } else if (!fuzz::allDigits(text)) {
            FUZZ_CHECK(error == 9024);
        } else {
            const long long v = valueOf(text);
            FUZZ_CHECK(error == (v < r.min || v > r.max ? r.message : 0));
        }
    }
}

void checkFrameSizes(std::string_view text) {
    const std::optional<int> parsed = data::digitsValue(text);
    FUZZ_CHECK(parsed.has_value() == (!text.empty() && fuzz::allDigits(text)));
    if (parsed) FUZZ_CHECK(*parsed >= 0 && *parsed <= 100000);
    if (parsed && valueOf(text) <= 100000) FUZZ_CHECK(*parsed == valueOf(text));
    for (data::FrameField f :
         {data::FrameField::V120, data::FrameField::X75, data::FrameField::Hdlc}) {
        const data::FrameRange range = data::frameRange(f);
        // Only V.120's lower bound (128) waits for collecting.
        FUZZ_CHECK(range.minWhileTyping == (f != data::FrameField::V120));
        const int error = data::frameSizeTypingError(f, text);
        if (text.empty()) {
            FUZZ_CHECK(error == 0);
        } else if (!fuzz::allDigits(text)) {
            FUZZ_CHECK(error == data::kMsgDigitsOnly);
        } else {
            const long long v = valueOf(text);
            const bool outside = v > range.max || (range.minWhileTyping && v < range.min);
            FUZZ_CHECK(error == (outside ? range.messageId : 0));
        }
    }
}

void checkTime(std::string_view text) {
    const std::string typed(text);
    const bool accepted = data::timeTypingAccepted(typed);
    if (!accepted) return;
    // Accepted: at most five characters that read as a time of day.
    FUZZ_CHECK(typed.size() <= 5);
    std::string copy = typed;
    int hour = -1;
    int minute = -1;
    FUZZ_CHECK(core::ParseClockTime(copy, hour, minute));
    FUZZ_CHECK(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59);
}

void checkSettings(std::string_view text) {
    for (const app::SettingsField& field : app::kSettingsFields) {
        const bool accepts = app::fieldAccepts(field, text);
        if (field.maxDigits > 0) {
            FUZZ_CHECK(accepts == (fuzz::allDigits(text) &&
                                   text.size() <= static_cast<std::size_t>(field.maxDigits)));
            continue;
        }
        if (!accepts) continue;
        // A charge per unit the dialog takes fits the driver record and
        // holds digits and separators only, below 10000 whole units.
        FUZZ_CHECK(text.size() < sizeof(DRVPARAM{}.szText));
        for (char c : text)
            FUZZ_CHECK((c >= '0' && c <= '9') || c == '.' || c == ',');
        std::string whole;
        const std::size_t last = text.find_last_of(".,");
        for (char c : last == std::string_view::npos ? text : text.substr(0, last))
            if (c != '.' && c != ',') whole.push_back(c);
        FUZZ_CHECK(valueOf(whole) < 10000);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const std::string_view text = in.rest();
    FUZZ_CHECK(telephony::validMsn(text) == (fuzz::allDigits(text) && text.size() <= 15));
    checkBod(text);
    checkFrameSizes(text);
    checkTime(text);
    checkSettings(text);
    return 0;
}
