// Every text of every page and dialog keeps a contrast of at least 4.5:1 to
// what it is drawn on, in a dark palette (both models, both languages) and in
// the light, high-contrast and GNOME Adwaita themes, in the window in front
// and in one behind another.
#include "access_fixture.h"

namespace {

using namespace a11y;
using ContrastWalk = ProgramWalk;

// A glyph's pixels blend with the background at its edges; its full ones do not.
constexpr double kTolerance = 0.02;

// In front and behind another window: styles draw an inactive window in the
// palette's inactive colours, fainter in some themes (dark Adwaita).
void expectReadable(const std::string& window, QWidget* root) {
    int texts = 0;
    for (bool active : {true, false}) {
        for (const Contrast& c : contrasts(root, active)) {
            ++texts;
            EXPECT_GE(c.ratio, quorvex::widgets::kMinimumContrast - kTolerance)
                << window << (active ? "" : " (not in front)") << ": " << c.describe();
        }
    }
    std::cout << "[contrast] " << window << ": " << texts << " texts\n";
}

TEST_P(ContrastWalk, EveryTextOfEveryPage) {
    start();
    forEachPage([](int k, QWidget* page) { expectReadable("page " + std::to_string(k), page); });
}

TEST_P(ContrastWalk, EveryTextOfEveryDialog) {
    start();
    forEachDialog([](const std::string& name, QDialog& dialog) {
        // Qt's own file dialog (on the desktop the desktop's) draws as its style says.
        if (name != "profile file") expectReadable(name, &dialog);
    });
}

INSTANTIATE_TEST_SUITE_P(
    Themes, ContrastWalk,
    testing::Values(Case{sim::Model::R70, 0, Theme::Dark}, Case{sim::Model::R70, 1, Theme::Dark},
                    Case{sim::Model::R30, 0, Theme::Dark}, Case{sim::Model::R30, 1, Theme::Dark},
                    Case{sim::Model::R70, 0, Theme::Light}, Case{sim::Model::R30, 1, Theme::Light},
                    Case{sim::Model::R70, 0, Theme::HighContrast},
                    Case{sim::Model::R30, 1, Theme::HighContrast},
                    Case{sim::Model::R70, 0, Theme::AdwaitaDark},
                    Case{sim::Model::R30, 1, Theme::AdwaitaDark},
                    Case{sim::Model::R70, 1, Theme::AdwaitaHighContrastInverse}),
    caseName);

} // namespace
