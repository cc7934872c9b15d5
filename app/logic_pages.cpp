#include "app/logic_pages.h"

#include "app/page_kinds.h"

#include "core/detection.h"
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

namespace quorvex::app {

std::unique_ptr<core::Page> makeLogicPage(int index, int model, core::CConfigApp& app,
                                          core::PageUi& ui, core::PageHost& host) {
    std::unique_ptr<core::Page> page;
    visitPageKind(index, [&]<typename Kind>() {
        using Logic = typename Kind::LogicPage;
        if constexpr (Kind::kLayout == Layout::Model)
            page = std::make_unique<Logic>(app, ui, host, model);
        else if constexpr (Kind::kLayout == Layout::Ports)
            page = std::make_unique<Logic>(app, ui, host, core::portCountFor(model));
        else
            page = std::make_unique<Logic>(app, ui, host);
    });
    return page;
}

} // namespace quorvex::app
