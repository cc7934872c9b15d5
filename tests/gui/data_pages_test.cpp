// Edit and send through the data, LCR, charges and timer page widgets against
// the simulated device; relabelling in both languages.
#include "datawidgets_fixture.h"

#include "pages/data/bod_dlg.h"
#include "pages/data/charge_page_widget.h"
#include "pages/data/data_page_widget.h"
#include "pages/data/lcr_page_widget.h"
#include "pages/data/timer_page_widget.h"
#include "ui/qt_ui.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

namespace datawidgets_test {
namespace {

using namespace quorvex::widgets;

template <typename T = QWidget> T* child(QWidget* root, int id) {
    auto* w = root->findChild<T*>(QString::number(id));
    EXPECT_NE(w, nullptr) << "control " << id;
    return w;
}

// Types text into a field as the user would, replacing what it holds.
void typeInto(QLineEdit* edit, const QString& text) {
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
}

using DataPageWidget = SimFixture;

TEST_F(DataPageWidget, ProtocolChangeShowsItsControlsAndSendsFrameSize) {
    start(sim::Model::R70);
    widgets::DataPageWidget page(app, host);
    page.logic().readDevice();
    auto* protocol = child<QComboBox>(&page, data::kCtlProtocol);
    ASSERT_EQ(protocol->count(), 8);
    EXPECT_EQ(protocol->itemText(1), "V.120");
    EXPECT_EQ(protocol->currentIndex(), page.dataPage().settings().protocol.confirmed);

    protocol->setCurrentIndex(data::kV120);
    auto* frame = child<QLineEdit>(&page, data::kCtlV120FrameSize);
    EXPECT_FALSE(frame->isHidden());
    EXPECT_FALSE(child(&page, data::kCtlIFrame)->isHidden());
    EXPECT_TRUE(child(&page, data::kCtlMultiLinkPpp)->isHidden());
    EXPECT_TRUE(child(&page, data::kCtlHdlcFrameSize)->isHidden());
    EXPECT_TRUE(child(&page, data::kCtlX75FrameSize)->isHidden());

    // 300 is refused at its third digit: message 9044, the device value returns.
    QString shown;
    answerMessage(&shown);
    typeInto(frame, "300");
    EXPECT_TRUE(shown.startsWith("The V.120 frame size must be between 128 and 256"));
    EXPECT_EQ(frame->text(), QString::number(page.dataPage().settings().v120FrameSize.confirmed));

    typeInto(frame, "200");
    child<QRadioButton>(&page, data::kCtlIFrame)->click();
    EXPECT_TRUE(child<QRadioButton>(&page, data::kCtlIFrame)->isChecked());
    EXPECT_FALSE(child<QRadioButton>(&page, data::kCtlUiFrame)->isChecked());
    page.sendButton()->click();

    EXPECT_FALSE(page.logic().hasUnsentChanges());
    EXPECT_EQ(ask("AT%A2?"), "2"); // the device's number of V.120
    EXPECT_EQ(ask("AT%E0?"), "200");
    EXPECT_EQ(page.dataPage().settings().v120IFrame.confirmed, 1);

    // X.75: the shared field and its own label; HDLC: its field only.
    protocol->setCurrentIndex(data::kX75Transparent);
    EXPECT_FALSE(child(&page, data::kCtlX75FrameSize)->isHidden());
    EXPECT_FALSE(child(&page, data::kCtlX75TransparentFrameLabel)->isHidden());
    EXPECT_TRUE(child(&page, data::kCtlX75BtxFrameLabel)->isHidden());
    EXPECT_FALSE(child(&page, data::kCtlMultiLinkX75)->isHidden());
    EXPECT_TRUE(frame->isHidden());
}

TEST_F(DataPageWidget, MultiLinkAndBodShowTheirControlsAndBodThresholdsGoThroughTheDialog) {
    start(sim::Model::R70);
    widgets::DataPageWidget page(app, host);
    page.logic().readDevice();
    child<QComboBox>(&page, data::kCtlProtocol)->setCurrentIndex(data::kPpp);
    auto* multiLink = child<QCheckBox>(&page, data::kCtlMultiLinkPpp);
    if (multiLink->isChecked()) multiLink->click();
    EXPECT_TRUE(child(&page, data::kCtlBod)->isHidden());
    multiLink->click();
    EXPECT_FALSE(child(&page, data::kCtlBod)->isHidden());
    EXPECT_FALSE(child(&page, data::kCtlEidClass)->isHidden());
    auto* bod = child<QCheckBox>(&page, data::kCtlBod);
    if (bod->isChecked()) bod->click();
    EXPECT_TRUE(child(&page, data::kCtlBodConfig)->isHidden());
    bod->click();
    ASSERT_FALSE(child(&page, data::kCtlBodConfig)->isHidden());

    // EID class: the field and its example follow the class.
    auto* eidClass = child<QComboBox>(&page, data::kCtlEidClass);
    eidClass->setCurrentIndex(data::kEidIp);
    EXPECT_FALSE(child(&page, data::kCtlEidNumber)->isHidden());
    EXPECT_EQ(child<QLabel>(&page, data::kCtlEidExample)->text(), "e.g. 195.222.204.4");
    eidClass->setCurrentIndex(data::kEidNull);
    EXPECT_TRUE(child(&page, data::kCtlEidNumber)->isHidden());

    // The dialog: 65 is refused (9026), then high water 50 and low water 20, OK.
    QString refused;
    whenModalIsUp([&](QWidget* modal) {
        auto* dlg = qobject_cast<CBodDlg*>(modal);
        ASSERT_NE(dlg, nullptr);
        answerMessage(&refused);
        typeInto(dlg->field(data::BodField::HighWater), "65");
        EXPECT_EQ(dlg->field(data::BodField::HighWater)->text(),
                  QString::number(dlg->logic().opening().highWater));
        typeInto(dlg->field(data::BodField::HighWater), "50");
        typeInto(dlg->field(data::BodField::LowWater), "20");
        typeInto(dlg->field(data::BodField::HighDuration), "3");
        child<QPushButton>(dlg, CBodDlg::kOk)->click();
    });
    child<QPushButton>(&page, data::kCtlBodConfig)->click();
    EXPECT_TRUE(refused.startsWith("Please enter values between 0 and 64."));
    const data::BodValues device = {page.dataPage().settings().highWater.confirmed,
                                    page.dataPage().settings().lowWater.confirmed,
                                    page.dataPage().settings().highDuration.confirmed,
                                    page.dataPage().settings().lowDuration.confirmed};
    EXPECT_EQ(page.dataPage().bodValues(), (data::BodValues{50, 20, 3, device.lowDuration}));

    page.sendButton()->click();
    EXPECT_EQ(ask("AT%P7?"), "50");
    EXPECT_EQ(ask("AT%P9?"), "20");
    EXPECT_EQ(ask("AT%P8?"), "3");
    EXPECT_EQ(ask("AT%P0?"), "1"); // MultiLink PPP
    EXPECT_EQ(ask("AT%P6?"), "1"); // BOD
    EXPECT_FALSE(page.logic().hasUnsentChanges());
}

TEST(BodDialog, CancelGivesTheOpeningValuesAndOkPullsLowWaterDown) {
    const data::BodValues opening{45, 30, 2, 2};
    {
        CBodDlg dlg(opening, 0, false);
        typeInto(dlg.field(data::BodField::HighWater), "10");
        child<QPushButton>(&dlg, CBodDlg::kCancel)->click();
        EXPECT_EQ(dlg.values(), opening);
    }
    {
        CBodDlg dlg(opening, 1, false);
        EXPECT_EQ(dlg.windowTitle(), "BOD-Konfiguration");
        EXPECT_EQ(child<QPushButton>(&dlg, CBodDlg::kCancel)->text(), "Abbrechen");
        typeInto(dlg.field(data::BodField::HighWater), "20");
        QString shown;
        answerMessage(&shown);
        child<QPushButton>(&dlg, CBodDlg::kOk)->click();
        EXPECT_FALSE(shown.isEmpty()); // 9028 in German
        EXPECT_EQ(dlg.values(), (data::BodValues{20, 20, 2, 2}));
    }
}

using LcrPageWidget = SimFixture;

TEST_F(LcrPageWidget, BandTypedCheckedAndSent) {
    start(sim::Model::R70);
    widgets::LcrPageWidget page(app, host);
    page.show();
    QApplication::setActiveWindow(&page);
    page.logic().readDevice();
    namespace ctl = data::lcr_control;
    using data::BandField;
    // A till hour of 25 is refused at once; the field keeps its accepted "2".
    QString shown;
    answerMessage(&shown);
    auto* till = child<QLineEdit>(&page, ctl::band(0, BandField::Till));
    typeInto(till, "25");
    EXPECT_TRUE(shown.startsWith("All time periods should define durations"));
    EXPECT_EQ(till->text(), "2");
    // Band 1 18-24 and band 2 08-18 with a prefix each: the check sorts them.
    const struct {
        int row;
        const char *from, *till, *predial;
    } bands[] = {{0, "18", "24", "01013"}, {1, "08", "18", "01070"}};
    for (const auto& b : bands) {
        typeInto(child<QLineEdit>(&page, ctl::band(b.row, BandField::From)), b.from);
        typeInto(child<QLineEdit>(&page, ctl::band(b.row, BandField::Till)), b.till);
        auto* predial = child<QLineEdit>(&page, ctl::band(b.row, BandField::Predial));
        predial->setFocus();
        typeInto(predial, b.predial);
        QTest::keyClick(predial, Qt::Key_Tab); // leaves the field through the page
    }
    EXPECT_EQ(child<QLineEdit>(&page, ctl::band(1, BandField::Provider))->text(), "Arcor");
    EXPECT_EQ(child<QLineEdit>(&page, ctl::band(0, BandField::Provider))->text(), "Tele2");
    auto* active = child<QRadioButton>(&page, ctl::band(1, BandField::Active));
    const bool wasActive = active->isChecked();
    active->click();
    EXPECT_NE(active->isChecked(), wasActive);
    child<QCheckBox>(&page, ctl::kActivated)->click();

    page.sendButton()->click();
    EXPECT_FALSE(page.logic().hasUnsentChanges());
    EXPECT_EQ(child<QLineEdit>(&page, ctl::band(0, BandField::From))->text(), "08");
    EXPECT_EQ(child<QLineEdit>(&page, ctl::band(0, BandField::Provider))->text(), "Arcor");
    EXPECT_EQ(ask("AT\\D00?"), "08-18");
    EXPECT_EQ(ask("AT\\P00?"), "01070");
    EXPECT_EQ(ask("AT\\D01?"), "18-24");
    EXPECT_EQ(ask("AT\\P01?"), "01013");
    EXPECT_EQ(ask("AT&R00?"), wasActive ? "0" : "1");

    // Sat-Sun shows the other day type's rows.
    child<QRadioButton>(&page, ctl::kSatSun)->click();
    EXPECT_EQ(page.lcrPage().dayType(), 1);
    EXPECT_EQ(child<QLineEdit>(&page, ctl::band(0, BandField::From))->text(),
              QString::fromStdString(page.lcrPage().tables()[1].bands[0].from.edited));
}

// The page's own rules judge the length of a predial number and of an
// excluded range: a sixth digit reaches them (message 9010, 9018) instead of
// being cut off by the field.
TEST_F(LcrPageWidget, TooLongPredialAndRangeGetThePagesMessages) {
    start(sim::Model::R70);
    widgets::LcrPageWidget page(app, host);
    page.show();
    QApplication::setActiveWindow(&page);
    page.logic().readDevice();
    namespace ctl = data::lcr_control;
    using data::BandField;
    using data::RangeField;

    auto* predial = child<QLineEdit>(&page, ctl::band(0, BandField::Predial));
    const QString devicePredial = predial->text();
    QString shown;
    answerMessage(&shown);
    typeInto(predial, "010700");
    EXPECT_TRUE(shown.startsWith("The predial number of a telephone network provider"))
        << shown.toStdString();
    EXPECT_EQ(predial->text(), devicePredial); // back to the device value

    auto* to = child<QLineEdit>(&page, ctl::range(0, RangeField::To));
    shown.clear();
    answerMessage(&shown);
    typeInto(to, "013000");
    EXPECT_TRUE(shown.startsWith("Your exception range must begin with a \"0\""))
        << shown.toStdString();
    EXPECT_EQ(to->text(), "01300"); // the last accepted text
    EXPECT_FALSE(page.lcrPage().tables()[0].bands[0].predial.mark);
}

using ChargePageWidget = SimFixture;

TEST_F(ChargePageWidget, TimerTicksReadWhileShownAndPortClearReachesTheDevice) {
    start(sim::Model::R70);
    widgets::ChargePageWidget page(app, host);
    page.logic().readDevice();
    QTimer* timer = page.refreshTimer();
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 5000);
    auto* cell = page.findChild<QLabel*>("cell21"); // sum row, port 21
    ASSERT_NE(cell, nullptr);
    EXPECT_EQ(cell->text().toStdString(), page.chargePage().cellText(data::ChargeRowKind::Sum, 1));
    EXPECT_FALSE(cell->text().isEmpty());
    EXPECT_EQ(page.findChild<QLabel*>("name1")->text(), "\"21\"");

