// Every page of both models and every dialog, in both languages, as a screen
// reader and a keyboard user meet them: each control has a name, no two
// controls of a window share role and name, Tab reaches every control and
// shows where it is, pictures are named or hidden, and nothing takes a click
// that assistive technology cannot see.
#include "access_fixture.h"

namespace {

using namespace a11y;
using AccessWalk = ProgramWalk;

void expectClean(const std::string& window, const Findings& f) {
    std::cout << "[access] " << window << ": " << f.summary() << "\n";
    EXPECT_TRUE(f.clean()) << window << ": " << f.summary() << f.details();
}

TEST_P(AccessWalk, EveryPage) {
    start();
    forEachPage(
        [](int k, QWidget* page) { expectClean("page " + std::to_string(k), examine(page)); });
}

TEST_P(AccessWalk, EveryDialog) {
    start();
    forEachDialog([](const std::string& name, QDialog& dialog) {
        // Qt's own file dialog (on the desktop the desktop's) shows its focus as its style does.
        expectClean(name, examine(&dialog, name != "profile file"));
    });
}

// Names said in the page's language, switched with it; built from what the page shows.
TEST_F(ProgramTest, NamesFollowThePagesTextsInBothLanguages) {
    struct Name {
        int page;
        const char* control;
        const char* english;
        const char* german;
    };
    const Name names[] = {
        {0, "3020", "CLIP, Port 11", "CLIP, Anschluß 11"},
        {0, "3004", "MSN 2 of Port 21", "MSN 2 von Anschluß 21"},
        {0, "2145", "Name of Data Port", "Name von Datenanschluß"},
        {0, "1024", "Port 21 device: Phone", "Anschluß 21 Gerät: Telefon"},
        {1, "2430", "Caller ID presentation, Port 11", "Rufnummernanzeige, Anschluß 11"},
        {1, "2419", "Call Acceptance, SoftFax/ Dig. Answer machine",
         "Rufannahme, SoftFax/ Dig. Anrufbeantworter"},
        {2, "2563", "Short Dial 3, Port 21", "Kurzwahl 3, Anschluß 21"},
        {3, "2741", "Confirm If Line Busy to, Port 21", "Wenn besetzt, Anschluß 21 bestätigen"},
        {4, "2865", "Activated, Data Port", "Aktiviert, Datenanschluß"},
        {6, "1121", "Time period 3, till", "Zeitspanne 3, bis"},
        {6, "1250", "Excluded phone numbers 6, from", "Ausgenommene Rufnummern 6, von"},
        {7, "1103", "Clear, Port 31", "Löschen, Anschluß 31"},
        {7, "1110", "Clear, Current total sum of TA",
         "Löschen, Aktuelle Gesamtsumme der TK-Anlage"},
        {8, "1201", "Morning call, Port 21", "Weckzeit, Anschluß 21"},
        {9, "1550", "Clear, Outgoing calls", "Löschen, Abgehende Anrufe"},
        {9, "1553", "Clear, Port 11", "Löschen, Anschluß 11"},
        {9, "57670", "Help", "Hilfe"},
    };
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    for (int language : {0, 1}) {
        win_->logic().setLanguage(language);
        for (const Name& n : names) {
            win_->logic().switchTo(n.page);
            ASSERT_TRUE(waitUntil([&] { return win_->pendingPosts() == 0; }));
            QWidget* control = win_->currentPageWidget()->findChild<QWidget*>(n.control);
            ASSERT_NE(control, nullptr) << n.control;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(control);
            EXPECT_EQ(iface->text(QAccessible::Name),
                      QString::fromUtf8(language == 1 ? n.german : n.english))
                << "page " << n.page << " control " << n.control;
        }
    }
}

// Tab goes down a port's column, then to the next column, and after the last
// to Send and help; where a page has no columns, down the page.
TEST_F(ProgramTest, TabFollowsTheReadingOrderOfEveryPage) {
    struct Order {
        int page;
        std::vector<QString> stops; // from the page's own tab on
    };
    const Order orders[] = {
        {0, {"5000", "1023", "2140", "3000", "3001", "3002", "3020", "1024", "2141", "3003"}},
        {1, {"5001", "2413", "2430", "2435", "2420", "2425", "2414", "2431"}},
        {2,
         {"5002", "2550", "2551", "2552", "2553", "2554", "2555", "2556", "2557", "2558", "2559",
          "2600", "2560"}},
        {3, {"5003", "2735", "2720", "2740", "2725", "2745", "2730", "2736", "2721"}},
        {4,
         {"5004", "2800", "2801", "2802", "2803", "2804", "2805", "2806", "2807", "2808", "2809",
          "2860", "2810"}},
        {7, {"5007", "1100", "1101", "1102", "1103", "1104", "1105", "1110", "57670", "5007"}},
        {8, {"5008", "1100", "1200", "1101", "1201", "1102", "1202"}},
    };
    plugDevice(sim::Model::R70);
    notFirstRun();
    startToMsnPage();
    for (const Order& o : orders) {
        win_->logic().switchTo(o.page);
        ASSERT_TRUE(waitUntil([&] { return win_->pendingPosts() == 0; }));
        std::vector<QWidget*> visited;
        a11y::tabReached(win_->currentPageWidget(), &visited);
        std::vector<QString> stops;
        for (std::size_t i = 0; i < visited.size() && stops.size() < o.stops.size(); ++i)
            stops.push_back(visited[i]->objectName());
        if (stops.size() < o.stops.size()) stops.push_back(stops.front()); // round again
        EXPECT_EQ(stops, o.stops) << "page " << o.page;
    }
}

INSTANTIATE_TEST_SUITE_P(Access, AccessWalk,
                         testing::Values(Case{sim::Model::R70, 0, Theme::Light},
                                         Case{sim::Model::R70, 1, Theme::Light},
                                         Case{sim::Model::R30, 0, Theme::Light},
                                         Case{sim::Model::R30, 1, Theme::Light}),
                         caseName);

} // namespace
