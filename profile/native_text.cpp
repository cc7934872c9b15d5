#include "profile/native_text.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorvex::profile {

#ifdef _WIN32

std::wstring wideFromUtf8(std::string_view utf8) {
    if (utf8.empty()) return {};
    const int size = static_cast<int>(utf8.size());
    const int n = MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(n > 0 ? n : 0), L'\0');
    if (n > 0) MultiByteToWideChar(CP_UTF8, 0, utf8.data(), size, wide.data(), n);
    return wide;
}

std::string utf8FromWide(std::wstring_view wide) {
    if (wide.empty()) return {};
    const int size = static_cast<int>(wide.size());
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n > 0 ? n : 0), '\0');
    if (n > 0) WideCharToMultiByte(CP_UTF8, 0, wide.data(), size, utf8.data(), n, nullptr, nullptr);
    return utf8;
}

std::string systemMessage(unsigned long code) {
    wchar_t text[256];
    DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                             code, 0, text, sizeof text / sizeof text[0], nullptr);
    while (n > 0 && (text[n - 1] == L'\r' || text[n - 1] == L'\n' || text[n - 1] == L'.'))
        --n;
    if (n == 0) return "Windows error " + std::to_string(code);
    return utf8FromWide(std::wstring_view(text, n));
}

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(wideFromUtf8(utf8));
}

std::string utf8Of(const std::filesystem::path& path) {
    return utf8FromWide(path.native());
}

std::optional<std::string> environmentUtf8(const char* name) {
    const std::wstring wideName = wideFromUtf8(name);
    std::wstring value(256, L'\0');
    for (;;) {
        SetLastError(ERROR_SUCCESS);
        const DWORD n = GetEnvironmentVariableW(wideName.c_str(), value.data(),
                                                static_cast<DWORD>(value.size()));
        if (n == 0) {
            if (GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
            return std::string(); // set, but empty
        }
        if (n < value.size()) {
            value.resize(n);
            return utf8FromWide(value);
        }
        value.resize(n); // n is the size needed, with the terminating NUL
    }
}

#else

std::filesystem::path pathFromUtf8(std::string_view utf8) {
    return std::filesystem::path(std::string(utf8));
}

std::string utf8Of(const std::filesystem::path& path) {
    return path.native();
}

std::optional<std::string> environmentUtf8(const char* name) {
    const char* value = std::getenv(name);
    if (value == nullptr) return std::nullopt;
    return std::string(value);
}

#endif

} // namespace quorvex::profile