    // A tick reads all four figures again.
    timer->setInterval(20);
    timer->start();
    const auto before = dev->counters().commands;
    ASSERT_TRUE(waitServing([&] { return dev->counters().commands >= before + 4; }));

    // Paused (monitor mode): ticks come and read nothing.
    page.logic().pausePoll(true);
    QSignalSpy ticks(timer, &QTimer::timeout);
    ticks.wait(200); // lets a tick in flight finish
    const auto paused = dev->counters().commands;
    ticks.clear();
    ASSERT_TRUE(waitServing([&] { return ticks.count() >= 3; }));
    EXPECT_EQ(dev->counters().commands, paused);
    page.logic().pausePoll(false);

    // "Clear" under port 21: no question, the device's sum is gone.
    child<QPushButton>(&page, data::charge_control::kClearBase + 1)->click();
    EXPECT_EQ(cell->text().toStdString(), page.chargePage().currency() + " 0,00");
    EXPECT_EQ(dev->snapshot().charges[21].sumMills, 0);

    // The total asks; No sends nothing.
    page.logic().hidden();
    EXPECT_FALSE(timer->isActive());
    const auto beforeNo = dev->counters().commands;
    answerMessage(nullptr, QMessageBox::No);
    child<QPushButton>(&page, data::charge_control::kClearTotal)->click();
    EXPECT_EQ(dev->counters().commands, beforeNo);
}

TEST_F(ChargePageWidget, ThreePortModelHidesColumns31And32) {
    start(sim::Model::R30);
    widgets::ChargePageWidget page(app, host);
    page.logic().readDevice();
    for (int column : {3, 4}) {
        EXPECT_TRUE(child(&page, data::charge_control::kClearBase + column)->isHidden());
        EXPECT_TRUE(page.findChild<QLabel*>(QStringLiteral("cell2%1").arg(column))->isHidden());
        EXPECT_TRUE(page.findChild<QWidget*>(QStringLiteral("symbol%1").arg(column))->isHidden());
    }
    EXPECT_FALSE(child(&page, data::charge_control::kClearBase + 5)->isHidden());
    page.logic().hidden();
}

using TimerPageWidget = SimFixture;

TEST_F(TimerPageWidget, MorningCallTypedRewrittenAndSentAndClockSynchronised) {
    start(sim::Model::R70);
    widgets::TimerPageWidget page(app, host);
    page.timerPage().setWallClock([] { return data::DateTime{2031, 12, 24, 10, 20, 0}; });
    page.show();
    QApplication::setActiveWindow(&page);
    page.logic().readDevice();
    namespace ctl = data::timer_control;
    auto* time = child<QLineEdit>(&page, ctl::kTimeBase + 1); // port 21
    time->setFocus();
    typeInto(time, "8:5");
    QTest::keyClick(time, Qt::Key_Return);
    EXPECT_EQ(time->text(), "08:05");
    auto* box = child<QCheckBox>(&page, ctl::kActiveBase + 1);
    const bool wasOn = box->isChecked();
    box->click();

    // 24 is refused while typing (9020) and the device's time returns.
    QString shown;
    answerMessage(&shown);
    auto* other = child<QLineEdit>(&page, ctl::kTimeBase + 2);
    const QString before = other->text();
    typeInto(other, "24");
    EXPECT_TRUE(shown.startsWith("Error:"));
    EXPECT_EQ(other->text(), before);

    page.sendButton()->click();
    EXPECT_FALSE(page.logic().hasUnsentChanges());
    EXPECT_EQ(ask("AT!P18#21?"), "08:05");
    EXPECT_EQ(ask("AT!P19#21?"), wasOn ? "0" : "1");

    child<QPushButton>(&page, ctl::kSync)->click();
    EXPECT_EQ(ask("AT!T?").substr(0, 15), "24/12/2031 10:2");
}

TEST_F(TimerPageWidget, PastedUnreadableTimeGivesErrorFormatInEveryLanguage) {
    start(sim::Model::R30);
    widgets::TimerPageWidget page(app, host);
    page.show();
    QApplication::setActiveWindow(&page);
    page.logic().readDevice();
    EXPECT_TRUE(page.findChild<QWidget*>("group3")->isHidden());
    EXPECT_TRUE(page.findChild<QWidget*>("group4")->isHidden());
    EXPECT_FALSE(page.findChild<QWidget*>("group2")->isHidden());
    page.applyLanguage(1);
    auto* time = child<QLineEdit>(&page, data::timer_control::kTimeBase);
    const std::string device = page.timerPage().time(0).confirmed;
    time->setFocus();
    time->setText("7x"); // a paste: no keystrokes for the check while typing
    QString shown;
    answerMessage(&shown);
    QTest::keyClick(time, Qt::Key_Return);
    EXPECT_EQ(shown, "Error Format");
    EXPECT_EQ(time->text().toStdString(), device);
}

// ---- both languages ----

struct LabelCase {
    int page;
    const char* name; // objectName
    const char* english;
    const char* german;
};

const LabelCase kLabels[] = {
    {5, "2301", "Automatic Protocol Identification", "Automatische Protokollerkennung"},
    {5, "2305", "BOD configuration", "BOD-Einstellungen"},
    {5, "2322", "bytes", "Bytes"},
    {6, "1000", "LCR activated", "LCR aktiviert"},
    {6, "heading6084", "Time \n from -till", "Zeit \n von -bis"},
    {6, "6092", "Excluded phone numbers", "Ausgenommene Rufnummern"},
    {7, "1110", "Clear", "Löschen"},
    {7, "totalCaption", "Current total sum of TA:", "Aktuelle Gesamtsumme der TK-Anlage:"},
    {8, "1300", "Synchronize time now", "Uhrzeit jetzt abgleichen"},
    {8, "group0", "Morning call", "Weckzeit"},
};

QString textOf(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w)) return l->text();
    if (auto* b = qobject_cast<QAbstractButton*>(w)) return b->text();
    if (auto* g = qobject_cast<QGroupBox*>(w)) return g->title();
    return {};
}

