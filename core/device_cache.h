#pragma once
// The device-state cache: what the program knows of every port's MSNs, CLIP
// switch and name. Filled at start-up and after a model change, updated by
// the MSN page after each acknowledged send, read by the other pages.

#include "core/number_classifier.h"

#include <array>
#include <string>
#include <string_view>

namespace quorvex::core {

class CConfigApp;

inline constexpr int kMaxAnalogPorts = 5;
inline constexpr int kAnalogMsnCount = 3;
inline constexpr int kDataMsnCount = 5;
// Port numbers of the analog ports in page order; the data port is 0 in driver records.
inline constexpr std::array<int, kMaxAnalogPorts> kAnalogPortNumbers = {11, 21, 22, 31, 32};
inline constexpr int kDataPortNumber = 0;

struct PortState {
    std::array<std::string, kDataMsnCount> msn; // analog ports use the first three
    bool clip = false;
    std::string name; // empty only before the names are read
    // Whether the device answered for each MSN and the CLIP switch (a failed
    // query leaves an empty MSN or CLIP off that the device never said).
    std::array<bool, kDataMsnCount> msnKnown{};
    bool clipKnown = false;
};

// The default name of analog port p: its number in double quotes ("\"21\"").
std::string defaultPortName(int p);
inline constexpr std::string_view kDefaultDataPortName = "\"data\"";

struct DeviceCache {
    std::array<PortState, kMaxAnalogPorts> analog;
    PortState data;

    // The names of the five analog ports for the number classifier.
    PortNames portNames() const;
    // The device is taking new firmware: no MSN or CLIP switch counts as the
    // device's any more (the values stay for the pages that show them).
    void forget();
};

// Reads every MSN and CLIP switch of the data port and of the first
// portCount analog ports through SendDrvCmd. The data port comes first
// (MSN 0, CLIP, MSN 1..4), then each analog port (MSN 0, CLIP, MSN 1, MSN 2).
// A query that fails leaves an empty MSN or CLIP off.
void readMsnTable(CConfigApp& app);

// Whether the device answered every query of the last readMsnTable (or
// confirmed the value since) for the data port and the first portCount ports.
bool allKnown(const DeviceCache& cache, int portCount);

// Reads "ALIAS%d" and "ALIASD" of MSN_DIV from the default profile; an empty
// or missing name becomes the port's default name.
void readPortNames(CConfigApp& app);

} // namespace quorvex::core
