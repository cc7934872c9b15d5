// The port-entry rules: any names, any stored and typed texts, any sequence
// of the field's operations. A value from the device commits to its stored
// form (a port's name becomes its star code, a star code or a number stays);
// a commit always leaves the field settled, never stores a half-typed text
// and never leaves a bare port name to be sent unless it is a number.
#include "pages/telephony/port_entry.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

using namespace quorvex::telephony;

namespace {

bool isNumber(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// What a commit leaves: a star code, a number, or a text that is not exactly a port's name.
bool sendable(const std::string& stored, const quorvex::core::PortNames& names) {
    const int p = namedPort(stored, names);
    return isStarCode(stored) || isNumber(stored) || p < 0 ||
           names[static_cast<std::size_t>(p)].empty();
}

void checkCommit(PortEntry& entry, const quorvex::core::PortNames& names) {
    const bool wasPending = entry.pending();
    const bool half = wasPending && halfTyped(entry.displayed(), names);
    const std::string confirmed = entry.confirmed();
    const std::string expected = entry.committedValue(names);
    const bool unsent = entry.unsentAfterCommit(names);
    FUZZ_CHECK(entry.commit(names) == !half);
    FUZZ_CHECK(entry.stored() == expected);
    FUZZ_CHECK(entry.changed() == unsent);
    FUZZ_CHECK(entry.confirmed() == confirmed);
    FUZZ_CHECK(!entry.pending());
    if (half) FUZZ_CHECK(entry.stored() == storedForm(confirmed, names));
    FUZZ_CHECK(sendable(entry.stored(), names));
    // Settled: a second commit changes nothing.
    entry.commit(names);
    FUZZ_CHECK(entry.stored() == expected);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    quorvex::core::PortNames names;
    for (auto& name : names)
        name = std::string(in.piece());

    const std::string fromDevice(in.piece());
    PortEntry entry;
    entry.reset(fromDevice, names);
    FUZZ_CHECK(!entry.changed() && !entry.pending());
    entry.commit(names);
    const std::string form = isStarCode(fromDevice) || isNumber(fromDevice)
                                 ? fromDevice
                                 : storedValue(fromDevice, names);
    FUZZ_CHECK(entry.stored() == form);
    FUZZ_CHECK(storedForm(fromDevice, names) == form);
    FUZZ_CHECK(entry.confirmed() == fromDevice);
    FUZZ_CHECK(entry.changed() == (form != fromDevice));

    const int portIndex = starCodePort(entry.stored(), names);
    FUZZ_CHECK(portIndex >= -1 && portIndex < kPortNameCount);
    const int named = namedPort(entry.displayed(), names);
    FUZZ_CHECK(named >= -1 && named < kPortNameCount);
    for (int i = -1; i <= kPortNameCount; ++i) {
        FUZZ_CHECK(starCode(i).empty() == (i < 0 || i >= kPortNameCount));
        if (!starCode(i).empty()) FUZZ_CHECK(isStarCode(starCode(i)));
    }
    (void)storedValue(displayText(fromDevice, names), names);

    while (!in.empty()) {
        switch (in.byte() % 6) {
        case 0:
            entry.setDisplayed(std::string(in.piece()));
            break;
        case 1:
            checkCommit(entry, names);
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
