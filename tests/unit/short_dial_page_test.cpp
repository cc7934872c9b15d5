// The short dial and special ring page: exact command sequences of read,
// send (all and changed), profile load and save; validation while typing.
#include "pages/telephony/short_dial_page.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace quorvex::telephony {
namespace {

using test::Answer;
using test::Cmd;

constexpr int kPorts[] = {11, 21, 22, 31, 32};

int editOf(int p, int slot) {
    return kShortDialEditFirst + 10 * p + slot;
}

class ShortDialTest : public ::testing::Test, public test::PageFixture {
protected:
    void SetUp() override { setUpModel(70); }

    void setUpModel(int model) {
        connectModel(model);
        app.cache.analog[1].name = "Paul";
        page = std::make_unique<ShortDialPage>(app, ui, host);
    }

    // Every query answers OK with an empty entry, switch off.
    void deviceAnswersEverything() {
        drv.on({DRV_SPECIALRING}, Answer::okFlag(0));
        drv.on({DRV_SHORTDIAL}, Answer::okText(""));
    }

    std::vector<Cmd> expectedAll(int ports, int op, const std::string& slotText = "") {
        std::vector<Cmd> out;
        for (int p = 0; p < ports; ++p)
            out.push_back({DRV_SPECIALRING, kPorts[p], 0, op, ""});
        for (int p = 0; p < ports; ++p) {
            for (int k = 0; k < 10; ++k)
                out.push_back({DRV_SHORTDIAL, kPorts[p], k, op, slotText});
        }
        return out;
    }

    // The user types text into a field (the widget's setText + EN_CHANGE).
    void type(int control, const std::string& text) {
        ASSERT_TRUE(page->setText(control, text));
        page->fieldChanged(control);
    }

    std::unique_ptr<ShortDialPage> page;
};

TEST_F(ShortDialTest, ReadsSwitchesThenEntriesOnR70AndR30) {
    for (int model : {70, 30}) {
        setUpModel(model);
        drv.clearCalls();
        deviceAnswersEverything();
        page->readDevice();
        int ports = model == 30 ? 3 : 5;
        EXPECT_EQ(drv.sequence(), expectedAll(ports, 0)) << model;
        EXPECT_EQ(drv.count(DRV_SHORTDIAL), ports * 10);
    }
    EXPECT_EQ(ui.events.back(), "busy 0");
    EXPECT_NE(std::find(ui.events.begin(), ui.events.end(), "focus 2550"), ui.events.end());
}

TEST_F(ShortDialTest, ReadValuesAndFailedQueries) {
    deviceAnswersEverything();
    drv.on({DRV_SPECIALRING, 21}, Answer::okFlag(1));
    drv.on({DRV_SPECIALRING, 22}, Answer::noReply());
    drv.on({DRV_SHORTDIAL, 11, 0}, Answer::okText("0301234"));
    drv.on({DRV_SHORTDIAL, 11, 1}, Answer::okText("*21"));
    drv.on({DRV_SHORTDIAL, 21, 9}, Answer::noReply());
    drv.on({DRV_SHORTDIAL, 22, 0}, Answer::notAcknowledged());
    page->readDevice();

    EXPECT_TRUE(page->checked(kSpecialRingCheckFirst + 1));
    EXPECT_FALSE(page->checked(kSpecialRingCheckFirst + 2)) << "a failed query reads as off";
    EXPECT_EQ(page->text(editOf(0, 0)), "0301234");
    EXPECT_EQ(page->text(editOf(0, 1)), "Paul");
    EXPECT_EQ(page->entry(0, 1).stored(), "*21");
    // A failed query is an empty entry (never a made-up value such as "11").
    EXPECT_EQ(page->entry(1, 9).stored(), "");
    EXPECT_EQ(page->entry(1, 9).confirmed(), "");
    EXPECT_EQ(page->entry(2, 0).stored(), "");
    EXPECT_FALSE(page->hasUnsentChanges());
}

TEST_F(ShortDialTest, SendButtonSendsAllItemsEvenWhenNothingChanged) {
    for (int model : {70, 30}) {
        setUpModel(model);
        app.soundOn = true;
        deviceAnswersEverything();
        page->readDevice();
        drv.clearCalls();
        drv.on({DRV_SPECIALRING, std::nullopt, std::nullopt, 1}, Answer::ok());
        drv.on({DRV_SHORTDIAL, std::nullopt, std::nullopt, 1}, Answer::ok());
        page->buttonPressed(kShortDialSendButton);
        int ports = model == 30 ? 3 : 5;
        EXPECT_EQ(drv.sequence(), expectedAll(ports, 1)) << model;
        EXPECT_EQ(static_cast<int>(drv.calls().size()), ports * 11);
        EXPECT_EQ(drv.calls()[0].sent.bFlag, 0);
    }
    EXPECT_GE(ui.beeps, 1);
    EXPECT_NE(page->report().text().find("C15 P11 I0 O1 =,OK\n"), std::string::npos);
}

TEST_F(ShortDialTest, UnsentChangesQuestionSendsOnlyChangedItems) {
    deviceAnswersEverything();
    page->readDevice();
    drv.clearCalls();
    drv.on({DRV_SPECIALRING, std::nullopt, std::nullopt, 1}, Answer::ok());
    drv.on({DRV_SHORTDIAL, std::nullopt, std::nullopt, 1}, Answer::ok());

    ASSERT_TRUE(page->setChecked(kSpecialRingCheckFirst + 4, true));
    type(editOf(2, 3), "Paul");
    type(editOf(0, 0), "0301234");
    EXPECT_TRUE(page->hasUnsentChanges());
    ui.discardAnswers.push_back(core::DiscardAnswer::Send);
    EXPECT_EQ(page->mayLeave(), 1);

    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_SPECIALRING, 32, 0, 1, ""},
                                                {DRV_SHORTDIAL, 11, 0, 1, "0301234"},
                                                {DRV_SHORTDIAL, 22, 3, 1, "*21"}}));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 1);
    EXPECT_FALSE(page->hasUnsentChanges());
    EXPECT_EQ(page->text(editOf(2, 3)), "Paul");
    EXPECT_EQ(page->report().text(), "C14 P32 I0 O1 =,OK\nC15 P11 I0 O1 =0301234,OK\n"
                                     "C15 P22 I3 O1 =*21,OK\n");
}

