// The driver's module state and the steps every part of the library shares:
// the open line, the COM map of the last search, where the device answered,
// the identified model and its version texts, and the reply buffers. Inside
// the library only; every function runs under the driver's lock.
#ifndef R70_DRIVER_STATE_H
#define R70_DRIVER_STATE_H

#include "driver/api/driver_lock.h"
#include "driver/line/serial_line.h"

#include <memory>
#include <optional>

namespace r70 {

// Reply buffers, one per exchange family, each holding the longest reply of
// its family with the NUL.
struct ReplyBuffers {
    char general[256]; // up to command 54's five groups (~100 characters)
    char forwarding[128];
    char dataProtocol[128];
    char statusText[512]; // commands 52, 53 (~300 characters)
    char logCharge[1024]; // commands 29, 30 (the log page passes 960 bytes)
    char dial[128];
    char bootProbe[128];
    char downloadResult[128];
    char presence[20];
    char callCheck[200];
    char identify[100];
    char ati4[100];
    char ati3[100];
};

struct DriverState {
    DriverLock lock;
    SerialLine line;
    int portIndex = 0;
    int model = 0;
    int usb = 0;
    char firmware[100] = {};
    char bootCode[100] = {};
    // The map of the last search (or of the finding again that found the
    // device); the open errors are by its indexes.
    std::unique_ptr<ComPorts> map;
    OpenError openErrors[kPortCount];
    // Where the device last answered, to find it again.
    std::optional<KnownPort> device;
    // The line hung up under the device (an adapter pulled out). Only a
    // successful identification ends it; meanwhile every command that uses
    // the line first takes one step of the search (LostSearch).
    bool lost = false;
    ReplyBuffers buffers = {};
};

extern DriverState gState;

// The map of the last search; taken now when there was none. Null only when
// memory ran out.
ComPorts* currentMap() noexcept;
// On the port just opened as COM<index+1> of ports: 115200 baud and the
// identification; on failure the port is closed again.
bool identifyOpen(const ComPorts& ports, int index, OpenError& error) noexcept;
// Open COM<index+1> of ports at 115200 baud and identify; on a failed
// identification the port is closed again.
bool openAndIdentify(const ComPorts& ports, int index, OpenError& error) noexcept;
void sleepMs(int ms) noexcept;

// Finding a lost device again (find_again.cpp).
// The line hung up: the search starts from what the machine has now.
void startSearch() noexcept;
// One step of the search for a lost device; true when it answers on the line now.
bool searchStep() noexcept;
// No search is under way (a new search, or the device found).
void endSearch() noexcept;
// Command 57. A device that was identified is looked for where it may be
// now, for some seconds; without one, the remembered index is opened.
int reopen() noexcept;

} // namespace r70

#endif
