// quorvex-cli upgrade against the simulated device: files refused before
// anything is sent, a working R70 upgraded with its settings kept, and a device
// found in its boot loader. Real waits: about three quarters of a minute each.
#include "cli_fixture.h"
#include "sim/firmware_image.h"

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

TEST_F(CliUpgradeTest, AnR70IsUpgradedAndKeepsItsSettings) {
    startSim(sim::Model::R70);
    sim_->query("AT!P2#21=0"); // a setting that is not the default
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
    // Saved before, loaded after: the setting survived the new firmware.
    EXPECT_NE(sim_->query("AT!P2#21?").find("0"), std::string::npos);
    CliRun identify = cli({"identify"});
    EXPECT_NE(identify.out.find("V3.10 R70"), std::string::npos) << identify.out;
}

TEST_F(CliUpgradeTest, ADeviceInItsBootLoaderIsUpgradedAtOnce) {
    startSim(sim::Model::R70, /*bootMode=*/true);
    const std::string file = image(sim::Model::R70, "V3.20 R70", "r70.bin");
    CliRun r = cli({"upgrade", file, "--yes"});
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_FALSE(sim_->inBootMode());
    EXPECT_NE(sim_->query("ATI3").find("V3.20 R70"), std::string::npos);
}

} // namespace
