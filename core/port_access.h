#pragma once
// The serial ports as the program and the command line show them: what the
// machine has (driver/port_discovery.h), the COM name the search gives each,
// the port the user chose (kept in win.ini in QUORVEX_HOME, not in a profile:
// a profile goes from machine to machine, a port name does not), and why the
// last search found nothing on each port. The driver's own functions are
// injected, so that tests run it against a fake machine.

#include "driver/port_discovery.h"
#include "driver/r70com32.h"
#include "profile/ini_file.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::core {

inline constexpr std::string_view kPortChoiceSection = "QuorvexCom";
inline constexpr std::string_view kPortChoiceKey = "Port";

// Texts of the port choice and the search (English ids).
inline constexpr int kTextSearchAll = 9942;
inline constexpr int kTextChoiceMissing = 9944; // "%s": the chosen port
inline constexpr int kTextNoSerialPort = 9946;
inline constexpr int kTextPortsTried = 9948;
inline constexpr int kTextFoundAgain = 9950;
// The start found the device elsewhere; the tail names where.
inline constexpr int kTextChoiceMissingFound = 9954;
inline constexpr int kTextSearchLabel = 9952;

// The signatures of D_PortPath, D_LastOpenError and D_ChoosePort.
struct PortDriver {
    int32_t(R70COM32_CALL* portPath)(int32_t index, char* path, int32_t size) = nullptr;
    int32_t(R70COM32_CALL* lastOpenError)(int32_t index, char* text, int32_t size) = nullptr;
    void(R70COM32_CALL* choosePort)(const char* path) = nullptr;
};

// One port of the machine with its COM name in the search (0 = COM1; -1 when
// the map has no room for it or R70COM_PORTS maps other paths).
struct PortListing {
    r70::SerialPortInfo port;
    int comIndex = -1;
    bool chosen = false;
};

// One COM name the last search tried and why nothing answered there.
struct TriedPort {
    int comIndex = 0;
    int code = 0;       // DRV_OPENERR_
    std::string reason; // "COM1 (/dev/serial/by-id/...): permission denied — ..."
};

class PortAccess {
public:
    PortAccess(std::filesystem::path winIni, PortDriver driver)
        : winIni_(std::move(winIni)), driver_(driver) {}

    // The stored choice (empty: search all ports).
    std::string choice() const;
    // Stores the choice and hands it to the driver; the driver takes it even
    // when the file cannot be written (the result says why).
    profile::WriteResult choose(const std::string& path);
    // Hands the stored choice to the driver (at start).
    void applyChoice();

    // The path the search uses for COM<index+1>; empty when it has none.
    std::string comPath(int index) const;
    // "COM3 (/dev/serial/by-id/...)", or "COM3" when the path is unknown.
    std::string comName(int index) const;
    // The node the COM name leads to now (links resolved), to tell a replug
    // under another node; empty when it leads nowhere.
    std::string comNode(int index) const;

    // The machine's ports in the order of the search.
    std::vector<PortListing> listPorts() const;
    // The choice names a port that is not there: the search walks the others.
    bool choiceMissing() const;
    // Every COM name with a path, after a search that found nothing.
    std::vector<TriedPort> triedPorts() const;

private:
    std::filesystem::path winIni_;
    PortDriver driver_;
};

// What the no-response dialog and the command line say about the ports
// (language 0 English, 1 German): the chosen port when it is missing, then
// one line per port tried; a line of its own when there was none at all.
std::vector<std::string> triedPortLines(const PortAccess& ports, int language);

// "The chosen port ... is not present; searching all ports." (empty when the
// choice is present or none was made).
std::string missingChoiceText(const PortAccess& ports, int language);

} // namespace quorvex::core
