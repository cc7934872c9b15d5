// The boot probe over a pseudo-terminal: seven seconds of fixed waits.
#include "driver/api/r70com32.h"
#include "support/pty_device.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <thread>

using testsupport::PtyDevice;

namespace {

void mapPorts(int com, const std::string& path) {
    std::string value;
    for (int c = 1; c <= 8; ++c)
        value += "COM" + std::to_string(c) + "=" + (c == com ? path : std::string()) + ";";
    setenv("R70COM_PORTS", value.c_str(), 1);
}

TEST(DriverBootProbe, FindsADeviceInItsLoader) {
    PtyDevice device([](const std::string&) { return testsupport::silence(); });
    mapPorts(4, device.path());
    std::atomic<bool> stop{false};
    // The loader speaks once the line runs at 19200 baud.
    std::thread loader([&] {
        if (testsupport::waitFor([&] { return stop || device.speed() == B19200; },
                                 std::chrono::seconds(20)) &&
            !stop)
            device.send("\r\nFAIL\r\n");
    });
    DRVPARAM p{};
    p.nPort = 3;
    EXPECT_EQ(D_SendDrvCmd(DRV_BOOTPROBE, &p), 2);
    stop = true;
    loader.join();
    EXPECT_EQ(device.speed(), B19200);
    DRVPARAM id{};
    D_SendDrvCmd(DRV_IDENT, &id); // the probe remembered the port
    EXPECT_EQ(id.nPort, 3);
}

TEST(DriverBootProbe, APortThatDoesNotOpenGivesOne) {
    mapPorts(1, "");
    DRVPARAM p{};
    p.nPort = 0;
    EXPECT_EQ(D_SendDrvCmd(DRV_BOOTPROBE, &p), 1);
    p.nPort = 9;
    EXPECT_EQ(D_SendDrvCmd(DRV_BOOTPROBE, &p), 1);
}

} // namespace
