// quorvex-cli against the simulated device: usage errors, backup / diff /
// restore round trips, the CLI's backup against the desktop program's save
// logic, an R30 profile on an R70, refused items, the trace, get / set, the
// charge and log commands, dialling and storing.
#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/startup.h"
#include "cli_fixture.h"
#include "cli_run.h"
#include "core/config_app.h"
#include "core/ini_profile_store.h"
#include "driver/api/r70com32.h"
#include "profile/profile_files.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/resource.h>
#include <sys/stat.h>
#include <thread>

#include <memory>

namespace {

namespace fs = std::filesystem;
using namespace quorvex;
using clitest::CliRun;
using clitest::CliTest;

// The restore's summary line and what follows it.
const char* summaryOf(const std::string& out) {
    const std::size_t at = out.find("items sent: ");
    return at == std::string::npos ? "" : out.c_str() + at;
}

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
        {{"check", "--report"}, "--report needs a file"},
    };
    for (const Case& c : cases) {
        CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << c.args[0] << " " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.args[0] << ": " << r.err;
    }
    // A file without any section of a profile would load as every default.
    std::ofstream(path("empty.pro")).flush();
    std::ofstream(path("notes.pro")) << "[Notes]\nfirst=call the bank\n";
    for (const char* file : {"empty.pro", "notes.pro"}) {
        CliRun r = cli({"restore", "--trace", path("refused.trace"), path(file)});
        EXPECT_EQ(r.status, 2) << file;
        EXPECT_NE(r.err.find("holds no settings of a profile"), std::string::npos) << r.err;
        EXPECT_FALSE(std::filesystem::exists(path("refused.trace"))) << "the device was opened";
    }
}

