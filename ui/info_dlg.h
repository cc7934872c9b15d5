#pragma once
// The information dialog of the help items and the pages' help buttons: caption
// "OrvaISDN:" and the title text, the artwork at the top left, the body text
// word-wrapped below it, OK. Beeps as it opens when sound is on.

#include "ui/qt_ui.h"

#include <QDialog>

class QLabel;

namespace quorvex::widgets {

class CInfoDlg : public QDialog {
    Q_OBJECT
public:
    // bodyId and titleId are English text identifiers; the language is added.
    CInfoDlg(int bodyId, int titleId, int language, BeepFn beep = {}, QWidget* parent = nullptr);

    static QString caption(int titleId, int language);

    QLabel* body() const { return body_; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QLabel* body_ = nullptr;
    BeepFn beep_;
    bool beeped_ = false;
};

} // namespace quorvex::widgets
