// The time of quorvex-cli backup and restore on a simulated R70 with pacing
// on, against the wire limit of the exchanges they made: the bytes on the
// line at 10 bits a byte and 115200 baud, plus per exchange the silence the
// reader waits for before it takes a reply as complete (20 ms). A second ratio
// also counts the fixed pause of 700 ms the forwarding page makes after each
// field it sends (restore sends every field) as silence on the line.
// "cli_bench check": the check of the device against one full read (backup)
// on each model. "cli_bench adapter": the backup behind each simulated USB
// serial adapter against the direct line.
#include "e2e/cli_run.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"
#include "support/usb_adapter_rig.h"

#include <chrono>
#include <cstdio>
#include <memory>
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

struct Measured {
    double seconds = 0;
    Wire wire;
    int status = -1;
    std::string err;
};

Measured measure(const std::string& command, std::vector<std::string> args,
                 const std::map<std::string, std::string>& env, const fs::path& dir) {
    const fs::path trace = dir / (command + ".trace");
    fs::remove(trace);
    args.insert(args.begin(), {command, "--trace", trace.string()});
    const auto t0 = std::chrono::steady_clock::now();
    clitest::CliRun r = clitest::runCli(args, env, dir);
    Measured m;
    m.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - t0).count();
    m.wire = countTrace(clitest::slurp(trace));
    m.status = r.status;
    m.err = r.err;
    return m;
}

std::map<std::string, std::string> environment(const fs::path& dir, const std::string& link) {
    return {{"QUORVEX_HOME", (dir / "home").string()},
            {"R70COM_PORTS", testsupport::comPortsWithCom3(link)}};
}

// The check against one full read, on each model.
std::string linkIn(const fs::path& dir) {
    return (dir / "COM3").string();
}

// A simulated device with pacing on, at COM3 in dir; null when it cannot start.
std::unique_ptr<quorvex::sim::SimDevice> startSim(quorvex::sim::Model model, const fs::path& dir) {
    quorvex::sim::SimOptions o;
    o.model = model;
    o.link = linkIn(dir);
    o.pacing = true;
    auto sim = std::make_unique<quorvex::sim::SimDevice>(o);
    std::string why;
    if (!sim->start(&why)) {
        std::fprintf(stderr, "cli_bench: simulator: %s\n", why.c_str());
        return nullptr;
    }
    return sim;
}

int checkAgainstBackup(const fs::path& dir) {
    using quorvex::sim::Model;
    std::printf("%-8s %-8s %8s %10s %10s %8s %s\n", "model", "command", "seconds", "exchanges",
                "wire s", "/backup", "exit");
    int worst = 0;
    for (Model model : {Model::R30, Model::R70, Model::R70Usb}) {
        const auto sim = startSim(model, dir);
        if (!sim) return 1;
        const auto env = environment(dir, linkIn(dir));
        const Measured backup = measure("backup", {(dir / "bench.pro").string()}, env, dir);
        const Measured check =
            measure("check", {"--report", (dir / "check.txt").string()}, env, dir);
        for (const auto& [name, m] : {std::pair{"backup", &backup}, std::pair{"check", &check}}) {
            std::printf("%-8s %-8s %8.2f %10zu %10.2f %8.3f %d\n",
                        std::string(quorvex::sim::modelName(model)).c_str(), name, m->seconds,
                        m->wire.exchanges, m->wire.limitSeconds(), m->seconds / backup.seconds,
                        m->status);
            if (m->status != 0) {
                std::fprintf(stderr, "%s", m->err.c_str());
                worst = 1;
            }
        }
        sim->stop();
    }
    std::printf("/backup: seconds / the backup's seconds on the same model\n");
    return worst;
}

// What the trace's "USB adapter:" line says of the latency ("latency 1 ms
// (lowered from 16 ms)"); "-" without one.
std::string latencyIn(const std::string& trace) {
    const std::size_t at = trace.find("USB adapter: ");
    if (at == std::string::npos) return "-";
    const std::size_t from = trace.find("latency ", at);
    const std::size_t end = trace.find_first_of(":\n", from);
    return from == std::string::npos ? "-" : trace.substr(from, end - from);
}

