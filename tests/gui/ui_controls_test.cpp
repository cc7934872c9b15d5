// Page-button strip, port symbol, drop list and menu bar: geometry, signals, the
// profile functions and the handling of values outside a control's table.
#include "app/menu_bar_widget.h"
#include "resources/literal_tables.h"
#include "ui/drop_list_widget.h"
#include "ui/page_button_widget.h"
#include "ui/port_symbol_widget.h"
#include "ui/qt_ui.h"
#include "ui/theme.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

using namespace quorvex::widgets;

namespace {

QString fromView(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

} // namespace

TEST(PageButtonStrip, TabsSitSideBySideAndClicksPostTheirCommands) {
    PageButtonStrip strip(0, 0, false);
    strip.show();
    EXPECT_EQ(strip.height(), 37);
    int left = 0;
    for (int k = 0; k < PageButtonStrip::kCount; ++k) {
        CPageButton* button = strip.button(k);
        ASSERT_NE(button, nullptr);
        EXPECT_EQ(button->geometry().left(), left) << "tab " << k;
        EXPECT_EQ(button->height(), 37);
        left += button->width();
        EXPECT_EQ(button->objectName(), QString::number(5000 + k));

        QSignalSpy posted(&strip, &PageButtonStrip::commandPosted);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 20));
        ASSERT_EQ(posted.count(), 1) << "tab " << k;
        EXPECT_EQ(posted.at(0).at(0).toInt(), 5000 + k);
    }
    EXPECT_EQ(strip.width(), left);
    EXPECT_EQ(strip.button(10), nullptr);
    EXPECT_EQ(strip.button(-1), nullptr);
}

// A tab keeps the width its template gives it while its captions fit; one too
// narrow takes room from tabs with room to spare, and the strip grows only by
// what they cannot give.
TEST(PageButtonStrip, ANarrowTabTakesRoomFromTheOthers) {
    for (bool large : {false, true}) {
        PageButtonStrip strip(0, 0, large);
        int lacking = 0;
        int spare = 0;
        for (int k = 0; k < PageButtonStrip::kCount; ++k) {
            CPageButton* tab = strip.button(k);
            const auto given = PageButtonStrip::kEdges[static_cast<std::size_t>(k) + 1] -
                               PageButtonStrip::kEdges[static_cast<std::size_t>(k)];
            int needed = 0;
            for (int language : {0, 1})
                needed = std::max(needed, tab->widthFor(tableText(6000 + 2 * k, language)));
            EXPECT_GE(tab->width(), needed) << "tab " << k << " large " << large;
            lacking += std::max(0, needed - given);
            spare += std::max(0, given - needed);
        }
        EXPECT_EQ(strip.width(), PageButtonStrip::kWidth + std::max(0, lacking - spare))
            << "large " << large;
    }
}

TEST(PageButtonStrip, RelabelsAndMovesTheFrontTab) {
    PageButtonStrip strip(0, 2, true);
    EXPECT_EQ(strip.button(8)->text(), QStringLiteral("Timer"));
    EXPECT_TRUE(strip.button(2)->isFront());
    strip.relabel(1);
    EXPECT_EQ(strip.button(8)->text(), QStringLiteral("Wecker"));
    EXPECT_EQ(strip.button(1)->text(), QStringLiteral("Rufannahme"));
    strip.setCurrent(8);
    for (int k = 0; k < PageButtonStrip::kCount; ++k)
        EXPECT_EQ(strip.button(k)->isFront(), k == 8) << "tab " << k;
    strip.setCurrent(42); // no such page: no tab in front
    for (int k = 0; k < PageButtonStrip::kCount; ++k)
        EXPECT_FALSE(strip.button(k)->isFront());
}

TEST(PageButtonStrip, EveryCaptionFitsItsTab) {
    for (bool large : {false, true}) {
        for (int language : {0, 1}) {
            PageButtonStrip strip(language, 0, large);
            for (int k = 0; k < PageButtonStrip::kCount; ++k) {
                CPageButton* button = strip.button(k);
                const int advance =
                    QFontMetrics(button->captionFont()).horizontalAdvance(button->shownText());
                EXPECT_LE(advance, button->width() - 6)
                    << "tab " << k << " language " << language << " large " << large;
            }
        }
    }
}

