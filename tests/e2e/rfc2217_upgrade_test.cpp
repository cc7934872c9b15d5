// quorvex-cli upgrades a device found in its boot loader over a network port,
// at 19200 baud, with an image full of 0xFF, across a path with a 100 ms round
// trip to a ser2net with Nagle on. About five minutes: the transfer takes its
// wire time.
#include "e2e/net_relay.h"
#include "e2e/rfc2217_cli_fixture.h"
#include "sim/firmware_image.h"

#include <algorithm>

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetCli;

TEST_F(NetCli, ADeviceInItsBootLoaderIsUpgradedAt19200WithEvery0xFFIntact) {
    startNetDevice(sim::Model::R70, /*bootMode=*/true, false);
    nettest::Relay relay(server_->port(), nettest::PathOptions{50, true, 40});
    std::string why;
    ASSERT_TRUE(relay.start(&why)) << why;
    env_["R70COM_PORTS"] = "COM1=;COM2=;COM3=" + relay.address() + ";COM4=;COM5=;COM6=;COM7=;COM8=";
    std::vector<uint8_t> image = sim::makeImage(sim::Model::R70, "V3.20 R70", "V7.77");
    // Erased flash, and byte runs a telnet peer would take for commands.
    std::fill(image.begin() + 8192, image.begin() + 8192 + 65536, uint8_t{0xFF});
    const std::vector<uint8_t> tricky = {0xFF, 0xFA, 0x2C, 0x01, 0xFF, 0xF0, 0xFF, 0xFB,
                                         0x00, 0x0D, 0x00, 0x0D, 0x0A, 0xFF, 0xFF, 0xFF};
    for (std::size_t at = 100000; at + tricky.size() < 500000; at += 4099)
        std::copy(tricky.begin(), tricky.end(), image.begin() + static_cast<long>(at));
    std::string error;
    ASSERT_TRUE(sim::writeImageFile(path("r70.bin"), image, &error)) << error;

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
