// The fixture of quorvex-cli over a network port reached through a path as
// users have it: the simulated device behind ser2net (with or without
// tcp(nodelay)), and a relay in front that gives the path its round trip, a
// tunnel's held-back acknowledgements and, for ser2net without tcp(nodelay),
// the server's Nagle across the path.
#pragma once

#include "e2e/net_relay.h"
#include "e2e/rfc2217_cli_fixture.h"

namespace nettest {

// The lines of identify that do not name the port.
inline std::string withoutPortLine(const std::string& out) {
    const std::size_t end = out.find('\n');
    return end == std::string::npos ? out : out.substr(end + 1);
}

class NetPath : public NetCli, public ::testing::WithParamInterface<PathOptions> {
protected:
    // ser2net in front of the simulated device, the relay in front of ser2net.
    void startPath() {
        const PathOptions& path = GetParam();
        server_ = std::make_unique<Ser2net>(dir_, (dir_ / "COM3").string(), true,
                                            /*nodelay=*/!path.serverNagle);
        std::string why;
        ASSERT_TRUE(server_->start(&why)) << why;
        relay_ = std::make_unique<Relay>(server_->port(), path);
        ASSERT_TRUE(relay_->start(&why)) << why;
        env_["R70COM_PORTS"] =
            "COM1=;COM2=;COM3=" + relay_->address() + ";COM4=;COM5=;COM6=;COM7=;COM8=";
    }
    void TearDown() override {
        relay_.reset();
        NetCli::TearDown();
    }
    std::unique_ptr<Relay> relay_;
};

inline void PrintTo(const PathOptions& path, std::ostream* out) {
    *out << path.name();
}

inline std::string pathName(const ::testing::TestParamInfo<PathOptions>& info) {
    return info.param.name();
}

} // namespace nettest
