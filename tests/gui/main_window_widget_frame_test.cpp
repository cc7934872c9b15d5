// The page frame: strip, Send and help buttons, the PageUi calls, leaving through
// may-leave, Enter and Tab, the language switch and the placeholder page.
#include "app/page_factory_widget.h"
#include "support/app_fixture.h"
#include "support/qt_modal.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"
#include "ui/page_button_widget.h"
#include "ui/page_widget.h"

#include <QAccessible>
#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include <gtest/gtest.h>

using namespace quorvex;
using namespace quorvex::widgets;

namespace {

using testsupport::whenModalIsUp;

void clickButton(QWidget* dialog, int id) {
    auto* b = dialog->findChild<QAbstractButton*>(QString::number(id));
    ASSERT_NE(b, nullptr) << "button " << id;
    b->click();
}

// A page with two fields and a check box over a RecordingPage.
class TwoFieldPage final : public PageWidget {
public:
    TwoFieldPage(core::CConfigApp& app, core::PageHost& host, std::vector<std::string>& log)
        : PageWidget(app, host, 1, SendButton::Yes), logic_(app, *this, host, 1, 70, log) {
        first = new QLineEdit(content());
        first->setObjectName("100");
        first->setGeometry(10, 10, 100, 20);
        second = new QLineEdit(content());
        second->setObjectName("101");
        second->setGeometry(10, 40, 100, 20);
        connect(first, &QLineEdit::textChanged, this, [this] { ++userEdits; });
    }
    core::Page& logic() override { return logic_; }
    void order(const std::vector<QWidget*>& controls) { setReadingOrder(controls); }
    test::RecordingPage logic_;
    QLineEdit* first;
    QLineEdit* second;
    int userEdits = 0;
    int relabels = 0;
    int rejected = 0; // a field the logic sets back and keeps the focus on
    std::vector<int> entered;

protected:
    void refreshControls() override { first->setText("filled"); }
    void relabel(int) override { ++relabels; }
    bool enterOrTab(int id) override {
        entered.push_back(id);
        if (id == rejected) focus(id);
        return PageWidget::enterOrTab(id);
    }
};

struct Fixture : ::testing::Test, test::AppFixture {
    test::RecordingHost host;
    std::vector<std::string> log;
};

using PageFrame = Fixture;

TEST_F(PageFrame, LaysOutStripSendAndHelp) {
    TwoFieldPage page(app, host, log);
    ASSERT_NE(page.strip(), nullptr);
    // As wide as the template, or as the strip where its tabs need more.
    EXPECT_EQ(page.width(), std::max(620, page.strip()->width()));
    EXPECT_EQ(page.strip()->current(), 1);
    EXPECT_EQ(page.strip()->geometry().topLeft(), QPoint(0, 0));
    EXPECT_EQ(page.strip()->height(), 37);
    ASSERT_NE(page.sendButton(), nullptr);
    QRect send = page.sendButton()->geometry();
    EXPECT_EQ(send.center().x(), page.width() / 2 - 1 + (send.width() % 2));
    EXPECT_EQ(page.height() - (send.y() + send.height()), 10);
    QRect help = page.helpButton()->geometry();
    EXPECT_EQ(page.width() - help.x(), 23);
    EXPECT_EQ(page.height() - help.y(), 21);
    EXPECT_EQ(page.sendButton()->text(), "Send to R30 / R70");
    EXPECT_EQ(page.caption(), "Call acceptance");
}

TEST_F(PageFrame, RefreshBlocksSignalsSoFillingIsNoUserEdit) {
    TwoFieldPage page(app, host, log);
    page.refresh();
    EXPECT_EQ(page.first->text(), "filled");
    EXPECT_EQ(page.userEdits, 0);
    page.first->setText("typed");
    EXPECT_EQ(page.userEdits, 1);
}

TEST_F(PageFrame, OwnTabDoesNothingOtherTabAsksMayLeaveThenPosts) {
    TwoFieldPage page(app, host, log);
    page.leaveTo(5001); // the page's own tab
    EXPECT_TRUE(host.posted.empty());
    page.logic_.dirty = true;
    whenModalIsUp([](QWidget* dlg) { clickButton(dlg, 1054); }); // Cancel
    page.leaveTo(5003);
    EXPECT_TRUE(host.posted.empty());
    EXPECT_TRUE(page.logic_.dirty);
    whenModalIsUp([](QWidget* dlg) { clickButton(dlg, 1053); }); // Discard
    page.strip()->button(3)->click();
    EXPECT_EQ(host.posted, std::vector<int>{5003});
    EXPECT_FALSE(page.logic_.dirty);
    // The field is committed before the question.
    ASSERT_GE(log.size(), 2u);
    EXPECT_EQ(log[log.size() - 2], "p1:accept");
    EXPECT_EQ(log.back(), "p1:discard");
}

TEST_F(PageFrame, EnterAndTabCommitAndMoveOnWithoutClosing) {
    TwoFieldPage page(app, host, log);
    page.show();
    QApplication::setActiveWindow(&page);
    page.first->setFocus();
    QTest::keyClick(page.first, Qt::Key_Return);
    ASSERT_EQ(page.entered.size(), 1u);
    EXPECT_EQ(page.entered[0], 100);
    EXPECT_TRUE(page.isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    ASSERT_EQ(page.entered.size(), 2u);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    EXPECT_TRUE(page.isVisible());
}

TEST_F(PageFrame, TabFollowsTheReadingOrderAndARejectedFieldKeepsTheFocus) {
    TwoFieldPage page(app, host, log);
    page.order({page.second, page.first}); // not the order they were made in
    page.show();
    QApplication::setActiveWindow(&page);
    page.second->setFocus();
    std::vector<QString> stops;
    for (int i = 0; i < 5; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        stops.push_back(QApplication::focusWidget()->objectName());
    }
    // On through Send and help, round to the page's own tab and back in.
    EXPECT_EQ(stops, (std::vector<QString>{"100", "2154", "57670", "5001", "101"}));
    page.rejected = 101;
    QTest::keyClick(page.second, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), page.second);
}

TEST_F(PageFrame, TheTabsAreOneStopTheArrowsMoveAmongThemAndEnterOpens) {
    TwoFieldPage page(app, host, log);
    page.show();
    QApplication::setActiveWindow(&page);
    CPageButton* own = page.strip()->button(1);
    EXPECT_EQ(own->focusPolicy(), Qt::TabFocus);
    EXPECT_EQ(page.strip()->button(2)->focusPolicy(), Qt::NoFocus);
    own->setFocus();
    QTest::keyClick(own, Qt::Key_Right);
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    EXPECT_EQ(QApplication::focusWidget(), page.strip()->button(3));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    EXPECT_EQ(host.posted, std::vector<int>{5003});
    QAccessibleInterface* tab = QAccessible::queryAccessibleInterface(own);
    EXPECT_EQ(tab->role(), QAccessible::PageTab);
    EXPECT_TRUE(tab->state().selected);
    EXPECT_EQ(tab->text(QAccessible::Name), "Call Acceptance");
}

TEST_F(PageFrame, LanguageRelabelsFrameAndPage) {
    TwoFieldPage page(app, host, log);
    QString caption;
    QObject::connect(&page, &PageWidget::captionChanged, [&](const QString& c) { caption = c; });
    page.applyLanguage(1);
    EXPECT_EQ(page.sendButton()->text(), "Einstellungen senden");
    EXPECT_EQ(page.relabels, 1);
    EXPECT_EQ(caption, page.caption());
    EXPECT_NE(caption, "Call acceptance");
    EXPECT_EQ(page.helpButton()->accessibleName(), "Hilfe");
}

TEST_F(PageFrame, FocusByControlId) {
    TwoFieldPage page(app, host, log);
    page.show();
    QApplication::setActiveWindow(&page);
    page.focus(101);
    EXPECT_EQ(QApplication::focusWidget(), page.second);
    page.focus(4711); // no such control: nothing happens
    EXPECT_EQ(QApplication::focusWidget(), page.second);
}

TEST_F(PageFrame, HelpButtonOpensTheInfoBoxWithThePagesTexts) {
    TwoFieldPage page(app, host, log);
    QString shownCaption;
    whenModalIsUp([&](QWidget* dlg) {
        shownCaption = dlg->windowTitle();
        clickButton(dlg, 1);
    });
    page.helpButton()->click();
    EXPECT_EQ(shownCaption, "OrvaISDN:Call acceptance");
}

TEST_F(PageFrame, PlaceholderSaysLaterVersionInBothLanguagesAndMayBeLeft) {
    PlaceholderPageWidget page(app, host, 7);
    EXPECT_EQ(page.sendButton(), nullptr);
    auto* notice = page.findChild<QLabel*>("placeholderNotice");
    ASSERT_NE(notice, nullptr);
    EXPECT_EQ(notice->text(), "This page comes in a later version of this program.");
    page.applyLanguage(1);
    EXPECT_EQ(notice->text(), PlaceholderPageWidget::notice(1));
    EXPECT_EQ(page.logic().mayLeave(), 1);
    page.leaveTo(5000);
    EXPECT_EQ(host.posted, std::vector<int>{5000});
    EXPECT_EQ(drv.calls().size(), 0u);
}

TEST_F(PageFrame, FactoryHandleOwnsTheWidget) {
    QStackedWidget stack;
    WidgetPageFactory factory(app, &stack);
    std::unique_ptr<core::Page> handle = factory.createPage(9, 70, host);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(stack.count(), 1);
    ASSERT_NE(factory.widget(9), nullptr);
    handle->language(1);
    EXPECT_EQ(factory.widget(9)->language(), 1);
    handle.reset();
    EXPECT_EQ(factory.widget(9), nullptr);
    EXPECT_EQ(stack.count(), 0);
}

} // namespace
