#include "app/drive_widget.h"

#include "app/main_window_widget.h"
#include "app/menu_bar_widget.h"
#include "app/status_dlg.h"
#include "ui/page_widget.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <QTimer>

#include <cstdlib>

namespace quorvex::widgets {

namespace {

constexpr int kPollMs = 50;
constexpr qint64 kStepDeadlineMs = 300000;

struct KeyName {
    const char* name;
    Qt::Key key;
};

// clang-format off
constexpr KeyName kKeys[] = {
    {"Return", Qt::Key_Return}, {"Enter", Qt::Key_Enter},   {"Tab", Qt::Key_Tab},
    {"Up", Qt::Key_Up},         {"Down", Qt::Key_Down},     {"Left", Qt::Key_Left},
    {"Right", Qt::Key_Right},   {"Escape", Qt::Key_Escape}, {"Space", Qt::Key_Space},
    {"Home", Qt::Key_Home},     {"End", Qt::Key_End},       {"Backspace", Qt::Key_Backspace},
};
// clang-format on

// The verbs, each with the number of arguments it needs at least.
struct Verb {
    const char* name;
    int arguments;
};

// clang-format off
constexpr Verb kVerbs[] = {
    {"wait", 1}, {"menu", 1}, {"click", 1}, {"type", 2}, {"key", 2}, {"choose", 2},
    {"show", 1}, {"caption", 0}, {"menus", 0}, {"message", 0}, {"shot", 1}, {"ready", 0},
};
// clang-format on

const Verb* verbOf(const QString& name) {
    for (const Verb& v : kVerbs)
        if (name == QLatin1String(v.name)) return &v;
    return nullptr;
}

// Whether the step acts on the main window (no modal window may be open).
bool onMainWindow(const QString& verb) {
    return verb == QLatin1String("menu") || verb == QLatin1String("caption") ||
           verb == QLatin1String("menus") || verb == QLatin1String("ready");
}

bool isNamed(const QWidget* w, const QString& name) {
    return w != nullptr && (w->objectName() == name || w->inherits(name.toLatin1().constData()));
}

void sendKey(QWidget* target, int key, const QString& text) {
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(target, &release);
}

void clickAt(QWidget* target) {
    const QPointF local = QRectF(target->rect()).center();
    const QPointF global = target->mapToGlobal(local);
    QMouseEvent press(QEvent::MouseButtonPress, local, global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(target, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, local, global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(target, &release);
}

QString shown(QWidget* w) {
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* label = qobject_cast<QLabel*>(w)) return label->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        QStringList items;
        for (int i = 0; i < combo->count(); ++i)
            items << (i == combo->currentIndex() ? QStringLiteral("*") : QString()) +
                         combo->itemText(i);
        return items.join(QLatin1Char('|'));
    }
    if (auto* button = qobject_cast<QAbstractButton*>(w)) {
        if (!button->isCheckable()) return button->text();
        return button->text() +
               (button->isChecked() ? QStringLiteral(" [x]") : QStringLiteral(" [ ]"));
    }
    return w->accessibleName();
}

} // namespace

DriveScript::DriveScript(CMainWnd& win, const QString& file) : QObject(&win), win_(win) {
    QFile in(file);
    if (!in.open(QIODevice::ReadOnly)) {
        error_ = QStringLiteral("cannot read %1: %2").arg(file, in.errorString());
        return;
    }
    const QStringList lines = QString::fromUtf8(in.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].trimmed();
        if (line.isEmpty() || line.startsWith(QLatin1Char('#'))) continue;
        Step step;
        step.line = i + 1;
        step.args = line.split(QLatin1Char(' '), Qt::SkipEmptyParts);
        step.verb = step.args.takeFirst();
        if (!step.args.isEmpty())
            step.rest = line.mid(line.indexOf(step.args.front(), step.verb.size()) +
                                 step.args.front().size())
                            .trimmed();
        const Verb* verb = verbOf(step.verb);
        if (verb == nullptr || step.args.size() < verb->arguments) {
            error_ =
                QStringLiteral("%1 line %2: cannot read '%3'").arg(file).arg(step.line).arg(line);
            return;
        }
        steps_.push_back(step);
    }
    out_.setFileName(file + QStringLiteral(".out"));
    if (!out_.open(QIODevice::WriteOnly | QIODevice::Truncate))
        error_ = QStringLiteral("cannot write %1: %2").arg(out_.fileName(), out_.errorString());
}

void DriveScript::start() {
    waiting_.start();
    QTimer::singleShot(kPollMs, this, [this] { poll(); });
}

// The next poll is due before the step acts: a step that opens a modal
// window returns only when it closes, and the steps for that window run from
// inside it.
void DriveScript::poll() {
    if (next_ >= steps_.size()) return;
    const Step& step = steps_[next_];
    if (!ready(step)) {
        if (waiting_.elapsed() > kStepDeadlineMs) {
            QWidget* modal = QApplication::activeModalWidget();
            fail(step, modal == nullptr
                           ? QStringLiteral("the program stayed busy")
                           : QStringLiteral("a window %1 (%2) is open")
                                 .arg(modal->objectName(),
                                      QString::fromLatin1(modal->metaObject()->className())));
        }
        QTimer::singleShot(kPollMs, this, [this] { poll(); });
        return;
    }
    ++next_;
    waiting_.restart();
    QTimer::singleShot(kPollMs, this, [this] { poll(); });
    act(step);
}

