#pragma once
// The hidden option --drive FILE: the program does what FILE says, step by
// step, through its own windows, and writes what it saw into FILE.out. It is
// how a test drives the installed program where nothing outside the program
// can reach its controls (the Windows program under Wine: its controls are
// no windows of the system's). The steps act as the user does: a menu item's
// action, keys typed into a field, a button's click, a combo box's choice.
//
// One step a line (blank lines and lines starting with # are skipped):
//   wait NAME        until the active modal window is NAME: its objectName
//                    (CSettingsDlg) or a class it is (QMessageBox)
//   menu COMMAND     the menu item COMMAND (5013: "Settings...")
//   click ID         the button ID clicked
//   type ID TEXT     ID takes the focus, its text is selected, and TEXT (the
//                    rest of the line, any characters) is typed key by key
//   key ID KEY       one key to ID: Return, Tab, Up, Down, Escape, Space
//   choose ID TEXT   the item of combo box ID that begins with TEXT, chosen
//   show ID...       "ID: text" for each control (a combo box: its items,
//                    "|" between them, "*" before the current one)
//   caption          the main window's caption
//   menus            the menu bar: each menu's title and items
//   message          waits for a message box, writes its text (a line break
//                    as \n), presses its default button
//   shot FILE        the active window as the screen shows it, frame and
//                    all, into FILE (PNG)
//   ready            the wall clock (ms since 1970) and the widget style
// ID: the objectName of a control of the active modal window, else of the
// page in front, else of the main window. Every step but wait first waits
// until no modal window is open unless it acts on one, and no command or page
// read is pending or running. A step that cannot be done within five minutes
// writes "FAIL line N: ..." and ends the program with status 3.

#include <QElapsedTimer>
#include <QFile>
#include <QObject>
#include <QString>
#include <QStringList>

#include <vector>

class QWidget;

namespace quorvex::widgets {

class CMainWnd;

class DriveScript : public QObject {
public:
    struct Step {
        int line = 0;
        QString verb;
        QStringList args; // split at blanks
        QString rest;     // everything after the first argument
    };

    // Reads FILE; error() says why it could not be read or parsed.
    DriveScript(CMainWnd& win, const QString& file);

    const QString& error() const { return error_; }
    // Starts the steps; they run from the event loop, also inside modal windows.
    void start();

private:
    void poll();
    bool ready(const Step& step);
    void act(const Step& step);
    QWidget* context() const;
    QWidget* control(const QString& id) const;
    void write(const QString& line);
    [[noreturn]] void fail(const Step& step, const QString& why);

    CMainWnd& win_;
    std::vector<Step> steps_;
    std::size_t next_ = 0;
    QElapsedTimer waiting_;
    QFile out_;
    QString error_;
};

} // namespace quorvex::widgets
