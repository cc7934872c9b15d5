// The four telephony page widgets, one realistic edit-and-send path each, on the
// R70 and the R30: what the user does in the widget lands on the simulated device.
#include "telwidgets_fixture.h"

#include "pages/telephony/accept_page_widget.h"
#include "pages/telephony/filter_page_widget.h"
#include "pages/telephony/forward_page_widget.h"
#include "pages/telephony/short_dial_page_widget.h"
#include "ui/drop_list_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::widgets;
using namespace telwidgets;

namespace {

template <typename T> T* find(QWidget& page, int id) {
    return page.findChild<T*>(QString::number(id));
}

// A control a model lacks is not there, or hidden.
bool absent(QWidget& page, int id) {
    QWidget* w = page.findChild<QWidget*>(QString::number(id));
    return w == nullptr || w->isHidden();
}

void showPage(QWidget& page) {
    page.show();
    QApplication::setActiveWindow(&page);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&page));
}

void typeInto(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace); // an empty field first
    QTest::keyClicks(edit, text);
}

using AcceptWidget = TelWidgets;

TEST_P(AcceptWidget, DropListChoiceAndLowerVolumeLandOnTheDevice) {
    AcceptPageWidget page(*app, host, model());
    page.logic().readDevice();
    ASSERT_EQ(reg("!P1#21") == "<unset>" ? 2 : std::stoi(reg("!P1#21")), page.page().value(2414));

    auto* mode = find<CDropList>(page, 2414); // port 21's acceptance mode
    ASSERT_NE(mode, nullptr);
    mode->menu()->actions().at(0)->trigger(); // "None"
    EXPECT_EQ(mode->faceText(), "None");
    EXPECT_TRUE(page.logic().hasUnsentChanges()); // at once, without leaving the control
    auto* lower = find<QCheckBox>(page, 2425);    // port 11's lower volume
    ASSERT_NE(lower, nullptr);
    const bool wasLower = lower->isChecked();
    lower->click();

    page.sendButton()->click();
    EXPECT_EQ(reg("!P1#21"), "0");
    EXPECT_EQ(reg("!P8#11"), wasLower ? "1" : "0"); // the device keeps "normal volume"
    EXPECT_FALSE(page.logic().hasUnsentChanges());
    ASSERT_EQ(sets().size(), 2u); // port by port: 11's volume, then 21's mode
    EXPECT_EQ(sets()[0].code, DRV_VOLUME);
    EXPECT_EQ(sets()[0].port, 11);
    EXPECT_EQ(sets()[1].code, DRV_ACCEPT);
    EXPECT_EQ(sets()[1].port, 21);
}

TEST_P(AcceptWidget, ShowsTheCachedMsnsNamesAndOnlyThePortsOfTheModel) {
    app->cache.analog[1].name = "Paul";
    AcceptPageWidget page(*app, host, model());
    page.logic().readDevice();
    auto* name = page.findChild<QLabel*>("name1");
    ASSERT_NE(name, nullptr);
    EXPECT_EQ(name->text(), "Paul");
    EXPECT_EQ(page.findChild<QLabel*>("name5")->text(), "\"data\"");
    EXPECT_EQ(name->palette().color(QPalette::WindowText), QColor(0, 0, 255));
    auto* list = page.findChild<QWidget*>("2406");
    ASSERT_NE(list, nullptr);
    for (int id : {2413, 2414, 2415, 2418, 2419, 2420, 2422, 2430, 2437, 2411, 2412, 1052})
        EXPECT_FALSE(absent(page, id)) << id;
    for (int id : {2416, 2417, 2423, 2424, 2428, 2429, 2433, 2434, 2438, 2439, 2409, 2410})
        EXPECT_EQ(absent(page, id), portCount() == 3) << id;
}

