// Opening a network port where the network misbehaves, in a network namespace
// of the test's own (unshare, as root of a new user namespace): a host whose
// IPv6 address is a dead route (its packets vanish) and whose IPv4 address
// serves the device, and a name server that never answers. The test binary
// runs again inside the namespace; there it makes the checks and exits.
#include "app/heartbeat.h"
#include "core/config_app.h"
#include "core/port_access.h"
#include "driver/api/r70com32.h"
#include "e2e/ser2net_server.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"
#include "support/fakes.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr const char* kCaseVariable = "QUORVEX_NETNS_CASE";

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

void mapCom3(const std::string& path) {
    const std::string ports = testsupport::comPortsWithCom3(path);
    ::setenv("R70COM_PORTS", ports.c_str(), 1);
}

// One open of COM3: its result, its time and why it failed.
std::string openOnce(double* seconds) {
    const auto started = Clock::now();
    const int result = D_SendDrvCmd(DRV_FINDPORT, nullptr);
    *seconds = secondsSince(started);
    char why[256] = "";
    D_LastOpenError(2, why, sizeof why);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    std::ostringstream s;
    s << "result " << result << " after " << *seconds << " s: " << why;
    return s.str();
}

// A simulated R70 on dir/COM3, served by ser2net.
struct Served {
    static quorvex::sim::SimOptions options(const fs::path& dir) {
        quorvex::sim::SimOptions o;
        o.model = quorvex::sim::Model::R70;
        o.link = (dir / "COM3").string();
        return o;
    }
    explicit Served(const fs::path& dir) : sim(options(dir)), server(dir, options(dir).link) {}
    bool start() {
        std::string why;
        if (sim.start(&why) && server.start(&why)) return true;
        std::printf("setup: %s\n", why.c_str());
        return false;
    }
    quorvex::sim::SimDevice sim;
    nettest::Ser2net server;
};

// The heartbeat of the program, once a second, while the host the device is
// on has vanished: the connection dropped, and the name now leads to an
// address whose packets vanish, or to no answer from the name server. No tick
// may hold the window (the connect runs in the background, the tick asks);
// the title says "connecting to tabox…"; the device is found once it is back.
int checkVanishedHost(const fs::path& dir) {
    Served served(dir);
    if (!served.start()) return 2;
    nettest::Ser2net& server = served.server;
    std::string why;
    auto hosts = [&](const char* tabox) {
        std::ofstream(dir / "hosts") << "127.0.0.1 localhost\n" << tabox;
    };
    hosts("127.0.0.1 tabox\n");
    mapCom3("rfc2217://tabox:" + std::to_string(server.port()));
    quorvex::test::FakeProfileStore profiles;
    quorvex::core::SteadyClock clock;
    quorvex::core::CConfigApp app(D_SendDrvCmd, profiles, clock);
    quorvex::core::PortAccess ports(dir / "win.ini", {D_PortPath, D_ChoosePort, D_PortReason});
    app.ports = &ports;
    quorvex::test::ScriptedUi ui;
    quorvex::app::Heartbeat heartbeat(app, ui);
    if (!quorvex::core::detectDevice(app)) {
        std::printf("setup: the device was not found\n");
        return 2;
    }
    heartbeat.start();
    // One tick a second, as the main window's timer gives them.
    auto tick = [&](double* longest) {
        std::this_thread::sleep_for(std::chrono::milliseconds(1000));
        const auto start = Clock::now();
        heartbeat.tick();
        *longest = std::max(*longest, secondsSince(start));
    };
    int status = 0;
    for (const char* gone : {"192.0.2.1 tabox\n", ""}) {
        hosts(gone);
        server.stop(); // the connection drops; reconnects meet the vanished host
        ui.connectionNotes.clear();
        double longest = 0;
        for (int i = 0; i < 10; ++i)
            tick(&longest);
        const bool told = std::find(ui.connectionNotes.begin(), ui.connectionNotes.end(),
                                    "connecting to tabox…") != ui.connectionNotes.end();
        hosts("127.0.0.1 tabox\n");
        if (!server.start(&why)) {
            std::printf("setup: %s\n", why.c_str());
            return 2;
        }
        double longestBack = 0;
        bool back = false;
        for (int i = 0; i < 40 && !back; ++i) {
            tick(&longestBack);
            back = app.connected;
        }
        std::printf("%s: longest tick while gone %.3f s, told %d, back %d (longest tick %.3f s), "
                    "notes at the end '%s'\n",
                    gone[0] != '\0' ? "blackholed address" : "silent name server", longest, told,
                    back, longestBack,
                    ui.connectionNotes.empty() ? "-" : ui.connectionNotes.back().c_str());
        // Generous for a loaded machine: a tick that waited for the connect
        // or the name server would take 3 s or 2 s.
        if (longest > 1.5 || !told || !back || ui.connectionNotes.back() != "") status = 1;
    }
    return status;
}

