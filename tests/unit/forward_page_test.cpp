// The call forwarding page: read order, one-field send with the device's
// verdicts and the status line, the re-read of the other ports, send all,
// profile load and save, validation while typing.
#include "pages/telephony/forward_page.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace quorvex::telephony {
namespace {

using test::Answer;
using test::Cmd;

constexpr int kPorts[] = {11, 21, 22, 31, 32};
constexpr uint16_t kReadOrder[] = {DRV_CFU, DRV_CFB, DRV_CFNR};

class ForwardTest : public ::testing::Test, public test::PageFixture {
protected:
    void SetUp() override { setUpModel(70); }

    void setUpModel(int model) {
        connectModel(model);
        for (int p = 0; p < 5; ++p)
            app.cache.analog[static_cast<std::size_t>(p)].msn[0] = "47110" + std::to_string(p);
        app.cache.analog[1].name = "Paul";
        page = std::make_unique<ForwardPage>(app, ui, host);
    }

    // Queries find forwarding off; sets are taken with state answer.
    void device(std::optional<int> setState = 1) {
        drv.on({DRV_CFU}, Answer::okValue(0));
        drv.on({DRV_CFB}, Answer::okValue(0));
        drv.on({DRV_CFNR}, Answer::okValue(0));
        for (uint16_t code : kReadOrder) {
            Answer a = Answer::ok();
            a.value = setState;
            drv.on({code, std::nullopt, std::nullopt, 1}, a);
        }
    }

    void type(int control, const std::string& text) {
        ASSERT_TRUE(page->setText(control, text));
        page->fieldChanged(control);
    }

    std::vector<Cmd> queries(uint16_t code, std::initializer_list<int> ports) {
        std::vector<Cmd> out;
        for (int p : ports)
            out.push_back({code, p, 0, 0, ""});
        return out;
    }

    std::vector<Cmd> fullRead(int ports) {
        std::vector<Cmd> out;
        for (int p = 0; p < ports; ++p) {
            for (uint16_t code : kReadOrder)
                out.push_back({code, kPorts[p], 0, 0, ""});
        }
        return out;
    }

