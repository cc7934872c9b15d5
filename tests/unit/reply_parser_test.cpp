// The reply parser: every rule, fed with exact reply bytes, also malformed ones.
#include "driver/protocol/catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

DRVPARAM record(int code, int port, int index, int op) {
    DRVPARAM p{};
    p.nCmd = code;
    p.nPort = port;
    p.nIndex = index;
    p.nOp = op;
    return p;
}

void parse(const std::string& reply, DRVPARAM& p, int readResult = 0) {
    r70::parseReply(reply, readResult, p);
}

const std::string kOk = "\r\nOK\r\n";
std::string answer(const std::string& value) {
    return "\r\n" + value + "\r\n" + kOk;
}

TEST(DriverParse, NoReplyClearsBReplyAndTouchesNothingElse) {
    DRVPARAM p = record(4, 21, 2, 0);
    std::strcpy(p.szText, "keep");
    p.bOk = 7;
    p.nValue = 42;
    parse(answer("999"), p, -2);
    EXPECT_EQ(p.bReply, 0);
    EXPECT_EQ(p.bOk, 7);
    EXPECT_STREQ(p.szText, "keep");
    EXPECT_EQ(p.nValue, 42);
}

TEST(DriverParse, AReplyWithoutOkLeavesTheValues) {
    for (int code : {4, 5, 11, 17, 23, 27, 29, 30, 47, 50, 54}) {
        DRVPARAM p = record(code, 11, 0, 0);
        std::strcpy(p.szText, "keep");
        p.nValue = 42;
        p.bFlag = 5;
        parse("\r\n1 something\r\nERROR\r\n", p);
        EXPECT_EQ(p.bReply, 1) << code;
        EXPECT_EQ(p.bOk, 0) << code;
        EXPECT_STREQ(p.szText, "keep") << code;
        EXPECT_EQ(p.nValue, 42) << code;
        EXPECT_EQ(p.bFlag, 5) << code;
    }
}

TEST(DriverParse, FlagDigitNumberAndLineRules) {
    struct Case {
        int code, port, op;
        std::string reply;
        int flag, value;
        const char* text;
    } cases[] = {
        {5, 11, 0, answer("1"), 1, -1, nullptr},
        {5, 0, 0, answer("0"), 0, -1, nullptr},
        {9, 21, 0, answer("1"), 1, -1, nullptr},
        {10, 21, 0, answer("x"), 0, -1, nullptr},
        {14, 21, 0, answer("1"), 1, -1, nullptr},
        {20, 0, 0, answer("1"), 1, -1, nullptr},
        {22, 0, 0, answer("1"), 1, -1, nullptr},
        {25, 0, 0, answer("1"), 1, -1, nullptr},
        {26, 0, 0, answer("0"), 0, -1, nullptr},
        {28, 0, 0, answer("1"), 1, -1, nullptr},
        {39, 0, 0, answer("1"), 1, -1, nullptr},
        {44, 0, 0, answer("1"), 1, -1, nullptr},
        {11, 21, 0, answer("7"), -1, 7, nullptr},
        {11, 21, 0, answer("75"), -1, 7, nullptr}, // digit: the first character only
        {12, 21, 0, answer("x"), -1, 0, nullptr},  // no digit reads as 0
        {13, 0, 0, answer("2"), -1, 2, nullptr},
        {50, 0, 1, answer("3"), -1, 3, nullptr}, // number whatever nOp
        {51, 0, 0, answer("0x12"), -1, 0, nullptr},
        {51, 0, 0, answer("34 normal"), -1, 34, nullptr},
        {4, 21, 0, answer("1234567"), -1, -1, "1234567"},
        {4, 0, 0, answer("%s\\n"), -1, -1, "%s\\n"}, // copied, never interpreted
        {15, 11, 0, answer(""), -1, -1, ""},
        {21, 0, 0, answer("0190"), -1, -1, "0190"},
        {40, 0, 0, answer("0.12"), -1, -1, "0.12"},
        {41, 0, 0, answer("030"), -1, -1, "030"},
        {42, 0, 0, answer("0"), -1, -1, "0"},
        {43, 0, 0, answer("00"), -1, -1, "00"},
        {45, 0, 0, answer("0301"), -1, -1, "0301"},
    };
    for (const Case& c : cases) {
        DRVPARAM p = record(c.code, c.port, 0, c.op);
        p.bFlag = -1;
        p.nValue = -1;
        std::strcpy(p.szText, "untouched");
        parse(c.reply, p);
        SCOPED_TRACE("code " + std::to_string(c.code) + " reply " + c.reply);
        EXPECT_EQ(p.bReply, 1);
        EXPECT_EQ(p.bOk, 1);
        EXPECT_EQ(p.bFlag, c.flag);
        EXPECT_EQ(p.nValue, c.value);
        EXPECT_STREQ(p.szText, c.text ? c.text : "untouched");
    }
}

