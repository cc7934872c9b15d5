// The driver and quorvex-cli on machines as users have them: a fake sysfs
// and /dev whose nodes are pseudo-terminals (fake_machine.h, fake_line.h) -
// the kernel's console, a getty, a Bluetooth UART, a terminal program's line,
// ports held exclusively or by a lock file, twin adapters without serial
// numbers, a device that needs a moment after a replug - and the simulated
// device behind one of them. Everything goes through the library's own
// functions, and the command line runs as a child process.
#include "cli_run.h"
#include "core/detection.h"
#include "core/port_access.h"
#include "driver/api/r70com32.h"
#include "sim/sim_device.h"
#include "support/fake_line.h"
#include "support/fake_machine.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstring>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <thread>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using quorvex::sim::Model;
using quorvex::sim::SimDevice;
using quorvex::sim::SimOptions;

constexpr int kNullDiscipline = 27; // N_NULL: a line discipline of the kernel's own

class Machine : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("r70machine_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        machine_.emplace(dir_ / "machine");
        fs::create_directories(dir_ / "machine" / "var" / "lock");
        fs::create_directories(dir_ / "home");
        ::setenv("R70COM_ROOT", (dir_ / "machine").c_str(), 1);
        ::unsetenv("R70COM_PORTS");
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        D_ChoosePort(nullptr);
        sim_.reset();
        lines_.clear();
        ::unsetenv("R70COM_ROOT");
        fs::remove_all(dir_);
    }

    // The simulated device, linked at dir/<link>; the machine's node points there.
    void plug(const std::string& link, std::chrono::milliseconds startSilence = 0ms) {
        if (!sim_) {
            SimOptions o;
            o.model = Model::R70Usb;
            o.link = link;
            o.pacing = false;
            sim_ = std::make_unique<SimDevice>(o);
        }
        sim_->setFaults({.startSilence = startSilence});
        std::string why;
        ASSERT_TRUE(sim_->running() ? true : sim_->replug(&why, link)) << why;
    }
    std::string at(const std::string& name) const { return (dir_ / name).string(); }
    // What every machine has: the kernel's console on ttyS0, a getty on ttyS1.
    bool addConsoleAndGetty() {
        machine_->addBuiltin("ttyS0", "4", line("console").path());
        machine_->setConsole("tty0 ttyS0");
        machine_->addBuiltin("ttyS1", "4", line("getty").path());
        return line("getty").runGetty();
    }
    FakeLine& line(const std::string& name) {
        auto& l = lines_[name];
        if (!l) l = std::make_unique<FakeLine>();
        return *l;
    }
    std::string dev(const std::string& rest) const { return (machine_->dev() / rest).string(); }
    static std::string comPath(int index) {
        char path[DRV_MAX_PATH] = {};
        return D_PortPath(index, path, sizeof path) < 0 ? "" : path;
    }
    static DRVPORTREASON reason(int index) {
        DRVPORTREASON r{};
        D_PortReason(index, &r);
        return r;
    }
    clitest::CliRun cli(std::vector<std::string> args) const {
        return clitest::runCli(args,
                               {{"QUORVEX_HOME", (dir_ / "home").string()},
                                {"R70COM_ROOT", (dir_ / "machine").string()},
                                {"R70COM_PORTS", ""}},
                               dir_);
    }
    quorvex::core::PortAccess ports() const {
        return quorvex::core::PortAccess(dir_ / "home" / "win.ini",
                                         {D_PortPath, D_ChoosePort, D_PortReason});
    }

    fs::path dir_;
    std::optional<FakeMachine> machine_;
    std::unique_ptr<SimDevice> sim_;
    std::map<std::string, std::unique_ptr<FakeLine>> lines_;
};

bool sameSettings(const termios& a, const termios& b) {
    return a.c_iflag == b.c_iflag && a.c_oflag == b.c_oflag && a.c_cflag == b.c_cflag &&
           a.c_lflag == b.c_lflag && cfgetispeed(&a) == cfgetispeed(&b) &&
           std::memcmp(a.c_cc, b.c_cc, sizeof a.c_cc) == 0;
}

// Every "AT..." command a line received.
std::vector<std::string> commandsIn(const std::string& bytes) {
    std::vector<std::string> out;
    std::size_t at = 0;
    for (std::size_t cr; (cr = bytes.find('\r', at)) != std::string::npos; at = cr + 1)
        out.push_back(bytes.substr(at, cr - at));
    return out;
}

