#pragma once
// The strip of ten page buttons along the top of every page and of the main window:
// index tabs drawn on the dialog background, the current page's tab in front. A click
// on tab k posts command 5000 + k (the page or main window decides what that means;
// the tab of the page already shown posts it too, and the page ignores it).
//
// From the keyboard the strip is one Tab stop, the current page's tab; the arrow
// keys (and Home, End) move among the tabs, Enter or Space opens the page of the
// tab that has the focus. Assistive technology sees page tabs, the current one
// selected.

#include <QAbstractButton>
#include <QWidget>

#include <array>

namespace quorvex::widgets {

// One tab. objectName: its command ("5000" .. "5009").
class CPageButton : public QAbstractButton {
    Q_OBJECT
public:
    CPageButton(int index, QWidget* parent = nullptr);

    int index() const { return index_; }
    int command() const { return 5000 + index_; }

    // Front (pressed): the tab of the page shown now.
    void setFront(bool front);
    bool isFront() const { return front_; }

    void setLargeFonts(bool large);

    QSize sizeHint() const override;

    // The caption as drawn ("&&" shown as "&") and its font (the button font: the
    // strip makes every tab wide enough for it).
    QString shownText() const;
    QFont captionFont() const;
    // The width the tab needs for a caption: the text and a gap to either edge.
    int widthFor(const QString& caption) const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    int index_;
    bool front_ = false;
    bool largeFonts_ = false;
};

class PageButtonStrip : public QWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 37;
    static constexpr int kWidth = 620;
    static constexpr int kCount = 10;
    // Left and right pixel edges of the ten tabs, where their captions fit them.
    static constexpr std::array<int, kCount + 1> kEdges = {0,   48,  159, 224, 301, 364,
                                                           414, 463, 519, 577, 620};

    // A tab too narrow for its caption in either language takes the room it
    // needs from tabs that have room to spare, and the strip grows beyond
    // kWidth only when they have too little.

    PageButtonStrip(int language, int currentIndex, bool largeFonts, QWidget* parent = nullptr);

    // Texts 6000 + 2k + language.
    void relabel(int language);
    // Puts tab index in front (an index outside 0..9 leaves every tab behind).
    void setCurrent(int index);
    int current() const { return current_; }

    CPageButton* button(int index) const;

signals:
    // 5000 + index of the tab clicked.
    void commandPosted(int command);

private:
    void placeTabs();

    std::array<CPageButton*, kCount> buttons_{};
    int current_ = -1;
};

} // namespace quorvex::widgets
