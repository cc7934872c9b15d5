#include "maintenance/log_page.h"

#include "core/config_app.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qm = quorvex::maintenance;
namespace qt = quorvex::test;
using qt::Answer;
using qt::Cmd;

namespace {

// Command 29's found flag and the list text in the caller's buffer.
Answer listText(std::string text) {
    Answer a;
    a.value = text.empty() ? 0 : 1;
    a.apply = [text](DRVPARAM& r) {
        char* p = static_cast<char*>(drv_get_address(&r));
        const auto cap = static_cast<std::size_t>(drv_get_capacity(&r));
        const auto n = std::min(text.size(), cap - 1);
        std::memcpy(p, text.data(), n);
        p[n] = '\0';
    };
    return a;
}

// The command without its text (29 carries a buffer address there).
std::vector<Cmd> bare(const qt::FakeDriver& drv) {
    std::vector<Cmd> out;
    for (Cmd c : drv.sequence()) {
        if (c.code == DRV_LOG) c.text.clear();
        out.push_back(c);
    }
    return out;
}

class LogPageTest : public ::testing::Test, public qt::PageFixture {
protected:
    LogPageTest() {
        app.connected = true;
        app.portCount = 5;
        app.cache.analog[0].name = "Fax";
        app.cache.analog[1].name = "Kitchen";
        drv.on({DRV_LOG, 11, 0, 0},
               listText("01.02 10:30 *21 OK 1,234 DM\r\n02.02 -- 0301 OK 0,12 DM\r\n"));
        drv.on({DRV_LOG, 11, 1, 0}, listText("03.02 11:00 ** 16\r\n"));
        drv.on({DRV_LOG, 11, 2, 0}, listText("04.02 12:00 NO ID 0\r\n"));
        drv.on({DRV_LOG, 21, 0, 0}, listText("05.02 13:00 0402 OK\r\n"));
        drv.on({DRV_LOG, 21, 1, 0}, listText(""));
        drv.on({DRV_LOG, 21, 2, 0}, listText(""));
    }

    qm::LogPage page{app, ui, host};
};

} // namespace

TEST_F(LogPageTest, ShownReadsTheThreeListsOfPort11) {
    page.shown();
    EXPECT_EQ(bare(drv),
              (std::vector<Cmd>{
                  {DRV_LOG, 11, 0, 0, ""}, {DRV_LOG, 11, 1, 0, ""}, {DRV_LOG, 11, 2, 0, ""}}));
    for (const auto& c : drv.calls())
        EXPECT_EQ(drv_get_capacity(&c.sent), 960);
    EXPECT_TRUE(page.timerRunning());
    EXPECT_EQ(page.list(0, 0).count, 2);
    EXPECT_EQ(page.cellText(3100), "01.02 10:30");
    EXPECT_EQ(page.cellText(3101), "02.02    --");
    EXPECT_EQ(page.cellText(3130), "Kitchen"); // *21 shown as port 21's name
    EXPECT_EQ(page.cellText(3131), "0301");
    EXPECT_EQ(page.cellText(3160), "OK");
    EXPECT_EQ(page.cellText(3190), "DM 1,23");
    EXPECT_EQ(page.cellText(3191), "DM 0,12");
    EXPECT_EQ(page.cellText(3102), ""); // beyond the count
    EXPECT_EQ(page.cellText(3140), "No ID");
    EXPECT_TRUE(page.cellIsNoId(3140));
    EXPECT_EQ(page.cellText(3150), "No ID"); // "NO" "ID"
    EXPECT_EQ(page.cellText(3170), "16");
    EXPECT_FALSE(page.cellIsNoId(3130));
}

TEST_F(LogPageTest, FailedReadKeepsTheListAndNoEntriesEmptyIt) {
    page.shown();
    drv.clearRules();
    drv.next(Answer::noReply());
    drv.next(listText("")); // found flag 0: no entries
    drv.next(Answer::notAcknowledged());
    page.timerTick();
    EXPECT_EQ(page.list(0, 0).count, 2);
    EXPECT_EQ(page.list(0, 1).count, 0);
    EXPECT_EQ(page.cellText(3140), "");
    EXPECT_EQ(page.list(0, 2).count, 1); // a reply without OK counts as failed too
}

TEST_F(LogPageTest, TimerReadsOnlyWhenShownConnectedAndNotPaused) {
    page.shown();
    drv.clearCalls();
    page.pausePoll(true);
    page.timerTick();
    page.pausePoll(false);
    app.connected = false;
    page.timerTick();
    app.connected = true;
    app.suspendHeartbeat(); // a profile load owns the line
    page.timerTick();
    app.resumeHeartbeat();
    page.hidden();
    EXPECT_FALSE(page.timerRunning());
    page.timerTick();
    EXPECT_TRUE(drv.calls().empty());
    page.shown();
    drv.clearCalls();
    page.timerTick();
    EXPECT_EQ(drv.count(DRV_LOG), 3);
}

