#pragma once
// The page factory of the command line: the same page logic objects the
// desktop program's widgets own, without widgets.

#include "app/main_window_logic.h"

namespace quorvex::cli {

class LogicPageFactory final : public app::PageFactory {
public:
    LogicPageFactory(app::CConfigApp& app, app::PageUi& ui) : app_(app), ui_(ui) {}
    std::unique_ptr<app::Page> createPage(int index, int model, app::PageHost& host) override;

    // Whether the program has a logic class for the page yet.
    static bool available(int index);
    // Build only page index (-1: none); by default every page.
    void onlyPage(int index) {
        only_ = index;
        limited_ = true;
    }

private:
    app::CConfigApp& app_;
    app::PageUi& ui_;
    bool limited_ = false;
    int only_ = -1;
};

} // namespace quorvex::cli
