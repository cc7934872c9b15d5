// quorvex-cli upgrades a device found in its boot loader over a network port,
// at 19200 baud, with an image full of 0xFF, across a path with a 20 ms round
// trip to a ser2net with Nagle on. About five minutes: the transfer takes its
// wire time.
#include "e2e/rfc2217_cli_fixture.h"

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetCli;

TEST_F(NetCli, ADeviceInItsBootLoaderIsUpgradedAt19200WithEvery0xFFIntact) {
    startNetDevice(sim::Model::R70, /*bootMode=*/true, false);
    throughPath(nettest::PathOptions{10, true, 40});
    const std::vector<uint8_t> image = trickyImage(sim::Model::R70, "V3.20 R70", "r70.bin");

    CliRun r = cli({"upgrade", "--trace", path("upgrade.log"), path("r70.bin"), "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_EQ(sim_->lastImage() == image, true) << "the device got other bytes than the file's";
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_NE(sim_->query("ATI3").find("V3.20 R70"), std::string::npos);
    const std::string trace = clitest::slurp(path("upgrade.log"));
    EXPECT_NE(trace.find("telnet in: SET-BAUDRATE 19200"), std::string::npos);
    EXPECT_NE(trace.find("write 1024 blocks, 524288 bytes in "), std::string::npos);
}

} // namespace
