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

namespace qa = quorvex::app;
namespace qt = quorvex::test;

namespace {

template <typename T> bool is(const qa::Page* p) {
    return dynamic_cast<const T*>(p) != nullptr;
}

} // namespace

TEST(LogicPages, EachIndexMakesItsPageForBothModels) {
    qt::FakeDriver drv;
    qt::FakeProfileStore profiles;
    qt::FakeClock clock;
    qa::CConfigApp app{drv.fn(), profiles, clock};
    qt::ScriptedUi ui;
    qt::RecordingHost host;
    using Check = bool (*)(const qa::Page*);
    const Check checks[] = {
        is<quorvex::telephony::MsnPage>,       is<quorvex::telephony::AcceptPage>,
        is<quorvex::telephony::ShortDialPage>, is<quorvex::telephony::ForwardPage>,
        is<quorvex::telephony::FilterPage>,    is<quorvex::data::DataPage>,
        is<quorvex::pages::LcrPage>,           is<quorvex::pages::ChargePage>,
        is<quorvex::pages::TimerPage>,         is<quorvex::maintenance::LogPage>,
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
    qa::CConfigApp app{drv.fn(), profiles, clock};
    qt::ScriptedUi ui;
    qt::RecordingHost host;
    qa::LogicPageFactory factory(app, ui);
    auto page = factory.createPage(3, 30, host);
    EXPECT_TRUE(is<quorvex::telephony::ForwardPage>(page.get()));
}
