// The simulated device over a real pseudo-terminal: speed rule, pacing, boot
// loader, firmware download, unplug/replug and the fault switches.
#include "e2e/sim_line.h"
#include "sim/sim_device.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <sys/stat.h>
#include <sys/wait.h>

namespace {

using namespace quorvex::sim;
using namespace simtest;

std::string tempDir(const char* tag) {
    auto dir = std::filesystem::temp_directory_path() /
               (std::string("simpty_") + tag + "_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    return dir.string();
}

struct Running {
    explicit Running(SimOptions o) : dev(std::move(o)) {
        std::string why;
        started = dev.start(&why);
        EXPECT_TRUE(started) << why;
    }
    SimDevice dev;
    bool started = false;
};

SimOptions options(Model m = Model::R70, bool pacing = false) {
    SimOptions o;
    o.model = m;
    o.pacing = pacing;
    return o;
}

TEST(SimPty, AnswersOnlyAtTheSpeedOfItsMode) {
    Running r(options());
    Line line(r.dev.slavePath(), 57600);
    ASSERT_TRUE(line.ok());
    EXPECT_EQ(line.ask("AT"), "") << "answered at 57600";
    line.setSpeed(19200);
    EXPECT_EQ(line.ask("AT"), "") << "answered at 19200";
    line.setSpeed(115200);
    EXPECT_EQ(line.ask("AT"), kOk);
    // After a switch to 57600 the device answers there and no longer at 115200.
    r.dev.setModeBaud(57600);
    EXPECT_EQ(line.ask("AT"), "");
    line.setSpeed(57600);
    EXPECT_EQ(line.ask("ATE0"), kOk);
}

TEST(SimPty, PacesItsRepliesAtTheLineSpeed) {
    Running r(options(Model::R70, true));
    for (int i = 0; i < 10; ++i)
        r.dev.query("AT!P24#11=004112345678");
    Line line(r.dev.slavePath());
    ASSERT_TRUE(line.ok());
    line.send("AT!P3#11*0?");
    auto start = Clock::now();
    std::string reply = line.readUntil("\r\n\r\nOK\r\n", 10s);
    auto took = Clock::now() - start;
    ASSERT_TRUE(reply.ends_with("\r\n\r\nOK\r\n"));
    // 10 bits a byte at 115200 baud: the reply cannot arrive faster than that.
    auto minimum = std::chrono::microseconds(reply.size() * 10'000'000ull / 115200);
    EXPECT_GE(took, minimum * 9 / 10) << reply.size() << " bytes";
}

TEST(SimPty, BootModeComplainsAt19200Only) {
    auto o = options();
    o.bootMode = true;
    Running r(o);
    Line line(r.dev.slavePath());
    EXPECT_EQ(line.ask("ATI4"), "");
    line.setSpeed(19200);
    std::string prompt = line.readUntil("FAIL", 5s);
    EXPECT_NE(prompt.find("FAIL"), std::string::npos);
    // And again while it waits.
    std::string again = line.readUntil("FAIL", 5s);
    EXPECT_NE(again.find("FAIL"), std::string::npos);
}

// The new firmware starts from the factory settings (every register at its
// initial value, no calls, no charges, the clock unset) unless it is told
// to keep them.
TEST(SimPty, DownloadOfAGoodImageRestartsWithTheNewFirmware) {
    for (bool keep : {false, true}) {
        auto o = options(Model::R70Usb);
        o.keepSettingsOnFlash = keep;
        Running r(o);
        r.dev.query("AT!P2#21=0");
        r.dev.query("AT!T=01/02/2003 04:05:06");
        r.dev.query("AT!P24#11=0301234");
        const DeviceState before = r.dev.snapshot();
        Line line(r.dev.slavePath());
        line.send("AT!DOWNLOAD");
        auto end = Clock::now() + 10s;
        while (!r.dev.inBootMode() && Clock::now() < end)
            line.readByte(20ms);
        ASSERT_TRUE(r.dev.inBootMode());
        // The restart takes a moment; the loader only listens once it runs.
        end = Clock::now() + 10s;
        while (!r.dev.snapshot().bootMode && Clock::now() < end)
            line.readByte(20ms);
        auto image = makeImage(Model::R70Usb, "V3.01 USB", "V1.10");
        for (std::size_t off = 0; off < image.size(); off += 512)
            ASSERT_TRUE(line.write(image.data() + off, 512));
        std::string result = line.readUntil("SUCCESSFUL\r\n", 20s);
        EXPECT_NE(result.find("DOWNLOAD SUCCESSFUL"), std::string::npos) << result;
        EXPECT_FALSE(r.dev.inBootMode());
        std::string i3 = line.ask("ATI3");
        EXPECT_TRUE(i3.starts_with("\r\nV3.01 USB\r\nBOOT CODE V1.10\r\n")) << i3;

        DeviceState expected = before;
        if (!keep) resetToFactory(expected);
        const DeviceState after = r.dev.snapshot();
        EXPECT_EQ(after.registers, expected.registers) << "keep " << keep;
        EXPECT_EQ(after.callLists, expected.callLists) << "keep " << keep;
        EXPECT_EQ(after.charges, expected.charges) << "keep " << keep;
        EXPECT_EQ(after.totalMills, expected.totalMills) << "keep " << keep;
        EXPECT_EQ(after.clockOffsetSeconds.has_value(), keep);
        EXPECT_EQ(line.ask("AT!P2#21?").find("\r\n0\r\n"), keep ? 0u : std::string::npos);
    }
}

TEST(SimPty, AWrongImageLeavesTheLoaderWaiting) {
    auto o = options(Model::R70);
    o.bootMode = true;
    Running r(o);
    Line line(r.dev.slavePath(), 19200);
    auto image = makeImage(Model::R30);
    for (std::size_t off = 0; off < image.size(); off += 512)
        ASSERT_TRUE(line.write(image.data() + off, 512));
    std::string result = line.readUntil("DOWNLOAD FAIL", 20s);
    EXPECT_NE(result.find("DOWNLOAD FAIL"), std::string::npos);
    EXPECT_EQ(result.find("SUCCESSFUL"), std::string::npos);
    EXPECT_TRUE(r.dev.inBootMode());
    EXPECT_NE(line.readUntil("FAIL", 5s).find("FAIL"), std::string::npos);
}

TEST(SimPty, UnplugRemovesTheLinkAndReplugBringsItBack) {
    std::string dir = tempDir("plug");
    auto o = options();
    o.link = dir + "/COM3";
    Running r(o);
    {
        Line line(o.link);
        ASSERT_TRUE(line.ok());
        EXPECT_EQ(line.ask("AT"), kOk);
        r.dev.unplug();
        struct stat st {};
        EXPECT_NE(::lstat(o.link.c_str(), &st), 0);
        EXPECT_FALSE(Line(o.link).ok());
        char c;
        EXPECT_LE(::read(line.fd(), &c, 1), 0) << "the old line still reads";
    }
    std::string why;
    ASSERT_TRUE(r.dev.replug(&why)) << why;
    Line again(o.link);
    ASSERT_TRUE(again.ok());
    EXPECT_EQ(again.ask("AT"), kOk);
    r.dev.stop();
    std::filesystem::remove_all(dir);
}

TEST(SimPty, FaultSwitches) {
    Running r(options());
    Line line(r.dev.slavePath());

    r.dev.setFaults({.silent = true});
    EXPECT_EQ(line.ask("AT"), "");
    r.dev.setFaults({});

    r.dev.setFaults({.noOk = true});
    EXPECT_EQ(line.ask("AT!P17#11?"), kError);
    r.dev.setFaults({});

    r.dev.setFaults({.garbage = Garbage::Instead, .garbageCount = 10});
    std::string junk = line.ask("AT");
    EXPECT_EQ(junk.size(), 10u);
    EXPECT_EQ(junk.find("OK"), std::string::npos);
    r.dev.setFaults({.garbage = Garbage::Before, .garbageCount = 10});
    std::string before = line.ask("AT");
    EXPECT_EQ(before.substr(10), kOk);
    r.dev.setFaults({});

    r.dev.setFaults({.lateFirstByte = 400ms});
    line.send("AT");
    auto sent = Clock::now();
    EXPECT_FALSE(line.readByte(150ms)) << "a 200 ms budget would have seen it";
    std::string late = line.reply(5000ms);
    EXPECT_EQ(late, kOk);
    EXPECT_GE(Clock::now() - sent, 400ms);
    r.dev.setFaults({});

    r.dev.setFaults({.pauseAfter = 5, .pause = 300ms});
    line.send("ATI3");
    std::string head = line.reply(3000ms, 100ms); // ends at the pause
    EXPECT_EQ(head.size(), 5u);
    std::string tail = line.reply(3000ms);
    EXPECT_TRUE(tail.ends_with("OK\r\n")) << tail;
    r.dev.setFaults({});
    EXPECT_EQ(line.ask("AT"), kOk);
}

TEST(SimPty, DialAnswersTwiceWithAGap) {
    Running r(options());
    Line line(r.dev.slavePath());
    line.send("AT!P24#21=0301234567");
    std::string first = line.reply(3000ms, 60ms);
    EXPECT_FALSE(first.empty());
    EXPECT_EQ(first.find("OK"), std::string::npos);
    EXPECT_EQ(line.reply(3000ms), kOk);
    EXPECT_EQ(r.dev.snapshot().callLists[21][kOutgoing].front().number, "0301234567");
}

TEST(SimPty, StoreWritesTheStateFileAndTheNextStartLoadsIt) {
    std::string dir = tempDir("state");
    auto o = options(Model::R30);
    o.stateFile = dir + "/r30.state";
    {
        Running r(o);
        Line line(r.dev.slavePath());
        EXPECT_EQ(line.ask("AT!P0#22*1=0309999"), kOk);
        EXPECT_EQ(line.ask("AT&W"), kOk);
    }
    {
        Running r(o);
        EXPECT_EQ(r.dev.query("AT!P0#22*1?"), "\r\n0309999\r\nOK\r\n");
    }
    auto wrong = o;
    wrong.model = Model::R70;
    SimDevice other(wrong);
    std::string why;
    EXPECT_FALSE(other.start(&why));
    EXPECT_NE(why.find("R30"), std::string::npos) << why;
    std::filesystem::remove_all(dir);
}

TEST(SimProgram, PrintsTheSlaveAndRemovesTheLinkOnSigterm) {
    std::string dir = tempDir("prog");
    std::string link = dir + "/COM3";
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(out[1], 1);
        ::execl(R70SIM_BIN, "r70sim", "--model", "R30", "--link", link.c_str(), "--no-pacing",
                nullptr);
        ::_exit(127);
    }
    ::close(out[1]);
    auto readLine = [&] {
        std::string text;
        char c;
        while (::read(out[0], &c, 1) == 1 && c != '\n')
            text += c;
        return text;
    };
    std::string path = readLine();
    ASSERT_TRUE(path.starts_with("/dev/pts/")) << path;
    {
        Line line(link);
        ASSERT_TRUE(line.ok());
        EXPECT_NE(line.ask("ATI4").find("613"), std::string::npos);
    }
    // SIGUSR1 unplugs, SIGUSR2 plugs in again and prints the new path.
    struct stat st {};
    ::kill(pid, SIGUSR1);
    auto end = Clock::now() + 10s;
    while (::lstat(link.c_str(), &st) == 0 && Clock::now() < end)
        Line(link).readByte(10ms);
    EXPECT_NE(::lstat(link.c_str(), &st), 0) << "still plugged";
    ::kill(pid, SIGUSR2);
    EXPECT_TRUE(readLine().starts_with("/dev/pts/"));
    {
        Line line(link);
        ASSERT_TRUE(line.ok());
        EXPECT_EQ(line.ask("AT"), kOk);
    }
    ::close(out[0]);
    ::kill(pid, SIGTERM);
    int status = 0;
    ::waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    EXPECT_NE(::lstat(link.c_str(), &st), 0);
    std::filesystem::remove_all(dir);
}

TEST(SimProgram, MakesAnImageTheLoaderAccepts) {
    std::string dir = tempDir("image");
    std::string file = dir + "/fw.r7u";
    std::string cmd = std::string(R70SIM_BIN) + " --make-image " + file +
                      " --model R70-USB --firmware 'V3.00 USB' --bootcode V1.09";
    ASSERT_EQ(std::system(cmd.c_str()), 0);
    std::ifstream in(file, std::ios::binary);
    std::vector<uint8_t> image((std::istreambuf_iterator<char>(in)), {});
    auto info = checkImage(image, Model::R70Usb);
    ASSERT_TRUE(info);
    EXPECT_EQ(info->firmware, "V3.00 USB");
    EXPECT_EQ(info->bootCode, "V1.09");
    EXPECT_FALSE(checkImage(image, Model::R70));
    std::string bad =
        std::string(R70SIM_BIN) + " --make-image " + file + " --model R80 2>/dev/null";
    EXPECT_NE(std::system(bad.c_str()), 0);
    std::filesystem::remove_all(dir);
}

} // namespace