// No device anywhere: the console and a getty's line are not even opened, a
// line driven through another line discipline or held by another program is
// left as it was, and the one line that is free gets the identification and
// its own settings back. Each says why, in both languages.
TEST_F(Machine, TheSearchLeavesAloneWhatBelongsToTheSystemOrAnotherProgram) {
    FakeMachine& m = *machine_;
    ASSERT_TRUE(addConsoleAndGetty());
    m.addBuiltin("ttyS2", "4", line("bluetooth").path());
    const bool discipline = line("bluetooth").setDiscipline(kNullDiscipline);
    m.addBuiltin("ttyS3", "4", line("terminal").path());
    line("terminal").holdCooked();
    const termios before = line("terminal").settings();
    m.addBuiltin("ttyS4", "4", line("exclusive").path());
    ASSERT_TRUE(line("exclusive").holdExclusive());
    const std::string lockFile = (dir_ / "machine" / "var" / "lock" / "LCK..ttyS5").string();
    m.addBuiltin("ttyS5", "4", line("locked").path());
    ASSERT_TRUE(line("locked").holdWithLockFile(lockFile));

    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    for (const char* name : {"console", "getty", "exclusive", "locked"})
        EXPECT_EQ(line(name).received(), "") << name;
    if (discipline) {
        EXPECT_EQ(line("bluetooth").received(), "");
    }
    EXPECT_EQ(commandsIn(line("terminal").received()), (std::vector<std::string>{"ATE0", "ATE0"}));
    EXPECT_TRUE(sameSettings(line("terminal").settings(), before)) << "its own settings back";

    // The console and the getty get no COM name: COM1 is ttyS2.
    struct Row {
        int com;
        std::string path;
        int code, why, pid;
    } rows[] = {
        {1, dev("ttyS2"), discipline ? DRV_OPENERR_LEFTALONE : DRV_OPENERR_NOANSWER,
         discipline ? DRV_WHY_DISCIPLINE : DRV_WHY_NONE, 0},
        {2, dev("ttyS3"), DRV_OPENERR_NOANSWER, DRV_WHY_NONE, 0},
        {3, dev("ttyS4"), DRV_OPENERR_BUSY, DRV_WHY_HOLDER, line("exclusive").holderPid()},
        {4, dev("ttyS5"), DRV_OPENERR_BUSY, DRV_WHY_LOCKFILE, line("locked").holderPid()},
        {5, "", DRV_OPENERR_ABSENT, DRV_WHY_NOPORT, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE("COM" + std::to_string(r.com));
        const DRVPORTREASON got = reason(r.com - 1);
        EXPECT_EQ(comPath(r.com - 1), r.path);
        EXPECT_EQ(got.nCode, r.code);
        EXPECT_EQ(got.nWhy, r.why);
        EXPECT_EQ(got.nPid, r.pid);
        // The program's English line is the driver's own.
        char english[1024];
        D_LastOpenError(r.com - 1, english, sizeof english);
        EXPECT_EQ(quorvex::core::triedLine(r.com - 1, got, 0), english);
    }
    if (discipline) {
        EXPECT_EQ(reason(0).nNumber, kNullDiscipline);
    }
    EXPECT_STREQ(reason(3).szDetail, lockFile.c_str());

    // The no-response dialog's lines.
    const auto access = ports();
    const auto english = quorvex::core::triedPortLines(access, 0);
    const auto german = quorvex::core::triedPortLines(access, 1);
    ASSERT_EQ(english.size(), 4u);
    ASSERT_EQ(german.size(), 4u);
    const std::string pid = std::to_string(line("exclusive").holderPid());
    EXPECT_EQ(english[2].rfind("COM3 (" + dev("ttyS4") + "): busy — process " + pid + " (", 0), 0u)
        << english[2];
    EXPECT_EQ(german[2].rfind("COM3 (" + dev("ttyS4") + "): belegt — Prozess " + pid + " (", 0), 0u)
        << german[2];
    EXPECT_NE(german[1].find("keine Antwort"), std::string::npos) << german[1];
    EXPECT_NE(german[3].find("hat ihn gesperrt (" + lockFile + ")"), std::string::npos)
        << german[3];
    if (discipline) {
        EXPECT_NE(english[0].find("left alone — another program drives it (line discipline 27)"),
                  std::string::npos);
        EXPECT_NE(german[0].find("nicht angetastet — ein anderes Programm betreibt ihn"),
                  std::string::npos);
    }

    // quorvex-cli ports says what it leaves out and why.
    const std::string getty = std::to_string(line("getty").holderPid());
    for (const auto& [lang, console, login] :
         {std::tuple{"en", "left alone — it is the system console",
                     "left alone — a login runs on it (the terminal of process " + getty},
          std::tuple{"de", "nicht angetastet — es ist die Systemkonsole",
                     "nicht angetastet — eine Anmeldung läuft darauf (das Terminal von Prozess " +
                         getty}}) {
        const auto run = cli({"ports", "--lang", lang});
        EXPECT_EQ(run.status, 0) << run.err;
        EXPECT_NE(run.out.find("  -     " + dev("ttyS0") + "  " + console), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("  -     " + dev("ttyS1") + "  " + login), std::string::npos)
            << run.out;
        EXPECT_NE(run.out.find("  COM1  " + dev("ttyS2")), std::string::npos) << run.out;
    }
    for (const char* name : {"console", "getty", "exclusive", "locked"})
        EXPECT_EQ(line(name).received(), "") << name << " after quorvex-cli ports";

    // The locking program is gone; its file is stale: the port is used, our
    // own lock stands while it is open and goes with it.
    line("locked").release();
    line("exclusive").release();
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    EXPECT_EQ(commandsIn(line("locked").received()), (std::vector<std::string>{"ATE0", "ATE0"}));
    if (::geteuid() == 0) { // root passes the flag the exclusive holder left behind
        EXPECT_EQ(commandsIn(line("exclusive").received()),
                  (std::vector<std::string>{"ATE0", "ATE0"}));
    }
    EXPECT_EQ(reason(3).nCode, DRV_OPENERR_NOANSWER);
    EXPECT_FALSE(fs::exists(lockFile));
}

// "Try Again" probes every COM name for a boot loader (DTR low for 5 s, then
// 19200 baud): a line another program has open (a terminal program in a
// process of its own, no lock; one holding it exclusively or by a lock file)
// is left alone and named with its holder; the console and a getty have no
// COM name at all. None of them hears a byte or loses its settings.
TEST_F(Machine, TheBootProbeLeavesAloneWhatOthersHaveOpen) {
    FakeMachine& m = *machine_;
    ASSERT_TRUE(addConsoleAndGetty());
    m.addUsb("ttyACM0", {"2341", "0043", "Arduino", "Uno", "", "1-3", "cdc_acm"},
             line("terminal").path());
    ASSERT_TRUE(line("terminal").holdOpen());
    m.addBuiltin("ttyS4", "4", line("exclusive").path());
    ASSERT_TRUE(line("exclusive").holdExclusive());
    const std::string lockFile = (dir_ / "machine" / "var" / "lock" / "LCK..ttyS5").string();
    m.addBuiltin("ttyS5", "4", line("locked").path());
    ASSERT_TRUE(line("locked").holdWithLockFile(lockFile));
    std::map<std::string, termios> before;
    for (const char* name : {"console", "getty", "terminal", "exclusive", "locked"})
        before[name] = line(name).settings();

    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    for (auto& [name, l] : lines_)
        l->received();
    auto access = ports();
    const auto probe = quorvex::core::probeBootLoaders(D_SendDrvCmd, &access);
    EXPECT_FALSE(probe.bootLoaderFound);
    EXPECT_TRUE(probe.allPortsAnsweredNone);
    for (const char* name : {"console", "getty", "terminal", "exclusive", "locked"}) {
        EXPECT_EQ(line(name).received(), "") << name;
        EXPECT_TRUE(sameSettings(line(name).settings(), before[name])) << name;
    }
    const std::string terminal = std::to_string(line("terminal").holderPid());
    const std::string exclusive = std::to_string(line("exclusive").holderPid());
    const std::string locked = std::to_string(line("locked").holderPid());
    struct Row {
        int lang;
        std::vector<std::string> parts; // in this order
    } rows[] = {
        {0,
         {"Not probed for a modem in its boot loader:",
          "COM1 (" + dev("ttyACM0") + "): left alone — process " + terminal + " (", ") has it open",
          "COM2 (" + dev("ttyS4") + "): left alone — process " + exclusive,
          "COM3 (" + dev("ttyS5") + "): left alone — process " + locked}},
        {1,
         {"Nicht nach einem Modem im Boot-Loader abgefragt:",
          "COM1 (" + dev("ttyACM0") + "): nicht angetastet — Prozess " + terminal + " (",
          ") hat ihn geöffnet"}},
    };
    for (const Row& r : rows) {
        const auto lines = quorvex::core::triedPortLines(access, r.lang);
        std::string all;
        for (const std::string& l : lines)
            all += l + "\n";
        std::size_t at = 0;
        for (const std::string& part : r.parts) {
            at = all.find(part, at);
            EXPECT_NE(at, std::string::npos) << part << "\n" << all;
            if (at == std::string::npos) break;
        }
    }
    // The driver's own line says the same.
    char english[1024];
    D_LastOpenError(0, english, sizeof english);
    EXPECT_NE(std::string(english).find("left alone — process " + terminal), std::string::npos)
        << english;
}

// The heartbeat's tick: one command once a second, timed. What the program
// does while the device is lost.
struct Ticks {
    std::chrono::milliseconds longest{0};
    int count = 0;
};
template <typename Tick> bool tickUntil(Tick tick, std::chrono::seconds bound, Ticks& ticks) {
    const auto end = std::chrono::steady_clock::now() + bound;
    auto next = std::chrono::steady_clock::now();
    while (std::chrono::steady_clock::now() < end) {
        std::this_thread::sleep_until(next); // the heartbeat's period, not a wait for an event
        next += 1s;
        const auto start = std::chrono::steady_clock::now();
        const bool done = tick();
        const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(
            std::chrono::steady_clock::now() - start);
        ticks.longest = std::max(ticks.longest, took);
        ++ticks.count;
        if (done) return true;
    }
    return false;
}

// A tick is bounded by a quarter of a second (bench/driver_bench lost
// measures it); asserted generously for a loaded machine.
constexpr auto kTickBound = 1500ms;

// The R70-USB is pulled out on a machine with a console, a getty, a silent
// built-in port and the adapter's twin (same make, no serial numbers: udev
// gives their shared by-id name to the twin); a board of another make comes
// up on ttyACM0 meanwhile. The device comes back as another node - in its
// socket, deaf for its first seconds, or in another socket - and is found by
// its own names or as a newcomer of its make; nothing else hears a byte, and
// no tick holds the program long. The command that finds the line hung up
// looks for the device itself, whatever command it is.
TEST_F(Machine, ALostDeviceIsFoundAgainOnlyWhereItCanBe) {
    struct Scenario {
        const char* what;
        std::string bus; // where it is plugged back in
        uint16_t code;   // what the program sends meanwhile
        std::chrono::milliseconds deaf;
    } scenarios[] = {
        {"the same socket, deaf at first, the heartbeat", "1-1", DRV_PING2, 2500ms},
        {"another socket, a page's query", "1-4", DRV_MSN, 0ms},
    };
    FakeMachine& m = *machine_;
    const FakeMachine::Usb adapter{"1a86", "7523", "", "USB Serial", "", "1-1"};
    const std::string sharedId = "usb-1a86_USB_Serial-if00-port0";
    auto plugAdapter = [&](const std::string& tty, const std::string& bus,
                           const std::string& target) {
        FakeMachine::Usb u = adapter;
        u.bus = bus;
        m.addUsb(tty, u, target);
        return m.link("by-path", "pci-0000:00:14.0-usb-0:" + bus + ":1.0-port0", tty);
    };
    // Answered is what the device said to the command, or -2 / -1.
    auto send = [](uint16_t code) {
        if (code == DRV_PING2) return D_SendDrvCmd(code, nullptr) == 1;
        DRVPARAM p{};
        p.nPort = 11;
        return D_SendDrvCmd(code, &p) == 0 && p.bReply == 1;
    };
    const char* others[] = {"console", "getty", "twin", "builtin", "foreign"};
    for (const Scenario& s : scenarios) {
        SCOPED_TRACE(s.what);
        ASSERT_TRUE(addConsoleAndGetty());
        plug(at("simA"));
        plugAdapter("ttyUSB0", "1-1", at("simA"));
        m.link("by-id", sharedId, "ttyUSB0");
        plugAdapter("ttyUSB1", "1-2", line("twin").path());
        m.addBuiltin("ttyS2", "4", line("builtin").path());
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
        EXPECT_EQ(comPath(0), dev("serial/by-id/" + sharedId));
        for (const char* o : others)
            line(o).received();

        sim_->unplug();
        m.remove("ttyUSB0");
        m.link("by-id", sharedId, "ttyUSB1"); // udev gives the shared name to the twin
        m.addUsb("ttyACM0", {"2341", "0043", "Arduino", "Uno", "", "1-9", "cdc_acm"},
                 line("foreign").path());
        Ticks gone;
        EXPECT_FALSE(tickUntil([&] { return send(s.code); }, 5s, gone)) << "gone";

        plug(at("simB"), s.deaf);
        const std::string byPath = plugAdapter("ttyUSB2", s.bus, at("simB"));
        const auto start = std::chrono::steady_clock::now();
        Ticks back;
        EXPECT_TRUE(tickUntil([&] { return send(s.code); }, 40s, back)) << "found again";
        if (s.deaf > 0ms) {
            EXPECT_GE(std::chrono::steady_clock::now() - start, s.deaf - 500ms)
                << "it was deaf at first";
        }
        for (const Ticks& t : {gone, back})
            EXPECT_LT(t.longest, kTickBound);

        DRVPARAM id{};
        D_SendDrvCmd(DRV_IDENT, &id);
        EXPECT_EQ(comPath(id.nPort), byPath) << "the open port itself";
        EXPECT_EQ(fs::canonical(comPath(id.nPort)), fs::canonical(at("simB")));
        for (const char* o : others)
            EXPECT_EQ(line(o).received(), "") << o;

        D_SendDrvCmd(DRV_CLOSE, nullptr);
        sim_.reset();
        lines_.clear();
        for (const char* tty : {"ttyUSB1", "ttyUSB2", "ttyS0", "ttyS1", "ttyS2", "ttyACM0"})
            m.remove(tty);
    }
}

// What comes back where the device was lost does not answer: its own socket
// (the adapter back, the device behind it switched off) is asked again only
// after a back-off of 1, 2, 4 ... s; an adapter of its make in another socket
// is asked once per appearance; each is only asked "ATE0".
TEST_F(Machine, AFailedSearchBacksOff) {
    FakeMachine& m = *machine_;
    const FakeMachine::Usb adapter{"1a86", "7523", "", "USB Serial", "", "1-1"};
    plug(at("simA"));
    m.addUsb("ttyUSB0", adapter, at("simA"));
    m.link("by-path", "usb-0:1-1", "ttyUSB0");
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    sim_->unplug();
    m.remove("ttyUSB0");
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1); // the hang-up: lost
    m.addUsb("ttyUSB1", adapter, line("own").path());
    m.link("by-path", "usb-0:1-1", "ttyUSB1");
    FakeMachine::Usb elsewhere = adapter;
    elsewhere.bus = "1-3";
    m.addUsb("ttyUSB2", elsewhere, line("newcomer").path());
    Ticks ticks;
    EXPECT_FALSE(tickUntil([] { return D_SendDrvCmd(DRV_PING2, nullptr) == 1; }, 16s, ticks));
    EXPECT_LT(ticks.longest, kTickBound);
    const auto own = commandsIn(line("own").received());
    const auto newcomer = commandsIn(line("newcomer").received());
    // Tried at 0, then after 1, 2 and 4 s of back-off (each try waits a tick
    // for the answer): 4 times in 16 ticks, not 16.
    EXPECT_GE(own.size(), 3u);
    EXPECT_LE(own.size(), 5u);
    EXPECT_EQ(newcomer, std::vector<std::string>{"ATE0"});
    for (const std::string& c : own)
        EXPECT_EQ(c, "ATE0");
}

