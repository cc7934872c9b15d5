// quorvex-cli over a network port reached through paths as users have them: a
// round trip of 0, 20 or 100 ms, ser2net with and without tcp(nodelay) (its
// Nagle across the path), acknowledgements held back by a tunnel. Every
// command must give exactly what it gives on the device's local line: the
// same identity, a backup equal byte for byte, the same call lists and
// charges, a setting written and read back.
#include "e2e/rfc2217_path_fixture.h"

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetPath;
using nettest::PathOptions;
using nettest::withoutPortLine;

#ifdef QUORVEX_SLOW_PATHS
constexpr sim::Model kModel = sim::Model::R30; // fewer settings: the backups stay short
#else
constexpr sim::Model kModel = sim::Model::R70;
#endif

TEST_P(NetPath, EveryCommandGivesTheLocalAnswers) {
    startSim(kModel, false, /*pacing=*/true);
    struct Command {
        std::vector<std::string> args;
        std::string local;
    };
    std::vector<Command> commands = {
        {{"identify"}, {}},
        {{"log", "11"}, {}},
        {{"charges"}, {}},
        {{"get", "ACCEP_DIV", "CALLWAIT1"}, {}},
        {{"get", "SET_DIV", "CHGUNIT"}, {}},
    };
    // The local line's answers, once more when a loaded machine made the
    // device miss the local line's 20 ms (what is tested here is the network).
    auto local = [&](const std::vector<std::string>& args) {
        CliRun r = cli(args);
        for (int again = 0; again < 2 && r.status != 0; ++again)
            r = cli(args);
        EXPECT_EQ(r.status, 0) << args[0] << ": " << r.err;
        return r.out;
    };
    for (Command& c : commands)
        c.local = c.args[0] == "identify" ? withoutPortLine(local(c.args)) : local(c.args);
    local({"backup", path("local.pro")});
    if (HasFailure()) return;

    startPath();
    if (HasFatalFailure()) return;
    for (const Command& c : commands) {
        CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        EXPECT_EQ(c.args[0] == "identify" ? withoutPortLine(r.out) : r.out, c.local)
            << c.args[0] << (c.args.size() > 1 ? " " + c.args[1] : "");
    }
    CliRun backup = cli({"backup", "--trace", path("backup.log"), path("net.pro")});
    EXPECT_EQ(backup.status, 0) << backup.err;
    EXPECT_EQ(clitest::slurp(path("net.pro")), clitest::slurp(path("local.pro")))
        << "the backup over the network differs from the local one";
    expectNoReplyCut("backup.log");

    CliRun set = cli({"set", "ACCEP_DIV", "CALLWAIT1", "0"});
    EXPECT_EQ(set.status, 0) << set.out << set.err;
    EXPECT_EQ(sim_->query("AT!P2#21?").find("\r\n0\r\n"), 0u) << "the device holds the value";
    CliRun get = cli({"get", "ACCEP_DIV", "CALLWAIT1"});
    EXPECT_EQ(get.status, 0) << get.err;
    EXPECT_EQ(get.out, "0\n");
}

#ifndef QUORVEX_SLOW_PATHS
// A plain relay (an SSH port forward, a TLS wrapper) in front of ser2net as
// it comes: its Nagle waits for the relay's held-back acknowledgements. And
// the same with tcp(nodelay).
INSTANTIATE_TEST_SUITE_P(NoDelay, NetPath,
                         ::testing::Values(PathOptions{0, true, 40}, PathOptions{0, false, 0}),
                         nettest::pathName);
#else
// Round trips of 20 and 100 ms, ser2net with and without tcp(nodelay).
INSTANTIATE_TEST_SUITE_P(RoundTrip, NetPath,
                         ::testing::Values(PathOptions{10, true, 40}, PathOptions{10, false, 0},
                                           PathOptions{50, true, 40}, PathOptions{50, false, 0}),
                         nettest::pathName);

// The firmware upgrade of a working device through the path: its settings
// saved and loaded back over it, the image byte for byte (0xFF runs and byte
// sequences a telnet peer would take for commands).
class NetPathUpgrade : public NetPath {};

TEST_P(NetPathUpgrade, AWorkingDeviceIsUpgradedAndKeepsItsSettings) {
    startSim(sim::Model::R30, false, /*pacing=*/true);
    sim_->query("AT!P2#21=0"); // a setting that is not the default
    const std::vector<uint8_t> image = trickyImage(sim::Model::R30, "V3.20 R30", "r30.bin");
    startPath();
    if (HasFatalFailure()) return;

    CliRun r = cli({"upgrade", "--trace", path("upgrade.log"), path("r30.bin"), "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(sim_->lastImage() == image) << "the device got other bytes than the file's";
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_NE(sim_->query("ATI3").find("V3.20 R30"), std::string::npos);
    EXPECT_EQ(sim_->query("AT!P2#21?").find("\r\n0\r\n"), 0u) << "the setting came back";
    const std::string trace = clitest::slurp(path("upgrade.log"));
    EXPECT_NE(trace.find("write 1024 blocks, 524288 bytes in "), std::string::npos);
}

// One path of the matrix: each upgrade takes two minutes or more (the
// device's own waits, the transfer's wire time, the settings saved and loaded
// back); the boot loader's upgrade at 19200 baud crosses a 20 ms path with
// ser2net's Nagle (rfc2217_transport_upgrade_test).
INSTANTIATE_TEST_SUITE_P(RoundTrip, NetPathUpgrade, ::testing::Values(PathOptions{50, false, 0}),
                         nettest::pathName);
#endif

} // namespace
