#include "sim/registers.h"

#include <array>
#include <charconv>

namespace quorvex::sim {

namespace {

using A = Address;
using V = ValueKind;

// Longest phone-number-like text the device keeps.
constexpr int kNumberLen = 20;

constexpr std::array kFamilies = {
    // MSNs: three per analog port, five for the data port.
    RegisterFamily{"!P0#", A::PortIndex, 2, V::Text, kNumberLen, ""},
    RegisterFamily{"!N", A::Index, 4, V::Text, kNumberLen, ""},
    // CLIP.
    RegisterFamily{"!P17#", A::Port, 0, V::Flag, 1, "1"},
    RegisterFamily{"%A5", A::None, 0, V::Flag, 1, "1"},
    // Morning call: switch and time.
    RegisterFamily{"!P19#", A::Port, 0, V::Flag, 1, "0"},
    RegisterFamily{"!P18#", A::Port, 0, V::Time, 0, "07:00"},
    // Call waiting, normal volume, ring delay, caller ID, acceptance, special ring.
    RegisterFamily{"!P2#", A::Port, 0, V::Flag, 1, "1"},
    RegisterFamily{"!P8#", A::Port, 0, V::Flag, 1, "1"},
    RegisterFamily{"!P9#", A::Port, 0, V::Digit, 9, "0"},
    RegisterFamily{"!P6#", A::Port, 0, V::Digit, 2, "1"},
    RegisterFamily{"!P1#", A::Port, 0, V::Digit, 2, "2"},
    RegisterFamily{"!V", A::Index, 3, V::Digit, 2, "2"},
    RegisterFamily{"!P11#", A::Port, 0, V::Flag, 1, "0"},
    // Short dial, ten per analog port.
    RegisterFamily{"!P10#", A::PortIndex, 9, V::Text, kNumberLen, ""},
    // Call filter: switch and ten numbers per port and for the data port.
    RegisterFamily{"!P13#", A::Port, 0, V::Flag, 1, "0"},
    RegisterFamily{"\\E", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"!P12#", A::PortIndex, 9, V::Text, kNumberLen, ""},
    RegisterFamily{"\\F", A::Index, 9, V::Text, kNumberLen, ""},
    // Least cost routing: switch, six bands and eight excluded ranges per day type.
    RegisterFamily{"&P", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"\\D", A::DayRow, 5, V::Band, 0, ""},
    RegisterFamily{"\\P", A::DayRow, 5, V::Text, 5, ""},
    RegisterFamily{"&L", A::DayRow, 5, V::Flag, 1, "0"},
    RegisterFamily{"&R", A::DayRow, 5, V::Flag, 1, "0"},
    RegisterFamily{"\\N", A::DayRow, 7, V::Range, 0, ""},
    RegisterFamily{"&N", A::DayRow, 7, V::Flag, 1, "0"},
    // Display language, charge per unit, area code and predials.
    RegisterFamily{"S91", A::None, 0, V::Flag, 1, "1"},
    RegisterFamily{"S95", A::None, 0, V::Text, 8, "0,120"},
    RegisterFamily{"S76", A::None, 0, V::Text, 8, "030"},
    RegisterFamily{"S78", A::None, 0, V::Text, 8, ""},
    RegisterFamily{"S75", A::None, 0, V::Text, 8, "00"},
    // Data callback: switch and ten numbers.
    RegisterFamily{"\\A", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"\\B", A::Index, 9, V::Text, kNumberLen, ""},
    // Data protocol registers.
    RegisterFamily{"%A2", A::None, 0, V::Protocol, 0, "95"},
    RegisterFamily{"%A0", A::None, 0, V::Flag, 1, "1"},
    RegisterFamily{"%P0", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"%X1", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"%P1", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"%P6", A::None, 0, V::Flag, 1, "0"},
    RegisterFamily{"%E9", A::None, 0, V::Flag, 1, "1"},
    RegisterFamily{"%E0", A::None, 0, V::Number, 4096, "256"},
    RegisterFamily{"%X0", A::None, 0, V::Number, 4096, "2048"},
    RegisterFamily{"!H0", A::None, 0, V::Number, 4096, "1600"},
    // End point identification: class and number.
    RegisterFamily{"%P3", A::None, 0, V::Number, 5, "0"},
    RegisterFamily{"%P4", A::None, 0, V::Text, 20, ""},
    // Bandwidth on demand thresholds (registers 7 to 10).
    RegisterFamily{"%P7", A::None, 0, V::Number, 999, "96"},
    RegisterFamily{"%P8", A::None, 0, V::Number, 999, "1"},
    RegisterFamily{"%P9", A::None, 0, V::Number, 999, "48"},
    RegisterFamily{"%P10", A::None, 0, V::Number, 999, "1"},
};

constexpr std::array<std::string_view, 8> kProtocolCodes = {"95", "2", "1",  "5",
                                                            "3",  "4", "92", "90"};

// Reads a decimal number of 1 to maxDigits digits from the front of text.
std::optional<int> takeNumber(std::string_view& text, std::size_t maxDigits) {
    std::size_t n = 0;
    while (n < text.size() && n < maxDigits && text[n] >= '0' && text[n] <= '9')
        ++n;
    if (n == 0) return std::nullopt;
    int value = 0;
    std::from_chars(text.data(), text.data() + n, value);
    text.remove_prefix(n);
    return value;
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool twoDigitHour(std::string_view s, int lo, int hi) {
    if (s.size() != 2 || !allDigits(s)) return false;
    int v = (s[0] - '0') * 10 + (s[1] - '0');
    return v >= lo && v <= hi;
}

} // namespace

std::span<const RegisterFamily> registerFamilies() {
    return kFamilies;
}

std::optional<RegisterAddress> resolveRegister(Model model, std::string_view body,
                                               std::string_view* rest) {
    for (const RegisterFamily& f : kFamilies) {
        if (!body.starts_with(f.prefix)) continue;
        std::string_view tail = body.substr(f.prefix.size());
        std::string key(f.prefix);
        bool ok = true;
        switch (f.address) {
        case Address::None:
            break;
        case Address::Port:
        case Address::PortIndex: {
            auto port = takeNumber(tail, 2);
            ok = port && hasAnalogPort(model, *port);
            if (!ok) break;
            key += std::to_string(*port);
            if (f.address == Address::PortIndex) {
                ok = tail.starts_with('*');
                if (!ok) break;
                tail.remove_prefix(1);
                auto index = takeNumber(tail, 2);
                ok = index && *index <= f.indexMax;
                if (ok) key += "*" + std::to_string(*index);
            }
            break;
        }
        case Address::Index: {
            auto index = takeNumber(tail, 2);
            ok = index && *index <= f.indexMax;
            if (ok) key += std::to_string(*index);
            break;
        }
        case Address::DayRow: {
            // Day type and row are printed back to back, one digit each.
            auto day = takeNumber(tail, 1);
            auto row = day ? takeNumber(tail, 1) : std::nullopt;
            ok = day && row && *day <= 1 && *row <= f.indexMax;
            if (ok) key += std::to_string(*day) + std::to_string(*row);
            break;
        }
        }
        // The address must be followed by a marker, or the text belongs to another
        // family with a longer prefix ("%P1" against "%P10").
        if (!ok || tail.empty() || (tail[0] != '?' && tail[0] != '=')) continue;
        *rest = tail;
        return RegisterAddress{&f, std::move(key)};
    }
    return std::nullopt;
}

bool valueAccepted(const RegisterFamily& f, std::string_view v) {
    if (v.empty()) return true;
    switch (f.kind) {
    case ValueKind::Flag:
        return v == "0" || v == "1";
    case ValueKind::Digit:
        return v.size() == 1 && v[0] >= '0' && v[0] - '0' <= f.max;
    case ValueKind::Number: {
        if (!allDigits(v) || v.size() > 6) return false;
        int n = 0;
        std::from_chars(v.data(), v.data() + v.size(), n);
        return n <= f.max;
    }
    case ValueKind::Text:
        if (v.size() > static_cast<std::size_t>(f.max)) return false;
        for (char c : v)
            if (c < 0x20 || c > 0x7e) return false;
        return true;
    case ValueKind::Time:
        return v.size() == 5 && v[2] == ':' && twoDigitHour(v.substr(0, 2), 0, 23) &&
               twoDigitHour(v.substr(3, 2), 0, 59);
    case ValueKind::Band:
        return v.size() == 5 && v[2] == '-' && twoDigitHour(v.substr(0, 2), 0, 24) &&
               twoDigitHour(v.substr(3, 2), 0, 24);
    case ValueKind::Range: {
        auto dash = v.find('-');
        if (dash == std::string_view::npos) return allDigits(v) && v.size() <= 16;
        auto from = v.substr(0, dash), to = v.substr(dash + 1);
        return allDigits(from) && allDigits(to) && from.size() <= 16 && to.size() <= 16;
    }
    case ValueKind::Protocol:
        for (auto code : kProtocolCodes)
            if (v == code) return true;
        return false;
    }
    return false;
}

std::vector<std::pair<std::string, std::string>> initialRegisters(Model model) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const RegisterFamily& f : kFamilies) {
        std::string prefix(f.prefix);
        switch (f.address) {
        case Address::None:
            out.emplace_back(prefix, f.initial);
            break;
        case Address::Port:
            for (int p : analogPorts(model))
                out.emplace_back(prefix + std::to_string(p), f.initial);
            break;
        case Address::PortIndex:
            for (int p : analogPorts(model))
                for (int i = 0; i <= f.indexMax; ++i)
                    out.emplace_back(prefix + std::to_string(p) + "*" + std::to_string(i),
                                     f.initial);
            break;
        case Address::Index:
            for (int i = 0; i <= f.indexMax; ++i)
                out.emplace_back(prefix + std::to_string(i), f.initial);
            break;
        case Address::DayRow:
            for (int d = 0; d <= 1; ++d)
                for (int r = 0; r <= f.indexMax; ++r)
                    out.emplace_back(prefix + std::to_string(d) + std::to_string(r), f.initial);
            break;
        }
    }
    return out;
}

} // namespace quorvex::sim