TEST(PortSymbol, ChoosingAPictureSavesItAtOnce) {
    std::vector<std::pair<int, int>> saved;
    CPortSymbol symbol(2, CPortSymbol::Analog, true, 0);
    symbol.setProfileFunctions([&](int index, int picture) { saved.emplace_back(index, picture); },
                               [](int) { return 0; });
    ASSERT_EQ(symbol.menu()->actions().size(), 15);
    QAction* third = symbol.menu()->findChild<QAction*>(QStringLiteral("303"));
    ASSERT_NE(third, nullptr);
    third->trigger();
    ASSERT_EQ(saved.size(), 1u);
    EXPECT_EQ(saved[0], std::make_pair(2, 3));
    EXPECT_EQ(symbol.picture(), 3);
    EXPECT_TRUE(third->isChecked());
}

TEST(PortSymbol, NumbersOutsideTheSetShowPictureZero) {
    struct Case {
        int kind;
        int number;
        int shown;
    };
    const Case cases[] = {
        {CPortSymbol::Analog, 99, 0},    {CPortSymbol::Analog, -1, 0},
        {CPortSymbol::Analog, 14, 14},   {CPortSymbol::Analog, 15, 0},
        {CPortSymbol::Data, 5, 5},       {CPortSymbol::Data, 6, 0},
        {CPortSymbol::DataMarker, 7, 0}, {CPortSymbol::Language, 2, 0},
        {CPortSymbol::Language, 1, 1},
    };
    for (const Case& c : cases) {
        CPortSymbol symbol(0, c.kind, false, 1);
        symbol.setProfileFunctions({}, [&](int) { return c.number; });
        symbol.reload();
        EXPECT_EQ(symbol.picture(), c.shown) << "kind " << c.kind << " number " << c.number;
        // Drawing it must not reach past the set either.
        EXPECT_FALSE(symbol.grab().isNull());
    }
}

TEST(PortSymbol, PictureNamesFollowKindAndLanguage) {
    CPortSymbol analog(0, CPortSymbol::AnalogMarker, false, 0);
    EXPECT_EQ(analog.pictureName(7), QStringLiteral("analog_en_07.svg"));
    analog.setLanguage(1);
    EXPECT_EQ(analog.pictureName(14), QStringLiteral("analog_de_14.svg"));
    EXPECT_EQ(analog.menu()->actions().size(), 15);
    CPortSymbol data(5, CPortSymbol::Data, true, 1);
    EXPECT_EQ(data.pictureName(5), QStringLiteral("data_de_05.svg"));
    EXPECT_EQ(data.menu()->actions().size(), 6);
    EXPECT_EQ(data.menu()->actions().front()->data().toInt(), 315);
    EXPECT_EQ(data.size(), QSize(72, 37));
}

TEST(PortSymbol, LanguageFlagSwitchesLanguageAndDoesNotSave) {
    int saves = 0;
    CPortSymbol flags(0, CPortSymbol::Language, true, 0);
    flags.setProfileFunctions([&](int, int) { ++saves; }, [](int) { return 0; });
    EXPECT_EQ(flags.size(), QSize(40 + 30, 26 + 5));
    QSignalSpy chosen(&flags, &CPortSymbol::languageChosen);
    flags.menu()->findChild<QAction*>(QStringLiteral("345"))->trigger();
    ASSERT_EQ(chosen.count(), 1);
    EXPECT_EQ(chosen.at(0).at(0).toInt(), 1);
    EXPECT_EQ(saves, 0);
}

TEST(PortSymbol, ReadOnlyIsDisabledAndThePickerOpensItsMenu) {
    CPortSymbol shown(1, CPortSymbol::Analog, false, 0);
    EXPECT_FALSE(shown.isEnabled());

    CPortSymbol picker(1, CPortSymbol::Analog, true, 0);
    picker.show();
    EXPECT_TRUE(picker.isEnabled());
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(20, 18)); // on the picture
    EXPECT_FALSE(picker.menu()->isVisible());
    QTest::mouseClick(&picker, Qt::LeftButton, {}, QPoint(60, 18)); // in the arrow area
    EXPECT_TRUE(picker.menu()->isVisible());
    picker.menu()->hide();
    QTest::mouseClick(&picker, Qt::RightButton, {}, QPoint(20, 18));
    EXPECT_TRUE(picker.menu()->isVisible());
    picker.menu()->hide();
}

