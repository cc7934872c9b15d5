// The record of each exchange a check of the device takes from the library.
#include "driver/line/line_watch.h"
#include "driver/line/serial_line.h"

#include <gtest/gtest.h>

#include <string>

namespace {

std::string bytes(const char* array, int32_t count, std::size_t size) {
    return std::string(array, std::min<std::size_t>(static_cast<std::size_t>(count), size));
}

// One exchange as the serial line reports it: times in microseconds from the read's start.
void exchange(r70::LineWatch& w, std::string_view command, std::string_view reply,
              long long firstUs, long long gapUs) {
    w.command(2, command);
    w.readStart(2, 256);
    // The watch takes the read's start from the clock; the waits are relative to it.
    const long long t0 = r70::monotonicUs();
    long long t = t0 + firstUs;
    w.waited(210, t0, t, &reply[0]);
    for (std::size_t i = 1; i < reply.size(); ++i) {
        w.waited(20, t, t + gapUs, &reply[i]);
        t += gapUs;
    }
    w.waited(20, t, t + 20000, nullptr);
    w.readEnd(0, t + 20000);
}

TEST(DriverLineWatch, RecordsCommandReplyAndTiming) {
    r70::LineWatch w;
    w.stale('X'); // nothing is kept while it is off
    w.start();
    w.stale('R');
    exchange(w, "AT!P9#21?\r", "\r\n1\r\nOK\r\n", 1500, 300);
    // Even a reply that ended with its OK line: a stray line may follow it.
    EXPECT_TRUE(w.wantsLateBytes());
    w.finish();
    DRVEXCHANGE e{};
    ASSERT_TRUE(w.take(e));
    EXPECT_EQ(e.nPortIndex, 2);
    EXPECT_EQ(e.nResult, 0);
    EXPECT_EQ(bytes(e.abSent, e.nSent, sizeof e.abSent), "AT!P9#21?\r");
    EXPECT_EQ(bytes(e.abReply, e.nReceived, sizeof e.abReply), "\r\n1\r\nOK\r\n");
    EXPECT_EQ(bytes(e.abStale, e.nStale, sizeof e.abStale), "R");
    EXPECT_EQ(e.nFirstWaitMs, 210);
    EXPECT_GE(e.nFirstByteUs, 1500);
    EXPECT_LT(e.nFirstByteUs, 1500 + 100000); // the clock ran on between the calls
    EXPECT_EQ(e.nLongestGapUs, 300);
    EXPECT_EQ(e.nGapWaitMs, 20);
    EXPECT_EQ(e.nSilenceMs, 20);
    EXPECT_EQ(e.nCapacity, 256);
    EXPECT_EQ(e.nLate, 0);
    EXPECT_EQ(e.nLateAfterUs, -1);
    EXPECT_FALSE(w.take(e));
}

TEST(DriverLineWatch, AReplyWithoutItsFinalLineIsListenedOn) {
    r70::LineWatch w;
    w.start();
    exchange(w, "AT!P3#21*0?\r", "\r\nDate", 100, 100);
    EXPECT_TRUE(w.wantsLateBytes());
    const long long end = r70::monotonicUs();
    for (char c : std::string_view(" Time\r\nOK\r\n"))
        w.late(c, end + 5000);
    w.finish();
    // A read with no command before it (a second reply) is a record of its own.
    w.readStart(2, 128);
    w.waited(5000, 0, 0, nullptr);
    w.readEnd(-2, 0);
    EXPECT_TRUE(w.wantsLateBytes()); // no reply: it may come late
    w.finish();
    DRVEXCHANGE e{};
    ASSERT_TRUE(w.take(e));
    EXPECT_EQ(bytes(e.abLate, e.nLate, sizeof e.abLate), " Time\r\nOK\r\n");
    EXPECT_GE(e.nLateAfterUs, 0);
    ASSERT_TRUE(w.take(e));
    EXPECT_EQ(e.nSent, 0);
    EXPECT_EQ(e.nResult, -2);
    EXPECT_EQ(e.nFirstByteUs, -1);
}

TEST(DriverLineWatch, KeepsTheLastRecordsAndCountsWhatDoesNotFit) {
    r70::LineWatch w;
    w.start();
    for (int i = 0; i < DRV_EXCHANGES_KEPT + 3; ++i) {
        const std::string command = "AT" + std::to_string(i) + "\r";
        w.command(0, command);
    }
    w.command(0, std::string(100, 'A')); // pushes the last one; longer than abSent
    w.finish();
    DRVEXCHANGE e{};
    ASSERT_TRUE(w.take(e));
    EXPECT_EQ(bytes(e.abSent, e.nSent, sizeof e.abSent), "AT4\r"); // the oldest were dropped
    int left = 1;
    while (w.take(e))
        ++left;
    EXPECT_EQ(left, DRV_EXCHANGES_KEPT);
    EXPECT_EQ(e.nSent, 100);
    w.stop();
    EXPECT_FALSE(w.take(e));
}

TEST(DriverLineWatch, TheFinalLineIsOkOrError) {
    EXPECT_TRUE(r70::endsWithFinalLine("\r\n1\r\nOK\r\n"));
    EXPECT_TRUE(r70::endsWithFinalLine("\r\nERROR\r\n"));
    EXPECT_FALSE(r70::endsWithFinalLine("\r\n0301234567 OK 0,36"));
    EXPECT_FALSE(r70::endsWithFinalLine("OK\r\n")); // not a line of its own
}

} // namespace
