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

INSTANTIATE_TEST_SUITE_P(Access, AccessWalk,
                         testing::Values(Case{sim::Model::R70, 0, Theme::Light},
                                         Case{sim::Model::R70, 1, Theme::Light},
                                         Case{sim::Model::R30, 0, Theme::Light},
                                         Case{sim::Model::R30, 1, Theme::Light}),
                         caseName);

} // namespace
