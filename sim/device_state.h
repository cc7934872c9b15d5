// Everything the simulated device remembers: settings registers, call lists,
// charge counters, clock, identity. Plain data plus its text file form.
#pragma once

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quorvex::sim {

enum class Model { R30, R70, R70Usb };

std::optional<Model> parseModel(std::string_view name);
std::string_view modelName(Model m);
// "QKM-613S", "QKM-633S" or "QKM-633S-USB": the part number the device and its images carry.
std::string_view modelPartNumber(Model m);

// Analog port numbers of a model ("31" and "32" exist on the five-port models only).
std::span<const int> analogPorts(Model m);
bool hasAnalogPort(Model m, int port);

// The data port, as the device numbers it in per-port lists and counters.
inline constexpr int kDataPort = 0;

// The three call lists every port keeps.
enum CallList { kOutgoing = 0, kIncoming = 1, kNotAnswered = 2 };
inline constexpr int kCallListCount = 3;
inline constexpr std::size_t kMaxListEntries = 10;

struct CallEntry {
    std::string date;        // "07/03/01"
    std::string time;        // "09:05"
    std::string number;      // digits, "**" or "NO ID"
    std::string status;      // "OK" for outgoing calls, a cause for the others
    int64_t chargeMills = 0; // outgoing calls only, in thousandths of the currency
    bool operator==(const CallEntry&) const = default;
};

struct PortCharges {
    int64_t lastMills = 0;    // last outgoing call
    int64_t currentMills = 0; // the connection in progress
    int64_t sumMills = 0;     // running sum since the last clear
    bool operator==(const PortCharges&) const = default;
};

struct DeviceState {
    Model model = Model::R70;
    std::string firmware;  // ATI3 first line, e.g. "V2.10 R70"
    std::string bootCode;  // behind "BOOT CODE " in ATI3
    bool bootMode = false; // only the loader runs (no usable firmware)

    // Every catalogue register by its address text ("!P0#21*2", "%A2", "\\D01"),
    // holding the value text the device answers to a query.
    std::map<std::string, std::string> registers;

    // Call lists and charges per port (analog port number, or kDataPort).
    std::map<int, std::array<std::deque<CallEntry>, kCallListCount>> callLists;
    std::map<int, PortCharges> charges;
    int64_t totalMills = 0;
    std::string currency = "DM";

    // The device clock runs as host time plus this offset; unset until first set.
    std::optional<int64_t> clockOffsetSeconds;

    // Live line state (not persisted as settings but kept for snapshots).
    int isdnStatus = 3; // 0 not connected ... 3 synchronised
    int lastDisconnectCause = 16;
    bool callInProgress = false;
    std::array<bool, 5> lineFlags{}; // per analog port index 0..4

    bool operator==(const DeviceState&) const = default;
};

// A fresh device of a model: defaults for every register and a few call
// list entries and charges, so that a demonstration shows something.
DeviceState freshState(Model model);

// What a new firmware may come up with: every register the catalogue reads
// or writes back at its initial value, the call lists empty, the charge
// counters at zero and the clock unset. Identity, firmware and the live line
// state stay as they are.
void resetToFactory(DeviceState& s);

// Text form of a state file: "key=value" lines, values escaped (\\, \n, \r, \t, \xHH).
std::string serializeState(const DeviceState& s);
// Parses what serializeState wrote; unknown keys are ignored, malformed lines
// refuse the whole file (nullopt, with the reason in *error).
std::optional<DeviceState> parseState(std::string_view text, std::string* error = nullptr);

// File I/O at the edge: load, and an atomic save (temporary file, fsync, rename).
std::optional<DeviceState> loadStateFile(const std::string& path, std::string* error = nullptr);
bool saveStateFile(const std::string& path, const DeviceState& s, std::string* error = nullptr);

// Money text of the device: "0,120" (three decimals, comma).
std::string formatMills(int64_t mills);

} // namespace quorvex::sim