TEST_F(CliTest, HelpOfEveryCommandExitsZero) {
    for (const char* command :
         {"backup", "restore", "diff", "get", "set", "charges", "log", "clear-charges", "clear-log",
          "dial", "upgrade", "store", "check"}) {
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

    changeThreeSettings();
    CliRun diff = cli({"diff", "--trace", path("diff.log"), path("a.pro")});
    EXPECT_EQ(diff.status, 1);
    // A diff only asks: queries and the identification, nothing that sets.
    const std::string asked = clitest::slurp(path("diff.log"));
    std::size_t commands = 0;
    for (std::size_t at = asked.find("--> '"); at != std::string::npos;
         at = asked.find("--> '", at + 1)) {
        const std::size_t end = asked.find("<CR>'", at);
        ASSERT_NE(end, std::string::npos);
        const std::string command = asked.substr(at + 5, end - at - 5);
        const bool identification = command == "AT" || command == "ATE0" || command == "ATV1" ||
                                    command == "ATI3" || command == "ATI4";
        EXPECT_TRUE(identification || command.back() == '?') << command;
        ++commands;
    }
    EXPECT_GT(commands, 100u);
    EXPECT_EQ(diff.out, kThreeChangesDiff);

    CliRun restore = cli({"restore", "--trace", path("trace.log"), path("a.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    const int sent = itemsAllConfirmed(restore.out);
    ASSERT_GE(sent, 0) << restore.out;
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
    core::IniProfileStore store([&](int selector) -> fs::path {
        return selector == 0   ? files.defaultProfile()
               : selector == 1 ? fs::path(current)
                               : files.winIni();
    });
    test::FakeClock clock;
    core::CConfigApp app(D_SendDrvCmd, store, clock);
    test::ScriptedUi ui;
    app::LogicPageFactory factory(app, ui);
    app::MainWindowLogic main(app, ui, factory);
    app::Startup startup(app, main, ui);
    ASSERT_EQ(startup.run(clock.now()), app::StartupResult::Running);
    main.heartbeat().stop();
    EXPECT_TRUE(main.profileSave(core::kCurrentProfile, "desktop.pro").ok());
    D_SendDrvCmd(DRV_CLOSE, nullptr);

    EXPECT_EQ(clitest::slurp(path("cli.pro")), clitest::slurp(current));
}

// The backup's file is written once, when whole, and only where a file can
// be: through a link to its target; never over a folder, a device or a FIFO
// (refused before the device is read); with the old file's owner and mode;
// and a full disk or a folder it may not write into is one line.
TEST_F(CliTest, BackupWritesItsFileSafely) {
    startSim(sim::Model::R70);
    fs::create_directory(dir_ / "folder.pro");
    ASSERT_EQ(::mkfifo(path("fifo.pro").c_str(), 0644), 0);
    fs::create_symlink("/dev/null", dir_ / "null.pro");
    fs::create_directory(dir_ / "ro");
    ::chmod(path("ro").c_str(), 0555);
    // As root the folder is read-only only for someone else: the command runs as nobody.
    const std::vector<std::string> asNobody =
        ::geteuid() == 0 ? std::vector<std::string>{"/usr/bin/setpriv", "--reuid=65534",
                                                    "--regid=65534", "--clear-groups"}
                         : std::vector<std::string>{};
    struct Refused {
        const char* file;
        const char* says;
        std::vector<std::string> prefix;
    };
    const Refused refused[] = {
        {"folder.pro", "is a directory", {}},
        {"fifo.pro", "is a FIFO", {}},
        {"null.pro", "is a device", {}},
        {"ro/a.pro", "cannot create a file in", asNobody},
    };
    for (const Refused& c : refused) {
        sim_->resetCounters();
        CliRun r = clitest::finishCli(
            clitest::startCli({"backup", path(c.file)}, env_, dir_, QUORVEX_CLI, c.prefix));
        EXPECT_EQ(r.status, 2) << c.file << ": " << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << c.file << ": " << r.err;
        EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
        EXPECT_EQ(sim_->counters().commands, 0u) << c.file << ": the device was read first";
    }
    EXPECT_TRUE(fs::is_fifo(dir_ / "fifo.pro"));
    EXPECT_TRUE(fs::is_symlink(dir_ / "null.pro"));
    EXPECT_TRUE(fs::is_empty(dir_ / "ro"));

    // A link: its target is written, the link stays; the 0600 file keeps its owner and mode.
    fs::create_directory(dir_ / "real");
    std::ofstream(path("real/r70.pro")) << "[SET_DIV]\r\nLANGUAGE=0\r\n";
    ::chmod(path("real/r70.pro").c_str(), 0600);
    if (::geteuid() == 0) {
        ASSERT_EQ(::chown(path("real/r70.pro").c_str(), 65534, 65534), 0);
    }
    fs::create_symlink("real/r70.pro", dir_ / "link.pro");
    CliRun linked = cli({"backup", path("link.pro")});
    ASSERT_EQ(linked.status, 0) << linked.err;
    EXPECT_TRUE(fs::is_symlink(dir_ / "link.pro"));
    EXPECT_NE(clitest::slurp(path("real/r70.pro")).find("[TIMER_DIV]"), std::string::npos);
    struct stat st {};
    ASSERT_EQ(::stat(path("real/r70.pro").c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u);
    if (::geteuid() == 0) {
        EXPECT_EQ(st.st_uid, 65534u);
    }
    EXPECT_EQ(std::distance(fs::directory_iterator(dir_ / "real"), fs::directory_iterator()), 1);

    // A full disk: a file size limit makes the write fail for real (EFBIG),
    // after the device was read; the child inherits the limit and SIGXFSZ ignored.
    struct sigaction ignore {};
    struct sigaction previous {};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGXFSZ, &ignore, &previous);
    rlimit old{};
    ::getrlimit(RLIMIT_FSIZE, &old);
    rlimit small = old;
    small.rlim_cur = 4096; // a profile is about 10 kB
    ::setrlimit(RLIMIT_FSIZE, &small);
    CliRun full = cli({"backup", path("full.pro")});
    ::setrlimit(RLIMIT_FSIZE, &old);
    ::sigaction(SIGXFSZ, &previous, nullptr);
    EXPECT_EQ(full.status, 2) << full.err;
    EXPECT_EQ(std::count(full.err.begin(), full.err.end(), '\n'), 1) << full.err;
    EXPECT_NE(full.err.find(path("full.pro")), std::string::npos) << full.err;
    EXPECT_NE(full.err.find("File too large"), std::string::npos) << full.err;
    EXPECT_FALSE(fs::exists(path("full.pro")));
    for (const auto& e : fs::directory_iterator(dir_))
        EXPECT_NE(e.path().filename().string().front(), '.') << e.path();
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
    // The R70's ports 31 and 32 are not in the file: named, and nothing is sent ...
    CliRun lacking = cli({"restore", path("r30.pro")});
    EXPECT_EQ(lacking.status, 2) << lacking.out << lacking.err;
    EXPECT_NE(lacking.err.find("ACCEP_DIV/CALLWAIT3"), std::string::npos) << lacking.err;
    EXPECT_EQ(cli({"diff", path("r30.pro")}).out, before.out);
    // ... until the user says they load as their defaults.
    CliRun restore = cli({"restore", "--missing=defaults", path("r30.pro")});
    EXPECT_EQ(restore.status, 0) << restore.out << restore.err;
    CliRun after = cli({"diff", path("r30.pro")});
    EXPECT_EQ(after.status, 0) << after.out;
}

// Every item the device refused, and every value a page did not send as the
// file gives it (whichever page), is named and counted: exit 1.
TEST_F(CliTest, RefusedItemsAreCountedAndNamed) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("a.pro")}).status, 0);
    const std::pair<const char*, const char*> edits[][2] = {
        {{"FORWARD_DIV", "FWDIMM0"}, {"0301234", nullptr}},
        // A time the page cannot send never reaches the device.
        {{"TIMER_DIV", "MCALL1"}, {"25:99", "TIMER_DIV/MCALL1=25:99"}},
        // The data page sends nothing at all when the chosen protocol's frame
        // size is out of range.
        {{"DATA_DIV", "CURPTOCOL"}, {"1", "DATA_DIV/CURPTOCOL=1"}},
        {{"DATA_DIV", "FRMSZV120"}, {"100", "DATA_DIV/FRMSZV120=100"}},
        // The acceptance page sends what its choices allow: 9, 2 and 2.
        {{"ACCEP_DIV", "DELAYRING0"}, {"10", "ACCEP_DIV/DELAYRING0=10"}},
        {{"ACCEP_DIV", "SHOWID0"}, {"7", "ACCEP_DIV/SHOWID0=7"}},
        {{"ACCEP_DIV", "ACCEPCALL0"}, {"9", "ACCEP_DIV/ACCEPCALL0=9"}},
    };
    for (const auto& e : edits) {
        ASSERT_EQ(
            cli({"profile", "set", path("a.pro"), e[0].first, e[0].second, e[1].first}).status, 0);
    }
    sim_->setForwardingStatus(11, 20, 2); // not subscribed
    CliRun r = cli({"restore", path("a.pro")});
    EXPECT_EQ(r.status, 1) << r.out << r.err;
    EXPECT_NE(r.out.find("refused: AT!P20#11*1=0301234,2:NS\n"), std::string::npos) << r.out;
    for (const auto& e : edits) {
        if (e[1].second == nullptr) continue;
        EXPECT_NE(r.out.find(std::string("refused: ") + e[1].second + ",not sent as given\n"),
                  std::string::npos)
            << r.out;
    }
    int sent = 0, confirmed = 0, refused = 0;
    ASSERT_EQ(std::sscanf(summaryOf(r.out), "items sent: %d, confirmed: %d, refused: %d", &sent,
                          &confirmed, &refused),
              3)
        << r.out;
    std::size_t named = 0;
    for (std::size_t at = r.out.find("\n  refused: "); at != std::string::npos;
         at = r.out.find("\n  refused: ", at + 1))
        ++named;
    EXPECT_EQ(static_cast<std::size_t>(refused), named) << r.out;
    EXPECT_EQ(sent - confirmed, 1) << r.out; // only the forwarding reached the device refused
    // One item set on its own is refused the same way.
    CliRun set = cli({"set", "FORWARD_DIV", "FWDIMM0", "0301234"});
    EXPECT_EQ(set.status, 1) << set.out << set.err;
    EXPECT_EQ(set.out, "AT!P20#11*1=0301234,2:NS\n");
}

