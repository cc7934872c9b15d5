#pragma once
// Finding the device, reading its identity, and probing the COM ports for a
// device that answers only in its boot loader. Every call goes straight to
// the driver (these must work while the program is not connected).

#include "driver/api/r70com32.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvex::core {

// Same signature as D_SendDrvCmd.
using DriverFn = std::function<int32_t(uint16_t code, DRVPARAM* p)>;

inline constexpr const char* kUnknownName = "????";
inline constexpr const char* kUnknownVersion = "?.?.?";
inline constexpr int kComPortCount = 8;
// The boot-code text starts at nValue and runs on into szText.
inline constexpr std::size_t kBootCodeTextMax = 36;

struct Identity {
    bool identified = false;
    int modelNumber = 0; // 30, 70, 0 unknown
    int portIndex = -1;  // 0 = COM1
    bool usbVariant = false;
    std::string deviceName = kUnknownName;
    std::string firmwareText = kUnknownVersion;
    std::string bootCodeText = kUnknownVersion;
};

// Analog ports of a model: 3 for 30, 5 for every other value.
int portCountFor(int modelNumber);

// "OrvaISDN R%d" / "OrvaISDN R%d-USB" for model numbers 30 and up, else "????".
std::string deviceNameFor(int modelNumber, bool usb);
// The name in the information dialog: "OrvaISDN R30  QKM-613S", "OrvaISDN R70 QKM-633S",
// "OrvaISDN R70-USB QKM-633S-USB", "????".
std::string infoModelName(int modelNumber, bool usb);
// The upgrade dialog's version line: "Upgrade Version: OrvaISDN R70:  " + firmware +
// "  BOOT CODE " + boot code ("R??" when not identified).
std::string upgradeHeader(const Identity& id);

// The identity a command 31 record holds (pure).
Identity identityFromRecord(const DRVPARAM& record);

// Command 31.
Identity readIdentity(const DriverFn& driver);

enum class FindMode { Find, Reopen }; // command 0, or 57 on the remembered port

// Finds the device and reads its identity; nullopt when no device answered.
std::optional<Identity> detect(const DriverFn& driver, FindMode mode);

// Command 37 for COM index 0..7 while each answers 1 (no boot loader; the
// port is closed with command 3 after each). Stops at the first 2. With
// ports, what each probe left alone is noted there (the driver names it).
struct BootProbeResult {
    bool bootLoaderFound = false;
    int portIndex = -1;
    bool allPortsAnsweredNone = false; // every probe returned 1
};
class PortAccess;
BootProbeResult probeBootLoaders(const DriverFn& driver, PortAccess* ports = nullptr);

} // namespace quorvex::core
