// The serial ports of this machine as the kernel and udev describe them:
// every tty with hardware behind it (sysfs), its stable names under
// /dev/serial, and what a USB adapter says of itself. From that, the COM map
// the device search walks. No I/O but reading the two trees, whose roots are
// parameters so that a test can hand in a tree of its own.
#ifndef R70_PORT_DISCOVERY_H
#define R70_PORT_DISCOVERY_H

#include <array>
#include <string>
#include <vector>

namespace r70 {

enum class PortKind { Usb, Acm, Builtin };

struct SerialPortInfo {
    std::string name;   // "ttyUSB0"
    std::string node;   // <dev>/ttyUSB0
    std::string byId;   // <dev>/serial/by-id/...; empty when udev made none
    std::string byPath; // <dev>/serial/by-path/...; empty when udev made none
    PortKind kind = PortKind::Builtin;
    // USB only (empty otherwise, or when the adapter does not say).
    std::string vendorId, productId, manufacturer, product, serial;

    // The name that survives a replug: by-id, else by-path, else the node.
    const std::string& stable() const {
        return !byId.empty() ? byId : !byPath.empty() ? byPath : node;
    }
};

struct Discovery {
    // False when <sys>/class/tty could not be read (no sysfs, as in some
    // containers): the caller then falls back to the fixed map.
    bool sysfsReadable = false;
    std::vector<SerialPortInfo> ports; // in search order (sortForSearch)
};

// Every tty of <sysRoot>/class/tty that has a device behind it, without the
// legacy 8250 ports where no UART answered (serial core type 0). Never throws.
Discovery discoverPorts(const std::string& sysRoot, const std::string& devRoot);

// USB and ACM adapters before built-in ports, then by stable name.
void sortForSearch(std::vector<SerialPortInfo>& ports);

// "FTDI FT232R USB UART, 0403:6001, serial A1B2C3" — what the adapter says of
// itself; empty for a built-in port.
std::string describe(const SerialPortInfo& port);

inline constexpr int kMapSize = 8; // COM1 ... COM8

struct ComMapEntry {
    std::string path;                // what the search opens; empty: the port does not exist
    const SerialPortInfo* port = {}; // the discovered port behind it, when there is one
};

struct ComMap {
    std::array<ComMapEntry, kMapSize> entries;
    // The user chose a port that is not there now: the search goes on without it.
    bool chosenMissing = false;
};

// The COM map of the search: the chosen port first (when it is present; a
// stable name, a node, or the stable name of a discovered port), then the
// discovered ports in search order, then - only when sysfs could not be read -
// the fixed map. Entries point into discovery, which must outlive the map.
ComMap buildComMap(const std::string& chosen, const Discovery& discovery);

// The fixed map of the machines without sysfs.
extern const std::array<const char*, kMapSize> kFixedPaths;

// The ports of this machine: the trees under R70COM_ROOT when that is set
// (a test's fake machine: <root>/sys and <root>/dev), else /sys and /dev. On
// Windows the system's COM ports (win32_port_discovery.cpp); sysfsReadable
// then says that the system's list could be read.
Discovery discoverHere();

// Where a port that was open before is now: the COM index whose port has the
// same stable name, else the same USB serial number (and vendor and product):
// the node may have changed (ttyUSB0 came back as ttyUSB1). -1 when gone.
int findAgain(const ComMap& map, const SerialPortInfo& port);

// Which discovered port the path names: its stable name, by-id, by-path or
// node, or a link that resolves to the same node. Null when none.
const SerialPortInfo* findPort(const Discovery& discovery, const std::string& path);

} // namespace r70

#endif
