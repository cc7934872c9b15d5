#pragma once
// Shown at start-up while no device answers: "Try again" (1540, default) or
// "Quit application" (1542), with the ports the search tried and why each
// gave nothing. exec() returns the identifier; the close box and Escape
// count as "Quit application", so closing the window never loops back into a search.

#include <QDialog>

#include <string>
#include <vector>

namespace quorvex::widgets {

class CNoResponseDlg : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTryAgain = 1540;
    static constexpr int kQuit = 1542;

    // tried: one line per port the search tried, with why nothing answered
    // there (shown below the message under "Ports tried:"; none: no list).
    explicit CNoResponseDlg(int language, QWidget* parent = nullptr,
                            const std::vector<std::string>& tried = {});

    static int ask(int language, QWidget* parent, const std::vector<std::string>& tried = {});

public slots:
    void reject() override;
};

} // namespace quorvex::widgets
