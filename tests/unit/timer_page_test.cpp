// The timer page over a fake device and a fixed computer clock.

#include "pages/data/timer_page.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace quorvex::data {
namespace {

using test::Answer;
namespace ctl = timer_control;

Answer portTime(int hour, int minute) {
    Answer a;
    a.apply = [=](DRVPARAM& r) { drv_set_port_time(&r, hour, minute); };
    return a;
}

Answer deviceClock(int year, int month, int day, int hour, int minute, int second) {
    Answer a;
    a.apply = [=](DRVPARAM& r) { drv_set_clock(&r, year, month, day, hour, minute, second); };
    return a;
}

// One call as "code port op payload".
std::string describe(const test::Call& c) {
    const DRVPARAM& r = c.sent;
    std::string s =
        std::to_string(c.code) + " " + std::to_string(r.nPort) + " op" + std::to_string(r.nOp);
    auto byte = [&](int i) { return static_cast<int>(static_cast<unsigned char>(r.szText[i])); };
    if (c.code == DRV_PORTTIMER && r.nOp == 1) return s + " =" + std::to_string(r.bFlag);
    if (c.code == DRV_PORTTIMER && r.nOp == 4)
        return s + " " + std::to_string(byte(2)) + ":" + std::to_string(byte(3));
    if (c.code == DRV_CLOCK && r.nOp == 4)
        return s + " " + std::to_string(byte(1)) + "/" + std::to_string(byte(0)) + "/" +
               std::to_string(r.nValue) + " " + std::to_string(byte(2)) + ":" +
               std::to_string(byte(3)) + ":" + std::to_string(byte(4));
    return s;
}

class TimerPageTest : public testing::Test, public test::PageFixture {
protected:
    void SetUp() override {
        app.connected = true;
        page.setWallClock([] { return DateTime{2001, 3, 7, 9, 5, 0}; });
        drv.on({DRV_PORTTIMER}, Answer::ok());
        drv.on({DRV_CLOCK}, Answer::ok());
    }
    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const test::Call& c : drv.calls())
            out.push_back(describe(c));
        return out;
    }
    void read() {
        page.readDevice();
        drv.clearCalls();
        ui.events.clear();
    }

    TimerPage page{app, ui, host};
};

