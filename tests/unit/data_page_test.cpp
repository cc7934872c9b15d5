// The data protocol page against a fake device: the read with its frame size
// corrections, the send under each protocol, change detection, collecting,
// checks while typing, leaving the page, and profile section DATA_DIV.

#include "pages/data/data_page.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace quorvex::data {
namespace {

using Lines = std::vector<std::string>;

bool registerByProtocol(int code, int port) {
    return code == DRV_DATAPROTO && (port == 2 || port == 6);
}

// The register a record addresses, e.g. "47/6 aux=1" or "49/7".
std::string registerOf(int code, const DRVPARAM& r) {
    std::string s = std::to_string(code) + "/" + std::to_string(r.nPort);
    if (registerByProtocol(code, r.nPort)) s += " aux=" + std::to_string(drv_get_aux(&r));
    return s;
}

std::string eidTextOf(const DRVPARAM& r) {
    const char* text = r.szText + 4;
    return std::string(text, strnlen(text, sizeof r.szText - 4));
}

// One call as a line: register, r(ead) or w(rite) and for a write the value.
std::string describe(const test::Call& c) {
    const DRVPARAM& r = c.sent;
    std::string s = registerOf(c.code, r) + (r.nOp == 0 ? " r" : " w");
    if (r.nOp == 0) return s;
    if (c.code == DRV_DATAPROTO && r.nPort == 0)
        return s + " aux=" + std::to_string(drv_get_aux(&r));
    if (c.code == DRV_DATAPROTO && r.nPort >= 1 && r.nPort <= 5)
        return s + " flag=" + std::to_string(r.bFlag);
    if (c.code == DRV_EID && r.nPort == 12) return s + " text=" + eidTextOf(r);
    return s + " idx=" + std::to_string(r.nIndex);
}

// A device that keeps the data registers: reads answer what it holds, writes change it.
struct DataDevice {
    std::map<std::string, int> values = {
        {"47/0", 0},       {"47/1", 0},          {"47/2 aux=0", 0},    {"47/3", 0},
        {"47/4", 0},       {"48/11", 0},         {"47/6 aux=1", 256},  {"47/5", 0},
        {"47/2 aux=3", 0}, {"47/6 aux=3", 2048}, {"47/6 aux=6", 2048}, {"49/7", 45},
        {"49/9", 30},      {"49/8", 2},          {"49/10", 2},
    };
    std::string eid;
    std::set<std::string> withoutOk; // registers that answer without "OK"

    void install(test::FakeDriver& drv) {
        for (uint16_t code : {DRV_DATAPROTO, DRV_EID, DRV_BODREG}) {
            test::Answer a = test::Answer::ok();
            a.apply = [this, code](DRVPARAM& r) { handle(code, r); };
            drv.on({code}, a);
        }
    }

    void handle(int code, DRVPARAM& r) {
        const std::string reg = registerOf(code, r);
        if (withoutOk.count(reg) != 0) {
            r.bOk = 0;
            return;
        }
        const bool eidNumber = code == DRV_EID && r.nPort == 12;
        const bool protocol = code == DRV_DATAPROTO && r.nPort == 0;
        const bool flag = code == DRV_DATAPROTO && r.nPort >= 1 && r.nPort <= 5;
        if (r.nOp == 0) {
            if (eidNumber) {
                std::strncpy(r.szText + 4, eid.c_str(), sizeof r.szText - 5);
            } else if (protocol) {
                drv_set_aux(&r, values[reg]);
            } else if (flag) {
                r.bFlag = values[reg];
            } else {
                r.nIndex = values[reg];
            }
            return;
        }
        if (eidNumber) {
            eid = eidTextOf(r);
        } else if (protocol) {
            values[reg] = drv_get_aux(&r);
        } else if (flag) {
            values[reg] = r.bFlag;
        } else {
            values[reg] = r.nIndex;
        }
    }
};

class DataPageTest : public ::testing::Test, public test::PageFixture {
protected:
    void SetUp() override {
        app.connected = true;
        dev.install(drv);
    }

    Lines calls() const {
        Lines out;
        for (const test::Call& c : drv.calls())
            out.push_back(describe(c));
        return out;
    }
    // Reads the device and forgets the read's calls and UI events.
    void read() {
        page.readDevice();
        drv.clearCalls();
        ui.events.clear();
        ui.messages.clear();
    }
    void setBod(BodValues v) {
        page.openBodDialog([v](const BodValues&) { return v; });
    }

