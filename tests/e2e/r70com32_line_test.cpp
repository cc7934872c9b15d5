// The driver library over a real pseudo-terminal with a scripted device.
#include "driver/api/r70com32.h"
#include "support/pty_device.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <future>
#include <sstream>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

using testsupport::DeviceReply;
using testsupport::okReply;
using testsupport::PtyDevice;

namespace {

// Maps COM1..COM8: the given ports to their paths, every other one to nothing
// (so no real serial port of the machine is ever touched).
void mapPorts(const std::vector<std::pair<int, std::string>>& ports) {
    std::string value;
    for (int com = 1; com <= 8; ++com) {
        std::string path;
        for (const auto& [c, p] : ports)
            if (c == com) path = p;
        value += "COM" + std::to_string(com) + "=" + path + ";";
    }
    setenv("R70COM_PORTS", value.c_str(), 1);
}

std::string lastOpenError(int index, int* code = nullptr) {
    char text[256];
    const int c = D_LastOpenError(index, text, sizeof text);
    if (code != nullptr) *code = c;
    return text;
}

class DriverLine : public ::testing::Test {
protected:
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        unsetenv("R70COM_PORTS");
        unsetenv("R70COM_TRACE");
    }
    // Finds the device on COM1 and forgets the identification traffic.
    void connect(PtyDevice& device) {
        mapPorts({{1, device.path()}});
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    }
};

TEST_F(DriverLine, IdentifiesEachModel) {
    struct Case {
        const char* ati4;
        int model, usb;
    } cases[] = {{"613", 30, 0}, {"633", 70, 0}, {"633 USB", 70, 1}};
    for (const Case& c : cases) {
        PtyDevice device(testsupport::modelScript(c.ati4, "V2.10 TEST", "1.05"));
        mapPorts({{1, device.path()}});
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0) << c.ati4;
        EXPECT_EQ(device.speed(), B115200);
        const std::vector<std::string> sent = device.commands();
        EXPECT_EQ(sent, (std::vector<std::string>{"ATE0", "ATE0", "ATV1", "ATI4", "ATI3"}));

        DRVPARAM p{};
        std::memset(p.szText2, 'z', sizeof p.szText2);
        EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &p), 1);
        EXPECT_EQ(p.nCmd, DRV_IDENT);
        EXPECT_EQ(p.nPort, 0);
        EXPECT_EQ(p.nIndex, c.model) << c.ati4;
        EXPECT_EQ(drv_usb_flag(&p), c.usb) << c.ati4;
        EXPECT_STREQ(p.szCmd, "V2.10 TEST");
        EXPECT_STREQ(drv_boot_code_text(&p), "1.05");
        EXPECT_EQ(p.szText2[0], 'z');
        D_SendDrvCmd(DRV_CLOSE, nullptr);
    }
}

TEST_F(DriverLine, AnUnknownModelFailsTheFind) {
    PtyDevice device(testsupport::modelScript("999"));
    mapPorts({{1, device.path()}});
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    int code = 0;
    EXPECT_NE(lastOpenError(0, &code).find("no answer"), std::string::npos);
    EXPECT_EQ(code, DRV_OPENERR_NOANSWER);
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), -2);
}

TEST_F(DriverLine, FindsTheDeviceOnCom3) {
    PtyDevice mute([](const std::string&) { return testsupport::silence(); });
    PtyDevice device(testsupport::modelScript("633"));
    mapPorts({{1, mute.path()}, {3, device.path()}});
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    DRVPARAM p{};
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &p), 1);
    EXPECT_EQ(p.nPort, 2);
    int code = 0;
    EXPECT_NE(lastOpenError(0, &code).find("no answer"), std::string::npos);
    EXPECT_EQ(code, DRV_OPENERR_NOANSWER);
    lastOpenError(1, &code);
    EXPECT_EQ(code, DRV_OPENERR_ABSENT);
    EXPECT_EQ(mute.commands(), (std::vector<std::string>{"ATE0", "ATE0"}));

    // Reopen keeps the remembered port.
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), 0);
    DRVPARAM again{};
    D_SendDrvCmd(DRV_IDENT, &again);
    EXPECT_EQ(again.nPort, 2);
}