TEST(DriverParse, ASetKeepsTheCallersValues) {
    for (int code : {4, 5, 9, 11, 21, 23, 27, 40, 49}) {
        DRVPARAM p = record(code, 21, 0, 1);
        p.bFlag = 1;
        p.nValue = 5;
        std::strcpy(p.szText, "mine");
        parse(answer("0"), p);
        EXPECT_EQ(p.bOk, 1) << code;
        EXPECT_EQ(p.bFlag, 1) << code;
        EXPECT_EQ(p.nValue, 5) << code;
        EXPECT_STREQ(p.szText, "mine") << code;
    }
}

TEST(DriverParse, ALongLineIsCutToTheTextField) {
    DRVPARAM p = record(4, 21, 0, 0);
    std::strcpy(p.szText2, "next field");
    parse(answer(std::string(60, '9')), p);
    EXPECT_EQ(std::string(p.szText), std::string(31, '9'));
    EXPECT_STREQ(p.szText2, "next field");
}

TEST(DriverParse, PortTimeRule) {
    struct Case {
        std::string value;
        int hour, minute; // -1: unchanged
    } cases[] = {{"07:30", 7, 30}, {"23:59", 23, 59}, {"24:00", -1, -1}, {"12:60", -1, -1},
                 {"0730", -1, -1}, {":", -1, -1},     {"00:00", 0, 0}};
    for (const Case& c : cases) {
        DRVPARAM p = record(7, 21, 0, 3);
        p.szText[2] = 99;
        p.szText[3] = 98;
        parse(answer(c.value), p);
        EXPECT_EQ(p.szText[2], c.hour < 0 ? 99 : c.hour) << c.value;
        EXPECT_EQ(p.szText[3], c.minute < 0 ? 98 : c.minute) << c.value;
    }
    DRVPARAM flag = record(7, 21, 0, 0);
    parse(answer("1"), flag);
    EXPECT_EQ(flag.bFlag, 1);
}

TEST(DriverParse, DateRule) {
    DRVPARAM p = record(8, 0, 0, 3);
    parse(answer("07/03/2001 09:05:17"), p);
    EXPECT_EQ(p.szText[1], 7);
    EXPECT_EQ(p.szText[0], 3);
    EXPECT_EQ(p.nValue, 2001);
    EXPECT_EQ(p.szText[2], 9);
    EXPECT_EQ(p.szText[3], 5);
    EXPECT_EQ(p.szText[4], 17);

    DRVPARAM unset = record(8, 0, 0, 3);
    parse(answer("--/--/---- 00:12:00"), unset);
    EXPECT_EQ(unset.nValue, 1);
    EXPECT_EQ(unset.szText[3], 12);

    DRVPARAM partial = record(8, 0, 0, 3);
    partial.szText[4] = 55;
    parse(answer("07/03"), partial);
    EXPECT_EQ(partial.szText[1], 7);
    EXPECT_EQ(partial.szText[0], 3);
    EXPECT_EQ(partial.nValue, 0);
    EXPECT_EQ(partial.szText[4], 0);
}