// A backup cut short (here at byte 1000): restore names what the file lacks
// and sends nothing, unless --missing says what to do: defaults loads it as
// the default values, keep leaves the device's own.
TEST_F(CliTest, AProfileCutShortIsRefusedUnlessMissingSaysWhatToDo) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("full.pro")}).status, 0);
    const std::string cut = clitest::slurp(path("full.pro")).substr(0, 1000);
    ASSERT_NE(cut.find("CHGUNIT="), std::string::npos);
    ASSERT_EQ(cut.find("[TIMER_DIV]"), std::string::npos);
    std::ofstream(path("cut.pro"), std::ios::binary) << cut;
    changeThreeSettings(); // CHGUNIT is in the cut file, MCALL0 is not

    CliRun refused = cli({"restore", path("cut.pro")});
    EXPECT_EQ(refused.status, 2) << refused.out << refused.err;
    for (const char* says : {"--missing=defaults", "--missing=keep", "\n  TIMER_DIV\n"})
        EXPECT_NE(refused.err.find(says), std::string::npos) << says << ": " << refused.err;
    EXPECT_EQ(cli({"diff", path("full.pro")}).out, kThreeChangesDiff) << "something was sent";

    struct Row {
        const char* missing;
        const char* timer; // what diff against the full backup then says of MCALL0
    };
    for (const Row r : {Row{"--missing=keep", "TIMER_DIV MCALL0: file=07:00 device=07:30\n"},
                        Row{"--missing=defaults", "TIMER_DIV MCALL0: file=07:00 device=00:00\n"}}) {
        changeThreeSettings();
        CliRun restore = cli({"restore", r.missing, path("cut.pro")});
        EXPECT_EQ(restore.status, 0) << r.missing << restore.out << restore.err;
        const std::string diff = cli({"diff", path("full.pro")}).out;
        EXPECT_EQ(diff.find("CHGUNIT"), std::string::npos) << r.missing << diff;
        EXPECT_NE(diff.find(r.timer), std::string::npos) << r.missing << diff;
    }
}

