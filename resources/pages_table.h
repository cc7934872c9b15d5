#pragma once
// The ten pages of the main window in index order: the command that shows a page, its
// button text, its dialog templates per model and the texts of its help box.

#include <array>
#include <cstddef>
#include <optional>

namespace quorvex::menus {

// The pages by index (command 5000 + index shows one).
enum PageIndex : int {
    kMsnPage = 0,
    kAcceptPage = 1,
    kShortDialPage = 2,
    kForwardPage = 3,
    kFilterPage = 4,
    kDataPage = 5,
    kLcrPage = 6,
    kChargesPage = 7,
    kTimerPage = 8,
    kLogPage = 9,
};

struct PageInfo {
    int index;       // 0..9
    int command;     // 5000 + index: page button and "Command" menu item
    int buttonText;  // English text identifier of the page button (6000 + 2 * index)
    int templateR70; // dialog template with large fonts; + 1 with normal fonts
    int templateR30; // the same for the three-port model
    int helpBody;    // English text identifier of the help body
    int helpTitle;   // English text identifier of the help title and page caption
    bool hasSection; // a profile section: profile load and save visit it, in index order
    bool polls;      // polls the device while shown: monitor mode and the upgrade pause it
};

constexpr int kPageCount = 10;

constexpr std::array<PageInfo, kPageCount> kPages = {{
    // clang-format off
    {kMsnPage,       5000, 6000, 802, 826, 7000, 8500, true,  false},
    {kAcceptPage,    5001, 6002, 804, 828, 7002, 8502, true,  false},
    {kShortDialPage, 5002, 6004, 806, 830, 7004, 8504, true,  false},
    {kForwardPage,   5003, 6006, 808, 832, 7006, 8506, true,  false},
    {kFilterPage,    5004, 6008, 810, 834, 7008, 8508, true,  false},
    {kDataPage,      5005, 6010, 812, 812, 7010, 8510, true,  false}, // one layout for both models
    {kLcrPage,       5006, 6012, 814, 814, 7012, 8512, true,  false}, // one layout for both models
    {kChargesPage,   5007, 6014, 816, 836, 7014, 8514, false, true},
    {kTimerPage,     5008, 6016, 818, 838, 7016, 8516, true,  true},
    {kLogPage,       5009, 6018, 820, 840, 7018, 8518, false, true},
    // clang-format on
}};

constexpr bool pagesAreInIndexOrder() {
    for (int k = 0; k < kPageCount; ++k) {
        const PageInfo& page = kPages[static_cast<std::size_t>(k)];
        if (page.index != k || page.command != 5000 + k || page.buttonText != 6000 + 2 * k)
            return false;
    }
    return true;
}
static_assert(pagesAreInIndexOrder(), "page k: command 5000 + k, button text 6000 + 2k");

// The pages with a profile section, in index order: profile load and save visit them so.
constexpr std::size_t kProfilePageCount = [] {
    std::size_t n = 0;
    for (const PageInfo& page : kPages)
        n += page.hasSection ? 1 : 0;
    return n;
}();
constexpr std::array<int, kProfilePageCount> kProfilePages = [] {
    std::array<int, kProfilePageCount> out{};
    std::size_t n = 0;
    for (const PageInfo& page : kPages) {
        if (page.hasSection) out[n++] = page.index;
    }
    return out;
}();

// Whether page index polls the device while shown (false outside 0..9).
constexpr bool pagePolls(int index) {
    return index >= 0 && index < kPageCount && kPages[static_cast<std::size_t>(index)].polls;
}

// The page with index, or nothing outside 0..9.
constexpr std::optional<PageInfo> pageAt(int index) {
    if (index < 0 || index >= kPageCount) return std::nullopt;
    return kPages[static_cast<std::size_t>(index)];
}

// The page that command 5000..5009 shows, or nothing for any other command.
constexpr std::optional<PageInfo> pageForCommand(int command) {
    return pageAt(command - kPages[0].command);
}

// Template of a page for a model number (30 = R30; anything else, also 0 before the
// device is identified, uses the R70 layout) and the font setting.
constexpr int pageTemplate(const PageInfo& page, int modelNumber, bool largeFonts) {
    const int base = modelNumber == 30 ? page.templateR30 : page.templateR70;
    return largeFonts ? base : base + 1;
}

} // namespace quorvex::menus
