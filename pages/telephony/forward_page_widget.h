#pragma once
// ForwardPageWidget: the call forwarding page's widget. Per port three target fields
// (immediately 2720 + p, if busy 2725 + p, after 20 seconds 2730 + p), each sent on
// its own button (field + 15); the port's first MSN in red (2700 + p); the status
// line the logic names, whose error text a timer returns to idle after 4 seconds;
// the red reminder that every field has its own button. No general Send button.

#include "pages/telephony/forward_page.h"
#include "ui/page_widget.h"

#include <memory>
#include <vector>

class QLabel;
class QLineEdit;
class QPushButton;
class QTimer;

namespace quorvex::widgets {

class PortHeaderRow;

class ForwardPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kFirstMsnLabel = 2700; // + port index

    ForwardPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                      QWidget* parent = nullptr);
    ~ForwardPageWidget() override;

    core::Page& logic() override { return logic_; }
    telephony::ForwardPage& page() { return logic_; }

    QLabel* statusLine() const { return status_; }
    QTimer* statusTimer() const { return timer_; }

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();
    void syncStatusTimer();
    void statusTimerFired();

    telephony::ForwardPage logic_;
    std::unique_ptr<PortHeaderRow> header_;
    std::vector<QLineEdit*> fields_;
    std::vector<QPushButton*> buttons_; // each field's, in the same order
    std::vector<QLabel*> rowLabels_;    // per port and type
    std::vector<QLabel*> firstMsns_;
    QLabel* status_ = nullptr;
    QLabel* report_ = nullptr;
    QLabel* reminder_ = nullptr;
    QTimer* timer_ = nullptr;
    bool ready_ = false;
};

} // namespace quorvex::widgets
