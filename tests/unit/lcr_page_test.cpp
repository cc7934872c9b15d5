// The LCR page over a fake device: the read, the checks while typing, the
// send by change marks (marks kept for what the device refused), the
// profile load and save.

#include "pages/data/lcr_page.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quorvex::data {
namespace {

using test::Answer;
namespace ctl = lcr_control;

// One call as "code day.row op payload".
std::string describe(const test::Call& c) {
    const DRVPARAM& r = c.sent;
    std::string s = std::to_string(c.code) + " " + std::to_string(r.nPort) + "." +
                    std::to_string(r.nIndex) + " op" + std::to_string(r.nOp);
    if (r.nOp != core::kOpSet) return s;
    switch (c.code) {
    case DRV_LCRTIME:
        return s + " " + std::to_string(r.nFrom) + "-" + std::to_string(r.nTo);
    case DRV_LCRPREFIX:
        return s + " " + core::fieldText(r.szText3);
    case DRV_LCRRANGE:
        return s + " " + core::fieldText(r.szText) + "-" + core::fieldText(r.szText2);
    default:
        return s + " =" + std::to_string(r.bFlag);
    }
}

class LcrPageTest : public testing::Test, public test::PageFixture {
protected:
    void SetUp() override { app.connected = true; }

    std::vector<std::string> sent() const {
        std::vector<std::string> out;
        for (const test::Call& c : drv.calls())
            out.push_back(describe(c));
        return out;
    }
    // A device that answers every read with empty entries and accepts every write.
    void emptyDevice() {
        for (uint16_t code = DRV_LCR; code <= DRV_LCRRANGEACTIVE; ++code)
            drv.on({code}, Answer::ok());
    }
    void readEmpty() {
        emptyDevice();
        page.readDevice();
        drv.clearCalls();
        ui.events.clear();
    }
    void type(int row, BandField f, const std::string& text) {
        page.typeText(ctl::band(row, f), text);
    }

    LcrPage page{app, ui, host};
};

TEST_F(LcrPageTest, ReadSequenceAndProviderCorrection) {
    emptyDevice();
    drv.on({DRV_LCR, 0, 0, 0}, Answer::okFlag(1));
    Answer band;
    band.from = 8;
    band.to = 18;
    drv.on({DRV_LCRTIME, 0, 0, 0}, band);
    drv.on({DRV_LCRPREFIX, 0, 0, 0}, [] {
        Answer a;
        a.text3 = "01070";
        return a;
    }());
    Answer range;
    range.text = "0130";
    range.text2 = "0130";
    drv.on({DRV_LCRRANGE, 1, 7, 0}, range);
    drv.on({DRV_LCRRANGEACTIVE, 1, 7, 0}, Answer::okFlag(1));
    drv.on({DRV_LCRLOCAL, 1, 2, 0}, Answer::noReply());
    profiles.set(0, "LCR_DIV", "PROVIDERM1", "Stale"); // band 2 has no prefix
    profiles.set(0, "LCR_DIV", "PROVIDERS3", "");

    page.readDevice();

    std::vector<std::string> expected = {"22 0.0 op0"};
    for (int day = 0; day < 2; ++day) {
        for (int b = 0; b < 6; ++b) {
            for (int code : {23, 24, 25, 26})
                expected.push_back(std::to_string(code) + " " + std::to_string(day) + "." +
                                   std::to_string(b) + " op0");
        }
        for (int r = 0; r < 8; ++r) {
            for (int code : {27, 28})
                expected.push_back(std::to_string(code) + " " + std::to_string(day) + "." +
                                   std::to_string(r) + " op0");
        }
    }
    EXPECT_EQ(sent(), expected);
    EXPECT_TRUE(page.flag(ctl::kActivated));
    EXPECT_EQ(page.text(ctl::band(0, BandField::From)), "08");
    EXPECT_EQ(page.text(ctl::band(0, BandField::Till)), "18");
    EXPECT_EQ(page.text(ctl::band(1, BandField::From)), ""); // both hours 0: a free band
    EXPECT_EQ(page.text(ctl::band(0, BandField::Provider)), "Arcor");
    EXPECT_EQ(page.text(ctl::band(1, BandField::Provider)), "");
    EXPECT_EQ(page.tables()[1].ranges[7].from.edited, "0130");
    EXPECT_TRUE(page.tables()[1].ranges[7].active.edited);
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(page.dayType(), 0);
    // A read writes nothing (a device that lost its prefixes would erase the
    // names); the corrected names reach the default profile with the next send.
    EXPECT_TRUE(profiles.writes.empty());
    page.send();
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "PROVIDERM0"), "Arcor");
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "PROVIDERM1"), "");
}

