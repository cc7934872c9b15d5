#include "pages/telephony/msn_page.h"

#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace quorvex;
using telephony::MsnPage;
using test::Answer;
using test::Cmd;
using Cmds = std::vector<Cmd>;
using Strings = std::vector<std::string>;

// A page on a device with the given model, filled from a known cache.
struct MsnFixture : test::PageFixture {
    explicit MsnFixture(int model) : page(app, ui, host, model) {
        connectModel(model);
        app.modelNumber = model;
        for (auto& port : app.cache.analog)
            port.msn = {"", "", "", "", ""};
        app.cache.data.name = std::string(core::kDefaultDataPortName);
    }

    // Keys written to selector, in order.
    Strings keysWritten(int selector) const {
        Strings keys;
        for (const auto& w : profiles.writes)
            if (w.selector == selector) keys.push_back(w.key);
        return keys;
    }
    std::string written(int selector, const std::string& key) const {
        return profiles.get(selector, "MSN_DIV", key).value_or("<none>");
    }
    // The CLIP flags the page sent, in order.
    std::vector<int> clipFlags() const {
        std::vector<int> flags;
        for (const auto& c : drv.calls())
            if (c.code == DRV_CLIP) flags.push_back(c.sent.bFlag);
        return flags;
    }

    MsnPage page;
};

struct MsnR70 : MsnFixture, ::testing::Test {
    MsnR70() : MsnFixture(70) {}
};
struct MsnR30 : MsnFixture, ::testing::Test {
    MsnR30() : MsnFixture(30) {}
};

TEST_F(MsnR70, FillsFromTheCacheWithoutTalkingToTheDevice) {
    app.cache.analog[1].msn[1] = "4711";
    app.cache.analog[4].clip = true;
    app.cache.analog[2].name = ""; // not read yet: the default stands in
    app.cache.analog[0].name = "Fax";
    app.cache.data.msn[4] = "999";
    app.cache.data.clip = true;
    profiles.set(0, "MSN_DIV", "PORTIDX1", "4");
    profiles.set(0, "MSN_DIV", "PORTIDX5", "99"); // not a data picture
    page.readDevice();
    EXPECT_EQ(page.symbols().at(1).picture(), 4);
    EXPECT_EQ(page.symbols().at(5).picture(), 0);

    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(page.text(3004), "4711"); // port 21, MSN 1
    EXPECT_TRUE(page.checked(3024));
    EXPECT_EQ(page.text(2142), "\"22\"");
    EXPECT_EQ(page.text(2140), "Fax");
    EXPECT_EQ(page.text(2145), "\"data\"");
    EXPECT_EQ(page.text(3019), "999");
    EXPECT_TRUE(page.checked(3025));
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(ui.events, (Strings{"busy 1", "refresh", "focus 2140", "busy 0"}));
}

TEST(MsnValidation, Table) {
    struct Row {
        const char* text;
        bool valid;
    } rows[] = {
        {"", true},
        {"0", true},
        {"123456789012345", true},   // 15 digits
        {"1234567890123456", false}, // 16
        {" ", false},
        {"12 3", false},
        {"12a", false},
        {"+4930", false},
        {"*11", false},
        {"#", false},
        {"\xEF\xBC\x91", false}, // a full-width digit one
    };
    for (const Row& r : rows)
        EXPECT_EQ(telephony::validMsn(r.text), r.valid) << '"' << r.text << '"';
}

TEST_F(MsnR70, InvalidTypingRevertsToTheDeviceValueNotThePreviousText) {
    app.cache.analog[2].msn[0] = "4711";
    page.readDevice();
    ui.events.clear();

    ASSERT_TRUE(page.setText(3006, "123456789012345"));
    page.fieldChanged(3006);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(page.text(3006), "123456789012345");

    page.setText(3006, "1234567890123456");
    page.fieldChanged(3006);
    EXPECT_EQ(ui.messages, (std::vector<int>{9002}));
    EXPECT_EQ(page.text(3006), "4711");
    EXPECT_EQ(ui.events, (Strings{"message 9002", "refresh", "focus 3006"}));

    for (const char* bad : {" ", "a", "+"}) {
        ui.messages.clear();
        page.setText(3017, bad); // data MSN 2
        page.fieldChanged(3017);
        EXPECT_EQ(ui.messages, (std::vector<int>{9002})) << bad;
        EXPECT_EQ(page.text(3017), "");
    }
    page.setText(3006, "");
    page.fieldChanged(3006);
    EXPECT_EQ(page.text(3006), ""); // empty is valid: "not assigned"
}

