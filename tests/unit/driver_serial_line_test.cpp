// Port map and trace escaping of the serial line.
#include "driver/serial_line.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

namespace {

std::string pathOf(int index) {
    char path[128];
    return r70::portPath(index, path, sizeof path) ? std::string(path) : std::string("<none>");
}

TEST(DriverSerialLine, DefaultMapAndEnvironment) {
    unsetenv("R70COM_PORTS");
    const char* defaults[] = {"/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB1",
                              "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS2",   "/dev/ttyS3"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pathOf(i), defaults[i]) << i;
    EXPECT_EQ(pathOf(8), "<none>");
    EXPECT_EQ(pathOf(-1), "<none>");

    setenv("R70COM_PORTS", "COM3=/tmp/sim/COM3; com1=;COM8=/dev/a;COM8=/dev/b;junk;COM9=/x", 1);
    EXPECT_EQ(pathOf(2), "/tmp/sim/COM3");
    EXPECT_EQ(pathOf(0), "<none>"); // listed empty: the port does not exist
    EXPECT_EQ(pathOf(1), "/dev/ttyS1");
    EXPECT_EQ(pathOf(7), "/dev/b");
    unsetenv("R70COM_PORTS");
}

TEST(DriverSerialLine, EscapesControlBytes) {
    char out[64];
    r70::escapeBytes(std::string_view("AT\r\n\x01\x7f\xff!", 8), out, sizeof out);
    EXPECT_STREQ(out, "AT<CR><LF>\\x01\\x7F\\xFF!");
    char small[6];
    r70::escapeBytes("AT\r", small, sizeof small);
    EXPECT_STREQ(small, "AT"); // a cut never splits an escape
}

} // namespace
