// quorvex-cli behind a USB serial adapter as owners have one: the simulated
// chip (FTDI at 16 ms and at 1 ms, CH340, PL2303) in front of the simulated
// device, on a fake machine where the port is ttyUSB0 with its sysfs, with
// the latency lowerable and stuck. Every answer must be the direct line's,
// byte for byte, and the check must find the device conforming: the
// adapter's rhythm is never the device's fault, and a reply is never cut.
// The faults: a latency_timer that cannot be read, one that holds no number,
// a latency of 255 ms; and every case's pseudo-terminal refuses TIOCSSERIAL.
#include "cli_fixture.h"
#include "support/com3_map.h"
#include "support/usb_adapter_rig.h"
#include "support/wait_for.h"

#include <fcntl.h>
#include <termios.h>

#include <future>
#include <thread>

namespace {

namespace fs = std::filesystem;
namespace sim = quorvex::sim;
using namespace std::chrono_literals;
using clitest::CliRun;
using testsupport::AdapterCase;
using testsupport::TimerFile;

constexpr sim::Model kModel = sim::Model::R30; // four ports with lists: the runs stay short

// A device whose call lists are full (ten entries each, numbers of 15
// digits): an outgoing list is a reply longer than an FTDI read request.
void writeFullDevice(const fs::path& file) {
    sim::DeviceState s = sim::freshState(kModel);
    for (const int port : {11, 21, 22, sim::kDataPort}) {
        auto& lists = s.callLists[port];
        lists = {}; // no more than the ten a list keeps
        for (int i = 0; i < static_cast<int>(sim::kMaxListEntries); ++i) {
            const std::string number = "0301234567890" + std::to_string(10 + i);
            lists[sim::kOutgoing].push_back(
                {"07/03/01", "09:1" + std::to_string(i % 10), number, "OK", 123456 + i});
            lists[sim::kIncoming].push_back(
                {"06/03/01", "18:4" + std::to_string(i % 10), number, "16", 0});
            lists[sim::kNotAnswered].push_back(
                {"05/03/01", "07:5" + std::to_string(i % 10), i % 2 ? "NO ID" : number, "19", 0});
        }
    }
    std::string why;
    ASSERT_TRUE(sim::saveStateFile(file.string(), s, &why)) << why;
}

// A run that found no device is tried again: on a loaded machine the
// device (on its direct line too) may miss the identification's 20 ms. A
// reply cut or shifted by an adapter is no such run: the program exits 0.
CliRun run(const std::vector<std::string>& args, const std::map<std::string, std::string>& env,
           const fs::path& dir) {
    CliRun r = clitest::runCli(args, env, dir);
    for (int again = 0;
         again < 2 && r.status == 2 && r.err.find("No device answered") != std::string::npos;
         ++again)
        r = clitest::runCli(args, env, dir);
    return r;
}

// What a trace says the open found of the adapter and did.
std::string adapterLine(const std::string& trace) {
    const std::string t = clitest::slurp(trace);
    const std::size_t at = t.find("USB adapter: ");
    return at == std::string::npos ? "" : t.substr(at, t.find('\n', at) - at);
}

class UsbAdapter : public clitest::CliTest {
protected:
    void SetUp() override {
        CliTest::SetUp();
        writeFullDevice(dir_ / "device.state");
    }
    void TearDown() override {
        if (rig_) rig_->stop();
        CliTest::TearDown();
    }
    void startAdapter(const AdapterCase& c) {
        rig_.emplace(dir_ / "machine", c);
        std::string why;
        ASSERT_TRUE(rig_->start(sim_->slavePath(), &why)) << why;
        adapterEnv_ = env_;
        for (const auto& [key, value] : rig_->environment())
            adapterEnv_[key] = value;
    }
    CliRun through(const std::vector<std::string>& args) { return run(args, adapterEnv_, dir_); }

