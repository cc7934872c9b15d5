// The real driver library against the simulated device on COM3.
#include "e2e/sim_driver_fixture.h"
#include "support/catalogue_rows.h"

#include <cstring>

namespace {

using namespace simtest;
using namespace testsupport;

void roundTrip(Model model, bool everyEntry) {
    const auto ports = analogPorts(model);
    int checked = 0;
    for (const Row& row : catalogue()) {
        std::vector<int> selectors;
        for (int p : row.ports) {
            if (p == kAnalog)
                selectors.insert(selectors.end(), ports.begin(), ports.end());
            else
                selectors.push_back(p);
        }
        for (int port : selectors) {
            for (int e = 0; e < row.entries; ++e) {
                if (!everyEntry && e != 0 && e != row.entries - 1) continue;
                SCOPED_TRACE("code " + std::to_string(row.item.code) + " port " +
                             std::to_string(port) + " entry " + std::to_string(e));
                const bool inIndex = valueInIndex(row.item.code);
                DRVPARAM set{};
                set.nPort = port;
                set.nIndex = inIndex ? 0 : e;
                set.nOp = 1;
                row.item.set(set);
                ASSERT_EQ(D_SendDrvCmd(static_cast<uint16_t>(row.item.code), &set), 0) << set.szCmd;
                EXPECT_EQ(set.bOk, 1) << set.szCmd;
                DRVPARAM get{};
                get.nPort = port;
                get.nIndex = inIndex ? 0 : e;
                get.nOp = 0;
                ASSERT_EQ(D_SendDrvCmd(static_cast<uint16_t>(row.item.code), &get), 0) << get.szCmd;
                EXPECT_EQ(get.bOk, 1) << get.szCmd;
                EXPECT_TRUE(row.item.check(get)) << get.szCmd;
                ++checked;
            }
        }
    }
    EXPECT_GT(checked, 50);
}

TEST_F(SimDriver, FindsTheDeviceOnCom3WithTheOtherPortsAbsent) {
    connect(Model::R70Usb);
    DRVPARAM id{};
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &id), 1);
    EXPECT_EQ(id.nPort, 2);
    EXPECT_EQ(id.nIndex, 70);
    EXPECT_EQ(drv_usb_flag(&id), 1);
    EXPECT_STREQ(id.szCmd, "V2.10 R70-USB");
    EXPECT_STREQ(drv_boot_code_text(&id), "V1.03");
}

TEST_F(SimDriver, IdentifiesTheThreePortModel) {
    connect(Model::R30);
    DRVPARAM id{};
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &id), 1);
    EXPECT_EQ(id.nIndex, 30);
}

TEST_F(SimDriver, EveryCatalogueCommandRoundTripsOnR70) {
    connect(Model::R70);
    roundTrip(Model::R70, true);
}

TEST_F(SimDriver, EveryCatalogueCommandRoundTripsOnR70Usb) {
    connect(Model::R70Usb);
    roundTrip(Model::R70Usb, false);
}

TEST_F(SimDriver, EveryCatalogueCommandRoundTripsOnR30AndPorts31And32Fail) {
    connect(Model::R30);
    roundTrip(Model::R30, false);
    for (int port : {31, 32}) {
        DRVPARAM p = record(port, 0, 1);
        text(p, "0301234");
        ASSERT_EQ(D_SendDrvCmd(DRV_MSN, &p), 0);
        EXPECT_EQ(p.bReply, 1);
        EXPECT_EQ(p.bOk, 0);
    }
}

