// The COM map of a search: R70COM_PORTS, the fixed map, the machine's ports
// with the choice in front.
#include "driver/ports/com_ports.h"
#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

std::string pathOf(int index) {
    const auto ports = r70::takeComPorts();
    const std::string& path = ports->path(index);
    return path.empty() ? "<none>" : path;
}

TEST(DriverComPorts, DefaultMapAndEnvironment) {
    unsetenv("R70COM_PORTS");
    setenv("R70COM_ROOT", "/nonexistent-r70-root", 1); // no sysfs: the fixed map
    const char* defaults[] = {"/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB1",
                              "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS2",   "/dev/ttyS3"};
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pathOf(i), defaults[i]) << i;
    EXPECT_EQ(pathOf(8), "<none>");
    EXPECT_EQ(pathOf(-1), "<none>");

    struct Case {
        const char* variable;
        std::vector<std::pair<int, std::string>> paths; // index, path
    } cases[] = {
        {"COM3=/tmp/sim/COM3; com1=;COM8=/dev/a;COM8=/dev/b;COM9=/x",
         {{2, "/tmp/sim/COM3"}, {0, "<none>"}, {1, "/dev/ttyS1"}, {7, "/dev/b"}}},
        // A ';' separates entries only before a COM name: paths may hold one.
        {"COM2=/tmp/a;b;COM3=/tmp/c;", {{1, "/tmp/a;b"}, {2, "/tmp/c"}}},
        {"junk;COM4=/tmp/d; ", {{3, "/tmp/d"}, {0, "/dev/ttyS0"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.variable);
        setenv("R70COM_PORTS", c.variable, 1);
        for (const auto& [index, path] : c.paths)
            EXPECT_EQ(pathOf(index), path) << "COM" << index + 1;
    }
    unsetenv("R70COM_PORTS");
    unsetenv("R70COM_ROOT");
}

// The machine's ports, the choice in front; R70COM_PORTS overrides both.
TEST(DriverComPorts, TheMapComesFromTheMachineUnlessTheEnvironmentGivesOne) {
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

} // namespace
