// The command builder: every row of the catalogue, byte for byte.
#include "driver/protocol/catalogue.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>

namespace {

struct BuildCase {
    int code = 0;
    int port = 0;
    int index = 0;
    int op = 0;
    int flag = 0;
    int value = 0;
    const char* text = "";
    const char* text2 = "";
    const char* text3 = "";
    int from = 0;
    int to = 0;
    int aux = -1;                        // nAux when >= 0
    int bytes[5] = {-1, -1, -1, -1, -1}; // szText bytes 0-4 when >= 0
    const char* expected = nullptr;      // nullptr: no command
};

DRVPARAM recordFor(const BuildCase& c) {
    DRVPARAM p{};
    p.nCmd = c.code;
    p.nPort = c.port;
    p.nIndex = c.index;
    p.nOp = c.op;
    p.bFlag = c.flag;
    p.nValue = c.value;
    std::strncpy(p.szText, c.text, sizeof p.szText - 1);
    std::strncpy(p.szText2, c.text2, sizeof p.szText2 - 1);
    std::strncpy(p.szText3, c.text3, sizeof p.szText3 - 1);
    p.nFrom = c.from;
    p.nTo = c.to;
    if (c.aux >= 0) drv_set_aux(&p, c.aux);
    for (int i = 0; i < 5; ++i)
        if (c.bytes[i] >= 0) p.szText[i] = static_cast<char>(c.bytes[i]);
    return p;
}

// clang-format off
const BuildCase kBuildCases[] = {
    // 4 MSN
    {.code = 4, .port = 21, .index = 2, .op = 1, .text = "1234567", .expected = "AT!P0#21*2=1234567\r"},
    {.code = 4, .port = 21, .index = 2, .op = 2, .expected = "AT!P0#21*2=\r"},
    {.code = 4, .port = 21, .index = 2, .op = 0, .expected = "AT!P0#21*2?\r"},
    {.code = 4, .port = 0, .index = 0, .op = 0, .expected = "AT!N0?\r"},
    {.code = 4, .port = 0, .index = 1, .op = 1, .text = "555", .expected = "AT!N1=555\r"},
    {.code = 4, .port = 10, .index = 1, .op = 2, .expected = "AT!N1=\r"},
    // 5 CLIP
    {.code = 5, .port = 11, .op = 1, .flag = 1, .expected = "AT!P17#11=1\r"},
    {.code = 5, .port = 32, .op = 0, .expected = "AT!P17#32?\r"},
    {.code = 5, .port = 22, .op = 2, .expected = "AT!P17#22?\r"},
    {.code = 5, .port = 0, .op = 1, .flag = 1, .expected = "AT%A5=1\r"},
    {.code = 5, .port = 0, .op = 1, .flag = 0, .expected = "AT%A5=0\r"},
    {.code = 5, .port = 0, .op = 0, .expected = "AT%A5?\r"},
    // 7 port timer
    {.code = 7, .port = 21, .op = 0, .expected = "AT!P19#21?\r"},
    {.code = 7, .port = 21, .op = 1, .flag = 1, .expected = "AT!P19#21=1\r"},
    {.code = 7, .port = 21, .op = 3, .expected = "AT!P18#21?\r"},
    {.code = 7, .port = 21, .op = 4, .bytes = {-1, -1, 7, 5, -1}, .expected = "AT!P18#21=07:05\r"},
    {.code = 7, .port = 21, .op = 2, .expected = nullptr},
    // 8 clock
    {.code = 8, .op = 3, .expected = "AT!T?\r"},
    {.code = 8, .op = 4, .value = 2001, .bytes = {3, 7, 9, 5, 0}, .expected = "AT!T=07/03/2001 09:05:00\r"},
    {.code = 8, .op = 0, .expected = nullptr},
    {.code = 8, .op = 1, .expected = nullptr},
    // 9-12
    {.code = 9, .port = 11, .op = 0, .expected = "AT!P2#11?\r"},
    {.code = 9, .port = 11, .op = 1, .flag = 1, .expected = "AT!P2#11=1\r"},
    {.code = 10, .port = 22, .op = 0, .expected = "AT!P8#22?\r"},
    {.code = 10, .port = 22, .op = 1, .flag = 0, .expected = "AT!P8#22=0\r"},
    {.code = 11, .port = 31, .op = 0, .expected = "AT!P9#31?\r"},
    {.code = 11, .port = 31, .op = 1, .value = 9, .expected = "AT!P9#31=9\r"},
    {.code = 12, .port = 32, .op = 0, .expected = "AT!P6#32?\r"},
    {.code = 12, .port = 32, .op = 1, .value = 2, .expected = "AT!P6#32=2\r"},
    {.code = 12, .port = 32, .op = 2, .expected = nullptr},
    // 13 call acceptance
    {.code = 13, .port = 11, .op = 0, .expected = "AT!P1#11?\r"},
    {.code = 13, .port = 11, .op = 1, .value = 2, .expected = "AT!P1#11=2\r"},
    {.code = 13, .port = 5, .op = 0, .expected = "AT!V3?\r"},
    {.code = 13, .port = 0, .op = 0, .expected = "AT!V0?\r"},
    {.code = 13, .port = 2, .op = 1, .value = 1, .expected = "AT!V0=1\r"},
    {.code = 13, .port = 3, .op = 1, .value = 1, .expected = "AT!V3=1\r"},
    {.code = 13, .port = 10, .op = 1, .value = 0, .expected = "AT!V3=0\r"},
    // 14 special ring
    {.code = 14, .port = 21, .op = 1, .flag = 5, .expected = "AT!P11#21=1\r"},
    {.code = 14, .port = 21, .op = 1, .flag = 0, .expected = "AT!P11#21=0\r"},
    {.code = 14, .port = 21, .op = 0, .expected = "AT!P11#21?\r"},
    // 15 short dial
    {.code = 15, .port = 11, .index = 9, .op = 1, .text = "0301234", .expected = "AT!P10#11*9=0301234\r"},
    {.code = 15, .port = 11, .index = 9, .op = 2, .expected = "AT!P10#11*9=\r"},
    {.code = 15, .port = 11, .index = 0, .op = 0, .expected = "AT!P10#11*0?\r"},
    {.code = 15, .port = 0, .index = 0, .op = 0, .expected = nullptr},
    // 16, 46 dial
    {.code = 16, .port = 21, .op = 0, .text = "123", .expected = "AT!P24#21=123\r"},
    {.code = 46, .port = 11, .op = 7, .text = "0800", .expected = "AT!P24#11=0800\r"},
    // 17-19 forwarding
    {.code = 17, .port = 11, .op = 0, .expected = "AT!P20#11?\r"},
    {.code = 18, .port = 21, .op = 1, .flag = 1, .text = "0301", .expected = "AT!P21#21*1=0301\r"},
    {.code = 19, .port = 22, .op = 1, .flag = 0, .text = "0301", .expected = "AT!P22#22*0\r"},
    {.code = 19, .port = 0, .op = 0, .expected = "AT!P22#0?\r"},
    // 20 filter
    {.code = 20, .port = 11, .op = 0, .expected = "AT!P13#11?\r"},
    {.code = 20, .port = 11, .op = 1, .flag = 1, .expected = "AT!P13#11=1\r"},
    {.code = 20, .port = 0, .op = 0, .expected = "AT\\E?\r"},
    {.code = 20, .port = 0, .op = 1, .flag = 1, .expected = "AT\\E=1\r"},
    {.code = 20, .port = 0, .op = 2, .expected = nullptr},
    // 21 filter numbers
    {.code = 21, .port = 11, .index = 3, .op = 0, .expected = "AT!P12#11*3?\r"},
    {.code = 21, .port = 11, .index = 3, .op = 2, .expected = "AT!P12#11*3=\r"},
    {.code = 21, .port = 11, .index = 3, .op = 1, .text = "0190", .expected = "AT!P12#11*3=0190\r"},
    {.code = 21, .port = 0, .index = 4, .op = 0, .expected = "AT\\F4?\r"},
    {.code = 21, .port = 0, .index = 4, .op = 2, .expected = "AT\\F4=\r"},
    {.code = 21, .port = 0, .index = 4, .op = 1, .text = "0900", .expected = "AT\\F4=0900\r"},
    {.code = 21, .port = 0, .index = 4, .op = 3, .expected = nullptr},
    // 22-28 least cost routing
    {.code = 22, .op = 0, .expected = "AT&P?\r"},
    {.code = 22, .op = 2, .expected = "AT&P=\r"},
    {.code = 22, .op = 1, .flag = 1, .expected = "AT&P=1\r"},
    {.code = 23, .port = 1, .index = 2, .op = 0, .expected = "AT\\D12?\r"},
    {.code = 23, .port = 1, .index = 2, .op = 2, .expected = "AT\\D12=\r"},
    {.code = 23, .port = 0, .index = 3, .op = 1, .from = 8, .to = 18, .expected = "AT\\D03=08-18\r"},
    {.code = 24, .port = 2, .index = 0, .op = 0, .expected = "AT\\P20?\r"},
    {.code = 24, .port = 2, .index = 0, .op = 1, .text3 = "01019", .expected = "AT\\P20=01019\r"},
    {.code = 25, .port = 0, .index = 1, .op = 0, .expected = "AT&L01?\r"},
    {.code = 25, .port = 0, .index = 1, .op = 1, .flag = 1, .expected = "AT&L01=1\r"},
    {.code = 26, .port = 1, .index = 4, .op = 2, .expected = "AT&R14=\r"},
    {.code = 26, .port = 1, .index = 4, .op = 1, .flag = 0, .expected = "AT&R14=0\r"},
    {.code = 27, .port = 0, .index = 5, .op = 0, .expected = "AT\\N05?\r"},
    {.code = 27, .port = 0, .index = 5, .op = 1, .text = "0180", .text2 = "0190", .expected = "AT\\N05=0180-0190\r"},
    {.code = 28, .port = 2, .index = 5, .op = 0, .expected = "AT&N25?\r"},
    {.code = 28, .port = 2, .index = 5, .op = 1, .flag = 1, .expected = "AT&N25=1\r"},
    {.code = 28, .port = 2, .index = 5, .op = 4, .expected = nullptr},
    // 29 log
    {.code = 29, .port = 21, .index = 1, .op = 0, .expected = "AT!P3#21*1?\r"},
    {.code = 29, .port = 21, .index = 2, .op = 2, .expected = "AT!P23#21*2\r"},
    {.code = 29, .port = 21, .index = 2, .op = 1, .expected = nullptr},
    {.code = 29, .port = 0, .index = 0, .op = 0, .expected = "AT\\H0?\r"},
    {.code = 29, .port = 0, .index = 1, .op = 2, .expected = "AT\\H1=\r"},
    // 30 charges
    {.code = 30, .port = 11, .index = 0, .op = 0, .expected = "AT\\X1?\r"},
    {.code = 30, .port = 11, .index = 1, .op = 0, .expected = "AT\\X3?\r"},
    {.code = 30, .port = 21, .index = 2, .op = 2, .expected = "AT!P5#21\r"},
    {.code = 30, .port = 0, .index = 2, .op = 2, .expected = "AT\\Y\r"},
    {.code = 30, .port = 21, .index = 2, .op = 0, .expected = "AT\\X2?\r"},
    {.code = 30, .port = 0, .index = 3, .op = 2, .expected = "AT!P28\r"},
    {.code = 30, .port = 0, .index = 3, .op = 0, .expected = "AT!P27?\r"},
    {.code = 30, .port = 0, .index = 4, .op = 0, .expected = nullptr},
    // 39-45 device-wide settings
    {.code = 39, .op = 0, .expected = "ATS91?\r"},
    {.code = 39, .op = 1, .flag = 1, .expected = "ATS91=1\r"},
    {.code = 40, .op = 0, .expected = "ATS95?\r"},
    {.code = 40, .op = 1, .text = "0.12", .expected = "ATS95=0.12\r"},
    {.code = 41, .op = 0, .expected = "ATS76?\r"},
    {.code = 41, .op = 1, .text = "030", .expected = "ATS76=030\r"},
    {.code = 42, .op = 0, .expected = "ATS78?\r"},
    {.code = 42, .op = 1, .text = "0", .expected = "ATS78=0\r"},
    {.code = 43, .op = 0, .expected = "ATS75?\r"},
    {.code = 43, .op = 1, .text = "00", .expected = "ATS75=00\r"},
    {.code = 43, .op = 2, .expected = nullptr},
    {.code = 44, .op = 0, .expected = "AT\\A?\r"},
    {.code = 44, .op = 1, .flag = 1, .expected = "AT\\A=1\r"},
    {.code = 45, .index = 2, .op = 0, .expected = "AT\\B2?\r"},
    {.code = 45, .index = 2, .op = 1, .text = "0301", .expected = "AT\\B2=0301\r"},
    // 47 data protocol
    {.code = 47, .port = 0, .op = 0, .expected = "AT%A2?\r"},
    {.code = 47, .port = 0, .op = 1, .aux = 1, .expected = "AT%A2=2\r"},
    {.code = 47, .port = 0, .op = 1, .aux = 0, .expected = "AT%A2=95\r"},
    {.code = 47, .port = 0, .op = 1, .aux = 7, .expected = "AT%A2=90\r"},
    {.code = 47, .port = 0, .op = 1, .aux = 8, .expected = nullptr},
    {.code = 47, .port = 1, .op = 1, .flag = 1, .expected = "AT%A0=1\r"},
    {.code = 47, .port = 2, .op = 0, .aux = 0, .expected = "AT%P0?\r"},
    {.code = 47, .port = 2, .op = 1, .flag = 1, .aux = 4, .expected = "AT%X1=1\r"},
    {.code = 47, .port = 2, .op = 0, .aux = 1, .expected = nullptr},
    {.code = 47, .port = 3, .op = 1, .flag = 0, .expected = "AT%P1=0\r"},
    {.code = 47, .port = 4, .op = 0, .expected = "AT%P6?\r"},
    {.code = 47, .port = 5, .op = 1, .flag = 1, .expected = "AT%E9=0\r"},
    {.code = 47, .port = 5, .op = 1, .flag = 0, .expected = "AT%E9=1\r"},
    {.code = 47, .port = 6, .index = 12, .op = 1, .aux = 1, .expected = "AT%E0=12\r"},
    {.code = 47, .port = 6, .index = 3, .op = 1, .aux = 5, .expected = "AT%X0=3\r"},
    {.code = 47, .port = 6, .index = 0, .op = 0, .aux = 6, .expected = "AT!H0?\r"},
    {.code = 47, .port = 6, .op = 0, .aux = 0, .expected = nullptr},
    {.code = 47, .port = 7, .op = 0, .expected = nullptr},
    {.code = 47, .port = 1, .op = 2, .expected = nullptr},
    // 48 EID, 49 BOD registers
    {.code = 48, .port = 11, .op = 0, .expected = "AT%P3?\r"},
    {.code = 48, .port = 11, .index = 2, .op = 1, .expected = "AT%P3=2\r"},
    {.code = 48, .port = 12, .op = 0, .expected = "AT%P4?\r"},
    {.code = 48, .port = 13, .op = 0, .expected = nullptr},
    {.code = 49, .port = 7, .op = 0, .expected = "AT%P7?\r"},
    {.code = 49, .port = 10, .index = 64, .op = 1, .expected = "AT%P10=64\r"},
    // 50-54 status
    {.code = 50, .op = 5, .expected = "AT!C1?\r"},
    {.code = 51, .op = 1, .expected = "ATS71?\r"},
    {.code = 52, .expected = "AT\\S0?\r"},
    {.code = 53, .expected = "AT\\S1?\r"},
    {.code = 54, .expected = "AT!P14#0?\r"},
    // codes with no command text
    {.code = 0, .expected = nullptr},
    {.code = 6, .expected = nullptr},
    {.code = 31, .expected = nullptr},
    {.code = 55, .expected = nullptr},
};
// clang-format on

TEST(DriverCatalogueBuild, EveryRowGivesItsTextByteForByte) {
    for (const BuildCase& c : kBuildCases) {
        DRVPARAM p = recordFor(c);
        r70::CommandText out;
        const r70::BuildStatus status = r70::buildCommand(p, out);
        SCOPED_TRACE("code " + std::to_string(c.code) + " port " + std::to_string(c.port) + " op " +
                     std::to_string(c.op));
        if (c.expected == nullptr) {
            EXPECT_EQ(status, r70::BuildStatus::NoCommand);
            EXPECT_STREQ(p.szCmd, "");
            continue;
        }
        ASSERT_EQ(status, r70::BuildStatus::Built);
        EXPECT_EQ(std::string(out.text, out.length), c.expected);
        // szCmd holds the text without its carriage return.
        std::string withoutCr(c.expected);
        withoutCr.pop_back();
        EXPECT_EQ(std::string(p.szCmd), withoutCr);
    }
}

TEST(DriverCatalogueBuild, EidTextIsTakenBehindNAux) {
    DRVPARAM p{};
    p.nCmd = 48;
    p.nPort = 12;
    p.nOp = 1;
    drv_set_aux(&p, 0x7fffffff);
    std::strcpy(drv_eid_text(&p), "4711");
    r70::CommandText out;
    ASSERT_EQ(r70::buildCommand(p, out), r70::BuildStatus::Built);
    EXPECT_STREQ(out.text, "AT%P4=4711\r");
}

TEST(DriverCatalogueBuild, LcrCommandsEmptyTheirTextFieldsFirst) {
    struct Case {
        int code;
        bool text, text2, text3; // emptied?
    } cases[] = {{23, true, true, true}, {24, true, true, false}, {27, false, false, true}};
    for (const Case& c : cases) {
        DRVPARAM p{};
        p.nCmd = c.code;
        p.nOp = 0;
        std::strcpy(p.szText, "a");
        std::strcpy(p.szText2, "b");
        std::strcpy(p.szText3, "c");
        r70::CommandText out;
        ASSERT_EQ(r70::buildCommand(p, out), r70::BuildStatus::Built) << c.code;
        EXPECT_EQ(p.szText[0] == '\0', c.text) << c.code;
        EXPECT_EQ(p.szText2[0] == '\0', c.text2) << c.code;
        EXPECT_EQ(p.szText3[0] == '\0', c.text3) << c.code;
    }
}

TEST(DriverCatalogueBuild, ATextThatWouldNotFitIsRefusedNotCut) {
    DRVPARAM p{};
    p.nCmd = 4;
    p.nPort = 21;
    p.nIndex = 2;
    p.nOp = 1;
    // "AT!P0#21*2=" is 11 characters: 19 digits make 30, plus the CR 31.
    std::strcpy(p.szText, "1234567890123456789");
    r70::CommandText out;
    ASSERT_EQ(r70::buildCommand(p, out), r70::BuildStatus::Built);
    EXPECT_EQ(out.length, 31u);
    std::strcpy(p.szText, "12345678901234567890");
    EXPECT_EQ(r70::buildCommand(p, out), r70::BuildStatus::TooLong);
    EXPECT_EQ(out.length, 0u);
    EXPECT_STREQ(p.szCmd, "");
}

TEST(DriverCatalogueBuild, AnUnterminatedTextFieldIsReadOnlyToItsEnd) {
    DRVPARAM p{};
    p.nCmd = 40;
    p.nOp = 1;
    std::memset(p.szText, '7', sizeof p.szText); // no NUL inside the field
    std::strcpy(p.szText2, "XYZ");
    r70::CommandText out;
    EXPECT_EQ(r70::buildCommand(p, out), r70::BuildStatus::TooLong); // 6 + 32 > 30
}

TEST(DriverCatalogueBuild, AControlCharacterInsideATextIsRefused) {
    DRVPARAM p{};
    p.nCmd = 41;
    p.nOp = 1;
    std::strcpy(p.szText, "030\rAT&F");
    r70::CommandText out;
    EXPECT_NE(r70::buildCommand(p, out), r70::BuildStatus::Built);
}

} // namespace