using Languages = SimFixture;

TEST_F(Languages, EveryPageRelabelsBothWays) {
    std::unique_ptr<PageWidget> pages[] = {std::make_unique<widgets::DataPageWidget>(app, host),
                                           std::make_unique<widgets::LcrPageWidget>(app, host),
                                           std::make_unique<widgets::ChargePageWidget>(app, host),
                                           std::make_unique<widgets::TimerPageWidget>(app, host)};
    for (int lang : {1, 0}) {
        for (auto& p : pages)
            p->applyLanguage(lang);
        for (const LabelCase& c : kLabels) {
            PageWidget* p = pages[c.page - 5].get();
            auto* w = p->findChild<QWidget*>(c.name);
            ASSERT_NE(w, nullptr) << c.name;
            EXPECT_EQ(textOf(w), QString::fromUtf8(lang == 1 ? c.german : c.english)) << c.name;
        }
    }
    auto* protocol = pages[0]->findChild<QComboBox*>("2140");
    pages[0]->applyLanguage(1);
    EXPECT_EQ(protocol->itemText(0), "PPP (point-to-point protocol)");
    EXPECT_EQ(pages[0]->caption(), labelText(8510, 1));
    for (auto& p : pages)
        p->logic().hidden();
}

} // namespace
} // namespace datawidgets_test
