#include "profile/text_encoding.h"

#include <array>
#include <cstdint>

namespace quorvex::profile {

namespace {

// Code points of the bytes 0x80..0x9F in code page 1252; the rest of the upper
// half equals Latin-1.
constexpr std::array<char16_t, 32> kCp1252High = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out.push_back(static_cast<char>(cp));
    } else if (cp < 0x800) {
        out.push_back(static_cast<char>(0xC0 | (cp >> 6)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        out.push_back(static_cast<char>(0xE0 | (cp >> 12)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    } else {
        out.push_back(static_cast<char>(0xF0 | (cp >> 18)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(static_cast<char>(0x80 | (cp & 0x3F)));
    }
}

constexpr char32_t kReplacement = 0xFFFD;

void appendUtf16(std::string& out, char16_t unit, ByteOrder order) {
    const auto hi = static_cast<char>(unit >> 8);
    const auto lo = static_cast<char>(unit & 0xFF);
    out.push_back(order == ByteOrder::Little ? lo : hi);
    out.push_back(order == ByteOrder::Little ? hi : lo);
}

// Length of the well-formed UTF-8 sequence at the start of bytes, 0 when it is
// not one.
std::size_t sequenceLength(std::string_view bytes) {
    const auto b0 = static_cast<std::uint8_t>(bytes[0]);
    if (b0 < 0x80) return 1;
    std::size_t len = 0;
    std::uint8_t lo = 0x80;
    std::uint8_t hi = 0xBF;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        len = 2;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        len = 3;
        if (b0 == 0xE0) lo = 0xA0; // overlong
        if (b0 == 0xED) hi = 0x9F; // surrogates
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        len = 4;
        if (b0 == 0xF0) lo = 0x90; // overlong
        if (b0 == 0xF4) hi = 0x8F; // beyond U+10FFFF
    } else {
        return 0;
    }
    if (bytes.size() < len) return 0;
    const auto b1 = static_cast<std::uint8_t>(bytes[1]);
    if (b1 < lo || b1 > hi) return 0;
    for (std::size_t i = 2; i < len; ++i) {
        const auto b = static_cast<std::uint8_t>(bytes[i]);
        if (b < 0x80 || b > 0xBF) return 0;
    }
    return len;
}

} // namespace

bool isValidUtf8(std::string_view bytes) {
    while (!bytes.empty()) {
        const std::size_t len = sequenceLength(bytes);
        if (len == 0) return false;
        bytes.remove_prefix(len);
    }
    return true;
}

std::string cp1252ToUtf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto b = static_cast<std::uint8_t>(c);
        if (b >= 0x80 && b < 0xA0) {
            appendUtf8(out, kCp1252High[b - 0x80]);
        } else {
            appendUtf8(out, b);
        }
    }
    return out;
}

std::string utf16ToUtf8(std::string_view bytes, ByteOrder order) {
    std::string out;
    out.reserve(bytes.size());
    const auto unitAt = [&](std::size_t i) {
        const auto a = static_cast<std::uint8_t>(bytes[i]);
        const auto b = static_cast<std::uint8_t>(bytes[i + 1]);
        return static_cast<char16_t>(order == ByteOrder::Little ? (b << 8) | a : (a << 8) | b);
    };
    std::size_t i = 0;
    for (; i + 1 < bytes.size(); i += 2) {
        const char16_t unit = unitAt(i);
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 3 < bytes.size()) {
            const char16_t low = unitAt(i + 2);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                appendUtf8(out, 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (low - 0xDC00));
                i += 2;
                continue;
            }
        }
        appendUtf8(out, unit >= 0xD800 && unit <= 0xDFFF ? kReplacement : char32_t(unit));
    }
    if (i < bytes.size()) appendUtf8(out, kReplacement);
    return out;
}

std::string utf8ToUtf16(std::string_view text, ByteOrder order) {
    std::string out;
    out.reserve(text.size() * 2);
    while (!text.empty()) {
        const std::size_t len = sequenceLength(text);
        char32_t cp = 0;
        if (len == 0) {
            const auto b = static_cast<std::uint8_t>(text[0]);
            cp = b >= 0x80 && b < 0xA0 ? kCp1252High[b - 0x80] : b;
            text.remove_prefix(1);
        } else {
            const auto b0 = static_cast<std::uint8_t>(text[0]);
            cp = len == 1 ? b0 : len == 2 ? b0 & 0x1F : len == 3 ? b0 & 0x0F : b0 & 0x07;
            for (std::size_t k = 1; k < len; ++k)
                cp = (cp << 6) | (static_cast<std::uint8_t>(text[k]) & 0x3F);
            text.remove_prefix(len);
        }
        if (cp >= 0x10000) {
            appendUtf16(out, static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10)), order);
            appendUtf16(out, static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF)), order);
        } else {
            appendUtf16(out, static_cast<char16_t>(cp), order);
        }
    }
    return out;
}

std::string decodeProfileText(std::string_view bytes, std::size_t maxBytes) {
    if (const auto nul = bytes.find('\0'); nul != std::string_view::npos) {
        bytes = bytes.substr(0, nul);
    }
    if (isValidUtf8(bytes)) {
        std::size_t cut = 0;
        while (cut < bytes.size()) {
            const std::size_t len = sequenceLength(bytes.substr(cut));
            if (cut + len > maxBytes) break;
            cut += len;
        }
        return std::string(bytes.substr(0, cut));
    }
    return cp1252ToUtf8(bytes.substr(0, maxBytes));
}

} // namespace quorvex::profile
