// quorvex-cli against the simulated device: usage errors, backup / diff /
// restore round trips, the CLI's backup against the desktop program's save
// logic, an R30 profile on an R70, refused items, the trace, and get / set.
#include "app/config_app.h"
#include "app/ini_profile_store.h"
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/startup.h"
#include "cli_run.h"
#include "driver/r70com32.h"
#include "profile/profile_files.h"
#include "sim/sim_device.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <cstdio>

#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace quorvex;
using clitest::CliRun;
using clitest::runCli;

class CliTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() /
               ("cli_e2e_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        env_["QUORVEX_HOME"] = (dir_ / "home").string();
        env_["R70COM_PORTS"] =
            "COM1=;COM2=;COM3=" + (dir_ / "COM3").string() + ";COM4=;COM5=;COM6=;COM7=;COM8=";
    }
    void TearDown() override {
        if (sim_) sim_->stop();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    void startSim(sim::Model model) {
        if (sim_) sim_->stop();
        sim::SimOptions o;
        o.model = model;
        o.link = (dir_ / "COM3").string();
        o.pacing = false;
        sim_ = std::make_unique<sim::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(sim_->start(&why)) << why;
    }
    CliRun cli(const std::vector<std::string>& args) { return runCli(args, env_, dir_); }
    std::string path(const char* name) const { return (dir_ / name).string(); }

    fs::path dir_;
    std::map<std::string, std::string> env_;
    std::unique_ptr<sim::SimDevice> sim_;
};

// ---- usage ----

TEST_F(CliTest, UsageErrorsExitTwoWithAMessage) {
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"frobnicate"}, "unknown command"},
        {{"backup"}, "missing argument"},
        {{"backup", "a.pro", "b.pro"}, "unexpected argument"},
        {{"backup", "--bogus", "a.pro"}, "unknown option"},
        {{"restore", "/nonexistent/x.pro"}, "no such file"},
        {{"diff", "/nonexistent/x.pro"}, "no such file"},
        {{"log", "--port", "COM9=/x", "11"}, "COMn=PATH"},
        {{"clear-log", "11", "sideways"}, "LIST"},
        {{"dial", "11", "12a"}, "NUMBER"},
        {{"charges", "--lang", "fr"}, "en or de"},
    };
    for (const Case& c : cases) {
        CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[0] << ": " << r.err;
    }
}

TEST_F(CliTest, HelpOfEveryCommandExitsZero) {
    for (const char* command : {"backup", "restore", "diff", "get", "set", "charges", "log",
                                "clear-charges", "clear-log", "dial", "upgrade", "store"}) {
        CliRun r = cli({command, "--help"});
        EXPECT_EQ(r.status, 0) << command;
        EXPECT_NE(r.out.find(std::string("quorvex-cli ") + command), std::string::npos) << r.out;
        EXPECT_NE(r.out.find("--trace"), std::string::npos) << command;
    }
}

TEST_F(CliTest, NoDeviceIsAConnectionError) {
    CliRun r = cli({"backup", path("a.pro")});
    EXPECT_EQ(r.status, 2);
    EXPECT_NE(r.err.find("No device answered"), std::string::npos) << r.err;
    EXPECT_FALSE(fs::exists(path("a.pro")));
}

TEST_F(CliTest, BadPortOnTheModelIsAUsageError) {
    startSim(sim::Model::R30);
    for (const char* port : {"99", "31"}) { // 31 does not exist on the R30
        CliRun r = cli({"log", port});
        EXPECT_EQ(r.status, 2) << port;
        EXPECT_NE(r.err.find("PORT"), std::string::npos) << r.err;
    }
}

// ---- backup, diff, restore ----

