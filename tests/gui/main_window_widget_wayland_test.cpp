// Where the program's windows land on a real desktop: under a headless Weston
// (started here, the Wayland platform of Qt, Qt's own window decorations: the
// compositor draws none), or under an X server (--x11, from xvfb-run). Every
// page is shown in turn and every dialog of the program opened; the window
// positions are the ones the compositor reports (Weston's scene graph), and
// which window a dialog belongs to is what the program told the compositor
// (xdg_toplevel.set_parent, read from the client's protocol log).
//
//   wayland_test [--screen WxH] [--scale N] [--x11]   (WxH: logical pixels)
//
// Checked: the main window stays inside the screen's available area (below
// Weston's panel) on every page; where the largest page does not fit, the
// window keeps to the area and its page scrolls so that every control can be
// reached; every dialog and message box has the main window as its parent
// and lies on the screen.
#include "access_fixture.h"

#include <QLibraryInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStandardPaths>

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <thread>

extern char** environ;

namespace {

using namespace a11y;

struct Options {
    QSize screen{1280, 800};
    int scale = 1;
    bool x11 = false;
};
Options options;
std::string skipReason;        // why no compositor could be had
std::string protocolLog;       // the client's Wayland protocol log (stderr)
std::filesystem::path runtime; // XDG_RUNTIME_DIR of the compositor
pid_t weston = 0;

// What the test is doing, for the watchdog to name.
std::atomic<const char*> phase{"starting"};

// A compositor or a platform plugin that stops answering would leave the test
// waiting until ctest kills it without a word; well before that the watchdog
// says where the test stood, stops the compositor and ends the run as failed.
constexpr int kWatchdogSeconds = 240;
std::atomic<bool> finished{false};

void watchdog() {
    for (int s = 0; s < kWatchdogSeconds; ++s) {
        std::this_thread::sleep_for(std::chrono::seconds(1));
        if (finished) return;
    }
    const std::string text = "[placement] no end after " + std::to_string(kWatchdogSeconds) +
                             " s, while " + phase.load() + "; giving up\n";
    // stderr is the protocol log here; stdout reaches ctest.
    (void)!::write(1, text.data(), text.size());
    if (weston > 0) ::kill(weston, SIGTERM);
    ::_exit(3);
}

// ---- the compositor ----

bool startWeston(std::string* why) {
    const QString program = QStandardPaths::findExecutable(QStringLiteral("weston"));
    if (program.isEmpty()) {
        *why = "weston is not installed (scripts/setup.sh packages installs it)";
        return false;
    }
    const QString plugin =
        QLibraryInfo::path(QLibraryInfo::PluginsPath) + "/platforms/libqwayland-generic.so";
    if (!QFile::exists(plugin)) {
        *why = "Qt's Wayland platform is not installed (qt6-wayland): " + plugin.toStdString();
        return false;
    }
    char pattern[] = "/tmp/wayland_test_XXXXXX";
    if (::mkdtemp(pattern) == nullptr) {
        *why = std::string("mkdtemp: ") + std::strerror(errno);
        return false;
    }
    runtime = pattern;
    ::chmod(pattern, 0700);
    ::setenv("XDG_RUNTIME_DIR", pattern, 1);
    const std::string socket = "quorvex-test";
    const std::string log = (runtime / "weston.log").string();
    std::vector<std::string> args = {program.toStdString(),
                                     "--backend=headless-backend.so",
                                     "--width=" + std::to_string(options.screen.width()),
                                     "--height=" + std::to_string(options.screen.height()),
                                     "--scale=" + std::to_string(options.scale),
                                     "--socket=" + socket,
                                     "--idle-time=0",
                                     "--no-config",
                                     "--debug",
                                     "--log=" + log};
    std::vector<char*> argv;
    for (std::string& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    if (const int e = ::posix_spawn(&weston, argv[0], nullptr, nullptr, argv.data(), environ);
        e != 0) {
        *why = std::string("weston does not start: ") + std::strerror(e);
        return false;
    }
    // Ready when its socket is there (and its shell has put up the panel).
    for (int i = 0; i < 200; ++i) {
        if (std::filesystem::exists(runtime / socket)) {
            ::setenv("WAYLAND_DISPLAY", socket.c_str(), 1);
            return true;
        }
        int status = 0;
        if (::waitpid(weston, &status, WNOHANG) == weston) {
            weston = 0;
            std::ifstream in(log);
            *why = "weston ended at once: " + std::string(std::istreambuf_iterator<char>(in),
                                                          std::istreambuf_iterator<char>());
            return false;
        }
        ::usleep(50 * 1000);
    }
    *why = "weston's socket did not appear within 10 s";
    return false;
}

void stopWeston() {
    if (weston != 0) {
        ::kill(weston, SIGTERM);
        ::waitpid(weston, nullptr, 0);
        weston = 0;
    }
    if (!runtime.empty()) std::filesystem::remove_all(runtime);
}

// A window as the compositor shows it.
struct View {
    QString title;
    QRect rect;
};

struct Scene {
    QRect output;
    QRect available; // the output less the panel
    std::vector<View> windows;
};

// Weston's scene graph: the output, the panel, and every top-level window.
Scene sceneGraph() {
    QProcess debug;
    debug.start(QStringLiteral("weston-debug"), {QStringLiteral("scene-graph")});
    debug.waitForFinished(10000);
    const QString text = QString::fromUtf8(debug.readAllStandardOutput());
    Scene scene;
    static const QRegularExpression position(
        QStringLiteral("position: \\((-?\\d+), (-?\\d+)\\) -> \\((-?\\d+), (-?\\d+)\\)"));
    static const QRegularExpression window(QStringLiteral("top-level window '(.*)' of "));
    QString owner;
    bool output = false;
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (line.startsWith(QStringLiteral("Output "))) output = true;
        if (line.contains(QStringLiteral("View "))) owner = line, output = false;
        const QRegularExpressionMatch at = position.match(line);
        if (!at.hasMatch()) continue;
        const QRect rect(QPoint(at.captured(1).toInt(), at.captured(2).toInt()),
                         QPoint(at.captured(3).toInt() - 1, at.captured(4).toInt() - 1));
        if (output) {
            scene.output = rect;
            scene.available = rect;
            output = false;
        } else if (owner.contains(QStringLiteral("panel for output"))) {
            scene.available.setTop(rect.bottom() + 1);
        } else if (const QRegularExpressionMatch w = window.match(owner); w.hasMatch()) {
            scene.windows.push_back({w.captured(1), rect});
        }
    }
    return scene;
}

// X11: the server's geometry of the shown top-level windows (no window manager).
Scene x11Scene() {
    Scene scene;
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        scene.output = screen->geometry();
        scene.available = screen->availableGeometry();
    }
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->isVisible()) scene.windows.push_back({w->windowTitle(), w->frameGeometry()});
    }
    return scene;
}

