#pragma once
// CMonitorDlg ("Quorvex Monitor", command 5010): every port side by side,
// read only, refreshed every 5000 ms: name and symbol, first MSN, CLIP,
// forwarding, the two charge rows, the total and the last outgoing calls.
// The reading lives in app::MonitorLogic; this dialog lays the texts out.

#include "app/monitor_logic.h"

#include <QDialog>

#include <array>
#include <vector>

class QLabel;
class QTimer;

namespace quorvex::widgets {

class CPortSymbol;

class CMonitorDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kTitleControl = 1581;
    static constexpr int kTotalControl = 1255;
    static constexpr int kFirstSymbolControl = 1023;
    static constexpr int kFirstCharge1Control = 1243;
    static constexpr int kFirstCharge2Control = 1249;

    // Reads everything once (the window opens with the device's values).
    explicit CMonitorDlg(core::CConfigApp& app, QWidget* parent = nullptr);
    ~CMonitorDlg() override;

    app::MonitorLogic& logic() { return logic_; }
    QTimer* refreshTimer() const { return timer_; }
    // One tick of the 5000 ms timer: read again when connected, show.
    void tick();

    static QString caption() { return QStringLiteral("Quorvex Monitor"); }

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QLabel* addLabel(int id, const QRect& at, bool bold = false);
    void fill();
    void loadSymbols();

    core::CConfigApp& app_;
    app::MonitorLogic logic_;
    std::array<CPortSymbol*, app::kMonitorColumns> symbols_{};
    std::vector<QLabel*> valueLabels_; // every label filled from the logic (objectName = id)
    QLabel* total_ = nullptr;
    QTimer* timer_ = nullptr;
};

// Command 5010: the monitor window, modal.
void runMonitorDialog(core::CConfigApp& app, QWidget* parent);

} // namespace quorvex::widgets
