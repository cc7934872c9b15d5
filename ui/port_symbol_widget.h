#pragma once
// The port symbol: a small picture telling what is connected to a port (analog
// telephone set, data device) or, in its two-picture variant, the language flag. On the
// MSN page it is a picker (arrow area, pop-up menu of pictures); everywhere else it only
// shows the picture and is disabled.
//
// The picker is a control like a drop-down list: Tab reaches it (a frame shows the
// focus), the arrow keys choose the previous or next picture, Space, F4 or Alt+Down
// open the menu. Assistive technology sees a drop-down named after the port and the
// device ("Port 21 device: Phone"), told of every change; a read-only symbol is a
// picture of that name (on the monitor with the line state).
//
// The choice is kept in the default profile (key "PORTIDX<index>" of MSN_DIV). The
// control does not touch files itself: the owner gives it a load and a save function.
//
// Picker faces: the 48 x 32 pictures drawn at (7, 1) would reach into the arrow area
// (which starts 22 pixels left of the right edge), so the picker draws them scaled to fit
// in front of it, keeping their shape (42 x 28 on a 72-pixel control). The read-only
// face draws them at (17, 1) in full size.

#include <QWidget>

#include <functional>

class QMenu;
class QStyle;

namespace quorvex::widgets {

class CPortSymbol : public QWidget {
    Q_OBJECT
public:
    enum Kind {
        Analog = 0,       // 15 pictures of analog devices
        Data = 1,         // 6 pictures of data devices
        Language = 2,     // the two flags; a choice switches the language
        AnalogMarker = 3, // analog, with the line-state marker
        DataMarker = 4,   // data, with the line-state marker
    };

    using SaveFn = std::function<void(int index, int picture)>;
    using LoadFn = std::function<int(int index)>;

    static constexpr int kWidth = 72;
    static constexpr int kHeight = 37;
    static constexpr int kArrowArea = 22; // from the right edge

    // index: position in the page's row (0-4 analog ports, 5 the data port).
    CPortSymbol(int index, int kind, bool picker, int language, QWidget* parent = nullptr);
    ~CPortSymbol() override;

    int index() const { return index_; }
    int kind() const { return kind_; }
    bool isPicker() const { return picker_; }

    // Number of pictures in the control's set (15, 6 or 2) and the first menu command
    // of the set (300, 315, 344).
    int pictureCount() const;
    int firstCommand() const;

    // The picture shown. A number outside the set shows picture 0.
    void setPicture(int picture);
    int picture() const { return picture_; }

    // The picture's resource name for a picture number in this control's set.
    QString pictureName(int picture) const;
    // What the picture shown means, in the control's language ("Phone", "English").
    QString pictureText() const;

    // Where the choice is kept. Without a save function a choice is only shown.
    void setProfileFunctions(SaveFn save, LoadFn load);
    // Reload the picture number through the load function (symbol reload).
    void reload();

    // Rebuild the menu and the face for a language (0 English, 1 German).
    void setLanguage(int language);
    int language() const { return language_; }

    // Line-state marker of kinds 3 and 4.
    void setMarker(bool on);
    bool marker() const { return marker_; }

    // The pop-up menu of pictures (actions carry their command as objectName and data).
    QMenu* menu() const { return menu_; }
    // Opens the menu at a point of the control, or below it (the keyboard's way).
    void openMenu(const QPoint& at);
    void openMenuBelow();

signals:
    // Kind 2: the user picked a flag; language is the picture number (0 English, 1 German).
    void languageChosen(int language);
    // Any kind: the user picked a picture.
    void pictureChosen(int picture);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuildMenu();
    void choose(int picture);
    void updateName();
    int pictureTextId(int picture) const;
    QRect pictureRect() const;

    int index_;
    int kind_;
    bool picker_;
    int language_;
    int picture_ = 0;
    bool marker_ = false;
    SaveFn save_;
    LoadFn load_;
    QMenu* menu_ = nullptr;
    QStyle* menuStyle_ = nullptr;
    QString announced_; // the picture's meaning assistive technology was told last
};

} // namespace quorvex::widgets
