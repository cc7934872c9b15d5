#pragma once
// The question about unsent changes when a page is left: "Send to R30 / R70", "Discard
// Changes" or "Cancel". exec() returns the identifier of the button pressed (2154, 1053,
// 1054); the close box and Escape count as Cancel.

#include "ui/qt_ui.h"

#include <QDialog>

namespace quorvex::widgets {

class CDiscardDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kSend = 2154;
    static constexpr int kDiscard = 1053;
    static constexpr int kCancel = 1054;

    CDiscardDlg(int language, BeepFn beep = {}, QWidget* parent = nullptr);

    // Shows the dialog modally; the identifier of the button pressed.
    static int ask(int language, const BeepFn& beep, QWidget* parent);

public slots:
    void reject() override;

private:
    BeepFn beep_;
};

} // namespace quorvex::widgets