TEST_F(DriverLine, ALateReplyMissesTheBudgetAndNeverAnswersTheNextCommand) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    const std::string late = "\r\n7\r\n\r\nOK\r\n";
    device.setScript([&](const std::string& command) -> DeviceReply {
        if (command == "AT!P9#11?") return {late, 300};
        if (command == "AT!P6#11?") return okReply("2");
        return {"\r\nERROR\r\n"};
    });
    DRVPARAM p{};
    p.nPort = 11;
    p.nValue = -5;
    EXPECT_EQ(D_SendDrvCmd(DRV_RINGDELAY, &p), -2);
    EXPECT_EQ(p.bReply, 0);
    EXPECT_EQ(p.nValue, -5);
    EXPECT_STREQ(p.szCmd, "AT!P9#11?");
    // The late bytes now wait in the line's input.
    ASSERT_TRUE(
        testsupport::waitFor([&] { return device.pendingInput() >= static_cast<int>(late.size()); },
                             std::chrono::seconds(5)));

    DRVPARAM q{};
    q.nPort = 11;
    ASSERT_EQ(D_SendDrvCmd(DRV_CALLERID, &q), 0);
    EXPECT_EQ(q.bReply, 1);
    EXPECT_EQ(q.bOk, 1);
    EXPECT_EQ(q.nValue, 2); // not the 7 of the late reply
}

TEST_F(DriverLine, AReplyThatPausesEndsAtThePause) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    DeviceReply paused{"\r\n1234567\r\n\r\nOK\r\n"};
    paused.pauseAt = 6;
    paused.pauseMs = 200;
    device.setScript([&](const std::string&) { return paused; });
    DRVPARAM p{};
    p.nPort = 21;
    p.nIndex = 2;
    std::strcpy(p.szText, "old");
    EXPECT_EQ(D_SendDrvCmd(DRV_MSN, &p), 0);
    EXPECT_EQ(p.bReply, 1);
    EXPECT_EQ(p.bOk, 0); // "OK" came after the pause
    EXPECT_STREQ(p.szText, "old");
}

// While the line is watched (the check of the device), the library listens
// on after every reply, one that ended with its OK line too: a stray line 60 ms
// after the OK belongs to that exchange, and the next one is clean.
TEST_F(DriverLine, AWatchedLineListensAfterEveryReply) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    DeviceReply stray{"\r\n1\r\n\r\nOK\r\n\r\nRING\r\n"};
    stray.pauseAt = 11;
    stray.pauseMs = 60;
    device.setScript([&](const std::string& c) { return c == "AT!P9#21?" ? stray : okReply("0"); });
    ::unsetenv("R70COM_LISTEN_MS");
    D_WatchLine(1);
    for (int port : {21, 22}) {
        DRVPARAM p{};
        p.nPort = port;
        EXPECT_EQ(D_SendDrvCmd(DRV_RINGDELAY, &p), 0);
    }
    DRVEXCHANGE first{}, second{};
    ASSERT_EQ(D_TakeExchange(&first), 1);
    ASSERT_EQ(D_TakeExchange(&second), 1);
    D_WatchLine(0);
    EXPECT_EQ(std::string(first.abLate, static_cast<std::size_t>(first.nLate)), "\r\nRING\r\n");
    EXPECT_GE(first.nLateAfterUs,
              20000); // 60 ms after the OK, less the silence that ended the reply
    EXPECT_EQ(second.nStale, 0);
    EXPECT_EQ(std::string(second.abReply, static_cast<std::size_t>(second.nReceived)),
              "\r\n0\r\n\r\nOK\r\n");
    EXPECT_EQ(second.nLate, 0);
}

