#include "driver/r70com32.h"

#include <gtest/gtest.h>

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