TEST_F(SimDriver, ClockTimerProtocolAndForwarding) {
    connect(Model::R70);
    DRVPARAM clock = record(0, 0, 3);
    ASSERT_EQ(D_SendDrvCmd(DRV_CLOCK, &clock), 0);
    EXPECT_EQ(clock.nValue, 1) << "an unset clock reads as year 1";
    clock = record(0, 0, 4);
    drv_set_clock(&clock, 2001, 3, 7, 9, 5, 0);
    ASSERT_EQ(D_SendDrvCmd(DRV_CLOCK, &clock), 0);
    EXPECT_EQ(clock.bOk, 1);
    clock = record(0, 0, 3);
    ASSERT_EQ(D_SendDrvCmd(DRV_CLOCK, &clock), 0);
    EXPECT_EQ(clock.nValue, 2001);
    EXPECT_EQ(clock.szText[0], 3);
    EXPECT_EQ(clock.szText[1], 7);

    DRVPARAM timer = record(21, 0, 4);
    drv_set_port_time(&timer, 7, 30);
    ASSERT_EQ(D_SendDrvCmd(DRV_PORTTIMER, &timer), 0);
    EXPECT_EQ(timer.bOk, 1);
    timer = record(21, 0, 3);
    ASSERT_EQ(D_SendDrvCmd(DRV_PORTTIMER, &timer), 0);
    EXPECT_EQ(timer.szText[2], 7);
    EXPECT_EQ(timer.szText[3], 30);

    for (int proto = 0; proto < 8; ++proto) {
        DRVPARAM p = record(0, 0, 1);
        drv_set_aux(&p, proto);
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &p), 0);
        EXPECT_EQ(p.bOk, 1) << p.szCmd;
        DRVPARAM q = record(0, 0, 0);
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &q), 0);
        EXPECT_EQ(drv_get_aux(&q), proto) << q.szCmd;
    }
    for (int sel : {1, 2, 3, 4, 5}) {
        DRVPARAM p = record(sel, 0, 1);
        p.bFlag = 1;
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &p), 0);
        EXPECT_EQ(p.bOk, 1) << p.szCmd;
        DRVPARAM q = record(sel, 0, 0);
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &q), 0);
        EXPECT_EQ(q.bFlag, 1) << q.szCmd;
    }
    for (int proto : {1, 3, 6}) {
        DRVPARAM p = record(6, 512, 1);
        drv_set_aux(&p, proto);
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &p), 0);
        DRVPARAM q = record(6, 0, 0);
        drv_set_aux(&q, proto);
        ASSERT_EQ(D_SendDrvCmd(DRV_DATAPROTO, &q), 0);
        EXPECT_EQ(q.nIndex, 512) << q.szCmd;
    }

    for (int code : {DRV_CFU, DRV_CFNR, DRV_CFB}) {
        DRVPARAM on = record(22, 0, 1);
        on.bFlag = 1;
        text(on, "*11");
        ASSERT_EQ(D_SendDrvCmd(static_cast<uint16_t>(code), &on), 0);
        EXPECT_EQ(on.nValue, 1) << on.szCmd;
        DRVPARAM q = record(22, 0, 0);
        ASSERT_EQ(D_SendDrvCmd(static_cast<uint16_t>(code), &q), 0);
        EXPECT_EQ(q.bFlag, 1);
        EXPECT_STREQ(q.szText, "*11");
        DRVPARAM off = record(22, 0, 1);
        ASSERT_EQ(D_SendDrvCmd(static_cast<uint16_t>(code), &off), 0);
        EXPECT_EQ(off.nValue, 0);
    }
    dev->setForwardingStatus(11, 20, 2);
    DRVPARAM ns = record(11, 0, 1);
    ns.bFlag = 1;
    text(ns, "0301234");
    ASSERT_EQ(D_SendDrvCmd(DRV_CFU, &ns), 0);
    EXPECT_EQ(ns.nValue, 2);
    EXPECT_EQ(ns.bFlag, 0);
}

TEST_F(SimDriver, CallListsChargesDialAndStatus) {
    connect(Model::R70);
    char buf[960];
    DRVPARAM log = record(11, 0, 0);
    drv_set_buffer(&log, buf, sizeof buf);
    ASSERT_EQ(D_SendDrvCmd(DRV_LOG, &log), 0);
    EXPECT_EQ(log.nValue, 1);
    EXPECT_EQ(std::string(buf).substr(0, 14), "07/03/01 09:05");

    DRVPARAM dial = record(22, 0, 0);
    text(dial, "0309876543");
    EXPECT_EQ(D_SendDrvCmd(DRV_DIAL, &dial), 0);
    log = record(22, 0, 0);
    drv_set_buffer(&log, buf, sizeof buf);
    ASSERT_EQ(D_SendDrvCmd(DRV_LOG, &log), 0);
    EXPECT_EQ(log.nValue, 1);
    EXPECT_NE(std::string(buf).find("0309876543 OK 0,360 DM"), std::string::npos) << buf;

    DRVPARAM clear = record(22, 3, 2);
    ASSERT_EQ(D_SendDrvCmd(DRV_LOG, &clear), 0);
    EXPECT_EQ(clear.bOk, 1);
    log = record(22, 0, 0);
    drv_set_buffer(&log, buf, sizeof buf);
    ASSERT_EQ(D_SendDrvCmd(DRV_LOG, &log), 0);
    EXPECT_EQ(log.nValue, 0);

    char charge[400];
    DRVPARAM c = record(0, 2, 0);
    c.nValue = 0;
    drv_set_buffer(&c, charge, sizeof charge);
    // Command 30 carries its buffer the same way as the others.
    ASSERT_EQ(D_SendDrvCmd(DRV_CHARGE, &c), 0);
    EXPECT_EQ(std::string(charge).substr(0, 5), "P11: ") << charge;
    EXPECT_NE(std::string(charge).find("P22: 0,360 DM"), std::string::npos) << charge;

    dev->setLineFlag(1, true);
    dev->setLineFlag(4, true);
    DRVPARAM ls = record(0, 0, 0);
    ASSERT_EQ(D_SendDrvCmd(DRV_LINESTATE, &ls), 0);
    for (int k = 0; k < 5; ++k)
        EXPECT_EQ(drv_line_flag(&ls, k), (k == 1 || k == 4) ? 1 : 0) << k;

    dev->setIsdnStatus(2);
    DRVPARAM st = record(0, 0, 0);
    ASSERT_EQ(D_SendDrvCmd(DRV_ISDNSTATUS, &st), 0);
    EXPECT_EQ(st.nValue, 2);
    char status[300];
    DRVPARAM imp = record(0, 0, 0);
    drv_set_buffer(&imp, status, sizeof status);
    ASSERT_EQ(D_SendDrvCmd(DRV_ATIMPORTANT, &imp), 0);
    EXPECT_STREQ(status, "E0 V1 Q0 X4 &&C1 &&D2 &&K3 S0=0");

    EXPECT_EQ(D_SendDrvCmd(DRV_CALLCHECK, nullptr), 1);
    dev->setCallInProgress(true);
    EXPECT_EQ(D_SendDrvCmd(DRV_CALLCHECK, nullptr), 0);
}