TEST_F(DriverLine, IdentAfterTheDeviceFellSilentKeepsTheOldValues) {
    PtyDevice device(testsupport::modelScript("633 USB", "V3.00 USB", "2.01"));
    connect(device);
    device.setScript([](const std::string&) { return testsupport::silence(); });
    DRVPARAM p{};
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &p), 1);
    EXPECT_EQ(p.nIndex, 70);
    EXPECT_EQ(drv_usb_flag(&p), 1);
    EXPECT_STREQ(p.szCmd, "V3.00 USB");
    EXPECT_STREQ(drv_boot_code_text(&p), "2.01");
}

TEST_F(DriverLine, ALongBootCodeStaysInsideItsThirtySixBytes) {
    PtyDevice device(testsupport::modelScript("633", "V1", std::string(80, 'B')));
    connect(device);
    DRVPARAM p{};
    std::memset(p.szText2, 'z', sizeof p.szText2);
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &p), 1);
    EXPECT_EQ(std::string(drv_boot_code_text(&p)), std::string(35, 'B'));
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(p.szText2[i], 'z') << i; // bytes 16-19: the USB flag
    EXPECT_EQ(drv_usb_flag(&p), 0);
    for (int i = 20; i < 32; ++i)
        EXPECT_EQ(p.szText2[i], 'z') << i;
}

TEST_F(DriverLine, NoReplyLeavesEveryValueField) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    device.setScript([](const std::string&) { return testsupport::silence(); });
    DRVPARAM p{};
    p.nPort = 11;
    p.bReply = 9;
    p.bOk = 8;
    p.bFlag = 7;
    p.nValue = 6;
    std::strcpy(p.szText, "a");
    std::strcpy(p.szText2, "b");
    std::strcpy(p.szText3, "c");
    DRVPARAM before = p;
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &p), -2);
    EXPECT_EQ(p.bReply, 0);
    EXPECT_EQ(p.bOk, before.bOk);
    EXPECT_EQ(p.bFlag, before.bFlag);
    EXPECT_EQ(p.nValue, before.nValue);
    EXPECT_EQ(std::memcmp(p.szText, before.szText, 96), 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_PING, nullptr), -1);
    EXPECT_EQ(D_SendDrvCmd(DRV_CALLCHECK, nullptr), -1);
}

TEST_F(DriverLine, CommandsWithoutTextOrWithTooLongTextTouchNoLine) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    const std::size_t before = device.bytesReceived().size();
    DRVPARAM p{};
    p.nPort = 0; // short dial has no data-port form
    p.bReply = 5;
    EXPECT_EQ(D_SendDrvCmd(DRV_SHORTDIAL, &p), -2);
    EXPECT_EQ(p.bReply, 0);
    DRVPARAM q{};
    q.nPort = 21;
    q.nOp = 1;
    std::strcpy(q.szText, "1234567890123456789012345");
    EXPECT_EQ(D_SendDrvCmd(DRV_MSN, &q), -2);
    EXPECT_EQ(q.bReply, 0);
    DRVPARAM r{};
    r.nCmd = 77;
    EXPECT_EQ(D_SendDrvCmd(58, &r), 0);
    EXPECT_EQ(D_SendDrvCmd(0xffff, nullptr), 0);
    EXPECT_EQ(r.nCmd, 77);
    EXPECT_EQ(D_SendDrvCmd(DRV_NOP, nullptr), 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_NOP1, nullptr), 1);
    EXPECT_EQ(D_SendDrvCmd(DRV_MSN, nullptr), -2);
    EXPECT_EQ(device.bytesReceived().size(), before);
}

TEST_F(DriverLine, ExchangesOfPresenceCallCheckAndStore) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    device.setScript([](const std::string& command) -> DeviceReply {
        if (command == "ATC?") return okReply("10");
        return {"\r\nOK\r\n"};
    });
    EXPECT_EQ(D_SendDrvCmd(DRV_PING, nullptr), 1);
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
    EXPECT_EQ(D_SendDrvCmd(DRV_CALLCHECK, nullptr), 1);
    EXPECT_EQ(D_SendDrvCmd(DRV_STORE, nullptr), 0);
    device.setScript([](const std::string&) { return okReply("5"); });
    EXPECT_EQ(D_SendDrvCmd(DRV_CALLCHECK, nullptr), 0);
    const auto sent = device.commands();
    EXPECT_EQ(std::vector<std::string>(sent.end() - 5, sent.end()),
              (std::vector<std::string>{"AT", "AT", "ATC?", "AT&W", "ATC?"}));
}

