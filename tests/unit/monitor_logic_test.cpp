#include "app/monitor_logic.h"

#include "pages/data/charge_parse.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>

namespace qc = quorvex::core;
namespace qa = quorvex::app;
namespace qt = quorvex::test;
using qt::Answer;
using qt::Cmd;

namespace {

Answer bufferText(std::string text, int found = 0) {
    Answer a;
    if (found) a.value = found;
    a.apply = [text](DRVPARAM& r) {
        char* p = static_cast<char*>(drv_get_address(&r));
        const auto n = std::min(text.size(), static_cast<std::size_t>(drv_get_capacity(&r)) - 1);
        std::memcpy(p, text.data(), n);
        p[n] = '\0';
    };
    return a;
}

Answer forwardedTo(std::string target) {
    Answer a = Answer::okText(std::move(target));
    a.flag = 1;
    a.value = 1;
    return a;
}

std::vector<Cmd> expectedSequence(std::vector<int> analog) {
    std::vector<Cmd> s;
    for (int p : analog) {
        s.push_back({DRV_MSN, p, 0, 0, ""});
        s.push_back({DRV_CLIP, p, 0, 0, ""});
    }
    s.push_back({DRV_MSN, 0, 0, 0, ""});
    s.push_back({DRV_CLIP, 0, 0, 0, ""});
    for (int p : analog) {
        for (uint16_t code : {DRV_CFU, DRV_CFNR, DRV_CFB})
            s.push_back({code, p, 0, 0, ""});
    }
    for (int sel : {1, 2, 3})
        s.push_back({DRV_CHARGE, 0, sel, 0, ""});
    for (int p : analog)
        s.push_back({DRV_LOG, p, 0, 0, ""});
    s.push_back({DRV_LOG, 0, 0, 0, ""});
    s.push_back({DRV_LINESTATE, 0, 0, 0, ""});
    return s;
}

class MonitorTest : public ::testing::Test, public qt::AppFixture {
protected:
    MonitorTest() {
        app.connected = true;
        app.portCount = 5;
        app.cache.analog[0].name = "Fax";
        app.cache.analog[1].name = "Kitchen";
        drv.onCall = [this](uint16_t code, DRVPARAM*) {
            if (app.heartbeatSuspended() != (code == DRV_LINESTATE)) ++heartbeatMistakes;
        };
    }
    std::vector<Cmd> bare() const {
        std::vector<Cmd> out = drv.sequence();
        for (Cmd& c : out)
            c.text.clear(); // buffer addresses
        return out;
    }

    qa::MonitorLogic monitor{app};
    int heartbeatMistakes = 0;
};

} // namespace

TEST_F(MonitorTest, ReadOrderR70) {
    monitor.open();
    EXPECT_EQ(bare(), expectedSequence({11, 21, 22, 31, 32}));
    EXPECT_EQ(heartbeatMistakes, 0);
    EXPECT_FALSE(app.heartbeatSuspended());
    for (int k = 0; k < 6; ++k)
        EXPECT_TRUE(monitor.columnVisible(k));
}

TEST_F(MonitorTest, ReadOrderR30AndHiddenColumns) {
    app.portCount = 3;
    monitor.open();
    EXPECT_EQ(bare(), expectedSequence({11, 21, 22}));
    EXPECT_EQ(drv.count(DRV_MSN, 31), 0);
    EXPECT_FALSE(monitor.columnVisible(3));
    EXPECT_FALSE(monitor.columnVisible(4));
    EXPECT_TRUE(monitor.columnVisible(5));
    EXPECT_EQ(heartbeatMistakes, 0);
}

TEST_F(MonitorTest, PlaceholdersWhenEveryQueryFails) {
    monitor.open();
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(monitor.column(k).firstMsn, "--");
        EXPECT_EQ(monitor.column(k).clip, "Off");
        EXPECT_EQ(monitor.column(k).charge1, "0,00");
        EXPECT_EQ(monitor.column(k).callCount, 0);
        EXPECT_EQ(monitor.column(k).lineState, 0);
    }
    EXPECT_EQ(monitor.forwardText(0, 0), "none");
    EXPECT_EQ(monitor.forwardText(0, 1), "keine");
    EXPECT_EQ(monitor.totalText(), "0,00");
}

