#pragma once
// FakeDriver: stands in for D_SendDrvCmd in unit tests.
//
//   quorvex::test::FakeDriver drv;
//   core::CConfigApp app(drv.fn(), profiles, clock);
//   drv.on({DRV_MSN, 21, 1, 0}, Answer::okText("4711"));   // this query answers 4711
//   drv.on({DRV_MSN}, Answer::ok());                        // any other command 4: OK
//   drv.next(Answer::noReply());                            // just the next call: silent
//   ... run the code under test ...
//   EXPECT_EQ(drv.sequence({DRV_MSN}), (std::vector<Cmd>{{DRV_MSN, 21, 1, 1, "4711"}}));
//
// Every call is recorded in order with a copy of the record as the program
// sent it (calls()). Answers: first the queue of next(), then the rules of
// on() (the rule added last wins; times limits how often it answers), then
// the fallback when one is set, else the "no device" answer of the command (noReplyResult(): -2 for
// most, -1 for the presence tests, 1 for the boot probe and the identity). An answer writes the
// result and the reply/OK flags and whichever value fields it names into the caller's record; szCmd
// gets a readable echo "C4 P21 I1 O1 =4711" unless the answer gives its own.

#include "core/config_app.h"
#include "driver/api/r70com32.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <initializer_list>
#include <optional>
#include <ostream>
#include <string>
#include <vector>

namespace quorvex::test {

struct Answer {
    int32_t result = 0;
    int32_t bReply = 1;
    int32_t bOk = 1;
    std::optional<int32_t> flag, value, port, index, from, to;
    std::optional<std::string> text, text2, text3, cmdEcho;
    std::function<void(DRVPARAM&)> apply; // anything else, run last

    static Answer ok() { return Answer{}; }
    static Answer okText(std::string t);
    static Answer okFlag(int f);
    static Answer okValue(int v);
    static Answer notAcknowledged();       // result 0, a reply without OK
    static Answer noReply();               // -2, no reply
    static Answer returns(int32_t result); // only this result, record untouched
    // Command 31: port index, model number, USB flag, firmware and boot-code texts.
    static Answer identity(int portIndex, int model, bool usb, std::string firmware,
                           std::string bootCode);
};

// Which calls a rule answers: the code, and where given the port, index and op.
struct Match {
    Match(uint16_t c, std::optional<int32_t> p = {}, std::optional<int32_t> i = {},
          std::optional<int32_t> o = {})
        : code(c), port(p), index(i), op(o) {}
    uint16_t code;
    std::optional<int32_t> port, index, op;
};

struct Call {
    uint16_t code = 0;
    bool hadRecord = false;
    bool direct = false;  // came through directFn(): around the program's wrapper
    std::int64_t at = -1; // the clock's time of the call, when a clock is set
    DRVPARAM sent{};      // the record as the program handed it over
    DRVPARAM returned{};  // the record after the answer
    int32_t result = 0;
};

// One command as a test compares it: code, port, index, op and the text sent.
struct Cmd {
    uint16_t code = 0;
    int32_t port = 0;
    int32_t index = 0;
    int32_t op = 0;
    std::string text;
    bool operator==(const Cmd&) const = default;
};
void PrintTo(const Cmd& c, std::ostream* os);

class FakeDriver {
public:
    // The function to inject into CConfigApp (keeps a pointer to this driver).
    core::DriverFn fn() {
        return [this](uint16_t code, DRVPARAM* p) { return call(code, p); };
    }
    // The same driver for CConfigApp's direct calls, marked as such:
    //   core::CConfigApp app(drv.fn(), profiles, clock, drv.directFn());
    core::DriverFn directFn() {
        return [this](uint16_t code, DRVPARAM* p) { return call(code, p, true); };
    }
    int32_t call(uint16_t code, DRVPARAM* p, bool direct = false);
    // Stamps every call with this clock's time (Call::at).
    core::Clock* clock = nullptr;

    void on(Match match, Answer answer, int times = -1);
    // A device that takes the firmware upgrade: the presence test and the
    // call check answer (idle), download mode, blocks, speed, close and reopen
    // succeed. The outcome (35) and the identity (31) are the test's.
    void answerUpgrade();
    void next(Answer answer) { queue_.push_back(std::move(answer)); }
    void clearRules() {
        rules_.clear();
        queue_.clear();
    }
    // Runs at the start of every call (before the answer), e.g. to advance a clock.
    std::function<void(uint16_t code, DRVPARAM* p)> onCall;
    // Answers what neither next() nor a rule does (a device in process, say)
    // instead of the "no device" answer.
    core::DriverFn fallback;

    const std::vector<Call>& calls() const { return calls_; }
    void clearCalls() { calls_.clear(); }
    std::vector<uint16_t> codes() const;
    int count(uint16_t code) const;
    int count(uint16_t code, int32_t port) const; // calls of code for that nPort
    // The calls as (code, port, index, op, text); with codes: only those commands.
    std::vector<Cmd> sequence() const;
    std::vector<Cmd> sequence(std::initializer_list<uint16_t> codes) const;

    static int32_t noReplyResult(uint16_t code);

private:
    struct Rule {
        Match match;
        Answer answer;
        int times;
    };
    std::vector<Rule> rules_;
    std::deque<Answer> queue_;
    std::vector<Call> calls_;
};

} // namespace quorvex::test
