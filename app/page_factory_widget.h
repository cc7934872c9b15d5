#pragma once
// The desktop program's page factory: for each page index the widget (which
// owns the page's logic object), put into the main window's stack. The main
// window's logic owns a PageHandle per page; destroying the handle (a model
// change rebuilds the pages) destroys the widget and with it the logic.
//
// Adding a page: one line in PageKinds (page_kinds.h).

#include "app/main_window_logic.h"
#include "ui/page_widget.h"

#include <QPointer>

#include <array>
#include <memory>

class QStackedWidget;
class QWidget;

namespace quorvex::widgets {

// The page's widget of index for model (30 = R30); pages without a widget yet
// get the placeholder.
PageWidget* makePageWidget(int index, int model, core::CConfigApp& app, core::PageHost& host,
                           QWidget* parent);

// core::Page over a page widget: every operation goes to the widget's logic;
// the language switch relabels the widget too.
class PageHandle final : public core::Page {
public:
    explicit PageHandle(PageWidget* widget);
    ~PageHandle() override;
    PageHandle(const PageHandle&) = delete;
    PageHandle& operator=(const PageHandle&) = delete;

    PageWidget* widget() const { return widget_; }

    void readDevice() override;
    void shown() override;
    void hidden() override;
    void language(int lang) override;
    void profileLoad(int selector) override;
    core::WriteReport profileSave(int selector) override;
    void pausePoll(bool pause) override;
    int mayLeave() override;
    std::vector<std::string> unconfirmedItems() const override;
    bool hasUnsentChanges() const override;
    void send() override;
    void discard() override;
    void fieldChanged(int controlId) override;
    void fieldLeft(int controlId) override;
    void enterOrTab() override;
    void acceptField() override;
    void timerTick() override;

private:
    QPointer<PageWidget> widget_;
};

class WidgetPageFactory final : public app::PageFactory {
public:
    WidgetPageFactory(core::CConfigApp& app, QStackedWidget* stack) : app_(app), stack_(stack) {}

    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& host) override;

    // The widget of page index, or nullptr.
    PageWidget* widget(int index) const;

private:
    core::CConfigApp& app_;
    QStackedWidget* stack_;
    std::array<QPointer<PageWidget>, menus::kPageCount> widgets_{};
};

} // namespace quorvex::widgets