TEST_F(MonitorTest, ValuesAndTheirTexts) {
    drv.on({DRV_MSN, 11, 0, 0}, Answer::okText("4711"));
    drv.on({DRV_CLIP, 11}, Answer::okFlag(1));
    drv.on({DRV_MSN, 21, 0, 0}, Answer::okText("4712"));
    drv.on({DRV_CLIP, 21}, Answer::okFlag(0));
    drv.on({DRV_CFU}, Answer::okFlag(0));
    drv.on({DRV_CFNR, 11}, forwardedTo("*21"));
    drv.on({DRV_CFB, 11}, forwardedTo("0301"));
    drv.on({DRV_CFB, 22}, forwardedTo("0302"));
    drv.on({DRV_CHARGE, 0, 1},
           bufferText("P11: 1,234 DM\r\nP21: 0,500 DM\r\nP22: 2,00 DM\r\nATA: 3,456 DM\r\n"));
    drv.on({DRV_CHARGE, 0, 2}, bufferText("P11: 9,999 DM\r\n"));
    drv.on({DRV_CHARGE, 0, 3}, bufferText("12,345 DM"));
    drv.on({DRV_LOG, 21, 0, 0},
           bufferText("01.02 10:30 *11 OK 1,234 DM\r\n02.02 11:00 ** OK\r\n", 1));
    Answer lines;
    lines.apply = [](DRVPARAM& r) {
        r.nValue = 1;
        int32_t one = 1;
        std::memcpy(r.szText + 4, &one, 4); // flag 3: port 22
    };
    drv.on({DRV_LINESTATE}, lines);
    monitor.open();

    EXPECT_EQ(monitor.text(1595, 0), "4711");
    EXPECT_EQ(monitor.text(1601, 0), "4711"); // CLIP on: the first MSN
    EXPECT_EQ(monitor.text(1602, 0), "Off");
    EXPECT_EQ(monitor.text(1607, 0), "Kitchen"); // forwarded to *21
    EXPECT_EQ(monitor.text(1608, 1), "keine");
    EXPECT_EQ(monitor.text(1609, 0), "0302");
    EXPECT_EQ(monitor.text(1233, 0), "Fax");
    EXPECT_EQ(monitor.text(1235, 0), "22");
    EXPECT_EQ(monitor.text(1238, 0), "data");
    EXPECT_EQ(monitor.currency(), "DM");
    EXPECT_EQ(monitor.chargeText(0, 1), "DM 1,23");
    EXPECT_EQ(monitor.chargeText(1, 1), "DM 0,50");
    EXPECT_EQ(monitor.chargeText(2, 1), "DM 2,00");
    EXPECT_EQ(monitor.chargeText(3, 1), "DM 0,00"); // no marker for 31
    EXPECT_EQ(monitor.chargeText(5, 1), "DM 3,45");
    EXPECT_EQ(monitor.chargeText(0, 2), "DM 9,99");
    EXPECT_EQ(monitor.chargeText(1, 2), "DM 0,00");
    EXPECT_EQ(monitor.totalText(), "DM 12,34");
    EXPECT_EQ(monitor.column(1).callCount, 2);
    EXPECT_EQ(monitor.text(1622, 0), "Fax"); // port 21's first call to *11
    EXPECT_EQ(monitor.text(1623, 0), "No ID");
    EXPECT_EQ(monitor.text(1624, 0), "");
    EXPECT_EQ(monitor.column(1).calls[0].amount(), "1,23");
    EXPECT_EQ(monitor.column(0).lineState, 1);
    EXPECT_EQ(monitor.column(2).lineState, 1);
    EXPECT_EQ(monitor.column(1).lineState, 0);
}

TEST_F(MonitorTest, TimerKeepsTheLastValuesWhileDisconnected) {
    drv.on({DRV_MSN, 11, 0, 0}, Answer::okText("4711"));
    monitor.open();
    drv.clearRules();
    drv.clearCalls();
    app.connected = false;
    monitor.timerTick();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(monitor.column(0).firstMsn, "4711");
    app.connected = true;
    monitor.timerTick();
    EXPECT_EQ(drv.calls().size(), expectedSequence({11, 21, 22, 31, 32}).size());
    EXPECT_EQ(qa::kMonitorTimerPeriodMs, 5000);
}

TEST(MonitorParse, ChargeValues) {
    struct Row {
        const char* in;
        const char* amount;
        const char* currency;
    };
    for (const Row& r :
         {Row{"1,234 DM", "1,23", "DM"}, Row{"12,34 EUR", "12,34", "EUR"},
          Row{"1,234", "1,234", ""}, Row{"???,??? DM", "???,???", "DM"},
          Row{"0,000 DM\r\nP21: 1", "0,00", "DM"}, Row{"", "", ""}, Row{"1234 DM", "1234", "DM"}}) {
        quorvex::data::ChargeValue v = quorvex::data::cutChargeValue(r.in);
        EXPECT_EQ(v.value, r.amount) << r.in;
        EXPECT_EQ(v.currency, r.currency) << r.in;
    }
    quorvex::data::ChargeRow row =
        quorvex::data::parseChargeRow("P11: 1,234 DM\r\nP31: 5,000 DM\r\nATA: 1,00 DM", 3);
    EXPECT_EQ(row.cells[0], "1,23");
    EXPECT_EQ(row.cells[1], "0,00");
    EXPECT_EQ(row.cells[3], ""); // not looked for with three ports
    EXPECT_EQ(row.cells[5], "1,00");
    EXPECT_EQ(row.currency, "DM");
}