TEST_F(DriverLine, RawWriteAndTheDownloadResultThatFollowsIt) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    EXPECT_EQ(D_SendDrvCmd(DRV_DOWNLOAD, nullptr), 1);
    std::string block(512, 'F');
    DRVPARAM p{};
    drv_set_write_data(&p, block.data(), static_cast<int32_t>(block.size()));
    EXPECT_EQ(D_SendDrvCmd(DRV_WRITERAW, &p), 1);
    ASSERT_TRUE(testsupport::waitFor(
        [&] { return device.bytesReceived().find(block) != std::string::npos; },
        std::chrono::seconds(5)));
    // The outcome arrives before the program asks for it: it must not be
    // discarded, since no command precedes that read.
    device.send("\r\nDOWNLOAD SUCCESSFUL\r\n");
    ASSERT_TRUE(
        testsupport::waitFor([&] { return device.pendingInput() > 0; }, std::chrono::seconds(5)));
    EXPECT_EQ(D_SendDrvCmd(DRV_DOWNLOADRESULT, nullptr), 3);
    device.send("\r\nFAIL\r\n");
    EXPECT_EQ(D_SendDrvCmd(DRV_DOWNLOADRESULT, nullptr), 2);
}

// A far end that stops taking bytes (flow control held by a cable pulled or a
// device switched off in the middle of the firmware transfer): every write
// gives up within the line's bound of 20 ms plus 10 ms per byte, a block the
// line did not take whole is reported (-2, not 1), and a command whose text
// cannot go out has no reply to wait for.
TEST_F(DriverLine, WritesToAFarEndThatStoppedReadingEndWithinTheirBound) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    device.setReading(false);
    using Ms = std::chrono::milliseconds;
    // Generous for a loaded machine; a write that blocks never ends at all.
    const Ms slack(2000);
    // One call in a thread of its own, so that a call that blocks fails the
    // test instead of hanging it: the device reads again to release it.
    int32_t result = 0;
    auto timed = [&](uint16_t code, DRVPARAM* p, Ms bound) {
        const auto start = std::chrono::steady_clock::now();
        auto call = std::async(std::launch::async, [=] { return D_SendDrvCmd(code, p); });
        if (call.wait_for(bound + slack) != std::future_status::ready) {
            ADD_FAILURE() << "command " << code << " still writing after "
                          << (bound + slack).count() << " ms";
            device.setReading(true);
        }
        result = call.get();
        return std::chrono::duration_cast<Ms>(std::chrono::steady_clock::now() - start);
    };
    std::string block(512, 'F');
    const Ms blockBound(20 + 10 * 512);
    int stalled = 0;
    for (int i = 0; i < 1000 && stalled < 2; ++i) {
        DRVPARAM p{};
        drv_set_write_data(&p, block.data(), static_cast<int32_t>(block.size()));
        const Ms took = timed(DRV_WRITERAW, &p, blockBound);
        EXPECT_LE(took, blockBound + slack) << "block " << i;
        // A block the line did not take whole waited out its bound; once the
        // line is full, no block goes out.
        if (result == -2) {
            ++stalled;
            EXPECT_GE(took, blockBound / 2) << "block " << i;
        } else {
            EXPECT_EQ(result, 1) << "block " << i;
            EXPECT_EQ(stalled, 0) << "block " << i;
        }
    }
    EXPECT_EQ(stalled, 2) << "the line never filled up";
    // "AT\r" cannot go out either: no reply is awaited.
    EXPECT_LE(timed(DRV_PING2, nullptr, Ms(20 + 10 * 3)), Ms(20 + 10 * 3 + 200) + slack);
    device.setReading(true);
}

