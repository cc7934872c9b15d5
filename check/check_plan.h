#pragma once
// Every query the program ever makes of the device, once each, as data: the
// driver command in its query form, the port and index, the buffer the
// program hands over, and the form of value the program's pages accept. A
// check of the device walks it; nothing in it changes the device.

#include "driver/api/r70com32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvex::check {

// The form of value a page accepts from the device.
enum class ValueRule {
    Ok,             // nothing but the final OK (presence test)
    Flag,           // "0" or "1"
    Digit,          // one digit, min..max
    Number,         // decimal digits, min..max
    Msn,            // up to 15 digits
    PortNumber,     // up to 15 digits, or a port's star code ("*21")
    Forwarding,     // "0", or "1", five characters and a target as PortNumber
    PortTime,       // "HH:MM"
    Clock,          // "DD/MM/YYYY HH:MM:SS", or dashes while the clock is not set
    LcrHours,       // empty, or "HH-HH": from 0..23, till 1..24
    LcrPredial,     // empty, or up to 5 digits
    LcrRange,       // empty, or two ends of up to 5 digits and the same length
    ChargeUnit,     // as the settings dialog takes it ("0,120")
    Digits,         // up to max digits (area code, predials)
    CallbackNumber, // up to 15 digits
    Protocol,       // one of the device's protocol codes
    EidText,        // printable, as long as the device takes an EID
    StatusText,     // text ended by a backspace (no OK needed)
    LineState,      // five groups of 18 characters with a flag each
    CallList,       // the list's heading, then one entry a line
    ChargeRow,      // "Charge:", then a line per port and the data port
    ChargeTotal,    // an amount and its currency
    CallCheck,      // "0" idle, "1" a call runs
};

// Where in the program the query comes from (for the report's words).
enum class Area {
    Msn,
    Settings,
    Callback,
    Accept,
    ShortDial,
    Forward,
    Filter,
    Data,
    Lcr,
    Timer,
    Charges,
    Log,
    Info,
    Monitor,
    Heartbeat,
    Upgrade,
};

struct Query {
    uint16_t code = 0;
    int32_t port = 0;  // nPort
    int32_t index = 0; // nIndex
    int32_t op = 0;    // nOp: 0, or 3 for the second query form of 7 and 8
    int32_t aux = 0;   // nAux (47: the protocol index that selects the register)
    ValueRule rule = ValueRule::Ok;
    int min = 0, max = 0; // Digit, Number, Digits
    int32_t buffer = 0;   // the text buffer the program passes (29, 30, 52, 53)
    Area area = Area::Msn;
    bool phoneNumber = false; // the value holds phone numbers (masked in a report)
};

// The queries for a device of model 30 or 70, in the order the program
// first makes them.
std::vector<Query> checkPlan(int model);

// The record the query is sent with (without a buffer).
DRVPARAM queryRecord(const Query& q);

// Whether a driver call with this code and record only reads: the check
// sends nothing else, whatever it is asked.
bool onlyReads(uint16_t code, const DRVPARAM* record);

} // namespace quorvex::check
