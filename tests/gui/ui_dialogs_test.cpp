// The dialogs: what each returns for each button, captions, beeps, and the splash and
// about box sizes.
#include "app/my_file_dlg.h"
#include "app/no_response_dlg.h"
#include "app/splash_dlg.h"
#include "resources/text_table.h"
#include "support/qt_modal.h"
#include "ui/discard_dlg.h"
#include "ui/info_dlg.h"
#include "ui/qt_ui.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace quorvex::widgets;

namespace {

using testsupport::whenModalIsUp;

} // namespace

TEST(DiscardDlg, EachButtonClosesWithItsIdAndBeeps) {
    for (int id : {CDiscardDlg::kSend, CDiscardDlg::kDiscard, CDiscardDlg::kCancel}) {
        int beeps = 0;
        CDiscardDlg dialog(0, [&] { ++beeps; });
        dialog.show();
        auto* button = dialog.findChild<QPushButton*>(QString::number(id));
        ASSERT_NE(button, nullptr) << id;
        button->click();
        EXPECT_EQ(dialog.result(), id);
        EXPECT_EQ(beeps, 1) << id;
        EXPECT_FALSE(dialog.isVisible());
    }
}

TEST(DiscardDlg, CloseBoxMeansCancelAndExecReturnsTheId) {
    CDiscardDlg closed(1);
    closed.show();
    closed.reject();
    EXPECT_EQ(closed.result(), CDiscardDlg::kCancel);

    whenModalIsUp(
        [](QWidget* modal) { modal->findChild<QPushButton*>(QStringLiteral("1053"))->click(); });
    EXPECT_EQ(CDiscardDlg::ask(1, {}, nullptr), CDiscardDlg::kDiscard);
}

TEST(DiscardDlg, ShowsTheTableTexts) {
    CDiscardDlg dialog(1);
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("2154"))->text(), tableText(6036, 1));
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("1053"))->text(),
              QStringLiteral("Einstellungen verwerfen"));
    bool found = false;
    for (QLabel* label : dialog.findChildren<QLabel*>())
        found = found || label->text() == labelText(6230, 1);
    EXPECT_TRUE(found);
}

TEST(InfoDlg, CaptionBodyAndBeep) {
    int beeps = 0;
    CInfoDlg dialog(6182, 8500, 0, [&] { ++beeps; });
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("OrvaISDN:") + tableText(8500, 0));
    // "&&" in the table is one ampersand on screen.
    EXPECT_EQ(dialog.body()->text(), QStringLiteral("Saving & closing the profile..."));
    EXPECT_EQ(beeps, 0);
    dialog.show();
    EXPECT_EQ(beeps, 1);
    dialog.hide();
    dialog.show();
    EXPECT_EQ(beeps, 1);

    CInfoDlg german(7000, 8500, 1);
    EXPECT_EQ(german.windowTitle(), QStringLiteral("OrvaISDN:MSNs zuordnen"));
    EXPECT_TRUE(german.body()->text().startsWith(QStringLiteral("MSN steht")));
    EXPECT_TRUE(german.body()->wordWrap());
}

TEST(NoResponseDlg, ButtonsAndCloseBox) {
    for (int id : {CNoResponseDlg::kTryAgain, CNoResponseDlg::kQuit}) {
        CNoResponseDlg dialog(0);
        dialog.show();
        dialog.findChild<QPushButton*>(QString::number(id))->click();
        EXPECT_EQ(dialog.result(), id);
    }
    CNoResponseDlg dialog(1);
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("OrvaISDN"));
    EXPECT_TRUE(dialog.findChild<QPushButton*>(QStringLiteral("1540"))->isDefault());
    EXPECT_EQ(dialog.findChild<QPushButton*>(QStringLiteral("1540"))->text(),
              QStringLiteral("Weiter"));
    EXPECT_EQ(dialog.findChild<QLabel*>(QStringLiteral("8552"))->text(),
              QStringLiteral("Anschlüsse prüfen!"));
    dialog.show();
    dialog.reject();
    EXPECT_EQ(dialog.result(), CNoResponseDlg::kQuit);
}