// (The offscreen platform has no accessibility bridge, so the events that tell
// a screen reader of a change cannot be watched here; the name and value they
// carry can.)
TEST(PortSymbol, ThePickerIsADropDownTheKeyboardChoosesAndItsNameFollows) {
    std::vector<std::pair<int, int>> saved;
    CPortSymbol picker(1, CPortSymbol::Analog, true, 0);
    picker.setProfileFunctions([&](int index, int picture) { saved.emplace_back(index, picture); },
                               [](int) { return 0; });
    picker.show();
    QApplication::setActiveWindow(&picker);
    EXPECT_EQ(picker.focusPolicy(), Qt::StrongFocus);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&picker);
    ASSERT_NE(iface, nullptr);
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Name), "Port 21 device: Phone");

    picker.setFocus();
    QTest::keyClick(&picker, Qt::Key_Down);
    EXPECT_EQ(picker.picture(), 1);
    EXPECT_EQ(saved, (std::vector<std::pair<int, int>>{{1, 1}})); // written at once, as a click
    EXPECT_EQ(iface->text(QAccessible::Name), "Port 21 device: Cordless phone");
    EXPECT_EQ(iface->text(QAccessible::Value), "Cordless phone");
    QTest::keyClick(&picker, Qt::Key_Up);
    QTest::keyClick(&picker, Qt::Key_Up); // no picture before the first
    EXPECT_EQ(picker.picture(), 0);

    // Space opens the menu on the picture shown; its entries say what they show.
    QTest::keyClick(&picker, Qt::Key_Space);
    ASSERT_TRUE(picker.menu()->isVisible());
    EXPECT_EQ(picker.menu()->activeAction(), picker.menu()->actions().at(0));
    EXPECT_EQ(picker.menu()->actions().at(3)->text(), "Answering machine");
    QTest::keyClick(picker.menu(), Qt::Key_Down);
    QTest::keyClick(picker.menu(), Qt::Key_Return);
    EXPECT_EQ(picker.picture(), 1);

    picker.setLanguage(1);
    EXPECT_EQ(iface->text(QAccessible::Name),
              QString::fromUtf8("Anschluß 21 Gerät: Schnurlostelefon"));
}

TEST(PortSymbol, ReadOnlySymbolsArePicturesNamedWithTheirPortAndLine) {
    struct Case {
        int index;
        int kind;
        bool marker;
        int language;
        const char* name;
    };
    const Case cases[] = {
        {0, CPortSymbol::Analog, false, 0, "Port 11 device: Phone"},
        {5, CPortSymbol::Data, false, 0, "Data Port device: PC"},
        {4, CPortSymbol::AnalogMarker, true, 0, "Port 32 device: Phone, line busy"},
        {5, CPortSymbol::DataMarker, false, 1, "Datenanschluß Gerät: PC, Leitung frei"},
        {0, CPortSymbol::Language, false, 1, "Sprache: Englisch"},
    };
    for (const Case& c : cases) {
        CPortSymbol symbol(c.index, c.kind, c.kind == CPortSymbol::Language, c.language);
        symbol.setMarker(c.marker);
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&symbol);
        EXPECT_EQ(iface->text(QAccessible::Name), QString::fromUtf8(c.name));
        EXPECT_EQ(iface->role(),
                  c.kind == CPortSymbol::Language ? QAccessible::ComboBox : QAccessible::Graphic);
    }
}

TEST(DropList, UpAndDownStepThroughTheEntriesAndItsValueFollows) {
    CDropList drop(CDropList::CallerId, 2431, 0, 0, false);
    drop.resize(120, 20);
    drop.show();
    QSignalSpy changed(&drop, &CDropList::selectionChanged);
    QTest::keyClick(&drop, Qt::Key_Down);
    QTest::keyClick(&drop, Qt::Key_Down);
    QTest::keyClick(&drop, Qt::Key_Down); // no entry after the last
    EXPECT_EQ(drop.selection(), 2);
    EXPECT_EQ(changed.count(), 2);
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&drop);
    EXPECT_EQ(iface->role(), QAccessible::ComboBox);
    EXPECT_EQ(iface->text(QAccessible::Value), fromView(quorvex::literals::callerIdLongText(2, 0)));
}

