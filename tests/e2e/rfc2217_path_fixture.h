// The fixture of quorvex-cli over a network port reached through a path as
// users have it: the simulated device behind ser2net (with or without
// tcp(nodelay)), and a relay in front that gives the path its round trip, a
// tunnel's held-back acknowledgements and, for ser2net without tcp(nodelay),
// the server's Nagle across the path.
#pragma once

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
        serve(/*nodelay=*/!GetParam().serverNagle);
        if (HasFatalFailure()) return;
        throughPath(GetParam());
    }
};

inline void PrintTo(const PathOptions& path, std::ostream* out) {
    *out << path.name();
}

inline std::string pathName(const ::testing::TestParamInfo<PathOptions>& info) {
    return info.param.name();
}

} // namespace nettest
