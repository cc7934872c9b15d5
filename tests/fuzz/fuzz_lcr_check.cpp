// The least cost routing check before a send, over tables filled from the input.
#include "pages/data/lcr_check.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>

using namespace quorvex::data;

namespace {

void fill(Item<std::string>& m, fuzz::Input& in) {
    const std::uint8_t how = in.byte();
    m.reset(std::string(in.piece()), true);
    if (how & 1) m.set(std::string(in.piece()));
}
void fill(Item<bool>& m, fuzz::Input& in) {
    const std::uint8_t how = in.byte();
    m.reset(how & 1, true);
    if (how & 2) m.set(how & 4);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    LcrTables tables;
    for (LcrDayTable& day : tables) {
        for (LcrBand& band : day.bands) {
            if (in.empty()) break;
            fill(band.from, in);
            fill(band.till, in);
            fill(band.predial, in);
            fill(band.provider, in);
            fill(band.local, in);
            fill(band.active, in);
        }
        for (LcrRange& range : day.ranges) {
            if (in.empty()) break;
            fill(range.from, in);
            fill(range.to, in);
            fill(range.active, in);
        }
    }
    const LcrCheckOutcome outcome = checkForSend(tables);
    for (int id : {kMsgBandsIncomplete, kMsgOverlap, kMsgRange})
        FUZZ_CHECK(std::count(outcome.messages.begin(), outcome.messages.end(), id) <= 1);
    FUZZ_CHECK(outcome.messages.size() <= 3);
    for (const LcrDayTable& day : outcome.tables)
        for (const LcrBand& band : day.bands) {
            FUZZ_CHECK(hourValue(band.from.edited) >= 0);
            FUZZ_CHECK(hourValue(band.till.edited) >= 0);
        }
    return 0;
}
