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
#include "core/detection.h"
#include "core/device_cache.h"
#include "support/fake_driver.h"
#include "support/fakes.h"
#include "support/scripted_page_ui.h"

namespace quorvex::test {

struct AppFixture {
    FakeDriver drv;
    FakeProfileStore profiles;
    FakeClock clock;
    core::CConfigApp app{drv.fn(), profiles, clock};

    // A connected device of the model, its ports with their default names.
    void connectModel(int model) {
        app.connected = true;
        app.pageModel = model;
        app.portCount = core::portCountFor(model);
        for (int p = 0; p < core::kMaxAnalogPorts; ++p)
            app.cache.analog[static_cast<std::size_t>(p)].name = core::defaultPortName(p);
    }
};

struct PageFixture : AppFixture {
    ScriptedPageUi ui;
    RecordingHost host;
};

} // namespace quorvex::test
