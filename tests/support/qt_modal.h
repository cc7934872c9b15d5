// Modal dialogs in widget tests: the program opens them and waits in their
// own event loop, so the test acts on them from a timer of that loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

#include <functional>
#include <memory>

namespace testsupport {

// Runs action on the next modal dialog, polled from the event loop, with a
// generous deadline so a slow machine never fails the test; after the
// deadline without a dialog, nothing runs.
inline void whenModalIsUp(std::function<void(QWidget*)> action, int deadlineMs = 60000) {
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [timer, started, action, deadlineMs] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr && started->elapsed() < deadlineMs) return;
        timer->stop();
        timer->deleteLater();
        if (modal != nullptr) action(modal);
    });
    timer->start(20);
}

} // namespace testsupport
