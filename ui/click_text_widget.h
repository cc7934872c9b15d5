#pragma once
// A text that does something when clicked (the log book's numbers dial back).
// While it has an action it is a control like a button: Tab reaches it, Enter,
// Space or a click runs the action, the focus shows as a frame, and
// assistive technology sees a button of the name its owner gives it. Without
// an action it is a plain text.
//
// The action may cost money (a call), so only a deliberate press runs it: a
// held key's auto-repeat does nothing, and neither does any further press of
// Enter or Space until the key pressed last is released (a release that never
// came, say because the window lost the focus, leaves it that way).

#include <QLabel>

#include <functional>

namespace quorvex::widgets {

class CClickText final : public QLabel {
    Q_OBJECT
public:
    explicit CClickText(QWidget* parent = nullptr);

    // The action, or an empty function for a plain text.
    void setAction(std::function<void()> action);
    bool clickable() const { return static_cast<bool>(action_); }
    // Runs the action (a click, Enter, Space, or assistive technology's press).
    void activate();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> action_;
    int held_ = 0; // the key whose press ran the action and that is not released yet
};

} // namespace quorvex::widgets
