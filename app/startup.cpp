#include "app/startup.h"

#include "core/port_access.h"
#include "profile/setting_table.h"

#include <algorithm>

namespace quorvex::app {

int readLanguageSetting(core::CConfigApp& app) {
    return app.profiles().readInt(core::kDefaultProfile,
                                  profile::sectionName(profile::Section::Set), "LANGUAGE", 0) == 1
               ? 1
               : 0;
}

// MSN table, port names, language and the settings dialog's values.
void Startup::readDeviceState() {
    core::readMsnTable(app_);
    core::readPortNames(app_);
    app_.language = readLanguageSetting(app_);
    ui_.relabelPageButtons();
    main_.readSettingsFromDevice();
}

StartupResult Startup::run(std::int64_t startTime) {
    app_.connected = false;
    detectDevice(app_);
    readDeviceState();
    main_.buildPages();

    if (ui_.splashUp()) {
        std::int64_t remaining = startTime + kSplashMinimumMs - app_.clock().now();
        if (remaining > 0) app_.clock().sleep(remaining);
        ui_.closeSplash();
    }
    ui_.postCommand(menus::kCmdFirstPage); // the MSN page, once the message loop runs

    if (!app_.identified && !noResponseLoop()) return StartupResult::Quit;

    app_.connected = true;
    // The window is up before anything asks the user: a dialog belongs to it
    // (a compositor places it over the window it belongs to).
    ui_.showMainWindow();
    ui_.refresh();
    // The search went on past a chosen port that is not there; the user
    // should know, or choose again in the settings.
    if (app_.identified && app_.ports != nullptr && app_.ports->choiceMissing())
        ui_.messageWithTail(core::kTextChoiceMissingFound, app_.ports->comName(app_.portIndex));
    // A device in its boot loader gets the upgrade first; the first-run
    // settings (which read the device) wait for a start with working firmware.
    if (!app_.bootLoaderFound) firstRunCheck();
    main_.heartbeat().start();
    return StartupResult::Running;
}

bool Startup::noResponseLoop() {
    for (;;) {
        if (ui_.askNoResponse() == NoResponseAnswer::Quit) return false;
        ui_.setBusy(true);
        core::BootProbeResult probe = core::probeBootLoaders(app_.directDriver(), app_.ports);
        app_.bootLoaderFound = probe.bootLoaderFound;
        if (probe.bootLoaderFound) {
            // The upgrade probes this port again (command 56) if the image is refused.
            app_.portIndex = probe.portIndex;
            ui_.postCommand(menus::kCmdUpgrade);
        } else if (probe.allPortsAnsweredNone && detectDevice(app_)) {
            if (app_.modelNumber == 30) {
                // The pages were built for the five-port layout.
                app_.pageModel = 70;
                main_.modelChanged();
            }
            readDeviceState();
            if (core::Page* msn = main_.page(0)) msn->readDevice();
        }
        ui_.setBusy(false);
        if (app_.identified || app_.bootLoaderFound) return true;
    }
}

void Startup::firstRunCheck() {
    std::string marker = app_.profiles().readString(core::kWinIni, "QuorvexCom", "FirstRun", "0");
    marker.resize(std::min<std::size_t>(marker.size(), 10));
    if (!marker.empty() && marker[0] == '1') return;
    core::WriteReport report;
    report.write(app_.profiles(), core::kWinIni, "QuorvexCom", "FirstRun", "1");
    if (!report.ok()) ui_.reportWriteFailures(report);
    main_.command(menus::kCmdSettings);
}

} // namespace quorvex::app
