#pragma once
// One run of a device subcommand: the application object over the real
// driver, the profiles in QUORVEX_HOME (selector 1 = the file the command
// names), the main window's logic with the real page logic, and a console
// user interface. Opening finds the device and reads what the desktop
// program reads at start (MSN table, port names, language, settings).

#include "app/main_window_logic.h"
#include "cli/cli_page_factory.h"
#include "cli/console_ui.h"
#include "core/clock.h"
#include "core/config_app.h"
#include "core/ini_profile_store.h"
#include "profile/profile_files.h"

#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace quorvex::cli {

// One driver call that changes something in the device (op set, clear or
// second-form set), as the driver answered it.
struct Exchange {
    uint16_t code = 0;
    int32_t op = 0;
    int32_t result = 0;
    int32_t ok = 0;
    std::string command; // the AT text the driver sent
    bool confirmed() const { return result == 0 && ok == 1; }
};

class DeviceSession {
public:
    explicit DeviceSession(int language, core::DriverFn driver = {});
    ~DeviceSession();
    DeviceSession(const DeviceSession&) = delete;
    DeviceSession& operator=(const DeviceSession&) = delete;

    // Finds the device (command 0) and reads the start-up state. False (with
    // the reason for every port on stderr) when no device answered.
    bool open();

    // open(), and when no device answers, a probe for a device that answers
    // only in its boot loader (then bootLoaderFound, connected on its port).
    bool openForUpgrade();

    // The file behind selector 1.
    void setProfileFile(const std::filesystem::path& file);

    core::CConfigApp& app() { return app_; }
    app::MainWindowLogic& main() { return main_; }
    ConsoleUi& ui() { return ui_; }
    const profile::ProfileFiles& files() const { return files_; }

    // Build only page index (-1: none) when open() builds the pages.
    void onlyPage(int index) { factory_.onlyPage(index); }

    // How changing calls reach the device. Hold: none does; each is answered
    // as done (the device holds the value already) and remembered. Filter: a
    // call equal to a remembered one is answered the same way, any other goes
    // to the device. Pass: all go to the device.
    enum class Gate { Pass, Hold, Filter };
    void setGate(Gate gate) { gate_ = gate; }

    // Collects the changing exchanges from now on.
    void startRecording();
    std::vector<Exchange> takeRecording();

private:
    int32_t drive(uint16_t code, DRVPARAM* p);

    core::DriverFn driver_;
    profile::ProfileFiles files_;
    core::IniProfileStore store_;
    core::SteadyClock clock_;
    core::CConfigApp app_;
    ConsoleUi ui_;
    CliPageFactory factory_;
    app::MainWindowLogic main_;
    Gate gate_ = Gate::Pass;
    std::vector<DRVPARAM> held_;
    bool recording_ = false;
    std::vector<Exchange> recorded_;
};

// What the send reports of the last profile load (the main window's BACK_DIV
// and SET_DIV and every page) say was refused: the items the device answered
// but did not take (forwarding not subscribed, say), by command text, to be
// matched with the recorded exchanges. The values a page never sent (too long
// for the record, not a time) are named by app::tryLoad.
struct Refusals {
    std::multimap<std::string, core::ReportOutcome> answered;
    // The refusal of the exchange that sent command, taken so that each counts once.
    std::optional<core::ReportOutcome> take(const std::string& command);
};
Refusals reportedRefusals(const app::MainWindowLogic& main);

// Prints why no device answered, port by port.
void printNoDevice(int language);

} // namespace quorvex::cli
