#include "core/port_access.h"

#include "driver/r70com32.h"
#include "resources/text_table.h"

#include <algorithm>
#include <cstdio>
#include <system_error>

namespace quorvex::core {
namespace {

// A stable name under /dev/serial/by-id runs past the 49 characters of a
// profile read.
constexpr std::size_t kChoiceBuffer = 4096;

} // namespace

std::string PortAccess::choice() const {
    return profile::readString(winIni_, kPortChoiceSection, kPortChoiceKey, "", kChoiceBuffer);
}

profile::WriteResult PortAccess::choose(const std::string& path) {
    if (driver_.choosePort != nullptr) driver_.choosePort(path.c_str());
    return profile::writeString(winIni_, kPortChoiceSection, kPortChoiceKey, path);
}

void PortAccess::applyChoice() {
    if (driver_.choosePort != nullptr) driver_.choosePort(choice().c_str());
}

std::string PortAccess::comPath(int index) const {
    if (driver_.portPath == nullptr) return {};
    char path[kChoiceBuffer] = {};
    return driver_.portPath(index, path, static_cast<int32_t>(sizeof path)) < 0 ? std::string()
                                                                                : path;
}

std::string PortAccess::comName(int index) const {
    char name[16];
    std::snprintf(name, sizeof name, "COM%d", index + 1);
    const std::string path = comPath(index);
    return path.empty() ? name : std::string(name) + " (" + path + ")";
}

std::string PortAccess::comNode(int index) const {
    const std::string path = comPath(index);
    if (path.empty()) return {};
    std::error_code ec;
    const auto node = std::filesystem::canonical(path, ec);
    return ec ? path : node.string();
}

std::vector<PortListing> PortAccess::listPorts() const {
    const r70::Discovery machine = r70::discoverHere();
    const std::string chosen = choice();
    const r70::SerialPortInfo* chosenPort = r70::findPort(machine, chosen);
    std::vector<std::string> paths;
    for (int i = 0; i < r70::kMapSize; ++i)
        paths.push_back(comPath(i));
    std::vector<PortListing> out;
    for (const r70::SerialPortInfo& port : machine.ports) {
        PortListing listing{port, -1, &port == chosenPort};
        for (int i = 0; i < r70::kMapSize && listing.comIndex < 0; ++i) {
            const std::string& p = paths[static_cast<std::size_t>(i)];
            if (!p.empty() && r70::findPort(machine, p) == &port) listing.comIndex = i;
        }
        out.push_back(std::move(listing));
    }
    // In the order of the search; ports without a COM name last.
    std::stable_sort(out.begin(), out.end(), [](const PortListing& a, const PortListing& b) {
        return static_cast<unsigned>(a.comIndex) < static_cast<unsigned>(b.comIndex);
    });
    return out;
}

bool PortAccess::choiceMissing() const {
    const std::string chosen = choice();
    return !chosen.empty() && r70::buildComMap(chosen, r70::discoverHere()).chosenMissing;
}

std::vector<TriedPort> PortAccess::triedPorts() const {
    std::vector<TriedPort> out;
    if (driver_.lastOpenError == nullptr) return out;
    for (int i = 0; i < r70::kMapSize; ++i) {
        if (comPath(i).empty()) continue;
        char text[512] = {};
        TriedPort t;
        t.comIndex = i;
        t.code = driver_.lastOpenError(i, text, static_cast<int32_t>(sizeof text));
        t.reason = text;
        if (t.code != DRV_OPENERR_NONE) out.push_back(std::move(t));
    }
    return out;
}

std::string missingChoiceText(const PortAccess& ports, int language) {
    if (!ports.choiceMissing()) return {};
    std::string text(text::get(kTextChoiceMissing, language));
    if (const std::size_t at = text.find("%s"); at != std::string::npos)
        text.replace(at, 2, ports.choice());
    return text;
}

std::vector<std::string> triedPortLines(const PortAccess& ports, int language) {
    std::vector<std::string> lines;
    if (std::string missing = missingChoiceText(ports, language); !missing.empty())
        lines.push_back(std::move(missing));
    const std::vector<TriedPort> tried = ports.triedPorts();
    for (const TriedPort& t : tried)
        lines.push_back(t.reason);
    if (tried.empty()) lines.emplace_back(text::get(kTextNoSerialPort, language));
    return lines;
}

} // namespace quorvex::core
