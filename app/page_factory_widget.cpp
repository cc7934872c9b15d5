#include "app/page_factory_widget.h"

#include "app/page_kinds.h"

#include "maintenance/log_page_widget.h"
#include "pages/data/charge_page_widget.h"
#include "pages/data/data_page_widget.h"
#include "pages/data/lcr_page_widget.h"
#include "pages/data/timer_page_widget.h"
#include "pages/telephony/accept_page_widget.h"
#include "pages/telephony/filter_page_widget.h"
#include "pages/telephony/forward_page_widget.h"
#include "pages/telephony/msn_page_widget.h"
#include "pages/telephony/short_dial_page_widget.h"
#include "ui/page_widget.h"

#include <QStackedWidget>

namespace quorvex::widgets {

PageWidget* makePageWidget(int index, int model, core::CConfigApp& app, core::PageHost& host,
                           QWidget* parent) {
    PageWidget* page = nullptr;
    const bool known = app::visitPageKind(index, [&]<typename Kind>() {
        using Widget = typename Kind::WidgetPage;
        if constexpr (Kind::kLayout == app::Layout::None)
            page = new Widget(app, host, parent);
        else
            page = new Widget(app, host, model, parent);
    });
    if (!known) return new PlaceholderPageWidget(app, host, index, parent);
    return page;
}

// ---- PageHandle ----

PageHandle::PageHandle(PageWidget* widget) : widget_(widget) {}

PageHandle::~PageHandle() {
    delete widget_.data();
}

void PageHandle::readDevice() {
    if (widget_) widget_->logic().readDevice();
}

void PageHandle::shown() {
    if (widget_) widget_->logic().shown();
}

void PageHandle::hidden() {
    if (widget_) widget_->logic().hidden();
}

void PageHandle::language(int lang) {
    if (!widget_) return;
    widget_->logic().language(lang);
    widget_->applyLanguage(lang);
}

void PageHandle::profileLoad(int selector) {
    if (widget_) widget_->logic().profileLoad(selector);
}

core::WriteReport PageHandle::profileSave(int selector) {
    return widget_ ? widget_->logic().profileSave(selector) : core::WriteReport{};
}

void PageHandle::pausePoll(bool pause) {
    if (widget_) widget_->logic().pausePoll(pause);
}

int PageHandle::mayLeave() {
    return widget_ ? widget_->logic().mayLeave() : 1;
}

std::vector<std::string> PageHandle::unconfirmedItems() const {
    return widget_ ? widget_->logic().unconfirmedItems() : std::vector<std::string>{};
}

bool PageHandle::hasUnsentChanges() const {
    return widget_ && widget_->logic().hasUnsentChanges();
}

void PageHandle::send() {
    if (widget_) widget_->logic().send();
}

void PageHandle::discard() {
    if (widget_) widget_->logic().discard();
}

void PageHandle::fieldChanged(int controlId) {
    if (widget_) widget_->logic().fieldChanged(controlId);
}

void PageHandle::fieldLeft(int controlId) {
    if (widget_) widget_->logic().fieldLeft(controlId);
}

void PageHandle::enterOrTab() {
    if (widget_) widget_->logic().enterOrTab();
}

void PageHandle::acceptField() {
    if (widget_) widget_->logic().acceptField();
}

void PageHandle::timerTick() {
    if (widget_) widget_->logic().timerTick();
}

// ---- the factory ----

std::unique_ptr<core::Page> WidgetPageFactory::createPage(int index, int model,
                                                          core::PageHost& host) {
    if (index < 0 || index >= menus::kPageCount) return nullptr;
    PageWidget* w = makePageWidget(index, model, app_, host, stack_);
    if (w == nullptr) return nullptr;
    if (stack_ != nullptr) stack_->addWidget(w);
    widgets_[static_cast<std::size_t>(index)] = w;
    return std::make_unique<PageHandle>(w);
}

PageWidget* WidgetPageFactory::widget(int index) const {
    if (index < 0 || index >= menus::kPageCount) return nullptr;
    return widgets_[static_cast<std::size_t>(index)].data();
}

} // namespace quorvex::widgets
