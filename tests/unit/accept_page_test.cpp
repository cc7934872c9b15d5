#include "pages/telephony/accept_page.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "profile/setting_table.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <tuple>
#include <utility>
#include <vector>

namespace {

using namespace quorvex;
using telephony::AcceptPage;
using test::Answer;

// One command as the acceptance page sends it: code, port, op and the value
// (nValue, or bFlag for call waiting and volume).
using Sent = std::tuple<int, int, int, int>;

constexpr int kPorts[] = {11, 21, 22, 31, 32};

struct AcceptFixture : ::testing::Test, test::PageFixture {
    std::unique_ptr<AcceptPage> page;

    void SetUp() override { app.connected = true; }

    AcceptPage& make(int portCount) {
        page = std::make_unique<AcceptPage>(app, ui, host, portCount);
        return *page;
    }

    std::vector<Sent> sent() const {
        std::vector<Sent> out;
        for (const test::Call& c : drv.calls()) {
            bool flag = c.code == DRV_CALLWAIT || c.code == DRV_VOLUME;
            out.emplace_back(c.code, c.sent.nPort, c.sent.nOp,
                             c.sent.nOp == 0 ? 0 : (flag ? c.sent.bFlag : c.sent.nValue));
        }
        return out;
    }

    // Device values: data 1, SoftFax 2, port p: mode p%3, caller ID (p+1)%3,
    // ring delay p+3, call waiting p%2, normal volume 1.
    void deviceAnswers() {
        drv.on({DRV_ACCEPT, 0, {}, 0}, Answer::okValue(1));
        drv.on({DRV_ACCEPT, 3, {}, 0}, Answer::okValue(2));
        for (int p = 0; p < 5; ++p) {
            drv.on({DRV_ACCEPT, kPorts[p], {}, 0}, Answer::okValue(p % 3));
            drv.on({DRV_CALLERID, kPorts[p], {}, 0}, Answer::okValue((p + 1) % 3));
            drv.on({DRV_RINGDELAY, kPorts[p], {}, 0}, Answer::okValue(p + 3));
            drv.on({DRV_CALLWAIT, kPorts[p], {}, 0}, Answer::okFlag(p % 2));
            drv.on({DRV_VOLUME, kPorts[p], {}, 0}, Answer::okFlag(1));
        }
        for (uint16_t code : {DRV_ACCEPT, DRV_CALLERID, DRV_RINGDELAY, DRV_CALLWAIT, DRV_VOLUME})
            drv.on({code, {}, {}, 1}, Answer::ok());
    }
};

TEST_F(AcceptFixture, ReadOrderForBothModels) {
    for (int portCount : {3, 5}) {
        drv.clearCalls();
        make(portCount).readDevice();
        std::vector<Sent> expected = {{DRV_ACCEPT, 0, 0, 0}, {DRV_ACCEPT, 3, 0, 0}};
        for (int p = 0; p < portCount; ++p) {
            for (int code : {DRV_ACCEPT, DRV_CALLERID, DRV_RINGDELAY, DRV_CALLWAIT, DRV_VOLUME})
                expected.emplace_back(code, kPorts[p], 0, 0);
        }
        EXPECT_EQ(sent(), expected) << "portCount " << portCount;
    }
}

TEST_F(AcceptFixture, ReadStoresBothCopies) {
    deviceAnswers();
    AcceptPage& p = make(5);
    p.readDevice();
    EXPECT_EQ(p.value(telephony::kDataModeControl), 1);
    EXPECT_EQ(p.value(telephony::kSoftFaxModeControl), 2);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(p.value(telephony::kAcceptModeControl + i), i % 3);
        EXPECT_EQ(p.value(telephony::kCallerIdControl + i), (i + 1) % 3);
        EXPECT_EQ(p.value(telephony::kRingDelayControl + i), i + 3);
        EXPECT_EQ(p.value(telephony::kCallWaitingControl + i), i % 2);
        EXPECT_EQ(p.value(telephony::kLowerVolumeControl + i), 0);
        EXPECT_EQ(p.confirmedValue(telephony::kRingDelayControl + i), i + 3);
    }
    EXPECT_FALSE(p.hasUnsentChanges());
    EXPECT_EQ(ui.eventsStartingWith("focus"), std::vector<std::string>{"focus 2420"});
}