TEST_F(ShortDialTest, FailedOrUnacknowledgedItemsStayUnsent) {
    deviceAnswersEverything();
    page->readDevice();
    drv.on({DRV_SHORTDIAL, 11, 0, 1}, Answer::noReply());
    drv.on({DRV_SHORTDIAL, 11, 1, 1}, Answer::notAcknowledged());
    drv.on({DRV_SHORTDIAL, 11, 2, 1}, Answer::ok());
    type(editOf(0, 0), "1");
    type(editOf(0, 1), "2");
    type(editOf(0, 2), "3");
    page->acceptField();
    page->send();
    EXPECT_TRUE(page->entry(0, 0).changed());
    EXPECT_TRUE(page->entry(0, 1).changed());
    EXPECT_FALSE(page->entry(0, 2).changed());
    EXPECT_TRUE(page->hasUnsentChanges());
    // Discard: back to what the device holds.
    page->discard();
    EXPECT_FALSE(page->hasUnsentChanges());
    EXPECT_EQ(page->text(editOf(0, 0)), "");
}

struct Typing {
    const char* text;
    int message;            // 0: none
    const char* afterLeave; // displayed text after leaving the field
    const char* stored;     // stored value after leaving
};

TEST_F(ShortDialTest, ValidationWhileTypingAndOnLeaving) {
    const Typing cases[] = {
        {"12a", 9000, "0301", "0301"},
        {"1234567890123456", 9058, "0301", "0301"},
        {"*12", 9000, "0301", "0301"},
        {"*4", 9000, "0301", "0301"},
        {"Paula", 9000, "0301", "0301"},
        {"*", 0, "0301", "0301"},   // incomplete: undone silently
        {"*2", 0, "0301", "0301"},  // incomplete
        {"Pau", 0, "0301", "0301"}, // the beginning of a name
        {"Paul", 0, "Paul", "*21"},
        {"*21", 0, "Paul", "*21"},
        {"*32", 0, "\"32\"", "*32"},
        {"123456789012345", 0, "123456789012345", "123456789012345"},
        {"", 0, "", ""},
    };
    for (const Typing& c : cases) {
        deviceAnswersEverything();
        drv.on({DRV_SHORTDIAL, 21, 4, 0}, Answer::okText("0301"));
        page->readDevice();
        ui.messages.clear();
        int id = editOf(1, 4);
        type(id, c.text);
        if (c.message != 0) {
            EXPECT_EQ(ui.messages, std::vector<int>{c.message}) << c.text;
            EXPECT_EQ(page->text(id), "0301") << "undone at once: " << c.text;
            EXPECT_EQ(ui.events.back(), "focus " + std::to_string(id));
        } else {
            EXPECT_TRUE(ui.messages.empty()) << c.text;
            EXPECT_EQ(page->text(id), c.text) << "kept while typing";
        }
        page->fieldLeft(id);
        EXPECT_EQ(page->text(id), c.afterLeave) << c.text;
        EXPECT_EQ(page->entry(1, 4).stored(), c.stored) << c.text;
        EXPECT_TRUE(ui.messages.size() <= 1) << "leaving never shows a message: " << c.text;
    }
}

