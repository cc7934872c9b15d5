#include "core/system_info.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <fstream>
#include <sys/utsname.h>
#endif

namespace quorvex::core {

#ifdef _WIN32
std::string systemDescription() {
    // GetVersionEx tells a program without a manifest an older version; the
    // kernel's own call does not.
    using RtlGetVersionFn = LONG(WINAPI*)(OSVERSIONINFOW*);
    OSVERSIONINFOW info{};
    info.dwOSVersionInfoSize = sizeof info;
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto rtlGetVersion =
        ntdll != nullptr ? reinterpret_cast<RtlGetVersionFn>(
                               reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlGetVersion")))
                         : nullptr;
    if (rtlGetVersion == nullptr || rtlGetVersion(&info) != 0) return "Windows";
    return "Windows " + std::to_string(info.dwMajorVersion) + "." +
           std::to_string(info.dwMinorVersion) + " (build " + std::to_string(info.dwBuildNumber) +
           ")";
}
#else
std::string systemDescription() {
    std::string out;
    utsname u{};
    if (uname(&u) == 0) out = std::string(u.sysname) + " " + u.release + " " + u.machine;
    std::ifstream release("/etc/os-release");
    std::string line;
    while (std::getline(release, line)) {
        if (!line.starts_with("PRETTY_NAME=")) continue;
        std::string name = line.substr(12);
        if (name.size() >= 2 && name.front() == '"' && name.back() == '"')
            name = name.substr(1, name.size() - 2);
        out += (out.empty() ? "" : ", ") + name;
        break;
    }
    return out.empty() ? "unknown" : out;
}
#endif

} // namespace quorvex::core
