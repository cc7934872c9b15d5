// Finding the adapter on a machine of its own: a fake sysfs and /dev whose
// node leads to the simulated device. The driver finds it under its stable
// name, finds it again after a replug under another node, and quorvex-cli
// lists and probes the ports.
#include "cli_run.h"
#include "driver/r70com32.h"
#include "sim/sim_device.h"
#include "support/fake_line.h"
#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace {

namespace fs = std::filesystem;
using quorvex::sim::Model;
using quorvex::sim::SimDevice;
using quorvex::sim::SimOptions;

class Ports : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("r70ports_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        machine_.emplace(dir_ / "machine");
        fs::create_directories(dir_ / "home");
        ::setenv("R70COM_ROOT", (dir_ / "machine").c_str(), 1);
        ::unsetenv("R70COM_PORTS");
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        D_ChoosePort(nullptr);
        dev_.reset();
        ::unsetenv("R70COM_ROOT");
        fs::remove_all(dir_);
    }
    // The simulated device behind tty, linked at dir/<link>.
    void plug(const std::string& link) {
        SimOptions o;
        o.model = Model::R70Usb;
        o.link = (dir_ / link).string();
        o.pacing = false;
        dev_ = std::make_unique<SimDevice>(o);
        std::string why;
        ASSERT_TRUE(dev_->start(&why)) << why;
    }
    std::string dev(const std::string& rest) const { return (machine_->dev() / rest).string(); }
    std::string comPath(int index) const {
        char path[1024] = {};
        return D_PortPath(index, path, sizeof path) < 0 ? "" : path;
    }

    fs::path dir_;
    std::optional<FakeMachine> machine_;
    std::unique_ptr<SimDevice> dev_;
};

const FakeMachine::Usb kAdapter{"0403", "6015", "Orva", "R70-USB", "R7U0001", "1-1"};

// The adapter comes back as another node; with a by-id name it keeps its name,
// without one (no udev) it is found by its serial number, while another
// adapter has taken its COM name.
TEST_F(Ports, AReplugUnderAnotherNodeIsFoundAgain) {
    for (const bool byId : {true, false}) {
        SCOPED_TRACE(byId ? "by-id" : "no udev");
        plug("simA");
        FakeMachine::Usb other{"067b", "2303", "Prolific", "X", "", "1-9"};
        FakeLine otherLine; // another adapter, with nothing behind it
        machine_->addUsb("ttyUSB3", other, otherLine.path());
        machine_->addUsb("ttyUSB0", kAdapter, (dir_ / "simA").string());
        const std::string name = "usb-Orva_R70-USB_R7U0001-if00-port0";
        if (byId) machine_->link("by-id", name, "ttyUSB0");
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
        ASSERT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
        DRVPARAM id{};
        D_SendDrvCmd(DRV_IDENT, &id);
        EXPECT_EQ(comPath(id.nPort), byId ? dev("serial/by-id/" + name) : dev("ttyUSB0"));

        dev_->unplug();
        machine_->remove("ttyUSB0");
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1);
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1); // gone: the reopen fails too
        std::string why;
        ASSERT_TRUE(dev_->replug(&why, (dir_ / "simB").string())) << why;
        machine_->addUsb("ttyUSB5", kAdapter, (dir_ / "simB").string());
        if (byId) machine_->link("by-id", name, "ttyUSB5");
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
        D_SendDrvCmd(DRV_IDENT, &id);
        EXPECT_EQ(comPath(id.nPort), byId ? dev("serial/by-id/" + name) : dev("ttyUSB5"));
        EXPECT_EQ(fs::canonical(comPath(id.nPort)), fs::canonical(dir_ / "simB"));

        D_SendDrvCmd(DRV_CLOSE, nullptr);
        dev_.reset();
        machine_->remove("ttyUSB5");
        machine_->remove("ttyUSB3");
    }
}

