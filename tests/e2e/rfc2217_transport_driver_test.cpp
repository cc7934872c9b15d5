// The driver library on a network port: COM3 maps to rfc2217://127.0.0.1:PORT,
// where a ser2net started by the test serves the simulated device's
// pseudo-terminal. Identification of every model, the reasons of failed
// opens, stale input, and the server stopped in the middle of a profile load.
#include "app/heartbeat.h"
#include "app/main_window_logic.h"
#include "core/config_app.h"
#include "driver/api/r70com32.h"
#include "e2e/net_relay.h"
#include "e2e/ser2net_server.h"
#include "pages/telephony/short_dial_page.h"
#include "profile/sections.h"
#include "sim/sim_device.h"
#include "support/com3_map.h"
#include "support/fakes.h"
#include "support/pty_device.h"
#include "support/scripted_ui.h"
#include "support/wait_for.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>
#include <string>

namespace {

namespace fs = std::filesystem;
namespace qs = quorvex::sim;
using namespace quorvex;
using namespace std::chrono_literals;
using nettest::Ser2net;
using WallClock = std::chrono::steady_clock;

void mapCom3(const std::string& path) {
    const std::string ports = testsupport::comPortsWithCom3(path);
    ::setenv("R70COM_PORTS", ports.c_str(), 1);
}

std::string openError(int* code) {
    char text[256];
    *code = D_LastOpenError(2, text, sizeof text);
    return text;
}

class NetPort : public ::testing::Test {
protected:
    void SetUp() override {
        if (nettest::ser2netBinary().empty()) GTEST_SKIP() << nettest::kNoSer2net;
        dir_ = fs::temp_directory_path() /
               ("rfc2217_" + std::to_string(::getpid()) + "_" +
                ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
    }
    void TearDown() override {
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        server_.reset();
        sim_.reset();
        std::error_code ec;
        fs::remove_all(dir_, ec);
    }
    // The simulated device (pacing on: its replies reach the server in
    // pieces, as a real line delivers them) behind ser2net.
    void startDevice(qs::Model model) {
        server_.reset();
        qs::SimOptions o;
        o.model = model;
        o.link = (dir_ / "COM3").string();
        sim_ = std::make_unique<qs::SimDevice>(o);
        std::string why;
        ASSERT_TRUE(sim_->start(&why)) << why;
        serve(o.link);
    }
    void serve(const std::string& device, bool rfc2217 = true) {
        server_ = std::make_unique<Ser2net>(dir_, device, rfc2217);
        std::string why;
        ASSERT_TRUE(server_->start(&why)) << why;
        mapCom3(server_->address());
    }

    fs::path dir_;
    std::unique_ptr<qs::SimDevice> sim_;
    std::unique_ptr<Ser2net> server_;
};

TEST_F(NetPort, IdentifiesEachModel) {
    struct Case {
        qs::Model model;
        int number, usb;
    } cases[] = {{qs::Model::R30, 30, 0}, {qs::Model::R70, 70, 0}, {qs::Model::R70Usb, 70, 1}};
    for (const Case& c : cases) {
        startDevice(c.model);
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0) << server_->log();
        EXPECT_EQ(sim_->lineBaud(), 115200u) << "the server set the speed we asked for";
        DRVPARAM p{};
        EXPECT_EQ(D_SendDrvCmd(DRV_IDENT, &p), 1);
        EXPECT_EQ(p.nPort, 2);
        EXPECT_EQ(p.nIndex, c.number);
        EXPECT_EQ(drv_usb_flag(&p), c.usb);
        EXPECT_STREQ(p.szCmd, sim_->snapshot().firmware.c_str());
        D_SendDrvCmd(DRV_CLOSE, nullptr);
    }
}

TEST_F(NetPort, AFailedOpenSaysWhy) {
    startDevice(qs::Model::R70);
    const std::string served = server_->address();
    // A listener that accepts and never speaks (a raw TCP port, say).
    const int raw = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    ASSERT_EQ(::bind(raw, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    ASSERT_EQ(::listen(raw, 4), 0);
    ASSERT_EQ(::getsockname(raw, reinterpret_cast<sockaddr*>(&a), &size), 0);
    const std::string rawPort = "rfc2217://127.0.0.1:" + std::to_string(ntohs(a.sin_port));
    // Another client holds the served port.
    const int holder = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    a.sin_port = htons(static_cast<uint16_t>(server_->port()));
    ASSERT_EQ(::connect(holder, reinterpret_cast<sockaddr*>(&a), sizeof a), 0);
    char greeting[8];
    ASSERT_GT(::recv(holder, greeting, sizeof greeting, 0), 0) << "the server took the holder";

    struct Case {
        std::string path;
        int code;
        const char* says;
    };
    const Case cases[] = {
        {"rfc2217://127.0.0.1:" + std::to_string(nettest::freePort()), DRV_OPENERR_ABSENT,
         "connection refused"},
        {"rfc2217://no-such-host.invalid:2000", DRV_OPENERR_ABSENT, "host not found"},
        {"rfc2217://box", DRV_OPENERR_ABSENT, "rfc2217://HOST:PORT"},
        {rawPort, DRV_OPENERR_NOTSERIAL, "does not do RFC 2217: no telnet answer"},
        {served, DRV_OPENERR_BUSY, "Port already in use"},
    };
    for (const Case& c : cases) {
        mapCom3(c.path);
        EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2) << c.path;
        int code = 0;
        const std::string why = openError(&code);
        EXPECT_EQ(code, c.code) << why;
        // The server's words may be lost to the reset of our own first bytes.
        const bool said = why.find(c.says) != std::string::npos ||
                          (c.code == DRV_OPENERR_BUSY &&
                           why.find("another client may hold the port") != std::string::npos);
        EXPECT_TRUE(said) << why;
        EXPECT_NE(why.find("COM3 (" + c.path + ")"), std::string::npos) << why;
    }
    ::close(holder);
    ::close(raw);

    // A telnet accepter without telnet(rfc2217).
    serve(sim_->slavePath(), /*rfc2217=*/false);
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    int code = 0;
    const std::string why = openError(&code);
    EXPECT_EQ(code, DRV_OPENERR_NOTSERIAL);
    EXPECT_NE(why.find("does not do RFC 2217: it refused COM-PORT-OPTION"), std::string::npos)
        << why;
}

// A path longer than the driver's old 255-character buffer is taken whole: a
// host name that pushed the port's digits past it reached another port.
TEST_F(NetPort, ALongHostNameReachesItsOwnPort) {
    startDevice(qs::Model::R70);
    // 127.0.0.1 spelled with leading zeros, so long that 255 characters of
    // the path end two digits into the port number.
    const std::string host = "127.0.0." + std::string(233, '0') + "1";
    const std::string path = "rfc2217://" + host + ":" + std::to_string(server_->port());
    ASSERT_EQ(path.size(), 258u) << "the port has five digits";
    mapCom3(path);
    char why[256] = "";
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    EXPECT_EQ(D_LastOpenError(2, why, sizeof why), DRV_OPENERR_NONE) << why;
    char shown[512] = "";
    D_PortPath(2, shown, sizeof shown);
    EXPECT_EQ(shown, path);
}

// A reply that missed its budget, or one the device broke off and finished
// later, never answers the next command: on ser2net itself, behind a tunnel
// that holds acknowledgements back, and across a 100 ms round trip, with the
// next command sent the moment the old reply has left the device (the server
// may still hold it back, or it may still be on its way). The next command
// gets its own answer or, when its reply cannot be told apart, none.
TEST_F(NetPort, StaleInputNeverAnswersTheNextCommand) {
    testsupport::PtyDevice device(testsupport::modelScript("633"));
    const std::string old = "\r\n" + std::string(200, '7') + "\r\n\r\nOK\r\n"; // several batches
    const testsupport::DeviceReply faults[] = {
        {old, 1500},       // late, beyond any budget
        {old, 0, 4, 1500}, // broken off after "\r\n77"
    };
    const std::optional<nettest::PathOptions> paths[] = {
        std::nullopt, nettest::PathOptions{0, true, 40}, nettest::PathOptions{50, true, 40}};
    for (const auto& path : paths) {
        device.setScript(testsupport::modelScript("633"));
        serve(device.path());
        std::unique_ptr<nettest::Relay> relay;
        if (path) {
            relay = std::make_unique<nettest::Relay>(server_->port(), *path);
            std::string why;
            ASSERT_TRUE(relay->start(&why)) << why;
            mapCom3(relay->address());
        }
        const std::string name = path ? path->name() : "ser2net";
        int code = 0;
        ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0) << name << ": " << openError(&code);
        for (const testsupport::DeviceReply& fault : faults) {
            device.setScript([&](const std::string& command) -> testsupport::DeviceReply {
                if (command == "AT!P9#11?") return fault;
                if (command == "AT!P6#11?") return testsupport::okReply("2");
                return {"\r\nERROR\r\n"};
            });
            DRVPARAM p{};
            p.nPort = 11;
            const std::size_t sent = device.repliesSent();
            (void)D_SendDrvCmd(DRV_RINGDELAY, &p);
            ASSERT_TRUE(testsupport::waitFor([&] { return device.repliesSent() > sent; },
                                             std::chrono::seconds(10)));
            DRVPARAM q{};
            q.nPort = 11;
            const int result = D_SendDrvCmd(DRV_CALLERID, &q);
            if (result == 0) {
                EXPECT_EQ(q.bOk, 1) << name << " " << fault.pauseMs;
                EXPECT_EQ(q.nValue, 2) << name << " " << fault.pauseMs; // never the old 7
            } else {
                EXPECT_EQ(result, -2) << name;
            }
            DRVPARAM r{};
            r.nPort = 11;
            ASSERT_EQ(D_SendDrvCmd(DRV_CALLERID, &r), 0) << name;
            EXPECT_EQ(r.bOk, 1) << name;
            EXPECT_EQ(r.nValue, 2) << name;
        }
        D_SendDrvCmd(DRV_CLOSE, nullptr);
        relay.reset();
    }
}

// A page factory with the short dial page only.
struct ShortDialOnly : app::PageFactory {
    ShortDialOnly(core::CConfigApp& a, core::PageUi& u) : app(a), ui(u) {}
    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& h) override {
        if (index != 2) return nullptr;
        return std::make_unique<telephony::ShortDialPage>(app, ui, h, model);
    }
    core::CConfigApp& app;
    core::PageUi& ui;
};

