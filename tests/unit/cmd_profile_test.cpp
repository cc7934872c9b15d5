// quorvex-cli profile, run as the built program: output and exit status.

#include "profile_temp_dir.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdio>
#include <sys/wait.h>

namespace {

using quorvex::testing::readBytes;
using quorvex::testing::TempDir;
using quorvex::testing::writeBytes;

struct CliRun {
    int status = -1;
    std::string out; // standard output and standard error together
};

std::string quoted(const std::string& arg) {
    std::string out = "'";
    for (const char c : arg) {
        if (c == '\'') {
            out += "'\\''";
        } else {
            out.push_back(c);
        }
    }
    return out + "'";
}

CliRun cli(const std::vector<std::string>& args) {
    std::string command = quoted(QUORVEX_CLI);
    for (const auto& arg : args)
        command += " " + quoted(arg);
    command += " 2>&1";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr) return run;
    std::array<char, 4096> buffer{};
    std::size_t n = 0;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        run.out.append(buffer.data(), n);
    const int raw = ::pclose(pipe);
    run.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    return run;
}

const std::string kProfile = "; saved on Windows\r\n[SET_DIV]\r\nLANGUAGE=1\r\nCHGUNIT= \"0,12\" "
                             "\r\n[MSN_DIV]\r\nALIAS0=B\xFCro\r\nalias0=second\r\nflag\r\n"
                             "[set_div]\r\nLANGUAGE=0\r\n";

TEST(ProfileCli, GetPrintsWhatTheProgramReads) {
    TempDir dir;
    const auto file = (dir / "p.pro").string();
    writeBytes(file, kProfile + "[LONG]\r\nk=" + std::string(60, 'x') + "\r\n");
    EXPECT_EQ(cli({"profile", "get", file, "set_div", "chgunit"}).out, "0,12\n");
    EXPECT_EQ(cli({"profile", "get", file, "MSN_DIV", "ALIAS0"}).out, "B\xC3\xBCro\n");
    const CliRun cut = cli({"profile", "get", file, "LONG", "k"});
    EXPECT_EQ(cut.status, 0);
    EXPECT_EQ(cut.out, std::string(49, 'x') + "\n");
}

struct Failure {
    const char* what;
    std::vector<std::string> args; // after "profile"; "@" stands for the file
    const char* message;
};

TEST(ProfileCli, FailuresExitWithTwoAndSayWhy) {
    TempDir dir;
    const auto file = (dir / "p.pro").string();
    writeBytes(file, kProfile);
    const Failure cases[] = {
        {"missing file", {"get", "@missing", "SET_DIV", "LANGUAGE"}, "no such file"},
        {"missing section", {"get", "@", "DATA_DIV", "BOD"}, "no section [DATA_DIV]"},
        {"missing key", {"get", "@", "SET_DIV", "PABX"}, "no key PABX"},
        {"key without value", {"get", "@", "MSN_DIV", "flag"}, "no key flag"},
        {"dump of a missing section", {"dump", "@", "LCR_DIV"}, "no section [LCR_DIV]"},
        {"dump of a missing file", {"dump", "@missing"}, "no such file"},
        {"set into a missing file", {"set", "@missing", "S", "k", "v"}, "--create"},
        {"unsafe value", {"set", "@", "SET_DIV", "PABX", "0\nevil=1"}, "line break"},
        {"unsafe key", {"set", "@", "SET_DIV", "A=B", "v"}, "\"=\""},
        {"file is a directory", {"set", "--create", "@dir", "S", "k", "v"}, "is a directory"},
        {"wrong arguments", {"get", "@"}, "Usage:"},
        {"unknown action", {"frobnicate"}, "Usage:"},
    };
    std::filesystem::create_directory(file + "dir"); // "@dir"
    for (const Failure& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<std::string> args = {"profile"};
        for (const auto& a : c.args)
            args.push_back(a.starts_with("@") ? file + a.substr(1) : a);
        const CliRun run = cli(args);
        EXPECT_EQ(run.status, 2) << run.out;
        EXPECT_NE(run.out.find(c.message), std::string::npos) << run.out;
    }
    EXPECT_EQ(readBytes(file), kProfile) << "failures must not touch the file";
}

TEST(ProfileCli, SetThenDump) {
    TempDir dir;
    const auto file = (dir / "p.pro").string();
    writeBytes(file, kProfile);
    EXPECT_EQ(cli({"profile", "set", file, "set_div", "language", "0"}).status, 0);
    EXPECT_EQ(cli({"profile", "set", file, "TIMER_DIV", "MCALL0", "07:05"}).status, 0);
    EXPECT_EQ(readBytes(file), "; saved on Windows\r\n[SET_DIV]\r\nLANGUAGE=0\r\nCHGUNIT= \"0,12\" "
                               "\r\n[MSN_DIV]\r\nALIAS0=B\xFCro\r\nalias0=second\r\nflag\r\n"
                               "[set_div]\r\nLANGUAGE=0\r\n[TIMER_DIV]\r\nMCALL0=07:05\r\n");
    const CliRun dump = cli({"profile", "dump", file});
    EXPECT_EQ(dump.status, 0);
    EXPECT_EQ(dump.out, "[SET_DIV]\nLANGUAGE=0\nCHGUNIT=0,12\n[MSN_DIV]\nALIAS0=B\xC3\xBCro\n"
                        "[TIMER_DIV]\nMCALL0=07:05\n");
    EXPECT_EQ(cli({"profile", "dump", file, "timer_div"}).out, "[timer_div]\nMCALL0=07:05\n");

    const auto fresh = (dir / "new.pro").string();
    EXPECT_EQ(cli({"profile", "set", "--create", fresh, "SET_DIV", "SOUNDON", "1"}).status, 0);
    EXPECT_EQ(readBytes(fresh), "[SET_DIV]\r\nSOUNDON=1\r\n");
}

TEST(ProfileCli, Help) {
    const CliRun help = cli({"profile", "--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("49"), std::string::npos);
    EXPECT_NE(help.out.find("dump FILE"), std::string::npos);
    const CliRun top = cli({"--help"});
    EXPECT_EQ(top.status, 0);
    EXPECT_NE(top.out.find("profile"), std::string::npos);
    EXPECT_EQ(cli({"nonsense"}).status, 2);
}

} // namespace
