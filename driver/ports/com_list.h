// The serial ports of a Windows machine as data: a COM name, and what Plug
// and Play says of the device behind it. Pure text work, so that it is tested
// on every platform; port_discovery_win32.cpp reads the system.
#ifndef R70_WIN_COM_LIST_H
#define R70_WIN_COM_LIST_H

#include "driver/ports/port_discovery.h"

#include <string>
#include <string_view>
#include <vector>

namespace r70 {

// What the system's device list holds for the device of a COM port; each
// empty when it has none (a built-in port, a virtual one, or Wine).
struct PnpFacts {
    std::string
        instanceId; // "USB\VID_0403&PID_6001\A1B2C3", "FTDIBUS\VID_0403+PID_6001+A1B2C3A\0000"
    std::string manufacturer; // "FTDI"
    std::string description;  // "USB Serial Port"
    std::string service = {}; // the driver: "FTSER2K" (FTDI's), "usbser", "CH341SER_A64"
};

// The registry key below HKLM that holds the device's own settings ("Device
// Parameters" of its instance); FTDI's driver keeps its latency timer there,
// as LatencyTimer.
std::string deviceParametersKey(std::string_view instanceId);

// 12 for "COM12" (any case, with or without the "\\.\" prefix); 0 when the
// text is no COM name.
int comNumber(std::string_view name);

// "\\.\COM12" for a COM name in any of the forms comNumber takes; empty for
// anything else. The prefix reaches COM10 and above, which the bare name
// does not.
std::string comPath(std::string_view name);

// The port as discovery describes it: name "COM5", node "\\.\COM5" (its stable
// name: Windows keeps a COM name for an adapter), and for a USB device its
// kind, vendor and product ids and, where the device has one, its serial
// number (Windows makes up an instance id with "&" in it for a device without),
// its driver and its instance id as the adapter key.
SerialPortInfo comPortInfo(std::string_view comName, const PnpFacts& facts);

// USB adapters first, then the other ports, each in the order of their numbers.
void sortComPorts(std::vector<SerialPortInfo>& ports);

} // namespace r70

#endif
