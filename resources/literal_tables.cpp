#include "resources/literal_tables.h"

#include <array>
#include <cstddef>

namespace quorvex::literals {

namespace {

struct Bilingual {
    std::string_view english;
    std::string_view german;
};

constexpr std::array<Bilingual, kAcceptanceModeCount> kAcceptanceModes = {{
    {"None", "Keine"},
    {"these MSNs", "nur diese"},
    {"all Calls", "alle"},
}};

constexpr std::array<Bilingual, kCallerIdCount> kCallerIdLong = {{
    {"No Caller ID presentation", "keine Rufunummer an Gegenstelle"},
    {"(FSK)Send Phone Number", "(FSK)Rufnummer an Gengenstelle"},
    {"(DTMF)Send Phone Number", "(DTMF)Rufnummer an Gegenstelle"},
}};

constexpr std::array<Bilingual, kCallerIdCount> kCallerIdShort = {{
    {"No Caller ID.....", "keine Ruf....."},
    {"(FSK)Send.....", "(FSK)Ruf....."},
    {"(DTMF)Se.....", "(DTMF)Ruf....."},
}};

constexpr std::array<Bilingual, kRingDelayCount> kRingDelays = {{
    {"0 ring", "0 x klingeln"},
    {"1 ring", "1 x klingeln"},
    {"2 ring", "2 x klingeln"},
    {"3 ring", "3 x klingeln"},
    {"4 ring", "4 x klingeln"},
    {"5 ring", "5 x klingeln"},
    {"6 ring", "6 x klingeln"},
    {"7 ring", "7 x klingeln"},
    {"8 ring", "8 x klingeln"},
    {"9 ring", "9 x klingeln"},
}};

constexpr std::array<Bilingual, kProtocolCount> kProtocols = {{
    {"PPP(point-to-point protocol)", "PPP (point-to-point protocol)"},
    {"V.120", "V.120"},
    {"V.110", "V.110"},
    {"X.75(BTX/T-OnLine)", "X.75(BTX/T-Online)"},
    {"X.75(Transparent Layer 3)", "X.75 Transparent Layer 3"},
    {"X.75 With T.70NL", "X.75 mit T.70 NL"},
    {"HDLC", "HDLC"},
    {"SoftFax/Digital Answering Machine", "SoftFax/Anrufbeantworter"},
}};

constexpr std::array<Bilingual, kEidClassCount> kEidClasses = {{
    {"NULL", "NULL"},
    {"Local address", "Lokal zugewiesene Adresse"},
    {"Internet Protocol Address", "Internet Protokoll Adresse"},
    {"IEEE802.1 global MAC address", "IEEE 802.1 global zugewiesene MAC Adresse"},
    {"PPP magic number block", "PPP magic number block"},
    {"Number of The TA", "Nummer der Telefonanlage"},
}};

// [kind][report]; the capitalisation of "Port" differs between lines as the device's
// documentation has it.
constexpr std::array<std::array<std::string_view, 2>, 3> kForwardReports = {{
    {"CFU for Port %d is not subscribe", "CFU for Port %d is unknown"},
    {"CFB for port %d is not subscribe", "CFB for Port %d is unknown"},
    {"CFNR for port %d is not subscribe", "CFNR for Port %d is unknown"},
}};

template <typename T, std::size_t N> const T& clamped(const std::array<T, N>& table, int index) {
    return (index < 0 || static_cast<std::size_t>(index) >= N)
               ? table[0]
               : table[static_cast<std::size_t>(index)];
}

template <std::size_t N>
std::string_view pick(const std::array<Bilingual, N>& table, int index, int language) {
    const Bilingual& entry = clamped(table, index);
    return language == 1 ? entry.german : entry.english;
}

} // namespace

std::string_view acceptanceModeText(int value, int language) {
    return pick(kAcceptanceModes, value, language);
}
std::string_view callerIdLongText(int value, int language) {
    return pick(kCallerIdLong, value, language);
}
std::string_view callerIdShortText(int value, int language) {
    return pick(kCallerIdShort, value, language);
}
std::string_view ringDelayText(int value, int language) {
    return pick(kRingDelays, value, language);
}
std::string_view protocolText(int index, int language) {
    return pick(kProtocols, index, language);
}
std::string_view eidClassText(int index, int language) {
    return pick(kEidClasses, index, language);
}

std::string_view forwardReportFormat(int kind, int report) {
    return clamped(clamped(kForwardReports, kind), report);
}

std::string forwardReportMessage(ForwardKind kind, ForwardReport report, int port) {
    const std::string_view format =
        forwardReportFormat(static_cast<int>(kind), static_cast<int>(report));
    const std::size_t mark = format.find("%d");
    std::string message(format.substr(0, mark));
    message += std::to_string(port);
    message += format.substr(mark + 2);
    return message;
}

} // namespace quorvex::literals
