// What a USB serial adapter between the line and the device holds back, and
// the one rule by which the reply reader allows for it. The adapter's chip
// passes the device's bytes on in USB packets: a partly filled one goes out
// only when the chip's latency timer expires (16 ms as an FTDI chip comes),
// and the host's driver hands on what a read request of several packets
// collected only when the request is full or a short packet ends it. So a
// reply's first byte can come a latency late, and inside a long reply the
// line can stay silent for a full request's wire time plus a latency - longer
// than the 20 ms after which the reader takes a reply as ended.
#ifndef R70_ADAPTER_HOLD_H
#define R70_ADAPTER_HOLD_H

#include "driver/api/r70com32.h"
#include "driver/ports/port_discovery.h"

#include <cstddef>

namespace r70 {

// The latency taken where the adapter's driver shows none: FTDI's as it
// comes, the longest of the common chips' defaults.
inline constexpr int kAssumedLatencyMs = 16;
// The largest read request of the USB serial drivers (ftdi_sio: 512 bytes).
inline constexpr int kRequestBytes = 512;
// USB runs in frames of 1 ms: a packet waits for the host's next poll, a
// request's completion for the frame's end.
inline constexpr int kUsbFramesMs = 2;

// What the reader adds to the wait for a reply's first byte and to the
// silence inside a reply at baud (0: before any speed was set): nothing for
// a line without a USB adapter; the timer's 1 ms and the frames for one at
// 1 ms; else the latency (or kAssumedLatencyMs, where it is not known), a
// full read request's wire time and the frames.
int holdAllowanceMs(const DRVADAPTER& hold, unsigned baud) noexcept;

// A record with nothing in it (state NONE, latencies not known).
DRVADAPTER noAdapter() noexcept;

// What the adapter of a discovered port holds now, as its driver shows it -
// Linux: latency_timer in the port's sysfs folder; Windows: the LatencyTimer
// of FTDI's driver in the registry - without changing anything: state NONE
// for a port that is no USB serial port, else HOLDS or UNKNOWN.
DRVADAPTER peekHold(const SerialPortInfo& port) noexcept;

// Where the driver shows the latency (Linux: adapter_hold.cpp; Windows:
// port_discovery_win32.cpp): sets HOLDS and the latency, or leaves hold
// UNKNOWN with the reason in szDetail.
void readLatencySetting(const SerialPortInfo& port, DRVADAPTER& hold) noexcept;

// A latency as the driver shows it ("16\n"): 0-255, else -1.
int parseLatency(std::string_view text) noexcept;

// "driver ftdi_sio, latency 16 ms, could not be lowered: latency_timer 16:
// read-only": the English words of the trace (core::adapterText words the
// same in the program's languages). allowMs > 0 adds how much longer the
// reader waits.
void describeHold(const DRVADAPTER& hold, int allowMs, char* out, std::size_t size) noexcept;

} // namespace r70

#endif