TEST_F(MsnR70, EnterAndTabMoveOnAndNeverClose) {
    page.readDevice();
    ui.events.clear();
    page.enterOrTab(2140);
    page.enterOrTab(3002);
    page.enterOrTab(3020);
    page.enterOrTab(3024);
    page.enterOrTab(3025);
    page.enterOrTab(2154);
    EXPECT_EQ(ui.events, (Strings{"focus 3000", "focus 3020", "focus 2141", "focus 2145",
                                  "focus 2154", "focus 2140"}));
    EXPECT_TRUE(host.posted.empty());

    // An invalid text that reached the field without a change event goes
    // back to the device value, silently, and the focus stays.
    app.cache.data.msn[0] = "55";
    page.setText(3015, "5x");
    ui.events.clear();
    page.enterOrTab(3015);
    EXPECT_EQ(page.text(3015), "55");
    EXPECT_EQ(ui.events, (Strings{"refresh"}));
}

TEST_F(MsnR30, EnterSkipsTheMissingPorts) {
    EXPECT_EQ(page.nextControl(3020), 2141);
    EXPECT_EQ(page.nextControl(3022), 2145);
    EXPECT_FALSE(page.hasControl(2143));
    EXPECT_FALSE(page.hasControl(3009));
    EXPECT_FALSE(page.hasControl(3014));
    EXPECT_FALSE(page.hasControl(3023));
    EXPECT_FALSE(page.setText(3012, "1"));
    EXPECT_FALSE(page.setChecked(3024, true));
}

TEST_F(MsnR70, SendsChangedItemsInOrderWithTheThreeOutcomes) {
    app.cache.analog[0].msn[1] = "100";
    app.cache.analog[4].clip = true;
    page.readDevice();
    page.setText(3017, "17");      // data MSN 2
    page.setChecked(3025, true);   // data CLIP
    page.setChecked(3024, false);  // CLIP of port 32
    page.setChecked(3021, true);   // CLIP of port 21
    page.setText(3014, "3232");    // port 32, MSN 2
    page.setText(3001, "");        // port 11, MSN 1 cleared
    page.setText(3003, "2100");    // port 21, MSN 0
    page.setText(2141, "Kitchen"); // a name: never sent to the device

    drv.on({DRV_MSN, 11}, Answer::ok());
    drv.on({DRV_MSN, 21}, Answer::noReply());
    drv.on({DRV_MSN, 32}, Answer::notAcknowledged());
    drv.on({DRV_CLIP, 21}, Answer::ok());
    drv.on({DRV_CLIP, 32}, Answer::noReply());
    drv.on({DRV_MSN, 0}, Answer::ok());
    drv.on({DRV_CLIP, 0}, Answer::notAcknowledged());
    page.sendButton();

    EXPECT_EQ(drv.sequence(), (Cmds{
                                  {DRV_MSN, 11, 1, 1, ""},
                                  {DRV_MSN, 21, 0, 1, "2100"},
                                  {DRV_MSN, 32, 2, 1, "3232"},
                                  {DRV_CLIP, 21, 0, 1, ""},
                                  {DRV_CLIP, 32, 0, 1, ""},
                                  {DRV_MSN, 0, 2, 1, "17"},
                                  {DRV_CLIP, 0, 0, 1, ""},
                              }));
    EXPECT_EQ(clipFlags(), (std::vector<int>{1, 0, 1}));
    EXPECT_EQ(page.report().text(), "C4 P11 I1 O1 =,OK\n"
                                    "C4 P21 I0 O1 =2100,FAIL\n"
                                    "C5 P21 I0 O1 =,OK\n"
                                    "C5 P32 I0 O1 =,FAIL\n"
                                    "C4 P0 I2 O1 =17,OK\n");
    // Done: cache and confirmed copy take the value.
    EXPECT_EQ(app.cache.analog[0].msn[1], "");
    EXPECT_TRUE(app.cache.analog[1].clip);
    EXPECT_EQ(app.cache.data.msn[2], "17");
    EXPECT_EQ(page.port(5).msn[2].confirmed, "17");
    // Failed or not acknowledged: unchanged, still pending.
    EXPECT_EQ(app.cache.analog[1].msn[0], "");
    EXPECT_EQ(app.cache.analog[4].msn[2], "");
    EXPECT_TRUE(app.cache.analog[4].clip);
    EXPECT_FALSE(app.cache.data.clip);
    EXPECT_EQ(page.port(1).msn[0].confirmed, "");
    EXPECT_TRUE(page.hasUnsentChanges());
    // Names go to the cache and the default profile.
    EXPECT_EQ(app.cache.analog[1].name, "Kitchen");
    EXPECT_EQ(written(0, "ALIAS1"), "Kitchen");
    EXPECT_EQ(host.msnChangedCount, 1);
    EXPECT_EQ(host.progressSteps, 0);

    // A second send offers exactly the items that are still pending.
    drv.clearCalls();
    drv.clearRules();
    drv.on({DRV_MSN}, Answer::ok());
    drv.on({DRV_CLIP}, Answer::ok());
    page.send();
    EXPECT_EQ(drv.sequence(), (Cmds{{DRV_MSN, 21, 0, 1, "2100"},
                                    {DRV_MSN, 32, 2, 1, "3232"},
                                    {DRV_CLIP, 32, 0, 1, ""},
                                    {DRV_CLIP, 0, 0, 1, ""}}));
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(host.msnChangedCount, 2);
}