TEST_F(ShortDialTest, EnterMovesOnOrUndoesAnIncompleteEntry) {
    deviceAnswersEverything();
    page->readDevice();
    type(editOf(0, 9), "*21");
    page->enterOrTab(editOf(0, 9));
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(editOf(1, 0)));
    EXPECT_EQ(page->text(editOf(0, 9)), "Paul");
    type(editOf(1, 0), "*");
    page->enterOrTab(editOf(1, 0));
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(editOf(1, 0)));
    EXPECT_EQ(page->text(editOf(1, 0)), "");
    // The tab order: edits, special ring boxes, Send, back to the first edit.
    EXPECT_EQ(page->nextControl(editOf(4, 9)), kSpecialRingCheckFirst);
    EXPECT_EQ(page->nextControl(kSpecialRingCheckFirst + 4), kShortDialSendButton);
    EXPECT_EQ(page->nextControl(kShortDialSendButton), kShortDialEditFirst);
}

TEST_F(ShortDialTest, R30HasNoControlsOfPorts31And32) {
    setUpModel(30);
    EXPECT_TRUE(page->hasControl(editOf(2, 9)));
    EXPECT_FALSE(page->hasControl(editOf(3, 0)));
    EXPECT_FALSE(page->setText(editOf(3, 0), "1"));
    EXPECT_FALSE(page->setChecked(kSpecialRingCheckFirst + 3, true));
    EXPECT_EQ(page->nextControl(editOf(2, 9)), kSpecialRingCheckFirst);
    // The one commit rule of the three pages: a port's name stands for its
    // star code on every model, as the star code itself does ("*31" is
    // accepted on an R30 too), so the name never reaches the device as text.
    deviceAnswersEverything();
    page->readDevice();
    type(editOf(0, 0), "\"31\"");
    page->fieldLeft(editOf(0, 0));
    EXPECT_EQ(page->entry(0, 0).stored(), "*31");
    EXPECT_EQ(page->text(editOf(0, 0)), "\"31\"");
}

