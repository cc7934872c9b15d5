#include "core/port_access.h"

#include "driver/r70com32.h"
#include "resources/text_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <system_error>

namespace quorvex::core {
namespace {

// A stable name under /dev/serial/by-id runs past the 49 characters of a
// profile read.
constexpr std::size_t kChoiceBuffer = 4096;

// Texts of the reasons, by the driver's DRV_WHY_ (English ids).
struct WhyText {
    int why;
    int text;
};
// clang-format off
constexpr WhyText kWhyTexts[] = {
    {DRV_WHY_NOPORT, 9960},     {DRV_WHY_NOPORT_ENV, 9962}, {DRV_WHY_NODEVICE, 9964},
    {DRV_WHY_TOOLONG, 9966},    {DRV_WHY_GROUP, 9968},      {DRV_WHY_OWNER, 9970},
    {DRV_WHY_TERMINAL, 9972},   {DRV_WHY_LOCKFILE, 9978},   {DRV_WHY_CONSOLE, 9980},
    {DRV_WHY_LOGIN, 9982},      {DRV_WHY_DISCIPLINE, 9984}, {DRV_WHY_NOTTTY, 9986},
    {DRV_WHY_SETTINGS, 9988},   {DRV_WHY_SPEED, 9990},
};
// clang-format on
constexpr int kTextHolder = 9974;
constexpr int kTextHolderUnknown = 9976;
constexpr int kTextNoAnswer = 9992;
constexpr int kTextOpen = 9994;
constexpr int kTextOtherError = 9996;

// The text of id with each "%s" replaced by the next argument.
std::string filled(int id, int language, std::initializer_list<std::string> args) {
    std::string text(text::get(id, language));
    std::size_t at = 0;
    for (const std::string& arg : args) {
        at = text.find("%s", at);
        if (at == std::string::npos) break;
        text.replace(at, 2, arg);
        at += arg.size();
    }
    return text;
}

std::string field(const char* text, std::size_t size) {
    return std::string(text, strnlen(text, size));
}

std::string mode(int32_t bits) {
    char text[8];
    std::snprintf(text, sizeof text, "%04o", static_cast<unsigned>(bits) & 07777u);
    return text;
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

std::string reasonText(const DRVPORTREASON& r, int language) {
    const std::string name = field(r.szName, sizeof r.szName);
    const std::string owner = field(r.szOwner, sizeof r.szOwner);
    const std::string detail = field(r.szDetail, sizeof r.szDetail);
    const std::string pid = std::to_string(r.nPid);
    const std::string number = std::to_string(r.nNumber);
    int id = kTextOtherError;
    for (const WhyText& w : kWhyTexts)
        if (w.why == r.nWhy) id = w.text;
    switch (r.nWhy) {
    case DRV_WHY_HOLDER:
        return r.nPid > 0 ? filled(kTextHolder, language, {pid, name})
                          : filled(kTextHolderUnknown, language, {});
    case DRV_WHY_GROUP:
        return filled(id, language, {name, name});
    case DRV_WHY_OWNER:
        return filled(id, language, {owner, name, mode(r.nNumber)});
    case DRV_WHY_LOCKFILE:
        return filled(id, language, {pid, name, detail});
    case DRV_WHY_LOGIN:
        return filled(id, language, {pid, name});
    case DRV_WHY_NONE:
        if (r.nCode == DRV_OPENERR_NOANSWER) return filled(kTextNoAnswer, language, {});
        if (r.nCode == DRV_OPENERR_NONE) return filled(kTextOpen, language, {});
        return filled(kTextOtherError, language, {detail});
    default: // the rest say at most a number: the longest path, the line discipline
        return filled(id, language, {id == kTextOtherError ? detail : number});
    }
}

std::string triedLine(int comIndex, const DRVPORTREASON& reason, int language) {
    const std::string path = field(reason.szPath, sizeof reason.szPath);
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
    return lines;
}

} // namespace quorvex::core