TEST_F(TimerPageTest, ReadSequence) {
    drv.on({DRV_PORTTIMER, 21, 0, 0}, Answer::okFlag(1));
    drv.on({DRV_PORTTIMER, 11, 0, 3}, portTime(6, 30));
    drv.on({DRV_PORTTIMER, 22, 0, 3}, Answer::noReply());
    drv.on({DRV_CLOCK, 0, 0, 3}, deviceClock(2024, 12, 31, 23, 59, 58));
    page.readDevice();
    EXPECT_EQ(sent(), (std::vector<std::string>{"7 11 op0", "7 21 op0", "7 22 op0", "7 31 op0",
                                                "7 32 op0", "7 11 op3", "7 21 op3", "7 22 op3",
                                                "7 31 op3", "7 32 op3", "8 0 op3"}));
    EXPECT_TRUE(page.flag(ctl::kActiveBase + 1));
    EXPECT_FALSE(page.flag(ctl::kActiveBase + 0));
    EXPECT_EQ(page.text(ctl::kTimeBase + 0), "06:30");
    EXPECT_EQ(page.text(ctl::kTimeBase + 1), "00:00");
    EXPECT_EQ(page.text(ctl::kTimeBase + 2), ""); // failed read
    EXPECT_EQ(page.deviceClockText(), "31/12/2024 23:59:58");
    EXPECT_EQ(page.computerClockText(), "07/03/2001 09:05:00");
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(TimerPageTest, ClockNeverSetIsSetAtOnce) {
    drv.on({DRV_CLOCK, 0, 0, 3}, deviceClock(1, 0, 0, 0, 0, 0));
    page.readDevice();
    EXPECT_EQ(sent().back(), "8 0 op4 7/3/2001 9:5:0");
    EXPECT_EQ(page.deviceClockText(), "07/03/2001 09:05:00");
    EXPECT_TRUE(ui.yesNo.empty());
}

TEST_F(TimerPageTest, ClockReadFailsLeavesItEmpty) {
    drv.on({DRV_CLOCK, 0, 0, 3}, Answer::noReply());
    page.readDevice();
    EXPECT_EQ(page.deviceClockText(), "");
    EXPECT_EQ(drv.count(DRV_CLOCK), 1);
}

TEST_F(TimerPageTest, ThreePortModelOnlyAddressesThreePorts) {
    app.portCount = 3;
    page.readDevice();
    EXPECT_EQ(drv.count(DRV_PORTTIMER, 31) + drv.count(DRV_PORTTIMER, 32), 0);
    EXPECT_EQ(drv.count(DRV_PORTTIMER), 6);
    page.typeText(ctl::kTimeBase + 3, "07:00"); // no such field
    EXPECT_FALSE(page.hasUnsentChanges());
}

struct TypingCase {
    const char* typed;
    bool accepted;
};

TEST_F(TimerPageTest, TypingChecks) {
    const TypingCase cases[] = {
        {"", true},     {"2", true},       {"23", true},     {"23:", true},    {"23:59", true},
        {"24", false},  {"12:6", true},    {"12:60", false}, {"12:5:", false}, {"1a", false},
        {"123", false}, {"07:050", false}, {":", true},      {" 7", false},
    };
    for (const TypingCase& c : cases)
        EXPECT_EQ(timeTypingAccepted(c.typed), c.accepted) << c.typed;
}

TEST_F(TimerPageTest, RejectedTypingFallsBackToTheDeviceValue) {
    drv.on({DRV_PORTTIMER, 21, 0, 3}, portTime(6, 30));
    read();
    page.typeText(ctl::kTimeBase + 1, "1");
    page.typeText(ctl::kTimeBase + 1, "12:6");
    page.typeText(ctl::kTimeBase + 1, "12:60");
    EXPECT_EQ(ui.messages, std::vector<int>{9020});
    EXPECT_EQ(page.text(ctl::kTimeBase + 1), "06:30");
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(ctl::kTimeBase + 1));
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(TimerPageTest, EnterRewritesTheLastChangedTime) {
    read();
    const std::pair<const char*, const char*> cases[] = {
        {"7:5", "07:05"}, {"8", "08:00"}, {"8:5", "08:05"}, {"", "00:00"}, {"23:59", "23:59"}};
    for (const auto& [typed, shown] : cases) {
        page.typeText(ctl::kTimeBase + 2, typed);
        page.enterOrTab(ctl::kTimeBase + 2);
        EXPECT_EQ(page.text(ctl::kTimeBase + 2), shown) << typed;
    }
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(ctl::kActiveBase + 3));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TimerPageTest, EnterWithAnUnreadableTimeShowsErrorFormat) {
    drv.on({DRV_PORTTIMER, 11, 0, 3}, portTime(6, 30));
    read();
    std::string shown;
    page.showFixedText = [&](std::string_view text) { shown = text; };
    for (const char* bad : {"7:75", "123456", "ab"}) {
        shown.clear();
        page.takeText(ctl::kTimeBase + 0, bad);
        page.enterOrTab(ctl::kTimeBase + 0);
        EXPECT_EQ(shown, "Error Format") << bad;
        EXPECT_EQ(page.text(ctl::kTimeBase + 0), "06:30") << bad;
    }
    EXPECT_TRUE(ui.messages.empty()); // the fixed text, not a translated one
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(TimerPageTest, SendsChangedFlagsThenTimes) {
    read();
    page.click(ctl::kActiveBase + 4);
    page.typeText(ctl::kTimeBase + 0, "6:3");
    page.typeText(ctl::kTimeBase + 3, "");
    page.typeText(ctl::kTimeBase + 3, "7");
    page.sendButton();
    EXPECT_EQ(sent(), (std::vector<std::string>{"7 32 op1 =1", "7 11 op4 6:3", "7 31 op4 7:0"}));
    EXPECT_EQ(page.text(ctl::kTimeBase + 0), "06:03");
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(TimerPageTest, EmptiedTimeIsSentAsMidnight) {
    drv.on({DRV_PORTTIMER, 11, 0, 3}, portTime(6, 30));
    read();
    page.typeText(ctl::kTimeBase + 0, "");
    page.send();
    EXPECT_EQ(sent(), (std::vector<std::string>{"7 11 op4 0:0"}));
}

TEST_F(TimerPageTest, UnconfirmedWritesStayPending) {
    read();
    page.click(ctl::kActiveBase + 0);
    page.typeText(ctl::kTimeBase + 1, "9:00");
    drv.on({DRV_PORTTIMER, 11, 0, 1}, Answer::notAcknowledged());
    drv.on({DRV_PORTTIMER, 21, 0, 4}, Answer::noReply());
    page.send();
    EXPECT_TRUE(page.active(0).changed());
    EXPECT_TRUE(page.time(1).changed());
    ui.discardAnswers.push_back(core::DiscardAnswer::Discard);
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(page.text(ctl::kTimeBase + 1), "00:00");
}

TEST_F(TimerPageTest, SynchronizeWritesTheComputersTime) {
    read();
    app.soundOn = true;
    drv.on({DRV_CLOCK, 0, 0, 4}, Answer::noReply()); // the outcome is not looked at
    page.click(ctl::kSync);
    EXPECT_EQ(sent(), (std::vector<std::string>{"8 0 op4 7/3/2001 9:5:0"}));
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(TimerPageTest, ProfileLoadSendsEveryPortUnconditionally) {
    read();
    profiles.set(1, "TIMER_DIV", "MCACTIVE1", "1");
    profiles.set(1, "TIMER_DIV", "MCALL1", "6:45");
    page.profileLoad(1);
    EXPECT_EQ(sent(),
              (std::vector<std::string>{"7 11 op1 =0", "7 21 op1 =1", "7 22 op1 =0", "7 31 op1 =0",
                                        "7 32 op1 =0", "7 11 op4 0:0", "7 21 op4 6:45",
                                        "7 22 op4 0:0", "7 31 op4 0:0", "7 32 op4 0:0"}));
    EXPECT_EQ(host.progressSteps, 10);
    EXPECT_EQ(page.time(1).confirmed, "06:45");
    EXPECT_FALSE(page.hasUnsentChanges());
}

// A load the device refused stays pending instead of passing for sent.
TEST_F(TimerPageTest, ProfileLoadRefusedStaysPending) {
    read();
    profiles.set(1, "TIMER_DIV", "MCACTIVE0", "1");
    drv.on({DRV_PORTTIMER, 11, 0, 1}, Answer::noReply());
    page.profileLoad(1);
    EXPECT_TRUE(page.active(0).changed());
    EXPECT_TRUE(page.hasUnsentChanges());
}

TEST_F(TimerPageTest, ProfileSaveWritesDeviceValuesUnderTheModelsKeys) {
    for (int ports : {3, 5}) {
        profiles.writes.clear();
        app.portCount = ports;
        drv.on({DRV_PORTTIMER, 11, 0, 3}, portTime(7, 15));
        drv.on({DRV_PORTTIMER, 11, 0, 0}, Answer::okFlag(1));
        read();
        page.typeText(ctl::kTimeBase + 0, "9"); // edited only: not saved
        EXPECT_TRUE(page.profileSave(1).ok());
        std::vector<std::string> keys;
        for (const auto& w : profiles.writes)
            keys.push_back(w.key);
        std::vector<std::string> expected;
        for (const profile::KeySpec& k : profile::keysOf(profile::Section::Timer, ports))
            expected.push_back(k.name);
        EXPECT_EQ(keys, expected) << ports;
        EXPECT_EQ(profiles.get(1, "TIMER_DIV", "MCALL0"), "07:15");
        EXPECT_EQ(profiles.get(1, "TIMER_DIV", "MCACTIVE0"), "1");
        EXPECT_EQ(profiles.get(1, "TIMER_DIV", "MCACTIVE1"), "0");
    }
}

} // namespace
} // namespace quorvex::data
