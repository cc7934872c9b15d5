// A port on another machine (RFC 2217 through ser2net on 127.0.0.1) against
// the local pseudo-terminal, and the figures behind the reply reader's
// silence rule on a network port.
//
//   time  quorvex-cli backup of a simulated R70 (pacing on) over its
//         pseudo-terminal and over RFC 2217 by each path: ser2net on 127.0.0.1
//         with and without tcp(nodelay), a tunnel, round trips of 20 and
//         100 ms (a relay, tests/e2e/net_relay.h); seconds, the remote/local
//         ratio against the goal, and the replies the network line cut.
//   gaps  a device that answers every command with N bytes sent at exactly
//         the line rate, like a UART, behind ser2net: per speed and reply
//         length, the first byte's delay against the reader's allowance, and
//         the largest gap inside a reply against the silence the rule grants
//         at that point (margin = granted - gap; a reply is cut below zero).
//
// Usage: rfc2217_bench [time|gaps|both]   (needs ser2net; about five minutes)
#include "driver/api/r70com32.h"
#include "driver/line/rfc2217_transport.h"
#include "e2e/cli_run.h"
#include "e2e/net_relay.h"
#include "e2e/ser2net_server.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <poll.h>
#include <string>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

double since(Clock::time_point t0) {
    return std::chrono::duration<double>(Clock::now() - t0).count();
}

