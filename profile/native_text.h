#pragma once
// Text that crosses to the system: file names and environment variables. The
// program holds them as UTF-8. On Linux a path is those bytes. On Windows a
// path is UTF-16, and the C++ library's conversion from char goes through the
// C runtime's code page, which makes "Jürgen" "JÃ¼rgen" and throws for
// characters the code page lacks: every file name crosses here instead.

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

namespace quorvex::profile {

// The path a UTF-8 text names. Never throws: on Windows a byte sequence that
// is not UTF-8 becomes U+FFFD.
std::filesystem::path pathFromUtf8(std::string_view utf8);

// The path as UTF-8 text (for messages, dialogs, the program's state). Never
// throws: on Windows an unpaired surrogate becomes U+FFFD.
std::string utf8Of(const std::filesystem::path& path);

// The value of an environment variable as UTF-8; nullopt when it is not set.
// On Windows the wide environment is read, so any character survives.
std::optional<std::string> environmentUtf8(const char* name);

#ifdef _WIN32
std::wstring wideFromUtf8(std::string_view utf8);
std::string utf8FromWide(std::wstring_view wide);
// The system's sentence for an error code (GetLastError), in UTF-8, without
// its line break and full stop.
std::string systemMessage(unsigned long code);
#endif

} // namespace quorvex::profile
