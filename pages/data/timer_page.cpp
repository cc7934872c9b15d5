#include "pages/data/timer_page.h"

#include "core/clock_time.h"
#include "core/config_app.h"
#include "profile/sections.h"

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace quorvex::data {

namespace {

constexpr std::string_view kSection = profile::sectionName(profile::Section::Timer);
constexpr int kMsgErrorFormat = 9056; // the same words, should no widget show them fixed
constexpr std::size_t kMaxTypedTime = 5;

int byteAt(const DRVPARAM& r, std::size_t i) {
    return static_cast<unsigned char>(r.szText[i]);
}

} // namespace

DateTime localDateTime() {
    const std::time_t now = std::time(nullptr);
    std::tm tm{};
#ifdef _WIN32
    localtime_s(&tm, &now);
#else
    localtime_r(&now, &tm);
#endif
    return {tm.tm_year + 1900, tm.tm_mon + 1, tm.tm_mday, tm.tm_hour, tm.tm_min, tm.tm_sec};
}

std::string formatDateTime(const DateTime& t) {
    char buffer[96];
    std::snprintf(buffer, sizeof buffer, "%02d/%02d/%04d %02d:%02d:%02d", t.day, t.month, t.year,
                  t.hour, t.minute, t.second);
    return buffer;
}

bool timeTypingAccepted(const std::string& text) {
    if (text.size() > kMaxTypedTime) return false;
    std::string copy = text;
    int hour = 0;
    int minute = 0;
    return core::ParseClockTime(copy, hour, minute);
}

TimerPage::TimerPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
    : PageBase(app, ui, host) {}

int TimerPage::portCount() const {
    return app_.portCount == 3 ? 3 : 5;
}

// ---- reading ----

void TimerPage::readDevice() {
    hidden_ = false;
    ui_.setBusy(true);
    items().read(app_);
    readClock();
    lastTimeField_ = -1;
    ui_.refresh();
    ui_.setBusy(false);
    ui_.focus(timer_control::kActiveBase);
}

void TimerPage::readClock() {
    clockLost_ = false;
    const DateTime computer = wallClock_();
    computerClock_ = formatDateTime(computer);
    DRVPARAM r = core::makeRecord(0, 0, core::kOpTimeQuery);
    if (core::queryDone(app_.SendDrvCmd(DRV_CLOCK, &r), r)) {
        if (r.nValue == 1) {
            // The device's clock was never set (it answers "--" for the day):
            // it gets the computer's time at once.
            writeClock(computer);
            deviceClock_ = computerClock_;
        } else {
            deviceClock_ = formatDateTime(
                {r.nValue, byteAt(r, 0), byteAt(r, 1), byteAt(r, 2), byteAt(r, 3), byteAt(r, 4)});
        }
    } else {
        deviceClock_.clear();
    }
}

void TimerPage::shown() {
    hidden_ = false;
    ui_.focus(timer_control::kActiveBase);
}

// ---- the clock ----

void TimerPage::writeClock(const DateTime& t) {
    DRVPARAM r = core::makeRecord(0, 0, core::kOpTimeSet);
    drv_set_clock(&r, t.year, t.month, t.day, t.hour, t.minute, t.second);
    app_.SendDrvCmd(DRV_CLOCK, &r); // the device shows its clock; nothing to do on failure
}

void TimerPage::synchronize() {
    if (app_.soundOn) ui_.beep();
    writeClock(wallClock_());
}

// ---- sending ----

core::ItemTable& TimerPage::items() const {
    const int ports = portCount();
    if (itemPorts_ == ports) return items_;
    items_ = core::ItemTable();
    auto& self = const_cast<TimerPage&>(*this);
    for (const profile::KeySpec& key : profile::keysOf(profile::Section::Timer, ports)) {
        core::ItemSpec spec;
        if (key.first < 0 || key.first >= ports || !core::itemSpecOf(key, spec)) continue;
        const std::size_t p = std::size_t(key.first);
        if (spec.field == core::ValueField::Flag)
            items_.add(std::move(spec), self.active_[p]);
        else
            items_.add(std::move(spec), self.time_[p]);
    }
    itemPorts_ = ports;
    return items_;
}

bool TimerPage::hasUnsentChanges() const {
    return items().anyChanged();
}

void TimerPage::sendItems(bool all) {
    report_.clear();
    core::ItemTable& table = items();
    table.send(
        app_, report_, all ? core::SendMode::All : core::SendMode::Changed, [&](std::size_t i) {
            const core::ItemSpec& spec = table.spec(i);
            if (spec.field == core::ValueField::Time) {
                // A time that went to the device shows at once as the
                // "HH:MM" it became; a time that is none stays as typed.
                const auto& ports = core::kAnalogPortNumbers;
                const auto p =
                    std::size_t(std::find(ports.begin(), ports.end(), spec.port) - ports.begin());
                std::string shown = time_[p].edited;
                int hour = 0;
                int minute = 0;
                if (core::ParseClockTime(shown, hour, minute)) ui_.refresh();
            }
            if (all) host_.progress();
        });
}

void TimerPage::send() {
    ui_.setBusy(true);
    sendItems(false);
    ui_.refresh();
    ui_.setBusy(false);
}

void TimerPage::discard() {
    items().discardAll();
    lastTimeField_ = -1;
    ui_.refresh();
}

// ---- profiles ----

void TimerPage::profileLoad(int selector) {
    // Only the edited copies take the file's values: what the device
    // refuses stays pending instead of passing for sent.
    items().load(app_.profiles(), selector, kSection);
    lastTimeField_ = -1;
    ui_.refresh();
    ui_.setBusy(true);
    sendItems(true);
    if (clockLost_) readClock();
    ui_.refresh();
    ui_.setBusy(false);
}

void TimerPage::forget() {
    for (std::size_t p = 0; p < core::kMaxAnalogPorts; ++p) {
        active_[p].forget();
        time_[p].forget();
    }
    clockLost_ = true;
}

std::vector<std::string> TimerPage::unconfirmedItems() const {
    std::vector<std::string> out;
    items().addUnconfirmed(kSection, out);
    return out;
}

core::WriteReport TimerPage::profileSave(int selector) {
    core::WriteReport report;
    items().save(app_.profiles(), selector, kSection, report);
    return report;
}

// ---- the controls ----

int TimerPage::portOf(int controlId, int base) const {
    const int p = controlId - base;
    return p >= 0 && p < portCount() ? p : -1;
}

std::string TimerPage::text(int controlId) const {
    const int p = portOf(controlId, timer_control::kTimeBase);
    return p < 0 ? std::string() : time_[std::size_t(p)].edited;
}

bool TimerPage::flag(int controlId) const {
    const int p = portOf(controlId, timer_control::kActiveBase);
    return p >= 0 && active_[std::size_t(p)].edited != 0;
}

void TimerPage::typeText(int controlId, const std::string& typed) {
    const int p = portOf(controlId, timer_control::kTimeBase);
    if (p < 0) return;
    lastTimeField_ = p;
    core::Item<std::string>& item = time_[std::size_t(p)];
    if (timeTypingAccepted(typed)) {
        item.edited = typed;
        return;
    }
    ui_.message(kMsgTimeFormat);
    item.discard();
    ui_.refresh();
    ui_.focus(controlId);
}

void TimerPage::takeText(int controlId, const std::string& text) {
    const int p = portOf(controlId, timer_control::kTimeBase);
    if (p < 0) return;
    lastTimeField_ = p;
    time_[std::size_t(p)].edited = text;
}

void TimerPage::click(int controlId) {
    if (controlId == timer_control::kSync) {
        synchronize();
        return;
    }
    const int p = portOf(controlId, timer_control::kActiveBase);
    if (p < 0) return;
    core::Item<int>& item = active_[std::size_t(p)];
    item.edited = item.edited != 0 ? 0 : 1;
    ui_.refresh();
}

void TimerPage::enterOrTab(int controlId) {
    const int p = lastTimeField_;
    lastTimeField_ = -1;
    if (p >= 0 && p < portCount()) {
        core::Item<std::string>& item = time_[std::size_t(p)];
        int hour = 0;
        int minute = 0;
        std::string rewritten = item.edited;
        if (item.edited.size() > kMaxTypedTime || !core::ParseClockTime(rewritten, hour, minute)) {
            if (showFixedText)
                showFixedText(kErrorFormatText);
            else
                ui_.message(kMsgErrorFormat);
            item.discard();
            ui_.refresh();
            return;
        }
        item.edited = rewritten;
        ui_.refresh();
    }
    // The next control in the page's order: the ports' boxes and times, the buttons.
    int next = timer_control::kActiveBase;
    if (int a = portOf(controlId, timer_control::kActiveBase); a >= 0) {
        next = timer_control::kTimeBase + a;
    } else if (int t = portOf(controlId, timer_control::kTimeBase); t >= 0) {
        next = t + 1 < portCount() ? timer_control::kActiveBase + t + 1 : timer_control::kSync;
    } else if (controlId == timer_control::kSync) {
        next = timer_control::kSend;
    }
    ui_.focus(next);
}

std::string TimerPage::portName(int port) const {
    if (port < 0 || port >= core::kMaxAnalogPorts) return std::string();
    const std::string& name = app_.cache.analog[std::size_t(port)].name;
    return name.empty() ? core::defaultPortName(port) : name;
}

} // namespace quorvex::data
