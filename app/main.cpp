// quorvex: the desktop program. Finds the device, shows the pages and runs
// until Quit. Everything it decides is in quorvex_core; this file only wires
// the driver, the profile files and the clock to the main window.

#include "app/drive_widget.h"
#include "app/driver_binding.h"
#include "app/main_window_widget.h"
#include "app/settings_dlg.h"
#include "app/splash_dlg.h"
#include "app/startup.h"
#include "app/status_dlg.h"
#include "core/config_app.h"
#include "core/environment.h"
#include "core/ini_profile_store.h"
#include "core/stop_signals.h"
#include "core/version.h"
#include "driver/api/r70com32.h"
#include "profile/native_text.h"
#include "profile/profile_files.h"
#include "profile/setting_table.h"
#include "ui/page_widget.h"
#include "ui/qt_ui.h"

#include <QApplication>
#include <QDir>
#include <QIcon>
#include <QTimer>

#ifdef _WIN32
#include <windows.h>
#endif

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace {

using namespace quorvex;

constexpr const char* kUsage =
    "Usage: quorvex [--help] [--version] [--trace FILE]\n"
    "\n"
    "Configure and watch an OrvaISDN R30 / R70 / R70-USB on a serial port.\n"
    "\n"
    "  --help        show this text and end\n"
    "  --version     show the version and end\n"
    "  --trace FILE  append every exchange with the device to FILE (sets R70COM_TRACE)\n"
    "\n"
    "Environment:\n"
    "  R70COM_PORTS       which device node each COM name means, e.g.\n"
    "                     'COM3=/dev/ttyUSB0;COM1=' (an empty path: no such port);\n"
    "                     overrides the port chosen in the settings and the\n"
    "                     search over the machine's serial ports\n"
    "  QUORVEX_HOME       folder of default.pro and win.ini\n"
    "                     (default $XDG_CONFIG_HOME/quorvex or ~/.config/quorvex;\n"
    "                     on Windows %APPDATA%\\Quorvex)\n"
    "  R70COM_TRACE       as --trace\n"
    "  QUORVEX_SPLASH_MS  how long the start-up picture stays at least (default 5000)\n";

struct Options {
    bool help = false;
    bool version = false;
    std::optional<std::string> trace;
    std::optional<std::string> screenshots; // hidden: grab every page and dialog, then end
    std::optional<std::string> drive;       // hidden: do the steps of a file (app/drive_widget.h)
    std::string error;
};

// args: UTF-8, the program's name first.
Options parseOptions(const std::vector<std::string>& args) {
    Options o;
    for (std::size_t i = 1; i < args.size(); ++i) {
        const std::string& arg = args[i];
        auto value = [&](std::optional<std::string>& into) {
            if (i + 1 >= args.size()) {
                o.error = arg + " needs a value";
                return;
            }
            into = args[++i];
        };
        if (arg == "--help" || arg == "-h") {
            o.help = true;
        } else if (arg == "--version") {
            o.version = true;
        } else if (arg == "--trace") {
            value(o.trace);
        } else if (arg == "--screenshots") {
            value(o.screenshots);
        } else if (arg == "--drive") {
            value(o.drive);
        } else if (arg.rfind("-", 0) == 0 && arg.rfind("-platform", 0) != 0) {
            o.error = "unknown option " + arg;
        }
        if (!o.error.empty()) break;
    }
    return o;
}

// What --help, --version and a wrong option say. On Windows the program is a
// window program without a console of its own: the text goes where its
// output goes when that is a file or a pipe, else into the console it was
// started from (cmd, PowerShell), else into a message box.
void say(std::FILE* to, const std::string& text) {
#ifdef _WIN32
    const HANDLE handle = GetStdHandle(to == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
    const bool redirected = handle != nullptr && handle != INVALID_HANDLE_VALUE &&
                            GetFileType(handle) != FILE_TYPE_UNKNOWN;
    std::FILE* reopened = nullptr;
    if (!redirected &&
        !(AttachConsole(ATTACH_PARENT_PROCESS) && freopen_s(&reopened, "CONOUT$", "w", to) == 0)) {
        MessageBoxW(nullptr, profile::wideFromUtf8(text).c_str(), L"Quorvex",
                    MB_OK | (to == stderr ? MB_ICONERROR : MB_ICONINFORMATION));
        return;
    }
#endif
    std::fputs(text.c_str(), to);
    std::fflush(to);
}

std::int64_t splashMilliseconds() {
    const char* text = std::getenv("QUORVEX_SPLASH_MS");
    if (text == nullptr || *text == '\0') return app::kSplashMinimumMs;
    char* end = nullptr;
    long long ms = std::strtoll(text, &end, 10);
    if (end == text || *end != '\0' || ms < 0) return app::kSplashMinimumMs;
    return std::min<long long>(ms, app::kSplashMinimumMs);
}

// The device path of a COM index, for the settings dialog.
using PortPathFn = std::function<std::string(int index)>;
PortPathFn portPathOf(const core::PortDriver& ports) {
    return [portPath = ports.portPath](int index) {
        char path[512] = {};
        int32_t n = portPath(index, path, static_cast<int32_t>(sizeof path));
        return n < 0 ? std::string() : std::string(path);
    };
}

// The hidden screenshot tour: every page and dialog in turn, grabbed to PNG.
void saveShot(QWidget* w, const QString& dir, const QString& prefix, const QString& name) {
    QCoreApplication::processEvents();
    w->grab().save(dir + "/" + prefix + name + ".png", "PNG", 0); // 0: packed as tight as PNG goes
}

template <class Dialog>
void shotOfDialog(Dialog& dlg, const QString& dir, const QString& prefix, const QString& name) {
    dlg.show();
    saveShot(&dlg, dir, prefix, name);
    dlg.hide();
}

int screenshotTour(widgets::CMainWnd& win, core::CConfigApp& app, const PortPathFn& portPath,
                   const QString& dir) {
    QDir().mkpath(dir);
    QCoreApplication::processEvents();
    const QString prefix = QStringLiteral("%1-%2-")
                               .arg(app.modelNumber == 30 ? "r30" : "r70")
                               .arg(app.language == 1 ? "de" : "en");
    static const char* const kNames[] = {"msn",  "accept", "shortdial", "forward", "filter",
                                         "data", "lcr",    "charges",   "timer",   "log"};
    for (int k = 0; k < menus::kPageCount; ++k) {
        win.logic().switchTo(k);
        saveShot(&win, dir, prefix, QStringLiteral("page%1-%2").arg(k).arg(kNames[k]));
    }
    win.logic().switchTo(0);
    {
        widgets::CSettingsDlg dlg(app, win.logic(), portPath(app.portIndex), &win);
        shotOfDialog(dlg, dir, prefix, "settings");
    }
    {
        widgets::CSplashDlg about(true, app.language, &win);
        shotOfDialog(about, dir, prefix, "about");
    }
    win.progressOpen(6194, " \"default.pro\"", app::kLoadProgressRange);
    win.progressPosition(app::kLoadProgressRange / 3);
    if (QWidget* status = win.statusWindow()) saveShot(status, dir, prefix, "status");
    win.progressClose();
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    Options options = parseOptions(core::utf8Arguments(argc, argv));
    if (!options.error.empty()) {
        say(stderr, "quorvex: " + options.error + "\n\n" + kUsage);
        return 2;
    }
    if (options.help) {
        say(stdout, kUsage);
        return 0;
    }
    if (options.version) {
        say(stdout, std::string("quorvex ") + core::kVersion + "\n");
        return 0;
    }
    if (options.trace) core::setEnvironment("R70COM_TRACE", options.trace->c_str());

    profile::ProfileFiles files = profile::ProfileFiles::fromEnvironment();
    const app::DriverBinding binding = app::bindDriver(
        files.readInt(profile::kSelectDefault, profile::sectionName(profile::Section::Set),
                      "LANGUAGE", 0) == 1
            ? 1
            : 0);
    if (!binding.error.empty()) {
        app::showDriverError(binding.error);
        return 2;
    }
    const app::DriverEntries& driver = binding.entries;
    // Before Qt starts its threads: SIGINT, SIGTERM and SIGHUP close the port,
    // through the entry the program was given (on Windows taken from the DLL).
    const core::StopOnSignals stops([send = driver.sendDrvCmd] { send(DRV_CLOSE, nullptr); });
    const PortPathFn portPath = portPathOf(driver.ports);

    QApplication qapp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvex"));
    QApplication::setApplicationVersion(QString::fromLatin1(core::kVersion));
#ifndef _WIN32
    // The installed desktop entry's name (packaging/CMakeLists.txt): a Wayland
    // compositor finds the menu entry and its icon for the window by it.
    QGuiApplication::setDesktopFileName(QStringLiteral(QUORVEX_APP_ID));
#endif
    QApplication::setWindowIcon(
        QIcon(widgets::picturePixmap(QStringLiteral("quorvex.svg"), {256, 256})));
    QApplication::setQuitOnLastWindowClosed(false); // the splash closing must not end the program

    files.ensureHome();
    core::CConfigApp* appPtr = nullptr;
    core::IniProfileStore store(core::profilePaths(
        files, [&appPtr] { return appPtr != nullptr ? appPtr->currentProfile : std::string(); }));
    widgets::PaintingClock clock;
    core::CConfigApp app(driver.sendDrvCmd, store, clock);
    appPtr = &app;
    core::PortAccess ports(files.winIni(), driver.ports);
    ports.applyChoice(); // the port chosen in the settings is COM1 of the search
    app.ports = &ports;
    app.lineWatch = driver.lineWatch();
    app.programDir = profile::utf8Of(files.home()) + "/";
    app.defaultProfile = profile::utf8Of(files.defaultProfile());

    const std::int64_t startTime = clock.now() - (app::kSplashMinimumMs - splashMilliseconds());
    auto* splash = new widgets::CSplashDlg(false, app::readLanguageSetting(app));
    splash->show();
    QCoreApplication::processEvents();
    splash->repaint();
    // While the start-up waits out the splash time, the splash keeps painting.
    clock.setWaitHook([] { QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents); });

    widgets::CMainWnd win(app, QString::fromStdString(profile::utf8Of(files.home())), portPath);
    if (options.drive) {
        // Started before the start-up, whose first-run settings dialog it may answer.
        auto* script = new widgets::DriveScript(win, QString::fromStdString(*options.drive));
        if (!script->error().isEmpty()) {
            std::fprintf(stderr, "quorvex: %s\n", script->error().toUtf8().constData());
            return 2;
        }
        script->start();
    }
    app::StartupResult result = win.start(startTime, splash);
    clock.setWaitHook({});
    if (result == app::StartupResult::Quit || win.isClosedForGood()) return 0;

    if (options.screenshots) {
        QCoreApplication::processEvents();
        return screenshotTour(win, app, portPath, QString::fromStdString(*options.screenshots));
    }
    QObject::connect(&win, &widgets::CMainWnd::closedForGood, &qapp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    return QApplication::exec();
}
