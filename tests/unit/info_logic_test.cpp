#include "maintenance/info_logic.h"

#include "core/detection.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace qc = quorvex::core;
namespace qm = quorvex::maintenance;
namespace qt = quorvex::test;
using qt::Answer;

namespace {

Answer bufferText(std::string text) {
    Answer a;
    a.apply = [text](DRVPARAM& r) {
        char* p = static_cast<char*>(drv_get_address(&r));
        const auto n =
            std::min<std::size_t>(text.size(), static_cast<std::size_t>(drv_get_capacity(&r)) - 1);
        std::memcpy(p, text.data(), n);
        p[n] = '\0';
    };
    return a;
}

struct InfoTest : ::testing::Test, qt::AppFixture {
    qm::IsdnInfo info{app};
};

} // namespace

TEST(InfoTexts, StatusCauseAndAmpersands) {
    EXPECT_EQ(qm::isdnStatusText(3, 0),
              "The OrvaISDN modem is synchronized to the ISDN network. ( 3 )");
    EXPECT_EQ(qm::isdnStatusText(0, 0),
              "Caution: The OrvaISDN modem is not connected to the ISDN network! ( 0 )");
    EXPECT_EQ(qm::isdnStatusText(1, 1), "Das OrvaISDN-Modem ist in Betrieb. ( 1 )");
    EXPECT_EQ(qm::isdnStatusText(7, 0), "( 7 )");
    EXPECT_EQ(qm::isdnStatusText(-1, 1), "( -1 )");
    EXPECT_EQ(qm::disconnectCauseText(0), "ok (0)");
    EXPECT_EQ(qm::disconnectCauseText(16), "(16)");
    struct Row {
        const char* in;
        const char* out;
    };
    for (const Row& r : {Row{"ATE0,AT&&D0", "ATE0,AT&D0"}, Row{"a&&&&b", "a&&b"}, Row{"&", "&"},
                         Row{"x&&", "x&"}, Row{"", ""}, Row{"&&&", "&&"}}) {
        EXPECT_EQ(qm::singleAmpersands(r.in), r.out) << r.in;
    }
}

TEST_F(InfoTest, InitialValuesBeforeTheFirstRead) {
    EXPECT_EQ(info.text(1534, 0), "ATE0,ATV1,ATQ0");
    EXPECT_EQ(info.text(1535, 0), "ATE0,AT&D0");
    EXPECT_EQ(info.text(1530, 0), "ok (0)");
}

TEST_F(InfoTest, ReadsTheFourValuesInOrder) {
    qc::Identity id;
    id.identified = true;
    id.modelNumber = 70;
    id.usbVariant = true;
    id.firmwareText = "V2.00";
    id.bootCodeText = "B1.00";
    app.applyIdentity(id);
    app.connected = true;
    drv.on({DRV_ISDNSTATUS}, Answer::okValue(3));
    drv.on({DRV_DISCCAUSE}, Answer::okValue(16));
    drv.on({DRV_ATIMPORTANT}, bufferText("ATE0,ATV1,AT&&C1"));
    drv.on({DRV_ATCHANGED}, bufferText("AT&&D2"));
    info.open();
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{50, 51, 52, 53}));
    EXPECT_EQ(info.text(1529, 0), "The OrvaISDN modem is synchronized to the ISDN network. ( 3 )");
    EXPECT_EQ(info.text(1530, 0), "(16)");
    EXPECT_EQ(info.text(1531, 0), "OrvaISDN R70-USB QKM-633S-USB");
    EXPECT_EQ(info.text(1532, 0), "V2.00 BOOT CODE B1.00");
    EXPECT_EQ(info.text(1533, 1), "Version 1.2");
    EXPECT_EQ(info.text(1534, 0), "ATE0,ATV1,AT&C1");
    EXPECT_EQ(info.text(1535, 0), "AT&D2");
    EXPECT_EQ(info.values().changedAt, "AT&&D2");
    // The buffer starts empty and its capacity is handed over.
    for (const auto& c : drv.calls()) {
        if (c.code == DRV_ATIMPORTANT || c.code == DRV_ATCHANGED) {
            EXPECT_GT(drv_get_capacity(&c.sent), 0);
            EXPECT_EQ(c.sent.nCmd, c.code);
        }
    }
}

TEST_F(InfoTest, FailuresGiveZeroAndEmptyTexts) {
    app.connected = true;
    drv.on({DRV_ISDNSTATUS}, Answer::okValue(2));
    drv.on({DRV_DISCCAUSE}, Answer::okValue(5));
    drv.on({DRV_ATIMPORTANT}, bufferText("X"));
    drv.on({DRV_ATCHANGED}, bufferText("Y"));
    info.open();
    EXPECT_EQ(info.values().isdnStatus, 2);
    app.connected = false; // the wrapper refuses: every read fails
    info.timerTick();
    EXPECT_EQ(info.values().isdnStatus, 0);
    EXPECT_EQ(info.text(1530, 0), "ok (0)");
    EXPECT_EQ(info.text(1534, 0), "");
    EXPECT_EQ(info.text(1535, 0), "");
    EXPECT_EQ(info.text(1531, 0), "????");
    EXPECT_EQ(qm::kInfoTimerPeriodMs, 3000);
}