TEST(DriverParse, ForwardingOnQuery) {
    DRVPARAM on = record(19, 21, 0, 0);
    parse(answer("1     0301234567"), on);
    EXPECT_EQ(on.bFlag, 1);
    EXPECT_EQ(on.nValue, 1);
    EXPECT_STREQ(on.szText, "0301234567"); // the value line from its seventh character

    DRVPARAM off = record(17, 21, 0, 0);
    std::strcpy(off.szText, "old");
    off.bFlag = 1;
    parse(answer("0"), off);
    EXPECT_EQ(off.bFlag, 0);
    EXPECT_EQ(off.nValue, 0);
    EXPECT_STREQ(off.szText, "old");

    // A short value line has no target; the next line never leaks into it.
    DRVPARAM shortLine = record(18, 21, 0, 0);
    std::strcpy(shortLine.szText, "old");
    parse(answer("1"), shortLine);
    EXPECT_EQ(shortLine.bFlag, 1);
    EXPECT_STREQ(shortLine.szText, "");
    DRVPARAM sixChars = record(18, 21, 0, 0);
    parse(answer("1     "), sixChars);
    EXPECT_STREQ(sixChars.szText, "");

    DRVPARAM other = record(18, 21, 0, 0);
    other.bFlag = 7;
    other.nValue = 7;
    parse(answer("x"), other);
    EXPECT_EQ(other.bFlag, 7);
    EXPECT_EQ(other.nValue, 7);
}

TEST(DriverParse, ForwardingStatusOnSet) {
    struct Case {
        const char* value;
        int status, flag;
    } cases[] = {{"0", 0, 0}, {"1", 1, 1}, {"2", 2, 0}, {"3", 3, 0}, {"9", 77, 77}};
    for (const Case& c : cases) {
        DRVPARAM p = record(17, 11, 0, 1);
        p.nValue = 77;
        p.bFlag = 77;
        std::strcpy(p.szText, "0301");
        parse(answer(c.value), p);
        EXPECT_EQ(p.nValue, c.status) << c.value;
        EXPECT_EQ(p.bFlag, c.flag) << c.value;
        EXPECT_STREQ(p.szText, "0301");
    }
}

TEST(DriverParse, LcrRangeAndPrefixAndNumberRange) {
    DRVPARAM range = record(23, 0, 0, 0);
    parse(answer("08-18"), range);
    EXPECT_EQ(range.nFrom, 8);
    EXPECT_EQ(range.nTo, 18);
    DRVPARAM empty = record(23, 0, 0, 0);
    empty.nFrom = empty.nTo = 5;
    parse(answer(""), empty); // the value begins with a carriage return
    EXPECT_EQ(empty.nFrom, 0);
    EXPECT_EQ(empty.nTo, 0);
    DRVPARAM shortRange = record(23, 0, 0, 0);
    parse("\r\n8", shortRange); // no OK: untouched
    EXPECT_EQ(shortRange.bOk, 0);
    DRVPARAM truncated = record(23, 0, 0, 0);
    parse("\r\n08OK", truncated);
    EXPECT_EQ(truncated.nFrom, 8);
    EXPECT_EQ(truncated.nTo, 0);

    DRVPARAM prefix = record(24, 0, 0, 0);
    parse(answer("01019"), prefix);
    EXPECT_STREQ(prefix.szText3, "01019");
    DRVPARAM noPrefix = record(24, 0, 0, 0);
    std::strcpy(noPrefix.szText3, "x");
    parse(answer(""), noPrefix);
    EXPECT_STREQ(noPrefix.szText3, "");

    DRVPARAM numbers = record(27, 0, 0, 0);
    parse(answer("0180-0190"), numbers);
    EXPECT_STREQ(numbers.szText, "0180");
    EXPECT_STREQ(numbers.szText2, "0190");
    DRVPARAM single = record(27, 0, 0, 0);
    std::strcpy(single.szText2, "x");
    parse(answer("0180"), single);
    EXPECT_STREQ(single.szText, "0180");
    EXPECT_STREQ(single.szText2, "");
    DRVPARAM none = record(27, 0, 0, 0);
    std::strcpy(none.szText, "x");
    std::strcpy(none.szText2, "y");
    parse(answer(""), none);
    EXPECT_STREQ(none.szText, "");
    EXPECT_STREQ(none.szText2, "");
}