// Lower volume is on exactly when the volume query worked and the device said 0.
TEST_F(AcceptFixture, VolumeInversionOnRead) {
    drv.on({DRV_VOLUME, 11, {}, 0}, Answer::okFlag(0)); // lower volume
    drv.on({DRV_VOLUME, 21, {}, 0}, Answer::okFlag(1)); // normal
    drv.on({DRV_VOLUME, 22, {}, 0}, Answer::noReply()); // failed: off
    Answer noOk = Answer::notAcknowledged();            // no "OK": failed, off
    noOk.flag = 0;
    drv.on({DRV_VOLUME, 31, {}, 0}, noOk);
    AcceptPage& p = make(5);
    p.readDevice();
    EXPECT_EQ(p.value(2425), 1);
    EXPECT_EQ(p.value(2426), 0);
    EXPECT_EQ(p.value(2427), 0);
    EXPECT_EQ(p.value(2428), 0);
    EXPECT_EQ(p.value(2429), 0); // not connected rule: no answer at all
}

TEST_F(AcceptFixture, DeviceDigitsNoSelectorShowsAreClamped) {
    drv.on({DRV_ACCEPT, 0, {}, 0}, Answer::okValue(5));
    drv.on({DRV_CALLERID, 21, {}, 0}, Answer::okValue(9));
    drv.on({DRV_RINGDELAY, 22, {}, 0}, Answer::okValue(-2));
    AcceptPage& p = make(3);
    p.readDevice();
    EXPECT_EQ(p.value(2418), 2);
    EXPECT_EQ(p.value(2431), 2);
    EXPECT_EQ(p.value(2437), 0);
    EXPECT_FALSE(p.hasUnsentChanges());
}

TEST_F(AcceptFixture, NoDeviceReadsZeros) {
    app.connected = false;
    AcceptPage& p = make(5);
    p.readDevice();
    for (int id : {2413, 2418, 2419, 2420, 2425, 2430, 2439})
        EXPECT_EQ(p.value(id), 0) << id;
    EXPECT_TRUE(drv.calls().empty()); // the wrapper refuses without calling
}