    DataDevice dev;
    DataPage page{app, ui, host};
};

// ---- reading ----

TEST_F(DataPageTest, ReadsEverySettingInTheDeviceOrder) {
    dev.values["47/0"] = kX75Transparent;
    dev.values["47/1"] = 1;
    dev.values["47/2 aux=0"] = 1;
    dev.values["48/11"] = kEidIp;
    dev.eid = "195222204004";
    dev.values["47/6 aux=1"] = 200;
    dev.values["47/5"] = 1;
    dev.values["47/6 aux=3"] = 1024;
    dev.values["49/7"] = 50;
    dev.values["49/10"] = 5;
    page.readDevice();

    EXPECT_EQ(calls(), (Lines{"47/0 r", "47/1 r", "47/2 aux=0 r", "47/3 r", "47/4 r", "48/11 r",
                              "48/12 r", "47/6 aux=1 r", "47/5 r", "47/2 aux=3 r", "47/6 aux=3 r",
                              "47/6 aux=6 r", "49/7 r", "49/9 r", "49/8 r", "49/10 r"}));
    const DataSettings& s = page.settings();
    EXPECT_EQ(s.protocol.confirmed, kX75Transparent);
    EXPECT_EQ(s.autoIdent.edited, 1);
    EXPECT_EQ(s.multiLinkPpp.edited, 1);
    EXPECT_EQ(s.eidClass.edited, kEidIp);
    EXPECT_EQ(s.eid[kEidIp].confirmed, "195222204004");
    EXPECT_EQ(s.eid[kEidLocal].edited, "98765432"); // the other classes keep their initial texts
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "195.222.204.4");
    EXPECT_EQ(page.fieldText(kCtlV120FrameSize), "200");
    EXPECT_EQ(page.fieldText(kCtlX75FrameSize), "1024");
    EXPECT_TRUE(page.checked(kCtlIFrame));
    EXPECT_FALSE(page.checked(kCtlUiFrame));
    EXPECT_EQ(page.bodValues(), (BodValues{50, 30, 2, 5}));
    EXPECT_TRUE(page.loaded());
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(ui.eventsStartingWith("busy"), (Lines{"busy 1", "busy 0"}));
}

TEST_F(DataPageTest, FrameSizesOutOfRangeAreCorrectedOnTheDeviceDuringTheRead) {
    dev.values["47/6 aux=1"] = 100;
    dev.values["47/6 aux=3"] = 2049;
    dev.values["47/6 aux=6"] = 0;
    page.readDevice();

    EXPECT_EQ(calls(),
              (Lines{"47/0 r", "47/1 r", "47/2 aux=0 r", "47/3 r", "47/4 r", "48/11 r", "48/12 r",
                     "47/6 aux=1 r", "47/6 aux=1 w idx=256", "47/5 r", "47/2 aux=3 r",
                     "47/6 aux=3 r", "47/6 aux=3 w idx=2048", "47/6 aux=6 r",
                     "47/6 aux=6 w idx=2048", "49/7 r", "49/9 r", "49/8 r", "49/10 r"}));
    EXPECT_EQ(page.settings().v120FrameSize.confirmed, 256);
    EXPECT_EQ(page.settings().x75FrameSize.confirmed, 2048);
    EXPECT_EQ(page.settings().hdlcFrameSize.edited, 2048);
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(DataPageTest, WithoutDeviceEveryReadGivesItsDefault) {
    app.connected = false;
    page.readDevice();
    EXPECT_TRUE(drv.calls().empty());
    const DataSettings& s = page.settings();
    EXPECT_EQ(s.protocol.edited, kPpp);
    EXPECT_EQ(s.autoIdent.edited + s.multiLinkPpp.edited + s.dba.edited + s.bod.edited, 0);
    EXPECT_EQ(s.eidClass.edited, kEidNull);
    EXPECT_EQ(s.eid[kEidNull].edited, ""); // the failed number read of the current class
    EXPECT_EQ(s.eid[kEidMagic].edited, "01dc5abc20843abc");
    EXPECT_TRUE(page.checked(kCtlUiFrame));
    EXPECT_EQ(page.fieldText(kCtlV120FrameSize), "256");
    EXPECT_EQ(page.fieldText(kCtlX75FrameSize), "2048");
    EXPECT_EQ(page.fieldText(kCtlHdlcFrameSize), "2048");
    EXPECT_EQ(page.bodValues(), (BodValues{45, 30, 2, 2}));
}

TEST_F(DataPageTest, ReadsWithoutOkGiveDefaultsAndAnUnknownProtocolIsPpp) {
    dev.values["47/0"] = 42; // a protocol number the driver could not map
    dev.values["48/11"] = 9;
    dev.withoutOk = {"49/7", "47/6 aux=1"};
    dev.values["49/7"] = 10;
    page.readDevice();
    EXPECT_EQ(page.settings().protocol.confirmed, kPpp);
    EXPECT_EQ(page.settings().eidClass.confirmed, kEidNull);
    EXPECT_EQ(page.settings().highWater.confirmed, 45);
    EXPECT_EQ(page.settings().v120FrameSize.confirmed, 256);
    EXPECT_EQ(drv.count(DRV_DATAPROTO), 10); // reads only: no write-back for a failed read
}

// ---- sending under each protocol ----

TEST_F(DataPageTest, PppSendsItsItemsAndTheEidNumberInStoredForm) {
    read();
    page.checkClicked(kCtlAutoIdent, true);
    page.checkClicked(kCtlMultiLinkPpp, true);
    page.checkClicked(kCtlDba, true);
    page.checkClicked(kCtlBod, true);
    page.eidClassSelected(kEidIp);
    page.editChanged(kCtlEidNumber, "10.1.2.3");
    page.checkClicked(kCtlMultiLinkX75, true); // not a PPP item
    page.frameTypeClicked(true);               // nor this
    setBod({50, 20, 3, 4});
    page.send();

    EXPECT_EQ(calls(), (Lines{"47/1 w flag=1", "47/2 aux=0 w flag=1", "47/3 w flag=1",
                              "47/4 w flag=1", "48/11 w idx=2", "48/12 w text=010001002003",
                              "49/7 w idx=50", "49/9 w idx=20", "49/8 w idx=3", "49/10 w idx=4"}));
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "10.1.2.3");
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(dev.eid, "010001002003");
}

