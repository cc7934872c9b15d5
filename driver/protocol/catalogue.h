// The device's AT command language: the command builder (record -> command
// text) and the reply parser (reply bytes -> record). Pure text work, no I/O.
#ifndef R70_CATALOGUE_H
#define R70_CATALOGUE_H

#include "driver/api/r70com32.h"

#include <cstddef>
#include <string_view>

namespace r70 {

// The command buffer: 31 characters with the carriage return, plus the NUL.
inline constexpr std::size_t kCommandBufferSize = 32;

// Data protocol: protocol index (0-7) -> the device's protocol code.
inline constexpr int kProtocolCodes[8] = {95, 2, 1, 5, 3, 4, 92, 90};

enum class BuildStatus {
    Built,     // text holds the command with its CR; szCmd holds it without
    NoCommand, // the command / operation / port combination has no text
    TooLong,   // the text would not fit the command buffer; nothing is sent
};

struct CommandText {
    char text[kCommandBufferSize] = {};
    std::size_t length = 0; // characters in text, CR included
};

// Builds the command text for p.nCmd. Empties the text fields of commands
// 23, 24 and 27 first. Writes szCmd (the text without CR; empty when nothing
// was built).
BuildStatus buildCommand(DRVPARAM& p, CommandText& out) noexcept;

// Parses the reply to the command in p.nCmd. readResult is the reader's
// result (0 a reply came, anything else none). Writes bReply, bOk and the
// value fields.
void parseReply(std::string_view reply, int readResult, DRVPARAM& p) noexcept;

// The text between the leading CR LF and the end of the reply ("the value"),
// and that text up to its first CR or LF ("the value line").
std::string_view replyValue(std::string_view reply) noexcept;
std::string_view valueLine(std::string_view value) noexcept;

// Copies src into dst, cut to capacity - 1 characters, NUL-terminated; a
// null dst or no capacity writes nothing.
void copyText(char* dst, std::size_t capacity, std::string_view src) noexcept;
template <std::size_t N> void copyText(char (&field)[N], std::string_view src) noexcept {
    copyText(field, N, src);
}

// Leading decimal integer of text (optional blanks and sign); no digits: 0.
int leadingNumber(std::string_view text) noexcept;

} // namespace r70

#endif