std::string portMap(const std::string& com3) {
    return testsupport::comPortsWithCom3(com3);
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

// One way to reach the device over the network: ser2net on 127.0.0.1 with or
// without tcp(nodelay), straight or through a relay that gives the path a
// round trip (and, for ser2net without tcp(nodelay), its Nagle across the
// path and a tunnel's held-back acknowledgements).
struct Path {
    const char* name;
    bool nodelay;
    bool relay;
    nettest::PathOptions options;
};

// clang-format off
constexpr Path kPaths[] = {
    {"127.0.0.1",                 false, false, {}},
    {"127.0.0.1, tcp(nodelay)",   true,  false, {}},
    {"tunnel, rtt 0",             false, true,  {0, true, 40}},
    {"rtt 20 ms",                 false, true,  {10, true, 40}},
    {"rtt 20 ms, tcp(nodelay)",   true,  true,  {10, false, 0}},
    {"rtt 100 ms",                false, true,  {50, true, 40}},
    {"rtt 100 ms, tcp(nodelay)",  true,  true,  {50, false, 0}},
};
// clang-format on

struct Backup {
    double seconds = 0;
    std::size_t exchanges = 0;
    std::size_t cut = 0;
    bool ok = false;
};

Backup backupOver(const fs::path& dir, const std::string& com3, const char* name) {
    const fs::path trace = dir / (std::string(name) + ".trace");
    fs::remove(trace);
    std::map<std::string, std::string> env{{"QUORVEX_HOME", (dir / "home").string()},
                                           {"R70COM_PORTS", portMap(com3)}};
    Backup b;
    const auto t0 = Clock::now();
    const clitest::CliRun r = clitest::runCli(
        {"backup", "--trace", trace.string(), (dir / (std::string(name) + ".pro")).string()}, env,
        dir);
    b.seconds = since(t0);
    const std::string t = clitest::slurp(trace);
    b.exchanges = count(t, "--> '");
    b.cut = count(t, "stale input dropped");
    b.ok = r.status == 0;
    if (!b.ok) std::fprintf(stderr, "%s: %s", name, r.err.c_str());
    return b;
}

int timeCommands(const fs::path& dir) {
    quorvex::sim::SimOptions o;
    o.model = quorvex::sim::Model::R70;
    o.link = (dir / "COM3").string();
    o.pacing = true;
    quorvex::sim::SimDevice sim(o);
    std::string why;
    if (!sim.start(&why)) {
        std::fprintf(stderr, "rfc2217_bench: simulator: %s\n", why.c_str());
        return 1;
    }
    std::printf("quorvex-cli backup of a simulated R70, each path against a local backup run\n"
                "just before it. Goal: remote <= (local + exchanges x rtt) x 1.10, and on\n"
                "127.0.0.1 <= 1.15 x local; it holds for ser2net with tcp(nodelay) (without\n"
                "it ser2net holds each reply until our acknowledgement of the purge's answer\n"
                "is back: a second round trip per exchange).\n\n");
    std::printf("%-26s %8s %9s %6s %9s %8s %8s %5s %4s\n", "path", "local s", "remote s", "ratio",
                "exchanges", "ms/exch", "goal s", "met", "cut");
    int status = 0;
    for (const Path& p : kPaths) {
        const Backup local = backupOver(dir, o.link, "local");
        nettest::Ser2net server(dir, o.link, true, p.nodelay);
        if (!server.start(&why)) {
            std::fprintf(stderr, "rfc2217_bench: %s\n", why.c_str());
            return 1;
        }
        std::unique_ptr<nettest::Relay> relay;
        std::string address = server.address();
        if (p.relay) {
            relay = std::make_unique<nettest::Relay>(server.port(), p.options);
            if (!relay->start(&why)) {
                std::fprintf(stderr, "rfc2217_bench: %s\n", why.c_str());
                return 1;
            }
            address = relay->address();
        }
        const Backup remote = backupOver(dir, address, "remote");
        const double rtt = 2 * p.options.delayMs / 1000.0;
        const double goal =
            p.relay ? (local.seconds + remote.exchanges * rtt) * 1.10 : local.seconds * 1.15;
        const bool met = local.ok && remote.ok && remote.seconds <= goal;
        const double extraMs =
            remote.exchanges > 0 ? 1000 * (remote.seconds - local.seconds) / remote.exchanges : 0;
        std::printf("%-26s %8.2f %9.2f %6.3f %9zu %8.1f %8.2f %5s %4zu\n", p.name, local.seconds,
                    remote.seconds, remote.seconds / local.seconds, remote.exchanges, extraMs, goal,
                    met ? "yes" : "no", remote.cut);
        std::fflush(stdout);
        const bool goalApplies = p.nodelay || !p.relay;
        if ((goalApplies && !met) || !remote.ok || remote.cut > 0) status = 1;
    }
    std::printf("\nratio: remote / local; exchanges: commands the remote backup sent; ms/exch:\n"
                "(remote - local) / exchanges; cut: its replies whose rest came late and was\n"
                "dropped as stale (0: none cut)\n");
    sim.stop();
    return status;
}

// A device on a pseudo-terminal that answers every CR with `length` bytes,
// sent at the line rate the server set (groups of at most 4 bytes against a
// deadline, as a UART's FIFO delivers them).
class PacedDevice {
public:
    explicit PacedDevice(const fs::path& link) {
        master_ = ::posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
        ::grantpt(master_);
        ::unlockpt(master_);
        char name[128];
        ::ptsname_r(master_, name, sizeof name);
        slave_ = ::open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
        termios t{};
        ::tcgetattr(slave_, &t);
        ::cfmakeraw(&t);
        ::tcsetattr(slave_, TCSANOW, &t);
        fs::remove(link);
        fs::create_symlink(name, link);
        thread_ = std::thread([this] { run(); });
    }
    ~PacedDevice() {
        stop_ = true;
        thread_.join();
        ::close(master_);
        ::close(slave_);
    }
    std::atomic<std::size_t> length{20};

private:
    unsigned baud() const {
        termios t{};
        ::tcgetattr(slave_, &t);
        switch (::cfgetospeed(&t)) {
        case B19200:
            return 19200;
        case B57600:
            return 57600;
        default:
            return 115200;
        }
    }
    void run() {
        while (!stop_) {
            pollfd p{master_, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0) continue;
            char in[256];
            const ssize_t n = ::read(master_, in, sizeof in);
            if (n <= 0 || std::memchr(in, '\r', static_cast<std::size_t>(n)) == nullptr) continue;
            std::string reply = "\r\n" + std::string(length - 4, 'x') + "\r\n";
            const auto perByte = std::chrono::nanoseconds(10'000'000'000LL / baud());
            const auto start = Clock::now();
            for (std::size_t sent = 0; sent < reply.size();) {
                const std::size_t k = std::min<std::size_t>(4, reply.size() - sent);
                if (::write(master_, reply.data() + sent, k) <= 0) break;
                sent += k;
                std::this_thread::sleep_until(start + perByte * static_cast<long>(sent));
            }
        }
    }
    int master_ = -1;
    int slave_ = -1;
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

struct NoTrace final : r70::TraceSink {
    void traceEvent(std::string_view) noexcept override {}
};

int measureGaps(const fs::path& dir) {
    PacedDevice device(dir / "PACED");
    nettest::Ser2net server(dir, (dir / "PACED").string());
    std::string why;
    if (!server.start(&why)) {
        std::fprintf(stderr, "rfc2217_bench: %s\n", why.c_str());
        return 1;
    }
    constexpr r70::LineSpeed kSpeeds[] = {{DRV_SPEED_115200, 115200, 10, "115200"},
                                          {DRV_SPEED_57600, 57600, 20, "57600"},
                                          {DRV_SPEED_19200, 19200, 30, "19200"}};
    constexpr int kReplies = 20;
    NoTrace sink;
    r70::Rfc2217Transport line(sink);
    r70::OpenError error;
    if (!line.open(server.address().c_str(), error)) {
        std::fprintf(stderr, "rfc2217_bench: %s\n", error.text);
        return 1;
    }
    std::printf("%6s %6s %9s %9s %9s %9s %9s %9s\n", "baud", "bytes", "first ms", "allowed",
                "gap ms", "granted", "margin", "local");
    int status = 0;
    for (const r70::LineSpeed& speed : kSpeeds) {
        if (line.setSpeed(speed) != r70::SpeedResult::Set) {
            std::fprintf(stderr, "rfc2217_bench: the server refused %s baud\n", speed.name);
            return 1;
        }
        for (std::size_t length : {20, 100, 1000}) {
            device.length = length;
            double firstWorst = 0, firstAllowed = 0, gapWorst = 0, grantedAtWorst = 0;
            double margin = 1e9;
            for (int k = 0; k < kReplies; ++k) {
                line.discardInput();
                (void)line.writeCommand("AT\r", 3);
                const auto sent = Clock::now();
                const int allowed = line.firstByteWaitMs(200 + 10);
                char byte = 0;
                if (!line.readByte(allowed, &byte)) {
                    std::fprintf(stderr, "no reply at %s baud\n", speed.name);
                    status = 1;
                    break;
                }
                auto last = Clock::now();
                const double first = std::chrono::duration<double, std::milli>(last - sent).count();
                if (first > firstWorst) firstWorst = first, firstAllowed = allowed;
                // Generous waits here, so that every gap is seen whole.
                for (std::size_t got = 1; got < length; ++got) {
                    const double granted = line.nextByteWaitMs(speed.interByteMs + 10, false);
                    if (!line.readByte(2000, &byte)) break;
                    const auto now = Clock::now();
                    const double gap =
                        std::chrono::duration<double, std::milli>(now - last).count();
                    last = now;
                    margin = std::min(margin, granted - gap);
                    if (gap > gapWorst) gapWorst = gap, grantedAtWorst = granted;
                }
            }
            std::printf("%6u %6zu %9.2f %9.0f %9.2f %9.0f %9.2f %9d\n", speed.baud, length,
                        firstWorst, firstAllowed, gapWorst, grantedAtWorst, margin,
                        speed.interByteMs + 10);
            if (margin < 0) status = 1;
        }
    }
    std::printf("first ms: the slowest first byte after the command; allowed: the first-byte\n"
                "wait the reader grants (200 ms budget + 10 + allowance); gap ms: the largest gap\n"
                "inside a reply; granted: the silence the rule grants there; margin: the\n"
                "smallest granted - gap of any byte; local: the silence of a local line\n");
    line.close();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    const std::string what = argc > 1 ? argv[1] : "both";
    if (what != "time" && what != "gaps" && what != "both") {
        std::fprintf(stderr, "usage: rfc2217_bench [time|gaps|both]\n");
        return 2;
    }
    if (nettest::ser2netBinary().empty()) {
        std::fprintf(stderr, "rfc2217_bench: %s\n", nettest::kNoSer2net);
        return 1;
    }
    const fs::path dir =
        fs::temp_directory_path() / ("rfc2217_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    int status = 0;
    if (what != "time") status |= measureGaps(dir);
    if (what != "gaps") status |= timeCommands(dir);
    std::error_code ec;
    fs::remove_all(dir, ec);
    return status;
}
