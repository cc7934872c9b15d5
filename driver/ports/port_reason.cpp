#include "driver/ports/port_reason.h"

#include <cstdio>
#include <cstring>

namespace r70 {
namespace {

struct Sentence {
    ReasonText text;
    std::string_view english;
};
// clang-format off
constexpr Sentence kSentences[] = {
    {ReasonText::NoPort, "no such port (no further serial port on this machine)"},
    {ReasonText::NoPortEnv, "no such port (R70COM_PORTS gives it no device path)"},
    {ReasonText::NoDevice, "no such device"},
    {ReasonText::TooLong, "the path is longer than %s characters"},
    {ReasonText::Group, "permission denied — add yourself to the group %s (sudo usermod -aG %s $USER, then log in again)"},
    {ReasonText::Owner, "permission denied — it belongs to %s:%s with mode %s, and no group may use it (a udev rule can give it to you: see Troubleshooting)"},
    {ReasonText::Terminal, "permission denied — a terminal line of the group tty: a login or the system console uses it"},
    {ReasonText::Holder, "busy — process %s (%s) holds it"},
    {ReasonText::HolderUnknown, "busy — another program holds it"},
    {ReasonText::LockFile, "busy — process %s (%s) has locked it (%s)"},
    {ReasonText::Console, "left alone — it is the system console"},
    {ReasonText::Login, "left alone — a login runs on it (the terminal of process %s, %s)"},
    {ReasonText::Discipline, "left alone — another program drives it (line discipline %s)"},
    {ReasonText::OpenBy, "left alone — process %s (%s) has it open"},
    {ReasonText::NotTty, "not a serial line"},
    {ReasonText::Settings, "not a serial line (line settings refused)"},
    {ReasonText::Speed, "the line speed could not be set"},
    {ReasonText::NoAnswer, "no answer — no device replied to the identification"},
    {ReasonText::Open, "open"},
    {ReasonText::Connecting, "connecting to %s…"},
    {ReasonText::Other, "%s"},
};
// Which sentence a DRV_WHY_ takes, where it takes no more than the number.
constexpr std::pair<int, ReasonText> kByWhy[] = {
    {DRV_WHY_NOPORT, ReasonText::NoPort},     {DRV_WHY_NOPORT_ENV, ReasonText::NoPortEnv},
    {DRV_WHY_NODEVICE, ReasonText::NoDevice}, {DRV_WHY_TOOLONG, ReasonText::TooLong},
    {DRV_WHY_TERMINAL, ReasonText::Terminal}, {DRV_WHY_CONSOLE, ReasonText::Console},
    {DRV_WHY_DISCIPLINE, ReasonText::Discipline}, {DRV_WHY_NOTTTY, ReasonText::NotTty},
    {DRV_WHY_SETTINGS, ReasonText::Settings}, {DRV_WHY_SPEED, ReasonText::Speed},
};
// clang-format on

std::string field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

} // namespace

ReasonWords reasonWords(const DRVPORTREASON& r) {
    const std::string name = field(r.szName, sizeof r.szName);
    const std::string pid = std::to_string(r.nPid);
    switch (r.nWhy) {
    case DRV_WHY_GROUP:
        return {ReasonText::Group, {name, name}};
    case DRV_WHY_OWNER: {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(r.nNumber) & 07777u);
        return {ReasonText::Owner, {field(r.szOwner, sizeof r.szOwner), name, mode}};
    }
    case DRV_WHY_HOLDER:
        if (r.nPid <= 0) return {ReasonText::HolderUnknown, {}};
        return {ReasonText::Holder, {pid, name}};
    case DRV_WHY_LOCKFILE:
        return {ReasonText::LockFile, {pid, name, field(r.szDetail, sizeof r.szDetail)}};
    case DRV_WHY_LOGIN:
        return {ReasonText::Login, {pid, name}};
    case DRV_WHY_OPENBY:
        return {ReasonText::OpenBy, {pid, name}};
    case DRV_WHY_CONNECTING:
        return {ReasonText::Connecting, {field(r.szDetail, sizeof r.szDetail)}};
    case DRV_WHY_NONE:
        // A network port's open that no one answered (a name server, a host)
        // says so in the detail; the identification's silence has none.
        if (r.nCode == DRV_OPENERR_NOANSWER && r.szDetail[0] == '\0')
            return {ReasonText::NoAnswer, {}};
        if (r.nCode == DRV_OPENERR_NONE) return {ReasonText::Open, {}};
        break;
    default:
        for (const auto& [why, text] : kByWhy)
            if (why == r.nWhy) return {text, {std::to_string(r.nNumber)}};
        break;
    }
    return {ReasonText::Other, {field(r.szDetail, sizeof r.szDetail)}};
}

std::string_view englishText(ReasonText text) {
    for (const Sentence& s : kSentences)
        if (s.text == text) return s.english;
    return "%s";
}

std::string fillText(std::string_view text, const std::vector<std::string>& args) {
    std::string out(text);
    std::size_t at = 0;
    for (const std::string& arg : args) {
        at = out.find("%s", at);
        if (at == std::string::npos) break;
        out.replace(at, 2, arg);
        at += arg.size();
    }
    return out;
}

} // namespace r70
