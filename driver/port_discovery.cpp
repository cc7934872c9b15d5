// Serial ports from sysfs and the udev links. Every filesystem call takes an
// error_code: a tree that changes while it is read (an adapter pulled out)
// or cannot be read gives fewer ports, never an exception.
#include "driver/port_discovery.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <system_error>

namespace r70 {
namespace fs = std::filesystem;
namespace {

// How far above the tty's device the USB device may sit: ttyUSB0 -> its
// usb-serial port -> the interface -> the device (ttyACM0: interface -> device).
constexpr int kUsbSearchDepth = 4;

std::string firstLine(const fs::path& file) {
    std::ifstream in(file);
    std::string line;
    if (!in || !std::getline(in, line)) return {};
    while (!line.empty() && (line.back() == '\r' || line.back() == ' '))
        line.pop_back();
    return line;
}

// The tty each link of <dev>/serial/<kind> points to, by tty name; the first
// link in name order wins. Dangling links (the node is gone) are left out.
std::map<std::string, std::string> linksByTty(const fs::path& dir) {
    std::map<std::string, std::string> links;
    std::error_code ec;
    std::vector<fs::path> names;
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec))
        names.push_back(it->path());
    std::sort(names.begin(), names.end());
    for (const fs::path& link : names) {
        std::error_code e;
        if (!fs::is_symlink(link, e) || !fs::exists(link, e)) continue;
        const fs::path target = fs::read_symlink(link, e);
        if (e) continue;
        links.emplace(target.filename().string(), link.string());
    }
    return links;
}

void readUsb(const fs::path& device, const fs::path& sysRoot, SerialPortInfo& port) {
    std::error_code ec;
    fs::path p = fs::canonical(device, ec);
    if (ec) return;
    const fs::path root = fs::canonical(sysRoot, ec);
    for (int depth = 0; depth <= kUsbSearchDepth && !p.empty(); ++depth) {
        if (fs::exists(p / "idVendor", ec)) {
            port.kind = PortKind::Usb;
            port.vendorId = firstLine(p / "idVendor");
            port.productId = firstLine(p / "idProduct");
            port.manufacturer = firstLine(p / "manufacturer");
            port.product = firstLine(p / "product");
            port.serial = firstLine(p / "serial");
            return;
        }
        if (p == root || p == p.parent_path()) return;
        p = p.parent_path();
    }
}

int rank(PortKind kind) {
    return kind == PortKind::Builtin ? 1 : 0;
}

bool sameFile(const std::string& a, const std::string& b) {
    std::error_code ea, eb;
    const fs::path ca = fs::canonical(a, ea), cb = fs::canonical(b, eb);
    return !ea && !eb && ca == cb;
}

} // namespace

#ifndef _WIN32 // Windows: win32_port_discovery.cpp
const std::array<const char*, kMapSize> kFixedPaths = {
    "/dev/ttyS0",   "/dev/ttyS1",   "/dev/ttyUSB0", "/dev/ttyUSB1",
    "/dev/ttyACM0", "/dev/ttyACM1", "/dev/ttyS2",   "/dev/ttyS3",
};
#endif

Discovery discoverPorts(const std::string& sysRoot, const std::string& devRoot) {
    Discovery result;
    const fs::path classDir = fs::path(sysRoot) / "class" / "tty";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec) return result;
    result.sysfsReadable = true;
    const auto byId = linksByTty(fs::path(devRoot) / "serial" / "by-id");
    const auto byPath = linksByTty(fs::path(devRoot) / "serial" / "by-path");
    for (fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec) break;
        const fs::path entry = it->path();
        std::error_code e;
        const fs::path device = entry / "device";
        if (!fs::exists(device, e)) continue; // virtual terminals, ptys, the console
        // The legacy 8250 driver registers its ports whether or not a UART is
        // there; serial core reports type 0 (unknown) for the empty ones.
        if (fs::exists(entry / "type", e) && firstLine(entry / "type") == "0") continue;
        SerialPortInfo port;
        port.name = entry.filename().string();
        port.node = (fs::path(devRoot) / port.name).string();
        if (auto f = byId.find(port.name); f != byId.end()) port.byId = f->second;
        if (auto f = byPath.find(port.name); f != byPath.end()) port.byPath = f->second;
        readUsb(device, sysRoot, port);
        if (port.name.rfind("ttyACM", 0) == 0) port.kind = PortKind::Acm;
        result.ports.push_back(std::move(port));
    }
    sortForSearch(result.ports);
    return result;
}