TEST_F(NetPort, TheServerStoppedInAProfileLoadNothingHangsAndTheDeviceIsFoundAgain) {
    startDevice(qs::Model::R70);
    int sets = 0;
    auto drive = [&](uint16_t code, DRVPARAM* p) {
        if (code == DRV_SHORTDIAL && p != nullptr && p->nOp == 1 && ++sets == 31) server_->stop();
        return D_SendDrvCmd(code, p);
    };
    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{drive, profiles, clock};
    test::ScriptedUi ui;
    ASSERT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), 0);
    app.connected = app.identified = true;
    app.modelNumber = app.pageModel = 70;
    app.portCount = 5;
    const auto section = profile::sectionName(profile::Section::ShortDial);
    for (const auto& key : profile::keysOf(profile::Section::ShortDial, 5))
        if (key.second >= 0) // SDNUMpk
            profiles.set(core::kCurrentProfile, section, key.name,
                         "0301" + std::to_string(key.first) + std::to_string(key.second));
    ShortDialOnly factory(app, ui);
    app::MainWindowLogic main(app, ui, factory);
    main.buildPages();

    const auto started = WallClock::now();
    main.profileLoad(core::kCurrentProfile, "net.pro");
    EXPECT_LT(WallClock::now() - started, 60s) << "the load waited on a dead connection";
    ASSERT_GE(sets, 31);
    auto* page = dynamic_cast<telephony::ShortDialPage*>(main.page(2));
    ASSERT_NE(page, nullptr);
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(page->entry(i / 10, i % 10).changed(), i >= 30) << i;

    app::Heartbeat beat(app, ui);
    beat.start();
    for (int t = 1; t <= 4; ++t)
        beat.tick();
    EXPECT_FALSE(app.connected);
    EXPECT_EQ(ui.messages, (std::vector<int>{app::kTextLoadIncomplete, app::kNotFoundText}))
        << "the load was not taken whole; the device is lost";

    std::string why;
    ASSERT_TRUE(server_->start(&why)) << why;
    beat.tick();
    EXPECT_TRUE(app.connected) << "the heartbeat finds the device again";
    EXPECT_EQ(beat.silentTicks(), 0);
}

} // namespace