TEST_F(Ports, TheCommandLineListsAndProbesThePorts) {
    plug("simA");
    const std::string name = "usb-Orva_R70-USB_R7U0001-if00-port0";
    machine_->addUsb("ttyUSB0", kAdapter, (dir_ / "simA").string());
    machine_->link("by-id", name, "ttyUSB0");
    machine_->addBuiltin("ttyS0", "4");
    machine_->addBuiltin("ttyS1", "0");
    const std::string byId = dev("serial/by-id/" + name), ttyS0 = dev("ttyS0");
    const std::string winIni = (dir_ / "home" / "win.ini").string();
    // A path with ';' (a link to the device) and one longer than the driver takes.
    const std::string semicolon = (dir_ / "a;b").string();
    fs::create_symlink(dir_ / "simA", semicolon);
    const std::string tooLong = "/tmp/" + std::string(600, 'x');
    const std::string usbLine =
        "COM1  " + byId + " -> " + dev("ttyUSB0") + "  (Orva R70-USB, 0403:6015, serial R7U0001)";
    struct Case {
        const char* what;
        std::vector<std::string> args;
        std::string chosen; // stored in win.ini
        int status;
        std::vector<std::string> out, err; // lines or parts of lines, in this order
        std::string ports = "";            // R70COM_PORTS
    } cases[] = {
        {"list", {"ports"}, "", 0, {"  " + usbLine, "  COM2  " + ttyS0 + "\n"}, {}},
        {"the choice first", {"ports"}, ttyS0, 0, {"* COM1  " + ttyS0, "  COM2  " + byId}, {}},
        {"a missing choice",
         {"ports"},
         "/dev/serial/by-id/usb-Unplugged",
         0,
         {"  " + usbLine},
         {"The chosen port /dev/serial/by-id/usb-Unplugged is not present; searching all ports."}},
        {"probe",
         {"ports", "--probe"},
         "",
         0,
         {"COM1 (" + byId + "): R70-USB, firmware", "COM2 (" + ttyS0 + "): not a serial line"},
         {}},
        {"identify by a stable path",
         {"identify", "--port", ttyS0},
         "",
         0,
         {"COM2 (" + byId + ")"},
         {}},
        {"a bad --port", {"ports", "--port", "COM9=x"}, "", 2, {}, {"--port wants"}},
        {"--port marks its port, not the stored choice",
         {"ports", "--port", byId},
         ttyS0,
         0,
         {"* COM1  " + byId, "\n  COM2  " + ttyS0},
         {}},
        {"a path with ';'",
         {"ports", "--probe", "--port", semicolon},
         "",
         0,
         {"COM1 (" + semicolon + "): R70-USB, firmware"},
         {}},
        {"a path too long",
         {"identify"},
         "",
         2,
         {},
         {"): the path is longer than 511 characters"},
         "COM1=" + tooLong},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove(winIni);
        if (!c.chosen.empty()) std::ofstream(winIni) << "[QuorvexCom]\nPort=" << c.chosen << "\n";
        const auto run = clitest::runCli(c.args,
                                         {{"QUORVEX_HOME", (dir_ / "home").string()},
                                          {"R70COM_ROOT", (dir_ / "machine").string()},
                                          {"R70COM_PORTS", c.ports}},
                                         dir_);
        EXPECT_EQ(run.status, c.status) << run.out << run.err;
        std::size_t at = 0;
        for (const std::string& part : c.out) {
            at = run.out.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << "\n" << run.out;
            if (at == std::string::npos) break;
        }
        for (const std::string& part : c.err)
            EXPECT_NE(run.err.find(part), std::string::npos) << part << "\n" << run.err;
    }

    // A machine without serial ports.
    dev_.reset();
    for (const char* tty : {"ttyUSB0", "ttyS0", "ttyS1"})
        machine_->remove(tty);
    for (const auto& args : {std::vector<std::string>{"ports"}, {"ports", "--probe"}}) {
        const auto run = clitest::runCli(args,
                                         {{"QUORVEX_HOME", (dir_ / "home").string()},
                                          {"R70COM_ROOT", (dir_ / "machine").string()},
                                          {"R70COM_PORTS", ""}},
                                         dir_);
        EXPECT_EQ(run.status, 1) << run.out << run.err;
        EXPECT_NE(run.out.find("No serial port was found on this machine."), std::string::npos)
            << run.out;
    }
}

} // namespace