    std::optional<testsupport::AdapterRig> rig_;
    std::map<std::string, std::string> adapterEnv_;
};

#ifdef QUORVEX_ADAPTER_MATRIX
// The commands whose answers are compared; identify runs against a device
// that answers "ATI3" and "ATI4" 11 ms late.
const std::vector<std::vector<std::string>> kCommands = {
    {"identify"}, {"log", "11"}, {"log", "21"}, {"log", "22"}, {"log", "data"}, {"charges"}};

std::string withoutPortLine(const std::string& out) {
    const std::size_t end = out.find('\n');
    return end == std::string::npos ? out : out.substr(end + 1);
}

// What a line answered: each command's output, the backup.
struct Answers {
    std::vector<std::string> outputs;
    std::string backup;
};

// A device of its own in a folder of its own, on its direct line or behind
// an adapter of its own: the cases run side by side (each waits on its
// device far more than it computes).
class Line {
public:
    explicit Line(fs::path dir) : dir_(std::move(dir)) {
        fs::create_directories(dir_);
        env_["QUORVEX_HOME"] = (dir_ / "home").string();
        env_["R70COM_PORTS"] = testsupport::comPortsWithCom3((dir_ / "COM3").string());
        writeFullDevice(dir_ / "device.state");
        sim::SimOptions o;
        o.model = kModel;
        o.link = (dir_ / "COM3").string();
        o.stateFile = (dir_ / "device.state").string();
        o.pacing = false; // the adapter (or nothing, on the direct line) takes the wire time
        sim_ = std::make_unique<sim::SimDevice>(o);
        std::string why;
        EXPECT_TRUE(sim_->start(&why)) << why;
    }
    ~Line() {
        if (rig_) rig_->stop();
        sim_->stop();
    }
    void behind(const AdapterCase& c) {
        rig_.emplace(dir_ / "machine", c);
        std::string why;
        ASSERT_TRUE(rig_->start(sim_->slavePath(), &why)) << why;
        for (const auto& [key, value] : rig_->environment())
            env_[key] = value;
    }
    CliRun cli(const std::vector<std::string>& args) { return run(args, env_, dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }
    sim::SimDevice& device() { return *sim_; }
    testsupport::AdapterRig& rig() { return *rig_; }
    bool hasRig() const { return rig_.has_value(); }

    // Command k's output (identify against a device that answers late).
    std::string answer(std::size_t k) {
        const auto& args = kCommands[k];
        const bool late = args[0] == "identify";
        sim_->setFaults({.lateFirstByte = late ? 11ms : 0ms, .scope = late ? "ATI" : ""});
        CliRun r = cli(args);
        sim_->setFaults({});
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        return late ? withoutPortLine(r.out) : r.out;
    }
    // The profile a backup writes (its trace in backup.trace).
    std::string backup() {
        fs::remove(path("backup.trace"));
        CliRun r = cli({"backup", "--trace", path("backup.trace"), path("backup.pro")});
        EXPECT_EQ(r.status, 0) << r.err;
        return clitest::slurp(path("backup.pro"));
    }
    Answers answers() {
        Answers a;
        for (std::size_t k = 0; k < kCommands.size(); ++k)
            a.outputs.push_back(answer(k));
        a.backup = backup();
        return a;
    }

private:
    fs::path dir_;
    std::map<std::string, std::string> env_;
    std::unique_ptr<sim::SimDevice> sim_;
    std::optional<testsupport::AdapterRig> rig_;
};

// What a case must show beyond the direct line's answers: the open's line in
// the trace, the timer given back, a restore that puts back what the device
// held.
void expectAdapterWork(Line& line, const AdapterCase& c) {
    const std::string open = adapterLine(line.path("backup.trace"));
    const sim::AdapterProfile& chip = line.rig().profile();
    if (!chip.latencyTimer)
        EXPECT_NE(open.find("latency not known"), std::string::npos) << open;
    else if (chip.latencyMs <= 1)
        EXPECT_EQ(open, "USB adapter: driver ftdi_sio, latency 1 ms") << "nothing to ask";
    else if (c.timer == TimerFile::Stuck)
        EXPECT_NE(open.find("latency 16 ms, could not be lowered"), std::string::npos) << open;
    else
        EXPECT_NE(open.find("latency 1 ms (lowered from 16 ms)"), std::string::npos) << open;
    if (chip.latencyTimer) {
        EXPECT_EQ(line.rig().timerText(), std::to_string(chip.latencyMs)) << "given back";
    }

    const sim::DeviceState before = line.device().snapshot();
    line.device().query("AT!P2#21=0");      // call waiting of port 21
    line.device().query("ATS95=0,25");      // charge per unit
    line.device().query("AT!P18#11=07:30"); // morning call of port 11
    CliRun restore = line.cli({"restore", line.path("backup.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_NE(restore.out.find(", refused: 0"), std::string::npos) << restore.out;
    EXPECT_TRUE(line.device().snapshot().registers == before.registers)
        << "the restore left changes";
}

// The check judges the device, not the adapter. It measures the device's
// rhythm on the machine's clock, so it runs alone, after the lines side by
// side are done, and a run that finds something is tried again: a loaded
// machine may make the device itself late.
void expectCheckConforms(Line& line) {
    CliRun check = line.cli({"check"});
    for (int again = 0; again < 2 && check.status != 0; ++again)
        check = line.cli({"check"});
    EXPECT_EQ(check.status, 0) << check.out;
    EXPECT_NE(check.out.find("\nconforms\n"), std::string::npos) << check.out;
    EXPECT_NE(check.out.find("The USB adapter holds the device's bytes back for up to "),
              std::string::npos)
        << check.out;
}

TEST_F(UsbAdapter, EveryChipGivesTheDirectLinesAnswersLowerableAndStuck) {
    const AdapterCase cases[] = {
        {"ftdi", TimerFile::Lowerable},     {"ftdi", TimerFile::Stuck},
        {"ftdi-1ms", TimerFile::Lowerable}, {"ch340", TimerFile::Lowerable},
        {"ch340", TimerFile::Stuck},        {"pl2303", TimerFile::Lowerable},
        {"pl2303", TimerFile::Stuck},
    };
    std::promise<Answers> directAnswers;
    std::shared_future<Answers> direct = directAnswers.get_future().share();
    std::vector<std::thread> runs;
    runs.emplace_back([&] {
        Line line(dir_ / "direct");
        directAnswers.set_value(line.answers());
    });
    std::vector<std::unique_ptr<Line>> lines(std::size(cases));
    for (std::size_t i = 0; i < std::size(cases); ++i) {
        runs.emplace_back([&direct, &lines, i, c = cases[i], this] {
            SCOPED_TRACE(testsupport::caseName(c));
            lines[i] = std::make_unique<Line>(dir_ / testsupport::caseName(c));
            Line& line = *lines[i];
            line.behind(c);
            if (::testing::Test::HasFatalFailure()) return;
            Answers got = line.answers();
            expectAdapterWork(line, c);
            // A loaded machine can hold the relay up past the reader's silence,
            // as no USB host controller is held up: an answer that differs is
            // asked once more. What the adapter itself cuts or shifts differs
            // every time.
            const Answers& want = direct.get();
            for (std::size_t k = 0; k < kCommands.size(); ++k) {
                if (got.outputs[k] != want.outputs[k]) got.outputs[k] = line.answer(k);
                EXPECT_EQ(got.outputs[k], want.outputs[k])
                    << kCommands[k][0] << (kCommands[k].size() > 1 ? " " + kCommands[k][1] : "");
            }
            if (got.backup != want.backup) got.backup = line.backup();
            EXPECT_EQ(got.backup, want.backup) << "the backup differs";
        });
    }
    for (std::thread& t : runs)
        t.join();
    // One check for each allowance: lowered to 1 ms, stuck at 16 ms, not known.
    for (const std::size_t i : {0u, 1u, 3u}) {
        SCOPED_TRACE(testsupport::caseName(cases[i]));
        if (lines[i] && lines[i]->hasRig()) expectCheckConforms(*lines[i]);
    }
}
#else
// A timer that cannot be read or holds no number (the latency is then not
// known), and one stuck at 255 ms: the trace and ports say so, and the long
// call list still comes whole, as on the direct line.
TEST_F(UsbAdapter, ATimerThatCannotBeUsedGivesLongerWaitsNeverACutReply) {
    startSim(kModel);
    CliRun direct = run({"log", "11"}, env_, dir_);
    ASSERT_EQ(direct.status, 0) << direct.err;
    const struct {
        AdapterCase adapter;
        const char* ports;  // in the listing of quorvex-cli ports
        const char* traced; // in the trace of the open
    } rows[] = {
        {{"ftdi", TimerFile::Unreadable},
         "driver ftdi_sio, latency not known: latency_timer unreadable (Is a directory)",
         "latency not known: low latency not asked: TIOCGSERIAL refused (Inappropriate ioctl for "
         "device); latency_timer unreadable (Is a directory)"},
        {{"ftdi", TimerFile::Garbled},
         "driver ftdi_sio, latency not known: latency_timer unreadable (no number in it)",
         "latency not known"},
        {{"ftdi", TimerFile::Stuck, 255},
         "driver ftdi_sio, latency 255 ms",
         "latency 255 ms, could not be lowered: low latency not asked: TIOCGSERIAL refused "
         "(Inappropriate ioctl for device); latency_timer 255: read-only"},
    };
    // The adapter sets the speed the program sets on the device's side too
    // (the boot loader's 19200 baud).
    startAdapter({"ftdi", TimerFile::Lowerable});
    const int fd = ::open(rig_->node().c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    ::cfsetispeed(&t, B19200);
    ::cfsetospeed(&t, B19200);
    ::tcsetattr(fd, TCSANOW, &t);
    EXPECT_TRUE(testsupport::waitFor(
        [&] { return rig_->adapter().baud() == 19200 && sim_->lineBaud() == 19200; }));
    ::close(fd);
    rig_.reset();
    fs::remove_all(dir_ / "machine");

    for (const auto& r : rows) {
        SCOPED_TRACE(testsupport::caseName(r.adapter));
        startAdapter(r.adapter);
        if (HasFatalFailure()) return;
        CliRun ports = through({"ports"});
        EXPECT_EQ(ports.status, 0) << ports.err;
        EXPECT_NE(ports.out.find(r.ports), std::string::npos) << ports.out;
        fs::remove(path("log.trace")); // the trace appends
        CliRun log = through({"log", "--trace", path("log.trace"), "11"});
        if (log.out != direct.out) log = through({"log", "11"}); // a relay held up, as above
        EXPECT_EQ(log.status, 0) << log.err;
        EXPECT_EQ(log.out, direct.out);
        EXPECT_NE(adapterLine(path("log.trace")).find(r.traced), std::string::npos)
            << adapterLine(path("log.trace"));
        rig_->stop();
        rig_.reset();
        fs::remove_all(dir_ / "machine");
    }
    // What the open made of it, in German too.
    startAdapter({"ftdi", TimerFile::Stuck});
    CliRun probe = through({"ports", "--probe", "--lang", "de"});
    EXPECT_EQ(probe.status, 0) << probe.out << probe.err;
    EXPECT_NE(probe.out.find("Treiber ftdi_sio, Latenz 16 ms, ließ sich nicht senken: "),
              std::string::npos)
        << probe.out;
    EXPECT_NE(probe.out.find("Antworten werden mit um 63 ms längeren Wartezeiten gelesen"),
              std::string::npos)
        << probe.out;
}
#endif

} // namespace
