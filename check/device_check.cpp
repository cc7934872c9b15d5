#include "check/device_check.h"

#include <chrono>

namespace quorvex::check {
namespace {

long long nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// The last exchange recorded before `step`'s own (bytes that waited when a
// command was written came after that one's reply).
LineExchange* previousExchange(std::vector<CheckStep>& steps, CheckStep& step, std::size_t i,
                               CheckStep** owner) {
    if (i > 0) {
        *owner = &step;
        return &step.exchanges[i - 1];
    }
    for (auto it = steps.rbegin(); it != steps.rend(); ++it) {
        if (&*it == &step || it->exchanges.empty()) continue;
        *owner = &*it;
        return &it->exchanges.back();
    }
    return nullptr;
}

} // namespace

int CheckRun::flagCount() const {
    int n = 0;
    for (const CheckStep& s : steps)
        n += static_cast<int>(s.flags.size());
    return n;
}

DeviceCheck::DeviceCheck(core::DriverFn driver, LineWatchFns watch)
    : driver_(std::move(driver)), watch_(std::move(watch)) {}

DeviceCheck::~DeviceCheck() {
    if (watching_) watch_.watch(0);
}

int32_t DeviceCheck::call(uint16_t code, DRVPARAM* record) {
    // Whatever the plan says: nothing that changes the device goes out.
    if (!onlyReads(code, record)) return -2;
    return driver_(code, record);
}

std::vector<LineExchange> DeviceCheck::takeExchanges() {
    std::vector<LineExchange> all;
    DRVEXCHANGE record;
    while (watch_.take(&record) == 1)
        all.push_back(lineExchange(record));
    return all;
}

void DeviceCheck::judgeIdentification(CheckStep& step) {
    for (std::size_t i = 0; i < step.exchanges.size(); ++i) {
        const LineExchange& e = step.exchanges[i];
        // The first "ATE0" of a sequence may still be echoed or go
        // unanswered: the program ignores its reply.
        const bool firstEcho = e.sent.starts_with("ATE0") &&
                               (i == 0 || !step.exchanges[i - 1].sent.starts_with("ATE0"));
        for (Flag f : judgeLine(e, !firstEcho, run_.adapter.nAllowMs)) {
            f.exchange = static_cast<int>(i);
            step.flags.push_back(f);
        }
        if (firstEcho) continue;
        for (Flag f : check::judgeIdentification(e)) {
            f.exchange = static_cast<int>(i);
            step.flags.push_back(f);
        }
    }
}

bool DeviceCheck::start(bool find) {
    startedMs_ = nowMs();
    // Without the library's record of the line there is nothing to judge.
    if (!watch_.watch || !watch_.take) return false;
    watch_.watch(1);
    watching_ = true;
    CheckStep search;
    search.kind = StepKind::Find;
    search.query.code = DRV_FINDPORT;
    std::vector<LineExchange> tries;
    if (find) {
        search.result = call(DRV_FINDPORT, nullptr);
        tries = takeExchanges();
        if (search.result != 0) return false;
    }
    CheckStep identity;
    identity.kind = StepKind::Identity;
    identity.query.code = DRV_IDENT;
    identity.result = call(DRV_IDENT, &identity.record);
    identity.exchanges = takeExchanges();
    run_.identity = core::identityFromRecord(identity.record);
    // The waits the reader granted allowed for the adapter: so does the judge.
    if (watch_.adapter) watch_.adapter(&run_.adapter);
    if (find) {
        // The search's tries on other ports are not the device's doing.
        for (LineExchange& e : tries)
            if (e.portIndex == run_.identity.portIndex) search.exchanges.push_back(std::move(e));
        judgeIdentification(search);
        run_.steps.push_back(std::move(search));
    }
    judgeIdentification(identity);
    run_.steps.push_back(std::move(identity));
    run_.found = run_.identity.modelNumber == 30 || run_.identity.modelNumber == 70;
    if (!run_.found) return false;
    plan_ = checkPlan(run_.identity.modelNumber);
    return true;
}

bool DeviceCheck::next() {
    if (!run_.found || run_.stoppedEarly || next_ >= total()) return false;
    CheckStep step;
    step.query = plan_[static_cast<std::size_t>(next_++)];
    step.record = queryRecord(step.query);
    std::vector<char> buffer;
    if (step.query.buffer > 0) {
        buffer.assign(static_cast<std::size_t>(step.query.buffer) + 1, '\0');
        drv_set_buffer(&step.record, buffer.data(), step.query.buffer);
    }
    step.result = call(step.query.code, &step.record);
    if (!buffer.empty()) step.text = buffer.data();
    step.exchanges = takeExchanges();
    const int portCount = core::portCountFor(run_.identity.modelNumber);
    for (std::size_t i = 0; i < step.exchanges.size(); ++i) {
        for (Flag f : judgeLine(step.exchanges[i], true, run_.adapter.nAllowMs)) {
            f.exchange = static_cast<int>(i);
            step.flags.push_back(f);
        }
    }
    if (!step.exchanges.empty()) {
        for (Flag f : judgeReply(step.query, step.exchanges.back(), step.text, portCount)) {
            f.exchange = static_cast<int>(step.exchanges.size() - 1);
            step.flags.push_back(f);
        }
    }
    const bool silent = step.result == -2 || step.result == -1;
    silentInARow_ = silent ? silentInARow_ + 1 : 0;
    if (silentInARow_ >= kSilentQueriesToStop) {
        run_.stoppedEarly = true;
        step.flags.push_back(makeFlag(Finding::NoReply, Detail::StoppedEarly));
    }
    run_.steps.push_back(std::move(step));
    return !run_.stoppedEarly && next_ < total();
}

CheckRun DeviceCheck::finish() {
    if (watching_) {
        watch_.watch(0);
        watching_ = false;
    }
    // Bytes that waited when a command was written came after the reply
    // before it: they are that exchange's finding.
    for (CheckStep& step : run_.steps) {
        for (std::size_t i = 0; i < step.exchanges.size(); ++i) {
            const LineExchange& e = step.exchanges[i];
            if (e.staleCount == 0) continue;
            CheckStep* owner = nullptr;
            LineExchange* before = previousExchange(run_.steps, step, i, &owner);
            if (before == nullptr) continue; // left over from before the check
            Flag f = makeFlag(Finding::BytesAfterEnd, Detail::BeforeNext);
            f.count = e.staleCount;
            f.bytes = e.stale;
            f.exchange = static_cast<int>(before - owner->exchanges.data());
            owner->flags.push_back(f);
        }
    }
    run_.elapsedMs = nowMs() - startedMs_;
    return std::move(run_);
}

} // namespace quorvex::check
