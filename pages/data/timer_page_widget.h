#pragma once
// TimerPageWidget: the "Timer" page over data::TimerPage. Per analog port a
// "Morning call" group box with the "Activated" box and the time field, the
// port symbols and the port names in blue above them; the text and button
// "Synchronize time now"; the artwork. Enter and Tab go to the logic, which
// rewrites the time ("8:5" becomes "08:05") and moves the focus.

#include "pages/data/timer_page.h"
#include "ui/page_widget.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace quorvex::widgets {

class CPortSymbol;

class TimerPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 420;

    TimerPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent = nullptr);
    ~TimerPageWidget() override;

    core::Page& logic() override { return logic_; }
    data::TimerPage& timerPage() { return logic_; }

    void focus(int controlId) override;

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;

private:
    void build();
    void placeColumns();

    data::TimerPage logic_; // constructed after the frame: the frame is its PageUi
    std::array<CPortSymbol*, core::kMaxAnalogPorts> symbols_{};
    std::array<QLabel*, core::kMaxAnalogPorts> names_{};
    std::array<QLabel*, core::kMaxAnalogPorts> headings_{};
    std::array<QGroupBox*, core::kMaxAnalogPorts> groups_{};
    std::array<QCheckBox*, core::kMaxAnalogPorts> actives_{};
    std::array<QLineEdit*, core::kMaxAnalogPorts> times_{};
    QLabel* syncText_ = nullptr;
    QPushButton* sync_ = nullptr;
};

} // namespace quorvex::widgets
