// quorvex-cli over a network port reached through paths as users have them: a
// round trip of 0, 20 or 100 ms, ser2net with and without tcp(nodelay) (its
// Nagle across the path), acknowledgements held back by a tunnel. Every
// command must give exactly what it gives on the device's local line: the
// same identity, a backup equal byte for byte, the same call lists and
// charges, a setting written and read back.
#include "e2e/net_relay.h"
#include "e2e/rfc2217_cli_fixture.h"

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::PathOptions;

// The lines of identify that do not name the port.
std::string withoutPortLine(const std::string& out) {
    const std::size_t end = out.find('\n');
    return end == std::string::npos ? out : out.substr(end + 1);
}

class NetPath : public nettest::NetCli, public ::testing::WithParamInterface<PathOptions> {
protected:
    // ser2net in front of the simulated device, the relay in front of ser2net.
    void startPath() {
        const PathOptions& path = GetParam();
        server_ = std::make_unique<nettest::Ser2net>(dir_, (dir_ / "COM3").string(), true,
                                                     /*nodelay=*/!path.serverNagle);
        std::string why;
        ASSERT_TRUE(server_->start(&why)) << why;
        relay_ = std::make_unique<nettest::Relay>(server_->port(), path);
        ASSERT_TRUE(relay_->start(&why)) << why;
        env_["R70COM_PORTS"] =
            "COM1=;COM2=;COM3=" + relay_->address() + ";COM4=;COM5=;COM6=;COM7=;COM8=";
    }
    void TearDown() override {
        relay_.reset();
        NetCli::TearDown();
    }
    std::unique_ptr<nettest::Relay> relay_;
};

TEST_P(NetPath, EveryCommandGivesTheLocalAnswers) {
    startSim(sim::Model::R70, false, /*pacing=*/true);
    struct Command {
        std::vector<std::string> args;
        std::string local;
    };
    std::vector<Command> commands = {
        {{"identify"}, {}},
        {{"log", "11"}, {}},
        {{"log", "21"}, {}},
        {{"charges"}, {}},
        {{"get", "ACCEP_DIV", "CALLWAIT1"}, {}},
        {{"get", "SET_DIV", "CHGUNIT"}, {}},
    };
    for (Command& c : commands) {
        CliRun r = cli(c.args);
        ASSERT_EQ(r.status, 0) << c.args[0] << ": " << r.err;
        c.local = c.args[0] == "identify" ? withoutPortLine(r.out) : r.out;
    }
    ASSERT_EQ(cli({"backup", path("local.pro")}).status, 0);

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

std::string caseName(const ::testing::TestParamInfo<PathOptions>& info) {
    return info.param.name();
}

// A plain relay (an SSH port forward, a TLS wrapper) in front of ser2net as
// it comes: its Nagle waits for the relay's held-back acknowledgements. And
// the same with tcp(nodelay).
INSTANTIATE_TEST_SUITE_P(NoDelay, NetPath,
                         ::testing::Values(PathOptions{0, true, 40}, PathOptions{0, false, 40}),
                         caseName);

} // namespace