TEST_F(AcceptFixture, SendsOnlyChangedItemsInDeviceOrder) {
    deviceAnswers();
    AcceptPage& p = make(5);
    p.readDevice();
    drv.clearCalls();
    // Changed in an order unlike the device's: the page still sends in its own.
    EXPECT_TRUE(p.toggle(2429));              // lower volume port 32 on -> sends 0
    EXPECT_TRUE(p.selectionChanged(2435, 9)); // ring delay port 11
    EXPECT_TRUE(p.selectionChanged(2419, 0)); // SoftFax mode
    EXPECT_TRUE(p.toggle(2421));              // call waiting port 21: 1 -> 0
    EXPECT_TRUE(p.selectionChanged(2431, 0)); // caller ID port 21
    EXPECT_TRUE(p.hasUnsentChanges());        // at once, without leaving a control
    p.send();
    std::vector<Sent> expected = {
        {DRV_ACCEPT, 3, 1, 0},    {DRV_RINGDELAY, 11, 1, 9}, {DRV_CALLERID, 21, 1, 0},
        {DRV_CALLWAIT, 21, 1, 0}, {DRV_VOLUME, 32, 1, 0},
    };
    EXPECT_EQ(sent(), expected);
    EXPECT_FALSE(p.hasUnsentChanges());
    EXPECT_EQ(p.confirmedValue(2429), 1);
    EXPECT_EQ(p.report().text(), "C13 P3 I0 O1 =,OK\nC11 P11 I0 O1 =,OK\nC12 P21 I0 O1 =,OK\n"
                                 "C9 P21 I0 O1 =,OK\nC10 P32 I0 O1 =,OK\n");

    drv.clearCalls();
    p.send(); // nothing left
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(AcceptFixture, LowerVolumeOffSendsNormalVolume) {
    drv.on({DRV_VOLUME, 11, {}, 0}, Answer::okFlag(0)); // lower volume on
    drv.on({DRV_VOLUME, {}, {}, 1}, Answer::ok());
    AcceptPage& p = make(3);
    p.readDevice();
    p.toggle(2425);
    drv.clearCalls();
    p.send();
    EXPECT_EQ(sent(), (std::vector<Sent>{{DRV_VOLUME, 11, 1, 1}}));
}

TEST_F(AcceptFixture, RefusedOrFailedItemsStayChanged) {
    deviceAnswers();
    AcceptPage& p = make(3);
    p.readDevice();
    drv.on({DRV_RINGDELAY, 11, {}, 1}, Answer::notAcknowledged());
    drv.on({DRV_CALLERID, 21, {}, 1}, Answer::noReply());
    p.selectionChanged(2435, 1);
    p.selectionChanged(2431, 0);
    p.selectionChanged(2413, 2);
    drv.clearCalls();
    p.send();
    EXPECT_EQ(sent().size(), 3u);
    EXPECT_TRUE(p.hasUnsentChanges());
    EXPECT_EQ(p.confirmedValue(2435), 3);
    EXPECT_EQ(p.confirmedValue(2413), 2);
    drv.clearCalls();
    p.send(); // only the two that failed go again
    EXPECT_EQ(sent(), (std::vector<Sent>{{DRV_RINGDELAY, 11, 1, 1}, {DRV_CALLERID, 21, 1, 0}}));
}

TEST_F(AcceptFixture, DiscardRestoresDeviceValues) {
    deviceAnswers();
    AcceptPage& p = make(5);
    p.readDevice();
    p.selectionChanged(2437, 0);
    p.toggle(2428);
    p.discard();
    EXPECT_FALSE(p.hasUnsentChanges());
    EXPECT_EQ(p.value(2437), 5);
    EXPECT_EQ(p.value(2428), 0);
}

TEST_F(AcceptFixture, R30HasNoControlsForPorts31And32) {
    AcceptPage& p = make(3);
    for (int id : {2416, 2417, 2423, 2424, 2428, 2429, 2433, 2434, 2438, 2439})
        EXPECT_EQ(p.value(id), -1) << id;
    EXPECT_FALSE(p.selectionChanged(2416, 1));
    EXPECT_FALSE(p.toggle(2424));
    EXPECT_FALSE(p.selectionChanged(2420, 1)); // a check box is no selector
    EXPECT_FALSE(p.toggle(2413));              // and a selector no check box
    EXPECT_TRUE(p.listBoxItems(2409).empty());
    EXPECT_EQ(p.portName(3), "");
}

// Selector values that no selector can show: clamped to the nearest valid value.
struct ClampCase {
    int control;
    int chosen;
    int expected;
};

TEST_F(AcceptFixture, SelectionsAreClamped) {
    const ClampCase cases[] = {
        {2413, 3, 2},  {2413, -1, 0}, {2418, 7, 2}, {2430, 5, 2},
        {2435, 10, 9}, {2435, -4, 0}, {2439, 9, 9}, {2419, 1, 1},
    };
    AcceptPage& p = make(5);
    for (const ClampCase& c : cases) {
        EXPECT_TRUE(p.selectionChanged(c.control, c.chosen));
        EXPECT_EQ(p.value(c.control), c.expected) << c.control << " " << c.chosen;
    }
}

TEST_F(AcceptFixture, ProfileValuesAreClampedWhenLoaded) {
    deviceAnswers();
    AcceptPage& p = make(3);
    p.readDevice();
    const std::pair<const char*, const char*> file[] = {
        {"ACCEPDTAA", "5"},   {"ACCEPDTAB", "-3"}, {"ACCEPCALL0", "9"}, {"SHOWID1", "3"},
        {"DELAYRING2", "12"}, {"CALLWAIT0", "7"},  {"LOWVOL1", "-1"},
    };
    for (auto [key, value] : file)
        profiles.set(1, "ACCEP_DIV", key, value);
    p.profileLoad(1);
    EXPECT_EQ(p.value(2418), 2);
    EXPECT_EQ(p.value(2419), 0);
    EXPECT_EQ(p.value(2413), 2);
    EXPECT_EQ(p.value(2431), 2);
    EXPECT_EQ(p.value(2437), 9);
    EXPECT_EQ(p.value(2420), 1);
    EXPECT_EQ(p.value(2426), 1);
}

TEST_F(AcceptFixture, ProfileLoadSendsOnlyWhatDiffersFromTheDevice) {
    deviceAnswers();
    AcceptPage& p = make(3);
    p.readDevice();
    // A file equal to the device: nothing goes out.
    p.profileSave(1);
    drv.clearCalls();
    p.profileLoad(1);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(host.progressSteps, 0);

    profiles.set(1, "ACCEP_DIV", "ACCEPDTAA", "2");
    profiles.set(1, "ACCEP_DIV", "DELAYRING1", "0");
    profiles.set(1, "ACCEP_DIV", "LOWVOL2", "1");
    p.profileLoad(1);
    EXPECT_EQ(sent(),
              (std::vector<Sent>{
                  {DRV_ACCEPT, 0, 1, 2}, {DRV_RINGDELAY, 21, 1, 0}, {DRV_VOLUME, 22, 1, 0}}));
    EXPECT_EQ(host.progressSteps, 3);
    EXPECT_FALSE(p.hasUnsentChanges());
}

TEST_F(AcceptFixture, ProfileLoadOfMissingKeysReadsZero) {
    deviceAnswers();
    AcceptPage& p = make(3);
    p.readDevice();
    drv.clearCalls();
    p.profileLoad(1); // empty profile: every value 0
    for (const Sent& s : sent())
        EXPECT_EQ(std::get<3>(s), std::get<0>(s) == DRV_VOLUME ? 1 : 0);
    EXPECT_EQ(p.value(2436), 0);
}

TEST_F(AcceptFixture, ProfileSaveWritesConfirmedValuesUnderTheSectionKeys) {
    for (int portCount : {3, 5}) {
        deviceAnswers();
        AcceptPage& p = make(portCount);
        p.readDevice();
        p.selectionChanged(2435, 0); // an unsent edit is not saved
        profiles.writes.clear();
        EXPECT_TRUE(p.profileSave(1).ok());
        std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::Accep, portCount);
        ASSERT_EQ(profiles.writes.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto& w = profiles.writes[i];
            EXPECT_EQ(w.section, "ACCEP_DIV");
            EXPECT_EQ(w.key, keys[i].name);
            EXPECT_EQ(w.selector, 1);
        }
        auto value = [&](const char* key) { return *profiles.get(1, "ACCEP_DIV", key); };
        EXPECT_EQ(value("ACCEPDTAA"), "1");
        EXPECT_EQ(value("ACCEPDTAB"), "2");
        EXPECT_EQ(value("DELAYRING0"), "3");
        EXPECT_EQ(value("SHOWID2"), "0");
        EXPECT_EQ(value("CALLWAIT1"), "1");
        EXPECT_EQ(value("LOWVOL0"), "0");
    }
}

