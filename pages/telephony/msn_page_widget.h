#pragma once
// MsnPageWidget: the MSN page's widget over telephony::MsnPage. Per port a label,
// the symbol picker, the name (in blue), the MSN fields and the CLIP box; the
// data port with five MSNs. An R30 spreads its three ports and the data port
// over the page; ports 31 and 32 do not exist there.

#include "pages/telephony/msn_page.h"
#include "ui/page_widget.h"

#include <QHash>

#include <array>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quorvex::widgets {

class CPortSymbol;

class MsnPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kPageIndex = 0;

    MsnPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                  QWidget* parent = nullptr);
    ~MsnPageWidget() override;

    core::Page& logic() override { return logic_; }
    telephony::MsnPage& msn() { return logic_; }

    QLineEdit* edit(int controlId) const { return edits_.value(controlId, nullptr); }
    QCheckBox* clipBox(int controlId) const { return clips_.value(controlId, nullptr); }
    CPortSymbol* symbol(int index) const { return symbols_[static_cast<std::size_t>(index)]; }

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;

private:
    void buildColumn(int slot, int column, int columnWidth);
    QLineEdit* addEdit(int controlId, const QRect& where, bool isMsn);

    telephony::MsnPage logic_;
    QHash<int, QLineEdit*> edits_;
    QHash<int, QCheckBox*> clips_;
    std::array<CPortSymbol*, telephony::kSlotCount> symbols_{};
    std::array<QLabel*, telephony::kSlotCount> portLabels_{};
    QLabel* clipNote_ = nullptr;         // 6032
    QLabel* faxNote_ = nullptr;          // 6034
    std::vector<QWidget*> readingOrder_; // column by column
};

} // namespace quorvex::widgets
