// The charge monitor over a fake device: the reads, the clear buttons and
// the refresh that runs only while the page is shown, the device connected
// and the shell has not paused it.

#include "pages/data/charge_page.h"

#include "core/config_app.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace quorvex::data {
namespace {

using test::Answer;

// The device's reply copied into the page's buffer, as the driver does.
Answer reply(std::string text) {
    Answer a;
    a.apply = [text](DRVPARAM& r) {
        char* buffer = static_cast<char*>(drv_get_address(&r));
        const int32_t capacity = drv_get_capacity(&r);
        ASSERT_NE(buffer, nullptr);
        ASSERT_GT(capacity, 0);
        const std::size_t n = std::min(text.size(), std::size_t(capacity - 1));
        std::memcpy(buffer, text.data(), n);
        buffer[n] = '\0';
    };
    return a;
}

class ChargePageTest : public testing::Test, public test::PageFixture {
protected:
    void SetUp() override {
        app.connected = true;
        drv.on({DRV_CHARGE, 0, 0, 0}, reply("P11: 1,000 DM\r\nATA: 2,000 DM\r\n"));
        drv.on({DRV_CHARGE, 0, 1, 0}, reply("P21: 0,500 DM\r\n"));
        drv.on({DRV_CHARGE, 0, 2, 0}, reply("P11: 12,345 DM\r\nP22: 1,50 DM\r\n"));
        drv.on({DRV_CHARGE, 0, 3, 0}, reply("99,999 DM"));
        drv.on({DRV_CHARGE, std::nullopt, std::nullopt, 2}, Answer::ok());
    }
    std::vector<test::Cmd> chargeCalls() const { return drv.sequence({DRV_CHARGE}); }

    ChargePage page{app, ui, host};
};

TEST_F(ChargePageTest, ReadsFourSelectorsAndShowsCurrencyBlankValue) {
    bool timer = false;
    page.timerChanged = [&](bool on) { timer = on; };
    page.readDevice();
    std::vector<std::pair<int, int>> selectorsAndOps;
    for (const test::Call& c : drv.calls())
        selectorsAndOps.push_back({c.sent.nIndex, c.sent.nOp});
    EXPECT_EQ(selectorsAndOps, (std::vector<std::pair<int, int>>{{0, 0}, {1, 0}, {2, 0}, {3, 0}}));
    for (const test::Call& c : drv.calls())
        EXPECT_EQ(drv_get_capacity(&c.sent), kChargeBufferSize);
    EXPECT_EQ(page.cellText(ChargeRowKind::LastCall, 0), "DM 1,00");
    EXPECT_EQ(page.cellText(ChargeRowKind::LastCall, 5), "DM 2,00");
    EXPECT_EQ(page.cellText(ChargeRowKind::LastCall, 1), "DM 0,00"); // label missing
    EXPECT_EQ(page.cellText(ChargeRowKind::Sum, 0), "DM 12,34");
    EXPECT_EQ(page.cellText(ChargeRowKind::Sum, 2), "DM 1,50");
    EXPECT_EQ(page.totalText(), "DM 99,99");
    EXPECT_TRUE(timer);
    EXPECT_TRUE(page.timerRunning());
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(charge_control::kClearBase));
}

TEST_F(ChargePageTest, FailedReadsShowZeroForPresentPortsOnly) {
    app.portCount = 3;
    drv.clearRules();
    page.readDevice();
    EXPECT_EQ(page.cellText(ChargeRowKind::Current, 0), " 0,00"); // no currency known yet
    EXPECT_EQ(page.cellText(ChargeRowKind::Current, 3), "");
    EXPECT_EQ(page.cell(ChargeRowKind::Current, 4), "");
    EXPECT_EQ(page.total(), "0,00");
    EXPECT_FALSE(page.columnShown(4));
    EXPECT_TRUE(page.columnShown(5));
}

TEST_F(ChargePageTest, ClearingAPortSumAsksNothing) {
    page.readDevice();
    drv.clearCalls();
    page.click(charge_control::kClearBase + 0);
    page.click(charge_control::kClearBase + 5); // the data port
    EXPECT_EQ(chargeCalls(),
              (std::vector<test::Cmd>{{DRV_CHARGE, 11, 2, 2, ""}, {DRV_CHARGE, 0, 2, 2, ""}}));
    EXPECT_EQ(page.cell(ChargeRowKind::Sum, 0), "0,00");
    EXPECT_TRUE(ui.yesNo.empty());
}

TEST_F(ChargePageTest, FailedClearKeepsTheValue) {
    page.readDevice();
    drv.on({DRV_CHARGE, 22, 2, 2}, Answer::noReply());
    page.clearPortSum(2);
    EXPECT_EQ(page.cell(ChargeRowKind::Sum, 2), "1,50");
}

TEST_F(ChargePageTest, ClearingTheTotalAsksFirst) {
    page.readDevice();
    drv.clearCalls();
    ui.yesNo.push_back(false);
    page.click(charge_control::kClearTotal);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(page.total(), "99,99");
    ui.yesNo.push_back(true);
    app.soundOn = true;
    page.clearTotal();
    EXPECT_EQ(chargeCalls(), (std::vector<test::Cmd>{{DRV_CHARGE, 0, 3, 2, ""}}));
    EXPECT_EQ(page.total(), "0,00");
    EXPECT_EQ(ui.beeps, 1);
}

TEST_F(ChargePageTest, RefreshOnlyWhileShownConnectedAndNotPaused) {
    page.readDevice();
    drv.clearCalls();
    page.timerTick();
    EXPECT_EQ(drv.count(DRV_CHARGE), 4);

    page.pausePoll(true);
    page.timerTick();
    EXPECT_EQ(drv.count(DRV_CHARGE), 4); // the last figures stay
    page.pausePoll(false);

    app.connected = false;
    page.timerTick();
    EXPECT_EQ(drv.calls().size(), 4u);
    app.connected = true;

    app.suspendHeartbeat(); // a profile load owns the line
    page.timerTick();
    EXPECT_EQ(drv.calls().size(), 4u);
    app.resumeHeartbeat();

    page.hidden();
    EXPECT_FALSE(page.timerRunning());
    page.timerTick();
    EXPECT_EQ(drv.count(DRV_CHARGE), 4);

    page.shown(); // reads and restarts
    EXPECT_TRUE(page.timerRunning());
    EXPECT_EQ(drv.count(DRV_CHARGE), 8);
    page.timerTick();
    EXPECT_EQ(drv.count(DRV_CHARGE), 12);
}

TEST_F(ChargePageTest, LeavingNeverAsks) {
    page.readDevice();
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_TRUE(page.profileSave(1).ok());
    page.profileLoad(1);
    EXPECT_EQ(drv.count(DRV_CHARGE), 4);
}

TEST_F(ChargePageTest, PortNamesFromTheCache) {
    app.cache.analog[1].name = "Fax";
    EXPECT_EQ(page.portName(1), "Fax");
    EXPECT_EQ(page.portName(0), "\"11\"");
    EXPECT_EQ(page.portName(5), "\"data\"");
}

TEST_F(ChargePageTest, AnOverlongReplyIsCutAtTheBuffer) {
    drv.on({DRV_CHARGE, 0, 0, 0}, reply("P11: " + std::string(5000, '1') + " DM"));
    page.readDevice();
    EXPECT_LT(page.cell(ChargeRowKind::LastCall, 0).size(), std::size_t(kChargeBufferSize));
}

} // namespace
} // namespace quorvex::data