TEST_F(DataPageTest, PppWithoutMultiLinkStillSendsItsSwitchesAndClass) {
    read();
    page.checkClicked(kCtlBod, true);
    page.eidClassSelected(kEidLocal); // the number shown equals its device value
    page.send();
    EXPECT_EQ(calls(), (Lines{"47/4 w flag=1", "48/11 w idx=1"}));
}

TEST_F(DataPageTest, EidClassNullSendsNoNumber) {
    dev.values["48/11"] = kEidMac;
    dev.eid = "0080c81e379a";
    read();
    page.eidClassSelected(kEidNull);
    page.send();
    EXPECT_EQ(calls(), (Lines{"48/11 w idx=0"}));
}

TEST_F(DataPageTest, MagicNumberBlockIsSentWithoutDashes) {
    read();
    page.eidClassSelected(kEidMagic);
    page.editChanged(kCtlEidNumber, "01dc5abc-20843abd");
    page.send();
    EXPECT_EQ(calls(), (Lines{"48/11 w idx=4", "48/12 w text=01dc5abc20843abd"}));
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "01dc5abc-20843abd");
}

TEST_F(DataPageTest, V120SendsFrameSizeThenFrameType) {
    read();
    page.checkClicked(kCtlMultiLinkPpp, true); // a PPP item: neither sent nor counted
    page.protocolSelected(kV120);
    page.editChanged(kCtlV120FrameSize, "200");
    page.frameTypeClicked(true);
    page.editChanged(kCtlHdlcFrameSize, "512"); // another protocol's field
    page.send();
    EXPECT_EQ(calls(), (Lines{"47/0 w aux=1", "47/6 aux=1 w idx=200", "47/5 w flag=1"}));
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(DataPageTest, EveryX75VariantSendsTheSharedX75Items) {
    for (int protocol : {kX75Btx, kX75Transparent, kX75T70}) {
        SCOPED_TRACE(protocol);
        dev = DataDevice{};
        dev.install(drv);
        read();
        page.protocolSelected(protocol);
        page.checkClicked(kCtlMultiLinkX75, true);
        page.editChanged(kCtlX75FrameSize, "1024");
        page.send();
        EXPECT_EQ(calls(), (Lines{"47/0 w aux=" + std::to_string(protocol), "47/2 aux=3 w flag=1",
                                  "47/6 aux=3 w idx=1024"}));
    }
}

TEST_F(DataPageTest, HdlcSendsItsFrameSize) {
    read();
    page.protocolSelected(kHdlc);
    page.editChanged(kCtlHdlcFrameSize, "512");
    page.editChanged(kCtlX75FrameSize, "99");
    page.send();
    EXPECT_EQ(calls(), (Lines{"47/0 w aux=6", "47/6 aux=6 w idx=512"}));
}

TEST_F(DataPageTest, V110AndSoftFaxSendOnlyProtocolSwitchAndThresholds) {
    for (int protocol : {kV110, kSoftFax}) {
        SCOPED_TRACE(protocol);
        dev = DataDevice{};
        dev.install(drv);
        read();
        page.protocolSelected(protocol);
        page.checkClicked(kCtlAutoIdent, true);
        page.checkClicked(kCtlDba, true);
        page.frameTypeClicked(true);
        setBod({45, 30, 2, 9});
        page.send();
        EXPECT_EQ(calls(), (Lines{"47/0 w aux=" + std::to_string(protocol), "47/1 w flag=1",
                                  "49/10 w idx=9"}));
    }
}

TEST_F(DataPageTest, AnUnconfirmedWriteStaysPending) {
    read();
    dev.withoutOk = {"47/1"};
    page.checkClicked(kCtlAutoIdent, true);
    page.checkClicked(kCtlDba, true);
    page.send();
    EXPECT_EQ(calls(), (Lines{"47/1 w flag=1", "47/3 w flag=1"}));
    EXPECT_EQ(page.settings().autoIdent.confirmed, 0);
    EXPECT_EQ(page.settings().dba.confirmed, 1);
    EXPECT_EQ(page.report().text(), "C47 P3 I0 O1 =,OK\n"); // a reply without OK adds no line
    EXPECT_TRUE(page.hasUnsentChanges());
    drv.clearCalls();
    dev.withoutOk.clear();
    page.send();
    EXPECT_EQ(calls(), (Lines{"47/1 w flag=1"}));
}

// ---- change detection ----

TEST_F(DataPageTest, ChangesCountOnlyUnderTheirProtocol) {
    struct Case {
        int protocol;
        int control; // the check box ticked
        bool counts;
    };
    const Case cases[] = {
        {kPpp, kCtlMultiLinkPpp, true},    {kPpp, kCtlDba, true},
        {kPpp, kCtlMultiLinkX75, false},   {kV110, kCtlMultiLinkPpp, false},
        {kV110, kCtlBod, false},           {kV110, kCtlAutoIdent, true},
        {kX75T70, kCtlMultiLinkX75, true}, {kX75Btx, kCtlDba, false},
        {kHdlc, kCtlMultiLinkX75, false},  {kV120, kCtlMultiLinkPpp, false},
    };
    for (const Case& c : cases) {
        dev.values["47/0"] = c.protocol;
        read();
        page.checkClicked(c.control, true);
        EXPECT_EQ(page.hasUnsentChanges(), c.counts) << c.protocol << " " << c.control;
    }
}

TEST_F(DataPageTest, FrameTypeAndThresholdsCount) {
    dev.values["47/0"] = kV120;
    read();
    page.frameTypeClicked(true);
    EXPECT_TRUE(page.hasUnsentChanges());
    page.frameTypeClicked(false);
    EXPECT_FALSE(page.hasUnsentChanges());
    dev.values["47/0"] = kV110;
    read();
    setBod({45, 31, 2, 2});
    EXPECT_TRUE(page.hasUnsentChanges());
}

// ---- collecting errors ----

TEST_F(DataPageTest, AFrameSizeOutOfRangeStopsTheWholeSend) {
    struct Case {
        int protocol;
        int control;
        const char* text;
        int message;
    };
    const Case cases[] = {
        // Only V.120's lower bound waits for collecting; "0" for X.75 and
        // HDLC is refused while typing (TypingChecksRejectAndRestore).
        {kV120, kCtlV120FrameSize, "100", 9044}, {kV120, kCtlV120FrameSize, "0", 9044},
        {kV120, kCtlV120FrameSize, "", 9044},    {kX75T70, kCtlX75FrameSize, "", 9046},
        {kHdlc, kCtlHdlcFrameSize, "", 9048},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        dev.values["47/0"] = c.protocol;
        read();
        page.checkClicked(kCtlAutoIdent, true);
        EXPECT_TRUE(page.editChanged(c.control, c.text));
        page.send();
        EXPECT_TRUE(drv.calls().empty());
        EXPECT_EQ(ui.messages, std::vector<int>{c.message});
        EXPECT_TRUE(page.errorFlag());
        EXPECT_NE(page.fieldText(c.control), c.text); // back to the device value
        EXPECT_EQ(page.settings().autoIdent.confirmed, 0);
    }
}

TEST_F(DataPageTest, ARejectedEidNumberStopsTheWholeSend) {
    read();
    page.checkClicked(kCtlAutoIdent, true);
    page.eidClassSelected(kEidIp);
    EXPECT_TRUE(page.editChanged(kCtlEidNumber, "1.2.3")); // fine while typing
    page.send();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(ui.messages, std::vector<int>{9032});
    EXPECT_EQ(page.settings().eid[kEidIp].edited, "195222204004");
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "195.222.204.4");
}

