#include "pages/data/eid.h"

#include <array>
#include <cstdio>

namespace quorvex::data {

namespace {

struct ClassInfo {
    std::string_view initial;
    int exampleTextId;
};

constexpr std::array<ClassInfo, kEidClasses> kClasses = {{
    {"0000000", 6250},
    {"98765432", 6252},
    {"195222204004", 6254},
    {"0080C81E379a", 6256},
    {"01dc5abc20843abc", 6258},
    {"4968155", 6260},
}};

// Magic number blocks: 8 hexadecimal digits per group, a dash between groups;
// as many groups as the device command carries (three: 26 characters typed).
constexpr std::size_t kMagicGroup = 8;
constexpr std::size_t kMagicStride = kMagicGroup + 1;
constexpr std::size_t kMagicMaxGroups = kEidMagicMaxDigits / kMagicGroup;
constexpr std::size_t kMagicMaxTyped = kMagicMaxGroups * kMagicStride - 1;
static_assert(kMagicMaxGroups * kMagicGroup == kEidMagicMaxDigits);

constexpr std::size_t kLocalMax = 20;
constexpr std::size_t kTaMax = 15;
constexpr std::size_t kMacLength = 12;
constexpr std::size_t kIpDigits = 12;
constexpr int kOctetMax = 255;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isHex(char c) {
    return isDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool allDigits(std::string_view s) {
    for (char c : s)
        if (!isDigit(c)) return false;
    return true;
}
bool allHex(std::string_view s) {
    for (char c : s)
        if (!isHex(c)) return false;
    return true;
}

// A dash may stand only between two groups of 8.
bool isDashPosition(std::size_t p) {
    return p % kMagicStride == kMagicGroup;
}

// Up to three digits of an octet; nullopt-like -1 when not a number 0..255.
int octetValue(std::string_view digits) {
    if (digits.empty() || !allDigits(digits)) return -1;
    int value = 0;
    for (char c : digits) {
        value = value * 10 + (c - '0');
        if (value > kOctetMax) return -1;
    }
    return value;
}

std::string formatIp(const std::array<int, 4>& octets) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%03d%03d%03d%03d", octets[0], octets[1], octets[2],
                  octets[3]);
    return buffer;
}

EidConversion reject(int messageId) {
    return EidConversion{{}, messageId};
}

EidConversion ipFromDisplay(std::string_view text) {
    std::array<int, 4> octets{};
    if (text.find('.') != std::string_view::npos) {
        std::size_t start = 0;
        for (int i = 0; i < 4; ++i) {
            std::size_t dot = text.find('.', start);
            if ((i < 3) == (dot == std::string_view::npos)) return reject(kMsgIpAddress);
            std::size_t end = i < 3 ? dot : text.size();
            octets[static_cast<std::size_t>(i)] = octetValue(text.substr(start, end - start));
            if (octets[static_cast<std::size_t>(i)] < 0) return reject(kMsgIpAddress);
            start = end + 1;
        }
    } else {
        if (text.size() != kIpDigits) return reject(kMsgIpAddress);
        for (std::size_t i = 0; i < 4; ++i) {
            octets[i] = octetValue(text.substr(3 * i, 3));
            if (octets[i] < 0) return reject(kMsgIpAddress);
        }
    }
    return EidConversion{formatIp(octets), 0};
}

// The length rules of a magic number block; the rest is checked by
// magicFromDisplay() when collecting.
int magicTypingError(std::string_view text) {
    std::size_t digits = 0;
    for (std::size_t p = 0; p < text.size(); ++p) {
        const bool fits = isHex(text[p]) || (text[p] == '-' && isDashPosition(p));
        if (!fits) return kMsgMagicBlock;
        if (text[p] != '-') ++digits;
    }
    // A dash only ever starts another group, so a text past the third group's
    // end holds too many digits or a dash before a fourth group.
    if (digits > kEidMagicMaxDigits || text.size() > kMagicMaxTyped) return kMsgMagicTooLong;
    return 0;
}

EidConversion magicFromDisplay(std::string_view text) {
    std::size_t dashes = 0;
    for (char c : text)
        if (c == '-') ++dashes;
    if (dashes == 0) {
        if (text.empty() || text.size() % kMagicGroup != 0 || !allHex(text))
            return reject(kMsgMagicBlock);
        return EidConversion{std::string(text), 0};
    }
    if (dashes > kMagicMaxGroups - 1 || (text.size() + 1) % kMagicStride != 0)
        return reject(kMsgMagicBlock);
    std::string joined;
    for (std::size_t p = 0; p < text.size(); ++p) {
        const bool dash = text[p] == '-';
        if (dash != isDashPosition(p)) return reject(kMsgMagicBlock);
        if (!dash) {
            if (!isHex(text[p])) return reject(kMsgMagicBlock);
            joined.push_back(text[p]);
        }
    }
    return EidConversion{joined, 0};
}

} // namespace

