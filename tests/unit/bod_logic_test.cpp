// The bandwidth-on-demand dialog: checks while typing, OK and Cancel.

#include "pages/data/bod_logic.h"
#include "support/scripted_page_ui.h"

#include <gtest/gtest.h>

namespace quorvex::data {
namespace {

TEST(BodTyping, RangesAndDigits) {
    struct Case {
        BodField field;
        const char* text;
        int message;
    };
    const Case cases[] = {
        {BodField::HighWater, "", 0},        {BodField::HighWater, "0", 0},
        {BodField::HighWater, "64", 0},      {BodField::HighWater, "65", 9026},
        {BodField::LowWater, "100", 9026},   {BodField::LowWater, "3x", 9024},
        {BodField::HighDuration, "0", 9030}, {BodField::HighDuration, "1", 0},
        {BodField::LowDuration, "60", 0},    {BodField::LowDuration, "61", 9030},
        {BodField::LowDuration, "-1", 9024}, {BodField::HighWater, "99999999999999", 9026},
    };
    for (const Case& c : cases)
        EXPECT_EQ(bodTypingError(c.field, c.text), c.message) << c.text;
}

class BodDialogTest : public ::testing::Test {
protected:
    test::ScriptedPageUi ui;
    BodValues opening{45, 30, 2, 2};
};

TEST_F(BodDialogTest, OpensWithTheValuesPassed) {
    BodDialog dlg(ui, BodValues{50, 20, 3, 4}, false);
    EXPECT_EQ(dlg.text(BodField::HighWater), "50");
    EXPECT_EQ(dlg.text(BodField::LowWater), "20");
    EXPECT_EQ(dlg.text(BodField::HighDuration), "3");
    EXPECT_EQ(dlg.text(BodField::LowDuration), "4");
}

TEST_F(BodDialogTest, WaterAbove64IsRejectedAndTheOpeningValueReturns) {
    BodDialog dlg(ui, opening, false);
    EXPECT_TRUE(dlg.fieldChanged(BodField::HighWater, "6"));
    EXPECT_FALSE(dlg.fieldChanged(BodField::HighWater, "65"));
    EXPECT_EQ(ui.messages, std::vector<int>{9026});
    EXPECT_EQ(dlg.text(BodField::HighWater), "45");
    EXPECT_EQ(ui.eventsStartingWith("focus"), std::vector<std::string>{"focus 2401"});
}

TEST_F(BodDialogTest, ZeroDurationIsRejectedAtOnce) {
    BodDialog dlg(ui, opening, false);
    EXPECT_FALSE(dlg.fieldChanged(BodField::LowDuration, "0"));
    EXPECT_EQ(ui.messages, std::vector<int>{9030});
    EXPECT_EQ(dlg.text(BodField::LowDuration), "2");
}

TEST_F(BodDialogTest, LowWaterAboveHighWaterIsPulledDownOnOk) {
    BodDialog dlg(ui, opening, false);
    dlg.fieldChanged(BodField::HighWater, "20");
    dlg.fieldChanged(BodField::LowWater, "30");
    BodValues got = dlg.ok();
    EXPECT_EQ(got, (BodValues{20, 20, 2, 2}));
    EXPECT_EQ(dlg.result(), got);
    EXPECT_EQ(dlg.text(BodField::LowWater), "20");
    EXPECT_EQ(ui.messages, std::vector<int>{9028});
}

TEST_F(BodDialogTest, EqualWaterMarksCloseWithoutMessage) {
    BodDialog dlg(ui, opening, true);
    dlg.fieldChanged(BodField::HighWater, "30");
    EXPECT_EQ(dlg.ok(), (BodValues{30, 30, 2, 2}));
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.beeps, 1); // sound on: OK beeps
}

TEST_F(BodDialogTest, CancelReturnsTheOpeningValues) {
    BodDialog dlg(ui, opening, false);
    dlg.fieldChanged(BodField::HighWater, "60");
    dlg.fieldChanged(BodField::LowDuration, "9");
    EXPECT_EQ(dlg.cancel(), opening);
}

TEST_F(BodDialogTest, OkWithAnEmptyFieldKeepsItsOpeningValue) {
    BodDialog dlg(ui, opening, false);
    dlg.fieldChanged(BodField::HighWater, "");
    dlg.fieldChanged(BodField::HighDuration, "7");
    EXPECT_EQ(dlg.ok(), (BodValues{45, 30, 7, 2}));
    EXPECT_EQ(dlg.text(BodField::HighWater), "45");
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(BodDialogTest, AnUntouchedValueAboveTheTypingRangeSurvivesOk) {
    // The device may report a water mark the user could not type; OK keeps it.
    BodDialog dlg(ui, BodValues{100, 30, 2, 2}, false);
    EXPECT_EQ(dlg.ok(), (BodValues{100, 30, 2, 2}));
}

} // namespace
} // namespace quorvex::data
