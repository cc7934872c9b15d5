// How a device that is a little odd changes its replies: pure text work on
// the reply bytes, for the simulator's fault switches.
#pragma once

#include <string>
#include <string_view>

namespace quorvex::sim {

enum class Extra {
    Off,
    Blank,     // a blank after the value: "\r\n4711 \r\nOK\r\n"
    EmptyLine, // an empty line before the final OK: "\r\n4711\r\n\r\nOK\r\n"
    LineAfter, // an unasked line ("\r\nRING\r\n") some time after the reply
};

// The line the device sends unasked (Extra::LineAfter).
inline constexpr std::string_view kUnaskedLine = "\r\nRING\r\n";

// reply with the extra in it (Blank, EmptyLine); a reply without a value
// line gets no blank, one without a final OK no empty line.
std::string withExtra(std::string reply, Extra extra);

// The reply of a query whose value is value.
std::string replyWithValue(std::string_view value);

} // namespace quorvex::sim
