#pragma once
// The ten pages' logic without widgets, for the programs that have no screen
// (quorvex-cli, the benchmarks): the same classes the desktop program wraps,
// so that what they read, send, load and save is the same, key for key.

#include "app/main_window_logic.h"
#include "core/page.h"

#include <memory>

namespace quorvex::app {

// Page index 0-9 (MSN, call acceptance, short dial, forwarding, call filter,
// data, LCR, charges, timer, log) for model 30 or 70; nullptr for another index.
std::unique_ptr<core::Page> makeLogicPage(int index, int model, core::CConfigApp& app,
                                          core::PageUi& ui, core::PageHost& host);

// A PageFactory for MainWindowLogic that makes the logic pages, all talking to one UI.
class LogicPageFactory : public PageFactory {
public:
    LogicPageFactory(core::CConfigApp& app, core::PageUi& ui) : app_(app), ui_(ui) {}
    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& host) override {
        return makeLogicPage(index, model, app_, ui_, host);
    }

private:
    core::CConfigApp& app_;
    core::PageUi& ui_;
};

} // namespace quorvex::app
