// The one way bytes of the line are shown to people (the trace, a device
// check's report): <CR>, <LF>, \xNN for other control bytes and bytes above
// 0x7E, every other byte as it is.
#ifndef R70_BYTE_ESCAPE_H
#define R70_BYTE_ESCAPE_H

#include <cstddef>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace r70 {

// Writes at most size-1 characters and a NUL; returns the length written.
inline std::size_t escapeBytes(std::string_view bytes, char* out, std::size_t size) noexcept {
    if (out == nullptr || size == 0) return 0;
    std::size_t n = 0;
    auto put = [&](std::string_view s) {
        if (n + s.size() >= size) return false;
        std::memcpy(out + n, s.data(), s.size());
        n += s.size();
        return true;
    };
    for (char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        char hex[8];
        std::string_view piece;
        if (c == '\r') {
            piece = "<CR>";
        } else if (c == '\n') {
            piece = "<LF>";
        } else if (u < 0x20 || u >= 0x7f) {
            std::snprintf(hex, sizeof hex, "\\x%02X", u);
            piece = hex;
        } else {
            piece = std::string_view(&c, 1);
        }
        if (!put(piece)) break;
    }
    out[n] = '\0';
    return n;
}

} // namespace r70

#endif