TEST_F(SimDriver, ReopenAfterCloseAndAfterUnplug) {
    connect(Model::R70);
    EXPECT_EQ(D_SendDrvCmd(DRV_CLOSE, nullptr), 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
    dev->unplug();
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), -1);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), -2);
    ASSERT_TRUE(dev->replug());
    EXPECT_EQ(D_SendDrvCmd(DRV_REOPEN, nullptr), 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_PING2, nullptr), 1);
}

TEST_F(SimDriver, FaultsGiveTheDriversPromisedResults) {
    connect(Model::R70);
    DRVPARAM q = record(11, 0, 0);

    dev->setFaults({.silent = true});
    EXPECT_EQ(D_SendDrvCmd(DRV_PING, nullptr), -1);
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &q), -2);
    EXPECT_EQ(q.bReply, 0);
    dev->setFaults({});

    dev->setFaults({.noOk = true});
    q = record(11, 0, 0);
    q.bFlag = 7;
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &q), 0);
    EXPECT_EQ(q.bReply, 1);
    EXPECT_EQ(q.bOk, 0);
    EXPECT_EQ(q.bFlag, 7) << "a failed query must leave the value alone";
    dev->setFaults({});

    dev->setFaults({.garbage = Garbage::Instead, .garbageCount = 12});
    q = record(11, 0, 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &q), 0);
    EXPECT_EQ(q.bOk, 0);
    dev->setFaults({});
}

// Each of these ends with its fault: what the device still sends afterwards
// must not reach another exchange.
TEST_F(SimDriver, APauseInsideTheReplyEndsTheReadBeforeTheOk) {
    connect(Model::R70);
    dev->setFaults({.pauseAfter = 4, .pause = 200ms});
    DRVPARAM q = record(11, 0, 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &q), 0);
    EXPECT_EQ(q.bReply, 1);
    EXPECT_EQ(q.bOk, 0);
}

TEST_F(SimDriver, ALateFirstByteMeetsOnlyTheLongBudget) {
    connect(Model::R70);
    // 600 ms late: in time for the MSN's 5000 ms budget, too late for 200 ms.
    dev->setFaults({.lateFirstByte = 600ms});
    DRVPARAM msn = record(11, 0, 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_MSN, &msn), 0);
    EXPECT_EQ(msn.bOk, 1);
    EXPECT_STREQ(msn.szText, "4711");
    DRVPARAM q = record(11, 0, 0);
    EXPECT_EQ(D_SendDrvCmd(DRV_CLIP, &q), -2);
    EXPECT_EQ(q.bReply, 0);
}

TEST_F(SimDriver, FirmwareDownloadAcceptsTheRightImageAndRefusesAWrongOne) {
    connect(Model::R70);
    struct Case {
        Model image;
        int result;
    };
    for (Case c : {Case{Model::R30, 2}, Case{Model::R70, 3}}) {
        SCOPED_TRACE(std::string(modelName(c.image)));
        if (!dev->inBootMode()) {
            EXPECT_EQ(D_SendDrvCmd(DRV_DOWNLOAD, nullptr), 1);
            ASSERT_TRUE(waitFor([&] { return dev->snapshot().bootMode; }, 10s));
        }
        auto image = makeImage(c.image, "V9.01 NEW", "V1.20");
        for (std::size_t off = 0; off < image.size(); off += 512) {
            DRVPARAM w{};
            drv_set_write_data(&w, image.data() + off, 512);
            ASSERT_EQ(D_SendDrvCmd(DRV_WRITERAW, &w), 1);
        }
        EXPECT_EQ(D_SendDrvCmd(DRV_DOWNLOADRESULT, nullptr), c.result);
    }
    DRVPARAM speed{};
    speed.nValue = DRV_SPEED_115200;
    EXPECT_EQ(D_SendDrvCmd(DRV_SETSPEED, &speed), 1);
    DRVPARAM id{};
    EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &id), 1);
    EXPECT_STREQ(id.szCmd, "V9.01 NEW");
    EXPECT_STREQ(drv_boot_code_text(&id), "V1.20");
}

} // namespace