// After a firmware upgrade an adapter on USB leaves the bus and comes back a
// moment later, and the device needs a few seconds more: the reopen waits.
TEST_F(Machine, TheReopenAfterAnUpgradeWaitsForTheDevice) {
    FakeMachine& m = *machine_;
    FakeMachine::Usb adapter{"0403", "6015", "Orva", "R70-USB", "R7U0001", "1-1"};
    plug(at("simA"));
    m.addUsb("ttyUSB0", adapter, at("simA"));
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    sim_->unplug();
    m.remove("ttyUSB0");
    std::thread back([&] {
        std::this_thread::sleep_for(1500ms);
        sim_->setFaults({.startSilence = 2000ms});
        std::string why;
        if (sim_->replug(&why, at("simB"))) m.addUsb("ttyUSB1", adapter, at("simB"));
    });
    const auto start = std::chrono::steady_clock::now();
    const int32_t reopened = D_SendDrvCmd(DRV_REOPEN, nullptr);
    back.join();
    EXPECT_EQ(reopened, 0);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 3000ms);
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
}

// An adapter plugged in after the search, whose name sorts first: the COM
// names stay those of the search until the next one, so COM1 is still the
// open port, and the reopen and the boot probe by index meet the device.
TEST_F(Machine, OneMapPerSearch) {
    FakeMachine& m = *machine_;
    plug(at("simA"));
    m.addUsb("ttyUSB0", {"0403", "6015", "Orva", "R70-USB", "R7U0001", "1-1"}, at("simA"));
    const std::string device = m.link("by-id", "usb-Orva_R70-USB_R7U0001-if00-port0", "ttyUSB0");
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    EXPECT_EQ(comPath(0), device);

    m.addUsb("ttyUSB1", {"0403", "6001", "FTDI", "FT232R USB UART", "A9", "1-2"},
             line("new").path());
    const std::string newcomer =
        m.link("by-id", "usb-FTDI_FT232R_USB_UART_A9-if00-port0", "ttyUSB1");
    DRVPARAM id{};
    D_SendDrvCmd(DRV_IDENT, &id);
    EXPECT_EQ(id.nPort, 0);
    EXPECT_EQ(comPath(id.nPort), device);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), 0);
    EXPECT_EQ(line("new").received(), "");

    // The next search names the ports afresh.
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    D_SendDrvCmd(DRV_IDENT, &id);
    EXPECT_EQ(comPath(0), newcomer);
    EXPECT_EQ(comPath(id.nPort), device);
}

