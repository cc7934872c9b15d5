#include "sim/usb_adapter.h"

#include "sim/sim_device.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

namespace quorvex::sim {
namespace {

using namespace std::chrono_literals;
using Clock = AdapterChip::Clock;
using Time = AdapterChip::Time;

// What the program writes goes to the chip in the next USB frame.
constexpr auto kHostToChip = 1ms;
// How often the relay looks at the line speed and the latency file.
constexpr auto kLookEvery = 2ms;

// The FT232R: 64-byte packets carrying 2 status bytes and 62 data bytes;
// ftdi_sio reads 512 bytes per request. The CH340 (32-byte packets, the
// ch341 driver reads one packet per request and turns the chip's own
// buffering off) and the PL2303 (64-byte packets, 256-byte requests) pass a
// partly filled packet on about a millisecond after its first byte; neither
// driver shows or sets a timer.
// clang-format off
constexpr AdapterProfile kProfiles[] = {
    // name      data  packets latency idle   vendor  product maker                       product name              driver      timer file
    {"ftdi",     62,   8,      16,     true,  "0403", "6001", "FTDI",                     "FT232R USB UART",        "ftdi_sio", true},
    {"ftdi-1ms", 62,   8,      1,      true,  "0403", "6001", "FTDI",                     "FT232R USB UART",        "ftdi_sio", true},
    {"ch340",    32,   1,      1,      false, "1a86", "7523", "",                         "USB2.0-Serial",          "ch341",    false},
    {"pl2303",   64,   4,      1,      false, "067b", "2303", "Prolific Technology Inc.", "USB-Serial Controller",  "pl2303",   false},
};
// clang-format on

bool makeRaw(int fd, speed_t speed) {
    termios t{};
    if (::tcgetattr(fd, &t) != 0) return false;
    ::cfmakeraw(&t);
    if (speed != 0) {
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
    }
    return ::tcsetattr(fd, TCSANOW, &t) == 0;
}

timespec untilTime(Time wake) {
    const auto left = std::max<Clock::duration>(wake - Clock::now(), Clock::duration::zero());
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    return {static_cast<time_t>(ns / 1'000'000'000), static_cast<long>(ns % 1'000'000'000)};
}

} // namespace

std::span<const AdapterProfile> adapterProfiles() {
    return kProfiles;
}

const AdapterProfile* adapterProfile(std::string_view name) {
    for (const AdapterProfile& p : kProfiles)
        if (p.name == name) return &p;
    return nullptr;
}

AdapterChip::AdapterChip(const AdapterProfile& profile, Time now)
    : profile_(profile), latency_(std::max(profile.latencyMs, 1)) {
    rx_.lastPacket = rxWireFree_ = txWireFree_ = now;
}

void AdapterChip::setLatency(std::chrono::milliseconds latency) {
    latency_ = std::max(latency, std::chrono::milliseconds(1));
}

void AdapterChip::setBaud(unsigned baud) {
    if (baud > 0) baud_ = baud;
}

std::chrono::nanoseconds AdapterChip::byteTime() const {
    return std::chrono::nanoseconds(10'000'000'000LL / baud_); // 8N1: ten bits a byte
}

void AdapterChip::fromDevice(std::string_view bytes, Time at) {
    for (const char c : bytes) {
        rxWireFree_ = std::max(at, rxWireFree_) + byteTime();
        pending_.push_back({c, rxWireFree_});
    }
}

template <typename Delivered>
void AdapterChip::run(Rx& rx, std::size_t& next, Time until, Delivered delivered) const {
    for (;;) {
        const bool more = next < pending_.size();
        const Time arrival = more ? pending_[next].at : Time::max();
        if (rx.inPacket == 0 && rx.requestBytes == 0) {
            // Nothing held: nothing can come out before the next byte.
            if (!more || arrival > until) {
                if (profile_.idleStatus && until != Time::max() && until > rx.lastPacket)
                    rx.lastPacket += (until - rx.lastPacket) / latency_ * latency_;
                return;
            }
            if (profile_.idleStatus) {
                // The timer keeps running while the chip is idle (each expiry
                // sends a status-only packet, which carries nothing): the
                // first byte meets it wherever it is.
                if (arrival > rx.lastPacket)
                    rx.lastPacket += (arrival - rx.lastPacket) / latency_ * latency_;
            } else {
                rx.lastPacket = arrival; // the first byte starts the timer
            }
        }
        const Time expiry = rx.lastPacket + latency_;
        if (expiry <= arrival) {
            if (expiry > until) return;
            // What the chip holds goes out as a short packet, which ends the
            // host's request.
            rx.requestBytes += rx.inPacket;
            rx.inPacket = 0;
            rx.lastPacket = expiry;
            const std::size_t n = rx.requestBytes;
            rx.requestBytes = rx.packets = 0;
            if (!delivered(expiry, n)) return;
            continue;
        }
        if (arrival > until) return;
        ++next;
        if (++rx.inPacket < profile_.packetData) continue;
        // A full packet goes out at once; the timer runs from it.
        rx.inPacket = 0;
        rx.requestBytes += profile_.packetData;
        rx.lastPacket = arrival;
        if (++rx.packets < profile_.requestPackets) continue;
        const std::size_t n = rx.requestBytes;
        rx.requestBytes = rx.packets = 0;
        if (!delivered(arrival, n)) return;
    }
}

std::vector<AdapterChip::Delivery> AdapterChip::advance(Time now) {
    std::vector<Delivery> out;
    std::size_t next = 0, taken = 0;
    auto take = [&] {
        for (; taken < next; ++taken)
            held_ += pending_[taken].byte;
    };
    run(rx_, next, now, [&](Time at, std::size_t) {
        take();
        out.push_back({at, std::move(held_)});
        held_.clear();
        return true;
    });
    take();
    pending_.erase(pending_.begin(), pending_.begin() + static_cast<std::ptrdiff_t>(next));
    return out;
}

AdapterChip::Time AdapterChip::nextDelivery() const {
    Rx rx = rx_;
    std::size_t next = 0;
    Time at = Time::max();
    run(rx, next, Time::max(), [&at](Time when, std::size_t) {
        at = when;
        return false;
    });
    return at;
}

void AdapterChip::fromHost(std::string_view bytes, Time at) {
    for (const char c : bytes) {
        txWireFree_ = std::max(at + kHostToChip, txWireFree_) + byteTime();
        toDevice_.push_back({c, txWireFree_});
    }
}

std::string AdapterChip::toDevice(Time now) {
    std::string out;
    while (!toDevice_.empty() && toDevice_.front().at <= now) {
        out += toDevice_.front().byte;
        toDevice_.pop_front();
    }
    return out;
}

AdapterChip::Time AdapterChip::nextToDevice() const {
    return toDevice_.empty() ? Time::max() : toDevice_.front().at;
}

UsbAdapter::UsbAdapter(AdapterOptions options) : options_(std::move(options)) {}

UsbAdapter::~UsbAdapter() {
    stop();
}

bool UsbAdapter::start(std::string* error) {
    std::lock_guard life(lifecycle_);
    if (thread_.joinable()) return true;
    auto closeAll = [this] {
        for (int* fd : {&master_, &keep_, &device_, &stopPipe_[0], &stopPipe_[1]}) {
            if (*fd >= 0) ::close(*fd);
            *fd = -1;
        }
    };
    auto fail = [&](const std::string& what) {
        if (error) *error = what + ": " + std::strerror(errno);
        closeAll();
        return false;
    };
    if (options_.profile == nullptr) {
        errno = EINVAL;
        return fail("no adapter profile");
    }
    master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (master_ < 0) return fail("posix_openpt");
    char name[128];
    if (::grantpt(master_) != 0 || ::unlockpt(master_) != 0 ||
        ::ptsname_r(master_, name, sizeof name) != 0)
        return fail("the adapter's pseudo-terminal");
    // Held open, so that the program's closes never hang the line up; the
    // speed the program sets is read here.
    keep_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (keep_ < 0 || !makeRaw(keep_, B115200)) return fail(std::string("open ") + name);
    device_ = ::open(options_.device.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (device_ < 0 || !makeRaw(device_, 0)) return fail("open " + options_.device);
    ::fcntl(master_, F_SETFL, ::fcntl(master_, F_GETFL) | O_NONBLOCK);
    if (::pipe2(stopPipe_, O_CLOEXEC | O_NONBLOCK) != 0) return fail("pipe");
    if (!options_.link.empty() && !replaceLink(options_.link, name, error)) {
        closeAll();
        return false;
    }
    path_ = name;
    thread_ = std::thread([this] { run(); });
    return true;
}

void UsbAdapter::stop() {
    std::lock_guard life(lifecycle_);
    if (!thread_.joinable()) return;
    const char stop = 's';
    (void)::write(stopPipe_[1], &stop, 1);
    thread_.join();
    for (int* fd : {&master_, &keep_, &device_, &stopPipe_[0], &stopPipe_[1]}) {
        if (*fd >= 0) ::close(*fd);
        *fd = -1;
    }
    if (!options_.link.empty()) ::unlink(options_.link.c_str());
}

std::string UsbAdapter::path() const {
    std::lock_guard life(lifecycle_);
    return path_;
}

int UsbAdapter::fileLatency() const {
    if (options_.latencyFile.empty()) return -1;
    const int fd = ::open(options_.latencyFile.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return -1;
    char text[16] = {};
    const ssize_t n = ::read(fd, text, sizeof text - 1);
    ::close(fd);
    int value = 0, digits = 0;
    for (ssize_t i = 0; i < n && text[i] >= '0' && text[i] <= '9' && digits < 4; ++i, ++digits)
        value = value * 10 + (text[i] - '0');
    return digits > 0 && value <= 255 ? value : -1;
}

void UsbAdapter::follow(AdapterChip& chip) {
    // The speed the program set is the speed on the device's side too (the
    // boot loader's 19200 included).
    termios host{};
    if (::tcgetattr(keep_, &host) == 0) {
        const unsigned baud = termiosBaud(::cfgetospeed(&host));
        if (baud != 0 && baud != baud_) {
            chip.setBaud(baud);
            baud_ = baud;
            termios dev{};
            if (device_ >= 0 && ::tcgetattr(device_, &dev) == 0) {
                ::cfsetispeed(&dev, ::cfgetospeed(&host));
                ::cfsetospeed(&dev, ::cfgetospeed(&host));
                ::tcsetattr(device_, TCSANOW, &dev);
            }
        }
    }
    int latency = fileLatency();
    if (latency < 0)
        latency = options_.latencyMs > 0 ? options_.latencyMs : options_.profile->latencyMs;
    if (latency != latencyMs_) {
        chip.setLatency(std::chrono::milliseconds(latency));
        latencyMs_ = latency;
    }
}

void UsbAdapter::run() {
    AdapterChip chip(*options_.profile, Clock::now());
    // The first look sets both: the device's side may still run at a speed
    // an adapter before this one left it at.
    latencyMs_ = -1;
    baud_ = 0;
    follow(chip);
    std::deque<std::string> outbox; // completed requests the program's side has no room for yet
    Time nextLook = Clock::now() + kLookEvery;
    char buffer[4096];
    for (;;) {
        Time now = Clock::now();
        if (now >= nextLook) {
            follow(chip);
            nextLook = now + kLookEvery;
        }
        for (ssize_t n; (n = ::read(master_, buffer, sizeof buffer)) > 0;)
            chip.fromHost({buffer, static_cast<std::size_t>(n)}, now);
        if (device_ >= 0) {
            ssize_t n;
            while ((n = ::read(device_, buffer, sizeof buffer)) > 0)
                chip.fromDevice({buffer, static_cast<std::size_t>(n)}, now);
            if (n == 0 || (n < 0 && errno != EAGAIN && errno != EINTR)) {
                ::close(device_); // the device went away: the adapter stays
                device_ = -1;
            }
        }
        now = Clock::now();
        for (AdapterChip::Delivery& d : chip.advance(now))
            outbox.push_back(std::move(d.bytes));
        // Each request reaches the program in one piece, when it completes.
        while (!outbox.empty()) {
            const ssize_t n = ::write(master_, outbox.front().data(), outbox.front().size());
            if (n < 0) break;
            ++deliveries_;
            if (static_cast<std::size_t>(n) < outbox.front().size()) {
                outbox.front().erase(0, static_cast<std::size_t>(n));
                break;
            }
            outbox.pop_front();
        }
        const std::string out = chip.toDevice(now);
        for (std::size_t sent = 0; device_ >= 0 && sent < out.size();) {
            const ssize_t n = ::write(device_, out.data() + sent, out.size() - sent);
            if (n <= 0) break; // the device's side takes no more: the bytes are lost
            sent += static_cast<std::size_t>(n);
        }
        const Time wake = std::min({chip.nextDelivery(), chip.nextToDevice(), nextLook});
        pollfd fds[3] = {
            {master_, static_cast<short>(POLLIN | (outbox.empty() ? 0 : POLLOUT)), 0},
            {device_, POLLIN, 0},
            {stopPipe_[0], POLLIN, 0},
        };
        const timespec timeout = untilTime(wake);
        ::ppoll(fds, 3, &timeout, nullptr);
        if (fds[2].revents != 0) return;
    }
}

} // namespace quorvex::sim
