// The port-entry rules: any names, any stored and typed texts, any sequence
// of the field's operations. A stored value survives a round trip through its
// own display; a commit always leaves the field settled.
#include "pages/telephony/port_entry.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

using namespace quorvex::telephony;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    quorvex::PortNames names;
    for (auto& name : names)
        name = std::string(in.piece());

    const std::string fromDevice(in.piece());
    PortEntry entry;
    entry.reset(fromDevice, names);
    FUZZ_CHECK(!entry.changed() && !entry.pending());
    entry.commit(names);
    FUZZ_CHECK(entry.stored() == fromDevice);
    FUZZ_CHECK(!entry.changed());

    const int portIndex = starCodePort(entry.stored(), names);
    FUZZ_CHECK(portIndex >= -1 && portIndex < kPortNameCount);
    const int named = namedPort(entry.displayed(), names);
    FUZZ_CHECK(named >= -1 && named < kPortNameCount);
    for (int i = -1; i <= kPortNameCount; ++i)
        FUZZ_CHECK(starCode(i).empty() == (i < 0 || i >= kPortNameCount));
    (void)storedValue(displayText(fromDevice, names), names, in.byte() % 7);

    while (!in.empty()) {
        switch (in.byte() % 6) {
        case 0:
            entry.setDisplayed(std::string(in.piece()));
            break;
        case 1:
            entry.commit(names, in.byte() % 7);
            FUZZ_CHECK(!entry.pending());
            break;
        case 2:
            entry.discard(names);
            FUZZ_CHECK(entry.stored() == entry.confirmed() && !entry.pending());
            break;
        case 3:
            entry.confirm();
            FUZZ_CHECK(!entry.changed());
            break;
        case 4:
            names[in.byte() % kPortNameCount] = std::string(in.piece());
            entry.rederive(names);
            break;
        default:
            entry.setStored(std::string(in.piece()), names);
            break;
        }
    }
    return 0;
}
