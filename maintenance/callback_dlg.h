#pragma once
// CCallbackDlg: the data callback dialog. The switch (2300) and ten callback
// numbers (2301-2310, labelled 0-9) on the main window's values; OK (2154) sends
// what changed, Cancel (2) sends nothing. Every rule is in
// maintenance::CallbackDialog; the dialog binds the controls and is its UI.

#include "core/page.h"
#include "maintenance/callback_logic.h"

#include "ui/qt_ui.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quorvex::core {
class CConfigApp;
} // namespace quorvex::core

namespace quorvex::widgets {

class CPortSymbol;

class CCallbackDlg final : public QDialog, public core::PageUi {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 312;

    CCallbackDlg(core::CConfigApp& app, core::CallbackSettings& values, QWidget* parent = nullptr);
    ~CCallbackDlg() override;

    maintenance::CallbackDialog& dialog() { return logic_; }
    QWidget* control(int id) const;

    // ---- PageUi ----
    void message(int textId) override;
    bool askYesNo(int textId) override;
    core::DiscardAnswer askSendDiscardCancel() override { return core::DiscardAnswer::Cancel; }
    void beep() override;
    void setBusy(bool on) override;
    void focus(int controlId) override;
    void refresh() override;
    void messageWithTail(int textId, const std::string& tail) override;

private:
    void build();
    void confirmClicked();
    void showHelp();

    core::CConfigApp& app_;
    maintenance::CallbackDialog logic_;
    int language_;
    QCheckBox* active_ = nullptr;
    std::vector<QLineEdit*> numbers_;
    CPortSymbol* symbol_ = nullptr;
    BusyCursorDepth busy_;
};

} // namespace quorvex::widgets
