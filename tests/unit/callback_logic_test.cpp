#include "maintenance/callback_logic.h"

#include "core/config_app.h"
#include "support/app_fixture.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

using namespace quorvex;
using maintenance::CallbackDialog;
using test::Answer;
using test::Cmd;

struct CallbackFixture : ::testing::Test, test::AppFixture {
    test::ScriptedUi ui;
    core::CallbackSettings values; // the main window's copy

    void SetUp() override {
        app.connected = true;
        drv.on({DRV_CALLBACK}, Answer::ok());
        drv.on({DRV_CALLBACKNUM}, Answer::ok());
        // As the main window holds them after reading the device.
        values.active.reset(1, true);
        for (std::size_t i = 0; i < values.numbers.size(); ++i)
            values.numbers[i].reset(i % 2 == 0 ? "0301234" + std::to_string(i) : "", true);
    }
};

TEST_F(CallbackFixture, ConfirmingWithoutChangesSendsNothing) {
    CallbackDialog dlg(app, ui, values);
    EXPECT_TRUE(dlg.active());
    EXPECT_EQ(dlg.number(2), "03012342");
    EXPECT_FALSE(dlg.hasChanges());
    EXPECT_EQ(dlg.confirm(), 0);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(dlg.report().text(), "");
}

TEST_F(CallbackFixture, OnlyNumberThreeChangedSendsOneCommand) {
    CallbackDialog dlg(app, ui, values);
    EXPECT_TRUE(dlg.numberChanged(2304, "0401"));
    dlg.confirm();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_CALLBACKNUM, 0, 3, 1, "0401"}}));
    EXPECT_EQ(values.numbers[3].confirmed, "0401");
    EXPECT_EQ(values.numbers[3].edited, "0401");
    EXPECT_EQ(dlg.report().text(), "C45 P0 I3 O1 =0401,OK\n");
}

struct TypingCase {
    const char* text;
    bool accepted;
};

TEST_F(CallbackFixture, NumbersAreDigitsOnly) {
    const TypingCase cases[] = {
        {"", true},
        {"0", true},
        {"123456789012345", true},
        {"1234567890123456", false},
        {"12a", false},
        {"+49", false},
        {" 1", false},
        {"*21", false},
    };
    for (const TypingCase& c : cases) {
        CallbackDialog dlg(app, ui, values);
        ui.messages.clear();
        ui.events.clear();
        EXPECT_EQ(dlg.numberChanged(2301, c.text), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_EQ(dlg.number(0), c.text);
            EXPECT_TRUE(ui.messages.empty());
        } else {
            EXPECT_EQ(ui.messages, std::vector<int>{9002}) << c.text;
            EXPECT_EQ(dlg.number(0), "03012340"); // the last accepted text
            EXPECT_EQ(ui.events.back(), "focus 2301");
        }
    }
}

TEST_F(CallbackFixture, ALetterRestoresTheLastAcceptedText) {
    CallbackDialog dlg(app, ui, values);
    EXPECT_TRUE(dlg.numberChanged(2305, "08"));
    EXPECT_FALSE(dlg.numberChanged(2305, "08x"));
    EXPECT_EQ(dlg.number(4), "08");
    EXPECT_FALSE(dlg.numberChanged(2311, "1")); // no such field
    EXPECT_FALSE(dlg.numberChanged(2300, "1"));
}

TEST_F(CallbackFixture, AnEmptyNumberIsSentAndClears) {
    CallbackDialog dlg(app, ui, values);
    EXPECT_TRUE(dlg.numberChanged(2301, ""));
    dlg.confirm();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_CALLBACKNUM, 0, 0, 1, ""}}));
    EXPECT_EQ(values.numbers[0].confirmed, "");
}

TEST_F(CallbackFixture, SwitchFirstThenNumbersInOrderWithABeep) {
    app.soundOn = true;
    CallbackDialog dlg(app, ui, values);
    dlg.numberChanged(2310, "9");
    dlg.numberChanged(2302, "1");
    dlg.toggleActive();
    dlg.confirm();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{
                                  {DRV_CALLBACK, 0, 0, 1, ""},
                                  {DRV_CALLBACKNUM, 0, 1, 1, "1"},
                                  {DRV_CALLBACKNUM, 0, 9, 1, "9"},
                              }));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 0);
    EXPECT_EQ(values.active.confirmed, 0);
    EXPECT_EQ(ui.beeps, 1);
}

