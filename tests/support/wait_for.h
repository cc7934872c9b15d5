// Waiting in tests: polls a condition until it holds or a generous limit
// passes (the machine is shared; no test depends on its speed).
#pragma once

#include <chrono>
#include <functional>
#include <thread>

#ifdef QT_CORE_LIB
#include <QCoreApplication>
#endif

namespace testsupport {

// Between polls runs serve (the widget tests keep Qt's event loop going with
// serveEvents), then sleeps a little. Returns done().
inline bool waitFor(const std::function<bool()>& done,
                    std::chrono::milliseconds limit = std::chrono::seconds(30),
                    const std::function<void()>& serve = {}) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() > end) return done();
        if (serve) serve();
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    return true;
}

#ifdef QT_CORE_LIB
inline void serveEvents() {
    QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

// Waits while serving the event loop: what the widget tests wait for happens there.
inline bool waitServing(const std::function<bool()>& done,
                        std::chrono::milliseconds limit = std::chrono::seconds(30)) {
    return waitFor(done, limit, serveEvents);
}
#endif

} // namespace testsupport
