// quorvex-cli upgrade against the simulated device, which comes up from new
// firmware with its factory settings: files refused before anything is sent,
// a working R70 upgraded with every setting back, and an R30 found in its
// boot loader that gets every setting of the default profile, and a device
// that stops reading in the middle of the transfer. Real waits:
// about three quarters of a minute each.
#include "cli_fixture.h"
#include "sim/firmware_image.h"
#include "support/sim_settings.h"

#include <chrono>
#include <cstdio>
#include <fstream>

namespace {

namespace fs = std::filesystem;
using namespace quorvex;
using clitest::CliRun;
using clitest::CliTest;

// ---- upgrade ----

class CliUpgradeTest : public CliTest {
protected:
    std::string image(sim::Model model, const char* firmware, const char* name) {
        std::string error;
        EXPECT_TRUE(
            sim::writeImageFile(path(name), sim::makeImage(model, firmware, "V7.77"), &error))
            << error;
        return path(name);
    }
    // Whether a download was started (the trace holds every command sent).
    bool downloadStarted(const char* trace) {
        return clitest::slurp(path(trace)).find("AT!DOWNLOAD") != std::string::npos;
    }
    // Every setting the program reaches, unlike the factory's, on the device.
    void fill(sim::Model model) {
        for (const auto& [key, value] : test::everySetting(model))
            ASSERT_NE(sim_->query(test::settingCommand(key, value)).find("OK"), std::string::npos)
                << key;
    }
    void expectEverySetting(sim::Model model) {
        const sim::DeviceState now = sim_->snapshot();
        for (const auto& [key, value] : test::everySetting(model)) {
            const auto at = now.registers.find(key);
            EXPECT_EQ(at == now.registers.end() ? "(none)" : at->second, value) << key;
        }
    }
};

// An image for another model is sent (the device refuses it; see the upgrade
// tests through the driver); these never are.
TEST_F(CliUpgradeTest, AFileThatCannotBeFirmwareIsRefusedBeforeAnythingIsSent) {
    startSim(sim::Model::R70);
    {
        std::ofstream shortFile(path("short.bin"), std::ios::binary);
        shortFile << std::string(1000, 'x');
    }
    struct Case {
        std::string file;
        std::vector<std::string> extra;
        const char* says;
    };
    const Case cases[] = {
        {path("short.bin"), {"--yes"}, "524288"},
        {path("missing.bin"), {"--yes"}, "missing.bin"},
        // Without --yes and without a terminal to ask: nothing is installed.
        {image(sim::Model::R70, "V3.00 R70", "r70.bin"), {}, "terminal"},
    };
    for (const Case& c : cases) {
        fs::remove(path("trace.log"));
        std::vector<std::string> args{"upgrade", "--trace", path("trace.log"), c.file};
        args.insert(args.end(), c.extra.begin(), c.extra.end());
        CliRun r = cli(args);
        EXPECT_EQ(r.status, 2) << c.file << ": " << r.out << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.file << ": " << r.err;
        EXPECT_FALSE(downloadStarted("trace.log")) << c.file;
        EXPECT_FALSE(sim_->inBootMode());
    }
}

TEST_F(CliUpgradeTest, AnR70IsUpgradedAndKeepsEverySetting) {
    startSim(sim::Model::R70);
    fill(sim::Model::R70);
    const std::string file = image(sim::Model::R70, "V3.10 R70", "r70.bin");
    CliRun r = cli({"upgrade", "--trace", path("trace.log"), file, "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_NE(r.out.find("V3.10 R70"), std::string::npos) << r.out; // the file's side
    EXPECT_TRUE(downloadStarted("trace.log"));
    // The image in the trace: one line for its 1024 blocks.
    const std::string trace = clitest::slurp(path("trace.log"));
    EXPECT_NE(trace.find("write 1024 blocks, 524288 bytes in "), std::string::npos);
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_NE(sim_->query("ATI3").find("V3.10 R70"), std::string::npos);
    // Saved before, loaded after: every setting survived the new firmware.
    expectEverySetting(sim::Model::R70);
    CliRun identify = cli({"identify"});
    EXPECT_NE(identify.out.find("V3.10 R70"), std::string::npos) << identify.out;
}

// The device stops reading half-way through the image (switched off, its flow
// control holding the line): the pseudo-terminal's buffer fills, the block
// that does not fit ends the transfer, and the upgrade is over within 30 s of
// the stall, with the settings saved before it kept in the default profile.
TEST_F(CliUpgradeTest, ADeviceThatStopsReadingEndsTheTransferWithinHalfAMinute) {
    startSim(sim::Model::R70);
    fill(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("before.pro")}).status, 0);
    sim_->setFaults({.stallAfter = 256 * 1024});
    const std::string file = image(sim::Model::R70, "V3.10 R70", "r70.bin");
    CliRun r = cli({"upgrade", "--trace", path("trace.log"), file, "--yes"});
    const auto end = std::chrono::steady_clock::now();
    ASSERT_TRUE(sim_->stalledAt().has_value()) << r.out << r.err;
    const auto afterStall = end - *sim_->stalledAt();
    EXPECT_LT(afterStall, std::chrono::seconds(30));
    std::printf("[ figure ] the upgrade ended %.1f s after the device stopped reading\n",
                std::chrono::duration<double>(afterStall).count());
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    EXPECT_NE(r.err.find("stopped taking the upgrade file"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find("\"default.pro\""), std::string::npos) << r.err;
    // Not every block: the trace counts those the line took and the one it did not.
    const std::string trace = clitest::slurp(path("trace.log"));
    EXPECT_EQ(trace.find("write 1024 blocks"), std::string::npos) << trace;
    EXPECT_NE(trace.find(" (1 failed)"), std::string::npos) << trace;
    // What the device held before is what the default profile holds.
    EXPECT_EQ(clitest::slurp((dir_ / "home" / "default.pro").string()),
              clitest::slurp(path("before.pro")));
}

// The settings of an earlier run are in the default profile; the device lost
// them to a failed upgrade and answers only in its loader.
TEST_F(CliUpgradeTest, AnR30InItsBootLoaderIsUpgradedAndGetsEverySettingBack) {
    startSim(sim::Model::R30);
    fill(sim::Model::R30);
    fs::create_directories(dir_ / "home");
    ASSERT_EQ(cli({"backup", (dir_ / "home" / "default.pro").string()}).status, 0);
    startSim(sim::Model::R30, /*bootMode=*/true);
    const std::string file = image(sim::Model::R30, "V3.20 R30", "r30.bin");
    CliRun r = cli({"upgrade", file, "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_NE(sim_->query("ATI3").find("V3.20 R30"), std::string::npos);
    expectEverySetting(sim::Model::R30);
}

} // namespace