Scene scene() {
    return options.x11 ? x11Scene() : sceneGraph();
}

// The view of the window whose title starts with title, once the compositor
// shows it the size the program gave it (or the deadline passes).
std::optional<View> viewOf(QWidget* window, Scene* seen) {
    if (window->windowTitle().isEmpty()) {
        ADD_FAILURE() << window->metaObject()->className() << " has no title to know it by";
        return std::nullopt;
    }
    QElapsedTimer t;
    t.start();
    std::optional<View> found;
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
        *seen = scene();
        found.reset();
        for (const View& v : seen->windows) {
            if (v.title.startsWith(window->windowTitle())) found = v;
        }
        if (found && found->rect.size() == window->frameGeometry().size()) return found;
    } while (t.elapsed() < mainwin::kDeadlineMs / 4);
    return found;
}

// ---- the program's own words to the compositor ----

// The parent each top-level window was given, and its last title, from the
// protocol log (objects are numbered anew as they are made).
struct Toplevels {
    std::map<int, QString> title;
    std::map<int, int> parent; // 0: none
    int newest = 0;
};

Toplevels toplevels() {
    Toplevels t;
    std::ifstream in(protocolLog);
    static const QRegularExpression made(
        QStringLiteral("get_toplevel\\(new id xdg_toplevel@(\\d+)\\)"));
    static const QRegularExpression titled(
        QStringLiteral("-> xdg_toplevel@(\\d+)\\.set_title\\(\"(.*)\"\\)"));
    static const QRegularExpression parented(
        QStringLiteral("-> xdg_toplevel@(\\d+)\\.set_parent\\((?:xdg_toplevel@(\\d+)|nil)\\)"));
    for (std::string raw; std::getline(in, raw);) {
        if (raw.find("xdg_toplevel") == std::string::npos) continue;
        const QString line = QString::fromStdString(raw);
        if (const auto m = made.match(line); m.hasMatch()) {
            t.newest = m.captured(1).toInt();
            t.parent[t.newest] = 0;
            t.title[t.newest].clear();
        } else if (const auto m2 = titled.match(line); m2.hasMatch()) {
            t.title[m2.captured(1).toInt()] = m2.captured(2);
        } else if (const auto m3 = parented.match(line); m3.hasMatch()) {
            t.parent[m3.captured(1).toInt()] = m3.captured(2).toInt();
        }
    }
    return t;
}

