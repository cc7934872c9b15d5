#pragma once
// The application on fakes, as the tests of the logic set it up: the fake
// driver, the profile files and the clock in memory and the application object
// on them (AppFixture); for a page also the scripted page user interface and
// the recording host (PageFixture). A test fixture derives from one; the base's
// members are built before the fixture's own, so a page member may take them:
//
//   struct TimerPageTest : ::testing::Test, test::PageFixture {
//       TimerPage page{app, ui, host};
//   };

#include "core/config_app.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_page_ui.h"

namespace quorvex::test {

struct AppFixture {
    FakeDriver drv;
    FakeProfileStore profiles;
    FakeClock clock;
    core::CConfigApp app{drv.fn(), profiles, clock};
};

struct PageFixture : AppFixture {
    ScriptedPageUi ui;
    RecordingHost host;
};

} // namespace quorvex::test