TEST(DropList, ValuesOutsideTheTableShowTheFirstEntry) {
    struct Case {
        int kind;
        int value;
        int shown;
        const char* face;
    };
    const Case cases[] = {
        {CDropList::AcceptanceMode, 7, 0, "None"},
        {CDropList::AcceptanceMode, -3, 0, "None"},
        {CDropList::AcceptanceMode, 2, 2, "all Calls"},
        {CDropList::RingDelay, 9, 9, "9 ring"},
        {CDropList::RingDelay, 10, 0, "0 ring"},
        {CDropList::CallerId, 3, 0, "No Caller ID presentation"},
    };
    for (const Case& c : cases) {
        CDropList drop(c.kind, 2413, 0, 0, false);
        drop.resize(120, 20);
        drop.setSelection(c.value);
        EXPECT_EQ(drop.selection(), c.shown) << "kind " << c.kind << " value " << c.value;
        EXPECT_EQ(drop.faceText(), QString::fromUtf8(c.face));
        EXPECT_FALSE(drop.grab().isNull());
    }
}

// The face shows the entry whole, as the menu does (the table's short forms,
// "(FSK)Send.....", read as a text cut off): on two lines where one is too narrow.
TEST(DropList, CallerIdFaceShowsTheWholeEntryAndFollowsLanguage) {
    CDropList drop(CDropList::CallerId, 2430, 1, 0, false);
    EXPECT_EQ(drop.faceText(), fromView(quorvex::literals::callerIdLongText(1, 0)));
    EXPECT_EQ(drop.menu()->actions().at(1)->text(),
              fromView(quorvex::literals::callerIdLongText(1, 0)));
    drop.resize(300, 20);
    EXPECT_EQ(drop.faceLines(), QStringLiteral("(FSK)Send Phone Number"));
    drop.resize(100, 40);
    EXPECT_EQ(drop.faceLines(), QStringLiteral("(FSK)Send\nPhone Number"));
    drop.setLanguage(1);
    EXPECT_EQ(drop.faceText(), fromView(quorvex::literals::callerIdLongText(1, 1)));
    EXPECT_EQ(drop.menu()->actions().at(2)->text(),
              fromView(quorvex::literals::callerIdLongText(2, 1)));
    // Its room: every entry of both languages in two lines at most.
    drop.resize(drop.size() + drop.roomLacking());
    EXPECT_EQ(drop.roomLacking(), QSize(0, 0));
    const QFontMetrics fm(drop.faceFont());
    for (int language : {0, 1}) {
        drop.setLanguage(language);
        for (int entry = 0; entry < drop.count(); ++entry) {
            drop.setSelection(entry);
            const QStringList lines = drop.faceLines().split(QLatin1Char('\n'));
            EXPECT_LE(lines.size(), 2) << drop.faceText().toStdString();
            for (const QString& line : lines)
                EXPECT_LE(fm.horizontalAdvance(line), drop.faceRect().width())
                    << line.toStdString();
        }
    }
    CDropList delay(CDropList::RingDelay, 2435, 0, 1, false);
    EXPECT_EQ(delay.menu()->actions().size(), 10);
    EXPECT_EQ(delay.objectName(), QStringLiteral("2435"));
    delay.resize(40, 20);
    EXPECT_EQ(delay.faceLines(), QStringLiteral("0 x klingeln")) << "one line only";
    EXPECT_GT(delay.roomLacking().width(), 0);
}

