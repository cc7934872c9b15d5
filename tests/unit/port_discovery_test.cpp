// The machine's serial ports from a fake sysfs and /dev, and the COM map the
// search walks over them.
#include "driver/ports/port_discovery.h"
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
    m.addBuiltin("ttyS0", "4");  // a 16550A, the kernel's console
    m.addBuiltin("ttyS10", "4"); // natural order: after ttyS2
    m.addBuiltin("ttyS2", "4");
    m.addBuiltin("ttyS1", "0");  // no UART behind it
    m.addBuiltin("ttyAMA0", ""); // not a serial core port with a type file
    m.addVirtual("tty1");
    m.setConsole("tty0 ttyS0");
    m.link("by-id", "usb-Gone_Adapter_X-if00-port0", "ttyUSB9"); // dangling

    const r70::Discovery d = discover();
    ASSERT_TRUE(d.sysfsReadable);
    struct Row {
        const char* name;
        std::string stable;
        PortKind kind;
        const char* description;
        r70::LeftOut leftOut = r70::LeftOut::No;
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
        {"ttyS0", dev("ttyS0"), PortKind::Builtin, "", r70::LeftOut::Console},
        {"ttyS2", dev("ttyS2"), PortKind::Builtin, ""},
        {"ttyS10", dev("ttyS10"), PortKind::Builtin, ""},
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
        EXPECT_EQ(d.ports[i].leftOut, want[i].leftOut);
    }
    // The console gets no COM name.
    const r70::ComMap map = r70::buildComMap("", d);
    for (const auto& e : map.entries)
        EXPECT_NE(e.path, dev("ttyS0"));
    EXPECT_EQ(map.entries[6].path, dev("ttyS2"));
}

