#pragma once
// What every window of the desktop program shares: the dialog colours, the large-font
// decision, texts from the table as Qt strings, the pictures, message boxes, the beep
// and the wait cursor. Qt only; no device logic.

#include <QColor>
#include <QFont>
#include <QPixmap>
#include <QString>

#include <functional>
#include <string_view>

class QMessageBox;
class QObject;
class QPainter;
class QRectF;
class QWidget;

namespace quorvex::core {
class CConfigApp;
}

namespace quorvex::widgets {

// Runs work from the event loop once no long device exchange owns the line
// (a profile load or save, the monitor's line-state read: the heartbeat is
// suspended). Their windows keep painting, and events run then, but the
// program's own posted work waits: it is looked at again every kIdleRetryMs.
inline constexpr int kIdleRetryMs = 50;
void postWhenIdle(QObject* context, const core::CConfigApp& app, std::function<void()> work);

// Called before a dialog shows or a dialog button acts when the sound switch is on.
// An empty function means sound is off.
using BeepFn = std::function<void()>;

// The system default beep.
void systemBeep();

// A beep function for a sound switch: systemBeep when on, empty when off.
BeepFn beepFor(bool soundOn);

// Every dialog: RGB(240,240,240) with black text where the desktop's palette is a
// light one; with a dark or high-contrast palette the palette's own colours
// (ui/theme.h). Follows a theme switch.
inline const QColor kDialogBackground{240, 240, 240};
inline const QColor kDialogText{0, 0, 0};
void applyDialogColours(QWidget* widget);

// The screen uses large fonts when its logical resolution is 120 dots per inch or more.
bool largeFonts();

// A sans-serif font of the given character height in pixels.
QFont pixelFont(int pixels, bool bold = false, bool underline = false);

// The font of the page buttons: 12 px with large fonts, else 11 px bold.
QFont buttonFont(bool large);

// The dialog font: 13 px with large fonts, else 11 px.
QFont dialogFont(bool large);

// Text id + language from the table, as a Qt string (for button and menu captions,
// where "&&" already means a literal ampersand).
QString tableText(int id, int language);

// A table text for a plain-text label: "&&" becomes the "&" the user should see.
QString labelText(std::string_view text);
QString labelText(int id, int language);

// The application title shown in captions.
inline const QString kAppCaption = QStringLiteral("OrvaISDN");

// Pictures from the resource file (":/pictures/<name>"). An unknown name draws nothing
// and gives a null pixmap, so a missing picture never takes the program down.
bool pictureExists(const QString& name);
QSize pictureSize(const QString& name);
void drawPicture(QPainter& painter, const QRectF& target, const QString& name);
QPixmap picturePixmap(const QString& name, QSize size = {});

// A message box as the program shows it: plain text, the focus shown.
void prepareMessageBox(QMessageBox& box);

// Plain message box with OK; beeps first when beep is set.
void showMessage(QWidget* parent, const QString& text, const BeepFn& beep = {},
                 const QString& caption = kAppCaption);

// Yes/No question; true for Yes.
bool askYesNo(QWidget* parent, const QString& text, const BeepFn& beep = {},
              const QString& caption = kAppCaption);

// The same with a table text (id + language), "&&" shown as "&".
void showMessage(QWidget* parent, int textId, int language, const BeepFn& beep = {});
bool askYesNo(QWidget* parent, int textId, int language, const BeepFn& beep = {});

// The wait cursor for the life of the guard.
class BusyCursor {
public:
    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

// The wait cursor behind PageUi::setBusy: counted, so nested busy spells
// restore the cursor only when the outermost ends; what is still set when the
// owner goes away is restored then.
class BusyCursorDepth {
public:
    BusyCursorDepth() = default;
    ~BusyCursorDepth();
    BusyCursorDepth(const BusyCursorDepth&) = delete;
    BusyCursorDepth& operator=(const BusyCursorDepth&) = delete;
    void set(bool on);

private:
    int depth_ = 0;
};

} // namespace quorvex::widgets