bool DriveScript::ready(const Step& step) {
    QWidget* modal = QApplication::activeModalWidget();
    if (step.verb == QLatin1String("wait")) return isNamed(modal, step.args.front());
    if (step.verb == QLatin1String("message")) return qobject_cast<QMessageBox*>(modal) != nullptr;
    if (modal == nullptr &&
        (win_.pendingPosts() > 0 || win_.statusWindow() != nullptr || !win_.isVisible()))
        return false;
    if (onMainWindow(step.verb)) return modal == nullptr;
    if (step.verb == QLatin1String("shot")) return true;
    for (const QString& id : step.verb == QLatin1String("show") ? step.args : step.args.mid(0, 1))
        if (control(id) == nullptr) return false;
    return true;
}

QWidget* DriveScript::context() const {
    if (QWidget* modal = QApplication::activeModalWidget()) return modal;
    if (QWidget* page = win_.currentPageWidget()) return page;
    return &win_;
}

QWidget* DriveScript::control(const QString& id) const {
    QWidget* in = context();
    if (QWidget* w = in->findChild<QWidget*>(id)) return w;
    return in == win_.currentPageWidget() ? win_.findChild<QWidget*>(id) : nullptr;
}

void DriveScript::act(const Step& step) {
    const QString& verb = step.verb;
    const QString first = step.args.value(0);
    if (verb == QLatin1String("wait")) {
        write(QStringLiteral("window: ") + first);
    } else if (verb == QLatin1String("menu")) {
        QAction* action = findMenuAction(win_.menuBar(), first.toInt());
        if (action == nullptr) fail(step, QStringLiteral("no menu item ") + first);
        action->trigger();
    } else if (verb == QLatin1String("click")) {
        QWidget* w = control(first);
        if (auto* button = qobject_cast<QAbstractButton*>(w))
            button->click();
        else
            clickAt(w);
    } else if (verb == QLatin1String("type")) {
        QWidget* w = control(first);
        w->setFocus(Qt::TabFocusReason);
        if (auto* edit = qobject_cast<QLineEdit*>(w)) edit->selectAll();
        const QString text = step.rest;
        for (int i = 0; i < text.size(); ++i) {
            // A character beyond the first plane comes as its two halves at once.
            const int n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            const QString typed = text.mid(i, n);
            const char16_t c = typed.front().toUpper().unicode();
            sendKey(w, c < 0x80 ? int(c) : int(Qt::Key_unknown), typed);
            i += n - 1;
        }
    } else if (verb == QLatin1String("key")) {
        const QString name = step.args.value(1);
        for (const KeyName& k : kKeys) {
            if (name != QLatin1String(k.name)) continue;
            const QString text = k.key == Qt::Key_Return || k.key == Qt::Key_Enter
                                     ? QStringLiteral("\r")
                                 : k.key == Qt::Key_Space ? QStringLiteral(" ")
                                                          : QString();
            sendKey(control(first), k.key, text);
            return;
        }
        fail(step, QStringLiteral("no key ") + name);
    } else if (verb == QLatin1String("choose")) {
        auto* combo = qobject_cast<QComboBox*>(control(first));
        if (combo == nullptr) fail(step, first + QStringLiteral(" is no combo box"));
        for (int i = 0; i < combo->count(); ++i) {
            if (!combo->itemText(i).startsWith(step.rest)) continue;
            combo->setCurrentIndex(i);
            emit combo->activated(i);
            return;
        }
        fail(step, QStringLiteral("no item '%1' in %2").arg(step.rest, shown(combo)));
    } else if (verb == QLatin1String("show")) {
        for (const QString& id : step.args)
            write(id + QStringLiteral(": ") + shown(control(id)));
    } else if (verb == QLatin1String("caption")) {
        write(QStringLiteral("caption: ") + win_.windowTitle());
    } else if (verb == QLatin1String("menus")) {
        for (QAction* title : win_.menuBar()->actions()) {
            QStringList items;
            if (QMenu* menu = title->menu())
                for (QAction* item : menu->actions())
                    if (!item->isSeparator()) items << item->text();
            write(QStringLiteral("menu %1: %2").arg(title->text(), items.join(QLatin1Char('|'))));
        }
    } else if (verb == QLatin1String("message")) {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        write(QStringLiteral("message: ") +
              QString(box->text()).replace(QLatin1Char('\n'), QStringLiteral("\\n")));
        QAbstractButton* press = box->defaultButton();
        if (press == nullptr && !box->buttons().isEmpty()) press = box->buttons().front();
        if (press != nullptr)
            press->click();
        else
            box->accept();
    } else if (verb == QLatin1String("shot")) {
        QWidget* window = context()->window();
        QCoreApplication::processEvents();
        QScreen* screen = window->screen();
        const QRect frame = window->frameGeometry();
        const QPixmap picture =
            screen->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
        if (!picture.save(step.rest.isEmpty() ? first : first + QLatin1Char(' ') + step.rest))
            fail(step, QStringLiteral("cannot write ") + first);
    } else if (verb == QLatin1String("ready")) {
        write(QStringLiteral("ready %1 style %2")
                  .arg(QDateTime::currentMSecsSinceEpoch())
                  .arg(QApplication::style()->name()));
    }
}

void DriveScript::write(const QString& line) {
    out_.write((line + QLatin1Char('\n')).toUtf8());
    out_.flush();
}

void DriveScript::fail(const Step& step, const QString& why) {
    write(QStringLiteral("FAIL line %1 (%2): %3").arg(step.line).arg(step.verb, why));
    out_.close();
    std::_Exit(3);
}

} // namespace quorvex::widgets