TEST(DropList, PickingFromTheArrowMenuReportsTheControl) {
    CDropList drop(CDropList::AcceptanceMode, 2416, 0, 0, false);
    drop.resize(100, 20);
    drop.show();
    QSignalSpy changed(&drop, &CDropList::selectionChanged);

    QTest::mouseClick(&drop, Qt::LeftButton, {}, QPoint(10, 10)); // the face: no menu
    EXPECT_EQ(changed.count(), 0);

    bool menuWasOpen = false;
    QTimer::singleShot(0, &drop, [&] {
        menuWasOpen = drop.menu()->isVisible();
        drop.menu()->findChild<QAction*>(QStringLiteral("2002"))->trigger();
        drop.menu()->close();
    });
    QTest::mouseClick(&drop, Qt::LeftButton, {}, drop.arrowRect().center());
    EXPECT_TRUE(menuWasOpen);
    ASSERT_EQ(changed.count(), 1);
    EXPECT_EQ(changed.at(0).at(0).toInt(), 2416);
    EXPECT_EQ(drop.selection(), 2);
    EXPECT_EQ(drop.faceText(), QStringLiteral("all Calls"));
    EXPECT_EQ(drop.arrowRect(), QRect(QPoint(85, 2), QPoint(97, 17)));
}

TEST(Theme, AWantedColourStaysWhereItIsReadableElseMovesInItsHue) {
    struct Case {
        QColor wanted;
        QColor background;
        bool kept;
    };
    const Case cases[] = {
        {QColor(0, 0, 255), QColor(240, 240, 240), true},  // the port names on the pages
        {QColor(0, 0, 255), QColor(53, 53, 53), false},    // ... in a dark theme
        {QColor(0, 0, 255), QColor(0, 0, 0), false},       // ... and on black
        {QColor(255, 0, 0), QColor(240, 240, 240), false}, // pure red is too light on grey
        {QColor(192, 0, 0), QColor(240, 240, 240), true},
        {QColor(255, 255, 0), QColor(255, 255, 255), false},
    };
    EXPECT_NEAR(contrastRatio(Qt::black, Qt::white), 21.0, 1e-9);
    for (const Case& c : cases) {
        const QColor got = readableOn(c.wanted, c.background);
        EXPECT_EQ(got == c.wanted, c.kept)
            << c.wanted.name().toStdString() << " on " << c.background.name().toStdString();
        EXPECT_GE(contrastRatio(got, c.background), kMinimumContrast);
        if (c.wanted.hslSaturation() > 0 && got.hslSaturation() > 0) {
            EXPECT_EQ(got.hslHue(), c.wanted.hslHue());
        }
    }
}

TEST(Theme, WindowsAndColouredTextsFollowASwitchToADarkTheme) {
    const QPalette before = QApplication::palette();
    QWidget window;
    applyDialogColours(&window);
    auto* name = new QLabel(QStringLiteral("\"21\""), &window);
    setTextColour(name, kPortNameBlue);
    EXPECT_EQ(window.palette().color(QPalette::Window), kDialogBackground); // a light desktop
    EXPECT_EQ(name->palette().color(QPalette::WindowText), kPortNameBlue);

    QPalette dark(QColor(238, 238, 236), QColor(53, 53, 53));
    dark.setColor(QPalette::WindowText, QColor(238, 238, 236));
    QApplication::setPalette(dark);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.palette().color(QPalette::Window), QColor(53, 53, 53));
    const QColor blue = name->palette().color(QPalette::WindowText);
    EXPECT_EQ(blue.hslHue(), kPortNameBlue.hslHue());
    EXPECT_GE(contrastRatio(blue, QColor(53, 53, 53)), kMinimumContrast);

    QApplication::setPalette(before);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.palette().color(QPalette::Window), kDialogBackground);
    EXPECT_EQ(name->palette().color(QPalette::WindowText), kPortNameBlue);
}

TEST(MenuBar, CarriesTheCommandsInTheChosenLanguage) {
    QMenuBar bar;
    std::vector<int> commands;
    fillMenuBar(&bar, 1, [&](int command) { commands.push_back(command); });
    ASSERT_EQ(bar.actions().size(), 4);
    QAction* timer = findMenuAction(&bar, 5008);
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->text(), QStringLiteral("Wecker && Uhrzeit"));
    timer->trigger();
    findMenuAction(&bar, 2153)->trigger();
    EXPECT_EQ(commands, (std::vector<int>{5008, 2153}));
    fillMenuBar(&bar, 0, [&](int command) { commands.push_back(command); });
    EXPECT_EQ(bar.actions().size(), 4);
    EXPECT_EQ(findMenuAction(&bar, 5008)->text(), QStringLiteral("Timer"));
    EXPECT_EQ(findMenuAction(&bar, 4711), nullptr);
}
