#pragma once
// Fixed texts that are not in the identifier table: the selector entries of the call
// acceptance page, the protocol and EID class entries of the data page, and the
// forwarding report lines. Every accessor takes any index: one outside its table gives
// the first entry, so a value read from a damaged profile can never reach past a table.
// language 1 is German, anything else English.

#include <string>
#include <string_view>

namespace quorvex::literals {

constexpr int kAcceptanceModeCount = 3; // 0 "None", 1 "these MSNs", 2 "all Calls"
constexpr int kCallerIdCount = 3;       // 0 none, 1 FSK, 2 DTMF
constexpr int kRingDelayCount = 10;     // "0 ring" .. "9 ring"
constexpr int kProtocolCount = 8;       // combo "Protocol:", in device-table order
constexpr int kEidClassCount = 6;       // combo "EID class:"

std::string_view acceptanceModeText(int value, int language);
std::string_view callerIdLongText(int value, int language);  // menu of the selector
std::string_view callerIdShortText(int value, int language); // face of the selector
std::string_view ringDelayText(int value, int language);
std::string_view protocolText(int index, int language);
std::string_view eidClassText(int index, int language);

// Forwarding report lines (English only, as the device's documentation words them).
enum class ForwardKind { Immediate = 0, Busy = 1, NoReply = 2 }; // CFU, CFB, CFNR
enum class ForwardReport { NotSubscribed = 0, Unknown = 1 };     // device states 2 and 3

// The printf-style format ("%d" stands for the port number); kind and report are
// clamped like every index here.
std::string_view forwardReportFormat(int kind, int report);

// The report line for a port number, e.g. "CFB for port 21 is not subscribe".
std::string forwardReportMessage(ForwardKind kind, ForwardReport report, int port);

} // namespace quorvex::literals
