#include "driver/ports/com_list.h"

#include <algorithm>
#include <cctype>

namespace r70 {
namespace {

char upper(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

std::string toUpper(std::string_view text) {
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), upper);
    return out;
}

// The four hex digits behind "VID_" (or "PID_") in an instance id.
std::string idAfter(const std::string& id, std::string_view tag) {
    const std::size_t at = id.find(tag);
    if (at == std::string::npos || at + tag.size() + 4 > id.size()) return {};
    std::string hex = id.substr(at + tag.size(), 4);
    for (char& c : hex) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) return {};
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    }
    return hex;
}

} // namespace

int comNumber(std::string_view name) {
    if (name.substr(0, 4) == "\\\\.\\") name.remove_prefix(4);
    if (name.size() < 4 || toUpper(name.substr(0, 3)) != "COM") return 0;
    int n = 0;
    for (const char c : name.substr(3)) {
        if (c < '0' || c > '9' || n > 25500) return 0;
        n = n * 10 + (c - '0');
    }
    return n >= 1 && n <= 255 ? n : 0;
}

std::string comPath(std::string_view name) {
    const int n = comNumber(name);
    return n == 0 ? std::string() : "\\\\.\\COM" + std::to_string(n);
}

SerialPortInfo comPortInfo(std::string_view comName, const PnpFacts& facts) {
    SerialPortInfo port;
    port.name = "COM" + std::to_string(comNumber(comName));
    port.node = comPath(comName);
    const std::string id = toUpper(facts.instanceId);
    // FTDI's own driver names its devices FTDIBUS\VID_0403+PID_6001+SERIAL.
    const bool usb = id.rfind("USB\\", 0) == 0 || id.rfind("FTDIBUS\\", 0) == 0;
    if (!usb) return port;
    port.kind = PortKind::Usb;
    port.vendorId = idAfter(id, "VID_");
    port.productId = idAfter(id, "PID_");
    port.manufacturer = facts.manufacturer;
    port.product = facts.description;
    port.driver = facts.service;
    port.adapterKey = facts.instanceId;
    // USB\VID_x&PID_y\SERIAL; FTDIBUS\VID_x+PID_y+SERIALA\0000 (the driver adds
    // a letter for the channel). An "&" marks a number the system made up.
    std::string serial;
    if (id.rfind("USB\\", 0) == 0) {
        const std::size_t slash = facts.instanceId.rfind('\\');
        serial = facts.instanceId.substr(slash + 1);
    } else if (const std::size_t plus = facts.instanceId.rfind('+'); plus != std::string::npos) {
        serial = facts.instanceId.substr(plus + 1);
        serial = serial.substr(0, serial.find('\\'));
        if (serial.size() > 1) serial.pop_back();
    }
    if (serial.find('&') == std::string::npos) port.serial = serial;
    return port;
}

std::string deviceParametersKey(std::string_view instanceId) {
    return "SYSTEM\\CurrentControlSet\\Enum\\" + std::string(instanceId) + "\\Device Parameters";
}

void sortComPorts(std::vector<SerialPortInfo>& ports) {
    std::stable_sort(ports.begin(), ports.end(), [](const auto& a, const auto& b) {
        const bool usbA = a.kind != PortKind::Builtin, usbB = b.kind != PortKind::Builtin;
        if (usbA != usbB) return usbA;
        return comNumber(a.name) < comNumber(b.name);
    });
}

} // namespace r70
