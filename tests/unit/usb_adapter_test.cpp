// The simulated USB serial adapter's chip, on a given clock: when which
// bytes reach the program, as a chip and its host driver pass them on.
#include "sim/usb_adapter.h"

#include <gtest/gtest.h>

namespace {

using namespace std::chrono_literals;
using quorvex::sim::AdapterChip;
using Time = AdapterChip::Time;
using Us = std::chrono::microseconds;

const Time kStart = Time{} + 1h;

// The wire time of n bytes at 115200 baud (8N1: 86.8 us a byte).
Us wire(int n, unsigned baud = 115200) {
    return Us(static_cast<long long>(n) * 10'000'000LL / baud);
}

struct Piece {
    Us at; // from the start
    std::size_t bytes;
};

struct Row {
    const char* name;
    const char* profile;
    int latencyMs;
    Us sentAt;  // when the device sent the reply
    int length; // its bytes, sent at once
    std::vector<Piece> expected;
};

TEST(UsbAdapterChip, RepliesReachTheProgramInTheHostsReadRequests) {
    const Row rows[] = {
        // 580 bytes: the request of 8 packets (496 bytes) completes at its last
        // byte; the tail waits for the timer, 16 ms after the last full packet.
        {"a call list behind an FTDI chip at 16 ms",
         "ftdi",
         16,
         0us,
         580,
         {{wire(496), 496}, {wire(558) + 16ms, 84}}},
        // The timer runs while the chip is idle: a short reply waits for its
        // next expiry, not 16 ms from its first byte.
        {"a short reply meets the running timer", "ftdi", 16, 5ms, 12, {{16ms, 12}}},
        {"and the expiry after", "ftdi", 16, 15ms + wire(11), 12, {{32ms, 12}}},
        // The PL2303's driver reads 4 packets of 64 bytes per request; its
        // timer starts with the first byte the chip gets after a packet.
        {"a PL2303 holding 16 ms",
         "pl2303",
         16,
         0us,
         300,
         {{wire(256), 256}, {wire(257) + 16ms, 44}}},
        {"a CH340",
         "ch340",
         1,
         0us,
         40,
         {{wire(1) + 1ms, 12}, {wire(13) + 1ms, 12}, {wire(25) + 1ms, 12}, {wire(37) + 1ms, 4}}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        AdapterChip chip(*quorvex::sim::adapterProfile(r.profile), kStart);
        chip.setLatency(std::chrono::milliseconds(r.latencyMs));
        chip.fromDevice(std::string(static_cast<std::size_t>(r.length), 'x'), kStart + r.sentAt);
        std::vector<Piece> got;
        for (Time next; (next = chip.nextDelivery()) != Time::max();) {
            for (const AdapterChip::Delivery& d : chip.advance(next))
                got.push_back({std::chrono::duration_cast<Us>(d.at - kStart), d.bytes.size()});
        }
        ASSERT_EQ(got.size(), r.expected.size());
        for (std::size_t i = 0; i < got.size(); ++i) {
            EXPECT_NEAR(got[i].at.count(), r.expected[i].at.count(), 2) << "piece " << i;
            EXPECT_EQ(got[i].bytes, r.expected[i].bytes) << "piece " << i;
        }
    }
}

// At 1 ms no part of a long reply waits longer than the timer and a packet.
TEST(UsbAdapterChip, AtOneMillisecondTheBytesFlow) {
    AdapterChip chip(*quorvex::sim::adapterProfile("ftdi-1ms"), kStart);
    chip.fromDevice(std::string(580, 'x'), kStart);
    Time last = kStart;
    std::size_t bytes = 0;
    for (const AdapterChip::Delivery& d : chip.advance(kStart + 1s)) {
        EXPECT_LE(d.at - last, 1ms + wire(1)) << "after " << bytes << " bytes";
        last = d.at;
        bytes += d.bytes.size();
    }
    EXPECT_EQ(bytes, 580u);
    EXPECT_LE(last - kStart, wire(580) + 1ms);
}

// What the program writes reaches the device a USB frame later, then at the
// line's speed: the boot loader's 19200 baud too.
TEST(UsbAdapterChip, BytesToTheDeviceTakeAFrameAndTheirWireTime) {
    AdapterChip chip(*quorvex::sim::adapterProfile("ftdi"), kStart);
    chip.fromHost("ATI4\r", kStart);
    EXPECT_EQ(chip.toDevice(kStart + 1ms), "");
    EXPECT_EQ(chip.toDevice(kStart + 1ms + wire(2) + 1us), "AT");
    EXPECT_NEAR(std::chrono::duration_cast<Us>(chip.nextToDevice() - kStart - 1ms).count(),
                wire(3).count(), 2);
    EXPECT_EQ(chip.toDevice(kStart + 1ms + wire(5) + 1us), "I4\r");
    chip.setBaud(19200);
    chip.fromHost("AT", kStart + 10ms);
    EXPECT_EQ(chip.toDevice(kStart + 11ms + wire(1, 19200) + 1us), "A");
    EXPECT_EQ(chip.toDevice(kStart + 11ms + wire(2, 19200) + 1us), "T");
}

} // namespace
