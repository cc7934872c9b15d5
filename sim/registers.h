// The device's settings registers: one table row per command family of the
// AT language, with the shape of its address and the values it takes.
#pragma once

#include "sim/device_state.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::sim {

enum class Address {
    None,      // "%A5"
    Port,      // "!P17#21"
    PortIndex, // "!P0#21*2"
    Index,     // "!N3"
    DayRow,    // "\D05": day type digit, row digit
};

enum class ValueKind {
    Flag,     // "0" or "1"
    Digit,    // one digit from 0 to max
    Number,   // decimal, 0 to max
    Text,     // printable text of up to max characters
    Time,     // "07:30"
    Band,     // "08-18"
    Range,    // "0180-0190" or "0180"
    Protocol, // one of the data protocol codes
};

struct RegisterFamily {
    std::string_view prefix; // address text before the port / index
    Address address;
    int indexMax; // highest index (PortIndex, Index) or row (DayRow)
    ValueKind kind;
    int max; // Digit / Number: highest value; Text: longest text
    std::string_view initial;
};

std::span<const RegisterFamily> registerFamilies();

// A register address resolved against the table: its family and the key
// under which DeviceState::registers holds it ("!P0#21*2").
struct RegisterAddress {
    const RegisterFamily* family = nullptr;
    std::string key;
};

// Splits a command body (the text after "AT", without the CR) into a register
// address and what follows it ("?", "=value" or "="). Ports the model lacks do
// not resolve. The remainder is returned through *rest.
std::optional<RegisterAddress> resolveRegister(Model model, std::string_view body,
                                               std::string_view* rest);

// Whether a value text is one the family takes; the empty text (a clear) always is.
bool valueAccepted(const RegisterFamily& f, std::string_view value);

// Every register key of a model with its initial value.
std::vector<std::pair<std::string, std::string>> initialRegisters(Model model);

} // namespace quorvex::sim
