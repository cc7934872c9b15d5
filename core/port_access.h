#pragma once
// The serial ports as the program and the command line show them: what the
// machine has (driver/ports/port_discovery.h), the COM name the search gives each
// and why some get none, the port the user chose (kept in win.ini in
// QUORVEX_HOME, not in a profile: a profile goes from machine to machine, a
// port name does not), and why the last search found nothing on each port,
// in the user's language. The driver's own functions are injected, so that
// tests run it against a fake machine.

#include "driver/api/r70com32.h"
#include "driver/ports/port_discovery.h"
#include "profile/ini_file.h"

#include <cstdint>
#include <filesystem>
#include <optional>
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
inline constexpr int kTextUnnamedPort = 9998;
inline constexpr int kTextUnsearched = 10000; // "%s": how many
inline constexpr int kTextProbeLeftAlone = 10008;

// The signatures of D_PortPath, D_ChoosePort and D_PortReason.
struct PortDriver {
    int32_t(R70COM32_CALL* portPath)(int32_t index, char* path, int32_t size) = nullptr;
    void(R70COM32_CALL* choosePort)(const char* path) = nullptr;
    int32_t(R70COM32_CALL* portReason)(int32_t index, DRVPORTREASON* reason) = nullptr;
};

// Why a port of the machine has no COM name in the search.
enum class Omission {
    None,    // it has one
    Console, // the system console
    Login,   // a login's terminal
    Unnamed, // the eight names are taken (or R70COM_PORTS maps other paths)
};

// One port of the machine with its COM name in the search (0 = COM1; -1 when
// it has none, see omitted).
struct PortListing {
    r70::SerialPortInfo port;
    int comIndex = -1;
    bool chosen = false;
    Omission omitted = Omission::None;
};

// One COM name the last search tried and why nothing answered there.
struct TriedPort {
    int comIndex = 0;
    DRVPORTREASON reason{};
};

class PortAccess {
public:
    PortAccess(std::filesystem::path winIni, PortDriver driver)
        : winIni_(std::move(winIni)), driver_(driver) {}

    // The choice in force: this run's (useForThisRun), else the stored one
    // (empty: search all ports).
    std::string choice() const;
    // Stores the choice and hands it to the driver; the driver takes it even
    // when the file cannot be written (the result says why).
    profile::WriteResult choose(const std::string& path);
    // Hands the choice in force to the driver (at start).
    void applyChoice();
    // A port tried first in this run only (quorvex-cli --port PATH), not stored.
    void useForThisRun(const std::string& path);

    // The path the last search used for COM<index+1>; empty when it has none.
    std::string comPath(int index) const;
    // "COM3 (/dev/serial/by-id/...)", or "COM3" when the path is unknown.
    std::string comName(int index) const;
    // The node the COM name leads to now (links resolved), to tell a replug
    // under another node; empty when it leads nowhere.
    std::string comNode(int index) const;

    // The machine's ports as a search would name them now: those with a COM
    // name in its order, then the ones left out.
    std::vector<PortListing> listPorts() const;
    // The choice names a port that is not there: the search walks the others.
    bool choiceMissing() const;
    // Every COM name with a path, after a search that found nothing.
    std::vector<TriedPort> triedPorts() const;
    // The driver's reason for COM<index+1> now (DRV_OPENERR_NONE: open, or not tried).
    DRVPORTREASON reason(int index) const;

    // The boot probe ("Try Again", command 37 over every COM name): after
    // each probe that found no loader, what it left alone there (a port
    // another program has open or holds, the console, a login) is kept
    // until the next probe starts.
    void startBootProbe() { probeLeftAlone_.clear(); }
    void noteBootProbe(int index);
    const std::vector<TriedPort>& bootProbeLeftAlone() const { return probeLeftAlone_; }

private:
    std::filesystem::path winIni_;
    PortDriver driver_;
    std::optional<std::string> runChoice_;
    std::vector<TriedPort> probeLeftAlone_;
};

// The reason of one port (language 0 English, 1 German), without the COM name:
// "left alone — it is the system console".
std::string reasonText(const DRVPORTREASON& reason, int language);
// "COM3 (/dev/ttyUSB0): " + reasonText.
std::string triedLine(int comIndex, const DRVPORTREASON& reason, int language);
// Why a listed port has no COM name; empty when it has one.
std::string omissionText(const PortListing& listing, int language);

// What the no-response dialog and the command line say about the ports: the
// chosen port when it is missing, then one line per port tried; a line of its
// own when there was none at all, and one when ports were left unsearched;
// then the ports the last boot probe left alone, under a heading.
std::vector<std::string> triedPortLines(const PortAccess& ports, int language);

// "The chosen port ... is not present; searching all ports." (empty when the
// choice is present or none was made).
std::string missingChoiceText(const PortAccess& ports, int language);

// What a line's USB adapter holds back (D_LineAdapter, or r70::peekHold of a
// port not opened), in language: "latency 16 ms, could not be lowered: ..."
// and, when the reader allows for it (nAllowMs), by how much; empty for a
// line without a USB adapter. The English is the driver's trace's own.
std::string latencyText(const DRVADAPTER& adapter, int language);
// "driver ftdi_sio, " and latencyText.
std::string adapterText(const DRVADAPTER& adapter, int language);

// "2 more ports were not searched: ..." (empty when every port has a name).
std::string unsearchedText(const std::vector<PortListing>& listing, int language);

} // namespace quorvex::core
