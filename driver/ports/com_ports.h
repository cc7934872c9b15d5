// The COM map of one search: which path COM1 ... COM8 stand for. Taken once
// per search and kept until the next, so that a port plugged in meanwhile
// shifts no name: the index the search found the device on keeps naming the
// port that is open. From R70COM_PORTS, or from the chosen port and the
// machine's ports (port_discovery.h; on Windows the system's COM ports).
#ifndef R70_COM_PORTS_H
#define R70_COM_PORTS_H

#include "driver/ports/port_discovery.h"

#include <array>
#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace r70 {

inline constexpr int kPortCount = 8;

struct ComPorts {
    bool fromEnvironment = false; // R70COM_PORTS gave the paths
    Discovery discovery;          // the machine's ports (without R70COM_PORTS)
    ComMap map;                   // points into discovery: ComPorts is never copied

    ComPorts() = default;
    ComPorts(const ComPorts&) = delete;
    ComPorts& operator=(const ComPorts&) = delete;

    // The path of COM<index+1>; empty when the name has no port.
    const std::string& path(int index) const;
    // What discovery knows of it; null for R70COM_PORTS, a link or a network port.
    const SerialPortInfo* port(int index) const;
    // The appearance of every node the machine has now (to tell a port that
    // comes later, port_discovery.h).
    std::vector<std::string> appearances() const;
};

// The map as it is now; null only when memory ran out.
std::unique_ptr<ComPorts> takeComPorts() noexcept;

// The port the user chose (a stable name; empty: search all). It becomes
// COM1 of the next map while it is present.
void setPortChoice(std::string_view path) noexcept;

// R70COM_PORTS is set and not empty.
bool environmentMap() noexcept;

// A variable of the environment, as UTF-8; empty when it is not set. On
// Windows the wide environment is read: the program sets it so that a file
// name in any language survives.
std::string environment(const char* name);

#ifdef _WIN32
// UTF-8 text as the system's wide text.
std::wstring wideOf(const char* text);
#endif

} // namespace r70

#endif