int clampEidClass(int eidClass) {
    return eidClass >= 0 && eidClass < kEidClasses ? eidClass : kEidNull;
}

std::string_view eidInitialText(int eidClass) {
    return kClasses[static_cast<std::size_t>(clampEidClass(eidClass))].initial;
}

int eidExampleTextId(int eidClass) {
    return kClasses[static_cast<std::size_t>(clampEidClass(eidClass))].exampleTextId;
}

std::string eidDisplay(int eidClass, std::string_view stored) {
    switch (clampEidClass(eidClass)) {
    case kEidIp: {
        if (stored.size() != kIpDigits || !allDigits(stored)) return std::string(stored);
        std::string shown;
        for (std::size_t i = 0; i < 4; ++i) {
            if (i > 0) shown.push_back('.');
            int value = (stored[3 * i] - '0') * 100 + (stored[3 * i + 1] - '0') * 10 +
                        (stored[3 * i + 2] - '0');
            shown += std::to_string(value);
        }
        return shown;
    }
    case kEidMagic: {
        std::string shown;
        // A remainder shorter than a group is shown too: a number the field
        // cannot show whole would be cut short when the page collects it.
        for (std::size_t p = 0; p < stored.size(); p += kMagicGroup) {
            if (p > 0) shown.push_back('-');
            shown += stored.substr(p, kMagicGroup);
        }
        return shown;
    }
    default:
        return std::string(stored);
    }
}

int ipTypingError(std::string_view text) {
    if (text.find('.') == std::string_view::npos && text.size() > kIpDigits) return kMsgIpAddress;
    int dots = 0;
    int value = 0;
    std::size_t lastDot = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (isDigit(c)) {
            value = value * 10 + (c - '0');
            if (value > kOctetMax) return kMsgIpAddress;
            // Without a dot yet the digits are read in groups of three.
            if (dots == 0 && i % 3 == 2) value = 0;
        } else if (c == '.') {
            if (dots == 3) return kMsgIpAddress;
            const std::size_t distance = dots == 0 ? i : i - lastDot;
            const std::size_t least = dots == 0 ? 1 : 2;
            if (distance < least || distance > least + 2) return kMsgIpAddress;
            ++dots;
            lastDot = i;
            value = 0;
        } else {
            return kMsgIpAddress;
        }
    }
    return 0;
}

int eidTypingError(int eidClass, std::string_view text) {
    if (text.empty()) return 0;
    switch (clampEidClass(eidClass)) {
    case kEidLocal:
        if (text.size() > kLocalMax) return kMsgLocalTooLong;
        return allDigits(text) ? 0 : kMsgDigitsOnly;
    case kEidIp:
        return ipTypingError(text);
    case kEidMac:
        if (text.size() > kMacLength) return kMsgMacLength;
        return allHex(text) ? 0 : kMsgHexOnly;
    case kEidMagic:
        return magicTypingError(text);
    case kEidTaNumber:
        if (text.size() > kTaMax) return kMsgTaTooLong;
        return allDigits(text) ? 0 : kMsgDigitsOnly;
    default:
        return 0;
    }
}

EidConversion eidFromDisplay(int eidClass, std::string_view text) {
    const int cls = clampEidClass(eidClass);
    // Whatever may not be typed may not be stored either (a profile can hold anything).
    if (int typing = eidTypingError(cls, text); typing != 0) return reject(typing);
    EidConversion result;
    switch (cls) {
    case kEidIp:
        result = ipFromDisplay(text);
        break;
    case kEidMac:
        result =
            text.size() == kMacLength ? EidConversion{std::string(text), 0} : reject(kMsgMacLength);
        break;
    case kEidMagic:
        result = magicFromDisplay(text);
        break;
    default:
        result = EidConversion{std::string(text), 0};
        break;
    }
    // A number the device command cannot carry would never be sent (the
    // typing checks keep every class within it; a profile is not typed).
    if (result.ok() && result.stored.size() > kEidMaxSendLength) return reject(kMsgMagicTooLong);
    return result;
}

} // namespace quorvex::data
