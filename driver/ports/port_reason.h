// The words of a port's reason (DRVPORTREASON): which sentence and what goes
// into it, in order. The driver fills its English line from them, the program
// the same sentence from its text table in the user's language. Pure.
#ifndef R70_PORT_REASON_H
#define R70_PORT_REASON_H

#include "driver/api/r70com32.h"

#include <string>
#include <string_view>
#include <vector>

namespace r70 {

// One sentence each; its English form below, with "%s" for the arguments.
enum class ReasonText {
    NoPort,
    NoPortEnv,
    NoDevice,
    TooLong,
    Group,
    Owner,
    Terminal,
    Holder,
    HolderUnknown,
    LockFile,
    Console,
    Login,
    Discipline,
    OpenBy,
    NotTty,
    Settings,
    Speed,
    NoAnswer,
    Open,
    Connecting,
    Other, // the system's or a server's own words
};

struct ReasonWords {
    ReasonText text = ReasonText::Other;
    std::vector<std::string> args;
};
ReasonWords reasonWords(const DRVPORTREASON& reason);

std::string_view englishText(ReasonText text);
// text with each "%s" replaced by the next argument.
std::string fillText(std::string_view text, const std::vector<std::string>& args);

} // namespace r70

#endif