TEST_F(DriverLine, ThreadsCallingAtOnceNeverInterleave) {
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    device.setScript([](const std::string& command) -> DeviceReply {
        DeviceReply r = okReply(command == "AT!P17#11?" ? "1" : "0");
        r.delayMs = 3; // room for a second command to barge in
        return r;
    });
    constexpr int kThreads = 4, kCalls = 10;
    std::atomic<int> good{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t) {
        threads.emplace_back([&, t] {
            for (int i = 0; i < kCalls; ++i) {
                DRVPARAM p{};
                p.nPort = t % 2 == 0 ? 11 : 21;
                if (D_SendDrvCmd(DRV_CLIP, &p) == 0 && p.bOk == 1 &&
                    p.bFlag == (t % 2 == 0 ? 1 : 0))
                    ++good;
            }
        });
    }
    for (auto& th : threads)
        th.join();
    EXPECT_EQ(good.load(), kThreads * kCalls);
    EXPECT_FALSE(device.interleaved());
    for (const std::string& c : device.commands())
        EXPECT_TRUE(c == "ATE0" || c == "ATV1" || c == "ATI4" || c == "ATI3" || c == "AT!P17#11?" ||
                    c == "AT!P17#21?")
            << c;
}

TEST_F(DriverLine, ABusyPortIsReportedAsBusy) {
    PtyDevice device(testsupport::modelScript("633"));
    const int holder = ::open(device.path().c_str(), O_RDWR | O_NOCTTY);
    ASSERT_GE(holder, 0);
    ASSERT_EQ(flock(holder, LOCK_EX | LOCK_NB), 0);
    mapPorts({{1, device.path()}});
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    int code = 0;
    const std::string text = lastOpenError(0, &code);
    EXPECT_EQ(code, DRV_OPENERR_BUSY);
    EXPECT_NE(text.find("busy"), std::string::npos) << text;
    EXPECT_NE(text.find(device.path()), std::string::npos) << text;
    EXPECT_TRUE(device.commands().empty());
    ::close(holder);
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
}

TEST_F(DriverLine, ARegularFileIsNotASerialLine) {
    char path[] = "/tmp/r70-not-serial-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    mapPorts({{2, path}});
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    int code = 0;
    const std::string text = lastOpenError(1, &code);
    EXPECT_EQ(code, DRV_OPENERR_NOTSERIAL);
    EXPECT_NE(text.find("not a serial line"), std::string::npos) << text;
    EXPECT_EQ(text.rfind("COM2 (", 0), 0u) << text;
    char mapped[64];
    EXPECT_EQ(D_PortPath(1, mapped, sizeof mapped), static_cast<int>(std::strlen(path)));
    EXPECT_STREQ(mapped, path);
    EXPECT_EQ(D_PortPath(0, mapped, sizeof mapped), -1);
    ::close(fd);
    unlink(path);
}

TEST_F(DriverLine, TheTraceRecordsEveryExchange) {
    char path[] = "/tmp/r70-trace-XXXXXX";
    const int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ::close(fd);
    setenv("R70COM_TRACE", path, 1);
    PtyDevice device(testsupport::modelScript("633"));
    connect(device);
    std::string block(512, 'x');
    DRVPARAM p{};
    drv_set_write_data(&p, block.data(), 512);
    // Firmware blocks: one summary line, written before the next line.
    for (int i = 0; i < 3; ++i)
        D_SendDrvCmd(DRV_WRITERAW, &p);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    const std::string trace = text.str();
    EXPECT_NE(trace.find(" COM1 open " + device.path()), std::string::npos) << trace;
    EXPECT_NE(trace.find(" COM1 speed 115200"), std::string::npos) << trace;
    EXPECT_NE(trace.find("--> 'ATI4<CR>' <-- '<CR><LF>633<CR><LF><CR><LF>OK<CR><LF>' = 0"),
              std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("512 bytes"), std::string::npos) << trace;
    const std::size_t blocks = trace.find(" COM1 write 3 blocks, 1536 bytes in ");
    EXPECT_NE(blocks, std::string::npos) << trace;
    EXPECT_LT(blocks, trace.find(" COM1 close")) << trace;
    unlink(path);
}

} // namespace
