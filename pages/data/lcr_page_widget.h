#pragma once
// LcrPageWidget: the "Least Cost Routing -LCR-" page over data::LcrPage. "LCR
// activated", the day types "Mon-Fri" / "Sat-Sun", six time band rows (from,
// till, predial number, provider name, apply-to-local-calls, active) and
// eight excluded ranges (from, to, active) of the day type shown, the column
// headings and the artwork. Every keystroke, click and leave goes to the
// logic, which decides and has the controls refreshed.

#include "pages/data/lcr_page.h"
#include "ui/page_widget.h"

#include <map>

class QLabel;

namespace quorvex::widgets {

class LcrPageWidget final : public PageWidget {
    Q_OBJECT
public:
    static constexpr int kHeight = 480;

    LcrPageWidget(core::CConfigApp& app, core::PageHost& host, QWidget* parent = nullptr);
    ~LcrPageWidget() override;

    core::Page& logic() override { return logic_; }
    data::LcrPage& lcrPage() { return logic_; }

    void focus(int controlId) override;

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;
    void sendClicked() override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void build();
    void buildBandRow(int row, int y);
    void buildRangeRow(QWidget* box, int row, int x, int y);
    void addEdit(QWidget* parent, int id, const QRect& where, int maxLength);
    void addToggle(QWidget* parent, int id, const QRect& where);
    void reportWriteFailures();

    data::LcrPage logic_; // constructed after the frame: the frame is its PageUi
    std::map<int, QWidget*> controls_;
    std::map<int, QLabel*> headings_; // text id -> painted heading
    bool reportPending_ = false;
};

} // namespace quorvex::widgets