TEST(DriverParse, LogRuleFindsTheHeadingAndBoundsTheBuffer) {
    const std::string outgoing =
        "\r\nNo. Number          Charge Amount \r\n1   0301234         0012  \r\nOK\r\n";
    char buffer[960];
    DRVPARAM p = record(29, 21, 0, 0);
    drv_set_buffer(&p, buffer, sizeof buffer);
    parse(outgoing, p);
    EXPECT_EQ(p.nValue, 1);
    const std::size_t at = outgoing.find("Charge Amount") + 16;
    EXPECT_EQ(std::string(buffer), outgoing.substr(at));

    // A small buffer is filled to its capacity and stays terminated.
    char small[8];
    std::memset(small, 'x', sizeof small);
    DRVPARAM q = record(29, 21, 0, 0);
    drv_set_buffer(&q, small, 6);
    parse(outgoing, q);
    EXPECT_EQ(std::string(small), outgoing.substr(at, 5));
    EXPECT_EQ(small[6], 'x');

    const std::string incoming = "\r\nNo. Number    Disc Cause\r\n1   030  16\r\nOK\r\n";
    DRVPARAM in = record(29, 11, 2, 0);
    drv_set_buffer(&in, buffer, sizeof buffer);
    parse(incoming, in);
    EXPECT_EQ(in.nValue, 1);
    EXPECT_EQ(std::string(buffer), incoming.substr(incoming.find("Disc Cause") + 12));

    // Empty list, missing heading, heading at the very end: nothing found.
    for (const std::string& reply :
         {std::string("\r\nNo. Number    Disc Cause\r\n\r\nOK\r\n"),
          std::string("\r\nsomething else\r\nOK\r\n"), std::string("\r\nOK Disc Cause")}) {
        std::strcpy(buffer, "before");
        DRVPARAM r = record(29, 11, 1, 0);
        r.nValue = 9;
        drv_set_buffer(&r, buffer, sizeof buffer);
        parse(reply, r);
        EXPECT_EQ(r.nValue, 0) << reply;
        EXPECT_STREQ(buffer, "before");
    }

    // A null buffer or no capacity: nothing written, the found flag still set.
    DRVPARAM nullBuffer = record(29, 21, 0, 0);
    drv_set_buffer(&nullBuffer, nullptr, 960);
    parse(outgoing, nullBuffer);
    EXPECT_EQ(nullBuffer.nValue, 1);
    std::strcpy(buffer, "before");
    DRVPARAM noRoom = record(29, 21, 0, 0);
    drv_set_buffer(&noRoom, buffer, 0);
    parse(outgoing, noRoom);
    EXPECT_STREQ(buffer, "before");
}

TEST(DriverParse, ChargeRule) {
    char buffer[64];
    const std::string reply = "\r\nTotal Charge: 00123 units\r\nOK\r\n";
    for (int index : {0, 1, 2}) {
        DRVPARAM p = record(30, 11, index, 0);
        drv_set_buffer(&p, buffer, sizeof buffer);
        parse(reply, p);
        EXPECT_EQ(std::string(buffer), reply.substr(reply.find("Charge:") + 9)) << index;
    }
    DRVPARAM unit = record(30, 0, 3, 0);
    drv_set_buffer(&unit, buffer, sizeof buffer);
    parse(answer("0.12 EUR"), unit);
    EXPECT_STREQ(buffer, "0.12 EUR");

    DRVPARAM missing = record(30, 0, 0, 0);
    std::strcpy(buffer, "before");
    drv_set_buffer(&missing, buffer, sizeof buffer);
    parse(answer("nothing"), missing);
    EXPECT_STREQ(buffer, "");

    DRVPARAM cleared = record(30, 21, 2, 2);
    std::strcpy(buffer, "before");
    drv_set_buffer(&cleared, buffer, sizeof buffer);
    parse(reply, cleared);
    EXPECT_STREQ(buffer, "before");

    char tiny[4];
    DRVPARAM cut = record(30, 0, 0, 0);
    drv_set_buffer(&cut, tiny, sizeof tiny);
    parse(reply, cut);
    EXPECT_STREQ(tiny, "012");
}

TEST(DriverParse, StatusTextDoublesAmpersandsAndStopsAtBackspace) {
    char buffer[64];
    DRVPARAM p = record(52, 0, 0, 0);
    drv_set_buffer(&p, buffer, sizeof buffer);
    parse("\r\nAT&F E0 &D2\bhidden\r\n", p); // no OK needed
    EXPECT_EQ(p.bOk, 1);
    EXPECT_STREQ(buffer, "AT&&F E0 &&D2");

    char small[5];
    DRVPARAM q = record(53, 0, 0, 0);
    drv_set_buffer(&q, small, sizeof small);
    parse("\r\nab&cd", q);
    EXPECT_STREQ(small, "ab&&"); // a doubled "&" is never cut in half
    char smaller[4];
    drv_set_buffer(&q, smaller, sizeof smaller);
    parse("\r\nab&cd", q);
    EXPECT_STREQ(smaller, "ab");
}