struct TypingCase {
    const char* name;
    int control;
    std::vector<std::string> keystrokes; // successive texts of the field
    std::string shown;                   // the field afterwards
    std::vector<int> messages;
    bool marked;
};

const TypingCase kTyping[] = {
    {"from_25_becomes_0", ctl::band(0, BandField::From), {"2", "25"}, "0", {9016}, true},
    {"from_0_accepted", ctl::band(0, BandField::From), {"0"}, "0", {}, true},
    {"from_23_accepted", ctl::band(0, BandField::From), {"2", "23"}, "23", {}, true},
    {"from_letter", ctl::band(0, BandField::From), {"a"}, "0", {9016}, true},
    {"till_0_accepted_while_typing", ctl::band(0, BandField::Till), {"0"}, "0", {}, true},
    {"till_24_accepted", ctl::band(0, BandField::Till), {"2", "24"}, "24", {}, true},
    // the field keeps its last accepted text and that text's mark
    {"till_25_keeps_2", ctl::band(0, BandField::Till), {"2", "25"}, "2", {9016}, true},
    {"till_3_digits", ctl::band(0, BandField::Till), {"1", "12", "120"}, "12", {9016}, true},
    {"till_rejected_untouched", ctl::band(0, BandField::Till), {"x"}, "", {9016}, false},
    {"predial_6_digits", ctl::band(0, BandField::Predial), {"010700"}, "", {9010}, false},
    {"predial_letters", ctl::band(0, BandField::Predial), {"0107a"}, "", {9010}, false},
    {"predial_emptied", ctl::band(0, BandField::Predial), {"0", ""}, "", {}, false},
    {"range_130_rejected", ctl::range(0, RangeField::From), {"1"}, "", {9018}, false},
    {"range_0130", ctl::range(0, RangeField::To), {"0", "01", "013", "0130"}, "0130", {}, true},
    {"range_6_digits", ctl::range(0, RangeField::To), {"013000"}, "", {9018}, false},
};

class LcrTyping : public LcrPageTest, public testing::WithParamInterface<TypingCase> {};

TEST_P(LcrTyping, ChecksEachChange) {
    readEmpty();
    const TypingCase& c = GetParam();
    for (const std::string& text : c.keystrokes)
        page.typeText(c.control, text);
    EXPECT_EQ(page.text(c.control), c.shown);
    EXPECT_EQ(ui.messages, c.messages);
    EXPECT_EQ(page.hasUnsentChanges(), c.marked);
    if (!c.messages.empty()) {
        EXPECT_EQ(ui.events.back(), "focus " + std::to_string(c.control)); // keeps the focus
    }
    EXPECT_TRUE(drv.calls().empty()); // typing never talks to the device
}

INSTANTIATE_TEST_SUITE_P(Cases, LcrTyping, testing::ValuesIn(kTyping),
                         [](const auto& p) { return std::string(p.param.name); });

