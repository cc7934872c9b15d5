// The fixture of quorvex-cli on a network port: COM3 is
// rfc2217://127.0.0.1:PORT, where a ser2net started by the test serves the
// simulated device, or the address of a relay in front of it that gives the
// path a round trip (net_relay.h).
#pragma once

#include "cli_fixture.h"
#include "e2e/net_relay.h"
#include "e2e/ser2net_server.h"
#include "sim/firmware_image.h"
#include "support/com3_map.h"

#include <algorithm>

namespace nettest {

namespace sim = quorvex::sim;

class NetCli : public clitest::CliTest {
protected:
    void SetUp() override {
        if (ser2netBinary().empty()) GTEST_SKIP() << kNoSer2net;
        CliTest::SetUp();
    }
    void TearDown() override {
        relay_.reset();
        server_.reset();
        CliTest::TearDown();
    }
    void startNetDevice(sim::Model model, bool bootMode, bool pacing) {
        startSim(model, bootMode, pacing);
        if (HasFatalFailure()) return;
        serve(/*nodelay=*/false);
    }
    // ser2net in front of the simulated device (tcp(nodelay) or not).
    void serve(bool nodelay) {
        server_ = std::make_unique<Ser2net>(dir_, (dir_ / "COM3").string(), true, nodelay);
        std::string why;
        ASSERT_TRUE(server_->start(&why)) << why;
        mapCom3(server_->address());
    }
    // COM3 through a relay in front of ser2net.
    void throughPath(const PathOptions& path) {
        relay_ = std::make_unique<Relay>(server_->port(), path);
        std::string why;
        ASSERT_TRUE(relay_->start(&why)) << why;
        mapCom3(relay_->address());
    }
    void mapCom3(const std::string& address) {
        env_["R70COM_PORTS"] = testsupport::comPortsWithCom3(address);
    }
    // A firmware image written to name, with erased flash and byte runs a
    // telnet peer would take for commands (a purge, an option, CR NUL).
    std::vector<uint8_t> trickyImage(sim::Model model, const char* firmware, const char* name) {
        std::vector<uint8_t> image = sim::makeImage(model, firmware, "V7.77");
        std::fill(image.begin() + 8192, image.begin() + 8192 + 65536, uint8_t{0xFF});
        const std::vector<uint8_t> tricky = {0xFF, 0xFA, 0x2C, 0x0C, 0x01, 0xFF, 0xF0, 0xFF,
                                             0xFB, 0x00, 0x0D, 0x00, 0xFF, 0xF1, 0xFF, 0xFF};
        for (std::size_t at = 100000; at + tricky.size() < 500000; at += 4099)
            std::copy(tricky.begin(), tricky.end(), image.begin() + static_cast<long>(at));
        std::string error;
        EXPECT_TRUE(sim::writeImageFile(path(name), image, &error)) << error;
        return image;
    }
    // A reply cut by the silence rule leaves its rest to be dropped as stale
    // before the next command; the trace says so.
    void expectNoReplyCut(const char* trace) {
        const std::string t = clitest::slurp(path(trace));
        EXPECT_EQ(t.find("stale input dropped"), std::string::npos) << trace;
        EXPECT_NE(t.find("telnet in: DO COM-PORT-OPTION"), std::string::npos) << trace;
    }

    std::unique_ptr<Ser2net> server_;
    std::unique_ptr<Relay> relay_;
};

} // namespace nettest
