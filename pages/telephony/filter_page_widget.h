#pragma once
// FilterPageWidget: the call filter page's widget. Six columns (ports 11 ... 32 and
// the data port) of ten caller numbers (2800 + 10c + k) with an "Activated" box
// each (2860 + c); an R30 hides the columns of ports 31 and 32 (the data column
// stays). Every rule is in telephony::FilterPage.

#include "pages/telephony/filter_page.h"
#include "ui/page_widget.h"

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quorvex::widgets {

class PortHeaderRow;

class FilterPageWidget final : public PageWidget {
    Q_OBJECT
public:
    FilterPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                     QWidget* parent = nullptr);
    ~FilterPageWidget() override;

    core::Page& logic() override { return logic_; }
    telephony::FilterPage& page() { return logic_; }

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();

    telephony::FilterPage logic_;
    std::unique_ptr<PortHeaderRow> header_;
    std::vector<QLineEdit*> edits_;
    std::vector<QCheckBox*> boxes_;
    QLabel* hint_ = nullptr;
    bool ready_ = false;
};

} // namespace quorvex::widgets
