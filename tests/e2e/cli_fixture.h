// The fixture of the command line's end-to-end tests: a scratch folder with
// QUORVEX_HOME, COM3 mapped to a simulated device the test hosts, and the
// program run as a child process.
#pragma once

#include "cli_run.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>

#include <memory>

namespace clitest {

namespace fs = std::filesystem;
namespace sim = quorvex::sim;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        // A parameterised test's name holds a '/': one folder all the same.
        std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        std::replace(name.begin(), name.end(), '/', '_');
        dir_ = fs::temp_directory_path() / ("cli_e2e_" + std::to_string(::getpid()) + "_" + name);
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        env_["QUORVEX_HOME"] = (dir_ / "home").string();
        env_["R70COM_PORTS"] = testsupport::comPortsWithCom3((dir_ / "COM3").string());
    }
    void TearDown() override {
        if (sim_) sim_->stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void startSim(sim::Model model, bool bootMode = false, bool pacing = false) {
        if (sim_) sim_->stop();
        sim::SimOptions o;
        o.model = model;
        o.link = (dir_ / "COM3").string();
        o.stateFile = (dir_ / "device.state").string();
        o.bootMode = bootMode;
        o.pacing = pacing;
        sim_ = std::make_unique<sim::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(sim_->start(&why)) << why;
    }
    CliRun cli(const std::vector<std::string>& args) { return runCli(args, env_, dir_); }
    // Three settings changed on the device after a backup, and what diff then says.
    void changeThreeSettings() {
        sim_->query("AT!P2#21=0");      // call waiting of port 21
        sim_->query("ATS95=0,25");      // charge per unit
        sim_->query("AT!P18#11=07:30"); // morning call of port 11
    }
    static constexpr const char* kThreeChangesDiff = "SET_DIV CHGUNIT: file=0,120 device=0,25\n"
                                                     "ACCEP_DIV CALLWAIT1: file=1 device=0\n"
                                                     "TIMER_DIV MCALL0: file=07:00 device=07:30\n"
                                                     "3 difference(s)\n";
    // Restore's "items sent: N, confirmed: N, refused: 0": N when every item
    // sent was confirmed, else -1.
    static int itemsAllConfirmed(const std::string& out) {
        int sent = -1;
        int confirmed = -2;
        const std::size_t at = out.find("items sent: ");
        if (at == std::string::npos ||
            std::sscanf(out.c_str() + at, "items sent: %d, confirmed: %d, refused: 0", &sent,
                        &confirmed) != 2 ||
            sent != confirmed)
            return -1;
        return sent;
    }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
    std::map<std::string, std::string> env_;
    std::unique_ptr<sim::SimDevice> sim_;
};

} // namespace clitest
