#pragma once
// CCallbackDlg: the data callback dialog. The switch (2300) and ten callback
// numbers (2301-2310, labelled 0-9) on the main window's values; OK (2154) sends
// what changed, Cancel (2) sends nothing. Every rule is in
// maintenance::CallbackDialog; the dialog binds the controls and is its UI.

#include "app/page.h"
#include "maintenance/callback_logic.h"

#include "app/qt_ui_widget.h"

#include <QDialog>

#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolButton;

namespace quorvex::app {
class CConfigApp;
class MainWindowLogic;
} // namespace quorvex::app

namespace quorvex::widgets {

class CPortSymbol;

class CCallbackDlg final : public QDialog, public app::PageUi {
    Q_OBJECT
public:
    static constexpr int kWidth = 400;
    static constexpr int kHeight = 312;

    CCallbackDlg(app::CConfigApp& app, app::CallbackSettings& values, QWidget* parent = nullptr);
    ~CCallbackDlg() override;

    maintenance::CallbackDialog& dialog() { return logic_; }
    QWidget* control(int id) const;

    // ---- PageUi ----
    void message(int textId) override;
    bool askYesNo(int textId) override;
    app::DiscardAnswer askSendDiscardCancel() override { return app::DiscardAnswer::Cancel; }
    void beep() override;
    void setBusy(bool on) override;
    void focus(int controlId) override;
    void refresh() override;
    void messageWithTail(int textId, const std::string& tail) override;

private:
    void build();
    void confirmClicked();
    void showHelp();

    app::CConfigApp& app_;
    maintenance::CallbackDialog logic_;
    int language_;
    QCheckBox* active_ = nullptr;
    std::vector<QLineEdit*> numbers_;
    CPortSymbol* symbol_ = nullptr;
    BusyCursorDepth busy_;
};

// Menu 5015 (readDeviceFirst: the switch and numbers are read from the device
// first) and the "Call back" button of the acceptance page (shows the values the
// main window holds). Returns 2154 when the user confirmed, 2 when cancelled.
int runCallbackDialog(app::CConfigApp& app, app::MainWindowLogic& mainWindow, bool readDeviceFirst,
                      QWidget* parent);

} // namespace quorvex::widgets
