#include "core/environment.h"

#include <cstdlib>

#ifdef _WIN32
#include "profile/native_text.h"

#include <windows.h>

#include <shellapi.h>
#endif

namespace quorvex::core {

void setEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    // Both the system's copy (which the driver library reads) and the C
    // runtime's; "" removes a variable from the latter.
    const std::wstring wideName = profile::wideFromUtf8(name);
    const std::wstring wideValue = value != nullptr ? profile::wideFromUtf8(value) : L"";
    SetEnvironmentVariableW(wideName.c_str(), value != nullptr ? wideValue.c_str() : nullptr);
    _wputenv_s(wideName.c_str(), wideValue.c_str());
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

std::vector<std::string> utf8Arguments(int argc, char** argv) {
#ifdef _WIN32
    int n = 0;
    if (LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &n); wide != nullptr) {
        std::vector<std::string> args;
        for (int i = 0; i < n; ++i)
            args.push_back(profile::utf8FromWide(wide[i]));
        LocalFree(wide);
        return args;
    }
#endif
    return std::vector<std::string>(argv, argv + argc);
}

} // namespace quorvex::core