TEST_F(LcrPageTest, PredialNamesTheProvider) {
    readEmpty();
    type(0, BandField::Predial, "01070");
    EXPECT_EQ(page.text(ctl::band(0, BandField::Provider)), "Arcor");
    type(1, BandField::Predial, "01099"); // not in the list: the name stays
    EXPECT_EQ(page.text(ctl::band(1, BandField::Provider)), "");
    page.fieldLeft(ctl::band(1, BandField::Predial)); // leaving with an empty name
    EXPECT_EQ(page.text(ctl::band(1, BandField::Provider)), "Provider");
    EXPECT_TRUE(page.tables()[0].bands[1].provider.mark);
    type(2, BandField::Predial, "0");
    type(2, BandField::Predial, "");
    EXPECT_FALSE(page.hasUnsentChanges() && page.tables()[0].bands[2].predial.mark);
    page.fieldLeft(ctl::band(2, BandField::Predial)); // leaving it empty marks it
    EXPECT_TRUE(page.tables()[0].bands[2].predial.mark);
}

TEST_F(LcrPageTest, DashAfterFromHourMovesToTill) {
    readEmpty();
    type(3, BandField::From, "08-");
    EXPECT_EQ(page.text(ctl::band(3, BandField::From)), "08");
    EXPECT_EQ(ui.events.back(), "focus " + std::to_string(ctl::band(3, BandField::Till)));
}

TEST_F(LcrPageTest, TypingTheOldValueBackStillCounts) {
    readEmpty();
    type(0, BandField::From, "");
    EXPECT_TRUE(page.hasUnsentChanges());
}

TEST_F(LcrPageTest, DayTypesKeepTheirOwnRows) {
    readEmpty();
    type(0, BandField::From, "08");
    page.click(ctl::kSatSun);
    EXPECT_EQ(page.text(ctl::band(0, BandField::From)), "");
    type(0, BandField::From, "10");
    page.click(ctl::kMonFri);
    EXPECT_EQ(page.text(ctl::band(0, BandField::From)), "08");
    EXPECT_EQ(page.tables()[1].bands[0].from.edited, "10");
}

TEST_F(LcrPageTest, SendsOnlyMarkedItemsInOrder) {
    readEmpty();
    page.click(ctl::kActivated);
    page.click(ctl::kSatSun);
    type(1, BandField::From, "08");
    type(1, BandField::Till, "18");
    type(1, BandField::Predial, "01070");
    page.fieldLeft(ctl::band(1, BandField::Predial));
    page.click(ctl::band(1, BandField::Active));
    page.typeText(ctl::range(5, RangeField::From), "0180");
    page.typeText(ctl::range(5, RangeField::To), "0190");
    ui.events.clear();
    page.sendButton();
    // The band moves to row 1 and the range to row 1; the rows they left are cleared.
    EXPECT_EQ(sent(), (std::vector<std::string>{
                          "22 0.0 op1 =1",
                          "23 1.0 op1 8-18",
                          "24 1.0 op1 01070",
                          "25 1.0 op1 =0",
                          "26 1.0 op1 =1",
                          "23 1.1 op2",
                          "24 1.1 op2",
                          "25 1.1 op1 =0",
                          "26 1.1 op1 =0",
                          "27 1.0 op1 0180-0190",
                          "28 1.0 op1 =0",
                          "27 1.5 op2",
                          "28 1.5 op1 =0",
                      }));
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(ui.messages, std::vector<int>{});
    // The name was written before the send, the whole section after it.
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "PROVIDERS0"), "Arcor");
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "LCPFRM_S0"), "08");
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "LCRACT"), "1");
}

TEST_F(LcrPageTest, BandsAreSentInHourOrder) {
    readEmpty();
    const char* bands[][3] = {{"18", "24", "01070"}, {"00", "08", "01013"}, {"08", "18", "01033"}};
    for (int row = 0; row < 3; ++row) {
        type(row, BandField::From, bands[row][0]);
        type(row, BandField::Till, bands[row][1]);
        type(row, BandField::Predial, bands[row][2]);
        page.fieldLeft(ctl::band(row, BandField::Predial));
    }
    page.send();
    std::vector<std::string> hours;
    for (const std::string& s : sent())
        if (s.rfind("23 ", 0) == 0) hours.push_back(s);
    EXPECT_EQ(hours,
              (std::vector<std::string>{"23 0.0 op1 0-8", "23 0.1 op1 8-18", "23 0.2 op1 18-24"}));
}

