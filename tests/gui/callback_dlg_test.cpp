// The data callback dialog against the simulated device: it opens on the main
// window's values (read first from the menu, as they are from the acceptance
// page's button), refuses non-digits while typing and sends only what changed.
#include "telwidgets_fixture.h"

#include "app/main_window_logic.h"
#include "app/maintenance_dlg.h"
#include "maintenance/callback_dlg.h"
#include "support/recording_page.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace quorvex;
using namespace quorvex::widgets;
using namespace telwidgets;

namespace {

bool isCallbackDialog(QWidget* w) {
    return w->objectName() == "callbackDialog";
}

QLineEdit* numberField(QWidget* dlg, int i) {
    return dlg->findChild<QLineEdit*>(QString::number(2301 + i));
}

class CallbackWidget : public TelWidgets {
protected:
    void SetUp() override {
        TelWidgets::SetUp();
        if (HasFatalFailure()) return;
        factory = std::make_unique<test::RecordingPageFactory>(*app, ui);
        mainWindow = std::make_unique<app::MainWindowLogic>(*app, ui, *factory);
    }
    test::ScriptedUi ui;
    std::unique_ptr<test::RecordingPageFactory> factory;
    std::unique_ptr<app::MainWindowLogic> mainWindow;
};

TEST_P(CallbackWidget, SendsOnlyTheChangedNumber) {
    dev->query("AT\\B1=0201111");
    int result = 0;
    whenModalIsUp(isCallbackDialog, [](QWidget* dlg) {
        EXPECT_EQ(dlg->windowTitle(), "Data callback");
        EXPECT_EQ(numberField(dlg, 1)->text(), "0201111"); // read from the device first
        QLineEdit* third = numberField(dlg, 3);
        third->setFocus();
        QTest::keyClicks(third, "0401234");
        dlg->findChild<QPushButton*>("2154")->click();
    });
    result = runCallbackDialog(*app, *mainWindow, true, nullptr);
    EXPECT_EQ(result, 2154);
    ASSERT_EQ(sets().size(), 1u);
    EXPECT_EQ(sets()[0].code, DRV_CALLBACKNUM);
    EXPECT_EQ(sets()[0].index, 3);
    EXPECT_EQ(reg("\\B3"), "0401234");
    EXPECT_EQ(mainWindow->callback().numbers[3].confirmed, "0401234");
}

TEST_P(CallbackWidget, ALetterIsRefusedAndCancelSendsNothing) {
    QString said;
    QString afterRefusal;
    whenModalIsUp(isCallbackDialog, [&](QWidget* dlg) {
        QLineEdit* field = numberField(dlg, 0);
        field->setFocus();
        QTest::keyClicks(field, "12");
        whenModalIsUp(isMessageBox, [&](QWidget* box) {
            said = box->findChild<QLabel*>("qt_msgbox_label")->text();
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClicks(field, "a");
        afterRefusal = field->text();
        dlg->findChild<QCheckBox*>("2300")->click();
        dlg->findChild<QPushButton*>("2")->click();
    });
    EXPECT_EQ(runCallbackDialog(*app, *mainWindow, false, nullptr), 2);
    EXPECT_EQ(said, labelText(9002, 0));
    EXPECT_EQ(afterRefusal, "12");
    EXPECT_TRUE(calls.empty()); // no read (the acceptance page's way) and nothing sent
}

TEST_P(CallbackWidget, GermanTexts) {
    app->language = 1;
    CCallbackDlg dlg(*app, mainWindow->callback());
    EXPECT_EQ(dlg.windowTitle(), labelText(8522, 1));
    EXPECT_EQ(dlg.findChild<QPushButton*>("2")->text(), tableText(6160, 1));
    EXPECT_EQ(dlg.findChild<QCheckBox*>("2300")->text(), tableText(6172, 1));
}

INSTANTIATE_TEST_SUITE_P(Models, CallbackWidget, ::testing::Values(Model::R70, Model::R30),
                         modelName);

} // namespace
