#pragma once
// The check of the device (Help, "Check the device..."): a progress bar while
// every query runs, then the summary and a button to save the report. The
// main window pauses the page's polling and the heartbeat around it.

#include "check/device_check.h"

#include <QDialog>

class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;

namespace quorvex::widgets {

class CCheckDlg : public QDialog {
    Q_OBJECT
public:
    CCheckDlg(core::CConfigApp& app, QWidget* parent = nullptr);

    // Runs the check, painting the progress; then shows the summary.
    void runCheck();
    const check::CheckRun& result() const { return run_; }
    QString summary() const;
    // Writes the report into path; tells the user how it went.
    bool saveReport(const QString& path);

protected:
    // The check runs to its end: closing waits for it.
    void reject() override;

private:
    void askSave();

    core::CConfigApp& app_;
    check::CheckRun run_;
    bool ran_ = false;
    bool running_ = false;
    QProgressBar* bar_ = nullptr;
    QPlainTextEdit* summary_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* close_ = nullptr;
};

// Opens the dialog and runs the check.
void runCheckDialog(core::CConfigApp& app, QWidget* parent);

} // namespace quorvex::widgets
