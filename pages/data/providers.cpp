#include "pages/data/providers.h"

namespace quorvex::data {

namespace {
constexpr bool slotsFit() {
    for (std::string_view slot : kProviderSlots) {
        if (slot.size() >= kProviderSlotSize || slot.find(',') != 5) return false;
    }
    return true;
}
static_assert(slotsFit(), "every provider slot is a 5-digit prefix, a comma and a short name");
} // namespace

std::optional<std::string> findProvider(std::string_view predial) {
    if (predial.empty()) return std::nullopt;
    // The end slot is not searched: its "Provider" is the fallback, not a match.
    for (std::size_t i = 0; i + 1 < kProviderSlots.size(); ++i) {
        std::string_view slot = kProviderSlots[i];
        if (slot.find(predial) != std::string_view::npos) {
            return std::string(slot.substr(slot.find(',') + 1));
        }
    }
    return std::nullopt;
}

std::string providerNameFor(std::string_view predial) {
    return findProvider(predial).value_or(std::string(kUnknownProviderName));
}

} // namespace quorvex::data
