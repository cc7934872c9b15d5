// A port on another machine (RFC 2217 through ser2net on 127.0.0.1) against
// the local pseudo-terminal, and the figures behind the reply reader's
// silence rule on a network port.
//
//   time  quorvex-cli backup and restore of a simulated R70 (pacing on) over
//         its pseudo-terminal and over RFC 2217; seconds and the ratio, and
//         the replies the network line cut (their rest dropped as stale).
//   gaps  a device that answers every command with N bytes sent at exactly
//         the line rate, like a UART, behind ser2net: per speed and reply
//         length, the first byte's delay against the reader's allowance, and
//         the largest gap inside a reply against the silence the rule grants
//         at that point (margin = granted - gap; a reply is cut below zero).
//
// Usage: rfc2217_bench [time|gaps|both]   (needs ser2net; about two minutes)
#include "driver/r70com32.h"
#include "driver/rfc2217_transport.h"
#include "e2e/cli_run.h"
#include "e2e/ser2net_server.h"
#include "sim/sim_device.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
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
    return "COM1=;COM2=;COM3=" + com3 + ";COM4=;COM5=;COM6=;COM7=;COM8=";
}

std::size_t count(const std::string& text, const std::string& what) {
    std::size_t n = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
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
    nettest::Ser2net server(dir, o.link);
    if (!server.start(&why)) {
        std::fprintf(stderr, "rfc2217_bench: %s\n", why.c_str());
        return 1;
    }
    const std::string profile = (dir / "bench.pro").string();
    struct Line {
        const char* name;
        std::string com3;
        double seconds[2] = {};
    } lines[] = {{"local", o.link}, {"rfc2217", server.address()}};
    int status = 0;
    std::size_t cut = 0;
    const char* commands[] = {"backup", "restore"};
    for (int c = 0; c < 2; ++c) {
        for (Line& l : lines) {
            const fs::path trace = dir / (std::string(l.name) + "." + commands[c] + ".trace");
            std::map<std::string, std::string> env{{"QUORVEX_HOME", (dir / "home").string()},
                                                   {"R70COM_PORTS", portMap(l.com3)}};
            const auto t0 = Clock::now();
            clitest::CliRun r =
                clitest::runCli({commands[c], "--trace", trace.string(), profile}, env, dir);
            l.seconds[c] = since(t0);
            cut += count(clitest::slurp(trace), "stale input dropped");
            if (r.status != 0) {
                std::fprintf(stderr, "%s %s: %s", l.name, commands[c], r.err.c_str());
                status = 1;
            }
        }
    }
    std::printf("%-8s %9s %11s %7s\n", "command", "local s", "rfc2217 s", "ratio");
    for (int c = 0; c < 3; ++c) {
        const double local =
            c < 2 ? lines[0].seconds[c] : lines[0].seconds[0] + lines[0].seconds[1];
        const double net = c < 2 ? lines[1].seconds[c] : lines[1].seconds[0] + lines[1].seconds[1];
        std::printf("%-8s %9.2f %11.2f %7.3f\n", c < 2 ? commands[c] : "both", local, net,
                    net / local);
    }
    std::printf("replies cut on the network line: %zu\n", cut);
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
