#pragma once
// ChargePageWidget: the "Charge monitor" page over data::ChargePage. Three rows
// of six port columns (last outgoing call, current connection, sum per
// port), the device's total, the seven "Clear" buttons, the port symbols and
// the port names in blue. A QTimer drives the logic's timer tick while the
// logic says its timer runs (shown and not stopped); the logic decides what
// a tick does.

#include "pages/data/charge_page.h"
#include "ui/page_widget.h"

#include <array>

class QLabel;
class QPushButton;
class QTimer;

namespace quorvex::widgets {

class CPortSymbol;

class ChargePageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 420;

    ChargePageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent = nullptr);
    ~ChargePageWidget() override;

    core::Page& logic() override { return logic_; }
    data::ChargePage& chargePage() { return logic_; }
    QTimer* refreshTimer() const { return timer_; }

protected:
    void refreshControls() override;
    void relabel(int language) override;

private:
    void build();
    void placeColumns();

    data::ChargePage logic_; // constructed after the frame: the frame is its PageUi
    QTimer* timer_ = nullptr;
    std::array<CPortSymbol*, data::kChargeColumns> symbols_{};
    std::array<QLabel*, data::kChargeColumns> names_{};
    std::array<QLabel*, data::kChargeColumns> headings_{};
    std::array<QLabel*, data::kChargeRows> rowCaptions_{};
    std::array<std::array<QLabel*, data::kChargeColumns>, data::kChargeRows> cells_{};
    std::array<QPushButton*, data::kChargeColumns> clears_{};
    QLabel* totalCaption_ = nullptr;
    QLabel* total_ = nullptr;
    QPushButton* clearTotal_ = nullptr;
};

} // namespace quorvex::widgets
