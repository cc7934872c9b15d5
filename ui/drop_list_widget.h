#pragma once
// The selector of the call acceptance page: a face showing the chosen entry and an
// arrow button that opens a pop-up menu of the entries. Kinds: 0 caller-ID presentation,
// 1 acceptance mode, 2 ring delay. Picking an entry stores it, repaints and reports the
// control's identifier (the page then copies the selection into its edited value).
//
// The face shows the entry whole, as the menu does: the caller-ID entries ("(FSK)Send
// Phone Number") on two lines where one is too narrow for them (the table's short forms,
// "(FSK)Send.....", read as a text cut off); its room (TextRoom) is what its longest
// entry needs in either language.

#include "ui/text_room.h"

#include <QWidget>

class QMenu;

namespace quorvex::widgets {

class CDropList : public QWidget, public TextRoom {
    Q_OBJECT
public:
    enum Kind { CallerId = 0, AcceptanceMode = 1, RingDelay = 2 };

    static constexpr int kFirstCommand = 2000; // menu command of entry 0

    // id: the control identifier (also its objectName); selection: the entry shown.
    CDropList(int kind, int id, int selection, int language, bool largeFonts,
              QWidget* parent = nullptr);

    int kind() const { return kind_; }
    int id() const { return id_; }
    int count() const;

    // A value outside 0..count-1 (a damaged profile, say) shows and keeps entry 0.
    void setSelection(int selection);
    int selection() const { return selection_; }

    // Texts of the face and of the menu entries in the current language.
    QString faceText() const;
    QString menuText(int entry) const;
    QString menuText(int entry, int language) const;
    // The face text as drawn: broken into the lines the face shows.
    QString faceLines() const;
    // Where the face text is drawn, and in which font.
    QRect faceRect() const;
    QFont faceFont() const;

    // TextRoom: what the face lacks for the longest entry of either language.
    QSize roomLacking() const override;
    QString roomText() const override; // the widest entry

    void setLanguage(int language);
    int language() const { return language_; }

    QMenu* menu() const { return menu_; }
    // The arrow button's rectangle: 15 to 2 pixels left of the right edge, 2 inside
    // the top and bottom.
    QRect arrowRect() const;
    // Opens the menu below the control (as a click on the arrow does).
    void openMenu();

    QSize sizeHint() const override;

signals:
    // The user picked an entry; id is the control identifier.
    void selectionChanged(int id);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void rebuildMenu();
    void pick(int entry);

    int kind_;
    int id_;
    int selection_ = 0;
    int language_;
    bool largeFonts_;
    bool arrowDown_ = false;
    QMenu* menu_ = nullptr;
};

} // namespace quorvex::widgets
