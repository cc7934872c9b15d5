#pragma once
// AcceptPageWidget: the call acceptance page's widget. Per port the acceptance mode,
// caller-ID and ring-delay selectors, the call waiting and lower volume boxes and
// the port's MSNs; the data port's two acceptance modes; the "Call back" button
// that opens the data callback dialog on the main window's values. Every rule is
// in telephony::AcceptPage; the widget binds controls by identifier.

#include "pages/telephony/accept_page.h"
#include "ui/page_widget.h"

#include <array>
#include <memory>

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;

namespace quorvex::widgets {

class CDropList;
class PortHeaderRow;

class AcceptPageWidget final : public PageWidget {
    Q_OBJECT
public:
    // model 30: three analog ports (31 and 32 hidden), otherwise five.
    AcceptPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                     QWidget* parent = nullptr);
    ~AcceptPageWidget() override;

    core::Page& logic() override { return logic_; }
    telephony::AcceptPage& page() { return logic_; }

protected:
    void refreshControls() override;
    void relabel(int language) override;
    void showEvent(QShowEvent* event) override;

private:
    void build(int portCount);
    CDropList* addSelector(int kind, int id, QRect where);

    telephony::AcceptPage logic_;
    std::unique_ptr<PortHeaderRow> header_;
    std::vector<CDropList*> selectors_;
    std::vector<QCheckBox*> waiting_;
    std::vector<QCheckBox*> lower_;
    std::vector<QListWidget*> lists_;
    QLabel* softFaxLabel_ = nullptr;
    QPushButton* callBack_ = nullptr;
    bool ready_ = false;
};

} // namespace quorvex::widgets
