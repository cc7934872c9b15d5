#pragma once
// The shared judge of texts that may be a phone number or name an internal port.

#include <array>
#include <string>
#include <string_view>

namespace quorvex {

// Names of the analog ports "11", "21", "22", "31", "32" as the device-state cache holds them.
using PortNames = std::array<std::string, 5>;

// 0 invalid; 1 empty or 1-15 digits; 2 incomplete; 3-7 exactly the name of port
// index 0-4; 8-12 a star code "*11" ... "*32" (port index 0-4).
int classify(std::string_view text, const PortNames& names);

} // namespace quorvex
