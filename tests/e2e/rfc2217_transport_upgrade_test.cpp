// quorvex-cli upgrades a device found in its boot loader over a network port,
// at 19200 baud, with an image full of 0xFF, across a path with a 20 ms round
// trip to a ser2net with Nagle on, and loads every setting of the default
// profile back into the new firmware, which came up with none. About five
// minutes: the transfer takes its wire time.
#include "e2e/rfc2217_cli_fixture.h"
#include "support/sim_settings.h"

namespace {

using namespace quorvex;
using clitest::CliRun;
using nettest::NetCli;

TEST_F(NetCli, ADeviceInItsBootLoaderIsUpgradedAt19200WithEvery0xFFIntact) {
    // An earlier run saved every setting into the default profile.
    startSim(sim::Model::R70);
    const auto settings = test::everySetting(sim::Model::R70);
    for (const auto& [key, value] : settings)
        sim_->query(test::settingCommand(key, value));
    std::filesystem::create_directories(dir_ / "home");
    ASSERT_EQ(cli({"backup", (dir_ / "home" / "default.pro").string()}).status, 0);
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
    const sim::DeviceState now = sim_->snapshot();
    for (const auto& [key, value] : settings)
        EXPECT_EQ(now.registers.count(key) ? now.registers.at(key) : "(none)", value) << key;
}

} // namespace
