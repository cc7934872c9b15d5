// Serial ports from sysfs and the udev links. Every filesystem call takes an
// error_code: a tree that changes while it is read (an adapter pulled out)
// or cannot be read gives fewer ports, never an exception.
#include "driver/ports/port_discovery.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
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
            port.usbPath = p.filename().string();
            return;
        }
        if (p == root || p == p.parent_path()) return;
        p = p.parent_path();
    }
}

// What the tty's device says of itself: USB facts, driver, kind, and where
// a USB adapter's latency setting lives.
void readDevice(const fs::path& entry, const std::string& sysRoot, SerialPortInfo& port) {
    std::error_code e;
    const fs::path device = entry / "device";
    readUsb(device, sysRoot, port);
    if (fs::is_symlink(device / "driver", e))
        port.driver = fs::read_symlink(device / "driver", e).filename().string();
    if (port.name.rfind("ttyACM", 0) == 0) port.kind = PortKind::Acm;
    if (port.kind != PortKind::Builtin) port.adapterKey = device.string();
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

Discovery discoverPorts(const std::string& sysRoot, const std::string& devRoot) {
    Discovery result;
    const fs::path classDir = fs::path(sysRoot) / "class" / "tty";
    std::error_code ec;
    fs::directory_iterator it(classDir, ec);
    if (ec) return result;
    result.sysfsReadable = true;
    const std::string consoles = " " + firstLine(classDir / "console" / "active") + " ";
    const std::function<void(SerialPortInfo&)> addNodeFacts = nodeFactsReader();
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
        readDevice(entry, sysRoot, port);
        if (consoles.find(" " + port.name + " ") != std::string::npos)
            port.leftOut = LeftOut::Console;
        addNodeFacts(port);
        result.ports.push_back(std::move(port));
    }
    sortForSearch(result.ports);
    return result;
}

std::optional<SerialPortInfo> portOfDevice(const std::string& sysRoot, unsigned major,
                                           unsigned minor, const std::string& path) {
    // The kernel links every character device by its number to its folder;
    // a pseudo-terminal has none.
    const fs::path entry =
        fs::path(sysRoot) / "dev" / "char" / (std::to_string(major) + ":" + std::to_string(minor));
    std::error_code ec;
    const fs::path folder = fs::canonical(entry, ec);
    if (ec || !fs::exists(entry / "device", ec)) return std::nullopt;
    SerialPortInfo port;
    port.name = folder.filename().string();
    port.node = path;
    readDevice(entry, sysRoot, port);
    return port;
}

bool naturalLess(const std::string& a, const std::string& b) {
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    std::size_t i = 0, j = 0;
    while (i < a.size() && j < b.size()) {
        if (digit(a[i]) && digit(b[j])) {
            std::size_t ei = i, ej = j;
            while (ei < a.size() && digit(a[ei]))
                ++ei;
            while (ej < b.size() && digit(b[ej]))
                ++ej;
            // Leading zeros aside, the longer run is the larger number.
            std::size_t si = i, sj = j;
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
            if (ei - si != ej - sj) return ei - si < ej - sj;
            if (const int c = a.compare(si, ei - si, b, sj, ej - sj); c != 0) return c < 0;
            i = ei;
            j = ej;
            continue;
        }
        if (a[i] != b[j]) return a[i] < b[j];
        ++i;
        ++j;
    }
    return a.size() - i < b.size() - j;
}

void sortForSearch(std::vector<SerialPortInfo>& ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        if (rank(a.kind) != rank(b.kind)) return rank(a.kind) < rank(b.kind);
        return naturalLess(a.stable(), b.stable());
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

bool isNetworkAddress(std::string_view path) noexcept {
    constexpr std::string_view kScheme = "rfc2217://";
    if (path.size() < kScheme.size()) return false;
    for (std::size_t i = 0; i < kScheme.size(); ++i) {
        char c = path[i];
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
        if (c != kScheme[i]) return false;
    }
    return true;
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
        else if (isNetworkAddress(chosen) || fs::exists(chosen, ec))
            entries.push_back(
                {chosen, nullptr}); // a port sysfs does not know (a link, a network port)
        else
            map.chosenMissing = true;
    }
    for (const SerialPortInfo& port : discovery.ports)
        if (&port != chosenPort && port.leftOut == LeftOut::No)
            entries.push_back({port.stable(), &port});
    if (!discovery.sysfsReadable) {
        for (const char* path : kFixedPaths) {
            const bool listed = std::any_of(entries.begin(), entries.end(),
                                            [path](const auto& e) { return e.path == path; });
            if (!listed) entries.push_back({path, nullptr});
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (i < map.entries.size())
            map.entries[i] = entries[i];
        else if (entries[i].port != nullptr)
            map.unnamed.push_back(entries[i].port);
    }
    return map;
}

std::vector<Candidate> findAgain(const ComMap& map, const KnownPort& known,
                                 const std::vector<std::string>& presentAtLoss) {
    auto in = [](const std::vector<std::string>& set, const std::string& key) {
        return !key.empty() && std::find(set.begin(), set.end(), key) != set.end();
    };
    const SerialPortInfo* was = known.port ? &*known.port : nullptr;
    auto sameMake = [was](const SerialPortInfo& p) {
        return !was->vendorId.empty() && p.vendorId == was->vendorId &&
               p.productId == was->productId;
    };
    auto own = [&](const ComMapEntry& e) {
        if (e.port == nullptr || was == nullptr) return e.path == known.path;
        const SerialPortInfo& p = *e.port;
        if (was->kind == PortKind::Builtin && was->vendorId.empty()) return p.node == was->node;
        if (!sameMake(p)) return false;
        if (!was->serial.empty()) return p.serial == was->serial;
        return (!was->byPath.empty() && p.byPath == was->byPath) ||
               (!was->usbPath.empty() && p.usbPath == was->usbPath) ||
               (!was->byId.empty() && p.byId == was->byId);
    };
    // An adapter with another serial number is not the device.
    auto newcomer = [&](const ComMapEntry& e) {
        return e.port != nullptr && was != nullptr && sameMake(*e.port) &&
               (was->serial.empty() || e.port->serial.empty()) &&
               !in(presentAtLoss, e.port->appearance);
    };
    // There when the device was found, and not the device.
    auto stranger = [&](const ComMapEntry& e) {
        return e.port != nullptr && in(known.presentWhenFound, e.port->appearance) &&
               (was == nullptr || e.port->appearance != was->appearance);
    };
    std::vector<Candidate> found;
    for (const bool ownName : {true, false}) {
        for (int i = 0; i < kMapSize; ++i) {
            const ComMapEntry& e = map.entries[static_cast<std::size_t>(i)];
            if (e.path.empty() || stranger(e)) continue;
            if (!(ownName ? own(e) : newcomer(e))) continue;
            if (std::none_of(found.begin(), found.end(),
                             [i](const Candidate& c) { return c.index == i; }))
                found.push_back({i, ownName});
        }
    }
    return found;
}

int searchBackoffMs(int failedRounds) noexcept {
    constexpr int kFirstMs = 1000, kLongestMs = 30000;
    int ms = kFirstMs;
    for (int i = 1; i < failedRounds && ms < kLongestMs; ++i)
        ms *= 2;
    return ms < kLongestMs ? ms : kLongestMs;
}

} // namespace r70
