// quorvex-cli on a network port: a backup, change, diff and restore round trip
// with the device's real pacing, so that its replies reach the program in the
// server's batches.
#include "e2e/rfc2217_cli_fixture.h"

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetCli;

TEST_F(NetCli, BackupChangeDiffAndRestoreRoundTrip) {
    startNetDevice(sim::Model::R70, false, /*pacing=*/true);
    CliRun backup = cli({"backup", "--trace", path("backup.log"), path("a.pro")});
    ASSERT_EQ(backup.status, 0) << backup.err;
    expectNoReplyCut("backup.log");

    changeThreeSettings();
    CliRun diff = cli({"diff", path("a.pro")});
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out, kThreeChangesDiff);

    CliRun restore = cli({"restore", "--trace", path("restore.log"), path("a.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    EXPECT_GE(itemsAllConfirmed(restore.out), 0) << restore.out;
    expectNoReplyCut("restore.log");
    EXPECT_EQ(cli({"diff", path("a.pro")}).status, 0);
}

} // namespace
