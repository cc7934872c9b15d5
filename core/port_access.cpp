#include "core/port_access.h"

#include "driver/api/r70com32.h"
#include "driver/ports/port_reason.h"
#include "resources/text_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <system_error>
#include <utility>

namespace quorvex::core {
namespace {

// A stable name under /dev/serial/by-id runs past the 49 characters of a
// profile read.
constexpr std::size_t kChoiceBuffer = 4096;

// The program's text of each of the driver's sentences (English ids; the
// English is the driver's own).
// clang-format off
constexpr std::pair<r70::ReasonText, int> kReasonTexts[] = {
    {r70::ReasonText::NoPort, 9960},     {r70::ReasonText::NoPortEnv, 9962},
    {r70::ReasonText::NoDevice, 9964},   {r70::ReasonText::TooLong, 9966},
    {r70::ReasonText::Group, 9968},      {r70::ReasonText::Owner, 9970},
    {r70::ReasonText::Terminal, 9972},   {r70::ReasonText::Holder, 9974},
    {r70::ReasonText::HolderUnknown, 9976}, {r70::ReasonText::LockFile, 9978},
    {r70::ReasonText::Console, 9980},    {r70::ReasonText::Login, 9982},
    {r70::ReasonText::Discipline, 9984}, {r70::ReasonText::NotTty, 9986},
    {r70::ReasonText::Settings, 9988},   {r70::ReasonText::Speed, 9990},
    {r70::ReasonText::NoAnswer, 9992},   {r70::ReasonText::Open, 9994},
    {r70::ReasonText::Other, 9996},      {r70::ReasonText::OpenBy, 10004},
    {r70::ReasonText::Connecting, 10006},
};
// clang-format on

std::string filled(int id, int language, const std::vector<std::string>& args) {
    return r70::fillText(text::get(id, language), args);
}

bool environmentMap() {
    const char* env = std::getenv("R70COM_PORTS");
    return env != nullptr && env[0] != '\0';
}

} // namespace

std::string PortAccess::choice() const {
    if (runChoice_) return *runChoice_;
    return profile::readString(winIni_, kPortChoiceSection, kPortChoiceKey, "", kChoiceBuffer);
}

profile::WriteResult PortAccess::choose(const std::string& path) {
    runChoice_.reset();
    if (driver_.choosePort != nullptr) driver_.choosePort(path.c_str());
    return profile::writeString(winIni_, kPortChoiceSection, kPortChoiceKey, path);
}

void PortAccess::applyChoice() {
    if (driver_.choosePort != nullptr) driver_.choosePort(choice().c_str());
}

void PortAccess::useForThisRun(const std::string& path) {
    runChoice_ = path;
    applyChoice();
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
    // The names a search would give now; with R70COM_PORTS, the driver's map.
    const r70::ComMap map = r70::buildComMap(chosen, machine);
    const bool fromEnvironment = environmentMap();
    std::vector<PortListing> out;
    for (const r70::SerialPortInfo& port : machine.ports) {
        PortListing listing{port, -1, &port == chosenPort, Omission::Unnamed};
        for (int i = 0; i < r70::kMapSize && listing.comIndex < 0; ++i) {
            const bool same = fromEnvironment
                                  ? r70::findPort(machine, comPath(i)) == &port
                                  : map.entries[static_cast<std::size_t>(i)].port == &port;
            if (same) listing.comIndex = i;
        }
        if (listing.comIndex >= 0)
            listing.omitted = Omission::None;
        else if (port.leftOut == r70::LeftOut::Console)
            listing.omitted = Omission::Console;
        else if (port.leftOut == r70::LeftOut::Login)
            listing.omitted = Omission::Login;
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
    if (driver_.portReason == nullptr) return out;
    for (int i = 0; i < r70::kMapSize; ++i) {
        if (comPath(i).empty()) continue;
        TriedPort t;
        t.comIndex = i;
        if (driver_.portReason(i, &t.reason) != DRV_OPENERR_NONE) out.push_back(t);
    }
    return out;
}

DRVPORTREASON PortAccess::reason(int index) const {
    DRVPORTREASON r{};
    if (driver_.portReason != nullptr) driver_.portReason(index, &r);
    return r;
}

void PortAccess::noteBootProbe(int index) {
    TriedPort t;
    t.comIndex = index;
    if (driver_.portReason == nullptr) return;
    // Not there at all, opened and probed, or silent: nothing was left alone.
    switch (driver_.portReason(index, &t.reason)) {
    case DRV_OPENERR_LEFTALONE:
    case DRV_OPENERR_BUSY:
    case DRV_OPENERR_DENIED:
        probeLeftAlone_.push_back(t);
        break;
    default:
        break;
    }
}

std::string reasonText(const DRVPORTREASON& reason, int language) {
    const r70::ReasonWords words = r70::reasonWords(reason);
    int id = 9996;
    for (const auto& [sentence, text] : kReasonTexts)
        if (sentence == words.text) id = text;
    return filled(id, language, words.args);
}

std::string triedLine(int comIndex, const DRVPORTREASON& reason, int language) {
    const std::string path(reason.szPath, strnlen(reason.szPath, sizeof reason.szPath));
    const std::string com = "COM" + std::to_string(comIndex + 1);
    return (path.empty() ? com : com + " (" + path + ")") + ": " + reasonText(reason, language);
}

std::string omissionText(const PortListing& listing, int language) {
    DRVPORTREASON reason{};
    switch (listing.omitted) {
    case Omission::None:
        return {};
    case Omission::Unnamed:
        return std::string(text::get(kTextUnnamedPort, language));
    case Omission::Console:
        reason.nWhy = DRV_WHY_CONSOLE;
        break;
    case Omission::Login:
        reason.nWhy = DRV_WHY_LOGIN;
        reason.nPid = listing.port.holderPid;
        std::snprintf(reason.szName, sizeof reason.szName, "%s", listing.port.holderName.c_str());
        break;
    }
    reason.nCode = DRV_OPENERR_LEFTALONE;
    return reasonText(reason, language);
}

std::string missingChoiceText(const PortAccess& ports, int language) {
    if (!ports.choiceMissing()) return {};
    return filled(kTextChoiceMissing, language, {ports.choice()});
}

std::string unsearchedText(const std::vector<PortListing>& listing, int language) {
    const auto count = std::count_if(listing.begin(), listing.end(), [](const PortListing& l) {
        return l.omitted == Omission::Unnamed;
    });
    if (count == 0 || environmentMap()) return {};
    return filled(kTextUnsearched, language, {std::to_string(count)});
}

std::vector<std::string> triedPortLines(const PortAccess& ports, int language) {
    std::vector<std::string> lines;
    if (std::string missing = missingChoiceText(ports, language); !missing.empty())
        lines.push_back(std::move(missing));
    const std::vector<TriedPort> tried = ports.triedPorts();
    for (const TriedPort& t : tried)
        lines.push_back(triedLine(t.comIndex, t.reason, language));
    if (tried.empty()) lines.emplace_back(text::get(kTextNoSerialPort, language));
    if (std::string more = unsearchedText(ports.listPorts(), language); !more.empty())
        lines.push_back(std::move(more));
    if (!ports.bootProbeLeftAlone().empty()) {
        lines.emplace_back(text::get(kTextProbeLeftAlone, language));
        for (const TriedPort& t : ports.bootProbeLeftAlone())
            lines.push_back(triedLine(t.comIndex, t.reason, language));
    }
    return lines;
}

} // namespace quorvex::core

namespace quorvex::core {

std::string latencyText(const DRVADAPTER& adapter, int language) {
    const std::string ms = std::to_string(adapter.nLatencyMs);
    std::string out;
    switch (adapter.nState) {
    case DRV_ADAPTER_NONE:
        return {};
    case DRV_ADAPTER_UNKNOWN:
        out = std::string(text::get(10618, language));
        break;
    case DRV_ADAPTER_LOWERED:
        out = filled(10614, language, {ms, std::to_string(adapter.nBeforeMs)});
        break;
    case DRV_ADAPTER_STUCK:
        out = filled(10616, language, {ms});
        break;
    default:
        out = filled(10612, language, {ms});
        break;
    }
    // What was asked and refused stays in the system's words.
    if (adapter.szDetail[0] != '\0') out += std::string(": ") + adapter.szDetail;
    if (adapter.nAllowMs > 0)
        out += "; " + filled(10620, language, {std::to_string(adapter.nAllowMs)});
    return out;
}

std::string adapterText(const DRVADAPTER& adapter, int language) {
    if (adapter.nState == DRV_ADAPTER_NONE) return {};
    const std::string driver = adapter.szDriver[0] != '\0' ? adapter.szDriver : "USB";
    return filled(10610, language, {driver}) + ", " + latencyText(adapter, language);
}

} // namespace quorvex::core