// Inside the namespace: the checks of one case; prints what it saw, and
// returns the exit status (0: as it should be).
int checkInside(const std::string& which, const fs::path& dir) {
    if (which == "vanished-host") return checkVanishedHost(dir);
    double seconds = 0;
    if (which == "dead-ipv6") {
        Served served(dir);
        if (!served.start()) return 2;
        // tabox: first [2001:db8::1] (dead), then 127.0.0.1.
        mapCom3("rfc2217://tabox:" + std::to_string(served.server.port()));
        const std::string seen = openOnce(&seconds);
        std::printf("%s\n", seen.c_str());
        return seen.starts_with("result 0 ") && seconds < 2.5 ? 0 : 1;
    }
    // The name server never answers: the first open waits its bound, the next
    // (the heartbeat's, a second later) does not wait again.
    mapCom3("rfc2217://tabox.example:2000");
    const std::string first = openOnce(&seconds);
    std::printf("first: %s\n", first.c_str());
    const bool firstOk =
        first.find("no answer from the name server for tabox.example") != std::string::npos &&
        seconds < 4;
    const std::string second = openOnce(&seconds);
    std::printf("second: %s\n", second.c_str());
    const bool secondOk =
        second.find("no answer from the name server") != std::string::npos && seconds < 1.5;
    return firstOk && secondOk ? 0 : 1;
}

// Runs the check of a case when this process is the one inside the namespace.
[[maybe_unused]] const int kInside = [] {
    const char* which = std::getenv(kCaseVariable);
    if (which == nullptr || which[0] == '\0') return 0;
    const int status = checkInside(which, std::getenv("QUORVEX_NETNS_DIR"));
    std::fflush(stdout);
    std::_Exit(status);
}();

class NetNamespace : public ::testing::Test {
protected:
    void SetUp() override {
        if (nettest::ser2netBinary().empty()) GTEST_SKIP() << nettest::kNoSer2net;
        if (std::system("unshare -Urmn true >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "no network namespace for this user (unshare -Urmn)";
        if (std::system("command -v ip >/dev/null 2>&1") != 0)
            GTEST_SKIP() << "ip (iproute2) is not installed";
        dir_ = fs::temp_directory_path() /
               ("rfc2217_netns_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // Runs this binary inside a namespace where 2001:db8::1 is a dead route.
    std::string runInside(const std::string& which, const std::string& hosts,
                          const std::string& resolver, int* status) {
        std::ofstream(dir_ / "hosts") << hosts;
        std::ofstream(dir_ / "resolv.conf") << resolver;
        std::ofstream(dir_ / "inside.sh")
            << "set -e\n"
            << "ip link set lo up\n"
            << "ip link add v0 type veth peer name v1\n"
            << "ip link set v0 up\nip link set v1 up\n"
            << "ip -6 addr add 2001:db8::2/64 dev v0 nodad\n"
            // Some IPv4 beyond loopback, or lookups with AI_ADDRCONFIG give none.
            << "ip addr add 192.0.2.2/24 dev v0\n"
            // A neighbour that never answers: what is sent there vanishes.
            << "ip -6 neigh add 2001:db8::1 lladdr 02:00:00:00:00:01 dev v0 nud permanent\n"
            << "ip neigh add 192.0.2.1 lladdr 02:00:00:00:00:01 dev v0 nud permanent\n"
            << "mount --bind " << (dir_ / "hosts") << " /etc/hosts\n"
            << "mount --bind " << (dir_ / "resolv.conf") << " /etc/resolv.conf\n"
            << "exec " << fs::read_symlink("/proc/self/exe") << "\n";
        const std::string command = std::string(kCaseVariable) + "=" + which +
                                    " QUORVEX_NETNS_DIR=" + dir_.string() + " unshare -Urmn sh " +
                                    (dir_ / "inside.sh").string() + " >" +
                                    (dir_ / "inside.out").string() + " 2>&1";
        const int raw = std::system(command.c_str());
        *status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
        std::ifstream in(dir_ / "inside.out");
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    fs::path dir_;
};

TEST_F(NetNamespace, ADeadIPv6AddressLeavesTheIPv4AddressItsTime) {
    int status = -1;
    const std::string seen =
        runInside("dead-ipv6", "127.0.0.1 localhost\n2001:db8::1 tabox\n127.0.0.1 tabox\n",
                  "nameserver 127.0.0.1\n", &status);
    EXPECT_EQ(status, 0) << seen;
}

TEST_F(NetNamespace, TheHeartbeatNeverWaitsForAVanishedHost) {
    int status = -1;
    const std::string seen =
        runInside("vanished-host", "127.0.0.1 localhost\n",
                  "nameserver 2001:db8::1\noptions timeout:5 attempts:2\n", &status);
    std::printf("%s", seen.c_str());
    EXPECT_EQ(status, 0) << seen;
}

TEST_F(NetNamespace, ASilentNameServerHoldsTheFirstOpenBrieflyAndTheNextNotAgain) {
    int status = -1;
    const std::string seen =
        runInside("silent-dns", "127.0.0.1 localhost\n",
                  "nameserver 2001:db8::1\noptions timeout:5 attempts:2\n", &status);
    EXPECT_EQ(status, 0) << seen;
}

} // namespace
