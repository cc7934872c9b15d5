#pragma once
// The built-in list of call-by-call providers: 5-digit prefixes and their
// names. The device stores only the prefixes; the LCR page names a band's
// provider from this list when the user types a prefix or a name is missing.

#include <array>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::data {

// One 20-character slot each: the prefix, a comma, the name. The last slot
// ends the list and never matches.
inline constexpr std::array<std::string_view, 16> kProviderSlots = {
    "01011,o.tel.o", "01013,Tele2",        "01018,Debitel",       "01019,MobilCom",
    "01023,Tesion",  "01024,TelePassport", "01030,TelDaFax",      "01033,Telekom",
    "01046,KomTel",  "01049,ACC",          "01050,Talkline",      "01066,Interroute",
    "01070,Arcor",   "01085,WESTcom",      "01090,VIAG Interkom", "00000,Provider",
};
inline constexpr std::size_t kProviderSlotSize = 20;

// The name given to a band that has a prefix but no known provider.
inline constexpr std::string_view kUnknownProviderName = "Provider";

// The name of the first slot whose text contains predial, or nothing. An
// empty predial matches nothing.
std::optional<std::string> findProvider(std::string_view predial);

// findProvider, else "Provider".
std::string providerNameFor(std::string_view predial);

} // namespace quorvex::data
