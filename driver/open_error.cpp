// The English line of a failed attempt on a port, for D_LastOpenError and
// the trace. The program words the same facts in its own languages
// (core/port_access.cpp, resources/texts.def); the English must stay alike.
#include "driver/catalogue.h"
#include "driver/r70com32.h"
#include "driver/transport.h"

#include <cstdio>

namespace r70 {

void describeOpenError(OpenError& e, int com, std::string_view path) noexcept {
    copyText(e.path, path);
    if (e.why == DRV_WHY_NONE && e.detail[0] == '\0') copyText(e.detail, e.text);
    char reason[600];
    const char* name = e.name[0] != '\0' ? e.name : "?";
    switch (e.why) {
    case DRV_WHY_NOPORT:
        formatInto(reason, sizeof reason, "no such port (no further serial port on this machine)");
        break;
    case DRV_WHY_NOPORT_ENV:
        formatInto(reason, sizeof reason, "no such port (R70COM_PORTS gives it no device path)");
        break;
    case DRV_WHY_NODEVICE:
        formatInto(reason, sizeof reason, "no such device");
        break;
    case DRV_WHY_TOOLONG:
        formatInto(reason, sizeof reason, "the path is longer than %d characters", e.number);
        break;
    case DRV_WHY_GROUP:
        formatInto(reason, sizeof reason,
                   "permission denied — add yourself to the group %s (sudo usermod -aG %s $USER, "
                   "then log in again)",
                   name, name);
        break;
    case DRV_WHY_OWNER:
        formatInto(
            reason, sizeof reason,
            "permission denied — it belongs to %s:%s with mode %04o, and no group may use it "
            "(a udev rule can give it to you: see Troubleshooting)",
            e.owner, name, static_cast<unsigned>(e.number));
        break;
    case DRV_WHY_TERMINAL:
        formatInto(reason, sizeof reason,
                   "permission denied — a terminal line of the group tty: a login or the system "
                   "console uses it");
        break;
    case DRV_WHY_HOLDER:
        if (e.pid > 0)
            formatInto(reason, sizeof reason, "busy — process %d (%s) holds it", e.pid, name);
        else
            formatInto(reason, sizeof reason, "busy — another program holds it");
        break;
    case DRV_WHY_LOCKFILE:
        formatInto(reason, sizeof reason, "busy — process %d (%s) has locked it (%s)", e.pid, name,
                   e.detail);
        break;
    case DRV_WHY_CONSOLE:
        formatInto(reason, sizeof reason, "left alone — it is the system console");
        break;
    case DRV_WHY_LOGIN:
        formatInto(reason, sizeof reason,
                   "left alone — a login runs on it (the terminal of process %d, %s)", e.pid, name);
        break;
    case DRV_WHY_DISCIPLINE:
        formatInto(reason, sizeof reason,
                   "left alone — another program drives it (line discipline %d)", e.number);
        break;
    case DRV_WHY_NOTTTY:
        formatInto(reason, sizeof reason, "not a serial line");
        break;
    case DRV_WHY_SETTINGS:
        formatInto(reason, sizeof reason, "not a serial line (line settings refused)");
        break;
    case DRV_WHY_SPEED:
        formatInto(reason, sizeof reason, "the line speed could not be set");
        break;
    default:
        if (e.code == DRV_OPENERR_NOANSWER)
            formatInto(reason, sizeof reason,
                       "no answer — no device replied to the identification");
        else if (e.code == DRV_OPENERR_NONE)
            formatInto(reason, sizeof reason, "open");
        else
            formatInto(reason, sizeof reason, "%s", e.detail);
        break;
    }
    if (path.empty())
        formatInto(e.text, sizeof e.text, "COM%d: %s", com, reason);
    else
        formatInto(e.text, sizeof e.text, "COM%d (%.*s): %s", com, static_cast<int>(path.size()),
                   path.data(), reason);
}

} // namespace r70