TEST_F(CliTest, DiffShowsExactlyTheChangesAndRestoreUndoesThem) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("a.pro")}).status, 0);
    CliRun same = cli({"diff", path("a.pro")});
    ASSERT_EQ(same.status, 0) << same.out << same.err;

    sim_->query("AT!P2#21=0");      // call waiting of port 21
    sim_->query("ATS95=0,25");      // charge per unit
    sim_->query("AT!P18#11=07:30"); // morning call of port 11
    CliRun diff = cli({"diff", path("a.pro")});
    EXPECT_EQ(diff.status, 1);
    EXPECT_EQ(diff.out, "SET_DIV CHGUNIT: file=0,120 device=0,25\n"
                        "ACCEP_DIV CALLWAIT1: file=1 device=0\n"
                        "TIMER_DIV MCALL0: file=07:00 device=07:30\n"
                        "3 difference(s)\n");

    CliRun restore = cli({"restore", "--trace", path("trace.log"), path("a.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    // "items sent: N, confirmed: N, refused: 0"
    int sent = -1;
    int confirmed = -2;
    const std::size_t summary = restore.out.find("items sent: ");
    ASSERT_NE(summary, std::string::npos) << restore.out;
    ASSERT_EQ(std::sscanf(restore.out.c_str() + summary,
                          "items sent: %d, confirmed: %d, refused: 0", &sent, &confirmed),
              2)
        << restore.out;
    EXPECT_EQ(sent, confirmed);
    // The trace has a line for every exchange, the sends included.
    std::string trace = clitest::slurp(path("trace.log"));
    std::size_t exchanges = 0;
    for (std::size_t at = trace.find("--> "); at != std::string::npos;
         at = trace.find("--> ", at + 1))
        ++exchanges;
    EXPECT_GT(exchanges, static_cast<std::size_t>(sent));
    EXPECT_NE(trace.find("AT!P2#21=1"), std::string::npos);

    CliRun after = cli({"diff", path("a.pro")});
    EXPECT_EQ(after.status, 0) << after.out;
}

// The desktop program's save, in this process, against the same device state.
TEST_F(CliTest, BackupEqualsTheDesktopProgramsSave) {
    startSim(sim::Model::R70);
    sim_->query("AT!P2#21=0");
    ASSERT_EQ(cli({"backup", path("cli.pro")}).status, 0);

    ::setenv("R70COM_PORTS", env_["R70COM_PORTS"].c_str(), 1);
    ::unsetenv("R70COM_TRACE");
    profile::ProfileFiles files(dir_ / "home");
    std::string current = path("desktop.pro");
    app::IniProfileStore store([&](int selector) -> fs::path {
        return selector == 0   ? files.defaultProfile()
               : selector == 1 ? fs::path(current)
                               : files.winIni();
    });
    test::FakeClock clock;
    app::CConfigApp app(D_SendDrvCmd, store, clock);
    test::ScriptedUi ui;
    app::LogicPageFactory factory(app, ui);
    app::MainWindowLogic main(app, ui, factory);
    app::Startup startup(app, main, ui);
    ASSERT_EQ(startup.run(clock.now()), app::StartupResult::Running);
    main.heartbeat().stop();
    EXPECT_TRUE(main.profileSave(app::kCurrentProfile, "desktop.pro").ok());
    D_SendDrvCmd(DRV_CLOSE, nullptr);

    EXPECT_EQ(clitest::slurp(path("cli.pro")), clitest::slurp(current));
}

TEST_F(CliTest, AnR30ProfileOnAnR70LeavesPorts31And32AtTheirDefaults) {
    startSim(sim::Model::R30);
    ASSERT_EQ(cli({"backup", path("r30.pro")}).status, 0);
    std::string r30 = clitest::slurp(path("r30.pro"));
    EXPECT_EQ(r30.find("ACCEPCALL3"), std::string::npos);
    EXPECT_EQ(r30.find("FTRNUM30"), std::string::npos);

    startSim(sim::Model::R70);
    CliRun before = cli({"diff", path("r30.pro")});
    EXPECT_EQ(before.status, 1);
    EXPECT_NE(before.out.find("ACCEP_DIV CALLWAIT3: file=0"), std::string::npos) << before.out;
    CliRun restore = cli({"restore", path("r30.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    CliRun after = cli({"diff", path("r30.pro")});
    EXPECT_EQ(after.status, 0) << after.out;
}

TEST_F(CliTest, RefusedItemsAreCountedAndNamed) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("a.pro")}).status, 0);
    ASSERT_EQ(cli({"profile", "set", path("a.pro"), "FORWARD_DIV", "FWDIMM0", "0301234"}).status,
              0);
    sim_->setForwardingStatus(11, 20, 2); // not subscribed
    CliRun r = cli({"restore", path("a.pro")});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("refused: 1"), std::string::npos) << r.out;
    EXPECT_NE(r.out.find("AT!P20#11*1=0301234,2:NS"), std::string::npos) << r.out;
}

// ---- get and set ----

TEST_F(CliTest, SetSendsOneItemAndGetReadsIt) {
    startSim(sim::Model::R70);
    CliRun set = cli({"set", "--trace", path("t.log"), "ACCEP_DIV", "CALLWAIT1", "0"});
    EXPECT_EQ(set.status, 0) << set.err;
    EXPECT_EQ(set.out, "AT!P2#21=0,OK\n");
    EXPECT_EQ(sim_->query("AT!P2#21?").find("0") != std::string::npos, true);
    CliRun get = cli({"get", "accep_div", "callwait1"});
    EXPECT_EQ(get.status, 0);
    EXPECT_EQ(get.out, "0\n");
}

TEST_F(CliTest, SetRejectsWhatThePageRejects) {
    startSim(sim::Model::R70);
    struct Case {
        std::vector<std::string> args;
        const char* says;
    };
    const Case cases[] = {
        {{"set", "ACCEP_DIV", "DELAYRING0", "12"}, "DELAYRING0"},
        {{"set", "ACCEP_DIV", "CALLWAIT1", "x"}, "number"},
        {{"set", "TIMER_DIV", "MCALL0", "29:30"}, "rejects"},
        {{"set", "ACCEP_DIV", "NOSUCHKEY", "1"}, "unknown key"},
        {{"set", "NOSUCH_DIV", "X", "1"}, "unknown section"},
        {{
             "get",
             "FILTER_DIV",
             "ACTIVE3",
         },
         "unknown key"}, // list 3 exists on the R70 ...
    };
    for (const Case& c : cases) {
        CliRun r = cli(c.args);
        if (std::string(c.args[2]) == "ACTIVE3") {
            EXPECT_EQ(r.status, 0) << r.err; // ... so it is found
            continue;
        }
        EXPECT_EQ(r.status, 2) << c.args[2] << " " << r.out;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
    }
}

} // namespace
