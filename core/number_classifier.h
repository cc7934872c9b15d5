#pragma once
// The shared judge of texts that may be a phone number or name an internal port.

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex::core {

// The longest phone number the pages take (classify() result 1).
inline constexpr std::size_t kMaxNumberDigits = 15;

// Names of the analog ports "11", "21", "22", "31", "32" as the device-state cache holds them.
using PortNames = std::array<std::string, 5>;

// 0 invalid; 1 empty or 1-15 digits; 2 incomplete; 3-7 exactly the name of port
// index 0-4; 8-12 a star code "*11" ... "*32" (port index 0-4).
//
// Texts are UTF-8. Port names are compared byte by byte, exactly and case-sensitively,
// before any other rule, always against all five names whatever the model. The limit of
// 15 counts characters as the user sees them (Unicode code points, so "Jürgen" is 6
// long), not bytes; a byte that is not valid UTF-8 counts as one character.
int classify(std::string_view text, const PortNames& names);

// The number of characters of a UTF-8 text in the sense of classify().
std::size_t characterCount(std::string_view text);

} // namespace quorvex::core
