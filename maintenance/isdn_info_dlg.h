#pragma once
// CIsdnInfoDlg ("ISDN Info", command 5016): what the device reports about its
// ISDN line and itself, in seven framed items with their pictures, read when
// the dialog opens and every 3000 ms while it stays open. The values come
// from maintenance::IsdnInfo.

#include "maintenance/info_logic.h"

#include <QDialog>

#include <array>

class QLabel;
class QTimer;

namespace quorvex::widgets {

class CIsdnInfoDlg final : public QDialog {
    Q_OBJECT
public:
    static constexpr int kItemCount = 7;
    static constexpr int kFirstHeading = 6210;        // strings 6210-6222, step 2
    static constexpr int kFirstHeadingControl = 1522; // 1522-1528
    static constexpr int kFirstPictureControl = 1508; // 1508-1514
    static constexpr int kHelpBody = 7020;
    static constexpr int kTitle = 8524; // "ISDN Info"

    // Reads the four values once.
    explicit CIsdnInfoDlg(core::CConfigApp& app, QWidget* parent = nullptr);
    ~CIsdnInfoDlg() override;

    maintenance::IsdnInfo& logic() { return info_; }
    QTimer* refreshTimer() const { return timer_; }
    // One tick of the 3000 ms timer: read again and show.
    void tick();

protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void fill();

    core::CConfigApp& app_;
    maintenance::IsdnInfo info_;
    std::array<QLabel*, kItemCount> values_{};
    QTimer* timer_ = nullptr;
};

// Command 5016: the dialog, modal.
void runIsdnInfoDialog(core::CConfigApp& app, QWidget* parent);

} // namespace quorvex::widgets
