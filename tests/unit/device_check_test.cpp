// The check's run over a fake driver and a fake record of the line: which
// exchanges count, where bytes between exchanges belong, when it gives up.
#include "check/device_check.h"

#include "support/fake_driver.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace qa = quorvex::check;
namespace qt = quorvex::test;

namespace {

DRVEXCHANGE record(int port, std::string_view sent, std::string_view reply, int result = 0,
                   std::string_view stale = {}) {
    DRVEXCHANGE e{};
    e.nPortIndex = port;
    e.nResult = result;
    e.nFirstWaitMs = 210;
    e.nFirstByteUs = result == 0 ? 200 : -1;
    e.nSilenceMs = e.nGapWaitMs = 20;
    e.nCapacity = 256;
    e.nLateAfterUs = -1;
    e.nSent = static_cast<int32_t>(sent.size());
    std::copy(sent.begin(), sent.end(), e.abSent);
    e.nReceived = static_cast<int32_t>(reply.size());
    std::copy(reply.begin(), reply.end(), e.abReply);
    e.nStale = static_cast<int32_t>(stale.size());
    std::copy(stale.begin(), stale.end(), e.abStale);
    return e;
}

// The library's record of the line: what the fake device "said" for each call.
struct FakeLine {
    std::deque<DRVEXCHANGE> kept;
    int watching = -1;
    qa::LineWatchFns fns() {
        return {[this](int32_t on) { return watching = on, 0; },
                [this](DRVEXCHANGE* e) {
                    if (kept.empty()) return 0;
                    *e = kept.front();
                    kept.pop_front();
                    return 1;
                }};
    }
    void identification(int port) {
        for (const char* c : {"ATE0\r", "ATE0\r", "ATV1\r"})
            kept.push_back(record(port, c, "\r\nOK\r\n"));
        kept.push_back(record(port, "ATI4\r", "\r\nOrvaISDN R70 QKM-633S\r\n\r\nOK\r\n"));
        kept.push_back(record(port, "ATI3\r", "\r\nV2.10 R70\r\nBOOT CODE V1.03\r\n\r\nOK\r\n"));
    }
};

class DeviceCheckTest : public ::testing::Test {
protected:
    void SetUp() override {
        drv.on({DRV_FINDPORT}, qt::Answer::returns(0));
        drv.on({DRV_IDENT}, qt::Answer::identity(2, 70, false, "V2.10 R70", "V1.03"));
        drv.onCall = [this](uint16_t code, DRVPARAM*) {
            if (code == DRV_FINDPORT) {
                line.kept.push_back(record(0, "ATE0\r", "", -2)); // COM1: nothing there
                line.identification(2);
            } else if (code == DRV_IDENT) {
                line.identification(2);
            } else if (onQuery) {
                onQuery(code);
            }
        };
    }
    qt::FakeDriver drv;
    FakeLine line;
    std::function<void(uint16_t)> onQuery;
};

TEST_F(DeviceCheckTest, TheSearchCountsOnlyTheDevicesPortAndBytesBetweenBelongBefore) {
    drv.on({DRV_MSN}, qt::Answer::okText("4711"));
    int queries = 0;
    onQuery = [&](uint16_t) {
        // The second query finds bytes that came after the first one's reply.
        line.kept.push_back(
            record(2, "AT!N0?\r", "\r\n4711\r\nOK\r\n", 0, ++queries == 2 ? "\r\nRING\r\n" : ""));
    };
    qa::DeviceCheck check(drv.fn(), line.fns());
    ASSERT_TRUE(check.start(true));
    EXPECT_EQ(line.watching, 1);
    ASSERT_TRUE(check.next());
    ASSERT_TRUE(check.next());
    const qa::CheckRun run = check.finish();
    EXPECT_EQ(line.watching, 0);
    ASSERT_EQ(run.steps.size(), 4u);
    EXPECT_EQ(run.steps[0].kind, qa::StepKind::Find);
    EXPECT_EQ(run.steps[0].exchanges.size(), 5u); // COM1's try left out
    EXPECT_EQ(run.steps[1].exchanges.size(), 5u);
    EXPECT_EQ(run.identity.portIndex, 2);
    ASSERT_EQ(run.steps[2].flags.size(), 1u);
    const qa::Flag& f = run.steps[2].flags[0];
    EXPECT_EQ(f.kind, qa::Finding::BytesAfterEnd);
    EXPECT_EQ(f.detail, qa::Detail::BeforeNext);
    EXPECT_EQ(f.bytes, "\r\nRING\r\n");
    EXPECT_TRUE(run.steps[3].flags.empty());
    for (const qt::Call& c : drv.calls())
        EXPECT_TRUE(qa::onlyReads(c.code, c.hadRecord ? &c.sent : nullptr)) << c.code;
}

TEST_F(DeviceCheckTest, ADeviceThatFallsSilentEndsTheCheck) {
    drv.on({DRV_MSN}, qt::Answer::noReply());
    onQuery = [&](uint16_t) { line.kept.push_back(record(2, "AT!N0?\r", "", -2)); };
    qa::DeviceCheck check(drv.fn(), line.fns());
    ASSERT_TRUE(check.start(true));
    int steps = 0;
    while (check.next())
        ++steps;
    const qa::CheckRun run = check.finish();
    EXPECT_EQ(steps + 1, qa::kSilentQueriesToStop);
    EXPECT_TRUE(run.stoppedEarly);
    EXPECT_FALSE(run.conforms());
    EXPECT_EQ(run.steps.back().flags.back().detail, qa::Detail::StoppedEarly);
}

TEST_F(DeviceCheckTest, NoDeviceNoCheck) {
    drv.clearRules();
    drv.onCall = {};
    qa::DeviceCheck check(drv.fn(), line.fns());
    EXPECT_FALSE(check.start(true));
    EXPECT_FALSE(check.next());
    EXPECT_FALSE(check.finish().found);
    EXPECT_EQ(drv.count(DRV_IDENT), 0);
}

} // namespace
