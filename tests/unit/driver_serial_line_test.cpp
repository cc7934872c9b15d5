// Port map and trace escaping of the serial line.
#include "driver/serial_line.h"
#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string pathOf(int index) {
    char path[128];
    return r70::portPath(index, path, sizeof path) ? std::string(path) : std::string("<none>");
}

TEST(DriverSerialLine, DefaultMapAndEnvironment) {
    unsetenv("R70COM_PORTS");
    setenv("R70COM_ROOT", "/nonexistent-r70-root", 1); // no sysfs: the fixed map
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
    unsetenv("R70COM_ROOT");
}

// The machine's ports, the choice in front; R70COM_PORTS overrides both.
TEST(DriverSerialLine, TheMapComesFromTheMachineUnlessTheEnvironmentGivesOne) {
    const auto root =
        std::filesystem::temp_directory_path() / ("r70map_" + std::to_string(getpid()));
    std::filesystem::remove_all(root);
    FakeMachine machine(root);
    FakeMachine::Usb usb;
    usb.serial = "A1";
    machine.addUsb("ttyUSB3", usb);
    const std::string byId = machine.link("by-id", "usb-FTDI_A1-if00-port0", "ttyUSB3");
    machine.addBuiltin("ttyS0", "4");
    const std::string ttyS0 = (machine.dev() / "ttyS0").string();
    setenv("R70COM_ROOT", root.c_str(), 1);
    unsetenv("R70COM_PORTS");
    struct Case {
        const char* choice;
        const char* ports;
        std::vector<std::string> map; // COM1 ...
    } cases[] = {
        {"", nullptr, {byId, ttyS0, "<none>"}},
        {ttyS0.c_str(), nullptr, {ttyS0, byId, "<none>"}},
        {"/dev/serial/by-id/unplugged", nullptr, {byId, ttyS0, "<none>"}},
        {ttyS0.c_str(), "COM2=/tmp/x", {"/dev/ttyS0", "/tmp/x", "/dev/ttyUSB0"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.choice) + " / " + (c.ports ? c.ports : "-"));
        r70::setPortChoice(c.choice);
        if (c.ports != nullptr) setenv("R70COM_PORTS", c.ports, 1);
        for (std::size_t i = 0; i < c.map.size(); ++i)
            EXPECT_EQ(pathOf(static_cast<int>(i)), c.map[i]) << "COM" << i + 1;
        unsetenv("R70COM_PORTS");
    }
    r70::setPortChoice("");
    unsetenv("R70COM_ROOT");
    std::filesystem::remove_all(root);
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