TEST_F(MsnR30, SendNeverAddressesPorts31And32) {
    page.readDevice();
    for (int id = 3000; id <= 3008; ++id)
        page.setText(id, std::to_string(id));
    // Ports 31 and 32 differ in the cache: still neither compared nor sent.
    app.cache.analog[3].msn[0] = "31";
    app.cache.analog[4].clip = true;
    drv.on({DRV_MSN}, Answer::ok());
    page.send();
    EXPECT_EQ(drv.count(DRV_MSN), 9);
    EXPECT_EQ(drv.count(DRV_MSN, 31) + drv.count(DRV_MSN, 32) + drv.count(DRV_CLIP, 31) +
                  drv.count(DRV_CLIP, 32),
              0);
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(keysWritten(0), (Strings{"ALIAS0", "ALIAS1", "ALIAS2", "ALIASD", "PORTIDX0",
                                       "PORTIDX1", "PORTIDX2", "PORTIDX5"}));
}

TEST_F(MsnR30, UnsentChangesCompareOnlyThePortsOfTheModel) {
    page.readDevice();
    EXPECT_EQ(page.mayLeave(), 1); // nothing pending: no question
    page.setChecked(3022, true);
    ui.discardAnswers = {core::DiscardAnswer::Cancel, core::DiscardAnswer::Discard};
    EXPECT_EQ(page.mayLeave(), 0);
    EXPECT_TRUE(page.checked(3022));
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_FALSE(page.checked(3022));
    EXPECT_TRUE(drv.calls().empty());

    page.setText(2145, "Modem");
    EXPECT_TRUE(page.hasUnsentChanges());
    page.discard();
    EXPECT_EQ(page.text(2145), "\"data\"");
}

// A profile whose values equal what the cache says the device holds.
void fillProfile(test::FakeProfileStore& profiles, int selector, int ports) {
    for (int p = 0; p < ports; ++p) {
        for (int j = 0; j < 3; ++j)
            profiles.set(selector, "MSN_DIV", "AMSN" + std::to_string(p) + std::to_string(j), "");
        profiles.set(selector, "MSN_DIV", "ACLIP" + std::to_string(p), "0");
    }
}

