#pragma once
// The simulated device for tests of the program's logic: in process behind
// the driver's own command builder and reply parser (no line, the test's
// clock), and a setting of its own for every register the program can reach,
// so that a test can tell whether each of them comes back.

#include "core/page_items.h"
#include "driver/api/r70com32.h"
#include "sim/device_state.h"
#include "sim/interpreter.h"

#include <string>
#include <utility>
#include <vector>

namespace quorvex::test {

// Each register the program reads and writes (the acceptance registers 1 and
// 2 it never addresses are left out) with a value unlike its factory one that
// the pages take as it is: valid, in range, kept through read, save and load.
std::vector<std::pair<std::string, std::string>> everySetting(sim::Model model);
// The command line that gives the device one of them ("AT!P0#11*0=47110").
std::string settingCommand(const std::string& key, const std::string& value);

// A device answering the catalogue commands in process: each command is
// built into its AT text as the driver builds it, answered by the simulated
// device's interpreter and parsed back as the driver parses the reply.
// Detection, identity, line control and the firmware transfer are the
// driver's own: they answer as with no device here (tests answer them).
class InterpretedDevice {
public:
    explicit InterpretedDevice(sim::Model model);
    int32_t call(uint16_t code, DRVPARAM* p);
    sim::DeviceState& state() { return state_; }
    // Every setting of everySetting() into the registers.
    void fill();
    // Every command is answered "ERROR" (a device that takes nothing).
    bool refuseEverything = false;

private:
    sim::DeviceState state_;
    sim::Interpreter interpreter_;
};

} // namespace quorvex::test