TEST(SplashDlg, AboutBoxIsTallerByTheButtonAndThreePixels) {
    CSplashDlg splash(false, 0);
    CSplashDlg about(true, 0);
    const QSize picture = pictureSize(QStringLiteral("splash.svg"));
    ASSERT_TRUE(picture.isValid());
    EXPECT_EQ(splash.size(), picture + QSize(16, 14));
    EXPECT_EQ(splash.findChild<QWidget*>(QStringLiteral("1052")), nullptr);
    ASSERT_NE(about.creditButton(), nullptr);
    EXPECT_EQ(about.creditButton()->objectName(), QStringLiteral("1052"));
    EXPECT_EQ(about.height(), splash.height() + about.creditButton()->height() + 3);
    EXPECT_EQ(about.width(), splash.width());
    EXPECT_TRUE(splash.rect().contains(about.creditButton()->geometry()) ||
                about.rect().contains(about.creditButton()->geometry()));
}

TEST(SplashDlg, AboutBoxClosesOnAClickOutsideTheButton) {
    CSplashDlg about(true, 0);
    about.show();
    QSignalSpy credits(&about, &CSplashDlg::creditsShown);
    QTest::mouseClick(&about, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_FALSE(about.isVisible());
    EXPECT_EQ(credits.count(), 0);

    CSplashDlg splash(false, 0);
    splash.show();
    QTest::mouseClick(&splash, Qt::LeftButton, {}, QPoint(40, 40));
    EXPECT_TRUE(splash.isVisible());
}

TEST(SplashDlg, CreditShowsTheCreditsThenClosesTheAboutBox) {
    CSplashDlg about(true, 0);
    about.show();
    QSignalSpy credits(&about, &CSplashDlg::creditsShown);
    QString seen;
    whenModalIsUp([&seen](QWidget* modal) {
        seen = modal->objectName();
        modal->findChild<QPushButton*>(QStringLiteral("1"))->click();
    });
    QTest::mouseClick(about.creditButton(), Qt::LeftButton);
    EXPECT_EQ(seen, QStringLiteral("CCreditsDlg"));
    EXPECT_EQ(credits.count(), 1);
    EXPECT_FALSE(about.isVisible());
}

TEST(CreditsDlg, ShowsTheFourBlocks) {
    CCreditsDlg credits(1);
    for (int id = 1529; id <= 1532; ++id) {
        auto* block = credits.findChild<QLabel*>(QString::number(id));
        ASSERT_NE(block, nullptr) << id;
        EXPECT_EQ(block->text(), labelText(quorvex::text::get(6202 + (id - 1529), 0)));
        EXPECT_FALSE(block->text().isEmpty()) << id;
    }
}

TEST(MyFileDlg, ProfileDialogSettings) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    CMyFileDlg load(CMyFileDlg::Mode::Load, home.path(), 0);
    EXPECT_EQ(load.acceptMode(), QFileDialog::AcceptOpen);
    EXPECT_EQ(load.fileMode(), QFileDialog::ExistingFile);
    EXPECT_EQ(load.nameFilters(),
              (QStringList{QStringLiteral("ProFiles (*.pro)"), QStringLiteral("All Files (*)")}));
    EXPECT_EQ(load.defaultSuffix(), QStringLiteral("pro"));
    EXPECT_EQ(QDir(load.directory()).canonicalPath(), QDir(home.path()).canonicalPath());
    EXPECT_EQ(load.windowTitle(), QStringLiteral("Load Profile..."));

    CMyFileDlg save(CMyFileDlg::Mode::Save, home.path(), 1);
    EXPECT_EQ(save.acceptMode(), QFileDialog::AcceptSave);
    EXPECT_FALSE(save.testOption(QFileDialog::DontConfirmOverwrite));
    EXPECT_EQ(save.windowTitle(), QStringLiteral("Profil sichern als..."));
}

TEST(MyFileDlg, ReturnsThePathChosenOrNothing) {
    QTemporaryDir home;
    ASSERT_TRUE(home.isValid());
    const QString profile = home.filePath(QStringLiteral("default.pro"));
    QFile file(profile);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    whenModalIsUp([](QWidget* modal) { QMetaObject::invokeMethod(modal, "accept"); });
    const auto chosen = CMyFileDlg::askLoad(home.path(), 0, nullptr);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(QFileInfo(*chosen).canonicalFilePath(), QFileInfo(profile).canonicalFilePath());

    whenModalIsUp([](QWidget* modal) { QMetaObject::invokeMethod(modal, "reject"); });
    EXPECT_FALSE(CMyFileDlg::askSave(home.path(), 0, nullptr).has_value());
}

TEST(LabelText, DoubleAmpersandsBecomeOne) {
    EXPECT_EQ(labelText(std::string_view("Short dial && Special Ring")),
              QStringLiteral("Short dial & Special Ring"));
    EXPECT_EQ(labelText(std::string_view("a && b && c")), QStringLiteral("a & b & c"));
    EXPECT_EQ(labelText(std::string_view("")), QString());
}