TEST_F(MsnR70, ProfileLoadSendsEveryItemWithProgress) {
    page.readDevice();
    fillProfile(profiles, 1, 5);
    profiles.set(1, "MSN_DIV", "AMSN21", "2121");
    profiles.set(1, "MSN_DIV", "ACLIP4", "1");
    profiles.set(1, "MSN_DIV", "DMSN3", "33");
    profiles.set(1, "MSN_DIV", "DCLIP", "1");
    profiles.set(1, "MSN_DIV", "ALIAS3", "Door");
    profiles.set(1, "MSN_DIV", "PORTIDX3", "7");
    drv.on({DRV_MSN}, Answer::ok());
    drv.on({DRV_CLIP}, Answer::ok());
    page.profileLoad(1);

    Cmds expected;
    for (int p : {11, 21, 22, 31, 32})
        for (int j = 0; j < 3; ++j)
            expected.push_back({DRV_MSN, p, j, 1, p == 22 && j == 1 ? "2121" : ""});
    for (int p : {11, 21, 22, 31, 32})
        expected.push_back({DRV_CLIP, p, 0, 1, ""});
    for (int i = 0; i < 5; ++i)
        expected.push_back({DRV_MSN, 0, i, 1, i == 3 ? "33" : ""});
    expected.push_back({DRV_CLIP, 0, 0, 1, ""});
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(clipFlags(), (std::vector<int>{0, 0, 0, 0, 1, 1}));
    EXPECT_EQ(host.progressSteps, 26);
    EXPECT_EQ(host.msnChangedCount, 1);
    EXPECT_EQ(app.cache.analog[2].msn[1], "2121");
    EXPECT_TRUE(app.cache.analog[4].clip);
    EXPECT_FALSE(page.hasUnsentChanges());
    // Names and symbols come from the file and are kept in the default profile.
    EXPECT_EQ(app.cache.analog[3].name, "Door");
    EXPECT_EQ(page.text(2140), "\"11\"");
    EXPECT_EQ(page.symbols().at(3).picture(), 7);
    EXPECT_EQ(written(0, "PORTIDX3"), "7");
    EXPECT_EQ(written(0, "ALIAS3"), "Door");
}

TEST_F(MsnR30, ProfileLoadProgressAndPorts) {
    page.readDevice();
    drv.on({DRV_MSN}, Answer::ok());
    drv.on({DRV_CLIP}, Answer::ok());
    page.profileLoad(1); // an empty profile: the defaults are sent
    EXPECT_EQ(drv.calls().size(), 18u);
    EXPECT_EQ(host.progressSteps, 18);
    for (const auto& c : drv.calls())
        EXPECT_TRUE(c.sent.nPort != 31 && c.sent.nPort != 32);
}

TEST_F(MsnR70, ProgressStepsFollowTheItemKinds) {
    // A load whose analog MSNs and data CLIP carry texts that never reach
    // the device shows which items step the bar without being sent.
    page.readDevice();
    for (int p = 0; p < 5; ++p)
        for (int j = 0; j < 3; ++j)
            profiles.set(1, "MSN_DIV", "AMSN" + std::to_string(p) + std::to_string(j), "x");
    drv.on({DRV_MSN}, Answer::ok());
    drv.on({DRV_CLIP}, Answer::ok());
    page.profileLoad(1);
    EXPECT_EQ(drv.count(DRV_MSN), 5);         // only the data MSNs
    EXPECT_EQ(host.progressSteps, 5 + 5 + 1); // analog CLIPs, data MSNs, data CLIP (sent)
    EXPECT_EQ(ui.messages, (std::vector<int>{9002}));
    EXPECT_TRUE(page.hasUnsentChanges()); // the bad texts stay visible, not sent
}