#ifndef _WIN32
Discovery discoverHere() {
    const char* root = std::getenv("R70COM_ROOT");
    if (root != nullptr && root[0] != '\0')
        return discoverPorts(std::string(root) + "/sys", std::string(root) + "/dev");
    return discoverPorts("/sys", "/dev");
}
#endif

void sortForSearch(std::vector<SerialPortInfo>& ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        if (rank(a.kind) != rank(b.kind)) return rank(a.kind) < rank(b.kind);
        return a.stable() < b.stable();
    });
}

std::string describe(const SerialPortInfo& port) {
    if (port.kind == PortKind::Builtin) return {};
    std::string name = port.manufacturer;
    if (!port.product.empty()) name += (name.empty() ? "" : " ") + port.product;
    std::string out = name;
    auto add = [&out](const std::string& part) {
        if (part.empty()) return;
        out += (out.empty() ? "" : ", ") + part;
    };
    if (!port.vendorId.empty() && !port.productId.empty())
        add(port.vendorId + ":" + port.productId);
    if (!port.serial.empty()) add("serial " + port.serial);
    return out;
}

const SerialPortInfo* findPort(const Discovery& discovery, const std::string& path) {
    if (path.empty()) return nullptr;
    for (const SerialPortInfo& port : discovery.ports)
        if (path == port.byId || path == port.byPath || path == port.node) return &port;
    for (const SerialPortInfo& port : discovery.ports)
        if (sameFile(path, port.node)) return &port;
    return nullptr;
}

ComMap buildComMap(const std::string& chosen, const Discovery& discovery) {
    ComMap map;
    std::vector<ComMapEntry> entries;
    const SerialPortInfo* chosenPort = nullptr;
    if (!chosen.empty()) {
        chosenPort = findPort(discovery, chosen);
        std::error_code ec;
        if (chosenPort != nullptr)
            entries.push_back({chosen, chosenPort});
        else if (chosen.rfind("rfc2217://", 0) == 0 || fs::exists(chosen, ec))
            entries.push_back(
                {chosen, nullptr}); // a port sysfs does not know (a link, a network port)
        else
            map.chosenMissing = true;
    }
    for (const SerialPortInfo& port : discovery.ports)
        if (&port != chosenPort) entries.push_back({port.stable(), &port});
    if (!discovery.sysfsReadable) {
        for (const char* path : kFixedPaths) {
            const bool listed = std::any_of(entries.begin(), entries.end(),
                                            [path](const auto& e) { return e.path == path; });
            if (!listed) entries.push_back({path, nullptr});
        }
    }
    for (std::size_t i = 0; i < map.entries.size() && i < entries.size(); ++i)
        map.entries[i] = entries[i];
    return map;
}

int findAgain(const ComMap& map, const SerialPortInfo& port) {
    auto find = [&map](auto same) {
        for (int i = 0; i < kMapSize; ++i) {
            const SerialPortInfo* p = map.entries[static_cast<std::size_t>(i)].port;
            if (p != nullptr && same(*p)) return i;
        }
        return -1;
    };
    // The serial number first: without udev the stable name is the node, and
    // another adapter may have taken it.
    if (!port.serial.empty()) {
        const int i = find([&port](const SerialPortInfo& p) {
            return p.serial == port.serial && p.vendorId == port.vendorId &&
                   p.productId == port.productId;
        });
        if (i >= 0) return i;
    }
    return find([&port](const SerialPortInfo& p) { return p.stable() == port.stable(); });
}

} // namespace r70