TEST_F(DataPageTest, NineMagicDigitsWithoutDashAreRejectedAtSend) {
    read();
    page.eidClassSelected(kEidMagic);
    page.editChanged(kCtlEidNumber, "01dc5abc2");
    page.send();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(ui.messages, std::vector<int>{9036});
}

TEST_F(DataPageTest, FrameSizesStartingWithZeroAreTypedOnlyWhereTheyCanGrow) {
    read();
    // V.120: "0" may still become "0128"; the page checks 128 when it collects.
    EXPECT_TRUE(page.editChanged(kCtlV120FrameSize, "0"));
    EXPECT_TRUE(page.editChanged(kCtlV120FrameSize, "0128"));
    // X.75 and HDLC: a leading zero is fine once the value is 1 or more.
    EXPECT_TRUE(page.editChanged(kCtlX75FrameSize, "01"));
    EXPECT_TRUE(page.editChanged(kCtlHdlcFrameSize, "2048"));
    EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DataPageTest, AMagicNumberBlockOfThreeGroupsIsSent) {
    read();
    page.eidClassSelected(kEidMagic);
    EXPECT_TRUE(page.editChanged(kCtlEidNumber, "01dc5abc-20843abc-01dc5abc"));
    page.send();
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(calls(), (Lines{"48/11 w idx=4", "48/12 w text=01dc5abc20843abc01dc5abc"}));
}

