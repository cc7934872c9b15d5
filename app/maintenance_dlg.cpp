#include "app/maintenance_dlg.h"

#include "app/main_window_logic.h"
#include "app/upgrade_host.h"
#include "maintenance/callback_dlg.h"
#include "maintenance/upgrade_dlg.h"
#include "ui/qt_ui.h"

namespace quorvex::widgets {

using namespace quorvex::maintenance;

int runUpgradeDialog(core::CConfigApp& app, app::MainWindowLogic& main, QWidget* parent) {
    app::MainWindowUpgradeHost host(main);
    CUpgradeDlg dlg(app, host, parent);
    return dlg.exec() == 1 ? 1 : 2;
}

int runCallbackDialog(core::CConfigApp& app, app::MainWindowLogic& mainWindow, bool readDeviceFirst,
                      QWidget* parent) {
    if (readDeviceFirst) {
        BusyCursor busy;
        mainWindow.readCallbackFromDevice();
    }
    CCallbackDlg dlg(app, mainWindow.callback(), parent);
    const int result = dlg.exec();
    return result == kCallbackOkButton ? kCallbackOkButton : kCallbackCancelButton;
}

} // namespace quorvex::widgets