    std::unique_ptr<ForwardPage> page;
};

TEST_F(ForwardTest, ReadsCfuCfbCfnrPerPortOnR70AndR30) {
    for (int model : {70, 30}) {
        setUpModel(model);
        drv.clearCalls();
        device();
        page->readDevice();
        EXPECT_EQ(drv.sequence(), fullRead(model == 30 ? 3 : 5)) << model;
    }
    EXPECT_EQ(page->statusTextId(), kStatusIdle);
}

TEST_F(ForwardTest, ReadTakesTheTargetOnlyWhenForwardingIsOn) {
    device();
    Answer on = Answer::okValue(1);
    on.text = "0301234";
    drv.on({DRV_CFU, 11, 0, 0}, on);
    Answer onToPort = Answer::okValue(1);
    onToPort.text = "*21";
    drv.on({DRV_CFNR, 22, 0, 0}, onToPort);
    Answer offWithText = Answer::okValue(0);
    offWithText.text = "999";
    drv.on({DRV_CFB, 11, 0, 0}, offWithText);
    Answer noOk = on;
    noOk.bOk = 0;
    drv.on({DRV_CFU, 21, 0, 0}, noOk);
    drv.on({DRV_CFU, 22, 0, 0}, Answer::noReply());
    page->readDevice();

    EXPECT_EQ(page->text(2720), "0301234");
    EXPECT_EQ(page->text(2725), "");
    EXPECT_EQ(page->text(2721), "");
    EXPECT_EQ(page->text(2722), "");
    EXPECT_EQ(page->text(2732), "Paul");
    EXPECT_EQ(page->field(ForwardType::Cfnr, 2).stored(), "*21");
    EXPECT_FALSE(page->hasUnsentChanges());
}

struct Verdict {
    ForwardType type;
    std::optional<int> state; // the state the device reports, none: not reported
    const char* suffix;       // the report line's ending
    bool confirmed;
    int status;
};

TEST_F(ForwardTest, OneFieldSendActsOnTheDevicesVerdict) {
    const Verdict cases[] = {
        {ForwardType::Cfu, 1, ",OK\n", true, kStatusIdle},
        {ForwardType::Cfb, 1, ",ON\n", true, kStatusIdle},
        {ForwardType::Cfnr, 1, ",ON\n", true, kStatusIdle},
        {ForwardType::Cfu, std::nullopt, ",OK\n", true, kStatusIdle},
        {ForwardType::Cfb, std::nullopt, ",ON\n", true, kStatusIdle},
        {ForwardType::Cfu, 0, ",OFF\n", true, kStatusIdle},
        {ForwardType::Cfu, 2, ",2:NS\n", false, kStatusError},
        {ForwardType::Cfnr, 3, ",3:UK\n", false, kStatusError},
    };
    for (const Verdict& c : cases) {
        setUpModel(70);
        drv.clearRules();
        device(c.state);
        page->readDevice();
        int id = ForwardPage::fieldId(c.type, 1);
        type(id, "0301234");
        ui.events.clear();
        clock.sleeps.clear();
        page->buttonPressed(id + kForwardButtonOffset);

        const std::string_view format = kForwardTypes[static_cast<int>(c.type)].keyFormat;
        std::string echo =
            "C" + std::to_string(profile::settingOf(profile::Section::Forward, format)->command) +
            " P21 I0 O1 =0301234";
        EXPECT_EQ(page->report().text(), echo + c.suffix);
        EXPECT_EQ(page->field(c.type, 1).confirmed(), c.confirmed ? "0301234" : "");
        EXPECT_EQ(page->text(id), c.confirmed ? "0301234" : "") << "refused: reverted";
        EXPECT_EQ(page->statusTextId(), c.status);
        EXPECT_EQ(page->statusTimerRunning(), c.status == kStatusError);
        EXPECT_EQ(clock.sleeps, std::vector<std::int64_t>{kPauseAfterSendMs});
        EXPECT_NE(std::find(ui.events.begin(), ui.events.end(), "focus " + std::to_string(id)),
                  ui.events.end());
        EXPECT_FALSE(app.heartbeatSuspended());
    }
}

TEST_F(ForwardTest, RefusalShowsTheErrorStatusForFourSeconds) {
    device(2);
    page->readDevice();
    type(2726, "0301234");
    std::int64_t sent = clock.now();
    page->buttonPressed(2726 + kForwardButtonOffset);
    EXPECT_EQ(page->statusTextId(), kStatusError);
    EXPECT_EQ(page->reportMessage(), "CFB for port 21 is not subscribe");
    // The timer starts with the verdict, before the pause after the send.
    EXPECT_EQ(page->statusTimerDue(), sent + kStatusErrorMs);

    clock.advance(2000);
    drv.clearRules();
    device(3);
    type(2731, "0301234");
    sent = clock.now();
    page->buttonPressed(2731 + kForwardButtonOffset); // restarts the timer
    EXPECT_EQ(page->reportMessage(), "CFNR for Port 21 is unknown");
    EXPECT_EQ(page->statusTimerDue(), sent + kStatusErrorMs);

    clock.set(sent + kStatusErrorMs - 1);
    page->timerTick();
    EXPECT_EQ(page->statusTextId(), kStatusError);
    clock.advance(1);
    page->timerTick();
    EXPECT_EQ(page->statusTextId(), kStatusIdle);
    EXPECT_FALSE(page->statusTimerRunning());
    EXPECT_EQ(page->reportMessage(), "");
}

TEST_F(ForwardTest, OneFieldSendReReadsThatTypeForTheOtherPorts) {
    device();
    page->readDevice();
    type(2726, "Paul"); // CFB of port 21, the target given by name
    drv.clearCalls();
    std::vector<bool> suspended;
    drv.onCall = [&](uint16_t, DRVPARAM*) { suspended.push_back(app.heartbeatSuspended()); };
    ui.events.clear();
    page->buttonPressed(2741);

    std::vector<Cmd> expected{{DRV_CFB, 21, 0, 1, "*21"}};
    for (const Cmd& q : queries(DRV_CFB, {11, 22, 31, 32}))
        expected.push_back(q);
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 1);
    EXPECT_EQ(suspended, std::vector<bool>(5, true)) << "the heartbeat is quiet meanwhile";
    EXPECT_FALSE(app.heartbeatSuspended());
    EXPECT_EQ(page->text(2726), "Paul");
    EXPECT_EQ(ui.events.front(), "refresh") << "the sending status is shown first";
}

TEST_F(ForwardTest, UnchangedFieldSendsNothingButStillReReads) {
    device();
    page->readDevice();
    drv.clearCalls();
    app.soundOn = true;
    page->buttonPressed(2720 + kForwardButtonOffset);
    EXPECT_EQ(drv.sequence(), queries(DRV_CFU, {21, 22, 31, 32}));
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_EQ(page->statusTextId(), kStatusIdle);
    EXPECT_EQ(clock.sleeps, std::vector<std::int64_t>{kPauseAfterSendMs});
}

