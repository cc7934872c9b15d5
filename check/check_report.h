#pragma once
// The words of a device check: the summary ("conforms", or the findings
// grouped in plain words) and the report a user can read and send: the
// program, the system, the port, the device, the findings and every
// exchange. Phone numbers are masked unless asked otherwise.

#include "check/device_check.h"
#include "core/port_access.h"

#include <initializer_list>
#include <string>
#include <string_view>

namespace quorvex::check {

// Where the check ran: what the report's head says.
struct CheckContext {
    std::string program; // "quorvex-cli 0.1.0"
    std::string build;
    std::string system;
    std::string port; // path, USB description and driver, or a network host
};

// The context of this program, on the port with COM index portIndex.
CheckContext checkContext(std::string_view programName, const core::PortAccess* ports,
                          int portIndex);

// "COM3 /dev/serial/by-id/... (/dev/ttyUSB0), FTDI FT232R USB UART,
// 0403:6001, serial A1B2, driver ftdi_sio"; a network port by its host alone.
std::string describeCheckPort(const core::PortAccess& ports, int portIndex);

// Every run of at least minDigits digits keeps its length and its last two
// digits; the others become "x".
std::string maskDigits(std::string_view text, std::size_t minDigits = 3);

// The name of a finding's group in language.
std::string_view findingName(Finding kind, int language);

// "conforms", or the findings by group, each with the commands concerned.
std::string checkSummary(const CheckRun& run, bool unmasked, int language);

// The report, plain text.
std::string checkReport(const CheckRun& run, const CheckContext& context, bool unmasked,
                        int language);

} // namespace quorvex::check
