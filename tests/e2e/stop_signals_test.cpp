// Ctrl-C and SIGTERM in the middle of the work, sent to the real programs
// against the simulated device: each ends as the signal ends it and leaves
// neither the port's lock file nor a hidden temporary file behind, and the
// files it was working on are whole.
#include "cli_fixture.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdlib>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;
using clitest::CliTest;
namespace sim = quorvex::sim;

// The UUCP lock file the driver writes for the line the link leads to.
std::string lockFileOf(const std::string& node) {
    char resolved[PATH_MAX];
    std::string name = ::realpath(node.c_str(), resolved) != nullptr ? resolved : node;
    if (name.rfind("/dev/", 0) == 0) name.erase(0, 5);
    for (char& c : name)
        if (c == '/') c = '_';
    return "/var/lock/LCK.." + name;
}

std::vector<std::string> hiddenFiles(const fs::path& dir) {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& e : fs::directory_iterator(dir, ec)) {
        const std::string name = e.path().filename().string();
        if (name.front() == '.') out.push_back(name);
    }
    return out;
}

class StopSignal : public CliTest {
protected:
    // Interrupts the child once the device has answered enough commands that
    // it is in the middle of its work (the device is slowed, so it stays there).
    clitest::CliRun interrupt(const clitest::CliChild& child, int sig, std::uint64_t commands,
                              bool* locked) {
        const bool midway =
            testsupport::waitFor([&] { return sim_->counters().commands >= commands; }, 60s);
        EXPECT_TRUE(midway) << "the program never got going";
        *locked = fs::exists(lockFileOf(sim_->slavePath()));
        ::kill(child.pid, sig);
        return clitest::finishCli(child);
    }
    // The page commands answer late, so that the work takes long enough to be
    // interrupted in its middle (the identification is left alone: it waits less).
    void slowDown() {
        sim_->setFaults({.lateFirstByte = 30ms, .scope = "AT!"});
        sim_->resetCounters();
    }
    // Where the driver may write lock files, it wrote one while it had the port.
    static bool lockFilesWritable() { return ::access("/var/lock", W_OK) == 0; }
};

TEST_F(StopSignal, CtrlCOrSigtermDuringABackupOrARestore) {
    struct Case {
        const char* command;
        int sig;
        std::uint64_t commands; // answered before the signal: the middle of the work
    };
    for (const Case c : {Case{"backup", SIGINT, 80}, Case{"restore", SIGTERM, 200}}) {
        SCOPED_TRACE(c.command);
        startSim(sim::Model::R70);
        ASSERT_EQ(cli({"backup", path("old.pro")}).status, 0);
        const std::string old = clitest::slurp(path("old.pro"));
        slowDown();
        bool locked = false;
        const clitest::CliRun r =
            interrupt(clitest::startCli({c.command, path("old.pro")}, env_, dir_), c.sig,
                      c.commands, &locked);
        EXPECT_EQ(r.status, 128 + c.sig) << r.out << r.err;
        EXPECT_TRUE(locked || !lockFilesWritable());
        EXPECT_FALSE(fs::exists(lockFileOf(sim_->slavePath()))) << "the lock file stayed";
        EXPECT_EQ(hiddenFiles(dir_), std::vector<std::string>{});
        EXPECT_EQ(hiddenFiles(dir_ / "home"), std::vector<std::string>{});
        EXPECT_EQ(clitest::slurp(path("old.pro")), old);
        sim_->setFaults({});
    }
}

#ifdef QUORVEX_DESKTOP
// The desktop program at its start-up, reading the device: SIGTERM (the
// session ending) and Ctrl-C in the terminal that started it.
TEST_F(StopSignal, TheDesktopProgramToo) {
    for (const int sig : {SIGTERM, SIGINT}) {
        SCOPED_TRACE(sig);
        startSim(sim::Model::R70);
        slowDown();
        std::map<std::string, std::string> env = env_;
        env["QT_QPA_PLATFORM"] = "offscreen";
        env["QUORVEX_SPLASH_MS"] = "0";
        bool locked = false;
        const clitest::CliRun r =
            interrupt(clitest::startCli({}, env, dir_, QUORVEX_DESKTOP), sig, 20, &locked);
        EXPECT_EQ(r.status, 128 + sig) << r.out << r.err;
        EXPECT_TRUE(locked || !lockFilesWritable());
        EXPECT_FALSE(fs::exists(lockFileOf(sim_->slavePath()))) << "the lock file stayed";
        EXPECT_EQ(hiddenFiles(dir_ / "home"), std::vector<std::string>{});
    }
}
#endif

} // namespace
