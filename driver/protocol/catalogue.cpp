// The command catalogue: one table of command texts walked by the builder,
// and one table of reply rules walked by the parser.
#include "driver/protocol/catalogue.h"

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
// clang-format off
constexpr Row kRows[] = {
    {DRV_MSN, DRV_MSN, F::Analog, op(1), W::Always, "AT!P0#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {DRV_MSN, DRV_MSN, F::Analog, kAnyOp, W::Always, "AT!P0#%d*%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_MSN, DRV_MSN, F::Data, op(1), W::Always, "AT!N%d=%s\r", {A::Index, A::Text}},
    {DRV_MSN, DRV_MSN, F::Data, kAnyOp, W::Always, "AT!N%d%c\r", {A::Index, A::Marker}},
    {DRV_CLIP, DRV_CLIP, F::Analog, op(1), W::Always, "AT!P17#%d=%c\r", {A::Port, A::FlagChar}},
    {DRV_CLIP, DRV_CLIP, F::Analog, kAnyOp, W::Always, "AT!P17#%d?\r", {A::Port}},
    {DRV_CLIP, DRV_CLIP, F::Data, op(1), W::Always, "AT%%A5=%c\r", {A::FlagChar}},
    {DRV_CLIP, DRV_CLIP, F::Data, kAnyOp, W::Always, "AT%%A5?\r", {}},
    {DRV_PORTTIMER, DRV_PORTTIMER, F::Any, op(0), W::Always, "AT!P19#%d?\r", {A::Port}},
    {DRV_PORTTIMER, DRV_PORTTIMER, F::Any, op(1), W::Always, "AT!P19#%d=%c\r", {A::Port, A::FlagChar}},
    {DRV_PORTTIMER, DRV_PORTTIMER, F::Any, op(3), W::Always, "AT!P18#%d?\r", {A::Port}},
    {DRV_PORTTIMER, DRV_PORTTIMER, F::Any, op(4), W::Always, "AT!P18#%d=%02d:%02d\r", {A::Port, A::Hour, A::Minute}},
    {DRV_CLOCK, DRV_CLOCK, F::Any, op(3), W::Always, "AT!T?\r", {}},
    {DRV_CLOCK, DRV_CLOCK, F::Any, op(4), W::Always, "AT!T=%02d/%02d/%04d %02d:%02d:%02d\r", {A::Day, A::Month, A::Year, A::Hour, A::Minute, A::Second}},
    {DRV_CALLWAIT, DRV_CALLWAIT, F::Any, op(0), W::Always, "AT!P2#%d?\r", {A::Port}},
    {DRV_CALLWAIT, DRV_CALLWAIT, F::Any, op(1), W::Always, "AT!P2#%d=%c\r", {A::Port, A::FlagChar}},
    {DRV_VOLUME, DRV_VOLUME, F::Any, op(0), W::Always, "AT!P8#%d?\r", {A::Port}},
    {DRV_VOLUME, DRV_VOLUME, F::Any, op(1), W::Always, "AT!P8#%d=%c\r", {A::Port, A::FlagChar}},
    {DRV_RINGDELAY, DRV_RINGDELAY, F::Any, op(0), W::Always, "AT!P9#%d?\r", {A::Port}},
    {DRV_RINGDELAY, DRV_RINGDELAY, F::Any, op(1), W::Always, "AT!P9#%d=%d\r", {A::Port, A::Value}},
    {DRV_CALLERID, DRV_CALLERID, F::Any, op(0), W::Always, "AT!P6#%d?\r", {A::Port}},
    {DRV_CALLERID, DRV_CALLERID, F::Any, op(1), W::Always, "AT!P6#%d=%d\r", {A::Port, A::Value}},
    {DRV_ACCEPT, DRV_ACCEPT, F::Analog, op(0), W::Always, "AT!P1#%d?\r", {A::Port}},
    {DRV_ACCEPT, DRV_ACCEPT, F::Analog, op(1), W::Always, "AT!P1#%d=%d\r", {A::Port, A::Value}},
    {DRV_ACCEPT, DRV_ACCEPT, F::Data, op(0), W::Always, "AT!V%d?\r", {A::AcceptRegister}},
    {DRV_ACCEPT, DRV_ACCEPT, F::Data, op(1), W::Always, "AT!V%d=%d\r", {A::AcceptRegister, A::Value}},
    {DRV_SPECIALRING, DRV_SPECIALRING, F::Any, op(1), W::Always, "AT!P11#%d=%d\r", {A::Port, A::Flag01}},
    {DRV_SPECIALRING, DRV_SPECIALRING, F::Any, kAnyOp, W::Always, "AT!P11#%d?\r", {A::Port}},
    {DRV_SHORTDIAL, DRV_SHORTDIAL, F::Analog, op(1), W::Always, "AT!P10#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {DRV_SHORTDIAL, DRV_SHORTDIAL, F::Analog, kAnyOp, W::Always, "AT!P10#%d*%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_DIALWAIT, DRV_DIALWAIT, F::Any, kAnyOp, W::Always, "AT!P24#%d=%s\r", {A::Port, A::Text}},
    {DRV_DIAL, DRV_DIAL, F::Any, kAnyOp, W::Always, "AT!P24#%d=%s\r", {A::Port, A::Text}},
    {DRV_CFU, DRV_CFB, F::Any, op(0), W::Always, "AT!P%d#%d?\r", {A::ForwardRegister, A::Port}},
    {DRV_CFU, DRV_CFB, F::Any, kAnyOp, W::FlagSet, "AT!P%d#%d*1=%s\r", {A::ForwardRegister, A::Port, A::Text}},
    {DRV_CFU, DRV_CFB, F::Any, kAnyOp, W::FlagClear, "AT!P%d#%d*0\r", {A::ForwardRegister, A::Port}},
    {DRV_FILTER, DRV_FILTER, F::Analog, op(0), W::Always, "AT!P13#%d?\r", {A::Port}},
    {DRV_FILTER, DRV_FILTER, F::Analog, op(1), W::Always, "AT!P13#%d=%c\r", {A::Port, A::FlagChar}},
    {DRV_FILTER, DRV_FILTER, F::Data, op(0), W::Always, "AT\\E?\r", {}},
    {DRV_FILTER, DRV_FILTER, F::Data, op(1), W::Always, "AT\\E=%c\r", {A::FlagChar}},
    {DRV_FILTERNUM, DRV_FILTERNUM, F::Analog, op(0) | op(2), W::Always, "AT!P12#%d*%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_FILTERNUM, DRV_FILTERNUM, F::Analog, op(1), W::Always, "AT!P12#%d*%d=%s\r", {A::Port, A::Index, A::Text}},
    {DRV_FILTERNUM, DRV_FILTERNUM, F::Data, op(0) | op(2), W::Always, "AT\\F%d%c\r", {A::Index, A::Marker}},
    {DRV_FILTERNUM, DRV_FILTERNUM, F::Data, op(1), W::Always, "AT\\F%d=%s\r", {A::Index, A::Text}},
    {DRV_LCR, DRV_LCR, F::Any, op(0) | op(2), W::Always, "AT&P%c\r", {A::Marker}},
    {DRV_LCR, DRV_LCR, F::Any, op(1), W::Always, "AT&P=%c\r", {A::FlagChar}},
    {DRV_LCRTIME, DRV_LCRTIME, F::Any, op(0) | op(2), W::Always, "AT\\D%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRTIME, DRV_LCRTIME, F::Any, op(1), W::Always, "AT\\D%d%d=%02d-%02d\r", {A::Port, A::Index, A::From, A::To}},
    {DRV_LCRPREFIX, DRV_LCRPREFIX, F::Any, op(0) | op(2), W::Always, "AT\\P%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRPREFIX, DRV_LCRPREFIX, F::Any, op(1), W::Always, "AT\\P%d%d=%s\r", {A::Port, A::Index, A::Text3}},
    {DRV_LCRLOCAL, DRV_LCRLOCAL, F::Any, op(0) | op(2), W::Always, "AT&L%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRLOCAL, DRV_LCRLOCAL, F::Any, op(1), W::Always, "AT&L%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {DRV_LCRACTIVE, DRV_LCRACTIVE, F::Any, op(0) | op(2), W::Always, "AT&R%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRACTIVE, DRV_LCRACTIVE, F::Any, op(1), W::Always, "AT&R%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {DRV_LCRRANGE, DRV_LCRRANGE, F::Any, op(0) | op(2), W::Always, "AT\\N%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRRANGE, DRV_LCRRANGE, F::Any, op(1), W::Always, "AT\\N%d%d=%s-%s\r", {A::Port, A::Index, A::Text, A::Text2}},
    {DRV_LCRRANGEACTIVE, DRV_LCRRANGEACTIVE, F::Any, op(0) | op(2), W::Always, "AT&N%d%d%c\r", {A::Port, A::Index, A::Marker}},
    {DRV_LCRRANGEACTIVE, DRV_LCRRANGEACTIVE, F::Any, op(1), W::Always, "AT&N%d%d=%c\r", {A::Port, A::Index, A::FlagChar}},
    {DRV_LOG, DRV_LOG, F::Analog, op(0), W::Always, "AT!P3#%d*%d?\r", {A::Port, A::Index}},
    {DRV_LOG, DRV_LOG, F::Analog, op(2), W::Always, "AT!P23#%d*%d\r", {A::Port, A::Index}},
    {DRV_LOG, DRV_LOG, F::Data, kAnyOp, W::Always, "AT\\H%d%c\r", {A::Index, A::Marker}},
    {DRV_CHARGE, DRV_CHARGE, F::Any, kAnyOp, W::Index0, "AT\\X1?\r", {}},
    {DRV_CHARGE, DRV_CHARGE, F::Any, kAnyOp, W::Index1, "AT\\X3?\r", {}},
    {DRV_CHARGE, DRV_CHARGE, F::Analog, op(2), W::Index2, "AT!P5#%d\r", {A::Port}},
    {DRV_CHARGE, DRV_CHARGE, F::Data, op(2), W::Index2, "AT\\Y\r", {}},
    {DRV_CHARGE, DRV_CHARGE, F::Any, kAnyOp, W::Index2, "AT\\X2?\r", {}},
    {DRV_CHARGE, DRV_CHARGE, F::Any, op(2), W::Index3, "AT!P28\r", {}},
    {DRV_CHARGE, DRV_CHARGE, F::Any, kAnyOp, W::Index3, "AT!P27?\r", {}},
    {DRV_LCDGERMAN, DRV_LCDGERMAN, F::Any, op(0), W::Always, "ATS91?\r", {}},
    {DRV_LCDGERMAN, DRV_LCDGERMAN, F::Any, op(1), W::Always, "ATS91=%c\r", {A::FlagChar}},
    {DRV_CHGUNIT, DRV_CHGUNIT, F::Any, op(0), W::Always, "ATS95?\r", {}},
    {DRV_CHGUNIT, DRV_CHGUNIT, F::Any, op(1), W::Always, "ATS95=%s\r", {A::Text}},
    {DRV_AREACODE, DRV_AREACODE, F::Any, op(0), W::Always, "ATS76?\r", {}},
    {DRV_AREACODE, DRV_AREACODE, F::Any, op(1), W::Always, "ATS76=%s\r", {A::Text}},
    {DRV_PABXPREFIX, DRV_PABXPREFIX, F::Any, op(0), W::Always, "ATS78?\r", {}},
    {DRV_PABXPREFIX, DRV_PABXPREFIX, F::Any, op(1), W::Always, "ATS78=%s\r", {A::Text}},
    {DRV_INTLPREFIX, DRV_INTLPREFIX, F::Any, op(0), W::Always, "ATS75?\r", {}},
    {DRV_INTLPREFIX, DRV_INTLPREFIX, F::Any, op(1), W::Always, "ATS75=%s\r", {A::Text}},
    {DRV_CALLBACK, DRV_CALLBACK, F::Any, op(0), W::Always, "AT\\A?\r", {}},
    {DRV_CALLBACK, DRV_CALLBACK, F::Any, op(1), W::Always, "AT\\A=%c\r", {A::FlagChar}},
    {DRV_CALLBACKNUM, DRV_CALLBACKNUM, F::Any, op(0), W::Always, "AT\\B%d?\r", {A::Index}},
    {DRV_CALLBACKNUM, DRV_CALLBACKNUM, F::Any, op(1), W::Always, "AT\\B%d=%s\r", {A::Index, A::Text}},
    {DRV_EID, DRV_EID, F::Any, op(0), W::Port11, "AT%%P3?\r", {}},
    {DRV_EID, DRV_EID, F::Any, op(1), W::Port11, "AT%%P3=%d\r", {A::Index}},
    {DRV_EID, DRV_EID, F::Any, op(0), W::Port12, "AT%%P4?\r", {}},
    {DRV_EID, DRV_EID, F::Any, op(1), W::Port12, "AT%%P4=%s\r", {A::EidText}},
    {DRV_BODREG, DRV_BODREG, F::Any, op(0), W::Always, "AT%%P%d?\r", {A::Port}},
    {DRV_BODREG, DRV_BODREG, F::Any, op(1), W::Always, "AT%%P%d=%d\r", {A::Port, A::Index}},
    {DRV_ISDNSTATUS, DRV_ISDNSTATUS, F::Any, kAnyOp, W::Always, "AT!C1?\r", {}},
    {DRV_DISCCAUSE, DRV_DISCCAUSE, F::Any, kAnyOp, W::Always, "ATS71?\r", {}},
    {DRV_ATIMPORTANT, DRV_ATIMPORTANT, F::Any, kAnyOp, W::Always, "AT\\S0?\r", {}},
    {DRV_ATCHANGED, DRV_ATCHANGED, F::Any, kAnyOp, W::Always, "AT\\S1?\r", {}},
    {DRV_LINESTATE, DRV_LINESTATE, F::Any, kAnyOp, W::Always, "AT!P14#0?\r", {}},
};
// clang-format on

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
// clang-format off
constexpr ProtoRegister kProtoRegisters[] = {
    {0, 0, "%%A2", ProtoValue::ProtocolCode},     {1, 0, "%%A0", ProtoValue::FlagChar},
    {2, 1u << 0, "%%P0", ProtoValue::FlagChar},   {2, kProto345, "%%X1", ProtoValue::FlagChar},
    {3, 0, "%%P1", ProtoValue::FlagChar},         {4, 0, "%%P6", ProtoValue::FlagChar},
    {5, 0, "%%E9", ProtoValue::InvertedFlagChar}, {6, 1u << 1, "%%E0", ProtoValue::Index},
    {6, kProto345, "%%X0", ProtoValue::Index},    {6, 1u << 6, "!H0", ProtoValue::Index},
};
// clang-format on

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
        return num(20 + (p.nCmd - DRV_CFU));
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
    case DRV_LCRTIME:
        p.szText[0] = p.szText2[0] = p.szText3[0] = '\0';
        break;
    case DRV_LCRPREFIX:
        p.szText[0] = p.szText2[0] = '\0';
        break;
    case DRV_LCRRANGE:
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
    copyText(p.szCmd, sizeof p.szCmd, body);
    return BuildStatus::Built;
}

void copyText(char* dst, std::size_t capacity, std::string_view src) noexcept {
    if (dst == nullptr || capacity == 0) return;
    std::size_t n = src.size() < capacity - 1 ? src.size() : capacity - 1;
    if (n > 0) std::memcpy(dst, src.data(), n);
    dst[n] = '\0';
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

} // namespace r70
