// Trace escaping of the serial line.
#include "driver/line/serial_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(DriverSerialLine, EscapesControlBytes) {
    char out[64];
    r70::escapeBytes(std::string_view("AT\r\n\x01\x7f\xff!", 8), out, sizeof out);
    EXPECT_STREQ(out, "AT<CR><LF>\\x01\\x7F\\xFF!");
    char small[6];
    r70::escapeBytes("AT\r", small, sizeof small);
    EXPECT_STREQ(small, "AT"); // a cut never splits an escape
}

} // namespace