TEST_F(ForwardTest, ClearingAFieldSwitchesForwardingOff) {
    device(0);
    Answer on = Answer::okValue(1);
    on.text = "0301234";
    drv.on({DRV_CFNR, 32, 0, 0}, on);
    page->readDevice();
    type(2734, "");
    drv.clearCalls();
    page->buttonPressed(2749);
    ASSERT_FALSE(drv.calls().empty());
    EXPECT_EQ(drv.sequence()[0], (Cmd{DRV_CFNR, 32, 0, 1, ""}));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 0);
    EXPECT_EQ(page->report().text(), "C18 P32 I0 O1 =,OFF\n");
    EXPECT_EQ(page->field(ForwardType::Cfnr, 4).confirmed(), "");
    // The report is of the last send alone.
    drv.on({DRV_CFNR, 32, 0, 1}, Answer::okValue(1));
    type(2734, "0401");
    page->buttonPressed(2749);
    EXPECT_EQ(page->report().text(), "C18 P32 I0 O1 =0401,ON\n");
}

TEST_F(ForwardTest, FailedCallChangesNothingAndLeavesTheStatusIdle) {
    device();
    page->readDevice();
    drv.on({DRV_CFU, 11, 0, 1}, Answer::noReply());
    type(2720, "0301");
    page->buttonPressed(2735);
    EXPECT_EQ(page->report().text(), "");
    EXPECT_EQ(page->statusTextId(), kStatusIdle);
    EXPECT_EQ(page->text(2720), "0301");
    EXPECT_TRUE(page->hasUnsentChanges());
}

TEST_F(ForwardTest, ReReadKeepsUnsentTargetsOfTheOtherPorts) {
    device();
    page->readDevice();
    type(2721, "0301"); // typed for port 21, not sent
    type(2720, "0302");
    page->buttonPressed(2735); // port 11's button
    EXPECT_EQ(page->text(2721), "0301");
    EXPECT_TRUE(page->field(ForwardType::Cfu, 1).changed());
}

TEST_F(ForwardTest, ValidationWhileTyping) {
    device();
    Answer on = Answer::okValue(1);
    on.text = "0301";
    drv.on({DRV_CFU, 21, 0, 0}, on);
    page->readDevice();

    type(2721, "12a");
    EXPECT_EQ(ui.messages, std::vector<int>{9000});
    EXPECT_EQ(page->text(2721), "0301");
    EXPECT_EQ(ui.events.back(), "focus 2721");

    ui.messages.clear();
    for (const char* accepted : {"*", "*2", "Pau", "Paul", "*21", "0301234"}) {
        type(2721, accepted);
        EXPECT_EQ(page->text(2721), accepted) << "accepted while typing";
    }
    EXPECT_TRUE(ui.messages.empty());

    app.cache.analog[1].msn[0].clear();
    type(2721, "5");
    EXPECT_EQ(ui.events[ui.events.size() - 3], "message 6294 21");
    EXPECT_EQ(ui.messageTails.back(), " 21");
    EXPECT_EQ(page->text(2721), "0301");
    EXPECT_EQ(page->field(ForwardType::Cfu, 1).stored(), "0301");
}

TEST_F(ForwardTest, IncompleteTargetIsNeverSent) {
    device();
    page->readDevice();
    type(2722, "Pau");
    drv.clearCalls();
    page->buttonPressed(2737);
    EXPECT_EQ(drv.sequence(), queries(DRV_CFU, {11, 21, 31, 32}));
    EXPECT_EQ(page->text(2722), "");
}

TEST_F(ForwardTest, UnsentChangesQuestionSendsChangedFieldsThenReadsThePage) {
    device();
    page->readDevice();
    type(2730, "*22");
    type(2723, "0301");
    EXPECT_TRUE(page->hasUnsentChanges());
    drv.clearCalls();
    clock.sleeps.clear();
    ui.discardAnswers.push_back(core::DiscardAnswer::Send);
    EXPECT_EQ(page->mayLeave(), 1);

    std::vector<Cmd> expected{{DRV_CFNR, 11, 0, 1, "*22"}, {DRV_CFU, 31, 0, 1, "0301"}};
    for (const Cmd& q : fullRead(5))
        expected.push_back(q);
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{kPauseAfterSendMs, kPauseAfterSendMs}));
    EXPECT_FALSE(app.heartbeatSuspended());

    // Discard instead: back to the device's values.
    type(2724, "0302");
    ui.discardAnswers.push_back(core::DiscardAnswer::Discard);
    EXPECT_EQ(page->mayLeave(), 1);
    EXPECT_EQ(page->text(2724), "");
    EXPECT_FALSE(page->hasUnsentChanges());
}

