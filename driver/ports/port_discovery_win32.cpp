// The serial ports of a Windows machine: every COM name the system lists
// under HKLM\HARDWARE\DEVICEMAP\SERIALCOMM (built-in ports, USB adapters,
// virtual ports), with what Plug and Play says of the device behind it where
// it knows it (the ports and modems classes of the device list). Nothing is
// opened: opening a port raises its DTR and may reset a device.
#include "driver/ports/adapter_hold.h"
#include "driver/ports/com_list.h"
#include "driver/ports/port_discovery.h"

#include <windows.h>

#include <initguid.h>

#include <devguid.h>
#include <setupapi.h>

#include <cstdio>
#include <map>
#include <new>
#include <string>

namespace r70 {
namespace {

std::string utf8(const wchar_t* text, std::size_t length) {
    const int size = static_cast<int>(length);
    const int n = WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, text, size, out.data(), n, nullptr, nullptr);
    return out;
}

std::string utf8(const std::wstring& text) {
    return utf8(text.c_str(), text.size());
}

std::wstring registryText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    wchar_t buffer[512] = {};
    DWORD type = 0;
    if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type,
                                           reinterpret_cast<BYTE*>(buffer), sizeof buffer - 2,
                                           nullptr) ||
        type != REG_SZ)
        return {};
    return buffer;
}

// The COM name Plug and Play gave the device ("PortName" of its key).
std::wstring portNameOf(HDEVINFO set, SP_DEVINFO_DATA& device) {
    HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_READ);
    if (key == INVALID_HANDLE_VALUE) return {};
    wchar_t name[64] = {};
    DWORD size = sizeof name - 2;
    DWORD type = 0;
    const LONG read =
        RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_SZ ? std::wstring(name) : std::wstring();
}

// What the device list says of each COM name, by its number.
std::map<int, PnpFacts> plugAndPlayFacts() {
    std::map<int, PnpFacts> facts;
    for (const GUID* cls : {&GUID_DEVCLASS_PORTS, &GUID_DEVCLASS_MODEM}) {
        HDEVINFO set = SetupDiGetClassDevsW(cls, nullptr, nullptr, DIGCF_PRESENT);
        if (set == INVALID_HANDLE_VALUE) continue;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD i = 0; SetupDiEnumDeviceInfo(set, i, &device); ++i) {
            const int number = comNumber(utf8(portNameOf(set, device)));
            if (number == 0) continue;
            PnpFacts& f = facts[number];
            wchar_t id[512] = {};
            if (SetupDiGetDeviceInstanceIdW(set, &device, id, 511, nullptr))
                f.instanceId = utf8(id, wcslen(id));
            f.manufacturer = utf8(registryText(set, device, SPDRP_MFG));
            f.description = utf8(registryText(set, device, SPDRP_DEVICEDESC));
            f.service = utf8(registryText(set, device, SPDRP_SERVICE));
        }
        SetupDiDestroyDeviceInfoList(set);
    }
    return facts;
}

std::wstring wide(const std::string& text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, nullptr, 0);
    std::wstring out(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text.c_str(), -1, out.data(), n);
    out.resize(wcslen(out.c_str()));
    return out;
}

} // namespace

void readLatencySetting(const SerialPortInfo& port, DRVADAPTER& hold) noexcept {
    // FTDI's own driver keeps a latency timer per port, in the registry; the
    // other drivers (usbser, CH341SER, Prolific's) show none.
    const std::string& id = port.adapterKey;
    if (id.size() < 8 || CompareStringOrdinal(wide(id.substr(0, 8)).c_str(), -1, L"FTDIBUS\\", -1,
                                              TRUE) != CSTR_EQUAL) {
        std::snprintf(hold.szDetail, sizeof hold.szDetail, "its driver shows no latency timer");
        return;
    }
    try {
        HKEY key = nullptr;
        LONG read = RegOpenKeyExW(HKEY_LOCAL_MACHINE, wide(deviceParametersKey(id)).c_str(), 0,
                                  KEY_QUERY_VALUE, &key);
        DWORD value = 0, size = sizeof value, type = 0;
        if (read == ERROR_SUCCESS) {
            read = RegQueryValueExW(key, L"LatencyTimer", nullptr, &type,
                                    reinterpret_cast<BYTE*>(&value), &size);
            RegCloseKey(key);
        }
        if (read != ERROR_SUCCESS || type != REG_DWORD || value > 255) {
            std::snprintf(hold.szDetail, sizeof hold.szDetail,
                          "LatencyTimer unreadable in the registry (error %ld)", read);
            return;
        }
        hold.nState = DRV_ADAPTER_HOLDS;
        hold.nLatencyMs = hold.nBeforeMs = static_cast<int32_t>(value);
    } catch (const std::bad_alloc&) {
        std::snprintf(hold.szDetail, sizeof hold.szDetail, "out of memory");
    }
}

// Tried in this order when the system's list cannot be read.
const std::array<const char*, kMapSize> kFixedPaths = {
    "\\\\.\\COM1", "\\\\.\\COM2", "\\\\.\\COM3", "\\\\.\\COM4",
    "\\\\.\\COM5", "\\\\.\\COM6", "\\\\.\\COM7", "\\\\.\\COM8",
};

Discovery discoverHere() {
    Discovery result;
    HKEY key = nullptr;
    const LONG opened = RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"HARDWARE\\DEVICEMAP\\SERIALCOMM", 0,
                                      KEY_QUERY_VALUE, &key);
    // The system makes the key with the first port: without it there is none.
    if (opened == ERROR_FILE_NOT_FOUND) result.sysfsReadable = true;
    if (opened != ERROR_SUCCESS) return result;
    result.sysfsReadable = true;
    std::map<int, PnpFacts> facts = plugAndPlayFacts();
    for (DWORD i = 0;; ++i) {
        wchar_t name[256];
        DWORD nameLength = 256;
        wchar_t data[64] = {};
        DWORD size = sizeof data - 2;
        DWORD type = 0;
        const LONG read = RegEnumValueW(key, i, name, &nameLength, nullptr, &type,
                                        reinterpret_cast<BYTE*>(data), &size);
        if (read == ERROR_NO_MORE_ITEMS) break;
        if (read != ERROR_SUCCESS || type != REG_SZ) continue;
        const std::string com = utf8(data, wcsnlen(data, size / sizeof(wchar_t)));
        const int number = comNumber(com);
        if (number == 0) continue;
        result.ports.push_back(comPortInfo(com, facts[number]));
    }
    RegCloseKey(key);
    sortComPorts(result.ports);
    return result;
}

std::optional<SerialPortInfo> portOfNode(const std::string&) {
    return std::nullopt; // the map's Windows ports come from the system's list
}

std::function<void(SerialPortInfo&)> nodeFactsReader() {
    return [](SerialPortInfo&) {};
}

} // namespace r70
