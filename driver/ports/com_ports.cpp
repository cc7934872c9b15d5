// The COM map of a search, taken in one piece.
#include "driver/ports/com_ports.h"

#include <cstdlib>
#include <new>
#include <optional>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

namespace r70 {
namespace {

static_assert(kMapSize == kPortCount);

// The port the user chose; only touched under the driver's lock.
std::string gChoice;

bool comNameAt(std::string_view text, std::size_t at, int* index) {
    while (at < text.size() && text[at] == ' ')
        ++at;
    if (text.size() < at + 5) return false;
    const std::string_view name = text.substr(at, 3);
    if ((name[0] | 0x20) != 'c' || (name[1] | 0x20) != 'o' || (name[2] | 0x20) != 'm') return false;
    std::size_t end = at + 3;
    int number = 0;
    while (end < text.size() && text[end] >= '0' && text[end] <= '9' && number < 1000)
        number = number * 10 + (text[end++] - '0');
    while (end < text.size() && text[end] == ' ')
        ++end;
    if (end == at + 3 || end >= text.size() || text[end] != '=') return false;
    *index = number - 1; // COM0 and COM9 and above: names outside the map
    return true;
}

// R70COM_PORTS ("COM3=/dev/ttyUSB0;COM1="): the paths it lists, a later entry
// winning. A ';' ends an entry only where a COM name follows (or nothing),
// so a path may hold ';' itself.
std::array<std::optional<std::string>, kPortCount> listedPaths(std::string_view text) {
    std::vector<std::size_t> starts; // where each "COMn=" begins
    int index = -1;
    if (comNameAt(text, 0, &index)) starts.push_back(0);
    for (std::size_t p = text.find(';'); p != std::string_view::npos; p = text.find(';', p + 1))
        if (comNameAt(text, p + 1, &index)) starts.push_back(p + 1);
    std::array<std::optional<std::string>, kPortCount> out;
    for (std::size_t k = 0; k < starts.size(); ++k) {
        const bool last = k + 1 == starts.size();
        (void)comNameAt(text, starts[k], &index);
        const std::size_t value = text.find('=', starts[k]) + 1;
        std::string_view path =
            text.substr(value, (last ? text.size() : starts[k + 1] - 1) - value);
        if (last) { // "COM8=/dev/x; " ends with a separator, not with a path
            while (!path.empty() && path.back() == ' ')
                path.remove_suffix(1);
            if (!path.empty() && path.back() == ';') path.remove_suffix(1);
        }
        if (index >= 0 && index < kPortCount) out[static_cast<std::size_t>(index)] = path;
    }
    return out;
}

} // namespace

const std::string& ComPorts::path(int index) const {
    static const std::string kNone;
    if (index < 0 || index >= kPortCount) return kNone;
    return map.entries[static_cast<std::size_t>(index)].path;
}

const SerialPortInfo* ComPorts::port(int index) const {
    if (index < 0 || index >= kPortCount) return nullptr;
    return map.entries[static_cast<std::size_t>(index)].port;
}

std::vector<std::string> ComPorts::appearances() const {
    std::vector<std::string> out;
    for (const SerialPortInfo& p : discovery.ports)
        if (!p.appearance.empty()) out.push_back(p.appearance);
    return out;
}

#ifdef _WIN32
std::wstring wideOf(const char* text) {
    const int n = MultiByteToWideChar(CP_UTF8, 0, text, -1, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 1), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, text, -1, wide.data(), n);
    return wide;
}
#endif

std::string environment(const char* name) {
#ifdef _WIN32
    const std::wstring wideName = wideOf(name);
    const DWORD need = GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (need == 0) return {};
    std::wstring value(need, L'\0');
    const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(), need);
    if (n == 0 || n >= need) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(n), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
    if (size > 0)
        WideCharToMultiByte(CP_UTF8, 0, value.c_str(), static_cast<int>(n), out.data(), size,
                            nullptr, nullptr);
    return out;
#else
    const char* value = std::getenv(name);
    return value != nullptr ? std::string(value) : std::string();
#endif
}

bool environmentMap() noexcept {
    try {
        return !environment("R70COM_PORTS").empty();
    } catch (const std::bad_alloc&) {
        return false;
    }
}

std::unique_ptr<ComPorts> takeComPorts() noexcept {
    try {
        auto ports = std::make_unique<ComPorts>();
        if (environmentMap()) {
            ports->fromEnvironment = true;
            const auto listed = listedPaths(environment("R70COM_PORTS"));
            for (std::size_t i = 0; i < listed.size(); ++i)
                ports->map.entries[i].path = listed[i] ? *listed[i] : kFixedPaths[i];
            return ports;
        }
        ports->discovery = discoverHere();
        ports->map = buildComMap(gChoice, ports->discovery);
        return ports;
    } catch (const std::bad_alloc&) {
        return nullptr; // out of memory: every port counts as absent
    }
}

void setPortChoice(std::string_view path) noexcept {
    try {
        gChoice.assign(path);
    } catch (const std::bad_alloc&) {
        gChoice.clear(); // the search then walks all ports
    }
}

} // namespace r70
