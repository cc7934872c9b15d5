#pragma once
// LogPageWidget: the log book page (page 10). Six port buttons, the port labels,
// the outgoing, incoming and not-answered lists of the selected port side by
// side in a grid of ten rows, the clear buttons and the dial-back click on a
// number. Every rule lives in maintenance::LogPage; this widget draws the grid,
// forwards clicks and runs the 5000 ms refresh timer while the page is shown.

#include "maintenance/log_page.h"
#include "ui/page_widget.h"

#include <array>

class QLabel;
class QPushButton;
class QRadioButton;
class QTimer;

namespace quorvex::widgets {

class CClickText;

class LogPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kPageIndex = 9;
    static constexpr int kHeight = 420;

    LogPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent = nullptr);
    ~LogPageWidget() override;

    core::Page& logic() override { return logic_; }
    maintenance::LogPage& logPage() { return logic_; }

    // The refresh timer (runs while the page is visible) and one tick of it.
    QTimer* refreshTimer() const { return timer_; }
    void tick();

    // A click on number cell 3130 + 10 L + E: posts L * 10 + E to the page
    // (handled from the event loop, as the private message it stands for).
    void numberClicked(int controlId);

protected:
    void refreshControls() override;
    void relabel(int language) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void buildPorts();
    void buildGrid();
    void refreshNumberCell(CClickText* cell, int id);

    maintenance::LogPage logic_;
    std::array<QRadioButton*, maintenance::kLogPortCount> ports_{};
    std::array<QLabel*, maintenance::kLogPortCount> portLabels_{};
    std::array<QLabel*, maintenance::kLogListCount> headings_{};
    // Per list: "Date  Time", "Phone number"; the outgoing list also "charges".
    std::array<QLabel*, maintenance::kLogListCount * 2 + 1> columnHeads_{};
    std::array<QPushButton*, maintenance::kLogListCount + 1> clears_{};
    std::array<CClickText*, 100> cells_{}; // 3100-3199
    QLabel* hint_ = nullptr;
    QTimer* timer_ = nullptr;
};

} // namespace quorvex::widgets
