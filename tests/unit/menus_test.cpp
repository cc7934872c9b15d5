// The menu bar and the page table: identifiers, texts in both languages, separators,
// and that every text identifier they name exists in the text table.

#include "resources/menus.h"
#include "resources/pages_table.h"
#include "resources/text_table.h"

#include <gtest/gtest.h>

#include <string_view>
#include <vector>

namespace {

using namespace quorvex::menus;
using quorvex::menus::kPages;

// The popup's items as command ids, 0 standing for a separator.
std::vector<int> layout(const MenuPopup& popup) {
    std::vector<int> ids;
    for (const MenuItem& item : popup.items)
        ids.push_back(item.command);
    return ids;
}

TEST(Menus, FourPopupsWithTheirTitles) {
    const auto bar = menuBar();
    ASSERT_EQ(bar.size(), 4U);
    const std::string_view english[] = {"&File", "&Command", "&Extras", "&Help"};
    const std::string_view german[] = {"Datei", "Funktionen", "Extras", "Hilfe"};
    for (std::size_t i = 0; i < bar.size(); ++i) {
        EXPECT_EQ(popupTitle(bar[i], 0), english[i]);
        EXPECT_EQ(popupTitle(bar[i], 1), german[i]);
    }
}

TEST(Menus, SeparatorsStandWhereTheMenusHaveThem) {
    const auto bar = menuBar();
    EXPECT_EQ(layout(bar[0]), (std::vector<int>{5010, 0, 5011, 5012, 5013, 0, 2153}));
    EXPECT_EQ(layout(bar[1]), (std::vector<int>{5000, 0, 5001, 0, 5002, 0, 5003, 0, 5004, 0, 5005,
                                                0, 5006, 0, 5007, 0, 5008, 0, 5009}));
    EXPECT_EQ(layout(bar[2]), (std::vector<int>{5014, 0, 5015, 0, 5016}));
    std::vector<int> help;
    for (int id = 32781; id <= 32802; ++id)
        help.push_back(id);
    help.insert(help.end(), {0, 5017}); // the check of the device, after the help topics
    EXPECT_EQ(layout(bar[3]), help);
    for (const MenuPopup& popup : bar) {
        for (const MenuItem& item : popup.items) {
            EXPECT_EQ(item.kind == ItemKind::Separator, item.command == 0);
        }
    }
}

struct Row {
    int command;
    std::string_view english;
    std::string_view german;
};

class MenuRows : public testing::TestWithParam<Row> {};

TEST_P(MenuRows, TextsInBothLanguages) {
    const Row& row = GetParam();
    const MenuItem* item = findItem(row.command);
    ASSERT_NE(item, nullptr) << row.command;
    EXPECT_EQ(itemText(*item, 0), row.english);
    EXPECT_EQ(itemText(*item, 1), row.german);
}

INSTANTIATE_TEST_SUITE_P(
    Menus, MenuRows,
    testing::Values(Row{5010, "Monitor Mode", "Monitor-Modus"},
                    Row{5011, "Load Profile...", "Profil laden..."},
                    Row{5012, "Save Profile As...", "Profil sichern als..."},
                    Row{2153, "Quit", "Beenden"},
                    Row{5000, "Assigning MSNs,phone numbers", "MSNs,Rufnummern zuordnen"},
                    Row{5001, "&Accepting calls", "Anrufe annehmen"},
                    Row{5002, "Short dial && Special Ring", "Kurzwahl && Klingelzeichen"},
                    Row{5005, "Protocal transfer", "DFÜ - Protokollverbindungen"},
                    Row{5008, "Timer", "Wecker && Uhrzeit"},
                    Row{5015, "Data Call Back", "Datenrückrufe konfigurieren"},
                    Row{5016, "ISDN/Modem Info", "ISDN/Modem Info"},
                    Row{5017, "Check the device...", "Gerät prüfen..."}));

TEST(Menus, HelpItemsKeepTheirEnglishTexts) {
    EXPECT_EQ(itemText(*findItem(32783), 0), "Protocal transfer");
    EXPECT_EQ(itemText(*findItem(32787), 0), "OnLine Services && Provider");
    EXPECT_EQ(itemText(*findItem(32793), 0), "What is \"BOD\"?");
    EXPECT_EQ(itemText(*findItem(32795), 0), "What is \"MSN\"? How to Assign them?");
    EXPECT_EQ(itemText(*findItem(32799), 0), "About this Application");
    EXPECT_EQ(itemText(*findItem(32802), 0), "Short dial Strings,special ring");
    for (const MenuItem& item : menuBar()[3].items) {
        if (item.kind == ItemKind::Separator) continue;
        EXPECT_FALSE(itemText(item, 1).empty()) << item.command;
    }
}

TEST(Menus, HelpTopicsPointAtExistingTexts) {
    ASSERT_TRUE(helpTopic(32795).has_value());
    EXPECT_EQ(helpTopic(32795)->body, 7000);
    EXPECT_EQ(helpTopic(32795)->title, 8500);
    EXPECT_EQ(helpTopic(32792)->body, 7024);
    EXPECT_EQ(helpTopic(32792)->title, 8522);
    EXPECT_FALSE(helpTopic(kCmdAbout).has_value());
    EXPECT_FALSE(helpTopic(kCmdHelpNone).has_value());
    EXPECT_FALSE(helpTopic(5010).has_value());
    EXPECT_FALSE(helpTopic(0).has_value());
    for (int id = kCmdFirstHelp; id <= kCmdLastHelp; ++id) {
        const auto topic = helpTopic(id);
        if (id == kCmdAbout) continue;
        ASSERT_TRUE(topic.has_value()) << id;
        for (int language : {0, 1}) {
            EXPECT_FALSE(quorvex::text::get(topic->body, language).empty()) << id;
            EXPECT_FALSE(quorvex::text::get(topic->title, language).empty()) << id;
        }
    }
}

TEST(Menus, UnknownCommandsAreNotFound) {
    EXPECT_EQ(findItem(0), nullptr);
    EXPECT_EQ(findItem(32780), nullptr);
    EXPECT_EQ(findItem(-1), nullptr);
}

TEST(PagesTable, TenPagesInIndexOrder) {
    for (int k = 0; k < quorvex::menus::kPageCount; ++k) {
        const auto& page = kPages[static_cast<std::size_t>(k)];
        EXPECT_EQ(page.index, k);
        EXPECT_EQ(page.command, 5000 + k);
        EXPECT_EQ(page.buttonText, 6000 + 2 * k);
        for (int language : {0, 1}) {
            EXPECT_FALSE(quorvex::text::get(page.buttonText, language).empty());
            EXPECT_FALSE(quorvex::text::get(page.helpBody, language).empty());
            EXPECT_FALSE(quorvex::text::get(page.helpTitle, language).empty());
        }
        // The "Command" menu item of a page sends the page's command.
        EXPECT_NE(findItem(page.command), nullptr);
    }
    EXPECT_EQ(kPages[8].helpTitle, 8516);
    EXPECT_EQ(kPages[9].helpBody, 7018);
}

TEST(PagesTable, LookupsAndTemplates) {
    using namespace quorvex::menus;
    EXPECT_FALSE(pageAt(-1).has_value());
    EXPECT_FALSE(pageAt(10).has_value());
    EXPECT_FALSE(pageForCommand(5010).has_value());
    EXPECT_FALSE(pageForCommand(4999).has_value());
    EXPECT_EQ(pageForCommand(5003)->index, 3);
    EXPECT_EQ(pageTemplate(kPages[0], 70, true), 802);
    EXPECT_EQ(pageTemplate(kPages[0], 70, false), 803);
    EXPECT_EQ(pageTemplate(kPages[0], 30, false), 827);
    EXPECT_EQ(pageTemplate(kPages[0], 0, true), 802); // model not yet known: R70 layout
    EXPECT_EQ(pageTemplate(kPages[5], 30, true), 812);
    EXPECT_EQ(pageTemplate(kPages[6], 30, false), 815);
    EXPECT_EQ(pageTemplate(kPages[9], 30, true), 840);
}

} // namespace