TEST_F(AcceptFixture, ListBoxesAndNamesComeFromTheCache) {
    app.cache.analog[1].msn = {"211", "212", "213", "", ""};
    app.cache.analog[1].name = "Paul";
    app.cache.data.msn = {"d1", "d2", "d3", "d4", "d5"};
    AcceptPage& p = make(5);
    EXPECT_EQ(p.listBoxItems(2407), (std::vector<std::string>{"211", "212", "213"}));
    EXPECT_EQ(p.listBoxItems(2411), (std::vector<std::string>{"d1", "d2", "d3"}));
    EXPECT_EQ(p.listBoxItems(2412), (std::vector<std::string>{"d4", "d5"}));
    EXPECT_EQ(p.portName(1), "Paul");
    EXPECT_EQ(p.portName(3), "\"31\"");
    EXPECT_EQ(p.portName(5), "\"data\"");
    app.cache.analog[3].name = "Ilvane";
    EXPECT_EQ(p.portName(3), "\"31\""); // a copy, refreshed when shown
    p.shown();
    EXPECT_EQ(p.portName(3), "Ilvane");
}

TEST_F(AcceptFixture, CallBackButtonOpensTheDialogWithoutReading) {
    AcceptPage& p = make(5);
    app.soundOn = true;
    p.callBackButton();
    EXPECT_EQ(host.callbackDialogs, 1);
    EXPECT_EQ(ui.beeps, 1);
    EXPECT_TRUE(drv.calls().empty());
    app.soundOn = false;
    p.callBackButton();
    EXPECT_EQ(ui.beeps, 1);
}

TEST(AcceptSelectors, KindsCountsAndTexts) {
    using telephony::SelectorKind;
    EXPECT_EQ(telephony::selectorKindOf(2413), SelectorKind::AcceptanceMode);
    EXPECT_EQ(telephony::selectorKindOf(2419), SelectorKind::AcceptanceMode);
    EXPECT_EQ(telephony::selectorKindOf(2434), SelectorKind::CallerId);
    EXPECT_EQ(telephony::selectorKindOf(2439), SelectorKind::RingDelay);
    EXPECT_EQ(telephony::selectorKindOf(2420), SelectorKind::None);
    EXPECT_EQ(telephony::selectorItemCount(SelectorKind::RingDelay), 10);
    EXPECT_EQ(telephony::selectorText(SelectorKind::CallerId, 1, 0, true), "(FSK)Send.....");
    EXPECT_EQ(telephony::selectorText(SelectorKind::CallerId, 1, 0, false),
              "(FSK)Send Phone Number");
    EXPECT_EQ(telephony::selectorText(SelectorKind::AcceptanceMode, 2, 1, false), "alle");
}

// Each selector offers exactly the values its setting's row allows.
TEST(AcceptSelectors, OfferTheRangeOfTheirSetting) {
    using telephony::SelectorKind;
    const std::pair<SelectorKind, const char*> cases[] = {
        {SelectorKind::AcceptanceMode, "ACCEPCALL%d"},
        {SelectorKind::CallerId, "SHOWID%d"},
        {SelectorKind::RingDelay, "DELAYRING%d"},
    };
    for (const auto& [kind, format] : cases) {
        const profile::Setting* row = profile::settingOf(profile::Section::Accep, format);
        ASSERT_NE(row, nullptr) << format;
        EXPECT_EQ(row->minValue, 0) << format;
        EXPECT_EQ(telephony::selectorItemCount(kind), row->maxValue + 1) << format;
    }
}

} // namespace
