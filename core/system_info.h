#pragma once
// The operating system the program runs on, in words a report can carry.

#include <string>

namespace quorvex::core {

// "Linux 6.1.0-18-amd64 x86_64, Debian GNU/Linux 12 (bookworm)", or
// "Windows 10.0 (build 19045)".
std::string systemDescription();

} // namespace quorvex::core
