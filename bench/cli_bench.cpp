// The time of quorvex-cli backup and restore on a simulated R70 with pacing
// on, against the wire limit of the exchanges they made: the bytes on the
// line at 10 bits a byte and 115200 baud, plus per exchange the silence the
// reader waits for before it takes a reply as complete (20 ms). A second ratio
// also counts the fixed pause of 700 ms the forwarding page makes after each
// field it sends (restore sends every field) as silence on the line.
#include "e2e/cli_run.h"
#include "sim/sim_device.h"

#include <chrono>
#include <cstdio>
#include <string>

namespace {

namespace fs = std::filesystem;

// Bytes of a traced text: <CR>, <LF> and \xNN each stand for one.
std::size_t tracedBytes(std::string_view t) {
    std::size_t n = 0;
    for (std::size_t i = 0; i < t.size(); ++n) {
        if (t.substr(i, 4) == "<CR>" || t.substr(i, 4) == "<LF>") {
            i += 4;
        } else if (t.substr(i, 2) == "\\x" && i + 4 <= t.size()) {
            i += 4;
        } else {
            ++i;
        }
    }
    return n;
}

struct Wire {
    std::size_t exchanges = 0;
    std::size_t bytes = 0;
    std::size_t forwardingSends = 0;
    double limitSeconds() const {
        return double(bytes) * 10.0 / 115200.0 + 0.020 * double(exchanges);
    }
    double pauseSeconds() const { return 0.700 * double(forwardingSends); }
};

// A forwarding field sent: "AT!P20#", "AT!P21#" or "AT!P22#", not a query
// ("AT!P20#11*0" switches it off, "AT!P20#11*1=0301234" on).
bool forwardingSend(std::string_view sent) {
    for (std::string_view head : {"AT!P20#", "AT!P21#", "AT!P22#"})
        if (sent.substr(0, head.size()) == head && sent.find('?') == std::string_view::npos)
            return true;
    return false;
}

// The quoted texts of a trace line: "--> 'sent' <-- 'reply' = r".
Wire countTrace(const std::string& trace) {
    Wire w;
    std::size_t start = 0;
    while (start < trace.size()) {
        std::size_t end = trace.find('\n', start);
        if (end == std::string::npos) end = trace.size();
        std::string_view line(trace.data() + start, end - start);
        start = end + 1;
        std::size_t out = line.find("--> ");
        if (out == std::string_view::npos) continue;
        ++w.exchanges;
        std::size_t in = line.find(" <-- '", out);
        std::string_view sent =
            line.substr(out + 4, in == std::string_view::npos ? 0 : in - out - 4);
        if (sent.size() >= 2 && sent.front() == '\'')
            sent = sent.substr(1, sent.size() - 2);
        else
            sent = {};
        w.bytes += tracedBytes(sent);
        if (forwardingSend(sent)) ++w.forwardingSends;
        if (in != std::string_view::npos) {
            std::size_t close = line.rfind("' = ");
            if (close != std::string_view::npos && close > in + 6) {
                w.bytes += tracedBytes(line.substr(in + 6, close - in - 6));
            }
        }
    }
    return w;
}

} // namespace

int main() {
    fs::path dir = fs::temp_directory_path() / ("cli_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    quorvex::sim::SimOptions o;
    o.model = quorvex::sim::Model::R70;
    o.link = (dir / "COM3").string();
    o.pacing = true;
    quorvex::sim::SimDevice sim(o);
    std::string why;
    if (!sim.start(&why)) {
        std::fprintf(stderr, "cli_bench: simulator: %s\n", why.c_str());
        return 1;
    }
    std::map<std::string, std::string> env{
        {"QUORVEX_HOME", (dir / "home").string()},
        {"R70COM_PORTS", "COM1=;COM2=;COM3=" + o.link + ";COM4=;COM5=;COM6=;COM7=;COM8="}};
    const std::string profile = (dir / "bench.pro").string();
    std::printf("%-8s %8s %10s %10s %10s %8s %9s %8s %s\n", "command", "seconds", "exchanges",
                "bytes", "wire s", "ratio", "pauses s", "ratio*", "exit");
    int worst = 0;
    for (const char* command : {"backup", "restore"}) {
        const fs::path trace = dir / (std::string(command) + ".trace");
        auto t0 = std::chrono::steady_clock::now();
        clitest::CliRun r =
            clitest::runCli({command, "--trace", trace.string(), profile}, env, dir);
        double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
        Wire w = countTrace(clitest::slurp(trace));
        const double limit = w.limitSeconds();
        const double withPauses = limit + w.pauseSeconds();
        std::printf("%-8s %8.2f %10zu %10zu %10.2f %8.3f %9.2f %8.3f %d\n", command, seconds,
                    w.exchanges, w.bytes, limit, limit > 0 ? seconds / limit : 0.0,
                    w.pauseSeconds(), withPauses > 0 ? seconds / withPauses : 0.0, r.status);
        if (r.status != 0) {
            std::fprintf(stderr, "%s", r.err.c_str());
            worst = 1;
        }
    }
    std::printf("ratio: seconds / wire s; ratio*: seconds / (wire s + pauses s)\n");
    sim.stop();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return worst;
}