// Ten ports: COM1 to COM8 in natural order, the other two said to be left
// out, with the way to choose one.
TEST_F(Machine, PortsBeyondTheEighthAreNamedAsLeftOut) {
    for (int i = 0; i < 10; ++i)
        machine_->addBuiltin("ttyS" + std::to_string(i), "4");
    for (const auto& [lang, left, hint] :
         {std::tuple{"en", "left out — only eight ports get a COM name",
                     "2 more ports were not searched: only eight get a COM name. Choose the "
                     "adapter's port under Settings... (quorvex-cli: --port PATH)."},
          std::tuple{"de", "ausgelassen — nur acht Anschlüsse bekommen einen COM-Namen",
                     "2 weitere Anschlüsse wurden nicht durchsucht"}}) {
        SCOPED_TRACE(lang);
        const auto run = cli({"ports", "--lang", lang});
        std::size_t at = 0;
        for (int i = 0; i < 8; ++i) {
            at = run.out.find(
                "  COM" + std::to_string(i + 1) + "  " + dev("ttyS" + std::to_string(i)), at);
            EXPECT_NE(at, std::string::npos) << i << "\n" << run.out;
        }
        for (const char* tty : {"ttyS8", "ttyS9"})
            EXPECT_NE(run.out.find("  -     " + dev(tty) + "  " + left), std::string::npos)
                << run.out;
        EXPECT_NE(run.out.find(hint), std::string::npos) << run.out;
    }
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    const auto lines = quorvex::core::triedPortLines(ports(), 1);
    ASSERT_EQ(lines.size(), 9u);
    EXPECT_EQ(lines.back().rfind("2 weitere Anschlüsse wurden nicht durchsucht", 0), 0u);
}