// The window the dialog belongs to, as the platform was told: on Wayland the
// title of its xdg_toplevel's parent, on X11 the transient parent's.
QString parentTitle(QWidget* dialog) {
    if (options.x11) {
        QWindow* parent =
            dialog->windowHandle() ? dialog->windowHandle()->transientParent() : nullptr;
        return parent != nullptr ? parent->title() : QString();
    }
    // The dialogs open one at a time: the newest top-level window is this one.
    const Toplevels t = toplevels();
    const auto title = t.title.find(t.newest);
    if (title == t.title.end() || !title->second.startsWith(dialog->windowTitle()))
        return QStringLiteral("(not the newest window)");
    const int parent = t.parent.at(t.newest);
    if (parent == 0) return {};
    const auto named = t.title.find(parent);
    return named != t.title.end() ? named->second : QStringLiteral("?");
}

std::string describe(const QRect& r) {
    return std::to_string(r.width()) + "x" + std::to_string(r.height()) + " at (" +
           std::to_string(r.x()) + ", " + std::to_string(r.y()) + ")";
}

class Placement : public Walk {
protected:
    void SetUp() override {
        if (!skipReason.empty()) GTEST_SKIP() << skipReason;
        Walk::SetUp();
    }
    std::string where() const {
        QSize screen = options.screen;
        if (options.x11 && QGuiApplication::primaryScreen() != nullptr)
            screen = QGuiApplication::primaryScreen()->geometry().size();
        return std::string(options.x11 ? "X11 " : "Wayland ") + std::to_string(screen.width()) +
               "x" + std::to_string(screen.height()) +
               (options.scale > 1 ? " scale " + std::to_string(options.scale) : "");
    }
    // Where the platform places windows as the program asks (X11), they stand
    // in the middle: the main window of the screen, a dialog of the main window
    // (by Qt's reckoning of a frame it cannot see without a window manager).
    void expectCentred(const std::string& what, const QRect& window, const QRect& over, int slack) {
        if (!options.x11) return; // Wayland: the compositor's choice
        EXPECT_LE((window.center() - over.center()).manhattanLength(), slack)
            << what << ": " << describe(window) << " is not centred on " << describe(over);
    }
    void expectOnScreen(const std::string& what, const std::optional<View>& view,
                        const Scene& seen) {
        ASSERT_TRUE(view.has_value()) << what << ": the compositor does not show it";
        std::cout << "[placement] " << where() << ", " << what << ": " << describe(view->rect)
                  << "\n";
        EXPECT_TRUE(seen.available.contains(view->rect))
            << what << ": " << describe(view->rect) << " runs off the available area "
            << describe(seen.available);
    }
};

