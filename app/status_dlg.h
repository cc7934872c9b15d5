#pragma once
// The status window of a profile load or save (and later of the firmware
// upgrade): a line of text over a progress bar, modeless. Work runs on the GUI
// thread between the steps, so every change repaints the window at once.

#include <QDialog>

class QLabel;
class QProgressBar;

namespace quorvex::widgets {

class CStatusDlg : public QDialog {
    Q_OBJECT
public:
    explicit CStatusDlg(QWidget* parent = nullptr);

    void setText(const QString& text);
    void setRange(int maximum);
    void setPosition(int position);

    QString text() const;
    int position() const;
    int maximum() const;

    // Paints the window now (the event loop is not running while the work goes on).
    void repaintNow();

protected:
    void closeEvent(class QCloseEvent* event) override;

private:
    QLabel* text_ = nullptr;
    QProgressBar* bar_ = nullptr;
};

} // namespace quorvex::widgets
