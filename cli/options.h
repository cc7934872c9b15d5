#pragma once
// Options every device subcommand of quorvex-cli takes:
//   --port COMn=PATH   map a COM name to a device node (repeatable; added to R70COM_PORTS)
//   --port PATH        try this port first (as the port chosen in the settings)
//   --trace FILE       append a trace of the serial traffic to FILE (R70COM_TRACE)
//   --lang en|de       language of the messages

#include "cli/commands.h"
#include "core/port_access.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::cli {

struct DeviceOptions {
    int language = 0;               // 0 English, 1 German
    std::vector<std::string> ports; // "COM3=/dev/ttyUSB0"
    std::string portChoice;         // --port PATH: tried first instead of the stored choice
    std::string trace;
    std::vector<std::string> rest; // arguments that are not options
    bool help = false;
};

// Whether arg is a common option that takes a value (--port, --trace, --lang).
bool takesValue(std::string_view arg);

// Parses the common options; nullopt (with a message on stderr) on a usage error.
std::optional<DeviceOptions> parseDeviceOptions(Args args);

// Puts the port map and the trace into the environment the driver reads, and
// hands the driver the port to try first (--port PATH, else the stored choice).
void applyDeviceOptions(const DeviceOptions& options);

// The machine's ports and the choice stored in QUORVEX_HOME.
core::PortAccess& cliPorts();

// After a search that found nothing: the missing chosen port and every port
// tried with its reason, on stderr, indented.
void printTriedPorts(int language);

// The English or German text, by the chosen language.
inline const char* tr(int language, const char* english, const char* german) {
    return language == 1 ? german : english;
}

} // namespace quorvex::cli
