#pragma once
// The command line's page set: the headless pages of app/logic_pages.h (the
// same classes the desktop program's widgets own), optionally only the one
// page that owns a key (get / set build nothing else).

#include "app/logic_pages.h"

namespace quorvex::cli {

class CliPageFactory final : public app::PageFactory {
public:
    CliPageFactory(core::CConfigApp& app, core::PageUi& ui) : app_(app), ui_(ui) {}
    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& host) override {
        if (limited_ && index != only_) return nullptr;
        return app::makeLogicPage(index, model, app_, ui_, host);
    }

    // Build only page index (-1: none); by default every page.
    void onlyPage(int index) {
        only_ = index;
        limited_ = true;
    }

private:
    core::CConfigApp& app_;
    core::PageUi& ui_;
    bool limited_ = false;
    int only_ = -1;
};

} // namespace quorvex::cli
