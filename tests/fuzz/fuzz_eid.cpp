// End point identification numbers of the data page: the display of any stored
// number, the conversion of any typed text back, and the typing checks, for
// every class (and classes outside 0..5, which count as NULL).
#include "pages/data/eid.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

using namespace quorvex::data;

namespace {

bool hex(std::string_view s) {
    for (char c : s)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F')))
            return false;
    return true;
}

// What a stored number of a class must look like once the page accepted it.
void checkStored(int cls, const std::string& stored) {
    FUZZ_CHECK(stored.size() <= kEidMaxSendLength);
    switch (cls) {
    case kEidLocal:
    case kEidTaNumber:
        FUZZ_CHECK(fuzz::allDigits(stored));
        break;
    case kEidIp:
        FUZZ_CHECK(stored.size() == 12 && fuzz::allDigits(stored));
        for (std::size_t i = 0; i < 12; i += 3)
            FUZZ_CHECK(std::stoi(stored.substr(i, 3)) <= 255);
        break;
    case kEidMac:
        FUZZ_CHECK(stored.size() == 12 && hex(stored));
        break;
    case kEidMagic:
        FUZZ_CHECK(!stored.empty() && stored.size() % 8 == 0 && hex(stored));
        break;
    default:
        break;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    // Mostly the six classes; now and then one outside them.
    const std::uint8_t pick = in.byte();
    const int cls = pick < 240 ? pick % kEidClasses : static_cast<int8_t>(pick) * 1000;
    const int clamped = clampEidClass(cls);
    FUZZ_CHECK(clamped >= 0 && clamped < kEidClasses);
    FUZZ_CHECK(cls < 0 || cls >= kEidClasses ? clamped == kEidNull : clamped == cls);
    const int example = eidExampleTextId(cls);
    FUZZ_CHECK(example >= 6250 && example <= 6260 && example % 2 == 0);
    FUZZ_CHECK(eidTypingError(cls, "") == 0);

    const std::string_view text = in.piece();

    // Any typed text: converted, or rejected with the message the typing check gives.
    const int typing = eidTypingError(cls, text);
    const EidConversion typed = eidFromDisplay(cls, text);
    if (typing != 0) FUZZ_CHECK(typed.messageId == typing);
    if (clamped == kEidMagic) {
        // At most three groups of 8: the typing check, the conversion and
        // the message agree on the device command's limit.
        std::size_t digits = 0;
        for (char c : text)
            if (c != '-') ++digits;
        const bool tooLong = digits > kEidMagicMaxDigits || text.size() > 26;
        if (typing == kMsgMagicTooLong) FUZZ_CHECK(tooLong);
        if (typing == 0) FUZZ_CHECK(!tooLong);
        if (typed.ok()) FUZZ_CHECK(typed.stored.size() <= kEidMagicMaxDigits);
    }
    if (typed.ok()) {
        FUZZ_CHECK(typing == 0);
        checkStored(clamped, typed.stored);
        // What the page stores is shown again and collected unchanged.
        const std::string shown = eidDisplay(cls, typed.stored);
        FUZZ_CHECK(eidTypingError(cls, shown) == 0);
        const EidConversion again = eidFromDisplay(cls, shown);
        FUZZ_CHECK(again.ok() && again.stored == typed.stored);
    } else {
        FUZZ_CHECK(typed.stored.empty());
    }

    // Any stored number (what the device or a profile holds) can be shown;
    // nothing of it is hidden.
    const std::string_view stored = in.rest();
    const std::string shown = eidDisplay(cls, stored);
    if (clamped == kEidMagic) {
        std::string joined;
        for (char c : shown)
            if (c != '-') joined.push_back(c);
        if (stored.find('-') == std::string_view::npos) FUZZ_CHECK(joined == stored);
    } else if (clamped != kEidIp) {
        FUZZ_CHECK(shown == stored);
    } else if (!(stored.size() == 12 && fuzz::allDigits(stored))) {
        FUZZ_CHECK(shown == stored);
    }
    (void)ipTypingError(stored);
    return 0;
}
