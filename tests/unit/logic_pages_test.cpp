// The headless page set makes the same page classes the desktop program wraps.
#include "app/logic_pages.h"
#include "maintenance/log_page.h"
#include "pages/data/charge_page.h"
#include "pages/data/data_page.h"
#include "pages/data/lcr_page.h"
#include "pages/data/timer_page.h"
#include "pages/telephony/accept_page.h"
#include "pages/telephony/filter_page.h"
#include "pages/telephony/forward_page.h"
#include "pages/telephony/msn_page.h"
#include "pages/telephony/short_dial_page.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

namespace qc = quorvex::core;
namespace qa = quorvex::app;
namespace qt = quorvex::test;

namespace {

template <typename T> bool is(const qc::Page* p) {
    return dynamic_cast<const T*>(p) != nullptr;
}

} // namespace

TEST(LogicPages, EachIndexMakesItsPageForBothModels) {
    qt::FakeDriver drv;
    qt::FakeProfileStore profiles;
    qt::FakeClock clock;
    qc::CConfigApp app{drv.fn(), profiles, clock};
    qt::ScriptedUi ui;
    qt::RecordingHost host;
    using Check = bool (*)(const qc::Page*);
    const Check checks[] = {
        is<quorvex::telephony::MsnPage>,
        is<quorvex::telephony::AcceptPage>,
        is<quorvex::telephony::ShortDialPage>,
        is<quorvex::telephony::ForwardPage>,
        is<quorvex::telephony::FilterPage>,
        is<quorvex::data::DataPage>,
        is<quorvex::data::LcrPage>,
        is<quorvex::data::ChargePage>,
        is<quorvex::data::TimerPage>,
        is<quorvex::maintenance::LogPage>,
    };
    for (int model : {30, 70}) {
        app.pageModel = model;
        for (int index = 0; index < 10; ++index) {
            auto page = qa::makeLogicPage(index, model, app, ui, host);
            ASSERT_NE(page, nullptr) << index;
            EXPECT_TRUE(checks[index](page.get())) << "page " << index << " model " << model;
        }
        EXPECT_EQ(qa::makeLogicPage(10, model, app, ui, host), nullptr);
        EXPECT_EQ(qa::makeLogicPage(-1, model, app, ui, host), nullptr);
    }
}

TEST(LogicPages, TheFactoryServesTheMainWindow) {
    qt::FakeDriver drv;
    qt::FakeProfileStore profiles;
    qt::FakeClock clock;
    qc::CConfigApp app{drv.fn(), profiles, clock};
    qt::ScriptedUi ui;
    qt::RecordingHost host;
    qa::LogicPageFactory factory(app, ui);
    auto page = factory.createPage(3, 30, host);
    EXPECT_TRUE(is<quorvex::telephony::ForwardPage>(page.get()));
}

// Leaving a page by a page button: the field being edited is committed first,
// so the unsent-changes question sees it (an LCR predial emptied and left is a
// change to send; an MSN never checked is undone and leaves nothing to ask).
TEST(LogicPages, TheFieldBeingEditedIsCommittedBeforeTheQuestion) {
    struct Row {
        int index;
        std::function<void(qc::Page&)> edit; // typed, not yet committed
        bool asked;
    };
    const int predial = quorvex::data::lcr_control::band(0, quorvex::data::BandField::Predial);
    const std::vector<Row> rows = {
        {quorvex::menus::kLcrPage,
         [predial](qc::Page& p) { dynamic_cast<quorvex::data::LcrPage&>(p).typeText(predial, ""); },
         true},
        {quorvex::menus::kMsnPage,
         [](qc::Page& p) { dynamic_cast<quorvex::telephony::MsnPage&>(p).setText(3000, "12a"); },
         false},
    };
    for (const Row& r : rows) {
        qt::FakeDriver drv;
        drv.on({DRV_LCRPREFIX}, qt::Answer::okText("")); // band 0 predial "01070", below
        drv.on({DRV_LCRPREFIX, 0, 0, qc::kOpQuery}, [] {
            qt::Answer a;
            a.text3 = "01070";
            return a;
        }());
        qt::FakeProfileStore profiles;
        qt::FakeClock clock;
        qc::CConfigApp app{drv.fn(), profiles, clock};
        app.connected = true;
        app.pageModel = 70;
        qt::ScriptedUi ui;
        qa::LogicPageFactory factory(app, ui);
        qa::MainWindowLogic main(app, ui, factory);
        main.buildPages();
        main.command(quorvex::menus::kCmdFirstPage + r.index);
        ui.runPosted(main);
        r.edit(*main.page(r.index));
        drv.clearCalls();
        ui.discardAnswers = {qc::DiscardAnswer::Send};
        main.pageCommand(quorvex::menus::kCmdFirstPage + quorvex::menus::kTimerPage);
        EXPECT_EQ(ui.discardAnswers.empty(), r.asked) << r.index;
        EXPECT_EQ(main.currentIndex(), quorvex::menus::kTimerPage) << r.index;
        if (r.index == quorvex::menus::kLcrPage) {
            // The emptied predial went to the device: a clear of band 0's prefix.
            EXPECT_EQ(drv.count(DRV_LCRPREFIX), 1);
        }
        ui.discardAnswers.clear();
    }
}
