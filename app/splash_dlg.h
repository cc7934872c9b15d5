#pragma once
// The borderless picture window shown while the program starts, and again as the about
// box with a "Credit" button. The about box closes on a click anywhere outside the
// button; "Credit" shows the credits and then closes the about box too.

#include <QAbstractButton>
#include <QDialog>

namespace quorvex::widgets {

// The "Credit" button: a picture button (objectName "1052").
class CCreditButton : public QAbstractButton {
    Q_OBJECT
public:
    explicit CCreditButton(QWidget* parent = nullptr);
    QSize sizeHint() const override;
    // Its name for assistive technology in language.
    void setLanguage(int language);

protected:
    void paintEvent(QPaintEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

class CSplashDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kButtonGap = 3; // between the picture and the button

    // aboutBox false: the splash window; true: the about box with its "Credit" button.
    CSplashDlg(bool aboutBox, int language, QWidget* parent = nullptr);

    bool isAboutBox() const { return aboutBox_; }
    CCreditButton* creditButton() const { return credit_; }

    // The window's size: the picture + 16 x 14, and in the about box the button's
    // height + 3 more.
    static QSize windowSize(bool aboutBox);

signals:
    // The credits dialog has been shown and closed (the about box then closes).
    void creditsShown();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    void showCredits();

    bool aboutBox_;
    int language_;
    CCreditButton* credit_ = nullptr;
};

// The credits: a notice, three lists of contributors (texts 6202-6205, the same in
// both languages), the artwork along the bottom, OK.
class CCreditsDlg : public QDialog {
    Q_OBJECT
public:
    CCreditsDlg(int language, QWidget* parent = nullptr);
};

} // namespace quorvex::widgets