TEST_F(LogPageTest, PortButtonsAndLabels) {
    page.shown();
    drv.clearCalls();
    app.soundOn = true;
    page.portButton(3201);
    EXPECT_EQ(page.selectedPort(), 1);
    EXPECT_EQ(bare(drv),
              (std::vector<Cmd>{
                  {DRV_LOG, 21, 0, 0, ""}, {DRV_LOG, 21, 1, 0, ""}, {DRV_LOG, 21, 2, 0, ""}}));
    EXPECT_EQ(ui.beeps, 1);
    drv.clearCalls();
    page.portButton(3201); // the current port: nothing read
    EXPECT_TRUE(drv.calls().empty());
    page.portButton(3205);
    EXPECT_EQ(drv.count(DRV_LOG, 0), 3);

    EXPECT_EQ(page.portLabel(0), "Fax");
    EXPECT_EQ(page.portLabel(2), "\"22\"");
    EXPECT_EQ(page.portLabel(5), "\"data\"");
    app.cache.data.name = "PC";
    EXPECT_EQ(page.portLabel(5), "PC");
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(page.portButtonVisible(k));
    app.portCount = 3;
    EXPECT_FALSE(page.portButtonVisible(3));
    EXPECT_FALSE(page.portButtonVisible(4));
    EXPECT_TRUE(page.portButtonVisible(5));
    drv.clearCalls();
    page.portButton(3203);
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(LogPageTest, ClearOneListOrAllOfTheSelectedPort) {
    page.shown();
    page.portButton(3201);
    page.portButton(3200);
    drv.on({DRV_LOG, 11, 1, 2}, Answer::ok());
    drv.on({DRV_LOG, 11, 3, 2}, Answer::ok());
    drv.clearCalls();
    page.clearButton(1551);
    EXPECT_EQ(bare(drv), (std::vector<Cmd>{{DRV_LOG, 11, 1, 2, ""}}));
    EXPECT_EQ(page.list(0, 1).count, 0);
    EXPECT_EQ(page.list(0, 0).count, 2);
    page.clearButton(1553);
    EXPECT_EQ(page.list(0, 0).count, 0);
    EXPECT_EQ(page.list(0, 2).count, 0);
    EXPECT_EQ(page.cellText(3100), "");
    EXPECT_EQ(page.list(1, 0).count, 1); // port 21 keeps its lists
    // A refused clear keeps the list.
    drv.on({DRV_LOG, 21, 0, 2}, Answer::notAcknowledged());
    page.portButton(3201);
    page.clearButton(1550);
    EXPECT_EQ(page.list(1, 0).count, 1);
    EXPECT_FALSE(page.busy());
}

TEST_F(LogPageTest, DialBackOnlyForRowsThatWereRead) {
    page.shown();
    drv.on({DRV_DIAL}, Answer::ok());
    drv.clearCalls();
    page.dialBackMessage(1);  // list 0, entry 1
    page.dialBack(0, 2);      // beyond the count
    page.dialBack(1, 0);      // "No ID": nothing to dial
    page.dialBackMessage(99); // out of range
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_DIAL, 11, 0, 0, "0301"}}));
    clock.advance(qm::kLogDialWaitMs);
    page.dialBack(0, 0); // the device dials the port code itself
    EXPECT_EQ(drv.sequence().back(), (Cmd{DRV_DIAL, 11, 0, 0, "*21"}));
}

// A dial costs money: while one runs (the device's 5 s), another is refused
// with a beep, and the status line has the number it dials.
TEST_F(LogPageTest, ASecondDialWhileOneRunsIsRefused) {
    app.soundOn = true;
    page.shown();
    drv.on({DRV_DIAL}, Answer::ok());
    drv.clearCalls();
    bool namedWhileAsked = false;
    drv.onCall = [&](uint16_t code, DRVPARAM*) {
        if (code == DRV_DIAL) namedWhileAsked = page.dialling() && page.diallingNumber() == "0301";
    };
    struct Step {
        std::int64_t after; // ms since the first dial
        bool dials;
    };
    const std::int64_t start = clock.now();
    for (const Step step : {Step{0, true}, Step{1, false}, Step{qm::kLogDialWaitMs - 1, false},
                            Step{qm::kLogDialWaitMs, true}}) {
        clock.set(start + step.after);
        const int before = drv.count(DRV_DIAL);
        const std::size_t beeps = ui.eventsStartingWith("beep").size();
        page.dialBackMessage(1);
        EXPECT_EQ(drv.count(DRV_DIAL) - before, step.dials ? 1 : 0) << step.after;
        EXPECT_EQ(ui.eventsStartingWith("beep").size() - beeps, step.dials ? 0u : 1u) << step.after;
        EXPECT_TRUE(page.dialling()) << step.after;
    }
    EXPECT_TRUE(namedWhileAsked);
    EXPECT_EQ(page.diallingPort(), 0);
    clock.advance(qm::kLogDialWaitMs);
    EXPECT_FALSE(page.dialling());
}

TEST_F(LogPageTest, ReadDeviceFocusesTheFirstPortButtonAndNothingToSave) {
    page.readDevice();
    EXPECT_NE(std::find(ui.events.begin(), ui.events.end(), "focus 3200"), ui.events.end());
    EXPECT_TRUE(page.profileSave(0).ok());
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(page.mayLeave(), 1);
}
