#pragma once
// The maintenance dialogs as the main window opens them, on its own values.

class QWidget;

namespace quorvex::core {
class CConfigApp;
}
namespace quorvex::app {
class MainWindowLogic;
}

namespace quorvex::widgets {

// Command 5014: the upgrade dialog, modal; 1 after a successful upgrade, else 2.
int runUpgradeDialog(core::CConfigApp& app, app::MainWindowLogic& main, QWidget* parent);

// Menu 5015 (readDeviceFirst: the switch and numbers are read from the device
// first) and the "Call back" button of the acceptance page (shows the values the
// main window holds). Returns 2154 when the user confirmed, 2 when cancelled.
int runCallbackDialog(core::CConfigApp& app, app::MainWindowLogic& mainWindow, bool readDeviceFirst,
                      QWidget* parent);

} // namespace quorvex::widgets