TEST_F(DataPageTest, IpTypedWithoutDotsIsShownWithDotsOnceCollected) {
    read();
    page.eidClassSelected(kEidIp);
    page.editChanged(kCtlEidNumber, "010001002003");
    page.send();
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "10.1.2.3");
    EXPECT_EQ(calls(), (Lines{"48/11 w idx=2", "48/12 w text=010001002003"}));
}

TEST_F(DataPageTest, AFrameSizeTypedForAnotherProtocolIsCheckedWhenItIsChosen) {
    read();
    page.protocolSelected(kHdlc);
    page.editChanged(kCtlV120FrameSize, "50"); // allowed while typing (only the top is checked)
    page.send();
    EXPECT_TRUE(ui.messages.empty());
    drv.clearCalls();
    page.protocolSelected(kV120);
    EXPECT_EQ(ui.messages, std::vector<int>{9044});
    EXPECT_EQ(page.fieldText(kCtlV120FrameSize), "256");
}

// ---- checks while typing ----

TEST_F(DataPageTest, TypingChecksRejectAndRestore) {
    struct Case {
        int eidClass;
        int control;
        const char* text;
        int message;
        const char* restored;
    };
    const Case cases[] = {
        {kEidMac, kCtlEidNumber, "0080C81E379aB", 9042, "0080C81E379a"},
        {kEidLocal, kCtlEidNumber, "987654321098765432109", 9038, "98765432"},
        {kEidTaNumber, kCtlEidNumber, "4968155000000000", 9040, "4968155"},
        {kEidIp, kCtlEidNumber, "256", 9032, "195.222.204.4"},
        {kEidMagic, kCtlEidNumber, "01dc-", 9036, "01dc5abc-20843abc"},
        {kEidNull, kCtlV120FrameSize, "300", 9044, "256"},
        {kEidNull, kCtlV120FrameSize, "2x", 9024, "256"},
        {kEidNull, kCtlX75FrameSize, "2049", 9046, "2048"},
        {kEidNull, kCtlHdlcFrameSize, "4096", 9048, "2048"},
        // X.75 and HDLC must lie in 1..2048 while typing: a "0" is refused at once.
        {kEidNull, kCtlX75FrameSize, "0", 9046, "2048"},
        {kEidNull, kCtlX75FrameSize, "000", 9046, "2048"},
        {kEidNull, kCtlHdlcFrameSize, "0", 9048, "2048"},
        // 24 hexadecimal digits are all the device command carries.
        {kEidMagic, kCtlEidNumber, "01dc5abc-20843abc-01dc5abc2", kMsgMagicTooLong,
         "01dc5abc-20843abc"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        read();
        page.eidClassSelected(c.eidClass);
        ui.events.clear();
        EXPECT_FALSE(page.editChanged(c.control, c.text));
        EXPECT_EQ(ui.messages, std::vector<int>{c.message});
        EXPECT_EQ(page.fieldText(c.control), c.restored);
        EXPECT_EQ(ui.eventsStartingWith("focus"), Lines{"focus " + std::to_string(c.control)});
    }
}

TEST_F(DataPageTest, ChangingTheClassDropsTextNotYetCollected) {
    read();
    page.eidClassSelected(kEidIp);
    page.editChanged(kCtlEidNumber, "10.0.0.1");
    page.eidClassSelected(kEidMac);
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "0080C81E379a");
    page.eidClassSelected(kEidIp);
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "195.222.204.4");
    EXPECT_EQ(ui.eventsStartingWith("focus").back(), "focus " + std::to_string(kCtlEidNumber));
}

