#include "pages/data/timer_page.h"

#include "core/clock_time.h"
#include "core/config_app.h"
#include "profile/sections.h"

#include <cstdio>
#include <ctime>

namespace quorvex::data {

namespace {

constexpr std::string_view kSection = profile::sectionName(profile::Section::Timer);
constexpr int kOpFlagQuery = 0;
constexpr int kOpFlagSet = 1;
constexpr int kOpTimeQuery = 3;
constexpr int kOpTimeSet = 4;
constexpr int kMsgErrorFormat = 9056; // the same words, should no widget show them fixed
constexpr std::size_t kMaxTypedTime = 5;

std::string clockText(int hour, int minute) {
    char buffer[24];
    std::snprintf(buffer, sizeof buffer, "%02d:%02d", hour, minute);
    return buffer;
}

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
    const int ports = portCount();
    for (int p = 0; p < ports; ++p) {
        DRVPARAM r = core::makeRecord(core::kAnalogPortNumbers[std::size_t(p)], 0, kOpFlagQuery);
        const bool ok = core::queryDone(app_.SendDrvCmd(DRV_PORTTIMER, &r), r);
        active_[std::size_t(p)].reset(ok && r.bFlag != 0 ? 1 : 0, ok);
    }
    for (int p = 0; p < ports; ++p) {
        DRVPARAM r = core::makeRecord(core::kAnalogPortNumbers[std::size_t(p)], 0, kOpTimeQuery);
        const bool ok = core::queryDone(app_.SendDrvCmd(DRV_PORTTIMER, &r), r);
        time_[std::size_t(p)].reset(ok ? clockText(byteAt(r, 2), byteAt(r, 3)) : std::string(), ok);
    }
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
    DRVPARAM r = core::makeRecord(0, 0, kOpTimeQuery);
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
    DRVPARAM r = core::makeRecord(0, 0, kOpTimeSet);
    drv_set_clock(&r, t.year, t.month, t.day, t.hour, t.minute, t.second);
    app_.SendDrvCmd(DRV_CLOCK, &r); // the device shows its clock; nothing to do on failure
}

void TimerPage::synchronize() {
    if (app_.soundOn) ui_.beep();
    writeClock(wallClock_());
}

// ---- sending ----

bool TimerPage::hasUnsentChanges() const {
    for (int p = 0; p < portCount(); ++p) {
        if (active_[std::size_t(p)].changed() || time_[std::size_t(p)].changed()) return true;
    }
    return false;
}

void TimerPage::sendItems(bool all) {
    report_.clear();
    const int ports = portCount();
    for (int p = 0; p < ports; ++p) {
        core::Item<int>& item = active_[std::size_t(p)];
        if (!all && !item.changed()) continue;
        DRVPARAM r = core::makeRecord(core::kAnalogPortNumbers[std::size_t(p)], 0, kOpFlagSet);
        r.bFlag = item.edited != 0 ? 1 : 0;
        const core::SendOutcome outcome = core::sendOutcome(app_.SendDrvCmd(DRV_PORTTIMER, &r), r);
        report_.add(r, outcome);
        if (outcome == core::SendOutcome::Done) item.confirm();
        if (all) host_.progress();
    }
    for (int p = 0; p < ports; ++p) {
        core::Item<std::string>& item = time_[std::size_t(p)];
        if (!all && !item.changed()) continue;
        int hour = 0;
        int minute = 0;
        // A time that cannot be read is not sent and stays pending.
        if (core::ParseClockTime(item.edited, hour, minute)) {
            DRVPARAM r = core::makeRecord(core::kAnalogPortNumbers[std::size_t(p)], 0, kOpTimeSet);
            drv_set_port_time(&r, hour, minute);
            const core::SendOutcome outcome =
                core::sendOutcome(app_.SendDrvCmd(DRV_PORTTIMER, &r), r);
            report_.add(r, outcome);
            if (outcome == core::SendOutcome::Done) item.confirm();
            ui_.refresh();
        } else {
            report_.addUnsent("(time " + item.edited + ")");
        }
        if (all) host_.progress();
    }
}

void TimerPage::send() {
    ui_.setBusy(true);
    sendItems(false);
    ui_.refresh();
    ui_.setBusy(false);
}

void TimerPage::discard() {
    for (int p = 0; p < portCount(); ++p) {
        active_[std::size_t(p)].discard();
        time_[std::size_t(p)].discard();
    }
    lastTimeField_ = -1;
    ui_.refresh();
}

// ---- profiles ----

void TimerPage::profileLoad(int selector) {
    core::ProfileStore& store = app_.profiles();
    // Only the edited copies take the file's values: what the device
    // refuses stays pending instead of passing for sent.
    for (const profile::KeySpec& spec : profile::keysOf(profile::Section::Timer, portCount())) {
        if (spec.first < 0 || spec.first >= portCount()) continue;
        const std::size_t p = std::size_t(spec.first);
        if (spec.form == profile::ValueForm::Switch) {
            active_[p].edited =
                store.readInt(selector, kSection, spec.name, spec.numberDefault) != 0;
        } else {
            time_[p].edited = store.readString(selector, kSection, spec.name, spec.textDefault);
        }
    }
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
    for (const profile::KeySpec& spec : profile::keysOf(profile::Section::Timer, portCount())) {
        if (spec.first < 0 || spec.first >= portCount()) continue;
        const std::size_t p = std::size_t(spec.first);
        const bool known =
            spec.form == profile::ValueForm::Switch ? active_[p].known : time_[p].known;
        if (!known) out.push_back(core::itemName(kSection, spec.name));
    }
    return out;
}

core::WriteReport TimerPage::profileSave(int selector) {
    core::WriteReport report;
    for (const profile::KeySpec& spec : profile::keysOf(profile::Section::Timer, portCount())) {
        if (spec.first < 0 || spec.first >= portCount()) continue;
        const std::size_t p = std::size_t(spec.first);
        const std::string value = spec.form == profile::ValueForm::Switch
                                      ? std::string(active_[p].confirmed != 0 ? "1" : "0")
                                      : time_[p].confirmed;
        report.write(app_.profiles(), selector, kSection, spec.name, value);
    }
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
