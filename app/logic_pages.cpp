#include "app/logic_pages.h"

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
    const int ports = core::portCountFor(model);
    switch (index) {
    case 0:
        return std::make_unique<telephony::MsnPage>(app, ui, host, model);
    case 1:
        return std::make_unique<telephony::AcceptPage>(app, ui, host, ports);
    case 2:
        return std::make_unique<telephony::ShortDialPage>(app, ui, host, model);
    case 3:
        return std::make_unique<telephony::ForwardPage>(app, ui, host, model);
    case 4:
        return std::make_unique<telephony::FilterPage>(app, ui, host, ports);
    case 5:
        return std::make_unique<data::DataPage>(app, ui, host);
    case 6:
        return std::make_unique<data::LcrPage>(app, ui, host);
    case 7:
        return std::make_unique<data::ChargePage>(app, ui, host);
    case 8:
        return std::make_unique<data::TimerPage>(app, ui, host);
    case 9:
        return std::make_unique<maintenance::LogPage>(app, ui, host);
    default:
        return nullptr;
    }
}

} // namespace quorvex::app
