#pragma once
// The firmware upgrade's windows: CUpgradeDlg ("Installing an upgrade",
// command 5014), which runs maintenance::FirmwareUpgrade and is its
// UpgradeUi (file dialog, confirmation, messages, progress panel), and
// CFirmwareInfoDlg ("Firmware Info"), which shows the device and the chosen
// file side by side before anything is sent.

#include "maintenance/upgrade.h"

#include <QDialog>

#include <functional>

#include <optional>
#include <string>

class QLabel;
class QProgressBar;
class QPushButton;
class QWidget;

namespace quorvex::widgets {

// "Firmware Info": heading 6198 with the device's three lines, heading 6200
// with the file's; "Install Upgrade" (1053) or "Cancel" (2).
class CFirmwareInfoDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kInstall = 1053;
    static constexpr int kCancel = 2;

    CFirmwareInfoDlg(const maintenance::FirmwareComparison& comparison, int language,
                     QWidget* parent = nullptr);
    // kInstall or kCancel (also for the close box and Escape).
    int ask();
};

class CUpgradeDlg final : public QDialog, public maintenance::UpgradeUi {
    Q_OBJECT
public:
    static constexpr int kUpgradeButton = 5014;
    static constexpr int kExitButton = 2153;
    static constexpr int kHeaderControl = 1496;
    static constexpr int kFirstChip = 1485; // 1485-1493
    static constexpr int kChipCount = 9;
    static constexpr int kHelpBody = 7022;
    static constexpr int kTitle = 8520; // "Installing an upgrade"

    CUpgradeDlg(core::CConfigApp& app, maintenance::UpgradeHost& host, QWidget* parent = nullptr);
    ~CUpgradeDlg() override;

    // Button 5014: the whole upgrade; the dialog then ends with 1 (success) or 2.
    void startUpgrade();
    bool running() const { return running_; }

    QWidget* progressPanel() const { return panel_; }
    QProgressBar* progressBar() const { return bar_; }

    // Who picks the file: the Qt file dialog (fileDialog) unless replaced
    // (tests answer without a file system dialog).
    using FileChooser =
        std::function<std::optional<std::string>(const maintenance::FileDialogSpec&)>;
    void setFileChooser(FileChooser chooser) { chooser_ = std::move(chooser); }
    // The open-file dialog: the spec's filter and extension, an existing file required.
    std::optional<std::string> fileDialog(const maintenance::FileDialogSpec& spec);

    // "RomFile (*.r70)|*.r70|AllFiles (*.*)|*.*||" as Qt's "RomFile (*.r70);;AllFiles (*.*)".
    static QString qtFilter(const std::string& windowsFilter);

    // ---- UpgradeUi ----
    std::optional<std::string> askFirmwareFile(const maintenance::FileDialogSpec& spec) override;
    bool confirmFirmware(const maintenance::FirmwareComparison& comparison) override;
    void message(int textId) override;
    void unconfirmedSettings(const std::vector<std::string>& items) override;
    void beep() override;
    void showProgressPanel(bool shown) override;
    void progressCaption(int textId) override;
    void progressRange(int maximum) override;
    void progressPosition(int position) override;

public slots:
    void reject() override; // Exit and the close box: result 2, but never mid-transfer

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    core::CConfigApp& app_;
    maintenance::FirmwareUpgrade upgrade_;
    QPushButton* upgradeButton_ = nullptr;
    QPushButton* exitButton_ = nullptr;
    QWidget* panel_ = nullptr;
    QLabel* caption_ = nullptr;
    QProgressBar* bar_ = nullptr;
    bool running_ = false;
    FileChooser chooser_;
};

} // namespace quorvex::widgets
