#pragma once
// Shown at start-up while no device answers: "Try again" (1540, default) or
// "Quit application" (1542). exec() returns the identifier; the close box and Escape
// count as "Quit application", so closing the window never loops back into a search.

#include <QDialog>

namespace quorvex::widgets {

class CNoResponseDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTryAgain = 1540;
    static constexpr int kQuit = 1542;

    explicit CNoResponseDlg(int language, QWidget* parent = nullptr);

    static int ask(int language, QWidget* parent);

public slots:
    void reject() override;
};

} // namespace quorvex::widgets
