#pragma once
// The menu bar every page carries (menu 800 English, 801 German): four popups, their
// items with command identifiers, separators, and the help items with the body and
// title texts the information dialog shows.

#include <optional>
#include <span>
#include <string_view>

namespace quorvex::menus {

enum class ItemKind { Command, Separator };

struct MenuItem {
    ItemKind kind;
    int command; // 0 for a separator
    std::string_view english;
    std::string_view german;
    int helpBody;  // help items: text identifier of the body, else 0
    int helpTitle; // help items: text identifier of the title, else 0
};

struct MenuPopup {
    std::string_view english;
    std::string_view german;
    std::span<const MenuItem> items;
};

// Command identifiers the menus and the page strip send to the main window.
constexpr int kCmdQuit = 2153;
constexpr int kCmdSend = 2154;      // every page's "Send to R30 / R70" button
constexpr int kCmdFirstPage = 5000; // 5000 + page index
constexpr int kCmdMonitor = 5010;
constexpr int kCmdLoadProfile = 5011;
constexpr int kCmdSaveProfile = 5012;
constexpr int kCmdSettings = 5013;
constexpr int kCmdUpgrade = 5014;
constexpr int kCmdDataCallback = 5015;
constexpr int kCmdIsdnInfo = 5016;
constexpr int kCmdCheckDevice = 5017; // the check of the device against what the program expects
constexpr int kCmdHelpNone = 32780;   // does nothing
constexpr int kCmdFirstHelp = 32781;
constexpr int kCmdAbout = 32799; // opens the splash window as the about box
constexpr int kCmdLastHelp = 32802;
constexpr int kCmdPageHelp = 57670; // a page's own help button

// The four popups in menu-bar order: File, Command, Extras, Help.
std::span<const MenuPopup> menuBar();

// Text of a popup title or an item in language (1 German, anything else English).
std::string_view popupTitle(const MenuPopup& popup, int language);
std::string_view itemText(const MenuItem& item, int language);

// The menu item carrying command, or nullptr when no menu has it.
const MenuItem* findItem(int command);

struct HelpTopic {
    int body;  // English text identifier of the body (add the language)
    int title; // English text identifier of the title (add the language)
};

// The information dialog's texts of help item command (32781-32802). Empty for the
// about box (32799), for 32780 and for every other command.
std::optional<HelpTopic> helpTopic(int command);

} // namespace quorvex::menus
