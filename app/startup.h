#pragma once
// The start-up of the program as logic: find the device (or loop on the
// no-response dialog), fill the device-state cache, read the program's own
// settings, build the pages, keep the splash up for five seconds, check for
// the first run and start the heartbeat.

#include "app/main_window_logic.h"
#include "app/shell_ui.h"
#include "core/config_app.h"
#include "core/detection.h"

#include <cstdint>

namespace quorvex::app {

inline constexpr std::int64_t kSplashMinimumMs = 5000;

// "LANGUAGE" of SET_DIV in the default profile; anything but 1 is English.
int readLanguageSetting(core::CConfigApp& app);

enum class StartupResult {
    Running, // the main window is up (the MSN page shows once posted commands run)
    Quit,    // the user chose "Quit Application": no main window
};

class Startup {
public:
    Startup(core::CConfigApp& app, MainWindowLogic& main, ShellUi& ui)
        : app_(app), main_(main), ui_(ui) {}

    // startTime: the clock's tick when the program started (the splash went up).
    StartupResult run(std::int64_t startTime);

private:
    void readDeviceState();
    bool noResponseLoop();
    void firstRunCheck();

    core::CConfigApp& app_;
    MainWindowLogic& main_;
    ShellUi& ui_;
};

} // namespace quorvex::app
