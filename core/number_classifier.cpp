#include "core/number_classifier.h"

#include <algorithm>

namespace quorvex::core {

namespace {

constexpr std::size_t kMaxCharacters = kMaxNumberDigits;

// The star codes in port index order; result 8 + index.
constexpr std::array<std::string_view, 5> kStarCodes = {"*11", "*21", "*22", "*31", "*32"};

constexpr int kInvalid = 0;
constexpr int kNumber = 1;
constexpr int kIncomplete = 2;
constexpr int kFirstName = 3;
constexpr int kFirstStarCode = 8;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

int classifyStar(std::string_view text) {
    switch (text.size()) {
    case 1:
        return kIncomplete;
    case 2:
        return (text[1] >= '1' && text[1] <= '3') ? kIncomplete : kInvalid;
    case 3:
        for (std::size_t i = 0; i < kStarCodes.size(); ++i) {
            if (text == kStarCodes[i]) return kFirstStarCode + static_cast<int>(i);
        }
        return kInvalid;
    default:
        return kInvalid;
    }
}

} // namespace

std::size_t characterCount(std::string_view text) {
    // Every byte that does not continue a multi-byte sequence starts a character.
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0U) != 0x80U;
    }));
}

int classify(std::string_view text, const PortNames& names) {
    if (text.empty()) return kNumber;
    if (characterCount(text) > kMaxCharacters) return kInvalid;

    // A port name wins over every other reading, even one that looks like a star code.
    for (std::size_t i = 0; i < names.size(); ++i) {
        const std::string_view name = names[i];
        if (name.starts_with(text)) {
            return name.size() == text.size() ? kFirstName + static_cast<int>(i) : kIncomplete;
        }
    }

    if (text.front() == '*') return classifyStar(text);
    return std::all_of(text.begin(), text.end(), isDigit) ? kNumber : kInvalid;
}

} // namespace quorvex::core
