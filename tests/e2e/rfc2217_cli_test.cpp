// quorvex-cli on a network port: a backup, change, diff and restore round trip
// with the device's real pacing, so that its replies reach the program in the
// server's batches.
#include "e2e/rfc2217_cli_fixture.h"

#include <cstdio>

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetCli;

TEST_F(NetCli, BackupChangeDiffAndRestoreRoundTrip) {
    startNetDevice(sim::Model::R70, false, /*pacing=*/true);
    CliRun backup = cli({"backup", "--trace", path("backup.log"), path("a.pro")});
    ASSERT_EQ(backup.status, 0) << backup.err;
    expectNoReplyCut("backup.log");

    sim_->query("AT!P2#21=0");      // call waiting of port 21
    sim_->query("ATS95=0,25");      // charge per unit
    sim_->query("AT!P18#11=07:30"); // morning call of port 11
    CliRun diff = cli({"diff", path("a.pro")});
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out, "SET_DIV CHGUNIT: file=0,120 device=0,25\n"
                        "ACCEP_DIV CALLWAIT1: file=1 device=0\n"
                        "TIMER_DIV MCALL0: file=07:00 device=07:30\n"
                        "3 difference(s)\n");

    CliRun restore = cli({"restore", "--trace", path("restore.log"), path("a.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    int sent = -1, confirmed = -2;
    const std::size_t summary = restore.out.find("items sent: ");
    ASSERT_NE(summary, std::string::npos) << restore.out;
    ASSERT_EQ(std::sscanf(restore.out.c_str() + summary,
                          "items sent: %d, confirmed: %d, refused: 0", &sent, &confirmed),
              2)
        << restore.out;
    EXPECT_EQ(sent, confirmed);
    expectNoReplyCut("restore.log");
    EXPECT_EQ(cli({"diff", path("a.pro")}).status, 0);
}

} // namespace
