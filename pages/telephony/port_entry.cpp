#include "pages/telephony/port_entry.h"

#include "core/device_cache.h"

namespace quorvex::telephony {

std::string starCode(int portIndex) {
    if (portIndex < 0 || portIndex >= core::kMaxAnalogPorts) return std::string();
    return "*" + std::to_string(core::kAnalogPortNumbers[static_cast<std::size_t>(portIndex)]);
}

bool isStarCode(std::string_view text) {
    for (int p = 0; p < kPortNameCount; ++p) {
        if (text == starCode(p)) return true;
    }
    return false;
}

int starCodePort(std::string_view text, const core::PortNames& names) {
    int c = core::classify(text, names);
    return c >= kClassFirstStar && c < kClassFirstStar + kPortNameCount ? c - kClassFirstStar : -1;
}

int namedPort(std::string_view text, const core::PortNames& names) {
    int c = core::classify(text, names);
    return c >= kClassFirstName && c < kClassFirstName + kPortNameCount ? c - kClassFirstName : -1;
}

std::string displayText(std::string_view stored, const core::PortNames& names) {
    int p = starCodePort(stored, names);
    if (p < 0) return std::string(stored);
    const std::string& name = names[static_cast<std::size_t>(p)];
    // Without a name the star code itself is the only faithful display.
    return name.empty() ? std::string(stored) : name;
}

std::string storedValue(std::string_view displayed, const core::PortNames& names) {
    int p = namedPort(displayed, names);
    if (p >= 0 && !names[static_cast<std::size_t>(p)].empty()) return starCode(p);
    return std::string(displayed);
}

std::string storedForm(std::string_view value, const core::PortNames& names) {
    // A star code is never read as a name: of two ports with one name, or a
    // port named like a star code, the code the device holds stays. Nor is a
    // number: a port named "110" must not turn the emergency number the
    // device holds into a call to that port.
    const bool number = !value.empty() && value.find_first_not_of("0123456789") == value.npos;
    return isStarCode(value) || number ? std::string(value) : storedValue(value, names);
}

bool halfTyped(std::string_view displayed, const core::PortNames& names) {
    int c = core::classify(displayed, names);
    return c == kClassInvalid || c == kClassIncomplete;
}

void PortEntry::reset(std::string value, const core::PortNames& names, bool fromDevice) {
    value_.reset(value, fromDevice);
    rederive(names);
}

void PortEntry::setStored(std::string value, const core::PortNames& names) {
    value_.edited = std::move(value);
    rederive(names);
}

std::string PortEntry::committedValue(const core::PortNames& names) const {
    if (!pending()) return storedForm(value_.edited, names);
    if (halfTyped(displayed_, names)) return storedForm(value_.confirmed, names);
    return storedValue(displayed_, names);
}

bool PortEntry::commit(const core::PortNames& names) {
    const bool undone = pending() && halfTyped(displayed_, names);
    value_.edited = committedValue(names);
    rederive(names);
    return !undone;
}

void PortEntry::discard(const core::PortNames& names) {
    value_.discard();
    rederive(names);
}

void PortEntry::rederive(const core::PortNames& names) {
    derived_ = displayText(value_.edited, names);
    displayed_ = derived_;
}

} // namespace quorvex::telephony