// The device pulled out in the middle of a restore: a connection error, and
// the items it never answered are counted as not answered, not as refused.
TEST_F(CliTest, ADeviceLostDuringARestoreIsAConnectionError) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("a.pro")}).status, 0);
    sim_->resetCounters();
    std::thread pull([&] {
        testsupport::waitFor([&] { return sim_->counters().commands >= 300; },
                             std::chrono::seconds(60));
        sim_->unplug();
    });
    CliRun r = cli({"restore", path("a.pro")});
    pull.join();
    EXPECT_EQ(r.status, 2) << r.out << r.err;
    int sent = 0, confirmed = 0, refused = 0, notAnswered = 0;
    ASSERT_EQ(std::sscanf(summaryOf(r.out),
                          "items sent: %d, confirmed: %d, refused: %d, not answered: %d", &sent,
                          &confirmed, &refused, &notAnswered),
              4)
        << r.out;
    EXPECT_EQ(refused, 0) << r.out;
    EXPECT_EQ(sent, confirmed) << r.out;
    EXPECT_GT(notAnswered, 0) << r.out;
}

TEST_F(CliTest, SettingsTheDeviceDidNotGiveAreNamedAndNeverSaved) {
    startSim(sim::Model::R70);
    ASSERT_EQ(cli({"backup", path("old.pro")}).status, 0);
    const std::string before = clitest::slurp(path("old.pro"));
    sim_->setFaults({.refused = "ATS95?"}); // the charge per unit
    CliRun backup = cli({"backup", path("old.pro")});
    EXPECT_EQ(backup.status, 1) << backup.out << backup.err;
    EXPECT_NE(backup.err.find("SET_DIV/CHGUNIT"), std::string::npos) << backup.err;
    EXPECT_EQ(clitest::slurp(path("old.pro")), before); // the old backup is kept
    std::size_t files = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_))
        ++files;
    CliRun diff = cli({"diff", path("old.pro")});
    EXPECT_EQ(diff.status, 2) << diff.out << diff.err;
    EXPECT_NE(diff.err.find("SET_DIV/CHGUNIT"), std::string::npos) << diff.err;
    std::size_t after = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir_))
        ++after;
    EXPECT_EQ(after, files); // no scratch file left behind
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