TEST_F(LcrPageTest, BandWithoutPredialIsClearedAndSwitchedActive) {
    readEmpty();
    type(2, BandField::From, "08");
    type(2, BandField::Till, "12");
    page.send();
    EXPECT_EQ(ui.messages, std::vector<int>{9022});
    EXPECT_EQ(sent(), (std::vector<std::string>{"23 0.2 op2", "26 0.2 op1 =1"}));
}

TEST_F(LcrPageTest, OverlapStopsTheSendUntilTheUserSendsAgain) {
    readEmpty();
    type(0, BandField::From, "08");
    type(0, BandField::Till, "12");
    type(0, BandField::Predial, "01070");
    type(1, BandField::From, "11");
    type(1, BandField::Till, "14");
    type(1, BandField::Predial, "01013");
    page.send();
    EXPECT_EQ(ui.messages, std::vector<int>{9012});
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(page.text(ctl::band(0, BandField::From)), ""); // the device's hours
    EXPECT_TRUE(page.hasUnsentChanges());
    // The second send writes the restored hours (free bands: cleared).
    page.send();
    EXPECT_EQ(drv.count(DRV_LCRTIME), 12);
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(LcrPageTest, RangeLengthMismatchBlocksTheSend) {
    readEmpty();
    page.typeText(ctl::range(0, RangeField::From), "0130");
    page.typeText(ctl::range(0, RangeField::To), "01309");
    page.send();
    EXPECT_EQ(ui.messages, std::vector<int>{9018});
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(page.hasUnsentChanges());
}

// The device refused: the item keeps its mark, so the unsent-changes
// question offers it again instead of the page showing a value the device
// does not hold.
TEST_F(LcrPageTest, RefusedItemsKeepTheirMarks) {
    readEmpty();
    page.click(ctl::kActivated);
    page.click(ctl::band(0, BandField::Local));
    page.click(ctl::band(0, BandField::Active));
    drv.on({DRV_LCR, 0, 0, 1}, Answer::noReply());
    drv.on({DRV_LCRLOCAL, 0, 0, 1}, Answer::notAcknowledged()); // result 0 without OK
    page.send();
    EXPECT_EQ(drv.count(DRV_LCR), 1);
    EXPECT_TRUE(page.activated().mark);
    EXPECT_TRUE(page.tables()[0].bands[0].local.mark);
    EXPECT_FALSE(page.tables()[0].bands[0].local.confirmed);
    EXPECT_FALSE(page.tables()[0].bands[0].active.mark);
    EXPECT_TRUE(page.tables()[0].bands[0].active.confirmed);
    EXPECT_EQ(page.report().text().find(",NG\n") != std::string::npos, true);

    ui.discardAnswers.push_back(core::DiscardAnswer::Send);
    drv.clearRules();
    emptyDevice();
    drv.clearCalls();
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(sent(), (std::vector<std::string>{"22 0.0 op1 =1", "25 0.0 op1 =1"}));
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(LcrPageTest, DiscardRestoresTheDeviceValues) {
    readEmpty();
    type(0, BandField::From, "08");
    page.click(ctl::kActivated);
    ui.discardAnswers.push_back(core::DiscardAnswer::Discard);
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(page.text(ctl::band(0, BandField::From)), "");
    EXPECT_FALSE(page.flag(ctl::kActivated));
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(LcrPageTest, ProfileLoadSendsEverythingIncludingClears) {
    readEmpty();
    profiles.set(1, "LCR_DIV", "LCRACT", "1");
    profiles.set(1, "LCR_DIV", "LCPFRM_M0", "18");
    profiles.set(1, "LCR_DIV", "LCPTO_M0", "24");
    profiles.set(1, "LCR_DIV", "PREDIALM0", "01070");
    profiles.set(1, "LCR_DIV", "PROVIDERM0", "Cheap");
    profiles.set(1, "LCR_DIV", "LCPFRM_M1", "08"); // incomplete: sent as it is, no check
    profiles.set(1, "LCR_DIV", "EPNFRMS2", "0130");
    profiles.set(1, "LCR_DIV", "EPNTOS2", "01");
    page.profileLoad(1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(drv.calls().size(), 1u + 2u * (6u * 4u + 8u * 2u));
    EXPECT_EQ(host.progressSteps, 81);
    const std::vector<std::string> s = sent();
    EXPECT_EQ(s[0], "22 0.0 op1 =1");
    EXPECT_EQ(s[1], "23 0.0 op1 18-24");
    EXPECT_EQ(s[2], "24 0.0 op1 01070");
    EXPECT_EQ(s[5], "23 0.1 op1 8-0");
    EXPECT_EQ(s[6], "24 0.1 op2");
    EXPECT_EQ(s[25], "27 0.0 op2");
    EXPECT_NE(std::find(s.begin(), s.end(), "27 1.2 op1 0130-01"), s.end());
    EXPECT_FALSE(page.hasUnsentChanges());
    // The names came from the loaded profile and land in the default profile.
    EXPECT_EQ(profiles.get(0, "LCR_DIV", "PROVIDERM0"), "Cheap");
    EXPECT_EQ(page.tables()[0].bands[0].from.confirmed, "18");
}

TEST_F(LcrPageTest, ProfileLoadWithoutSectionTurnsLcrOff) {
    emptyDevice();
    drv.on({DRV_LCR, 0, 0, 0}, Answer::okFlag(1));
    page.readDevice();
    drv.clearCalls();
    page.profileLoad(1);
    EXPECT_EQ(sent()[0], "22 0.0 op1 =0");
    EXPECT_FALSE(page.flag(ctl::kActivated));
}

TEST_F(LcrPageTest, FailedLoadedItemsStayMarked) {
    readEmpty();
    profiles.set(1, "LCR_DIV", "LCRACT", "1");
    drv.on({DRV_LCR, 0, 0, 1}, Answer::noReply());
    page.profileLoad(1);
    EXPECT_TRUE(page.activated().mark);
    EXPECT_TRUE(page.hasUnsentChanges());
}

TEST_F(LcrPageTest, SaveWritesDeviceValuesUnderEveryKeyInOrder) {
    emptyDevice();
    Answer band;
    band.from = 0;
    band.to = 8;
    drv.on({DRV_LCRTIME, 1, 5, 0}, band);
    page.readDevice();
    type(0, BandField::From, "12"); // edited, not held by the device: not saved
    profiles.writes.clear();
    EXPECT_TRUE(page.profileSave(1).ok());
    std::vector<std::string> keys;
    for (const auto& w : profiles.writes)
        keys.push_back(w.key);
    std::vector<std::string> expected;
    for (int ports : {3, 5}) {
        expected.clear();
        for (const profile::KeySpec& k : profile::keysOf(profile::Section::Lcr, ports))
            expected.push_back(k.name);
        EXPECT_EQ(keys, expected) << ports << " ports";
    }
    EXPECT_EQ(profiles.get(1, "LCR_DIV", "LCPFRM_M0"), "");
    EXPECT_EQ(profiles.get(1, "LCR_DIV", "LCPFRM_S5"), "00");
    EXPECT_EQ(profiles.get(1, "LCR_DIV", "LCPTO_S5"), "08");
    EXPECT_EQ(profiles.get(1, "LCR_DIV", "ITEMACTM0"), "0");
}

TEST_F(LcrPageTest, SaveReportsFailedWrites) {
    readEmpty();
    profiles.failWrites(1);
    EXPECT_FALSE(page.profileSave(1).ok());
}

TEST_F(LcrPageTest, TooLongLoadedPrefixIsNotCutAndStaysUnsent) {
    readEmpty();
    profiles.set(1, "LCR_DIV", "PREDIALM0", std::string(40, '1'));
    page.profileLoad(1);
    EXPECT_EQ(drv.count(DRV_LCRPREFIX), 11); // the long one never reached the device
    EXPECT_TRUE(page.tables()[0].bands[0].predial.mark);
}

} // namespace
} // namespace quorvex::data
