#include "support/sim_settings.h"

#include "driver/protocol/catalogue.h"
#include "sim/registers.h"

namespace quorvex::test {

namespace {

// The address behind a register family's prefix ("11*2", "01", "4").
std::string twoDigits(int n) {
    return (n < 10 ? "0" : "") + std::to_string(n);
}

std::string valueFor(std::string_view prefix, std::string_view address) {
    const std::string a(address);
    const int n = a.empty() ? 0 : std::stoi(a.substr(0, a.find('*')));
    const int row = a.size() >= 2 ? a[1] - '0' : 0; // day type and row, "01"
    std::string digits = a;                         // "11*2" -> "112"
    std::erase(digits, '*');
    // clang-format off
    struct Rule { std::string_view prefix; std::string value; };
    const Rule rules[] = {
        {"!P0#", "47" + digits},                          // MSNs
        {"!N", "50" + a},                                 // data MSNs
        {"!P17#", "0"}, {"%A5", "0"},                     // CLIP off
        {"!P19#", "1"}, {"!P18#", "06:" + twoDigits(n)},  // morning calls
        {"!P2#", "0"}, {"!P8#", "0"},                     // call waiting off, lower volume
        {"!P9#", std::to_string(n % 9 + 1)},              // ring delay
        {"!P6#", "2"}, {"!P1#", "1"},                     // DTMF caller ID, these MSNs only
        {"!V", a == "0" ? "0" : "1"},                     // data port acceptance
        {"!P11#", "1"},                                   // special ring
        {"!P10#", digits == "119" ? "*21" : "030" + digits},
        {"!P13#", "1"}, {"\\E", "1"},                     // call filter on
        {"!P12#", "0190" + digits}, {"\\F", "0180" + a},
        {"&P", "1"},                                      // least cost routing
        {"\\D", twoDigits(row * 4) + "-" + twoDigits(row * 4 + 4)},
        {"\\P", "010" + a}, {"&L", "1"}, {"&R", "1"},
        {"\\N", "01" + a + "-09" + a}, {"&N", "1"},
        {"S91", "0"}, {"S95", "0,240"}, {"S76", "089"}, {"S78", "0"}, {"S75", "001"},
        {"\\A", "1"}, {"\\B", "0301999" + a},             // data callback
        {"%A2", "2"}, {"%A0", "0"},                       // V.120, no automatic protocol
        {"%P0", "1"}, {"%X1", "1"}, {"%P1", "1"}, {"%P6", "1"}, {"%E9", "0"},
        {"%E0", "200"}, {"%X0", "1024"}, {"!H0", "512"},  // frame sizes
        {"%P3", "1"}, {"%P4", "12345678"},                // EID class 1, not its example
        {"%P7", "60"}, {"%P9", "20"}, {"%P8", "3"}, {"%P10", "4"},
    };
    // clang-format on
    for (const Rule& r : rules)
        if (r.prefix == prefix) return r.value;
    return {};
}

std::string forwardingKey(int reg, int port) {
    return "!P" + std::to_string(reg) + "#" + std::to_string(port);
}

} // namespace

std::vector<std::pair<std::string, std::string>> everySetting(sim::Model model) {
    std::vector<std::pair<std::string, std::string>> out;
    for (const auto& [key, initial] : sim::initialRegisters(model)) {
        if (key == "!V1" || key == "!V2") continue; // no command addresses them
        // The longest family prefix the key starts with ("%P10" before "%P1").
        std::string_view prefix;
        for (const sim::RegisterFamily& f : sim::registerFamilies())
            if (key.starts_with(f.prefix) && f.prefix.size() > prefix.size()) prefix = f.prefix;
        out.emplace_back(key, valueFor(prefix, std::string_view(key).substr(prefix.size())));
    }
    // The forwarding targets: unconditional, on busy, on no reply.
    for (int port : sim::analogPorts(model))
        for (int reg : {20, 21, 22})
            out.emplace_back(forwardingKey(reg, port),
                             "0401" + std::to_string(reg) + std::to_string(port));
    return out;
}

std::string settingCommand(const std::string& key, const std::string& value) {
    // A forwarding target is switched on with its target.
    const bool forwarding = key.starts_with("!P2") && key.size() == 7 && key[4] == '#';
    return "AT" + key + (forwarding ? "*1=" : "=") + value;
}

InterpretedDevice::InterpretedDevice(sim::Model model)
    : state_(sim::freshState(model)),
      interpreter_(state_, [] { return std::int64_t{1000000000}; }) {}

void InterpretedDevice::fill() {
    for (const auto& [key, value] : everySetting(state_.model))
        state_.registers[key] = value;
}

int32_t InterpretedDevice::call(uint16_t code, DRVPARAM* p) {
    if (p == nullptr || state_.bootMode) return -2; // the loader answers no command
    p->nCmd = code;
    r70::CommandText command;
    if (r70::buildCommand(*p, command) != r70::BuildStatus::Built) {
        p->bReply = 0;
        return -2;
    }
    const std::string reply =
        refuseEverything
            ? std::string("\r\nERROR\r\n")
            : interpreter_.handle(std::string_view(command.text, command.length - 1)).text();
    r70::parseReply(reply, 0, *p);
    return 0;
}

} // namespace quorvex::test
