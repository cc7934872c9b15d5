// The check's queries are every query the program makes, and nothing else.
#include "check/check_plan.h"

#include "app/logic_pages.h"
#include "app/main_window_logic.h"
#include "app/monitor_logic.h"
#include "core/detection.h"
#include "core/device_cache.h"
#include "maintenance/info_logic.h"
#include "maintenance/log_page.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>

namespace qa = quorvex::app;
namespace qc = quorvex::core;
namespace qt = quorvex::test;

namespace {

using Key = std::tuple<int, int, int, int, int>; // code, port, index, op, register's protocol

// Command 47 names its register by the protocol index only for selectors 2 and 6.
int registerProtocol(uint16_t code, const DRVPARAM& r) {
    return code == DRV_DATAPROTO && (r.nPort == 2 || r.nPort == 6) ? drv_get_aux(&r) : 0;
}

Key keyOf(uint16_t code, const DRVPARAM& r) {
    return {code, r.nPort, r.nIndex, r.nOp, registerProtocol(code, r)};
}

std::set<Key> planKeys(int model) {
    std::set<Key> keys;
    for (const quorvex::check::Query& q : quorvex::check::checkPlan(model)) {
        const DRVPARAM r = quorvex::check::queryRecord(q);
        EXPECT_TRUE(keys.insert(keyOf(q.code, r)).second) << "twice: " << q.code;
        EXPECT_TRUE(quorvex::check::onlyReads(q.code, &r)) << q.code << " op " << q.op;
    }
    return keys;
}

TEST(CheckPlan, HoldsEveryQueryTheProgramMakesOnce) {
    for (int model : {30, 70}) {
        SCOPED_TRACE(model);
        qt::FakeDriver drv;
        qt::FakeProfileStore profiles;
        qt::FakeClock clock;
        qc::CConfigApp app{drv.fn(), profiles, clock, drv.directFn()};
        app.connected = app.identified = true;
        app.modelNumber = app.pageModel = model;
        app.portCount = qc::portCountFor(model);
        qt::ScriptedUi ui;
        qa::LogicPageFactory factory(app, ui);
        qa::MainWindowLogic main(app, ui, factory);
        // Every window and page reads, polls, and the log book looks at each port.
        qc::readMsnTable(app);
        main.readSettingsFromDevice();
        main.readCallbackFromDevice();
        main.buildPages();
        for (int i = 0; i < quorvex::menus::kPageCount; ++i) {
            main.page(i)->readDevice();
            main.page(i)->timerTick();
        }
        auto* log =
            dynamic_cast<quorvex::maintenance::LogPage*>(main.page(quorvex::menus::kLogPage));
        for (int k = 0; k < quorvex::maintenance::kLogPortCount; ++k)
            log->portButton(quorvex::maintenance::kLogFirstPortButton + k);
        qa::MonitorLogic(app).readAll();
        quorvex::maintenance::IsdnInfo(app).read();
        main.heartbeat().start();
        main.heartbeat().tick();
        app.callDriver(DRV_CALLCHECK, nullptr); // the upgrade's look for a running call

        const std::set<Key> plan = planKeys(model);
        std::set<Key> made;
        for (const qt::Call& c : drv.calls()) {
            if (!c.hadRecord && c.code != DRV_PING2 && c.code != DRV_CALLCHECK) continue;
            const DRVPARAM& sent = c.sent;
            if (!quorvex::check::onlyReads(c.code, &sent)) continue; // the program's writes
            made.insert(keyOf(c.code, sent));
        }
        for (const Key& k : made)
            EXPECT_TRUE(plan.count(k))
                << "not in the plan: command " << std::get<0>(k) << " port " << std::get<1>(k)
                << " index " << std::get<2>(k) << " op " << std::get<3>(k);
        // The plan's own extras: the data registers of the other protocols.
        EXPECT_GE(plan.size(), made.size());
    }
    EXPECT_LT(quorvex::check::checkPlan(30).size(), quorvex::check::checkPlan(70).size());
}

TEST(CheckPlan, NothingThatChangesTheDeviceCountsAsAQuery) {
    struct Row {
        uint16_t code;
        int32_t op;
    };
    const Row changing[] = {
        {DRV_MSN, 1},        {DRV_MSN, 2},
        {DRV_PORTTIMER, 1},  {DRV_PORTTIMER, 4},
        {DRV_CLOCK, 4},      {DRV_CLOCK, 0},
        {DRV_LOG, 2},        {DRV_CHARGE, 2},
        {DRV_CFU, 1},        {DRV_LCRTIME, 1},
        {DRV_DATAPROTO, 1},  {DRV_BODREG, 1},
        {DRV_STORE, 0},      {DRV_DIAL, 0},
        {DRV_DIALWAIT, 0},   {DRV_DOWNLOAD, 0},
        {DRV_WRITERAW, 0},   {DRV_BOOTPROBE, 0},
        {DRV_BOOTPROBE2, 0}, {DRV_SETSPEED, 0},
        {DRV_REOPEN, 0},     {DRV_DOWNLOADRESULT, 0},
    };
    for (const Row& r : changing) {
        DRVPARAM record{};
        record.nOp = r.op;
        EXPECT_FALSE(quorvex::check::onlyReads(r.code, &record)) << r.code << " op " << r.op;
    }
    EXPECT_FALSE(quorvex::check::onlyReads(DRV_MSN, nullptr));
}

} // namespace