// ---- charges, log book, dialling, store ----

// The line of a command's output that starts with head ("" when none does).
std::string lineStarting(const std::string& out, const std::string& head) {
    for (std::size_t at = 0; at < out.size();) {
        std::size_t end = out.find('\n', at);
        if (end == std::string::npos) end = out.size();
        if (out.compare(at, head.size(), head) == 0) return out.substr(at, end - at);
        at = end + 1;
    }
    return {};
}

// The block of one list in "log" output: from its heading to the next heading.
std::string listBlock(const std::string& out, const std::string& heading) {
    const std::size_t from = out.find(heading);
    if (from == std::string::npos) return {};
    std::size_t to = out.find("calls (port", from + heading.size());
    if (to != std::string::npos) to = out.rfind('\n', to);
    return out.substr(from, to == std::string::npos ? std::string::npos : to - from);
}

TEST_F(CliTest, ChargesAreShownAndClearedPerPortAndInTotal) {
    startSim(sim::Model::R70);
    CliRun before = cli({"charges"});
    ASSERT_EQ(before.status, 0) << before.err;
    for (const char* column : {"\"11\"", "\"21\"", "\"22\"", "\"31\"", "\"32\"", "\"data\""})
        EXPECT_NE(before.out.find(column), std::string::npos) << before.out;
    const std::string sum = lineStarting(before.out, "Sum");
    EXPECT_NE(sum.find("2,40"), std::string::npos) << before.out; // port 11 of the demo state
    EXPECT_NE(lineStarting(before.out, "Total").find("3,12"), std::string::npos) << before.out;

    CliRun port = cli({"clear-charges", "11"});
    EXPECT_EQ(port.status, 0) << port.err;
    EXPECT_EQ(port.out, "cleared\n");
    CliRun after = cli({"charges"});
    EXPECT_EQ(lineStarting(after.out, "Sum").find("2,40"), std::string::npos) << after.out;
    EXPECT_NE(lineStarting(after.out, "Sum").find("0,48"), std::string::npos) << after.out;
    EXPECT_NE(lineStarting(after.out, "Total").find("3,12"), std::string::npos) << after.out;

    ASSERT_EQ(cli({"clear-charges", "total"}).status, 0);
    EXPECT_NE(lineStarting(cli({"charges"}).out, "Total").find("0,00"), std::string::npos);

    // German labels with --lang de.
    CliRun german = cli({"charges", "--lang", "de"});
    EXPECT_EQ(german.status, 0);
    EXPECT_EQ(lineStarting(german.out, "Total"), "") << german.out;
}

TEST_F(CliTest, LogListsAreShownClearedAndDialledBack) {
    startSim(sim::Model::R70);
    CliRun log = cli({"log", "11"});
    ASSERT_EQ(log.status, 0) << log.err;
    EXPECT_NE(listBlock(log.out, "Outgoing calls").find("0301234567"), std::string::npos)
        << log.out;
    EXPECT_NE(listBlock(log.out, "Incoming calls").find("0897654321"), std::string::npos)
        << log.out;
    EXPECT_NE(listBlock(log.out, "Unanswered calls").find("No ID"), std::string::npos) << log.out;

    // One list of one port.
    ASSERT_EQ(cli({"clear-log", "11", "0"}).status, 0);
    log = cli({"log", "11"});
    EXPECT_NE(listBlock(log.out, "Outgoing calls").find("(none)"), std::string::npos) << log.out;
    EXPECT_NE(listBlock(log.out, "Incoming calls").find("0897654321"), std::string::npos)
        << log.out;

    // Every list of a port; another port keeps its lists.
    ASSERT_EQ(cli({"clear-log", "11", "all"}).status, 0);
    log = cli({"log", "11"});
    for (const char* heading : {"Outgoing calls", "Incoming calls", "Unanswered calls"})
        EXPECT_NE(listBlock(log.out, heading).find("(none)"), std::string::npos) << log.out;

    // The device dials; the call lands in the port's outgoing list.
    CliRun dial = cli({"dial", "11", "0301234"});
    EXPECT_EQ(dial.status, 0) << dial.out << dial.err;
    EXPECT_EQ(dial.out, "dialling 0301234\n");
    log = cli({"log", "11"});
    EXPECT_NE(listBlock(log.out, "Outgoing calls").find("0301234"), std::string::npos) << log.out;
}

