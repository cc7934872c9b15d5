// The serial ports of this machine as the kernel and udev describe them:
// every tty with hardware behind it (sysfs), its stable names under
// /dev/serial, what a USB adapter says of itself, and the lines the search
// leaves alone (the console, a login's terminal). From that, the COM map the
// device search walks, and where a port that was open before is now. Reads
// the sysfs and /dev trees, whose roots are parameters so that a test can
// hand in a machine of its own, and on Linux /proc for the logins.
#ifndef R70_PORT_DISCOVERY_H
#define R70_PORT_DISCOVERY_H

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace r70 {

enum class PortKind { Usb, Acm, Builtin };

// Why the search gives a port no COM name.
enum class LeftOut {
    No,
    Console, // the system console (sysfs class/tty/console/active)
    Login,   // the controlling terminal of a process: a getty or a login on the line
};

struct SerialPortInfo {
    std::string name;   // "ttyUSB0"
    std::string node;   // <dev>/ttyUSB0
    std::string byId;   // <dev>/serial/by-id/...; empty when udev made none
    std::string byPath; // <dev>/serial/by-path/...; empty when udev made none
    PortKind kind = PortKind::Builtin;
    // USB only (empty otherwise, or when the adapter does not say).
    std::string vendorId, productId, manufacturer, product, serial;
    LeftOut leftOut = LeftOut::No;
    int holderPid = 0;      // Login: the process whose terminal it is
    std::string holderName; // and its program
    // The kernel driver of the port ("ftdi_sio", "cdc_acm", "serial8250").
    std::string driver;
    // Where a USB adapter's latency setting lives (adapter_hold.h): Linux the
    // tty's device folder in sysfs, Windows the device's instance id; empty
    // for other ports.
    std::string adapterKey;
    // USB only: where the adapter is plugged in ("1-1.2", its device in
    // sysfs), the same after a replug into that socket.
    std::string usbPath;
    // This appearance of the node: a replugged adapter gets a new one even
    // under the old name (the node's inode and change time); empty when the
    // node cannot be read.
    std::string appearance;

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
// legacy 8250 ports where no UART answered (serial core type 0); consoles and
// logins marked. Never throws.
Discovery discoverPorts(const std::string& sysRoot, const std::string& devRoot);

// USB and ACM adapters before built-in ports, then by stable name in natural
// order (ttyS2 before ttyS10).
void sortForSearch(std::vector<SerialPortInfo>& ports);
// Text order in which runs of digits compare as numbers.
bool naturalLess(const std::string& a, const std::string& b);

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
    // Ports the search may use that got no COM name: eight are taken.
    std::vector<const SerialPortInfo*> unnamed;
};

// The COM map of the search: the chosen port first (when it is present; a
// stable name, a node, or the stable name of a discovered port), then the
// discovered ports in search order, then - only when sysfs could not be read -
// the fixed map. Left-out ports get no name. Entries point into discovery,
// which must outlive the map.
ComMap buildComMap(const std::string& chosen, const Discovery& discovery);

// A port on another machine: "rfc2217://HOST:PORT", the scheme in any case.
bool isNetworkAddress(std::string_view path) noexcept;

// The fixed map of the machines without sysfs.
extern const std::array<const char*, kMapSize> kFixedPaths;

// Where this machine's trees are: <root>/sys, <root>/dev and the UUCP lock
// files in <root>/var/lock with R70COM_ROOT=root (a test's fake machine),
// else /sys, /dev and /var/lock.
struct MachineRoots {
    std::string sys, dev, lock;
};
MachineRoots machineRoots();

// The ports of this machine (machineRoots()). On Windows the system's COM
// ports (port_discovery_win32.cpp); sysfsReadable then says that the system's
// list could be read.
Discovery discoverHere();

// What the driver keeps of the port the device answered on, to find it again.
struct KnownPort {
    std::string path;                   // what was opened
    std::optional<SerialPortInfo> port; // discovery's record, when it came from there
    // The appearances of the machine's nodes when it was found.
    std::vector<std::string> presentWhenFound;
};

// A port where the device may be now.
struct Candidate {
    int index = 0;    // its COM index in the map
    bool own = false; // one of the device's own names; else a newcomer of its make
};

// Where the device may be now, best first, each index once; nothing else is
// ever touched for it. Its own names: the same USB serial number (with vendor
// and product); without one, the same socket (by-path name, or the USB path
// where udev made no links) or the same by-id name, with the same vendor and
// product; a built-in port by its node; a port discovery does not know (a
// path of R70COM_PORTS, a link, a network port) by its path. Then the
// newcomers: nodes of the same vendor and product (and no other serial
// number) whose appearance came after presentAtLoss. A port that was there when the device was
// found and was not the device (a twin adapter of the make, which may take the shared by-id name)
// is never a candidate.
std::vector<Candidate> findAgain(const ComMap& map, const KnownPort& known,
                                 const std::vector<std::string>& presentAtLoss);

// How long the search for a lost device waits before it tries the device's
// own names again after failedRounds rounds that found nothing: 1, 2, 4 ...
// seconds, at most 30.
int searchBackoffMs(int failedRounds) noexcept;

// What sysfs says of the tty whose device number a local path's node has
// (<sys>/dev/char/MAJOR:MINOR), for a port the map names by its path alone
// (R70COM_PORTS): its name, kind, driver, USB facts and adapter key; nullopt
// where sysfs does not know it (a pseudo-terminal) and on Windows.
std::optional<SerialPortInfo> portOfNode(const std::string& path);
// The same by the device number, under the sysfs tree sysRoot; path becomes the node.
std::optional<SerialPortInfo> portOfDevice(const std::string& sysRoot, unsigned major,
                                           unsigned minor, const std::string& path);

// What the machine says of a port's node beyond sysfs, read once per
// discovery: on Linux when the node appeared (inode and change time) and the
// login on it; nothing on Windows.
std::function<void(SerialPortInfo&)> nodeFactsReader();

// Which discovered port the path names: its stable name, by-id, by-path or
// node, or a link that resolves to the same node. Null when none.
const SerialPortInfo* findPort(const Discovery& discovery, const std::string& path);

} // namespace r70

#endif