TEST(DriverParse, FiveFlagRule) {
    auto group = [](char flag) { return std::string(15, ' ') + flag + "\r\n"; }; // 18 characters
    DRVPARAM p = record(54, 0, 0, 0);
    parse("\r\n" + group('1') + group('0') + group('1') + group('1') + group('0') + "OK\r\n", p);
    EXPECT_EQ(drv_line_flag(&p, 0), 1);
    EXPECT_EQ(drv_line_flag(&p, 1), 0);
    EXPECT_EQ(drv_line_flag(&p, 2), 1);
    EXPECT_EQ(drv_line_flag(&p, 3), 1);
    EXPECT_EQ(drv_line_flag(&p, 4), 0);

    // A value of 40 characters: flags 1 and 2 read, 3 to 5 are 0.
    DRVPARAM shortReply = record(54, 0, 0, 0);
    shortReply.nValue = 9;
    std::string value = group('1') + group('1') + "OK";
    ASSERT_EQ(value.size(), 38u);
    value += "  ";
    parse("\r\n" + value, shortReply);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(drv_line_flag(&shortReply, k), k < 2 ? 1 : 0) << k;
}

TEST(DriverParse, DataProtocolRule) {
    struct Case {
        int selector;
        std::string value;
        int aux, flag, index;
    } cases[] = {
        {0, "92", 6, -1, -1}, {0, "7", 7, -1, -1},   {0, "95", 0, -1, -1}, {0, "90", 7, -1, -1},
        {0, "2", 1, -1, -1},  {1, "1", -1, 1, -1},   {4, "0", -1, 0, -1},  {5, "0", -1, 1, -1},
        {5, "1", -1, 0, -1},  {6, "12", -1, -1, 12},
    };
    for (const Case& c : cases) {
        DRVPARAM p = record(47, c.selector, -1, 0);
        drv_set_aux(&p, -1);
        p.bFlag = -1;
        parse(answer(c.value), p);
        EXPECT_EQ(drv_get_aux(&p), c.aux) << c.selector << " " << c.value;
        EXPECT_EQ(p.bFlag, c.flag) << c.selector << " " << c.value;
        EXPECT_EQ(p.nIndex, c.index) << c.selector << " " << c.value;
    }
}

TEST(DriverParse, EidAndBodRegisters) {
    DRVPARAM eidClass = record(48, 11, 0, 0);
    parse(answer("3"), eidClass);
    EXPECT_EQ(eidClass.nIndex, 3);
    DRVPARAM eid = record(48, 12, 0, 0);
    drv_set_aux(&eid, 0x11223344);
    parse(answer(std::string(40, '5')), eid);
    EXPECT_EQ(drv_get_aux(&eid), 0x11223344);
    EXPECT_EQ(std::string(drv_eid_text(&eid)), std::string(27, '5'));
    DRVPARAM bod = record(49, 8, 0, 0);
    parse(answer("64"), bod);
    EXPECT_EQ(bod.nIndex, 64);
}

TEST(DriverParse, MalformedAndShortReplies) {
    for (const std::string& reply :
         {std::string(""), std::string("O"), std::string("OK"), std::string("\r\nOK"),
          std::string("\r"), std::string("\r\n\r\n\r\nOK\r\n")}) {
        for (int code : {4, 5, 7, 8, 11, 17, 19, 23, 24, 27, 47, 48, 49, 50, 54}) {
            DRVPARAM p = record(code, code == 48 ? 12 : 21, 0, code == 7 || code == 8 ? 3 : 0);
            parse(reply, p); // must neither crash nor read outside the reply
            EXPECT_EQ(p.bReply, 1);
        }
    }
}

TEST(DriverParse, LeadingNumber) {
    EXPECT_EQ(r70::leadingNumber("42abc"), 42);
    EXPECT_EQ(r70::leadingNumber(" -7"), -7);
    EXPECT_EQ(r70::leadingNumber("abc"), 0);
    EXPECT_EQ(r70::leadingNumber(""), 0);
    EXPECT_EQ(r70::leadingNumber("99999999999999999999"), 2147483647);
}

} // namespace
