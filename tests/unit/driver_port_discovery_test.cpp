// The machine's serial ports from a fake sysfs and /dev, and the COM map the
// search walks over them.
#include "driver/port_discovery.h"
#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using r70::PortKind;

class PortDiscovery : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("r70disc_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        machine_.emplace(root_);
    }
    void TearDown() override { fs::remove_all(root_); }
    r70::Discovery discover() const {
        return r70::discoverPorts(machine_->sys().string(), machine_->dev().string());
    }
    std::string dev(const std::string& rest) const { return (machine_->dev() / rest).string(); }

    fs::path root_;
    std::optional<FakeMachine> machine_;
};

// One machine with every kind of port the search meets.
TEST_F(PortDiscovery, FindsEveryPortWithItsStableNameAndDescription) {
    FakeMachine& m = *machine_;
    FakeMachine::Usb ftdi;
    ftdi.serial = "A1B2C3";
    m.addUsb("ttyUSB2", ftdi);
    m.link("by-id", "usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "ttyUSB2");
    m.link("by-path", "pci-0000:00:14.0-usb-0:1:1.0-port0", "ttyUSB2");
    FakeMachine::Usb plain{"067b", "2303", "Prolific", "USB-Serial Controller", "", "1-2"};
    m.addUsb("ttyUSB0", plain); // no serial number: udev makes a by-path link only
    m.link("by-path", "pci-0000:00:14.0-usb-0:2:1.0-port0", "ttyUSB0");
    // Two identical adapters without serial number share one by-id name: the
    // link goes to one of them, the other keeps its by-path name.
    FakeMachine::Usb twin{"1a86", "7523", "", "USB Serial", "", "1-3"};
    m.addUsb("ttyUSB3", twin);
    twin.bus = "1-4";
    m.addUsb("ttyUSB4", twin);
    m.link("by-id", "usb-1a86_USB_Serial-if00-port0", "ttyUSB4");
    m.link("by-path", "pci-0000:00:14.0-usb-0:3:1.0-port0", "ttyUSB3");
    m.link("by-path", "pci-0000:00:14.0-usb-0:4:1.0-port0", "ttyUSB4");
    FakeMachine::Usb acm{"2341", "0043", "Arduino", "Uno", "7583", "1-5"};
    m.addUsb("ttyACM0", acm);
    m.link("by-id", "usb-Arduino_Uno_7583-if00", "ttyACM0");
    m.addBuiltin("ttyS0", "4");  // a 16550A
    m.addBuiltin("ttyS1", "0");  // no UART behind it
    m.addBuiltin("ttyAMA0", ""); // not a serial core port with a type file
    m.addVirtual("tty1");
    m.link("by-id", "usb-Gone_Adapter_X-if00-port0", "ttyUSB9"); // dangling

    const r70::Discovery d = discover();
    ASSERT_TRUE(d.sysfsReadable);
    struct Row {
        const char* name;
        std::string stable;
        PortKind kind;
        const char* description;
    };
    const Row want[] = {
        // USB and ACM first, by stable name: by-id names sort before by-path ones.
        {"ttyUSB4", dev("serial/by-id/usb-1a86_USB_Serial-if00-port0"), PortKind::Usb,
         "USB Serial, 1a86:7523"},
        {"ttyACM0", dev("serial/by-id/usb-Arduino_Uno_7583-if00"), PortKind::Acm,
         "Arduino Uno, 2341:0043, serial 7583"},
        {"ttyUSB2", dev("serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"), PortKind::Usb,
         "FTDI FT232R USB UART, 0403:6001, serial A1B2C3"},
        {"ttyUSB0", dev("serial/by-path/pci-0000:00:14.0-usb-0:2:1.0-port0"), PortKind::Usb,
         "Prolific USB-Serial Controller, 067b:2303"},
        {"ttyUSB3", dev("serial/by-path/pci-0000:00:14.0-usb-0:3:1.0-port0"), PortKind::Usb,
         "USB Serial, 1a86:7523"},
        {"ttyAMA0", dev("ttyAMA0"), PortKind::Builtin, ""},
        {"ttyS0", dev("ttyS0"), PortKind::Builtin, ""},
    };
    std::vector<std::string> got;
    for (const auto& p : d.ports)
        got.push_back(p.name);
    ASSERT_EQ(d.ports.size(), std::size(want)) << ::testing::PrintToString(got);
    for (std::size_t i = 0; i < d.ports.size(); ++i) {
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(d.ports[i].name, want[i].name);
        EXPECT_EQ(d.ports[i].stable(), want[i].stable);
        EXPECT_EQ(d.ports[i].node, dev(want[i].name));
        EXPECT_EQ(d.ports[i].kind, want[i].kind);
        EXPECT_EQ(r70::describe(d.ports[i]), want[i].description);
    }
}

TEST_F(PortDiscovery, TheMapPutsTheChoiceFirstAndTheSearchOrderAfter) {
    FakeMachine& m = *machine_;
    for (int i = 0; i < 9; ++i) { // more ports than COM names
        FakeMachine::Usb u;
        u.serial = "S" + std::to_string(i);
        u.bus = "1-" + std::to_string(i + 1);
        m.addUsb("ttyUSB" + std::to_string(i), u);
        m.link("by-id", "usb-FTDI_" + u.serial, "ttyUSB" + std::to_string(i));
    }
    m.addBuiltin("ttyS0", "4");
    const r70::Discovery d = discover();
    const std::string usb = dev("serial/by-id/usb-FTDI_S");
    struct Case {
        std::string chosen;
        std::vector<std::string> first; // COM1, COM2, ...
        bool missing;
    } cases[] = {
        {"", {usb + "0", usb + "1", usb + "2"}, false},
        // The built-in port chosen by its node: COM1, and not a second time later.
        {dev("ttyS0"), {dev("ttyS0"), usb + "0", usb + "1"}, false},
        // Chosen by a node that a by-id name stands for: the choice as given.
        {dev("ttyUSB5"), {dev("ttyUSB5"), usb + "0", usb + "1"}, false},
        {dev("serial/by-id/usb-Unplugged"), {usb + "0", usb + "1", usb + "2"}, true},
        // A network port, its scheme in any case, is never missing.
        {"RFC2217://box:2000", {"RFC2217://box:2000", usb + "0", usb + "1"}, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        const r70::ComMap map = r70::buildComMap(c.chosen, d);
        EXPECT_EQ(map.chosenMissing, c.missing);
        for (std::size_t i = 0; i < c.first.size(); ++i)
            EXPECT_EQ(map.entries[i].path, c.first[i]) << "COM" << i + 1;
        for (const auto& e : map.entries)
            EXPECT_FALSE(e.path.empty()); // ten ports fill all eight names
        int chosenTimes = 0;
        for (const auto& e : map.entries)
            chosenTimes += e.port != nullptr && e.port == map.entries[0].port;
        EXPECT_EQ(chosenTimes, map.entries[0].port != nullptr ? 1 : 0);
    }

    // Without sysfs (a container), the fixed map after the choice.
    const r70::Discovery none = r70::discoverPorts((root_ / "nosys").string(), dev(""));
    EXPECT_FALSE(none.sysfsReadable);
    const r70::ComMap fixed = r70::buildComMap("rfc2217://host:2000", none);
    EXPECT_EQ(fixed.entries[0].path, "rfc2217://host:2000");
    EXPECT_EQ(fixed.entries[1].path, "/dev/ttyS0");
    EXPECT_EQ(fixed.entries[7].path, "/dev/ttyS2");
}

// An adapter that comes back under another node is found by its serial
// number even when it has no udev name; without one, by its stable name.
TEST_F(PortDiscovery, APortIsFoundAgainUnderANewNode) {
    FakeMachine& m = *machine_;
    FakeMachine::Usb withSerial;
    withSerial.serial = "A1";
    m.addUsb("ttyUSB0", withSerial);
    FakeMachine::Usb noSerial{"067b", "2303", "Prolific", "X", "", "1-2"};
    m.addUsb("ttyUSB1", noSerial);
    m.link("by-path", "usb-0:2", "ttyUSB1");
    const r70::Discovery before = discover();
    const r70::SerialPortInfo serialPort = *r70::findPort(before, dev("ttyUSB0"));
    const r70::SerialPortInfo pathPort = *r70::findPort(before, dev("ttyUSB1"));

    m.remove("ttyUSB0");
    m.remove("ttyUSB1");
    m.addUsb("ttyUSB1", noSerial);
    m.link("by-path", "usb-0:2", "ttyUSB1");
    withSerial.bus = "1-7"; // another socket, another node
    m.addUsb("ttyUSB5", withSerial);
    const r70::Discovery after = discover();
    const r70::ComMap map = r70::buildComMap("", after);
    const int s = r70::findAgain(map, serialPort);
    ASSERT_GE(s, 0);
    EXPECT_EQ(map.entries[static_cast<std::size_t>(s)].port->node, dev("ttyUSB5"));
    const int p = r70::findAgain(map, pathPort);
    ASSERT_GE(p, 0);
    EXPECT_EQ(map.entries[static_cast<std::size_t>(p)].path, dev("serial/by-path/usb-0:2"));
    m.remove("ttyUSB5");
    EXPECT_EQ(r70::findAgain(r70::buildComMap("", discover()), serialPort), -1);
}

} // namespace
