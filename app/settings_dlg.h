#pragma once
// CSettingsDlg: the settings dialog ("OrvaISDN Settings") over
// app::SettingsDialog: the COM port with its device path, the choice of the
// port the search tries first, the language flags,
// sound, the display language and the four device texts. Every rule is the
// logic's; the dialog fills the controls, hands the user's edits over and
// relabels itself at once when a flag is chosen.

#include "app/settings_logic.h"

#include "ui/qt_ui.h"

#include <QDialog>

#include <array>
#include <string>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvex::widgets {

class CPortSymbol;

class CSettingsDlg : public QDialog, public app::SettingsUi {
    Q_OBJECT
public:
    CSettingsDlg(core::CConfigApp& app, app::MainWindowLogic& main, std::string portPath,
                 QWidget* parent = nullptr);
    ~CSettingsDlg() override;

    app::SettingsDialog& logic() { return logic_; }
    const app::SettingsApplied& applied() const { return applied_; }
    CPortSymbol* languagePicker() const { return picker_; }

    // ---- SettingsUi ----
    void message(int textId) override;
    void beep() override;
    void setBusy(bool on) override;
    void refresh() override;
    void relabel(int language) override;
    void reportWriteFailures(const core::WriteReport& report) override;

public slots:
    void reject() override; // the close box and Escape: nothing applied, no beep

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void okClicked();
    void cancelClicked();
    QLabel* addLabel(int id, const QRect& where);
    void fillPortChoice();

    core::CConfigApp& app_;
    app::MainWindowLogic& main_;
    app::SettingsDialog logic_;
    app::SettingsApplied applied_;
    CPortSymbol* picker_ = nullptr;
    QCheckBox* sound_ = nullptr;
    QCheckBox* lcd_ = nullptr;
    std::array<QLineEdit*, 4> edits_{};
    QLabel* port_ = nullptr;
    QComboBox* portChoice_ = nullptr; // the port the search tries first
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    BusyCursorDepth busy_;
    bool filling_ = false;
};

} // namespace quorvex::widgets
