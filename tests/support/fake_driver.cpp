#include "support/fake_driver.h"

#include "core/page_items.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace quorvex::test {

Answer Answer::okText(std::string t) {
    Answer a;
    a.text = std::move(t);
    return a;
}
Answer Answer::okFlag(int f) {
    Answer a;
    a.flag = f;
    return a;
}
Answer Answer::okValue(int v) {
    Answer a;
    a.value = v;
    return a;
}
Answer Answer::notAcknowledged() {
    Answer a;
    a.bOk = 0;
    return a;
}
Answer Answer::noReply() {
    Answer a;
    a.result = -2;
    a.bReply = 0;
    a.bOk = 0;
    return a;
}
Answer Answer::returns(int32_t result) {
    Answer a;
    a.result = result;
    a.apply = nullptr;
    a.bReply = -1; // marks "leave the record alone"
    return a;
}
Answer Answer::identity(int portIndex, int model, bool usb, std::string firmware,
                        std::string bootCode) {
    Answer a;
    a.result = 1;
    a.cmdEcho = std::move(firmware);
    a.apply = [=](DRVPARAM& r) {
        r.nPort = portIndex;
        r.nIndex = model;
        int32_t flag = usb ? 1 : 0;
        std::memcpy(r.szText2 + 16, &flag, sizeof flag);
        char* boot = reinterpret_cast<char*>(&r) + offsetof(DRVPARAM, nValue);
        std::memset(boot, 0, 36);
        std::memcpy(boot, bootCode.data(), std::min<std::size_t>(bootCode.size(), 35));
    };
    return a;
}

void PrintTo(const Cmd& c, std::ostream* os) {
    *os << "{" << c.code << ", " << c.port << ", " << c.index << ", " << c.op << ", \"" << c.text
        << "\"}";
}

int32_t FakeDriver::noReplyResult(uint16_t code) {
    switch (code) {
    case DRV_PING:
    case DRV_PING2:
    case DRV_CALLCHECK:
        return -1;
    case DRV_NOP:
    case DRV_CLOSE:
    case DRV_STORE:
        return 0;
    case DRV_IDENT:
    case DRV_DOWNLOAD:
    case DRV_WRITERAW:
    case DRV_DOWNLOADRESULT:
    case DRV_NOP1:
    case DRV_BOOTPROBE:
    case DRV_SETSPEED:
    case DRV_BOOTPROBE2:
        return 1;
    default:
        return -2;
    }
}

namespace {

bool matches(const Match& m, uint16_t code, const DRVPARAM* p) {
    if (m.code != code) return false;
    if (p == nullptr) return !m.port && !m.index && !m.op;
    return (!m.port || *m.port == p->nPort) && (!m.index || *m.index == p->nIndex) &&
           (!m.op || *m.op == p->nOp);
}

void writeEcho(uint16_t code, DRVPARAM& r) {
    char echo[sizeof r.szCmd];
    if (r.nOp == core::kOpSet) {
        std::snprintf(echo, sizeof echo, "C%u P%d I%d O%d =%.20s", static_cast<unsigned>(code),
                      r.nPort, r.nIndex, r.nOp, r.szText);
    } else {
        std::snprintf(echo, sizeof echo, "C%u P%d I%d O%d", static_cast<unsigned>(code), r.nPort,
                      r.nIndex, r.nOp);
    }
    core::setFieldText(r.szCmd, echo);
}

void applyAnswer(uint16_t code, const Answer& a, DRVPARAM& r) {
    r.nCmd = code;
    if (a.bReply == -1) return; // Answer::returns
    if (a.cmdEcho) {
        std::memset(r.szCmd, 0, sizeof r.szCmd);
        std::memcpy(r.szCmd, a.cmdEcho->data(), std::min(a.cmdEcho->size(), sizeof r.szCmd - 1));
    } else {
        writeEcho(code, r);
    }
    r.bReply = a.bReply;
    r.bOk = a.bOk;
    if (a.flag) r.bFlag = *a.flag;
    if (a.value) r.nValue = *a.value;
    if (a.port) r.nPort = *a.port;
    if (a.index) r.nIndex = *a.index;
    if (a.from) r.nFrom = *a.from;
    if (a.to) r.nTo = *a.to;
    if (a.text) core::setFieldText(r.szText, a.text->substr(0, sizeof r.szText - 1));
    if (a.text2) core::setFieldText(r.szText2, a.text2->substr(0, sizeof r.szText2 - 1));
    if (a.text3) core::setFieldText(r.szText3, a.text3->substr(0, sizeof r.szText3 - 1));
    if (a.apply) a.apply(r);
}

} // namespace

void FakeDriver::answerUpgrade() {
    for (uint16_t code : {DRV_PING2, DRV_CALLCHECK, DRV_DOWNLOAD, DRV_WRITERAW, DRV_SETSPEED})
        on({code}, Answer::returns(1));
    on({DRV_CLOSE}, Answer::returns(0));
    on({DRV_REOPEN}, Answer::returns(0));
}

void FakeDriver::on(Match match, Answer answer, int times) {
    rules_.push_back(Rule{match, std::move(answer), times});
}

int32_t FakeDriver::call(uint16_t code, DRVPARAM* p, bool direct) {
    Call c;
    c.code = code;
    c.hadRecord = p != nullptr;
    c.direct = direct;
    if (clock != nullptr) c.at = clock->now();
    if (p != nullptr) c.sent = *p;
    std::size_t slot = calls_.size();
    calls_.push_back(c);
    if (onCall) onCall(code, p);

    std::optional<Answer> answer;
    if (!queue_.empty()) {
        answer = std::move(queue_.front());
        queue_.pop_front();
    } else {
        for (auto it = rules_.rbegin(); it != rules_.rend(); ++it) {
            if (it->times != 0 && matches(it->match, code, p)) {
                answer = it->answer;
                if (it->times > 0) --it->times;
                break;
            }
        }
    }
    if (!answer && fallback) {
        const int32_t result = fallback(code, p);
        if (p != nullptr) calls_[slot].returned = *p;
        calls_[slot].result = result;
        return result;
    }
    if (!answer) {
        answer = Answer::noReply();
        answer->result = noReplyResult(code);
    }
    if (p != nullptr) {
        applyAnswer(code, *answer, *p);
        calls_[slot].returned = *p;
    }
    calls_[slot].result = answer->result;
    return answer->result;
}

std::vector<uint16_t> FakeDriver::codes() const {
    std::vector<uint16_t> out;
    for (const Call& c : calls_)
        out.push_back(c.code);
    return out;
}

int FakeDriver::count(uint16_t code) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(),
                                          [code](const Call& c) { return c.code == code; }));
}

int FakeDriver::count(uint16_t code, int32_t port) const {
    return static_cast<int>(std::count_if(calls_.begin(), calls_.end(), [&](const Call& c) {
        return c.code == code && c.hadRecord && c.sent.nPort == port;
    }));
}

std::vector<Cmd> FakeDriver::sequence() const {
    std::vector<Cmd> out;
    for (const Call& c : calls_) {
        out.push_back(
            Cmd{c.code, c.sent.nPort, c.sent.nIndex, c.sent.nOp, core::fieldText(c.sent.szText)});
    }
    return out;
}

std::vector<Cmd> FakeDriver::sequence(std::initializer_list<uint16_t> codes) const {
    std::vector<Cmd> out;
    for (const Cmd& c : sequence()) {
        if (std::find(codes.begin(), codes.end(), c.code) != codes.end()) out.push_back(c);
    }
    return out;
}

} // namespace quorvex::test
