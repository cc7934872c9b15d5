#include "driver/api/r70com32.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>

extern "C" int32_t c_sizeof_drvparam(void);
extern "C" int32_t c_aux_roundtrip(int32_t v);

TEST(DriverHeader, RecordHasTheSameLayoutInC) {
    EXPECT_EQ(c_sizeof_drvparam(), 188);
    EXPECT_EQ(c_aux_roundtrip(0x01020304), 0x01020304);
}

TEST(DriverHeader, BufferOverlayCarriesA64BitAddressAndCapacity) {
    DRVPARAM p{};
    char buf[960];
    drv_set_buffer(&p, buf, 960);
    EXPECT_EQ(drv_get_address(&p), static_cast<void*>(buf));
    EXPECT_EQ(drv_get_capacity(&p), 960);
    // bytes 0-7 little-endian address, 8-11 capacity
    uint64_t a = 0;
    for (int i = 7; i >= 0; --i)
        a = (a << 8) | static_cast<unsigned char>(p.szText[i]);
    EXPECT_EQ(a, reinterpret_cast<uintptr_t>(buf));
    EXPECT_EQ(static_cast<unsigned char>(p.szText[8]), 960 & 0xff);
    EXPECT_EQ(static_cast<unsigned char>(p.szText[9]), 960 >> 8);
}

TEST(DriverHeader, OverlaysSitWhereTheRecordSays) {
    DRVPARAM p{};
    drv_set_clock(&p, 2001, 3, 7, 9, 5, 0);
    EXPECT_EQ(p.nValue, 2001);
    EXPECT_EQ(p.szText[0], 3);
    EXPECT_EQ(p.szText[1], 7);
    EXPECT_EQ(p.szText[2], 9);
    EXPECT_EQ(p.szText[3], 5);
    drv_set_port_time(&p, 23, 59);
    EXPECT_EQ(p.szText[2], 23);
    EXPECT_EQ(p.szText[3], 59);

    DRVPARAM q{};
    q.nValue = 1;
    int32_t w[4] = {0, 1, 0, 1};
    memcpy(q.szText, w, sizeof w);
    EXPECT_EQ(drv_line_flag(&q, 0), 1);
    EXPECT_EQ(drv_line_flag(&q, 1), 0);
    EXPECT_EQ(drv_line_flag(&q, 2), 1);
    EXPECT_EQ(drv_line_flag(&q, 4), 1);

    DRVPARAM r{};
    int32_t usb = 1;
    memcpy(r.szText2 + 16, &usb, 4);
    EXPECT_EQ(drv_usb_flag(&r), 1);
    EXPECT_EQ(drv_boot_code_text(&r), reinterpret_cast<const char*>(&r) + 80);
    EXPECT_EQ(drv_eid_text(&r), r.szText + 4);
}

// The 32-bit record as a program written against its field table fills it:
// the address where the table puts it and, in the rest of szText, whatever
// the record held before. The library then takes the size the command was
// made for; only our helper's marked size counts.
TEST(DriverHeader, ThirtyTwoBitBufferSizeIgnoresLeftoverBytes) {
    constexpr uint32_t kAddress = 0x0041F2C0;
    struct Command {
        int code;
        int32_t made;
    };
    const Command commands[] = {{DRV_LOG, 960}, {DRV_CHARGE, 960}, {52, 300}, {53, 300}};
    using namespace std::string_view_literals;
    const std::string_view leftovers[] = {
        ""sv,                                                                 // a zeroed record
        "\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff\xff"sv, // -1 everywhere
        "    0301234567 S91=1 &D2 &K3   "sv,                                  // an earlier text
        "\0\0\0\0R70B\0\x04\0\0\x10\0\0\0"sv, // the mark, but no check word
    };
    for (const Command& c : commands) {
        for (const std::string_view leftover : leftovers) {
            DRVPARAM p;
            std::memset(&p, 0xAB, sizeof p);
            std::memset(p.szText, 0, sizeof p.szText);
            std::memcpy(p.szText, leftover.data(), leftover.size());
            p.nCmd = c.code;
            if (c.code == DRV_CHARGE)
                p.nValue = static_cast<int32_t>(kAddress);
            else
                std::memcpy(p.szText, &kAddress, 4);
            EXPECT_EQ(drv32_address(&p), kAddress) << c.code;
            EXPECT_EQ(drv32_capacity(&p), c.made) << c.code << " with leftover bytes";
        }
        // Our helper's size counts, 0 (no room) included, for the address it was set with.
        for (int32_t size : {16, 0, 4096}) {
            DRVPARAM p;
            std::memset(&p, 0xAB, sizeof p);
            drv32_set_buffer(&p, kAddress, size);
            p.nCmd = c.code;
            EXPECT_EQ(drv32_address(&p), kAddress);
            EXPECT_EQ(drv32_capacity(&p), size) << c.code;
            // The record used again with another address but the old size bytes.
            const uint32_t other = kAddress + 0x100;
            std::memcpy(p.szText, &other, 4);
            p.nValue = static_cast<int32_t>(other);
            EXPECT_EQ(drv32_capacity(&p), c.made) << c.code << " reused record";
        }
    }
    DRVPARAM w{};
    w.nCmd = DRV_WRITERAW;
    w.nValue = static_cast<int32_t>(kAddress);
    const int32_t count = 512;
    std::memcpy(w.szText, &count, 4);
    EXPECT_EQ(drv32_address(&w), kAddress);
    EXPECT_EQ(drv32_capacity(&w), 512);
}
