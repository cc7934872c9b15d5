#pragma once
// The entries of the driver library that the desktop program calls. On Linux
// the program is linked with libR70COM32.so. On Windows it loads
// R70COM32.dll from its own folder when it starts and takes every entry by
// its number in the DLL's export table (D_SendDrvCmd is entry 2,
// driver/api/exports.list): a DLL that lacks one is refused with a message that
// says which, where binding through the import table would have let the
// system's loader stop the program before it could say anything.

#include "core/config_app.h"
#include "core/port_access.h"
#include "driver/api/r70com32.h"

#include <string>

namespace quorvex::app {

struct DriverEntries {
    int32_t(R70COM32_CALL* sendDrvCmd)(uint16_t code, DRVPARAM* p) = nullptr;
    core::PortDriver ports;
    int32_t(R70COM32_CALL* watchLine)(int32_t on) = nullptr;
    int32_t(R70COM32_CALL* takeExchange)(DRVEXCHANGE* exchange) = nullptr;
    int32_t(R70COM32_CALL* lineAdapter)(DRVADAPTER* adapter) = nullptr;

    core::LineWatchFns lineWatch() const { return {watchLine, takeExchange, lineAdapter}; }
};

struct DriverBinding {
    DriverEntries entries;
    // Empty when every entry is there; otherwise why not, for the user
    // (UTF-8, in the language asked for), and entries are all null.
    std::string error;
};

#ifdef _WIN32
// language: 0 English, 1 German (the default profile's, read before anything else).
DriverBinding bindDriver(int language);
#else
// Linked: every entry is there. Inline, so that only the program, which links
// the library, refers to it.
inline DriverBinding bindDriver(int) {
    return {{D_SendDrvCmd,
             {D_PortPath, D_ChoosePort, D_PortReason},
             D_WatchLine,
             D_TakeExchange,
             D_LineAdapter},
            {}};
}
#endif

// Shows the binding's error before the program has a window of its own: on
// Windows the system's message box, elsewhere standard error.
void showDriverError(const std::string& text);

} // namespace quorvex::app
