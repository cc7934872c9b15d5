// The fixture of quorvex-cli on a network port: COM3 is
// rfc2217://127.0.0.1:PORT, where a ser2net started by the test serves the
// simulated device.
#pragma once

#include "cli_fixture.h"
#include "e2e/ser2net_server.h"

namespace nettest {

namespace sim = quorvex::sim;

class NetCli : public clitest::CliTest {
protected:
    void SetUp() override {
        if (ser2netBinary().empty()) GTEST_SKIP() << kNoSer2net;
        CliTest::SetUp();
    }
    void TearDown() override {
        server_.reset();
        CliTest::TearDown();
    }
    void startNetDevice(sim::Model model, bool bootMode, bool pacing) {
        startSim(model, bootMode, pacing);
        if (HasFatalFailure()) return;
        server_ = std::make_unique<Ser2net>(dir_, (dir_ / "COM3").string());
        std::string why;
        ASSERT_TRUE(server_->start(&why)) << why;
        env_["R70COM_PORTS"] =
            "COM1=;COM2=;COM3=" + server_->address() + ";COM4=;COM5=;COM6=;COM7=;COM8=";
    }
    // A reply cut by the silence rule leaves its rest to be dropped as stale
    // before the next command; the trace says so.
    void expectNoReplyCut(const char* trace) {
        const std::string t = clitest::slurp(path(trace));
        EXPECT_EQ(t.find("stale input dropped"), std::string::npos) << trace;
        EXPECT_NE(t.find("telnet in: DO COM-PORT-OPTION"), std::string::npos) << trace;
    }

    std::unique_ptr<Ser2net> server_;
};

} // namespace nettest