TEST_P(AcceptWidget, CallBackButtonAsksTheHostForTheDialog) {
    AcceptPageWidget page(*app, host, model());
    find<QPushButton>(page, 1052)->click();
    EXPECT_EQ(host.callbackDialogs, 1);
    EXPECT_TRUE(calls.empty()); // no device read
}

using ShortDialWidget = TelWidgets;

TEST_P(ShortDialWidget, APortNameTypedIsStoredAsItsStarCode) {
    app->cache.analog[1].name = "Paul"; // port 21
    ShortDialPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    auto* edit = find<QLineEdit>(page, 2553); // port 11, slot 3
    ASSERT_NE(edit, nullptr);
    typeInto(edit, "Paul");
    QTest::keyClick(edit, Qt::Key_Tab); // commit and move on
    EXPECT_EQ(QApplication::focusWidget(), find<QLineEdit>(page, 2554));
    EXPECT_EQ(page.page().entry(0, 3).stored(), "*21");
    EXPECT_EQ(edit->text(), "Paul");

    find<QCheckBox>(page, 2601)->click(); // special ring of port 21
    page.sendButton()->click();
    EXPECT_EQ(reg("!P10#11*3"), "*21");
    EXPECT_EQ(reg("!P11#21"), "1");
    EXPECT_EQ(edit->text(), "Paul");
    EXPECT_EQ(sets().size(), static_cast<std::size_t>(portCount() * 11)); // every item
    EXPECT_EQ(absent(page, 2580), portCount() == 3);
    EXPECT_EQ(absent(page, 2604), portCount() == 3);
}

TEST_P(ShortDialWidget, InvalidTypingSaysSoAndLeavingAnIncompleteEntryUndoesIt) {
    ShortDialPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    auto* edit = find<QLineEdit>(page, 2560); // port 21, slot 0
    QString said;
    whenModalIsUp(isMessageBox, [&](QWidget* box) {
        said = box->findChild<QLabel*>("qt_msgbox_label")->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    typeInto(edit, "12a");
    EXPECT_EQ(said, labelText(9000, 0));
    EXPECT_EQ(edit->text(), "");

    QApplication::setActiveWindow(&page); // back from the message box
    typeInto(edit, "*");
    find<QLineEdit>(page, 2561)->setFocus(Qt::MouseFocusReason); // leave the field
    EXPECT_EQ(edit->text(), "");
    EXPECT_FALSE(page.logic().hasUnsentChanges());
    EXPECT_TRUE(sets().empty());
}

using ForwardWidget = TelWidgets;

TEST_P(ForwardWidget, ATargetGoesWithItsButtonAndARefusalRevertsWithTheErrorStatus) {
    ForwardPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    EXPECT_EQ(page.sendButton(), nullptr);
    EXPECT_EQ(find<QLabel>(page, 2700)->text(), "4711"); // port 11's first MSN, in red
    EXPECT_EQ(find<QLabel>(page, 2702)->text(), "\"\"");
    // Red, as dark as it must be to read on the page.
    const QColor red = find<QLabel>(page, 2700)->palette().color(QPalette::WindowText);
    EXPECT_EQ(red.hslHue(), 0);
    EXPECT_GE(widgets::contrastRatio(red, page.palette().color(QPalette::Window)), 4.5);
    EXPECT_EQ(page.statusLine()->text(), labelText(6052, 0).trimmed());

    typeInto(find<QLineEdit>(page, 2720), "0301234"); // port 11 immediately
    find<QPushButton>(page, 2735)->click();
    EXPECT_EQ(reg("!P20#11"), "0301234");
    EXPECT_EQ(page.statusLine()->text(), labelText(6052, 0).trimmed());

    dev->setForwardingStatus(21, 22, 2); // port 21 if busy: not subscribed
    auto* busy = find<QLineEdit>(page, 2726);
    typeInto(busy, "555");
    find<QPushButton>(page, 2741)->click();
    EXPECT_EQ(page.statusLine()->text(), labelText(9008, 0).trimmed());
    EXPECT_EQ(busy->text(), "");
    EXPECT_EQ(reg("!P22#21"), "<unset>");
    EXPECT_TRUE(page.statusTimer()->isActive());

    clock.advance(4000);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return page.statusLine()->text() == labelText(6052, 0).trimmed(); }, 20000));
    EXPECT_FALSE(page.statusTimer()->isActive());
    EXPECT_EQ(absent(page, 2723), portCount() == 3);
    EXPECT_EQ(absent(page, 2749), portCount() == 3);
}

