// Modal dialogs in widget tests: the program opens them and waits in their
// own event loop, so the test acts on them from a timer of that loop.
#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <set>
#include <utility>
#include <vector>

namespace testsupport {

// Runs action on the first modal dialog that match accepts, polled from the
// event loop, with a generous deadline so a slow machine never fails the test;
// after the deadline without such a dialog, nothing runs. A modal dialog that
// match refuses and that is still up at the deadline would keep its exec()
// waiting for good: it fails the test, named, and is rejected.
inline void whenModalIsUp(std::function<bool(QWidget*)> match, std::function<void(QWidget*)> action,
                          int deadlineMs = 60000) {
    auto* timer = new QTimer;
    auto started = std::make_shared<QElapsedTimer>();
    started->start();
    QObject::connect(timer, &QTimer::timeout, [timer, started, match, action, deadlineMs] {
        QWidget* modal = QApplication::activeModalWidget();
        const bool found = modal != nullptr && match(modal);
        if (!found && started->elapsed() < deadlineMs) return;
        timer->stop();
        timer->deleteLater();
        if (found) {
            action(modal);
        } else if (modal != nullptr) {
            ADD_FAILURE() << "a modal dialog no test expected is up: "
                          << modal->metaObject()->className() << " \""
                          << modal->windowTitle().toStdString() << "\"";
            QMetaObject::invokeMethod(modal, "reject");
        }
    });
    timer->start(20);
}

// The same for the next modal dialog, whatever it is.
inline void whenModalIsUp(std::function<void(QWidget*)> action, int deadlineMs = 60000) {
    whenModalIsUp([](QWidget*) { return true; }, std::move(action), deadlineMs);
}

// Answers the modal dialogs that come up, in order, each with its own action.
// Dialogs in `ignore` (the dialog under test itself) are passed over. Past the
// deadline with actions left, the test fails and the dialog up is rejected:
// never a hang.
class ModalScript {
public:
    using Action = std::function<void(QWidget*)>;
    explicit ModalScript(std::vector<Action> actions) : actions_(actions.begin(), actions.end()) {
        timer_.setInterval(20);
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        started_.start();
        timer_.start();
    }
    void ignore(QWidget* w) { ignored_.insert(w); }
    bool done() const { return actions_.empty(); }
    int handled() const { return handled_; }

private:
    void poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (!actions_.empty() && started_.elapsed() > kDeadlineMs) {
            ADD_FAILURE() << "modal dialogs still expected: " << actions_.size() << ", up now: "
                          << (modal != nullptr ? modal->metaObject()->className() : "none") << " "
                          << (modal != nullptr ? modal->objectName().toStdString() : "");
            actions_.clear();
            if (modal != nullptr) QMetaObject::invokeMethod(modal, "reject");
            return;
        }
        if (modal == nullptr || ignored_.count(modal) != 0 || actions_.empty()) return;
        for (const auto& seen : seen_)
            if (seen == modal) return; // still closing
        seen_.emplace_back(modal);
        Action next = std::move(actions_.front());
        actions_.pop_front();
        ++handled_;
        next(modal);
    }
    static constexpr qint64 kDeadlineMs = 60000;
    std::deque<Action> actions_;
    std::vector<QPointer<QWidget>> seen_;
    std::set<QWidget*> ignored_;
    QTimer timer_;
    QElapsedTimer started_;
    int handled_ = 0;
};

} // namespace testsupport