// The backup behind each adapter, against a backup on the direct line of
// the same device just before it (pacing on in both: the device sends at the
// line rate). Each through an adapter on a fake machine of its own.
int adapterAgainstDirect(const fs::path& dir) {
    using testsupport::TimerFile;
    const testsupport::AdapterCase cases[] = {
        {"ftdi", TimerFile::Lowerable},     {"ftdi", TimerFile::Stuck},
        {"ftdi-1ms", TimerFile::Lowerable}, {"ch340", TimerFile::Lowerable},
        {"ch340", TimerFile::Stuck},        {"pl2303", TimerFile::Lowerable},
        {"pl2303", TimerFile::Stuck},
    };
    std::printf("%-9s %-10s %-36s %9s %10s %7s %5s %s\n", "adapter", "timer", "latency in use",
                "direct s", "adapter s", "ratio", "same", "exit");
    int worst = 0;
    for (const testsupport::AdapterCase& c : cases) {
        const auto sim = startSim(quorvex::sim::Model::R70, dir);
        if (!sim) return 1;
        const Measured direct =
            measure("backup", {(dir / "direct.pro").string()}, environment(dir, linkIn(dir)), dir);
        testsupport::AdapterRig rig(dir / "machine", c);
        std::string why;
        if (!rig.start(sim->slavePath(), &why)) {
            std::fprintf(stderr, "cli_bench: adapter: %s\n", why.c_str());
            return 1;
        }
        auto env = rig.environment();
        env["QUORVEX_HOME"] = (dir / "home").string();
        const Measured through = measure("backup", {(dir / "adapter.pro").string()}, env, dir);
        const bool same = clitest::slurp(dir / "direct.pro") == clitest::slurp(dir / "adapter.pro");
        std::printf("%-9s %-10s %-36s %9.2f %10.2f %7.3f %5s %d\n", std::string(c.profile).c_str(),
                    c.timer == TimerFile::Stuck ? "stuck" : "lowerable",
                    latencyIn(clitest::slurp(dir / "backup.trace")).c_str(), direct.seconds,
                    through.seconds, through.seconds / direct.seconds, same ? "yes" : "NO",
                    through.status);
        if (through.status != 0 || direct.status != 0 || !same) {
            std::fprintf(stderr, "%s%s", direct.err.c_str(), through.err.c_str());
            worst = 1;
        }
        rig.stop();
        sim->stop();
        std::error_code ec;
        fs::remove_all(dir / "machine", ec);
    }
    std::printf("ratio: adapter s / direct s (quorvex-cli backup of a simulated R70); same: the\n"
                "two profiles are equal byte for byte\n");
    return worst;
}

} // namespace

int main(int argc, char** argv) {
    fs::path dir = fs::temp_directory_path() / ("cli_bench_" + std::to_string(::getpid()));
    fs::create_directories(dir);
    if (argc > 1 &&
        (std::string_view(argv[1]) == "check" || std::string_view(argv[1]) == "adapter")) {
        const int status = std::string_view(argv[1]) == "check" ? checkAgainstBackup(dir)
                                                                : adapterAgainstDirect(dir);
        std::error_code ec;
        fs::remove_all(dir, ec);
        return status;
    }
    const auto sim = startSim(quorvex::sim::Model::R70, dir);
    if (!sim) return 1;
    const auto env = environment(dir, linkIn(dir));
    const std::string profile = (dir / "bench.pro").string();
    std::printf("%-8s %8s %10s %10s %10s %8s %9s %8s %s\n", "command", "seconds", "exchanges",
                "bytes", "wire s", "ratio", "pauses s", "ratio*", "exit");
    int worst = 0;
    for (const char* command : {"backup", "restore"}) {
        const Measured m = measure(command, {profile}, env, dir);
        const Wire& w = m.wire;
        const double limit = w.limitSeconds();
        const double withPauses = limit + w.pauseSeconds();
        std::printf("%-8s %8.2f %10zu %10zu %10.2f %8.3f %9.2f %8.3f %d\n", command, m.seconds,
                    w.exchanges, w.bytes, limit, limit > 0 ? m.seconds / limit : 0.0,
                    w.pauseSeconds(), withPauses > 0 ? m.seconds / withPauses : 0.0, m.status);
        if (m.status != 0) {
            std::fprintf(stderr, "%s", m.err.c_str());
            worst = 1;
        }
    }
    std::printf("ratio: seconds / wire s; ratio*: seconds / (wire s + pauses s)\n");
    sim->stop();
    std::error_code ec;
    fs::remove_all(dir, ec);
    return worst;
}
