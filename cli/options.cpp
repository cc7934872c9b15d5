#include "cli/options.h"

#include "core/environment.h"
#include "driver/api/r70com32.h"
#include "driver/ports/com_list.h"
#include "profile/profile_files.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace quorvex::cli {

namespace {

bool validPortMapping(std::string_view m) {
    // COM1..COM8, "=", a path (empty: the port does not exist)
    return m.size() >= 5 && m.substr(0, 3) == "COM" && m[3] >= '1' && m[3] <= '8' && m[4] == '=';
}

// On Windows a port is named as the system names it, "COM12" (or "com12",
// "\\.\COM12"); the driver opens it as \\.\COM12, the only form that
// reaches COM10 and above. Anything else stays as it was given.
std::string systemPortName(std::string_view name) {
#ifdef _WIN32
    if (std::string path = r70::comPath(name); !path.empty()) return path;
#endif
    return std::string(name);
}

} // namespace

bool takesValue(std::string_view arg) {
    return arg == "--port" || arg == "--trace" || arg == "--lang";
}

std::optional<DeviceOptions> parseDeviceOptions(Args args) {
    DeviceOptions o;
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string_view a = args[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= args.size()) {
                std::fprintf(stderr, "quorvex-cli: %s needs a value\n", name);
                return nullptr;
            }
            return args[++i];
        };
        if (a == "--help" || a == "-h") {
            o.help = true;
        } else if (a == "--port") {
            const char* v = value("--port");
            if (v == nullptr) return std::nullopt;
            const std::string_view port(v);
            if (validPortMapping(port)) {
                o.ports.push_back(std::string(port.substr(0, 5)) + systemPortName(port.substr(5)));
            } else if (!port.empty() && port.find('=') == std::string_view::npos) {
                // A path: tried first, as a port chosen in the settings.
                o.portChoice = systemPortName(port);
            } else {
                std::fprintf(stderr,
                             "quorvex-cli: --port wants COMn=PATH with n from 1 to 8, or a "
                             "device path, not '%s'\n",
                             v);
                return std::nullopt;
            }
        } else if (a == "--trace") {
            const char* v = value("--trace");
            if (v == nullptr) return std::nullopt;
            o.trace = v;
        } else if (a == "--lang") {
            const char* v = value("--lang");
            if (v == nullptr) return std::nullopt;
            if (std::strcmp(v, "en") == 0) {
                o.language = 0;
            } else if (std::strcmp(v, "de") == 0) {
                o.language = 1;
            } else {
                std::fprintf(stderr, "quorvex-cli: --lang is en or de, not '%s'\n", v);
                return std::nullopt;
            }
        } else if (a.size() > 2 && a.substr(0, 2) == "--") {
            std::fprintf(stderr, "quorvex-cli: unknown option '%s'\n", args[i]);
            return std::nullopt;
        } else {
            o.rest.emplace_back(a);
        }
    }
    return o;
}

void applyDeviceOptions(const DeviceOptions& options) {
    if (!options.ports.empty()) {
        // The driver lets a later entry win, so ours go behind what the environment has.
        std::string map;
        if (const char* env = std::getenv("R70COM_PORTS"); env != nullptr) map = env;
        for (const std::string& p : options.ports) {
            if (!map.empty()) map += ';';
            map += p;
        }
        core::setEnvironment("R70COM_PORTS", map.c_str());
    }
    if (!options.trace.empty()) core::setEnvironment("R70COM_TRACE", options.trace.c_str());
    // The port chosen in the desktop program's settings, unless --port names
    // one: then that one is this run's choice (tried first, marked in lists).
    if (options.portChoice.empty())
        cliPorts().applyChoice();
    else
        cliPorts().useForThisRun(options.portChoice);
}

core::PortAccess& cliPorts() {
    static core::PortAccess ports(profile::ProfileFiles::fromEnvironment().winIni(),
                                  {D_PortPath, D_ChoosePort, D_PortReason});
    return ports;
}

void printTriedPorts(int language) {
    for (const std::string& line : core::triedPortLines(cliPorts(), language))
        std::fprintf(stderr, "  %s\n", line.c_str());
}

} // namespace quorvex::cli