TEST(NaturalOrder, DigitRunsCompareAsNumbers) {
    const std::pair<const char*, const char*> less[] = {
        {"ttyS2", "ttyS10"},   {"ttyS9", "ttyS10"}, {"ttyS02", "ttyS3"}, {"ttyS1", "ttyS1a"},
        {"ttyACM", "ttyACM0"}, {"a10b2", "a10b10"}, {"ttyS10", "ttyT1"},
    };
    for (const auto& [a, b] : less) {
        EXPECT_TRUE(r70::naturalLess(a, b)) << a << " < " << b;
        EXPECT_FALSE(r70::naturalLess(b, a)) << b << " < " << a;
    }
    EXPECT_FALSE(r70::naturalLess("ttyS3", "ttyS3"));
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
        std::size_t unnamed = 2; // of the ten ports
    } cases[] = {
        {"", {usb + "0", usb + "1", usb + "2"}, false},
        // The built-in port chosen by its node: COM1, and not a second time later.
        {dev("ttyS0"), {dev("ttyS0"), usb + "0", usb + "1"}, false},
        // Chosen by a node that a by-id name stands for: the choice as given.
        {dev("ttyUSB5"), {dev("ttyUSB5"), usb + "0", usb + "1"}, false},
        {dev("serial/by-id/usb-Unplugged"), {usb + "0", usb + "1", usb + "2"}, true},
        // A network port, its scheme in any case, is never missing; it takes
        // a name from the machine's ports.
        {"RFC2217://box:2000", {"RFC2217://box:2000", usb + "0", usb + "1"}, false, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.chosen);
        const r70::ComMap map = r70::buildComMap(c.chosen, d);
        EXPECT_EQ(map.chosenMissing, c.missing);
        for (std::size_t i = 0; i < c.first.size(); ++i)
            EXPECT_EQ(map.entries[i].path, c.first[i]) << "COM" << i + 1;
        for (const auto& e : map.entries)
            EXPECT_FALSE(e.path.empty()); // ten ports fill all eight names
        EXPECT_EQ(map.unnamed.size(), c.unnamed);
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

// Where a lost adapter may be now: its own names, then newcomers of its make
// since the loss; never a port that was there and was not the device (its
// twin takes the shared by-id name), nor a board of another make.
TEST_F(PortDiscovery, ALostPortIsLookedForOnlyWhereItCanBe) {
    FakeMachine& m = *machine_;
    const FakeMachine::Usb twin{"1a86", "7523", "", "USB Serial", "", "1-1"};
    const std::string sharedId = "usb-1a86_USB_Serial-if00-port0";
    auto plug = [&](const std::string& tty, const std::string& bus, bool links = true) {
        FakeMachine::Usb u = twin;
        u.bus = bus;
        m.addUsb(tty, u);
        if (links) m.link("by-path", "usb-0:" + bus, tty);
    };
    plug("ttyUSB0", "1-1"); // the device
    plug("ttyUSB1", "1-2"); // its twin
    m.link("by-id", sharedId, "ttyUSB0");
    plug("ttyUSB6", "1-6", false); // no udev: only the USB path
    FakeMachine::Usb withSerial;
    withSerial.serial = "A1";
    withSerial.bus = "1-5";
    m.addUsb("ttyUSB3", withSerial);
    m.addBuiltin("ttyS0", "4");
    const r70::Discovery before = discover();
    auto known = [&](const std::string& node) {
        const r70::SerialPortInfo* port = r70::findPort(before, dev(node));
        r70::KnownPort k{port->stable(), *port, {}};
        for (const auto& p : before.ports)
            k.presentWhenFound.push_back(p.appearance);
        return k;
    };
    const r70::KnownPort device = known("ttyUSB0"), serial = known("ttyUSB3"),
                         builtin = known("ttyS0"), noUdev = known("ttyUSB6");
    std::vector<std::string> atLoss;
    auto lose = [&](const std::string& tty) {
        m.remove(tty);
        atLoss.clear();
        for (const auto& p : discover().ports)
            atLoss.push_back(p.appearance);
    };
    // The nodes the candidates stand for, best first; "+" marks a newcomer.
    auto candidates = [&](const r70::KnownPort& k) {
        const r70::Discovery now = discover();
        const r70::ComMap map = r70::buildComMap("", now);
        std::vector<std::string> nodes;
        for (const r70::Candidate& c : r70::findAgain(map, k, atLoss))
            nodes.push_back((c.own ? "" : "+") +
                            map.entries[static_cast<std::size_t>(c.index)].port->node);
        return nodes;
    };
    using Nodes = std::vector<std::string>;
    EXPECT_EQ(candidates(builtin), Nodes{dev("ttyS0")});

    // Unplugged: udev gives the shared name to the twin, which is never tried.
    lose("ttyUSB0");
    m.link("by-id", sharedId, "ttyUSB1");
    EXPECT_EQ(candidates(device), Nodes{});
    // A board of another make on ttyACM0, after the loss: never.
    m.addUsb("ttyACM0", {"2341", "0043", "Arduino", "Uno", "", "1-9", "cdc_acm"});
    EXPECT_EQ(candidates(device), Nodes{});

    struct Row {
        const char* what;
        std::string tty, bus;
        Nodes want;
    } rows[] = {
        {"back in its socket under a new node", "ttyUSB2", "1-1", {dev("ttyUSB2")}},
        {"in another socket: a newcomer of its make", "ttyUSB4", "1-4", {"+" + dev("ttyUSB4")}},
        {"under its old node in another socket", "ttyUSB0", "1-7", {"+" + dev("ttyUSB0")}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.what);
        plug(r.tty, r.bus);
        EXPECT_EQ(candidates(device), r.want);
        m.remove(r.tty);
    }
    // The twin replugged is a new appearance of the make: a newcomer.
    m.remove("ttyUSB1");
    plug("ttyUSB1", "1-2");
    EXPECT_EQ(candidates(device), Nodes{"+" + dev("ttyUSB1")});

    // Without udev links, the USB path is the socket.
    lose("ttyUSB6");
    plug("ttyUSB8", "1-6", false);
    EXPECT_EQ(candidates(noUdev).front(), dev("ttyUSB8"));

    // A serial number finds its adapter under any node; another adapter of the
    // make with another serial number is not the device.
    lose("ttyUSB3");
    FakeMachine::Usb other = withSerial;
    other.serial = "B2";
    other.bus = "1-8";
    m.addUsb("ttyUSB9", other);
    withSerial.bus = "1-7";
    m.addUsb("ttyUSB5", withSerial);
    EXPECT_EQ(candidates(serial), Nodes{dev("ttyUSB5")});
    lose("ttyS0");
    EXPECT_EQ(candidates(builtin), Nodes{}) << "a built-in port goes by its node alone";
}

// A search that found nothing waits longer each round: 1, 2, 4 ... 30 s.
TEST(SearchBackoff, DoublesUpToHalfAMinute) {
    const std::pair<int, int> rows[] = {{1, 1000},  {2, 2000},  {3, 4000},   {5, 16000},
                                        {6, 30000}, {7, 30000}, {100, 30000}};
    for (const auto& [rounds, ms] : rows)
        EXPECT_EQ(r70::searchBackoffMs(rounds), ms) << rounds;
}

} // namespace
