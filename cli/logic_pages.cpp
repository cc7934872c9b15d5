#include "cli/logic_pages.h"

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

#include <array>

namespace quorvex::cli {
namespace {

using Maker = std::unique_ptr<app::Page> (*)(app::CConfigApp&, app::PageUi&, app::PageHost&);

template <typename P>
std::unique_ptr<app::Page> make(app::CConfigApp& app, app::PageUi& ui, app::PageHost& host) {
    return std::make_unique<P>(app, ui, host);
}

// By page index; a page without a logic class would be nullptr here (the
// main window then skips it).
constexpr std::array<Maker, app::kPageCount> kMakers = {
    nullptr,                        // 0 MSN
    make<telephony::AcceptPage>,    // 1 call acceptance
    make<telephony::ShortDialPage>, // 2 short dial
    make<telephony::ForwardPage>,   // 3 forwarding
    make<telephony::FilterPage>,    // 4 call filter
    nullptr,                        // 5 data protocol
    make<pages::LcrPage>,           // 6 LCR
    make<pages::ChargePage>,        // 7 charges
    make<pages::TimerPage>,         // 8 timer
    make<maintenance::LogPage>,     // 9 log
};

} // namespace

bool LogicPageFactory::available(int index) {
    return index >= 0 && index < app::kPageCount &&
           kMakers[static_cast<std::size_t>(index)] != nullptr;
}

std::unique_ptr<app::Page> LogicPageFactory::createPage(int index, int /*model*/,
                                                        app::PageHost& host) {
    if (!available(index) || (limited_ && index != only_)) return nullptr;
    return kMakers[static_cast<std::size_t>(index)](app_, ui_, host);
}

} // namespace quorvex::cli
