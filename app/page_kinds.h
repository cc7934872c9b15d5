#pragma once
// The ten pages in index order, each named once: its logic class and its
// widget class. Both page factories are made from this list: the logic pages
// of quorvex-cli and the benchmarks (logic_pages.h) and the desktop program's
// widgets, which own their logic (page_factory_widget.h).

#include "resources/pages_table.h"

#include <cstddef>
#include <tuple>
#include <utility>

namespace quorvex::telephony {
class MsnPage;
class AcceptPage;
class ShortDialPage;
class ForwardPage;
class FilterPage;
} // namespace quorvex::telephony
namespace quorvex::data {
class DataPage;
class LcrPage;
class ChargePage;
class TimerPage;
} // namespace quorvex::data
namespace quorvex::maintenance {
class LogPage;
}
namespace quorvex::widgets {
class MsnPageWidget;
class AcceptPageWidget;
class ShortDialPageWidget;
class ForwardPageWidget;
class FilterPageWidget;
class DataPageWidget;
class LcrPageWidget;
class ChargePageWidget;
class TimerPageWidget;
class LogPageWidget;
} // namespace quorvex::widgets

namespace quorvex::app {

// What the logic page's constructor takes after the application, the user
// interface and the host.
enum class Layout {
    Model, // the model number: 30 three ports, anything else five
    Ports, // the number of analog ports
    None,  // one layout for every model
};

template <typename Logic, typename Widget, Layout layout> struct PageKind {
    using LogicPage = Logic;
    using WidgetPage = Widget;
    static constexpr Layout kLayout = layout;
};

// clang-format off
using PageKinds = std::tuple<
    PageKind<telephony::MsnPage,       widgets::MsnPageWidget,       Layout::Model>,
    PageKind<telephony::AcceptPage,    widgets::AcceptPageWidget,    Layout::Ports>,
    PageKind<telephony::ShortDialPage, widgets::ShortDialPageWidget, Layout::Model>,
    PageKind<telephony::ForwardPage,   widgets::ForwardPageWidget,   Layout::Model>,
    PageKind<telephony::FilterPage,    widgets::FilterPageWidget,    Layout::Ports>,
    PageKind<data::DataPage,           widgets::DataPageWidget,      Layout::None>,
    PageKind<data::LcrPage,            widgets::LcrPageWidget,       Layout::None>,
    PageKind<data::ChargePage,         widgets::ChargePageWidget,    Layout::None>,
    PageKind<data::TimerPage,          widgets::TimerPageWidget,     Layout::None>,
    PageKind<maintenance::LogPage,     widgets::LogPageWidget,       Layout::None>>;
// clang-format on
static_assert(std::tuple_size_v<PageKinds> == menus::kPageCount,
              "one kind per page, in index order");

// Calls visit.template operator()<Kind>() for the kind of page index; false
// (and no call) outside 0..9.
template <typename Visit> bool visitPageKind(int index, Visit&& visit) {
    return [&]<std::size_t... I>(std::index_sequence<I...>) {
        return ((index == static_cast<int>(I) &&
                 (visit.template operator()<std::tuple_element_t<I, PageKinds>>(), true)) ||
                ...);
    }
    (std::make_index_sequence<std::tuple_size_v<PageKinds>>{});
}

} // namespace quorvex::app
