// Page-button strip, port symbol, drop list and menu bar: geometry, signals, the
// profile functions and the handling of values outside a control's table.
#include "app/menu_bar_widget.h"
#include "resources/literal_tables.h"
#include "ui/drop_list_widget.h"
#include "ui/page_button_widget.h"
#include "ui/port_symbol_widget.h"

#include <QAction>
#include <QFontMetrics>
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

TEST(PageButtonStrip, TabsSitAtTheirEdgesAndClicksPostTheirCommands) {
    PageButtonStrip strip(0, 0, false);
    strip.show();
    EXPECT_EQ(strip.size(), QSize(620, 37));
    for (int k = 0; k < PageButtonStrip::kCount; ++k) {
        CPageButton* button = strip.button(k);
        ASSERT_NE(button, nullptr);
        const int left = PageButtonStrip::kEdges[static_cast<std::size_t>(k)];
        const int right = PageButtonStrip::kEdges[static_cast<std::size_t>(k) + 1];
        EXPECT_EQ(button->geometry(), QRect(left, 0, right - left, 37)) << "tab " << k;
        EXPECT_EQ(button->objectName(), QString::number(5000 + k));

        QSignalSpy posted(&strip, &PageButtonStrip::commandPosted);
        QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(button->width() / 2, 20));
        ASSERT_EQ(posted.count(), 1) << "tab " << k;
        EXPECT_EQ(posted.at(0).at(0).toInt(), 5000 + k);
    }
    EXPECT_EQ(strip.button(10), nullptr);
    EXPECT_EQ(strip.button(-1), nullptr);
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
        {CDropList::CallerId, 3, 0, "No Caller ID....."},
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

TEST(DropList, CallerIdFaceIsShortMenuIsLongAndFollowsLanguage) {
    CDropList drop(CDropList::CallerId, 2430, 1, 0, false);
    EXPECT_EQ(drop.faceText(), fromView(quorvex::literals::callerIdShortText(1, 0)));
    EXPECT_EQ(drop.menu()->actions().at(1)->text(),
              fromView(quorvex::literals::callerIdLongText(1, 0)));
    drop.setLanguage(1);
    EXPECT_EQ(drop.faceText(), fromView(quorvex::literals::callerIdShortText(1, 1)));
    EXPECT_EQ(drop.menu()->actions().at(2)->text(),
              fromView(quorvex::literals::callerIdLongText(2, 1)));
    CDropList delay(CDropList::RingDelay, 2435, 0, 1, false);
    EXPECT_EQ(delay.menu()->actions().size(), 10);
    EXPECT_EQ(delay.objectName(), QStringLiteral("2435"));
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
