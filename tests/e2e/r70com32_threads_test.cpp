// The driver called from several threads at once: its one lock keeps every
// exchange whole, so each thread's records get their own answers and the
// device sees only whole commands.
#include "e2e/sim_driver_fixture.h"

#include <gtest/gtest.h>

#include <atomic>
#include <string>
#include <thread>
#include <vector>

namespace simtest {
namespace {

constexpr int kThreads = 4;
constexpr int kCallsPerThread = 200;
constexpr int kPorts[] = {11, 21, 22, 31, 32};

std::string numberFor(int port, int slot) {
    return "0" + std::to_string(port) + "77" + std::to_string(slot);
}

class Stress : public SimDriver {};

TEST_F(Stress, ConcurrentMixedQueriesEachGetTheirOwnAnswer) {
    connect(Model::R70);
    // Distinct values in every short dial slot, and the clip switch of each port.
    for (int p = 0; p < 5; ++p) {
        for (int k = 0; k < 10; ++k) {
            DRVPARAM r = record(kPorts[p], k, 1);
            std::snprintf(r.szText, sizeof r.szText, "%s", numberFor(kPorts[p], k).c_str());
            ASSERT_EQ(D_SendDrvCmd(DRV_SHORTDIAL, &r), 0);
            ASSERT_EQ(r.bOk, 1);
        }
        DRVPARAM c = record(kPorts[p], 0, 1);
        c.bFlag = p % 2;
        ASSERT_EQ(D_SendDrvCmd(DRV_CLIP, &c), 0);
    }

    std::atomic<int> wrong{0}, failed{0};
    std::vector<std::string> firstWrong(kThreads);
    auto worker = [&](int t) {
        for (int i = 0; i < kCallsPerThread; ++i) {
            const int p = (t + i) % 5;
            const int k = (t * 7 + i) % 10;
            std::string expected;
            DRVPARAM r;
            int code;
            switch (i % 3) {
            case 0:
                r = record(kPorts[p], k, 0);
                code = DRV_SHORTDIAL;
                break;
            case 1:
                r = record(kPorts[p], 0, 0);
                code = DRV_CLIP;
                break;
            default:
                code = DRV_PING2;
                break;
            }
            if (code == DRV_PING2) {
                if (D_SendDrvCmd(DRV_PING2, nullptr) != 1) ++failed;
                continue;
            }
            if (D_SendDrvCmd(static_cast<uint16_t>(code), &r) != 0 || r.bOk != 1) {
                ++failed;
                continue;
            }
            const bool right =
                code == DRV_SHORTDIAL ? numberFor(kPorts[p], k) == r.szText : r.bFlag == p % 2;
            if (!right && wrong++ == 0)
                firstWrong[static_cast<std::size_t>(t)] =
                    std::string(r.szCmd) + " -> " + r.szText + " flag " + std::to_string(r.bFlag);
        }
    };
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back(worker, t);
    for (auto& th : threads)
        th.join();

    EXPECT_EQ(failed.load(), 0);
    EXPECT_EQ(wrong.load(), 0) << firstWrong[0] << firstWrong[1] << firstWrong[2] << firstWrong[3];
    // The device still answers a plain command: no half command is left on its line.
    DRVPARAM r = record(21, 4, 0);
    ASSERT_EQ(D_SendDrvCmd(DRV_SHORTDIAL, &r), 0);
    EXPECT_STREQ(r.szText, numberFor(21, 4).c_str());
}

} // namespace
} // namespace simtest
