// What a USB serial adapter holds back: the reader's allowance for it, and on
// a fake sysfs (R70COM_ROOT) what the open asks of each kind of
// latency_timer and what the close puts back.
#include "driver/line/usb_latency_linux.h"
#include "driver/ports/adapter_hold.h"
#include "support/fake_line.h"
#include "support/fake_machine.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

DRVADAPTER hold(int32_t state, int32_t latencyMs) {
    DRVADAPTER h = r70::noAdapter();
    h.nState = state;
    h.nLatencyMs = latencyMs;
    return h;
}

// Nothing for no adapter; at 1 ms the timer and two USB frames; else the
// latency (16 when not known), a full read request's wire time and the frames.
TEST(AdapterHold, TheReaderAllowsForWhatCouldNotBeLowered) {
    const struct {
        DRVADAPTER hold;
        unsigned baud;
        int allowMs;
    } rows[] = {
        {hold(DRV_ADAPTER_NONE, -1), 115200, 0},     {hold(DRV_ADAPTER_LOWERED, 1), 115200, 3},
        {hold(DRV_ADAPTER_HOLDS, 0), 115200, 3},     {hold(DRV_ADAPTER_STUCK, 16), 115200, 63},
        {hold(DRV_ADAPTER_UNKNOWN, -1), 115200, 63}, {hold(DRV_ADAPTER_STUCK, 255), 115200, 302},
        {hold(DRV_ADAPTER_STUCK, 16), 19200, 285},   {hold(DRV_ADAPTER_STUCK, 16), 0, 285},
    };
    for (const auto& r : rows)
        EXPECT_EQ(r70::holdAllowanceMs(r.hold, r.baud), r.allowMs)
            << "state " << r.hold.nState << ", " << r.hold.nLatencyMs << " ms, " << r.baud;
    const std::pair<std::string_view, int> texts[] = {
        {"16\n", 16}, {"1", 1},  {"255\n", 255}, {"256\n", -1},
        {"", -1},     {"x", -1}, {"1\n1", -1},   {std::string_view("\0\0", 2), -1}};
    for (const auto& [text, ms] : texts)
        EXPECT_EQ(r70::parseLatency(text), ms) << text;
}

class UsbLatency : public ::testing::Test {
protected:
    void SetUp() override {
        root_ = fs::temp_directory_path() / ("r70hold_" + std::to_string(::getpid()));
        fs::remove_all(root_);
        machine_.emplace(root_);
        ::setenv("R70COM_ROOT", root_.c_str(), 1);
    }
    void TearDown() override {
        ::unsetenv("R70COM_ROOT");
        fs::remove_all(root_);
    }
    fs::path root_;
    std::optional<FakeMachine> machine_;
    FakeLine line_; // a pseudo-terminal: it takes no TIOCSSERIAL
};

// Each kind of timer file: what the open finds and asks, what the close puts
// back, and the file afterwards. The port is found by its node's device
// number, as for a path the map names alone.
TEST_F(UsbLatency, TheOpenAsksForOneMillisecondAndTheCloseGivesItBack) {
    enum class File { Writable, ReadOnly, Folder, Full, None };
    const struct {
        const char* name;
        const char* driver;
        const char* timer;
        File file;
        int32_t state, latencyMs;
        const char* detail;   // in szDetail
        const char* back;     // what the close says
        const char* timerEnd; // the file after the close
    } rows[] = {
        {"writable", "ftdi_sio", "16", File::Writable, DRV_ADAPTER_LOWERED, 1,
         "latency_timer 16 -> 1", "latency_timer 16", "16"},
        {"read-only", "ftdi_sio", "16", File::ReadOnly, DRV_ADAPTER_STUCK, 16,
         "latency_timer 16: read-only", "", "16"},
        {"255 read-only", "ftdi_sio", "255", File::ReadOnly, DRV_ADAPTER_STUCK, 255,
         "latency_timer 255: read-only", "", "255"},
        {"at 1 already", "ftdi_sio", "1", File::Writable, DRV_ADAPTER_HOLDS, 1, "", "", "1"},
        {"a folder", "ftdi_sio", "", File::Folder, DRV_ADAPTER_UNKNOWN, -1,
         "latency_timer unreadable (Is a directory)", "", ""},
        {"no number in it", "ftdi_sio", "", File::Full, DRV_ADAPTER_UNKNOWN, -1,
         "latency_timer unreadable (no number in it)", "", ""},
        {"no timer", "ch341", "", File::None, DRV_ADAPTER_UNKNOWN, -1,
         "its driver shows no latency_timer", "", ""},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.name);
        fs::remove_all(root_);
        machine_.emplace(root_);
        FakeMachine::Usb usb;
        usb.driver = r.driver;
        usb.latencyTimer = r.timer;
        machine_->addUsb("ttyUSB0", usb, line_.path());
        const fs::path file = machine_->portFolder("ttyUSB0") / "latency_timer";
        if (r.file == File::ReadOnly) ::chmod(file.c_str(), 0444);
        if (r.file == File::Folder) fs::create_directory(file);
        if (r.file == File::Full) fs::create_symlink("/dev/full", file);

        const std::optional<r70::SerialPortInfo> port =
            r70::portOfNode((machine_->dev() / "ttyUSB0").string());
        ASSERT_TRUE(port.has_value());
        EXPECT_EQ(port->name, "ttyUSB0");
        EXPECT_EQ(port->driver, r.driver);
        const int fd = ::open(line_.path().c_str(), O_RDWR | O_NOCTTY);
        r70::UsbLatency latency;
        const DRVADAPTER got = latency.lower(fd, *port);
        EXPECT_EQ(got.nState, r.state);
        EXPECT_EQ(got.nLatencyMs, r.latencyMs);
        EXPECT_STREQ(got.szDriver, r.driver);
        EXPECT_NE(std::string(got.szDetail).find(r.detail), std::string::npos) << got.szDetail;
        if (r.state != DRV_ADAPTER_HOLDS) {
            EXPECT_NE(std::string(got.szDetail).find("TIOCGSERIAL refused"), std::string::npos)
                << got.szDetail;
        }
        char back[256];
        latency.giveBack(fd, back, sizeof back);
        EXPECT_STREQ(back, r.back);
        ::close(fd);
        if (r.file == File::Writable || r.file == File::ReadOnly) {
            std::ifstream in(file);
            std::string text;
            std::getline(in, text);
            EXPECT_EQ(text, r.timerEnd);
        }
    }
    // A pseudo-terminal sysfs does not know is no USB serial port.
    fs::remove_all(root_);
    EXPECT_FALSE(r70::portOfNode(line_.path()).has_value());
}

} // namespace