TEST_P(ForwardWidget, TypingForAPortWithoutMsnIsRefused) {
    ForwardPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    auto* field = find<QLineEdit>(page, 2722); // port 22 has no MSN
    QString said;
    whenModalIsUp(isMessageBox, [&](QWidget* box) {
        said = box->findChild<QLabel*>("qt_msgbox_label")->text();
        QTest::keyClick(box, Qt::Key_Return);
    });
    typeInto(field, "1");
    EXPECT_EQ(said, labelText(6294, 0) + " 22");
    EXPECT_EQ(field->text(), "");
}

TEST_P(ForwardWidget, ShowingThePageAgainShowsNamesAndMsnsChangedMeanwhile) {
    ForwardPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    page.hide();
    app->cache.analog[0].name = "Anna"; // renamed on the MSN page
    app->cache.analog[2].msn[0] = "4713";
    showPage(page);
    EXPECT_EQ(page.findChild<QLabel*>("name0")->text(), "Anna");
    EXPECT_EQ(find<QLabel>(page, 2702)->text(), "4713");
}

using FilterWidget = TelWidgets;

TEST_P(FilterWidget, AnEntryAndItsActivatedSwitchLandOnTheDevice) {
    FilterPageWidget page(*app, host, model());
    showPage(page);
    page.logic().readDevice();
    typeInto(find<QLineEdit>(page, 2812), "0891234"); // port 21, slot 2
    auto* active = find<QCheckBox>(page, 2861);
    ASSERT_NE(active, nullptr);
    const bool was = active->isChecked();
    active->click();
    typeInto(find<QLineEdit>(page, 2850), "0401"); // the data port's column stays on the R30
    page.sendButton()->click();
    EXPECT_EQ(reg("!P12#21*2"), "0891234");
    EXPECT_EQ(reg("!P13#21"), was ? "0" : "1");
    EXPECT_EQ(reg("\\F0"), "0401");
    EXPECT_EQ(sets().size(), 3u); // the changed items only
    EXPECT_FALSE(page.logic().hasUnsentChanges());
    EXPECT_EQ(absent(page, 2830), portCount() == 3);
    EXPECT_EQ(absent(page, 2864), portCount() == 3);
    EXPECT_FALSE(absent(page, 2865));
}

TEST_P(FilterWidget, EnterMovesDownTheColumnToItsSwitchThenToTheNextExistingColumn) {
    FilterPageWidget page(*app, host, model());
    showPage(page);
    auto* last = find<QLineEdit>(page, 2829);
    last->setFocus();
    QTest::keyClick(last, Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find<QCheckBox>(page, 2862)); // port 22's switch
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(QApplication::focusWidget(), find<QLineEdit>(page, portCount() == 3 ? 2850 : 2830));
    EXPECT_TRUE(page.isVisible());
}

INSTANTIATE_TEST_SUITE_P(Models, AcceptWidget, ::testing::Values(Model::R70, Model::R30),
                         modelName);
INSTANTIATE_TEST_SUITE_P(Models, ShortDialWidget, ::testing::Values(Model::R70, Model::R30),
                         modelName);
INSTANTIATE_TEST_SUITE_P(Models, ForwardWidget, ::testing::Values(Model::R70, Model::R30),
                         modelName);
INSTANTIATE_TEST_SUITE_P(Models, FilterWidget, ::testing::Values(Model::R70, Model::R30),
                         modelName);

} // namespace
