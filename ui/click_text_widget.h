#pragma once
// A text that does something when clicked (the log book's numbers dial back).
// While it has an action it is a control like a button: Tab reaches it, Enter,
// Space or a click runs the action, the focus shows as a frame, and
// assistive technology sees a button of the name its owner gives it. Without
// an action it is a plain text.

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
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<void()> action_;
};

} // namespace quorvex::widgets