const FakeMachine::Usb kAdapter{"0403", "6015", "Orva", "R70-USB", "R7U0001", "1-1"};

// The adapter comes back as another node; with a by-id name it keeps its name,
// without one (no udev) it is found by its serial number, while another
// adapter has taken its COM name.
TEST_F(Machine, AReplugUnderAnotherNodeIsFoundAgain) {
    for (const bool byId : {true, false}) {
        SCOPED_TRACE(byId ? "by-id" : "no udev");
        plug(at("simA"));
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

        sim_->unplug();
        machine_->remove("ttyUSB0");
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1);
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1); // gone: the reopen fails too
        std::string why;
        ASSERT_TRUE(sim_->replug(&why, (dir_ / "simB").string())) << why;
        machine_->addUsb("ttyUSB5", kAdapter, (dir_ / "simB").string());
        if (byId) machine_->link("by-id", name, "ttyUSB5");
        EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
        D_SendDrvCmd(DRV_IDENT, &id);
        EXPECT_EQ(comPath(id.nPort), byId ? dev("serial/by-id/" + name) : dev("ttyUSB5"));
        EXPECT_EQ(fs::canonical(comPath(id.nPort)), fs::canonical(dir_ / "simB"));

        D_SendDrvCmd(DRV_CLOSE, nullptr);
        sim_.reset();
        machine_->remove("ttyUSB5");
        machine_->remove("ttyUSB3");
    }
}

TEST_F(Machine, TheCommandLineListsAndProbesThePorts) {
    plug(at("simA"));
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
    sim_.reset();
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
