#pragma once
// Texts in profile files: files written on Windows hold code page 1252 bytes
// (an "ü" is the byte 0xFC), files written by this program hold UTF-8, and a
// file saved as "Unicode" on Windows (Notepad, PowerShell) holds UTF-16 after
// a byte-order mark. The program works in UTF-8 throughout.

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvex::profile {

// True when the bytes are well-formed UTF-8 (no overlong forms, no surrogates,
// nothing beyond U+10FFFF).
bool isValidUtf8(std::string_view bytes);

// Each byte as its code page 1252 character, in UTF-8. The five bytes that
// code page leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the C1
// controls of the same number, as Windows does.
std::string cp1252ToUtf8(std::string_view bytes);

// A value as read from a file, in UTF-8, cut to at most maxBytes bytes of the
// file: valid UTF-8 is taken as it is and cut before a character that would
// not fit whole (a sequence is never split); anything else is code page 1252,
// cut to maxBytes bytes and then converted (so the result may be longer than
// maxBytes bytes, never longer than maxBytes characters). The text ends at a
// NUL byte, as a C string would.
std::string decodeProfileText(std::string_view bytes, std::size_t maxBytes);

enum class ByteOrder { Little, Big };

// UTF-16 in the given byte order as UTF-8. An unpaired surrogate and a last
// odd byte become U+FFFD, so nothing is lost silently.
std::string utf16ToUtf8(std::string_view bytes, ByteOrder order);

// UTF-8 as UTF-16 in the given byte order; bytes that are no UTF-8 are taken
// as code page 1252, as a read takes them.
std::string utf8ToUtf16(std::string_view text, ByteOrder order);

} // namespace quorvex::profile
