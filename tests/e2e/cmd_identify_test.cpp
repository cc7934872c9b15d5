// quorvex-cli identify against the simulated device (the CLI runs as a child
// process with its own driver; the simulator runs here).
#include "sim/sim_device.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;
namespace qs = quorvex::sim;

namespace {

struct CliRun {
    int status = -1;
    std::string output; // stdout and stderr
};

CliRun runCli(const std::string& env, const std::string& args) {
    const std::string command = "env " + env + " " + QUORVEX_CLI + " " + args + " 2>&1";
    CliRun run;
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    char buffer[512];
    while (std::fgets(buffer, sizeof buffer, pipe) != nullptr)
        run.output += buffer;
    const int raw = pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

class IdentifyTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("identify-test-" + std::to_string(getpid()));
        fs::create_directories(dir_);
    }
    void TearDown() override { fs::remove_all(dir_); }

    // Every COM port maps to nothing except COM3.
    std::string ports(const std::string& com3) const {
        return "R70COM_PORTS='COM1=;COM2=;COM4=;COM5=;COM6=;COM7=;COM8=;COM3=" + com3 + "'";
    }

    fs::path dir_;
};

} // namespace

TEST_F(IdentifyTest, PrintsTheIdentityOfEachModel) {
    struct Case {
        qs::Model model;
        const char* modelLine;
        const char* device;
        const char* usb;
        const char* portCount;
    };
    const Case cases[] = {
        {qs::Model::R30, "30", "OrvaISDN R30", "no", "3"},
        {qs::Model::R70, "70", "OrvaISDN R70", "no", "5"},
        {qs::Model::R70Usb, "70", "OrvaISDN R70-USB", "yes", "5"},
    };
    for (const Case& c : cases) {
        qs::SimOptions options;
        options.model = c.model;
        options.link = (dir_ / "COM3").string();
        options.pacing = false;
        qs::SimDevice sim(options);
        std::string error;
        ASSERT_TRUE(sim.start(&error)) << error;
        const CliRun run = runCli(ports(options.link), "identify");
        SCOPED_TRACE(run.output);
        EXPECT_EQ(run.status, 0);
        EXPECT_NE(run.output.find("COM3 (" + options.link + ")"), std::string::npos);
        EXPECT_NE(run.output.find(std::string("Model:       ") + c.modelLine), std::string::npos);
        EXPECT_NE(run.output.find(std::string("Device:      ") + c.device + "\n"),
                  std::string::npos);
        EXPECT_NE(run.output.find(std::string("USB:         ") + c.usb), std::string::npos);
        EXPECT_NE(run.output.find(std::string("Ports:       ") + c.portCount), std::string::npos);
        EXPECT_NE(run.output.find("Boot code:"), std::string::npos);
        sim.stop();
    }
}

TEST_F(IdentifyTest, NoDeviceSaysWhyForEveryPort) {
    const fs::path file = dir_ / "plain-file";
    std::ofstream(file) << "not a serial line";
    CliRun run = runCli(ports(file.string()), "identify");
    SCOPED_TRACE(run.output);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("COM1"), std::string::npos);
    EXPECT_NE(run.output.find("COM8"), std::string::npos);
    EXPECT_NE(run.output.find("COM3 (" + file.string() + "): not a serial line"),
              std::string::npos);

    run = runCli(ports((dir_ / "missing").string()), "identify --lang de");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("kein Gerät"), std::string::npos) << run.output;
}

TEST_F(IdentifyTest, APortHeldByAnotherProgramIsBusy) {
    qs::SimOptions options;
    options.model = qs::Model::R70;
    options.link = (dir_ / "COM3").string();
    options.pacing = false;
    qs::SimDevice sim(options);
    ASSERT_TRUE(sim.start());
    // Another program holds the line the way the driver does: an exclusive lock.
    const int fd = ::open(options.link.c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    const CliRun run = runCli(ports(options.link), "identify");
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.output.find("busy"), std::string::npos) << run.output;
    ::close(fd);
    EXPECT_EQ(runCli(ports(options.link), "identify").status, 0);
}

TEST_F(IdentifyTest, UsageErrors) {
    struct Case {
        const char* args;
        const char* says;
    };
    for (const Case& c :
         {Case{"identify --bogus", "unknown option"},
          Case{"identify --port COM9=/dev/null", "COMn=PATH"},
          Case{"identify --lang fr", "en or de"}, Case{"identify extra", "unexpected argument"}}) {
        const CliRun run = runCli("", c.args);
        EXPECT_EQ(run.status, 2) << c.args;
        EXPECT_NE(run.output.find(c.says), std::string::npos) << c.args << ": " << run.output;
    }
    const CliRun help = runCli("", "identify --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.output.find("Usage: quorvex-cli identify"), std::string::npos);
}
