// Every text of every page and dialog is shown whole: for both models, both
// languages, the light Fusion theme and GNOME's dark Adwaita (whose check
// boxes, buttons and frames take more room), each control's text fits the
// room its style gives it, stays inside its window and is covered by no
// other control; a drop list with each of its entries, a combo box with each
// of its items. ctest runs it twice: with the normal fonts, and with the
// desktop's font twice as large (192 dots per inch, not scaled), which gives
// the pages their large-font texts.
#include "access_fixture.h"

namespace {

using namespace a11y;

void expectWhole(const std::string& window, QWidget* root, int* texts) {
    const std::vector<std::string> cut = cutTexts(root);
    *texts += static_cast<int>(placedTexts(root).size());
    for (const std::string& line : cut)
        ADD_FAILURE() << window << ": " << line;
}

// The strip's tabs in one font (a long caption once made its tab's smaller).
void expectOneTabFont(const std::string& window, QWidget* page) {
    const auto tabs = page->findChildren<widgets::CPageButton*>();
    for (widgets::CPageButton* tab : tabs)
        EXPECT_EQ(tab->captionFont(), tabs.front()->captionFont())
            << window << " tab " << tab->objectName().toStdString();
}

// The figures: a page's size with room for its texts, and the text that
// needed the most more room.
void reportRoom(const std::string& in, int k, widgets::PageWidget* page) {
    const QSize size = page->naturalSize();
    std::string largest = "none";
    int most = 0;
    for (const widgets::RoomGiven& g : page->roomGiven()) {
        const int extra = g.extra.width() + g.extra.height();
        if (extra <= most) continue;
        most = extra;
        largest = "'" + g.control.toStdString() + "' \"" + g.text.simplified().toStdString() +
                  "\" +" + std::to_string(g.extra.width()) + " x +" +
                  std::to_string(g.extra.height());
    }
    std::cout << "[room] " << in.substr(0, in.rfind(' ')) << ", page " << k << " ("
              << page->caption().toStdString() << "): " << size.width() << " x " << size.height()
              << ", most room: " << largest << "\n";
}

using RoomWalk = Walk;

TEST_F(RoomWalk, EveryTextIsShownWhole) {
    std::cout << "[room] large fonts: " << (widgets::largeFonts() ? "yes" : "no") << "\n";
    bool first = true;
    for (sim::Model model : {sim::Model::R70, sim::Model::R30}) {
        for (Theme theme : {Theme::Light, Theme::AdwaitaDark}) {
            const Case c{model, 0, theme};
            const bool started = first ? start(c) : restart(c);
            first = false;
            if (!started) {
                ADD_FAILURE() << "style " << themeName(theme) << " not installed (adwaita-qt6)";
                continue;
            }
            for (int language : {0, 1}) {
                win_->logic().setLanguage(language);
                const std::string in = std::string(model == sim::Model::R30 ? "R30 " : "R70 ") +
                                       themeName(theme) + (language == 1 ? " German" : " English");
                int texts = 0;
                forEachPage([&](int k, QWidget* page) {
                    expectWhole(in + ", page " + std::to_string(k), page, &texts);
                    if (language == 0) reportRoom(in, k, static_cast<widgets::PageWidget*>(page));
                    expectOneTabFont(in + ", page " + std::to_string(k), page);
                });
                forEachDialog([&](const std::string& name, QDialog& dialog) {
                    // Qt's own file dialog lays itself out.
                    if (name != "profile file") expectWhole(in + ", " + name, &dialog, &texts);
                });
                std::cout << "[room] " << in << ": " << texts << " texts\n";
            }
        }
    }
}

} // namespace