// The command line as a newcomer types it: common options before the
// command, a number that is too long told so in our own line after the
// page's own text, German columns aligned by characters, one charge text in
// charges and log, the ports R70COM_PORTS maps, and into a file one line at
// the start of a long job and one at its end.
TEST_F(CliTest, TheCommandLineAsANewcomerTypesIt) {
    startSim(sim::Model::R70);
    // "Gerät:" is six characters (seven bytes): its value starts at column 13 as the others do.
    CliRun identify = cli({"--lang", "de", "identify"});
    ASSERT_EQ(identify.status, 0) << identify.err;
    for (const char* label : {"Modell:      70", "Gerät:       OrvaISDN R70", "Anschlüsse:  5"})
        EXPECT_NE(lineStarting(identify.out, label), "") << label << "\n" << identify.out;

    struct TooLong {
        std::vector<std::string> args;
        const char* says;
    };
    const TooLong tooLong[] = {
        {{"set", "MSN_DIV", "AMSN00", std::string(20, '1')}, "too long: 20 characters, at most 15"},
        {{"dial", "11", std::string(32, '1')}, "too long: 32 characters, at most 31"},
    };
    for (const TooLong& c : tooLong) {
        CliRun r = cli(c.args);
        EXPECT_EQ(r.status, 2) << r.err;
        EXPECT_NE(r.err.find(c.says), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("  "), std::string::npos) << r.err;
    }
    // The page's own text stays, after our line.
    EXPECT_NE(cli(tooLong[0].args).err.find("digits only"), std::string::npos);

    // Port 11's last call, as the charges page and the log book's cell show it.
    const std::string charge = "DM 0,36";
    EXPECT_NE(lineStarting(cli({"charges", "--lang", "de"}).out, "Letzter Anruf").find(charge),
              std::string::npos);
    const std::string log = cli({"--lang", "de", "log", "11"}).out;
    EXPECT_NE(log.find("Abgehende Anrufe (Anschluss \"11\"):\n"), std::string::npos) << log;
    const std::string row = lineStarting(log, "  07/03/01 09:05");
    EXPECT_EQ(row.substr(row.size() - charge.size() - 1), " " + charge) << log;

    CliRun ports = cli({"ports"});
    EXPECT_NE(ports.out.find("COM3  " + path("COM3") + "  (mapped by R70COM_PORTS"),
              std::string::npos)
        << ports.out;

    // stdout is a file here: the status window's line, then the result.
    CliRun backup = cli({"backup", path("n.pro")});
    ASSERT_EQ(backup.status, 0) << backup.err;
    EXPECT_EQ(backup.out, "Saving all settings as... \"n.pro\"\n" + path("n.pro") + ": saved\n");
}

TEST_F(CliTest, StoreMakesTheDeviceWriteItsSettings) {
    startSim(sim::Model::R70);
    sim_->query("AT!P2#21=0");
    ASSERT_FALSE(fs::exists(path("device.state")));
    CliRun store = cli({"store"});
    EXPECT_EQ(store.status, 0) << store.err;
    EXPECT_EQ(store.out, "the device stored its settings permanently\n");
    ASSERT_TRUE(fs::exists(path("device.state")));
    // The stored state comes back with the device.
    startSim(sim::Model::R70);
    EXPECT_NE(sim_->query("AT!P2#21?").find("0"), std::string::npos);
}

} // namespace
