#pragma once
// ShortDialPageWidget: the short dial and special ring page's widget. Per port ten
// short dial edits (2550 + 10p + k, rows labelled 0-9) and the special ring box
// (2600 + p). Every rule (validation, port names as star codes, leaving a field,
// Enter and Tab) is in telephony::ShortDialPage; the widget binds controls by
// identifier and forwards the user's events.

#include "pages/telephony/short_dial_page.h"
#include "ui/page_widget.h"

#include <memory>
#include <vector>

class QCheckBox;
class QLabel;
class QLineEdit;

namespace quorvex::widgets {

class PortHeaderRow;

class ShortDialPageWidget final : public PageWidget {
    Q_OBJECT
public:
    ShortDialPageWidget(core::CConfigApp& app, core::PageHost& host, int model,
                        QWidget* parent = nullptr);
    ~ShortDialPageWidget() override;

    core::Page& logic() override { return logic_; }
    telephony::ShortDialPage& page() { return logic_; }

protected:
    void refreshControls() override;
    void relabel(int language) override;
    bool enterOrTab(int focusedId) override;
    void sendClicked() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void build();

    telephony::ShortDialPage logic_;
    std::unique_ptr<PortHeaderRow> header_;
    std::vector<QLineEdit*> edits_;
    std::vector<QCheckBox*> rings_;
    std::vector<QLabel*> rowLabels_;
    QLabel* hint_ = nullptr;
    bool ready_ = false;
};

// Whether a focus change is a move inside the window (Tab, a click, the program)
// rather than the window losing the focus to a message box or a menu.
bool isMoveWithinWindow(const QEvent* event);

} // namespace quorvex::widgets