TEST_F(MsnR70, FailedLoadLeavesTheCacheTrue) {
    app.cache.analog[0].msn[0] = "4711";
    app.cache.analog[0].clip = true;
    page.readDevice();
    profiles.set(1, "MSN_DIV", "AMSN00", "4711");
    profiles.set(1, "MSN_DIV", "ACLIP0", "1");
    app.connected = false; // every call: -2
    page.profileLoad(1);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(app.cache.analog[0].msn[0], "4711");
    EXPECT_TRUE(app.cache.analog[0].clip);
    EXPECT_EQ(page.report().entries().size(), 26u);
}

TEST(MsnProfileSave, WritesTheSectionKeysInOrderForBothModels) {
    for (int model : {70, 30}) {
        MsnFixture f(model);
        f.app.cache.analog[1].name = "\"21\"";
        f.app.cache.analog[0].name = "Fax";
        f.app.cache.analog[2].msn[2] = "222";
        f.app.cache.analog[1].clip = true;
        f.app.cache.data.msn[4] = "44";
        f.page.readDevice();
        f.page.setText(3000, "999"); // edited, not sent: not saved
        f.page.symbolChosen(5, 317);
        f.profiles.writes.clear();
        EXPECT_TRUE(f.page.profileSave(1).ok());

        Strings expected;
        for (const auto& k : profile::keysOf(profile::Section::Msn, f.page.portCount()))
            expected.push_back(k.name);
        EXPECT_EQ(f.keysWritten(1), expected) << model;
        EXPECT_EQ(f.written(1, "ALIAS0"), "Fax");
        EXPECT_EQ(f.written(1, "ALIAS1"), "");
        EXPECT_EQ(f.written(1, "AMSN00"), "");
        EXPECT_EQ(f.written(1, "AMSN22"), "222");
        EXPECT_EQ(f.written(1, "ACLIP1"), "1");
        EXPECT_EQ(f.written(1, "ACLIP0"), "0");
        EXPECT_EQ(f.written(1, "DMSN4"), "44");
        EXPECT_EQ(f.written(1, "DCLIP"), "0");
        EXPECT_EQ(f.written(1, "PORTIDX5"), "2");
    }
}

TEST_F(MsnR70, DefaultNamesAreStoredEmptyAndComeBackAsTheDefault) {
    page.readDevice();
    page.setText(2141, ""); // cleared: becomes the default on send
    page.send();
    EXPECT_EQ(page.text(2141), "\"21\"");
    EXPECT_EQ(app.cache.analog[1].name, "\"21\"");
    EXPECT_EQ(written(0, "ALIAS1"), "");

    page.setText(2141, "\"21\""); // typed in full: stored empty as well
    page.send();
    EXPECT_EQ(written(0, "ALIAS1"), "");

    profiles.set(1, "MSN_DIV", "ALIAS1", "");
    page.profileLoad(1);
    EXPECT_EQ(page.text(2141), "\"21\"");
    EXPECT_EQ(app.cache.analog[1].name, "\"21\"");
}

TEST_F(MsnR70, AFailedProfileWriteIsReported) {
    page.readDevice();
    profiles.failWrites(0);
    page.send();
    ASSERT_EQ(host.writeFailures.size(), 1u);
    EXPECT_EQ(host.writeFailures[0].failures().size(), 12u); // 6 names, 6 symbols
    EXPECT_EQ(page.lastWriteReport().failures().size(), 12u);
    EXPECT_EQ(host.msnChangedCount, 1);

    // The failure of a save goes back to the main window.
    EXPECT_FALSE(page.profileSave(0).ok());
}

TEST_F(MsnR70, ChoosingASymbolWritesItAtOnce) {
    EXPECT_TRUE(page.symbolChosen(2, 314));
    EXPECT_EQ(page.symbols().at(2).picture(), 14);
    EXPECT_EQ(written(0, "PORTIDX2"), "14");
    EXPECT_FALSE(page.symbolChosen(5, 314)); // not a data-port picture
    EXPECT_EQ(page.symbols().at(5).picture(), 0);

    profiles.failWrites(0, "PORTIDX1");
    page.symbolChosen(1, 301);
    EXPECT_EQ(host.writeFailures.size(), 1u);
}

} // namespace
