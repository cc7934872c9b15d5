#pragma once
// Room for every text. The pages and most dialogs place their controls by the
// pixel, as their templates did, and a text may need more room than its
// template gave it: the other language, large fonts, a style with wider check
// boxes or buttons. makeRoom() gives it that room: a control whose text does
// not fit grows by what it lacks, and everything to the right of its middle
// (below its bottom edge) moves on by as much, so that columns and rows stay
// lined up: what spans that line grows with it (the column's other controls, a
// frame round them), and a picture keeps its place in it. Nothing shrinks, and
// the texts themselves never change: only the room does.

#include <QRect>
#include <QSize>
#include <QString>

#include <vector>

class QGroupBox;
class QWidget;

namespace quorvex::widgets {

// A control that draws its own text says how much room it lacks for the
// longest text it can show.
class TextRoom {
public:
    // How much wider and taller the control must be; (0, 0) when it is not short.
    virtual QSize roomLacking() const = 0;
    // The text that needs the room (for the figures).
    virtual QString roomText() const = 0;

protected:
    ~TextRoom() = default;
};

// How much wider and taller w must be to show its text whole (0 where it has
// room enough). Labels, check boxes, radio buttons, push and tool buttons,
// group box titles, combo boxes (their longest entry) and TextRoom controls;
// anything else has no text of its own to fit.
QSize roomLacking(const QWidget* w);

// The room one control was given: its identifier, its text, how much.
struct RoomGiven {
    QString control;
    QString text;
    QSize extra;
};

// Makes room in area (a page's content, a dialog placed by the pixel) until
// every control in it shows its text whole, and returns how much further
// right and down its controls now reach. Controls a layout places are left
// to it. given, when set, learns what each control was given.
QSize makeRoom(QWidget* area, std::vector<RoomGiven>* given = nullptr);

// Where a group box's style draws its title (box coordinates).
QRect groupTitleRect(const QGroupBox* box);

// The lower right corner of what area's controls cover (area coordinates).
QSize reachOf(QWidget* area);

// A control that is hidden now but shown at other times (a setting a page
// shows only with some protocols): its text gets room too.
void keepRoomWhileHidden(QWidget* w);

// A window placed by the pixel with a fixed size: room for its texts, and
// the window grows by what its controls need more.
void growToTexts(QWidget* window);

// ---- room on the screen ----

// Kept free where the platform does not tell the screen's available area
// (Wayland, a bare X server): a panel (Weston's and GNOME's are 32 px high),
// and before a window is first shown, its title bar and borders.
inline constexpr int kUnknownPanel = 48;
inline constexpr int kUnknownTitleBar = 40;
inline constexpr int kUnknownBorder = 4;

// The largest size window may have on its screen: the available area less
// its frame (title bar, borders; drawn by the program itself where the
// compositor draws none).
QSize screenRoom(const QWidget* window);

// From now on every dialog larger than its screen's room is made to fit: one
// that may be resized is, and the controls of one placed by the pixel go on
// a sheet that scrolls (the focus is always brought into view). Installed
// once, for the whole program.
void keepDialogsOnScreen();

} // namespace quorvex::widgets
