#include "app/heartbeat.h"
#include "support/app_fixture.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

namespace {

using namespace quorvex;
using test::Answer;
using test::FakeDriver;

struct HeartbeatFixture : ::testing::Test, test::AppFixture {
    // drv: command 55 answers -1 (silence) unless told otherwise
    test::ScriptedUi ui;
    app::Heartbeat heartbeat{app, ui};

    void SetUp() override {
        app.identified = true;
        app.connected = true;
        heartbeat.start();
    }
    void ticks(int n) {
        for (int i = 0; i < n; ++i)
            heartbeat.tick();
    }
};

TEST_F(HeartbeatFixture, FourthSilentTickShowsTheMessageAndEveryFourthAfter) {
    ticks(3);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_FALSE(app.connected);
    ticks(1);
    EXPECT_EQ(ui.messages, (std::vector<int>{9062}));
    ticks(3);
    EXPECT_EQ(ui.messages.size(), 1u);
    ticks(1);
    EXPECT_EQ(ui.messages.size(), 2u);
    EXPECT_EQ(drv.count(DRV_PING2), 8);
    EXPECT_FALSE(drv.calls()[0].hadRecord); // command 55 goes without a record
}

TEST_F(HeartbeatFixture, AnswerResetsTheCountAndBeepsOnceOnReturn) {
    ticks(3);
    drv.on({DRV_PING2}, Answer::returns(1));
    ticks(2);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(app.connected);
    EXPECT_EQ(heartbeat.silentTicks(), 0);
    drv.clearRules();
    ticks(3);
    EXPECT_TRUE(ui.messages.empty()); // the count started again
}

TEST_F(HeartbeatFixture, NoBeepWhileConnected) {
    drv.on({DRV_PING2}, Answer::returns(1));
    ticks(5);
    EXPECT_EQ(ui.beeps, 0);
}

TEST_F(HeartbeatFixture, SkippedWhileSuspendedStoppedOrNotIdentified) {
    app.suspendHeartbeat();
    ticks(5);
    app.resumeHeartbeat();
    app.identified = false;
    ticks(5);
    app.identified = true;
    heartbeat.stop();
    ticks(5);
    EXPECT_TRUE(drv.calls().empty());
    app.resumeHeartbeat(); // an extra resume must not leave it "more than running"
    app.suspendHeartbeat();
    heartbeat.start();
    ticks(1);
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(HeartbeatFixture, ReentrantTickIsSkipped) {
    int nested = 0;
    drv.onCall = [&](uint16_t, DRVPARAM*) {
        if (nested++ == 0) heartbeat.tick(); // a timer message inside the device call
    };
    ticks(1);
    EXPECT_EQ(drv.count(DRV_PING2), 1);
}

TEST_F(HeartbeatFixture, MessageSuspendsTheHeartbeatAndASecondRequestIsIgnored) {
    ui.onMessage = [&](int) {
        EXPECT_TRUE(app.heartbeatSuspended());
        heartbeat.showNotFound(); // UM_NOTFOUND while the box is open
        heartbeat.tick();
    };
    ticks(4);
    EXPECT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(drv.count(DRV_PING2), 4);
    EXPECT_FALSE(app.heartbeatSuspended());
}

} // namespace

namespace {

// Where the fake driver's COM names lead (D_PortPath's part of the port access).
std::string gComPaths[8];
int32_t fakePortPath(int32_t index, char* path, int32_t size) {
    const std::string& p = gComPaths[index];
    std::snprintf(path, static_cast<std::size_t>(size), "%s", p.c_str());
    return p.empty() ? -1 : static_cast<int32_t>(p.size());
}

// Back after a loss: the user hears of it only when the device is now behind
// another COM name or node; command 31 tells the port index.
TEST_F(HeartbeatFixture, AReturnUnderAnotherNodeIsTold) {
    core::PortAccess ports("/nonexistent/win.ini", {fakePortPath, nullptr, nullptr});
    app.ports = &ports;
    struct Case {
        int index;
        const char* path;
        std::vector<std::string> tails;
    } cases[] = {
        {0, "/nonexistent/ttyUSB0", {}},
        {1, "/nonexistent/ttyUSB1", {"COM2 (/nonexistent/ttyUSB1) -> /nonexistent/ttyUSB1"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        gComPaths[0] = "/nonexistent/ttyUSB0";
        app.portIndex = 0;
        app.portNode = "/nonexistent/ttyUSB0";
        app.connected = true;
        ui.messages.clear();
        ui.messageTails.clear();
        drv.clearRules();
        ticks(1); // lost
        gComPaths[c.index] = c.path;
        drv.on({DRV_PING2}, Answer::returns(1));
        drv.on({DRV_IDENT}, Answer::identity(c.index, 70, true, "V2.20", "V1.03"));
        ticks(2);
        std::vector<std::string> tails;
        for (std::size_t i = 0; i < ui.messages.size(); ++i)
            if (ui.messages[i] == core::kTextFoundAgain) tails.push_back(ui.messageTails[i]);
        EXPECT_EQ(tails, c.tails);
        EXPECT_EQ(app.portIndex, c.index);
        EXPECT_EQ(drv.count(DRV_IDENT), 1); // only at the return, not while connected
        drv.clearCalls();
    }
    app.ports = nullptr;
}

} // namespace
