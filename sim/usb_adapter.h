// A USB serial adapter between the simulated device and the program, as the
// device's owners have one: a relay on a second pseudo-terminal that passes
// the bytes on the way a USB serial chip and its Linux driver do.
//
// Towards the host the chip collects what the device sends (each byte after
// its wire time at the line's speed) into USB packets of a few dozen data
// bytes. A full packet goes out at once; a partly filled one only when the
// chip's latency timer expires, which runs from the last packet sent (an idle
// FTDI chip sends a status-only packet at every expiry). The host reads in
// requests of several packets, and a request completes only when it is full
// or when a short packet ends it: only then do its bytes reach the program,
// in one piece. Towards the device each byte goes out 1 ms after the program
// wrote it (the next USB frame), then at the line's speed.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <deque>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

namespace quorvex::sim {

// How one kind of chip and its Linux driver pass bytes on, and what the
// machine shows of it.
struct AdapterProfile {
    std::string_view name;      // "ftdi", "ftdi-1ms", "ch340", "pl2303"
    std::size_t packetData;     // data bytes in a full USB packet
    std::size_t requestPackets; // packets in one read request of the host's driver
    int latencyMs;              // the chip's latency timer as it comes
    bool idleStatus;            // an idle chip sends a status-only packet at every expiry
    std::string_view vendor, product, manufacturer, productName;
    std::string_view driver; // the kernel's driver of the port
    bool latencyTimer;       // the driver offers the timer as sysfs latency_timer
};

// FTDI FT232R at 16 ms (every kernel's default) and at 1 ms (a udev rule set
// it), CH340, PL2303.
std::span<const AdapterProfile> adapterProfiles();
const AdapterProfile* adapterProfile(std::string_view name);

// The chip and the host's driver as time passes, without any I/O: what goes
// in, and when which bytes come out at either end. Times are given.
class AdapterChip {
public:
    using Clock = std::chrono::steady_clock;
    using Time = Clock::time_point;
    struct Delivery {
        Time at; // when the host's read request completed
        std::string bytes;
    };

    AdapterChip(const AdapterProfile& profile, Time now);
    // The timer in force from now on (below 1 ms counts as 1 ms).
    void setLatency(std::chrono::milliseconds latency);
    void setBaud(unsigned baud);
    std::chrono::milliseconds latency() const { return latency_; }

    // The device sent bytes at `at`: each reaches the chip after the one
    // before it and its own wire time.
    void fromDevice(std::string_view bytes, Time at);
    // The read requests that completed up to now, in order.
    std::vector<Delivery> advance(Time now);
    // When the next request completes if nothing more arrives; Time::max()
    // when nothing waits.
    Time nextDelivery() const;

    // The program wrote bytes at `at`: each reaches the device 1 ms later
    // plus its wire time.
    void fromHost(std::string_view bytes, Time at);
    // What has reached the device by now.
    std::string toDevice(Time now);
    Time nextToDevice() const;

private:
    struct Timed {
        char byte;
        Time at;
    };
    // The receive side: the packet being filled, the open request.
    struct Rx {
        Time lastPacket;
        std::size_t inPacket = 0;
        std::size_t packets = 0;
        std::size_t requestBytes = 0;
    };
    // Runs the receive side over the bytes from pending_[next] on until
    // `until`; delivered(at, bytes) is called at each completed request and
    // returns false to stop there.
    template <typename Delivered>
    void run(Rx& rx, std::size_t& next, Time until, Delivered delivered) const;
    std::chrono::nanoseconds byteTime() const;

    const AdapterProfile& profile_;
    std::chrono::milliseconds latency_;
    unsigned baud_ = 115200;
    Rx rx_;
    std::deque<Timed> pending_; // on the wire or not yet taken into the chip
    std::string held_;          // in the chip or in the open request
    Time rxWireFree_{};
    std::deque<Timed> toDevice_;
    Time txWireFree_{};
};

struct AdapterOptions {
    const AdapterProfile* profile = nullptr;
    std::string device;      // the device's end: the slave of the simulator's pseudo-terminal
    std::string link;        // a link to the program's end (empty: none)
    std::string latencyFile; // followed live (sysfs latency_timer); empty: none
    int latencyMs = 0;       // the timer while no file says otherwise; 0: the profile's
};

// The relay: the program opens path(); the adapter follows the line speed
// the program sets there (and sets it on the device's end) and the latency
// file. Thread-safe.
class UsbAdapter {
public:
    explicit UsbAdapter(AdapterOptions options);
    ~UsbAdapter();
    UsbAdapter(const UsbAdapter&) = delete;
    UsbAdapter& operator=(const UsbAdapter&) = delete;

    bool start(std::string* error = nullptr);
    void stop();
    std::string path() const; // the slave the program opens
    int latencyMs() const { return latencyMs_; }
    unsigned baud() const { return baud_; }
    // Read requests that reached the program.
    std::size_t deliveries() const { return deliveries_; }

private:
    void run();
    void follow(AdapterChip& chip);
    int fileLatency() const; // -1 when the file says nothing usable

    AdapterOptions options_;
    int master_ = -1; // the program's pseudo-terminal
    int keep_ = -1;   // its slave, held open
    int device_ = -1;
    int stopPipe_[2] = {-1, -1};
    std::string path_;
    std::thread thread_;
    std::atomic<int> latencyMs_{0};
    std::atomic<unsigned> baud_{115200};
    std::atomic<std::size_t> deliveries_{0};
    mutable std::mutex lifecycle_;
};

} // namespace quorvex::sim
