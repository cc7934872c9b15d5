// The English line of a failed attempt on a port, for D_LastOpenError and
// the trace, from the same words the program puts into its own languages
// (port_reason.h).
#include "driver/api/r70com32.h"
#include "driver/line/transport.h"
#include "driver/ports/port_reason.h"
#include "driver/protocol/catalogue.h"

#include <new>

namespace r70 {

DRVPORTREASON portReason(const OpenError& e) noexcept {
    DRVPORTREASON r{};
    r.nCode = e.code;
    r.nWhy = e.why;
    r.nPid = e.pid;
    r.nNumber = e.number;
    copyText(r.szPath, e.path);
    copyText(r.szName, e.name);
    copyText(r.szOwner, e.owner);
    copyText(r.szDetail, e.detail);
    return r;
}

void describeOpenError(OpenError& e, int com, std::string_view path) noexcept {
    copyText(e.path, path);
    if (e.why == DRV_WHY_NONE && e.detail[0] == '\0') copyText(e.detail, e.text);
    std::string reason;
    try {
        const ReasonWords words = reasonWords(portReason(e));
        reason = fillText(englishText(words.text), words.args);
    } catch (const std::bad_alloc&) {
        reason.clear(); // the code alone tells
    }
    if (path.empty())
        formatInto(e.text, sizeof e.text, "COM%d: %s", com, reason.c_str());
    else
        formatInto(e.text, sizeof e.text, "COM%d (%.*s): %s", com, static_cast<int>(path.size()),
                   path.data(), reason.c_str());
}

} // namespace r70