// ---- leaving the page ----

TEST_F(DataPageTest, ARejectedEidNumberRefusesLeaving) {
    read();
    page.eidClassSelected(kEidMac);
    page.editChanged(kCtlEidNumber, "0080");
    EXPECT_EQ(page.mayLeave(), 0); // no question asked
    EXPECT_EQ(ui.messages, std::vector<int>{9042});
}

TEST_F(DataPageTest, ARejectedFrameSizeOnlyReturnsToTheDeviceValue) {
    dev.values["47/0"] = kV120;
    read();
    page.editChanged(kCtlV120FrameSize, "12");
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(ui.messages, std::vector<int>{9044});
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(DataPageTest, LeavingAsksAndSendsDiscardsOrStays) {
    read();
    EXPECT_EQ(page.mayLeave(), 1); // nothing changed: no question

    page.checkClicked(kCtlAutoIdent, true);
    ui.discardAnswers.push_back(core::DiscardAnswer::Cancel);
    EXPECT_EQ(page.mayLeave(), 0);
    EXPECT_TRUE(page.hasUnsentChanges());

    ui.discardAnswers.push_back(core::DiscardAnswer::Send);
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(calls(), (Lines{"47/1 w flag=1"}));

    page.checkClicked(kCtlMultiLinkPpp, true);
    page.eidClassSelected(kEidLocal);
    page.editChanged(kCtlEidNumber, "1234");
    setBod({60, 10, 5, 5});
    ui.discardAnswers.push_back(core::DiscardAnswer::Discard);
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_FALSE(page.hasUnsentChanges());
    EXPECT_EQ(page.bodValues(), (BodValues{45, 30, 2, 2}));
    EXPECT_EQ(page.settings().eid[kEidLocal].edited, "98765432");
    EXPECT_EQ(page.settings().eidClass.edited, kEidNull);
    EXPECT_EQ(calls().size(), 1U);
}

TEST_F(DataPageTest, BodDialogGetsTheEditedValuesAndBeepsWithSound) {
    read();
    app.soundOn = true;
    BodValues seen;
    page.openBodDialog([&](const BodValues& v) {
        seen = v;
        return BodValues{20, 20, 1, 60};
    });
    EXPECT_EQ(seen, (BodValues{45, 30, 2, 2}));
    EXPECT_EQ(page.bodValues(), (BodValues{20, 20, 1, 60}));
    EXPECT_EQ(ui.beeps, 1);
}

// ---- visibility ----

TEST(DataVisibility, ControlsPerProtocolAndSwitches) {
    struct Case {
        VisibilityState state;
        std::vector<int> visible;
    };
    const Case cases[] = {
        {{kPpp, false, false, kEidNull}, {kCtlMultiLinkPpp}},
        {{kPpp, false, true, kEidIp}, {kCtlMultiLinkPpp}},
        {{kPpp, true, false, kEidNull},
         {kCtlMultiLinkPpp, kCtlDba, kCtlBod, kCtlEidClassLabel, kCtlEidClass}},
        {{kPpp, true, true, kEidIp},
         {kCtlMultiLinkPpp, kCtlDba, kCtlBod, kCtlEidClassLabel, kCtlEidClass, kCtlBodConfig,
          kCtlEidNumber, kCtlEidExample}},
        {{kV120, true, true, kEidIp},
         {kCtlV120FrameLabel, kCtlV120FrameSize, kCtlV120Bytes, kCtlIFrame, kCtlUiFrame}},
        {{kV110, true, true, kEidIp}, {}},
        {{kX75Btx, false, false, 0},
         {kCtlMultiLinkX75, kCtlX75FrameSize, kCtlX75BtxFrameLabel, kCtlX75BtxBytes}},
        {{kX75Transparent, false, false, 0},
         {kCtlMultiLinkX75, kCtlX75FrameSize, kCtlX75TransparentFrameLabel,
          kCtlX75TransparentBytes}},
        {{kX75T70, false, false, 0},
         {kCtlMultiLinkX75, kCtlX75FrameSize, kCtlX75T70FrameLabel, kCtlX75T70Bytes}},
        {{kHdlc, false, false, 0}, {kCtlHdlcFrameLabel, kCtlHdlcFrameSize, kCtlHdlcBytes}},
        {{kSoftFax, true, true, 3}, {}},
        {{12, true, true, 3}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(visibleControls(c.state), c.visible) << c.state.protocol;
    EXPECT_TRUE(controlVisible(kCtlProtocol, VisibilityState{kV110}));
    EXPECT_TRUE(controlVisible(kCtlAutoIdent, VisibilityState{kHdlc}));
}

TEST_F(DataPageTest, VisibilityFollowsTheEditedValues) {
    read();
    EXPECT_FALSE(page.visible(kCtlBodConfig));
    page.checkClicked(kCtlMultiLinkPpp, true);
    page.checkClicked(kCtlBod, true);
    EXPECT_TRUE(page.visible(kCtlBodConfig));
    EXPECT_FALSE(page.visible(kCtlEidNumber));
    page.eidClassSelected(kEidTaNumber);
    EXPECT_TRUE(page.visible(kCtlEidNumber));
    EXPECT_EQ(page.exampleTextId(), 6260);
    page.protocolSelected(kV120);
    EXPECT_FALSE(page.visible(kCtlBodConfig));
    EXPECT_TRUE(page.visible(kCtlIFrame));
}

TEST(DataCaptions, TranslatedCaptions) {
    EXPECT_EQ(captionTextId(kCtlAutoIdent), 6128);
    EXPECT_EQ(captionTextId(kCtlMultiLinkPpp), 6130);
    EXPECT_EQ(captionTextId(kCtlMultiLinkX75), 6130);
    EXPECT_EQ(captionTextId(kCtlBodConfig), 8546);
    EXPECT_EQ(captionTextId(kCtlHdlcBytes), 6140);
    EXPECT_EQ(captionTextId(kCtlIFrame), 0); // the template's own caption
}

// ---- profiles ----

std::vector<std::string> keyNames(int portCount) {
    std::vector<std::string> out;
    for (const profile::KeySpec& k : profile::keysOf(profile::Section::Data, portCount))
        out.push_back(k.name);
    return out;
}

// The device holds the EID number of its class only: the examples shown for
// the other classes are never written, so the file keeps the user's own.
TEST_F(DataPageTest, SaveWritesTheDeviceValuesInOrderAndOnlyTheNumberOfItsEidClass) {
    dev.values["47/0"] = kHdlc;
    dev.values["47/2 aux=0"] = 1;
    dev.values["48/11"] = kEidMagic;
    dev.eid = "01dc5abc";
    dev.values["47/5"] = 1;
    dev.values["47/6 aux=6"] = 512;
    dev.values["49/8"] = 7;
    read();
    page.checkClicked(kCtlDba, true); // pending: not saved
    for (int portCount : {3, 5}) {
        SCOPED_TRACE(portCount);
        app.portCount = portCount;
        profiles.writes.clear();
        EXPECT_TRUE(page.profileSave(core::kCurrentProfile).ok());
        std::vector<std::string> keys, values;
        for (const auto& w : profiles.writes) {
            EXPECT_EQ(w.section, "DATA_DIV");
            EXPECT_EQ(w.selector, core::kCurrentProfile);
            keys.push_back(w.key);
            values.push_back(w.value);
        }
        std::vector<std::string> expectedKeys = keyNames(portCount);
        std::erase_if(expectedKeys, [](const std::string& k) {
            return k.starts_with("EIDNUM") && k != "EIDNUM4";
        });
        EXPECT_EQ(keys, expectedKeys);
        EXPECT_EQ(values,
                  (std::vector<std::string>{"6", "0", "1", "0", "0", "4", "01dc5abc", "256", "1",
                                            "0", "2048", "512", "45", "30", "7", "2"}));
    }
}

TEST_F(DataPageTest, FailedWritesComeBackInTheReport) {
    read();
    profiles.failWrites(core::kCurrentProfile, "BOD");
    core::WriteReport report = page.profileSave(core::kCurrentProfile);
    ASSERT_EQ(report.failures().size(), 1U);
    EXPECT_EQ(report.failures()[0].key, "BOD");
}

TEST_F(DataPageTest, LoadFillsTheEditedValuesAndSendsWhatDiffers) {
    read();
    const int sel = core::kCurrentProfile;
    profiles.set(sel, "DATA_DIV", "CURPTOCOL", "0");
    profiles.set(sel, "DATA_DIV", "MLP_PPP", "1");
    profiles.set(sel, "DATA_DIV", "BOD", "5"); // any non-zero switch is on
    profiles.set(sel, "DATA_DIV", "EIDCLS", "4");
    profiles.set(sel, "DATA_DIV", "EIDNUM4", "01dc5abc20843abd");
    profiles.set(sel, "DATA_DIV", "EIDNUM2", "010001002003");
    profiles.set(sel, "DATA_DIV", "FRMSZV120", "128");
    profiles.set(sel, "DATA_DIV", "LOWATER", "25");
    page.profileLoad(sel);

    // Every value that differs, also the V.120 size while the protocol is PPP:
    // otherwise the device would keep its own and the next save lose the file's.
    EXPECT_EQ(calls(),
              (Lines{"47/2 aux=0 w flag=1", "47/4 w flag=1", "48/11 w idx=4",
                     "48/12 w text=01dc5abc20843abd", "47/6 aux=1 w idx=128", "49/9 w idx=25"}));
    EXPECT_EQ(host.progressSteps, 6);
    EXPECT_EQ(page.settings().eid[kEidIp].edited, "010001002003"); // loaded, not sent (class 4)
    EXPECT_EQ(page.settings().v120FrameSize.edited, 128);
    EXPECT_EQ(page.fieldText(kCtlEidNumber), "01dc5abc-20843abd");
    // Missing keys take the file defaults.
    EXPECT_EQ(page.settings().eid[kEidLocal].edited, "");
    EXPECT_EQ(page.settings().x75FrameSize.edited, 2048);
}

TEST_F(DataPageTest, LoadReplacesAProtocolOutsideTheTableByPpp) {
    dev.values["47/0"] = kHdlc;
    read();
    profiles.set(core::kCurrentProfile, "DATA_DIV", "CURPTOCOL", "9");
    profiles.set(core::kCurrentProfile, "DATA_DIV", "FRMSZHDLC", "2048");
    page.profileLoad(core::kCurrentProfile);
    EXPECT_EQ(calls(), (Lines{"47/0 w aux=0"}));
}

TEST_F(DataPageTest, LoadedEidNumberIsCheckedBeforeItIsSent) {
    read();
    profiles.set(core::kCurrentProfile, "DATA_DIV", "EIDCLS", "4");
    profiles.set(core::kCurrentProfile, "DATA_DIV", "EIDNUM4", "01dc5abc123");
    page.profileLoad(core::kCurrentProfile);
    EXPECT_TRUE(drv.calls().empty()); // never cut short and sent
    EXPECT_EQ(ui.messages, std::vector<int>{9036});
}

TEST_F(DataPageTest, ALoadedMagicNumberBlockLongerThanTheDeviceTakesNamesTheLimit) {
    read();
    profiles.set(core::kCurrentProfile, "DATA_DIV", "EIDCLS", "4");
    profiles.set(core::kCurrentProfile, "DATA_DIV", "EIDNUM4", "01dc5abc20843abc01dc5abc20843abc");
    page.profileLoad(core::kCurrentProfile);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(ui.messages, std::vector<int>{kMsgMagicTooLong});
}

// Nothing counts as the device's before a read: not the values a page starts
// with, and never the examples shown for the EID classes not in use.
TEST_F(DataPageTest, OnlyAReadMakesAValueTheDevices) {
    EXPECT_EQ(page.unconfirmedItems().size(), 15u); // every key but the EID numbers
    dev.values["48/11"] = kEidMagic;
    dev.eid = "01dc5abc";
    read();
    EXPECT_TRUE(page.unconfirmedItems().empty());
    EXPECT_FALSE(page.settings().eid[kEidIp].known);
    EXPECT_TRUE(page.settings().eid[kEidMagic].known);
}

// What the check refuses is named in the report (the command line's restore
// counts it), whether the whole send stops or only that value stays back.
TEST_F(DataPageTest, ALoadNamesTheValuesItDidNotSend) {
    struct Case {
        std::vector<std::pair<const char*, const char*>> file;
        const char* named;
        bool othersSent;
    };
    const Case cases[] = {
        {{{"CURPTOCOL", "1"}, {"FRMSZV120", "100"}}, "DATA_DIV/FRMSZV120=100", false},
        {{{"EIDCLS", "4"}, {"EIDNUM4", "01dc5abc123"}}, "DATA_DIV/EIDNUM4=01dc5abc123", false},
        {{{"FRMSZX75", "5000"}, {"LOWATER", "25"}}, "DATA_DIV/FRMSZX75=5000", true},
        {{{"CURPTOCOL", "1"}, {"EIDCLS", "4"}, {"EIDNUM4", "01dc5abc123"}},
         "DATA_DIV/EIDNUM4=01dc5abc123",
         true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        read();
        profiles = test::FakeProfileStore();
        for (const auto& [key, value] : c.file)
            profiles.set(core::kCurrentProfile, "DATA_DIV", key, value);
        page.profileLoad(core::kCurrentProfile);
        std::vector<std::string> unsent;
        for (const core::ReportEntry& e : page.report().entries())
            if (!e.sent) unsent.push_back(e.command);
        EXPECT_EQ(unsent, std::vector<std::string>{c.named});
        EXPECT_EQ(drv.calls().empty(), !c.othersSent);
    }
}

} // namespace
} // namespace quorvex::data
