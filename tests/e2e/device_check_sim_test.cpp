// The check of a normal simulated device of each model: it conforms, and the
// device heard nothing but queries.
#include "e2e/check_fixture.h"

namespace checktest {
namespace {

// What the device may hear from a check: the identification, the presence
// test, and queries ("?" at the end).
bool aQuery(const std::string& line) {
    for (const char* q : {"ATE0", "ATV1", "ATI4", "ATI3", "AT"})
        if (line == q) return true;
    return line.ends_with("?");
}

TEST_F(CheckSim, EveryModelConformsAndHearsOnlyQueries) {
    const std::pair<Model, bool> models[] = {
        {Model::R30, false}, {Model::R70, true}, {Model::R70Usb, false}};
    for (const auto& [model, pacing] : models) {
        SCOPED_TRACE(modelName(model));
        startDevice(model, false, pacing);
        const DeviceState before = dev->snapshot();
        qa::CheckRun run;
        // A loaded machine may delay a first byte past half its wait (20 ms
        // in the identification); such a run is tried again, no other.
        for (int attempt = 0; attempt < 3; ++attempt) {
            dev->clearReceived();
            run = runCheck();
            if (run.conforms() || !onlyTiming(run)) break;
        }
        EXPECT_TRUE(run.conforms()) << qa::checkSummary(run, true, 0);
        EXPECT_EQ(run.identity.modelNumber, model == Model::R30 ? 30 : 70);
        const std::vector<std::string> heard = dev->receivedLines();
        EXPECT_GT(heard.size(), 200u);
        for (const std::string& line : heard)
            EXPECT_TRUE(aQuery(line)) << line;
        EXPECT_TRUE(dev->snapshot() == before); // registers, call lists, charges, clock
        TearDown();
    }
}

} // namespace
} // namespace checktest