TEST_F(ShortDialTest, RenamingAPortChangesTheDisplayNotTheStoredValue) {
    deviceAnswersEverything();
    drv.on({DRV_SHORTDIAL, 11, 0, 0}, Answer::okText("*21"));
    page->readDevice();
    EXPECT_EQ(page->text(editOf(0, 0)), "Paul");
    app.cache.analog[1].name = "Peter"; // the MSN page renamed port 21
    page->shown();
    EXPECT_EQ(page->text(editOf(0, 0)), "Peter");
    EXPECT_EQ(page->entry(0, 0).stored(), "*21");
    EXPECT_FALSE(page->hasUnsentChanges());
    drv.clearCalls();
    page->send();
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(ShortDialTest, ProfileLoadSendsEveryItemWithProgress) {
    deviceAnswersEverything();
    page->readDevice();
    drv.clearCalls();
    drv.on({DRV_SPECIALRING, std::nullopt, std::nullopt, 1}, Answer::ok());
    drv.on({DRV_SHORTDIAL, std::nullopt, std::nullopt, 1}, Answer::ok());
    profiles.set(1, "SHORTDIAL_DIV", "CHKSPXRING1", "7");
    profiles.set(1, "SHORTDIAL_DIV", "SDNUM00", "0301234");
    profiles.set(1, "SHORTDIAL_DIV", "SDNUM49", "*21");
    page->profileLoad(1);

    std::vector<Cmd> expected = expectedAll(5, 1);
    expected[5].text = "0301234";
    expected.back().text = "*21";
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(drv.calls()[1].sent.bFlag, 1) << "a switch loads as a boolean";
    EXPECT_EQ(host.progressSteps, 55);
    EXPECT_EQ(page->text(editOf(4, 9)), "Paul");
    EXPECT_FALSE(page->hasUnsentChanges());
}

// A profile may hold a port's name where a star code belongs (written by
// hand, or saved after an older version had sent the name itself): it is
// sent as the star code, and a star code still shows as the name.
TEST_F(ShortDialTest, APortNameFromAProfileIsSentAsItsStarCode) {
    deviceAnswersEverything();
    page->readDevice();
    drv.clearCalls();
    drv.on({DRV_SPECIALRING, std::nullopt, std::nullopt, 1}, Answer::ok());
    drv.on({DRV_SHORTDIAL, std::nullopt, std::nullopt, 1}, Answer::ok());
    profiles.set(1, "SHORTDIAL_DIV", "SDNUM13", "Paul");
    profiles.set(1, "SHORTDIAL_DIV", "SDNUM14", "*21");
    profiles.set(1, "SHORTDIAL_DIV", "SDNUM15", "Pau"); // not a name: sent as it stands
    page->profileLoad(1);

    std::vector<Cmd> expected = expectedAll(5, 1);
    expected[5 + 13].text = "*21";
    expected[5 + 14].text = "*21";
    expected[5 + 15].text = "Pau";
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(page->text(editOf(1, 3)), "Paul");
    EXPECT_EQ(page->text(editOf(1, 4)), "Paul");
    EXPECT_EQ(page->entry(1, 3).confirmed(), "*21");
    EXPECT_FALSE(page->hasUnsentChanges());
}

// A device that holds a port's name as an entry (sent by an older version)
// holds nothing the device can dial: the page offers the star code.
TEST_F(ShortDialTest, APortNameTheDeviceHoldsIsOfferedAsItsStarCode) {
    deviceAnswersEverything();
    drv.on({DRV_SHORTDIAL, 22, 7, 0}, Answer::okText("Paul"));
    page->readDevice();
    EXPECT_EQ(page->text(editOf(2, 7)), "Paul");
    EXPECT_EQ(page->entry(2, 7).confirmed(), "Paul");
    EXPECT_TRUE(page->hasUnsentChanges());
    drv.clearCalls();
    drv.on({DRV_SHORTDIAL, std::nullopt, std::nullopt, 1}, Answer::ok());
    page->send();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_SHORTDIAL, 22, 7, 1, "*21"}}));
    EXPECT_EQ(page->text(editOf(2, 7)), "Paul");
    EXPECT_FALSE(page->hasUnsentChanges());
}

TEST_F(ShortDialTest, ProfileSaveWritesConfirmedValuesUnderTheSectionKeys) {
    for (int model : {70, 30}) {
        setUpModel(model);
        profiles.writes.clear();
        deviceAnswersEverything();
        drv.on({DRV_SPECIALRING, 11, 0, 0}, Answer::okFlag(1));
        drv.on({DRV_SHORTDIAL, 11, 2, 0}, Answer::okText("*21"));
        page->readDevice();
        type(editOf(0, 3), "999"); // unsent: not saved
        page->acceptField();
        EXPECT_TRUE(page->profileSave(1).ok());

        int ports = model == 30 ? 3 : 5;
        std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::ShortDial, ports);
        ASSERT_EQ(profiles.writes.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(profiles.writes[i].key, keys[i].name);
            EXPECT_EQ(profiles.writes[i].section, "SHORTDIAL_DIV");
            EXPECT_EQ(profiles.writes[i].selector, 1);
        }
        EXPECT_EQ(*profiles.get(1, "SHORTDIAL_DIV", "CHKSPXRING0"), "1");
        EXPECT_EQ(*profiles.get(1, "SHORTDIAL_DIV", "CHKSPXRING1"), "0");
        EXPECT_EQ(*profiles.get(1, "SHORTDIAL_DIV", "SDNUM02"), "*21");
        EXPECT_EQ(*profiles.get(1, "SHORTDIAL_DIV", "SDNUM03"), "");
    }
}

} // namespace
} // namespace quorvex::telephony