TEST_F(Placement, WindowsStayOnTheScreenAndDialogsBelongToTheirWindow) {
    plugDevice(sim::Model::R70);
    // A first start: the settings dialog opens by itself, over the window.
    QString firstRunParent;
    std::optional<View> firstRunView;
    Scene firstRunScene;
    // On a loaded machine the first search may find the device too slow to
    // answer (a compositor to talk to, other builds): "Try again", as a user does.
    std::function<void(QWidget*)> onModal = [&](QWidget* modal) {
        if (auto* noAnswer = qobject_cast<widgets::CNoResponseDlg*>(modal)) {
            std::cout << "[placement] no answer at the first search; trying again:";
            for (const QLabel* label : noAnswer->findChildren<QLabel*>())
                std::cout << " " << label->text().simplified().toStdString();
            std::cout << "\n";
            mainwin::whenModalIsUp(onModal);
            noAnswer->done(widgets::CNoResponseDlg::kTryAgain);
            return;
        }
        firstRunView = viewOf(modal, &firstRunScene);
        firstRunParent = parentTitle(modal);
        modal->close();
    };
    mainwin::whenModalIsUp(onModal);
    phase = "starting the program (the first-run settings dialog)";
    startToMsnPage();
    widgets::CMainWnd& win = *win_;
    EXPECT_TRUE(firstRunParent.endsWith(QStringLiteral("OrvaISDN Quorvex")) ||
                firstRunParent.contains(QStringLiteral("OrvaISDN Quorvex")))
        << "first-run settings: parent \"" << firstRunParent.toStdString() << "\"";
    expectOnScreen("first-run settings", firstRunView, firstRunScene);

    phase = "showing the pages";
    for (int k = 0; k < 10; ++k) {
        win.logic().switchTo(k);
        ASSERT_TRUE(mainwin::waitUntil([&] { return win.pendingPosts() == 0; }));
        Scene seen;
        const std::optional<View> view = viewOf(&win, &seen);
        expectOnScreen("page " + std::to_string(k), view, seen);
        if (view) expectCentred("page " + std::to_string(k), view->rect, seen.available, 2);
        // Every part of the page within reach: shown, or scrolled to.
        QScrollArea* scroll = win.scrollArea();
        const QSize page = win.stack()->size();
        EXPECT_GE(scroll->viewport()->width() + scroll->horizontalScrollBar()->maximum(),
                  page.width())
            << "page " << k;
        EXPECT_GE(scroll->viewport()->height() + scroll->verticalScrollBar()->maximum(),
                  page.height())
            << "page " << k;
    }
    // Tab to the Send button of the LCR page brings it into view.
    win.logic().switchTo(6);
    ASSERT_TRUE(mainwin::waitUntil([&] { return win.pendingPosts() == 0; }));
    if (QWidget* send = win.currentPageWidget()->sendButton()) {
        // A headless compositor has no keyboard to give the window the focus.
        QApplication::setActiveWindow(&win);
        send->setFocus(Qt::TabFocusReason);
        QCoreApplication::processEvents();
        const QRect shown(send->mapTo(win.scrollArea()->viewport(), QPoint(0, 0)), send->size());
        EXPECT_TRUE(win.scrollArea()->viewport()->rect().contains(shown))
            << "the focused Send button is out of view";
    }

    const QString main = win.windowTitle();
    const QRect mainRect = win.frameGeometry();
    phase = "showing the dialogs (the last one printed is done)";
    forEachDialog([&](const std::string& name, QDialog& dialog) {
        Scene seen;
        const std::optional<View> view = viewOf(&dialog, &seen);
        expectOnScreen(name, view, seen);
        if (view) expectCentred(name, view->rect, mainRect, 60);
        const QString parent = parentTitle(&dialog);
        EXPECT_TRUE(parent.startsWith(main))
            << name << ": belongs to \"" << parent.toStdString() << "\", not to the main window";
    });
}

} // namespace

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--x11") options.x11 = true;
        if (arg == "--scale" && i + 1 < argc) options.scale = std::max(1, std::atoi(argv[++i]));
        if (arg == "--screen" && i + 1 < argc) {
            const QStringList wh = QString::fromLatin1(argv[++i]).split(QLatin1Char('x'));
            if (wh.size() == 2) options.screen = QSize(wh[0].toInt(), wh[1].toInt());
        }
    }
    if (options.x11) {
        if (qEnvironmentVariableIsEmpty("DISPLAY"))
            skipReason = "no X server (DISPLAY is not set; run under xvfb-run)";
        qputenv("QT_QPA_PLATFORM", skipReason.empty() ? "xcb" : "offscreen");
    } else if (startWeston(&skipReason)) {
        qputenv("QT_QPA_PLATFORM", "wayland");
        // What the program says to the compositor, to a file of its own.
        protocolLog = (runtime / "client.log").string();
        const int fd = ::open(protocolLog.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (fd >= 0) {
            ::dup2(fd, 2);
            ::close(fd);
        }
        qputenv("WAYLAND_DEBUG", "client");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0); // each line out before a hang, not lost in a buffer
    std::thread(watchdog).detach();
    int status = 0;
    {
        QApplication app(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        status = RUN_ALL_TESTS();
    }
    phase = "stopping";
    if (!protocolLog.empty()) {
        // Qt's own complaints about the platform, for whoever reads the log.
        std::ifstream in(protocolLog);
        for (std::string line; std::getline(in, line);) {
            if (line.rfind("qt.", 0) == 0 || line.find("Wayland") != std::string::npos)
                std::cout << "[qt] " << line << "\n";
        }
    }
    stopWeston();
    finished = true;
    return status;
}