TEST_F(ForwardTest, ProfileLoadSendsEveryFieldThenReadsThePage) {
    device();
    page->readDevice();
    app.cache.analog[2].msn[0].clear(); // port 22 has no MSN
    profiles.set(1, "FORWARD_DIV", "FWDIMM0", "0301234");
    profiles.set(1, "FORWARD_DIV", "FWDBUSY1", "*11");
    profiles.set(1, "FORWARD_DIV", "FRD20SEC2", "0309999");
    profiles.set(1, "FORWARD_DIV", "FRD20SEC4", "Paul");
    drv.clearCalls();
    page->profileLoad(1);

    std::vector<Cmd> expected;
    for (int p = 0; p < 5; ++p) {
        for (uint16_t code : kReadOrder)
            expected.push_back({code, kPorts[p], 0, 1, ""});
    }
    expected[0].text = "0301234";
    expected[4].text = "*11";
    expected[14].text = "*21"; // a port's name in the profile is sent as its star code
    for (const Cmd& q : fullRead(5))
        expected.push_back(q);
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(drv.calls()[8].sent.bFlag, 0) << "port 22 without an MSN: switched off";
    EXPECT_EQ(host.progressSteps, 15);
}

TEST_F(ForwardTest, APortNameFromAProfileShowsAsTheNameAndIsSentAsItsStarCode) {
    device();
    page->readDevice();
    profiles.set(1, "FORWARD_DIV", "FWDIMM0", "Paul");
    profiles.set(1, "FORWARD_DIV", "FWDBUSY0", "*21");
    drv.clearCalls();
    page->profileLoad(1);
    EXPECT_EQ(drv.sequence()[0], (Cmd{DRV_CFU, 11, 0, 1, "*21"}));
    EXPECT_EQ(drv.sequence()[1], (Cmd{DRV_CFB, 11, 0, 1, "*21"}));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 1);
}

// A target the device reports as a port's name (sent by an older version) is
// offered again as the star code the device can forward to.
TEST_F(ForwardTest, APortNameTheDeviceReportsIsSentAsItsStarCode) {
    device();
    Answer on = Answer::okValue(1);
    on.text = "Paul";
    drv.on({DRV_CFNR, 11, 0, 0}, on);
    page->readDevice();
    EXPECT_EQ(page->text(2730), "Paul");
    EXPECT_TRUE(page->hasUnsentChanges());
    drv.clearCalls();
    page->buttonPressed(2730 + kForwardButtonOffset);
    ASSERT_FALSE(drv.sequence().empty());
    EXPECT_EQ(drv.sequence()[0], (Cmd{DRV_CFNR, 11, 0, 1, "*21"}));
    EXPECT_EQ(page->text(2730), "Paul");
    EXPECT_FALSE(page->hasUnsentChanges());
}

TEST_F(ForwardTest, ProfileSaveWritesConfirmedTargetsUnderTheSectionKeys) {
    for (int model : {70, 30}) {
        setUpModel(model);
        profiles.writes.clear();
        device();
        Answer on = Answer::okValue(1);
        on.text = "*21";
        drv.on({DRV_CFB, 11, 0, 0}, on);
        page->readDevice();
        type(2720, "999"); // unsent: not saved
        EXPECT_TRUE(page->profileSave(1).ok());

        int ports = model == 30 ? 3 : 5;
        std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::Forward, ports);
        ASSERT_EQ(profiles.writes.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(profiles.writes[i].key, keys[i].name);
            EXPECT_EQ(profiles.writes[i].section, "FORWARD_DIV");
        }
        EXPECT_EQ(*profiles.get(1, "FORWARD_DIV", "FWDBUSY0"), "*21");
        EXPECT_EQ(*profiles.get(1, "FORWARD_DIV", "FWDIMM0"), "");
    }
}

TEST_F(ForwardTest, R30HasNoFieldsOfPorts31And32) {
    setUpModel(30);
    EXPECT_TRUE(page->hasControl(2722));
    EXPECT_TRUE(page->hasControl(2737));
    EXPECT_FALSE(page->hasControl(2723));
    EXPECT_FALSE(page->hasControl(2738));
    EXPECT_FALSE(page->setText(2734, "1"));
    EXPECT_EQ(page->nextControl(2722), 2725);
    EXPECT_EQ(page->nextControl(2732), 2720);
}

} // namespace
} // namespace quorvex::telephony
