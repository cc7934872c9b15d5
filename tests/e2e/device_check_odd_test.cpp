// A device that is a little odd: the check flags each oddity at the command
// that shows it.
#include "e2e/check_fixture.h"

#include <optional>

namespace checktest {
namespace {

using namespace std::chrono_literals;
using F = qa::Finding;

struct Expect {
    const char* command;
    F kind;
    // What the same oddity becomes on a loaded machine that stretches it past
    // the reader's wait (a pause close to the silence then splits the reply).
    std::optional<F> orKind = {};
    // The step after it has no finding: what came late is not blamed on it.
    bool nextClean = false;
};

struct OddRow {
    const char* name;
    Faults faults;
    std::vector<Expect> expected;
    int listenMs = 30; // after each reply (the program's own: 250)
};

TEST_F(CheckSim, EachOddityIsFlagged) {
    const OddRow rows[] = {
        {"a pause inside a long reply close to the silence, a value out of range, a refusal",
         {.pauseAfter = 30,
          .pause = 12ms,
          .refused = "AT!P8#21?",
          .oddValuePrefix = "AT%E0?",
          .oddValue = "260",
          .scope = "AT!P3#11*0?"},
         {{"AT!P3#11*0?", F::LongGap, F::BytesAfterEnd},
          {"AT%E0?", F::OutOfRange},
          {"AT!P8#21?", F::NoOk}}},
        {"a slow first byte and a blank after the value; a reply longer than its buffer",
         {.lateFirstByte = 150ms,
          .extra = Extra::Blank,
          .oddValuePrefix = "AT!P3#21*0?",
          .oddValue = std::string(1100, '7'),
          .scope = "AT!P9#21?"},
         {{"AT!P9#21?", F::SlowFirstByte}, {"AT!P9#21?", F::Unreadable}, {"AT!P3#21*0?", F::Cut}}},
        {"an extra empty line",
         {.extra = Extra::EmptyLine, .scope = "AT!P9#22?"},
         {{"AT!P9#22?", F::Form}}},
        {"a pause longer than the silence splits a reply",
         {.pauseAfter = 30, .pause = 60ms, .scope = "AT!P3#22*0?"},
         {{"AT!P3#22*0?", F::NoOk}, {"AT!P3#22*0?", F::BytesAfterEnd}},
         120},
        {"a line 60 ms after a reply that ended with OK",
         {.extra = Extra::LineAfter, .extraAfter = 60ms, .scope = "AT!P8#22?"},
         {{"AT!P8#22?", F::BytesAfterEnd, {}, true}},
         120},
        {"a line after the reply",
         {.extra = Extra::LineAfter, .extraAfter = 2ms, .scope = "AT!P9#11?"},
         {{"AT!P9#11?", F::BytesAfterEnd}}},
        {"no OK", {.noOk = true, .scope = "AT!P2#21?"}, {{"AT!P2#21?", F::NoOk}}},
        {"garbage before a reply",
         {.garbage = Garbage::Before, .garbageCount = 8, .scope = "AT!P2#22?"},
         {{"AT!P2#22?", F::Form}}},
    };
    for (const OddRow& r : rows) {
        SCOPED_TRACE(r.name);
        startDevice(Model::R70);
        dev->setFaults(r.faults);
        const qa::CheckRun run = runCheck(r.listenMs);
        ASSERT_TRUE(run.found);
        EXPECT_FALSE(run.conforms());
        for (const Expect& e : r.expected) {
            const qa::CheckStep* s = stepOf(run, e.command);
            ASSERT_NE(s, nullptr) << e.command;
            EXPECT_TRUE(flagged(*s, e.kind) || (e.orKind && flagged(*s, *e.orKind)))
                << e.command << " kind " << static_cast<int>(e.kind) << "\n"
                << qa::checkSummary(run, true, 0);
            if (e.nextClean) {
                const auto next = run.steps.begin() + (s - run.steps.data()) + 1;
                ASSERT_NE(next, run.steps.end());
                EXPECT_TRUE(next->flags.empty()) << qa::checkSummary(run, true, 0);
            }
        }
        TearDown();
    }
}

} // namespace
} // namespace checktest
