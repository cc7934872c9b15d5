// Linux: asks a USB serial adapter to hold the device's bytes as briefly as
// it can, and gives back what was there. Two ways, both tried: the line's
// ASYNC_LOW_LATENCY flag (TIOCSSERIAL; ftdi_sio then runs its chip's latency
// timer at 1 ms, and any user may set it), and 1 written to the port's sysfs
// latency_timer (which only its owner may write, unless a udev rule gave it
// away). Both are the port's own settings: they outlive the open, so every
// close puts them back.
#ifndef R70_USB_LATENCY_H
#define R70_USB_LATENCY_H

#include "driver/api/r70com32.h"
#include "driver/ports/adapter_hold.h"
#include "driver/ports/port_discovery.h"

#include <cstddef>
#include <linux/serial.h>

namespace r70 {

class UsbLatency {
public:
    // Right after the open of fd, for the port discovery describes: what
    // the adapter holds now, with what was asked and what was refused in
    // szDetail. Nothing is asked of a port that is no USB serial port or
    // holds 1 ms already.
    DRVADAPTER lower(int fd, const SerialPortInfo& port) noexcept;
    // Before the close of fd: puts back what lower changed; note says what
    // ("" when nothing was changed).
    void giveBack(int fd, char* note, std::size_t size) noexcept;

private:
    bool serialChanged_ = false;
    serial_struct serial_{}; // the line's flags as found
    int timerWas_ = -1;      // latency_timer as found, when lower wrote it
    char timerPath_[700] = {};
};

} // namespace r70

#endif
