// The command catalogue: one table of command texts walked by the builder,
// and one table of reply rules walked by the parser.
#include "driver/catalogue.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace r70 {
namespace {

// Which value of the record fills a conversion of a command format.
enum class Arg : std::uint8_t {
    Port,
    Index,
    Marker,   // '?' for a query, '=' for every other operation
    FlagChar, // '1' / '0'
    Flag01,   // 1 / 0 as a number
    Value,
    Text,
    Text2,
    Text3,
    EidText, // szText behind nAux
    From,
    To,
    Hour, // szText byte 2
    Minute,
    Day, // szText byte 1
    Month,
    Year, // nValue
    Second,
    ForwardRegister, // 20, 21, 22 for commands 17, 18, 19
    AcceptRegister,  // 0 below port 3, else 3
};

enum class Form : std::uint8_t { Any, Analog, Data };

// A further condition a row needs besides form and operation.
enum class When : std::uint8_t {
    Always,
    FlagSet,
    FlagClear,
    Index0,
    Index1,
    Index2,
    Index3,
    Port11,
    Port12
};

constexpr std::uint8_t op(int n) {
    return static_cast<std::uint8_t>(1u << n);
}
constexpr std::uint8_t kAnyOp = 0; // matches every nOp, also values outside 0-4

struct Row {
    std::uint8_t first, last; // command codes
    Form form;
    std::uint8_t ops;
    When when;
    const char* format; // printf-style: %d %02d %04d %c %s %%
    std::array<Arg, 6> args;
};

using A = Arg;
using F = Form;
using W = When;

// The first row that matches code, form, operation and condition gives the
// text; a combination no row matches has no command.
constexpr Row kRows[] = {
    {4, 4, F::Analog, op(1), W::Always, "AT!P0#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {4, 4, F::Analog, kAnyOp, W::Always, "AT!P0#%d*%d%c\r", {A::Port, A::Index, A::Marker}},
    {4, 4, F::Data, op(1), W::Always, "AT!N%d=%s\r", {A::Index, A::Text}},
    {4, 4, F::Data, kAnyOp, W::Always, "AT!N%d%c\r", {A::Index, A::Marker}},
    {5, 5, F::Analog, op(1), W::Always, "AT!P17#%d=%c\r", {A::Port, A::FlagChar}},
    {5, 5, F::Analog, kAnyOp, W::Always, "AT!P17#%d?\r", {A::Port}},
    {5, 5, F::Data, op(1), W::Always, "AT%%A5=%c\r", {A::FlagChar}},
    {5, 5, F::Data, kAnyOp, W::Always, "AT%%A5?\r", {}},
    {7, 7, F::Any, op(0), W::Always, "AT!P19#%d?\r", {A::Port}},
    {7, 7, F::Any, op(1), W::Always, "AT!P19#%d=%c\r", {A::Port, A::FlagChar}},
    {7, 7, F::Any, op(3), W::Always, "AT!P18#%d?\r", {A::Port}},
    {7, 7, F::Any, op(4), W::Always, "AT!P18#%d=%02d:%02d\r", {A::Port, A::Hour, A::Minute}},
    {8, 8, F::Any, op(3), W::Always, "AT!T?\r", {}},
    {8,
     8,
     F::Any,
     op(4),
     W::Always,
     "AT!T=%02d/%02d/%04d %02d:%02d:%02d\r",
     {A::Day, A::Month, A::Year, A::Hour, A::Minute, A::Second}},
    {9, 9, F::Any, op(0), W::Always, "AT!P2#%d?\r", {A::Port}},
    {9, 9, F::Any, op(1), W::Always, "AT!P2#%d=%c\r", {A::Port, A::FlagChar}},
    {10, 10, F::Any, op(0), W::Always, "AT!P8#%d?\r", {A::Port}},
    {10, 10, F::Any, op(1), W::Always, "AT!P8#%d=%c\r", {A::Port, A::FlagChar}},
    {11, 11, F::Any, op(0), W::Always, "AT!P9#%d?\r", {A::Port}},
    {11, 11, F::Any, op(1), W::Always, "AT!P9#%d=%d\r", {A::Port, A::Value}},
    {12, 12, F::Any, op(0), W::Always, "AT!P6#%d?\r", {A::Port}},
    {12, 12, F::Any, op(1), W::Always, "AT!P6#%d=%d\r", {A::Port, A::Value}},
    {13, 13, F::Analog, op(0), W::Always, "AT!P1#%d?\r", {A::Port}},
    {13, 13, F::Analog, op(1), W::Always, "AT!P1#%d=%d\r", {A::Port, A::Value}},
    {13, 13, F::Data, op(0), W::Always, "AT!V%d?\r", {A::AcceptRegister}},
    {13, 13, F::Data, op(1), W::Always, "AT!V%d=%d\r", {A::AcceptRegister, A::Value}},
    {14, 14, F::Any, op(1), W::Always, "AT!P11#%d=%d\r", {A::Port, A::Flag01}},
    {14, 14, F::Any, kAnyOp, W::Always, "AT!P11#%d?\r", {A::Port}},
    {15, 15, F::Analog, op(1), W::Always, "AT!P10#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {15, 15, F::Analog, kAnyOp, W::Always, "AT!P10#%d*%d%c\r", {A::Port, A::Index, A::Marker}},
    {16, 16, F::Any, kAnyOp, W::Always, "AT!P24#%d=%s\r", {A::Port, A::Text}},
    {46, 46, F::Any, kAnyOp, W::Always, "AT!P24#%d=%s\r", {A::Port, A::Text}},
    {17, 19, F::Any, op(0), W::Always, "AT!P%d#%d?\r", {A::ForwardRegister, A::Port}},
    {17,
     19,
     F::Any,
     kAnyOp,
     W::FlagSet,
     "AT!P%d#%d*1=%s\r",
     {A::ForwardRegister, A::Port, A::Text}},
    {17, 19, F::Any, kAnyOp, W::FlagClear, "AT!P%d#%d*0\r", {A::ForwardRegister, A::Port}},
    {20, 20, F::Analog, op(0), W::Always, "AT!P13#%d?\r", {A::Port}},
    {20, 20, F::Analog, op(1), W::Always, "AT!P13#%d=%c\r", {A::Port, A::FlagChar}},
    {20, 20, F::Data, op(0), W::Always, "AT\\E?\r", {}},
    {20, 20, F::Data, op(1), W::Always, "AT\\E=%c\r", {A::FlagChar}},
    {21,
     21,
     F::Analog,
     op(0) | op(2),
     W::Always,
     "AT!P12#%d*%d%c\r",
     {A::Port, A::Index, A::Marker}},
    {21, 21, F::Analog, op(1), W::Always, "AT!P12#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {21, 21, F::Data, op(0) | op(2), W::Always, "AT\\F%d%c\r", {A::Index, A::Marker}},
    {21, 21, F::Data, op(1), W::Always, "AT\\F%d=%s\r", {A::Index, A::Text}},
    {22, 22, F::Any, op(0) | op(2), W::Always, "AT&P%c\r", {A::Marker}},
    {22, 22, F::Any, op(1), W::Always, "AT&P=%c\r", {A::FlagChar}},
    {23, 23, F::Any, op(0) | op(2), W::Always, "AT\\D%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {23,
     23,
     F::Any,
     op(1),
     W::Always,
     "AT\\D%d%d=%02d-%02d\r",
     {A::Port, A::Index, A::From, A::To}},
    {24, 24, F::Any, op(0) | op(2), W::Always, "AT\\P%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {24, 24, F::Any, op(1), W::Always, "AT\\P%d%d=%s\r", {A::Port, A::Index, A::Text3}},
    {25, 25, F::Any, op(0) | op(2), W::Always, "AT&L%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {25, 25, F::Any, op(1), W::Always, "AT&L%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {26, 26, F::Any, op(0) | op(2), W::Always, "AT&R%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {26, 26, F::Any, op(1), W::Always, "AT&R%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {27, 27, F::Any, op(0) | op(2), W::Always, "AT\\N%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {27, 27, F::Any, op(1), W::Always, "AT\\N%d%d=%s-%s\r", {A::Port, A::Index, A::Text, A::Text2}},
    {28, 28, F::Any, op(0) | op(2), W::Always, "AT&N%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {28, 28, F::Any, op(1), W::Always, "AT&N%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {29, 29, F::Analog, op(0), W::Always, "AT!P3#%d*%d?\r", {A::Port, A::Index}},
    {29, 29, F::Analog, op(2), W::Always, "AT!P23#%d*%d\r", {A::Port, A::Index}},
    {29, 29, F::Data, kAnyOp, W::Always, "AT\\H%d%c\r", {A::Index, A::Marker}},
    {30, 30, F::Any, kAnyOp, W::Index0, "AT\\X1?\r", {}},
    {30, 30, F::Any, kAnyOp, W::Index1, "AT\\X3?\r", {}},
    {30, 30, F::Analog, op(2), W::Index2, "AT!P5#%d\r", {A::Port}},
    {30, 30, F::Data, op(2), W::Index2, "AT\\Y\r", {}},
    {30, 30, F::Any, kAnyOp, W::Index2, "AT\\X2?\r", {}},
    {30, 30, F::Any, op(2), W::Index3, "AT!P28\r", {}},
    {30, 30, F::Any, kAnyOp, W::Index3, "AT!P27?\r", {}},
    {39, 39, F::Any, op(0), W::Always, "ATS91?\r", {}},
    {39, 39, F::Any, op(1), W::Always, "ATS91=%c\r", {A::FlagChar}},
    {40, 40, F::Any, op(0), W::Always, "ATS95?\r", {}},
    {40, 40, F::Any, op(1), W::Always, "ATS95=%s\r", {A::Text}},
    {41, 41, F::Any, op(0), W::Always, "ATS76?\r", {}},
    {41, 41, F::Any, op(1), W::Always, "ATS76=%s\r", {A::Text}},
    {42, 42, F::Any, op(0), W::Always, "ATS78?\r", {}},
    {42, 42, F::Any, op(1), W::Always, "ATS78=%s\r", {A::Text}},
    {43, 43, F::Any, op(0), W::Always, "ATS75?\r", {}},
    {43, 43, F::Any, op(1), W::Always, "ATS75=%s\r", {A::Text}},
    {44, 44, F::Any, op(0), W::Always, "AT\\A?\r", {}},
    {44, 44, F::Any, op(1), W::Always, "AT\\A=%c\r", {A::FlagChar}},
    {45, 45, F::Any, op(0), W::Always, "AT\\B%d?\r", {A::Index}},
    {45, 45, F::Any, op(1), W::Always, "AT\\B%d=%s\r", {A::Index, A::Text}},
    {48, 48, F::Any, op(0), W::Port11, "AT%%P3?\r", {}},
    {48, 48, F::Any, op(1), W::Port11, "AT%%P3=%d\r", {A::Index}},
    {48, 48, F::Any, op(0), W::Port12, "AT%%P4?\r", {}},
    {48, 48, F::Any, op(1), W::Port12, "AT%%P4=%s\r", {A::EidText}},
    {49, 49, F::Any, op(0), W::Always, "AT%%P%d?\r", {A::Port}},
    {49, 49, F::Any, op(1), W::Always, "AT%%P%d=%d\r", {A::Port, A::Index}},
    {50, 50, F::Any, kAnyOp, W::Always, "AT!C1?\r", {}},
    {51, 51, F::Any, kAnyOp, W::Always, "ATS71?\r", {}},
    {52, 52, F::Any, kAnyOp, W::Always, "AT\\S0?\r", {}},
    {53, 53, F::Any, kAnyOp, W::Always, "AT\\S1?\r", {}},
    {54, 54, F::Any, kAnyOp, W::Always, "AT!P14#0?\r", {}},
};

// Data protocol registers (command 47), chosen by nPort and the protocol
// index nAux; register texts are formats ("%%A2" puts "%A2" on the line).
enum class ProtoValue : std::uint8_t { ProtocolCode, FlagChar, InvertedFlagChar, Index };

struct ProtoRegister {
    int selector;
    std::uint8_t protocols; // bit per protocol index; 0 = any
    const char* reg;
    ProtoValue value;
};

constexpr std::uint8_t kProto345 = (1u << 3) | (1u << 4) | (1u << 5);
constexpr ProtoRegister kProtoRegisters[] = {
    {0, 0, "%%A2", ProtoValue::ProtocolCode},     {1, 0, "%%A0", ProtoValue::FlagChar},
    {2, 1u << 0, "%%P0", ProtoValue::FlagChar},   {2, kProto345, "%%X1", ProtoValue::FlagChar},
    {3, 0, "%%P1", ProtoValue::FlagChar},         {4, 0, "%%P6", ProtoValue::FlagChar},
    {5, 0, "%%E9", ProtoValue::InvertedFlagChar}, {6, 1u << 1, "%%E0", ProtoValue::Index},
    {6, kProto345, "%%X0", ProtoValue::Index},    {6, 1u << 6, "!H0", ProtoValue::Index},
};

// Protocol index -> the device's protocol code.
constexpr int kProtocolCodes[8] = {95, 2, 1, 5, 3, 4, 92, 90};

// A bounded output buffer for one command text.
class TextOut {
public:
    void put(char c) noexcept {
        if (len_ < sizeof buf_) buf_[len_] = c;
        ++len_;
    }
    void put(std::string_view s) noexcept {
        for (char c : s)
            put(c);
    }
    void putNumber(long long v, int width) noexcept {
        char digits[24];
        int n = 0;
        bool negative = v < 0;
        unsigned long long u = negative ? 0ull - static_cast<unsigned long long>(v)
                                        : static_cast<unsigned long long>(v);
        do {
            digits[n++] = static_cast<char>('0' + u % 10);
            u /= 10;
        } while (u != 0);
        if (negative) put('-');
        for (int i = n + (negative ? 1 : 0); i < width; ++i)
            put('0');
        while (n > 0)
            put(digits[--n]);
    }
    std::size_t length() const noexcept { return len_; }
    std::string_view text() const noexcept {
        return {buf_, len_ < sizeof buf_ ? len_ : sizeof buf_};
    }

private:
    char buf_[128] = {};
    std::size_t len_ = 0;
};

std::string_view fieldText(const char* field, std::size_t size) noexcept {
    return {field, strnlen(field, size)};
}

unsigned char byteAt(const DRVPARAM& p, int i) noexcept {
    return static_cast<unsigned char>(p.szText[i]);
}

struct ArgValue {
    enum { Number, Char, Text } kind;
    long long number;
    char ch;
    std::string_view text;
};

ArgValue argValue(Arg a, const DRVPARAM& p) noexcept {
    auto num = [](long long v) { return ArgValue{ArgValue::Number, v, 0, {}}; };
    auto chr = [](char c) { return ArgValue{ArgValue::Char, 0, c, {}}; };
    auto txt = [](std::string_view s) { return ArgValue{ArgValue::Text, 0, 0, s}; };
    switch (a) {
    case Arg::Port:
        return num(p.nPort);
    case Arg::Index:
        return num(p.nIndex);
    case Arg::Marker:
        return chr(p.nOp == 0 ? '?' : '=');
    case Arg::FlagChar:
        return chr(p.bFlag != 0 ? '1' : '0');
    case Arg::Flag01:
        return num(p.bFlag != 0 ? 1 : 0);
    case Arg::Value:
        return num(p.nValue);
    case Arg::Text:
        return txt(fieldText(p.szText, sizeof p.szText));
    case Arg::Text2:
        return txt(fieldText(p.szText2, sizeof p.szText2));
    case Arg::Text3:
        return txt(fieldText(p.szText3, sizeof p.szText3));
    case Arg::EidText:
        return txt(fieldText(p.szText + 4, sizeof p.szText - 4));
    case Arg::From:
        return num(p.nFrom);
    case Arg::To:
        return num(p.nTo);
    case Arg::Hour:
        return num(byteAt(p, 2));
    case Arg::Minute:
        return num(byteAt(p, 3));
    case Arg::Day:
        return num(byteAt(p, 1));
    case Arg::Month:
        return num(byteAt(p, 0));
    case Arg::Year:
        return num(p.nValue);
    case Arg::Second:
        return num(byteAt(p, 4));
    case Arg::ForwardRegister:
        return num(20 + (p.nCmd - 17));
    case Arg::AcceptRegister:
        return num(p.nPort < 3 ? 0 : 3);
    }
    return num(0);
}

// Expands a catalogue format. Only the conversions the catalogue uses exist.
void expand(const char* format, const ArgValue* args, std::size_t argCount, TextOut& out) noexcept {
    std::size_t next = 0;
    for (const char* f = format; *f != '\0'; ++f) {
        if (*f != '%') {
            out.put(*f);
            continue;
        }
        ++f;
        if (*f == '%') {
            out.put('%');
            continue;
        }
        int width = 0;
        if (*f == '0') {
            ++f;
            while (*f >= '0' && *f <= '9')
                width = width * 10 + (*f++ - '0');
        }
        if (*f == '\0') return;
        ArgValue v = next < argCount ? args[next] : ArgValue{ArgValue::Text, 0, 0, {}};
        ++next;
        switch (*f) {
        case 'd':
            out.putNumber(v.kind == ArgValue::Number ? v.number : 0, width);
            break;
        case 'c':
            out.put(v.kind == ArgValue::Char ? v.ch : '?');
            break;
        case 's':
            out.put(v.text);
            break;
        default:
            break;
        }
    }
}

bool rowMatches(const Row& r, const DRVPARAM& p) noexcept {
    if (p.nCmd < r.first || p.nCmd > r.last) return false;
    bool analog = p.nPort >= 11;
    if (r.form == Form::Analog && !analog) return false;
    if (r.form == Form::Data && analog) return false;
    if (r.ops != kAnyOp && (p.nOp < 0 || p.nOp > 4 || (r.ops & op(p.nOp)) == 0)) return false;
    switch (r.when) {
    case When::Always:
        return true;
    case When::FlagSet:
        return p.bFlag != 0;
    case When::FlagClear:
        return p.bFlag == 0;
    case When::Index0:
        return p.nIndex == 0;
    case When::Index1:
        return p.nIndex == 1;
    case When::Index2:
        return p.nIndex == 2;
    case When::Index3:
        return p.nIndex == 3;
    case When::Port11:
        return p.nPort == 11;
    case When::Port12:
        return p.nPort == 12;
    }
    return false;
}

// Command 47: "AT<register>?" or "AT<register>=<value>".
bool buildDataProtocol(const DRVPARAM& p, TextOut& out) noexcept {
    if (p.nOp != 0 && p.nOp != 1) return false;
    const int protocol = drv_get_aux(&p);
    for (const ProtoRegister& r : kProtoRegisters) {
        if (r.selector != p.nPort) continue;
        if (r.protocols != 0 &&
            (protocol < 0 || protocol > 7 || (r.protocols & (1u << protocol)) == 0))
            continue;
        out.put("AT");
        expand(r.reg, nullptr, 0, out);
        if (p.nOp == 0) {
            out.put("?\r");
            return true;
        }
        out.put('=');
        switch (r.value) {
        case ProtoValue::ProtocolCode:
            if (protocol < 0 || protocol > 7) return false;
            out.putNumber(kProtocolCodes[protocol], 0);
            break;
        case ProtoValue::FlagChar:
            out.put(p.bFlag != 0 ? '1' : '0');
            break;
        case ProtoValue::InvertedFlagChar:
            out.put(p.bFlag != 0 ? '0' : '1');
            break;
        case ProtoValue::Index:
            out.putNumber(p.nIndex, 0);
            break;
        }
        out.put('\r');
        return true;
    }
    return false;
}

void copyBounded(char* dst, std::size_t capacity, std::string_view src) noexcept {
    if (dst == nullptr || capacity == 0) return;
    std::size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
}

template <std::size_t N> void copyInto(char (&field)[N], std::string_view src) noexcept {
    copyBounded(field, N, src);
}

// The caller's text buffer of commands 29, 30, 52, 53 (address and capacity
// in the overlay over szText). Null or no capacity: nothing is written.
struct CallerBuffer {
    char* data;
    std::size_t capacity;
};

CallerBuffer callerBuffer(const DRVPARAM& p) noexcept {
    char* data = static_cast<char*>(drv_get_address(&p));
    int32_t capacity = drv_get_capacity(&p);
    if (data == nullptr || capacity <= 0) return {nullptr, 0};
    return {data, static_cast<std::size_t>(capacity)};
}

bool hasControlCharacter(std::string_view s) noexcept {
    for (char c : s)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f) return true;
    return false;
}

} // namespace

BuildStatus buildCommand(DRVPARAM& p, CommandText& out) noexcept {
    out = CommandText{};
    p.szCmd[0] = '\0';
    switch (p.nCmd) {
    case 23:
        p.szText[0] = p.szText2[0] = p.szText3[0] = '\0';
        break;
    case 24:
        p.szText[0] = p.szText2[0] = '\0';
        break;
    case 27:
        p.szText3[0] = '\0';
        break;
    default:
        break;
    }

    TextOut text;
    bool built = false;
    if (p.nCmd == DRV_DATAPROTO) {
        built = buildDataProtocol(p, text);
    } else {
        for (const Row& r : kRows) {
            if (!rowMatches(r, p)) continue;
            ArgValue values[6];
            std::size_t count = 0;
            for (Arg a : r.args)
                values[count++] = argValue(a, p);
            expand(r.format, values, count, text);
            built = true;
            break;
        }
    }
    if (!built) return BuildStatus::NoCommand;
    if (text.length() >= kCommandBufferSize) return BuildStatus::TooLong;
    std::string_view body = text.text().substr(0, text.length() - 1); // without the CR
    // A control character inside a text value would end the command early on
    // the device or start a second one.
    if (hasControlCharacter(body)) return BuildStatus::TooLong;
    std::memcpy(out.text, text.text().data(), text.length());
    out.text[text.length()] = '\0';
    out.length = text.length();
    copyInto(p.szCmd, body);
    return BuildStatus::Built;
}

std::string_view replyValue(std::string_view reply) noexcept {
    return reply.size() > 2 ? reply.substr(2) : std::string_view{};
}

std::string_view valueLine(std::string_view value) noexcept {
    std::size_t end = value.find_first_of("\r\n");
    return end == std::string_view::npos ? value : value.substr(0, end);
}

int leadingNumber(std::string_view text) noexcept {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long long v = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        v = v * 10 + (text[i] - '0');
        if (v > 2147483647LL) v = 2147483647LL; // saturate instead of overflowing
    }
    return static_cast<int>(negative ? -v : v);
}

namespace {

enum class Rule : std::uint8_t {
    None,
    Flag,        // op 0
    Digit,       // op 0
    TextLine,    // op 0: value line into szText
    PortTimer,   // op 0 flag, op 3 time
    Clock,       // op 3 date
    Forwarding,  // every op
    Range,       // op 0
    Prefix,      // op 0
    NumberRange, // op 0
    Log,         // op 0
    Charge,      // every op but 2
    DataProtocol,
    Eid,
    IndexNumber, // op 0
    ValueNumber, // every op
    StatusText,  // every op
    LineState,   // every op
};

struct ParseRow {
    std::uint8_t first, last;
    Rule rule;
};

constexpr ParseRow kParseRows[] = {
    {4, 4, Rule::TextLine},      {5, 5, Rule::Flag},          {7, 7, Rule::PortTimer},
    {8, 8, Rule::Clock},         {9, 10, Rule::Flag},         {11, 13, Rule::Digit},
    {14, 14, Rule::Flag},        {15, 15, Rule::TextLine},    {17, 19, Rule::Forwarding},
    {20, 20, Rule::Flag},        {21, 21, Rule::TextLine},    {22, 22, Rule::Flag},
    {23, 23, Rule::Range},       {24, 24, Rule::Prefix},      {25, 26, Rule::Flag},
    {27, 27, Rule::NumberRange}, {28, 28, Rule::Flag},        {29, 29, Rule::Log},
    {30, 30, Rule::Charge},      {39, 39, Rule::Flag},        {40, 43, Rule::TextLine},
    {44, 44, Rule::Flag},        {45, 45, Rule::TextLine},    {47, 47, Rule::DataProtocol},
    {48, 48, Rule::Eid},         {49, 49, Rule::IndexNumber}, {50, 51, Rule::ValueNumber},
    {52, 53, Rule::StatusText},  {54, 54, Rule::LineState},
};

Rule ruleFor(int code) noexcept {
    for (const ParseRow& r : kParseRows)
        if (code >= r.first && code <= r.last) return r.rule;
    return Rule::None;
}

int flagOf(std::string_view value) noexcept {
    return !value.empty() && value[0] == '1' ? 1 : 0;
}

void parseTime(std::string_view line, DRVPARAM& p) noexcept {
    std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return;
    std::string_view h = line.substr(0, colon), m = line.substr(colon + 1);
    auto hasDigit = [](std::string_view s) {
        return s.find_first_of("0123456789") != std::string_view::npos;
    };
    if (!hasDigit(h) || !hasDigit(m)) return;
    int hour = leadingNumber(h), minute = leadingNumber(m);
    if (hour < 0 || hour > 23 || minute < 0 || minute > 59) return;
    p.szText[2] = static_cast<char>(hour);
    p.szText[3] = static_cast<char>(minute);
}

// Splits at the first sep: returns the part before and leaves rest behind it
// (a missing separator leaves rest empty).
std::string_view splitAt(std::string_view& rest, char sep) noexcept {
    std::size_t at = rest.find(sep);
    std::string_view part = rest.substr(0, at);
    rest = at == std::string_view::npos ? std::string_view{} : rest.substr(at + 1);
    return part;
}

void parseDate(std::string_view line, DRVPARAM& p) noexcept {
    std::string_view rest = line;
    std::string_view day = splitAt(rest, '/');
    std::string_view month = splitAt(rest, '/');
    std::string_view year = splitAt(rest, ' ');
    std::string_view hour = splitAt(rest, ':');
    std::string_view minute = splitAt(rest, ':');
    std::string_view second = rest;
    p.szText[1] = static_cast<char>(leadingNumber(day));
    p.szText[0] = static_cast<char>(leadingNumber(month));
    // "--" in the day: the device's clock is not set.
    p.nValue = day.find("--") != std::string_view::npos ? 1 : leadingNumber(year);
    p.szText[2] = static_cast<char>(leadingNumber(hour));
    p.szText[3] = static_cast<char>(leadingNumber(minute));
    p.szText[4] = static_cast<char>(leadingNumber(second));
}

void parseForwarding(std::string_view value, DRVPARAM& p) noexcept {
    if (value.empty()) return;
    const char status = value[0];
    if (p.nOp == 0) {
        if (status == '0') {
            p.nValue = 0;
            p.bFlag = 0;
        } else if (status == '1') {
            p.nValue = 1;
            p.bFlag = 1;
            // The target stands in the value line from its seventh character;
            // a shorter line has none (never the bytes of the next line).
            std::string_view line = valueLine(value);
            copyInto(p.szText, line.size() > 6 ? line.substr(6) : std::string_view{});
        }
        return;
    }
    if (status >= '0' && status <= '3') {
        p.nValue = status - '0';
        p.bFlag = status == '1' ? 1 : 0;
    }
}

void parseRange(std::string_view value, DRVPARAM& p) noexcept {
    if (!value.empty() && value[0] == '\r') {
        p.nFrom = p.nTo = 0;
        return;
    }
    p.nFrom = leadingNumber(value.substr(0, 2));
    p.nTo = leadingNumber(value.size() > 3 ? value.substr(3) : std::string_view{});
}

void parseNumberRange(std::string_view value, DRVPARAM& p) noexcept {
    if (!value.empty() && value[0] == '\r') {
        p.szText[0] = p.szText2[0] = '\0';
        return;
    }
    std::string_view line = valueLine(value);
    std::size_t dash = line.find('-');
    if (dash == std::string_view::npos) {
        copyInto(p.szText, line);
        p.szText2[0] = '\0';
        return;
    }
    copyInto(p.szText, line.substr(0, dash));
    copyInto(p.szText2, line.substr(dash + 1));
}

void parseLog(std::string_view reply, DRVPARAM& p) noexcept {
    std::string_view heading;
    std::size_t skip = 0;
    if (p.nIndex == 0) {
        heading = "Charge Amount";
        skip = 16;
    } else if (p.nIndex == 1 || p.nIndex == 2) {
        heading = "Disc Cause";
        skip = 12;
    } else {
        return;
    }
    std::size_t at = reply.find(heading);
    // A reply that ends before the entries start has no entries.
    if (at == std::string_view::npos || at + skip >= reply.size() || reply[at + skip] == '\r') {
        p.nValue = 0;
        return;
    }
    p.nValue = 1;
    CallerBuffer buffer = callerBuffer(p);
    copyBounded(buffer.data, buffer.capacity, reply.substr(at + skip));
}

void parseCharge(std::string_view reply, DRVPARAM& p) noexcept {
    if (p.nOp == 2) return;
    CallerBuffer buffer = callerBuffer(p);
    if (p.nIndex == 3) {
        copyBounded(buffer.data, buffer.capacity, valueLine(replyValue(reply)));
        return;
    }
    if (p.nIndex < 0 || p.nIndex > 2) return;
    std::size_t at = reply.find("Charge:");
    if (at == std::string_view::npos) {
        copyBounded(buffer.data, buffer.capacity, {});
        return;
    }
    copyBounded(buffer.data, buffer.capacity,
                at + 9 < reply.size() ? reply.substr(at + 9) : std::string_view{});
}

void parseStatusText(std::string_view value, DRVPARAM& p) noexcept {
    std::size_t bs = value.find('\b');
    if (bs != std::string_view::npos) value = value.substr(0, bs);
    CallerBuffer buffer = callerBuffer(p);
    if (buffer.data == nullptr) return;
    std::size_t n = 0;
    const std::size_t room = buffer.capacity - 1;
    for (char c : value) {
        std::size_t need = c == '&' ? 2 : 1; // never half of a doubled "&"
        if (n + need > room) break;
        buffer.data[n++] = c;
        if (c == '&') buffer.data[n++] = '&';
    }
    buffer.data[n] = '\0';
}

void parseLineState(std::string_view value, DRVPARAM& p) noexcept {
    for (int k = 1; k <= 5; ++k) {
        const std::size_t at = 15 + 18 * static_cast<std::size_t>(k - 1);
        int32_t flag = value.size() > at + 1 && value[at] == '1' ? 1 : 0;
        if (k == 1)
            p.nValue = flag;
        else
            std::memcpy(p.szText + 4 * (k - 2), &flag, sizeof flag);
    }
}

int protocolIndexOf(int code) noexcept {
    for (int i = 0; i < 8; ++i)
        if (kProtocolCodes[i] == code) return i;
    return code; // an unknown code is kept as it came
}

void parseDataProtocol(std::string_view value, DRVPARAM& p) noexcept {
    if (p.nOp != 0) return;
    switch (p.nPort) {
    case 0:
        drv_set_aux(&p, protocolIndexOf(leadingNumber(valueLine(value))));
        break;
    case 1:
    case 2:
    case 3:
    case 4:
        p.bFlag = flagOf(value);
        break;
    case 5:
        p.bFlag = !value.empty() && value[0] == '0' ? 1 : 0;
        break;
    case 6:
        p.nIndex = leadingNumber(valueLine(value));
        break;
    default:
        break;
    }
}

} // namespace

void parseReply(std::string_view reply, int readResult, DRVPARAM& p) noexcept {
    if (readResult != 0) {
        p.bReply = 0;
        return;
    }
    p.bReply = 1;
    if (p.nCmd == DRV_ATIMPORTANT || p.nCmd == DRV_ATCHANGED) {
        p.bOk = 1;
    } else if (reply.find("OK") == std::string_view::npos) {
        p.bOk = 0;
        return;
    } else {
        p.bOk = 1;
    }

    const std::string_view value = replyValue(reply);
    const std::string_view line = valueLine(value);
    const bool query = p.nOp == 0;
    switch (ruleFor(p.nCmd)) {
    case Rule::None:
        break;
    case Rule::Flag:
        if (query) p.bFlag = flagOf(value);
        break;
    case Rule::Digit:
        if (query) p.nValue = leadingNumber(value.substr(0, 1));
        break;
    case Rule::TextLine:
        if (query) copyInto(p.szText, line);
        break;
    case Rule::PortTimer:
        if (query) p.bFlag = flagOf(value);
        if (p.nOp == 3) parseTime(line, p);
        break;
    case Rule::Clock:
        if (p.nOp == 3) parseDate(line, p);
        break;
    case Rule::Forwarding:
        parseForwarding(value, p);
        break;
    case Rule::Range:
        if (query) parseRange(value, p);
        break;
    case Rule::Prefix:
        if (!query) break;
        if (!value.empty() && value[0] == '\r')
            p.szText3[0] = '\0';
        else
            copyInto(p.szText3, line);
        break;
    case Rule::NumberRange:
        if (query) parseNumberRange(value, p);
        break;
    case Rule::Log:
        if (query) parseLog(reply, p);
        break;
    case Rule::Charge:
        parseCharge(reply, p);
        break;
    case Rule::DataProtocol:
        parseDataProtocol(value, p);
        break;
    case Rule::Eid:
        if (!query) break;
        if (p.nPort == 11) p.nIndex = leadingNumber(line);
        if (p.nPort == 12) copyBounded(p.szText + 4, sizeof p.szText - 4, line);
        break;
    case Rule::IndexNumber:
        if (query) p.nIndex = leadingNumber(line);
        break;
    case Rule::ValueNumber:
        p.nValue = leadingNumber(line);
        break;
    case Rule::StatusText:
        parseStatusText(value, p);
        break;
    case Rule::LineState:
        parseLineState(value, p);
        break;
    }
}

} // namespace r70
