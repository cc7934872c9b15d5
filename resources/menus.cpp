#include "resources/menus.h"

#include <array>

namespace quorvex::menus {

namespace {

constexpr MenuItem item(int command, std::string_view english, std::string_view german) {
    return {ItemKind::Command, command, english, german, 0, 0};
}

constexpr MenuItem help(int command, std::string_view english, std::string_view german, int body,
                        int title) {
    return {ItemKind::Command, command, english, german, body, title};
}

constexpr MenuItem kSeparator{ItemKind::Separator, 0, {}, {}, 0, 0};

constexpr std::array kFile = {
    item(kCmdMonitor, "Monitor Mode", "Monitor-Modus"),
    kSeparator,
    item(kCmdLoadProfile, "Load Profile...", "Profil laden..."),
    item(kCmdSaveProfile, "Save Profile As...", "Profil sichern als..."),
    item(kCmdSettings, "Settings...", "Einstellungen..."),
    kSeparator,
    item(kCmdQuit, "Quit", "Beenden"),
};

constexpr std::array kCommand = {
    item(5000, "Assigning MSNs,phone numbers", "MSNs,Rufnummern zuordnen"),
    kSeparator,
    item(5001, "&Accepting calls", "Anrufe annehmen"),
    kSeparator,
    item(5002, "Short dial && Special Ring", "Kurzwahl && Klingelzeichen"),
    kSeparator,
    item(5003, "Call forwarding", "Rufweiterleitung"),
    kSeparator,
    item(5004, "Call filter", "Anrufe filtern"),
    kSeparator,
    item(5005, "Protocal transfer", "DFÜ - Protokollverbindungen"),
    kSeparator,
    item(5006, "LCR-Least Cost Routing", "LCR - Least Cost Routing"),
    kSeparator,
    item(5007, "Charges", "Kosten"),
    kSeparator,
    item(5008, "Timer", "Wecker && Uhrzeit"),
    kSeparator,
    item(5009, "Logbook", "Logbuch"),
};

constexpr std::array kExtras = {
    item(kCmdUpgrade, "Installing an upgrade", "Upgrade installieren"),
    kSeparator,
    item(kCmdDataCallback, "Data Call Back", "Datenrückrufe konfigurieren"),
    kSeparator,
    item(kCmdIsdnInfo, "ISDN/Modem Info", "ISDN/Modem Info"),
};

constexpr std::array kHelp = {
    help(32781, "R30-R70 ISDN introduction", "R30-R70 ISDN Einführung", 7028, 8528),
    help(32782, "Configuring the PABX", "TK-Anlage einrichten", 7030, 8530),
    help(32783, "Protocal transfer", "DFÜ - Protokollverbindungen", 7010, 8510),
    help(32784, "Installing an upgrade", "Upgrade installieren", 7022, 8520),
    help(32785, "AT Commands", "AT-Befehle", 7032, 8532),
    help(32786, "Orva Support", "Orva Support", 7034, 8534),
    help(32787, "OnLine Services && Provider", "Online-Dienste && Provider", 7036, 8536),
    help(32788, "Quorvex Office", "Quorvex Office", 7038, 8538),
    help(32789, "Load && Saving Profiles", "Profile laden && sichern", 7040, 8540),
    help(32790, "Data Call filter", "Datenanrufe filtern", 7042, 8542),
    help(32791, "Phone Call filter", "Rufnummern filtern", 7044, 8544),
    help(32792, "Data Call Back", "Datenrückruf", 7024, 8522),
    help(32793, "What is \"BOD\"?", "Was ist \"BOD\"?", 7046, 8546),
    help(32794, "What is \"LCR\"?", "Was ist \"LCR\"?", 7012, 8512),
    help(32795, "What is \"MSN\"? How to Assign them?",
         "Was ist eine \"MSN\"? Wie ordne ich sie zu?", 7000, 8500),
    help(32796, "ISDN Info", "ISDN-Info", 7020, 8524),
    help(32797, "Call Info", "Anruf-Info", 7048, 8548),
    help(32798, "Survey of all charges", "Übersicht aller Kosten", 7050, 8550),
    item(kCmdAbout, "About this Application", "Über dieses Programm"),
    help(32800, "Accepting phone Calls", "Anrufe annehmen", 7002, 8502),
    help(32801, "Phone Call forwarding", "Rufweiterleitung", 7006, 8506),
    help(32802, "Short dial Strings,special ring", "Kurzwahlen, Klingelzeichen", 7004, 8504),
    kSeparator,
    item(kCmdCheckDevice, "Check the device...", "Gerät prüfen..."),
};

constexpr std::array kMenuBar = {
    MenuPopup{"&File", "Datei", kFile},
    MenuPopup{"&Command", "Funktionen", kCommand},
    MenuPopup{"&Extras", "Extras", kExtras},
    MenuPopup{"&Help", "Hilfe", kHelp},
};

} // namespace

std::span<const MenuPopup> menuBar() {
    return kMenuBar;
}

std::string_view popupTitle(const MenuPopup& popup, int language) {
    return language == 1 ? popup.german : popup.english;
}

std::string_view itemText(const MenuItem& menuItem, int language) {
    return language == 1 ? menuItem.german : menuItem.english;
}

const MenuItem* findItem(int command) {
    if (command == 0) return nullptr; // separators carry 0
    for (const MenuPopup& popup : kMenuBar) {
        for (const MenuItem& menuItem : popup.items) {
            if (menuItem.command == command) return &menuItem;
        }
    }
    return nullptr;
}

std::optional<HelpTopic> helpTopic(int command) {
    if (command < kCmdFirstHelp || command > kCmdLastHelp) return std::nullopt;
    const MenuItem* menuItem = findItem(command);
    if (menuItem == nullptr || menuItem->helpBody == 0) return std::nullopt;
    return HelpTopic{menuItem->helpBody, menuItem->helpTitle};
}

} // namespace quorvex::menus