TEST_F(CallbackFixture, FailedItemsKeepTheirConfirmedValueAndGoAgain) {
    drv.on({DRV_CALLBACK, {}, {}, 1}, Answer::notAcknowledged());
    drv.on({DRV_CALLBACKNUM, 0, 5, 1}, Answer::noReply());
    {
        CallbackDialog dlg(app, ui, values);
        dlg.setActive(false);
        dlg.numberChanged(2306, "555");
        dlg.numberChanged(2307, "777");
        EXPECT_EQ(dlg.confirm(), 2);
        EXPECT_EQ(dlg.report().text(), "C45 P0 I5 O1 =555,FAIL\nC45 P0 I6 O1 =777,OK\n");
    }
    EXPECT_EQ(values.active.confirmed, 1);
    EXPECT_EQ(values.active.edited, 0);
    EXPECT_EQ(values.numbers[5].confirmed, "");
    EXPECT_EQ(values.numbers[5].edited, "555");
    EXPECT_EQ(values.numbers[6].confirmed, "777");

    // Opened again from the acceptance page (no read): the failed ones go again.
    drv.clearRules();
    drv.on({DRV_CALLBACK}, Answer::ok());
    drv.on({DRV_CALLBACKNUM}, Answer::ok());
    drv.clearCalls();
    CallbackDialog again(app, ui, values);
    EXPECT_FALSE(again.active());
    EXPECT_EQ(again.number(5), "555");
    EXPECT_EQ(again.confirm(), 0);
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{
                                  {DRV_CALLBACK, 0, 0, 1, ""},
                                  {DRV_CALLBACKNUM, 0, 5, 1, "555"},
                              }));
    EXPECT_FALSE(values.active.changed());
    EXPECT_FALSE(values.numbers[5].changed());
}

TEST_F(CallbackFixture, CancelSendsNothingAndLeavesTheMainWindowsValues) {
    {
        CallbackDialog dlg(app, ui, values);
        dlg.numberChanged(2301, "1");
        dlg.toggleActive();
        dlg.cancel();
    }
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(values.numbers[0].edited, "03012340");
    EXPECT_EQ(values.active.edited, 1);
}

TEST_F(CallbackFixture, NotConnectedSendsNothingAndConfirmsNothing) {
    app.connected = false;
    CallbackDialog dlg(app, ui, values);
    dlg.numberChanged(2301, "1");
    EXPECT_EQ(dlg.confirm(), 1);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(values.numbers[0].confirmed, "03012340");
}

// The menu path: the main window reads 44 and 45 x10 first, the dialog shows that.
TEST_F(CallbackFixture, OpenedFromTheMenuShowsWhatTheDeviceHolds) {
    struct NoPages : app::PageFactory {
        std::unique_ptr<core::Page> createPage(int, int, core::PageHost&) override { return {}; }
    } factory;
    app::MainWindowLogic main(app, ui, factory);
    drv.on({DRV_CALLBACK, {}, {}, 0}, Answer::okFlag(1));
    drv.on({DRV_CALLBACKNUM, 0, 7, 0}, Answer::okText("0897"));
    main.readCallbackFromDevice();
    std::vector<Cmd> reads = drv.sequence();
    ASSERT_EQ(reads.size(), 11u);
    EXPECT_EQ(reads[0], (Cmd{DRV_CALLBACK, 0, 0, 0, ""}));
    EXPECT_EQ(reads[8], (Cmd{DRV_CALLBACKNUM, 0, 7, 0, ""}));
    CallbackDialog dlg(app, ui, main.callback());
    EXPECT_TRUE(dlg.active());
    EXPECT_EQ(dlg.number(7), "0897");
    EXPECT_EQ(dlg.number(0), "");
    EXPECT_FALSE(dlg.hasChanges());
}

} // namespace
