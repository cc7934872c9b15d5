#include "ui/click_text_widget.h"

#include "ui/accessibility.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace quorvex::widgets {

CClickText::CClickText(QWidget* parent) : QLabel(parent) {
    installAccessibleInterfaces();
    setTextFormat(Qt::PlainText);
    setFocusPolicy(Qt::NoFocus);
}

void CClickText::setAction(std::function<void()> action) {
    const bool was = clickable();
    action_ = std::move(action);
    if (was == clickable()) return;
    setFocusPolicy(clickable() ? Qt::StrongFocus : Qt::NoFocus);
    if (clickable())
        setCursor(Qt::PointingHandCursor);
    else
        unsetCursor();
    if (!clickable() && hasFocus()) focusNextChild();
    update();
}

void CClickText::activate() {
    if (action_) action_();
}

void CClickText::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && clickable()) {
        event->accept();
        activate();
        return;
    }
    QLabel::mousePressEvent(event);
}

namespace {
bool activates(int key) {
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}
} // namespace

void CClickText::keyPressEvent(QKeyEvent* event) {
    const int key = event->key();
    if (clickable() && activates(key)) {
        event->accept();
        if (event->isAutoRepeat() || held_ != 0) return; // not a new, deliberate press
        held_ = key;
        activate();
        return;
    }
    QLabel::keyPressEvent(event);
}

void CClickText::keyReleaseEvent(QKeyEvent* event) {
    if (activates(event->key())) {
        event->accept();
        if (!event->isAutoRepeat() && event->key() == held_) held_ = 0;
        return;
    }
    QLabel::keyReleaseEvent(event);
}

void CClickText::paintEvent(QPaintEvent* event) {
    QLabel::paintEvent(event);
    if (!hasFocus()) return;
    QPainter painter(this);
    painter.setPen(QPen(palette().color(foregroundRole()), 1, Qt::DotLine));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

} // namespace quorvex::widgets
