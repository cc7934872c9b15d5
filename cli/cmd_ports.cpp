// quorvex-cli ports: the serial ports of this machine as the device search
// sees them, and with --probe which of them has the device.
#include "cli/subcommand.h"
#include "core/detection.h"
#include "core/environment.h"
#include "driver/api/r70com32.h"
#include "driver/ports/adapter_hold.h"

#include "resources/text_table.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvex::cli {
namespace {

const Usage kPortsUsage{
    "ports", "[--probe]",
    "Lists the serial ports of this machine in the order of the device search: the\n"
    "COM name each has, its stable name under /dev/serial, its node and what a USB\n"
    "adapter says of itself, with its driver and how long it holds the device's\n"
    "bytes back (its latency). A port without a COM name (\"-\") says why: the\n"
    "system console and a login's terminal are left alone, and only eight ports\n"
    "get a name (choose another with --port PATH or in the settings). The port\n"
    "chosen in the settings (or with --port PATH) is marked with \"*\".\n"
    "With --probe every COM name is asked who answers (the identification of the\n"
    "search), and the model that answered is shown, or why nothing did; a USB\n"
    "adapter's latency as the open left it (lowered, or why it could not be).\n"
    "Exit status: 0 ports listed (with --probe: a device answered); 1 no serial\n"
    "port (with --probe: no device answered); 2 a usage error.\n"
    "\n"
    "  --probe           ask every port who answers\n",
    0, 0};

// Who answers on COM<index+1> at path: the search itself (command 0) over a
// map that holds this one port, so it is the driver's own identification (a
// ';' in the path is kept: the variable splits only before a COM name).
// "R70-USB, firmware ..." or the reason nothing answered ("COM3 (...): ...").
bool probe(int index, const std::string& path, int language, std::string* answer) {
    std::string map;
    for (int i = 0; i < core::kComPortCount; ++i)
        map += "COM" + std::to_string(i + 1) + "=" + (i == index ? path : "") + ";";
    core::setEnvironment("R70COM_PORTS", map.c_str());
    const auto identity = core::detect(D_SendDrvCmd, core::FindMode::Find);
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    if (!identity) {
        DRVPORTREASON reason{};
        D_PortReason(index, &reason);
        *answer = core::triedLine(index, reason, language);
    } else {
        std::string model = identity->modelNumber == 30 ? "R30" : "R70";
        if (identity->modelNumber != 30 && identity->usbVariant) model += "-USB";
        *answer = "COM" + std::to_string(index + 1) + " (" + path + "): " + model + ", firmware " +
                  identity->firmwareText;
    }
    // What the open made of the adapter's latency.
    DRVADAPTER adapter{};
    if (D_LineAdapter(&adapter) != DRV_ADAPTER_NONE && adapter.nPortIndex == index)
        *answer += "\n        " + core::adapterText(adapter, language);
    return identity.has_value();
}

} // namespace

int runPorts(Args args) {
    // --probe belongs to this command alone; the rest are the common options.
    bool probeAll = false;
    std::vector<char*> rest;
    for (char* a : args) {
        if (std::string_view(a) == "--probe")
            probeAll = true;
        else
            rest.push_back(a);
    }
    Prepared p = prepare(Args(rest.data(), rest.size()), kPortsUsage);
    if (!p.options) return p.status;
    const int lang = p.options->language;
    core::PortAccess& ports = cliPorts();

    if (const std::string missing = core::missingChoiceText(ports, lang); !missing.empty())
        std::fprintf(stderr, "%s\n", missing.c_str());
    const std::vector<core::PortListing> listing = ports.listPorts();
    // The COM names the map gives paths the machine's list does not have.
    std::vector<int> mapped;
    for (int i = 0; i < core::kComPortCount; ++i) {
        const bool listed =
            std::any_of(listing.begin(), listing.end(),
                        [i](const core::PortListing& l) { return l.comIndex == i; });
        if (!listed && !ports.comPath(i).empty()) mapped.push_back(i);
    }
    const bool none = listing.empty() && mapped.empty();
    if (none) std::printf("%s\n", std::string(text::get(core::kTextNoSerialPort, lang)).c_str());
    for (const core::PortListing& l : listing) {
        const std::string com = l.comIndex >= 0 ? "COM" + std::to_string(l.comIndex + 1) : "-";
        std::printf("%s %-5s %s", l.chosen ? "*" : " ", com.c_str(), l.port.stable().c_str());
        if (l.port.stable() != l.port.node) std::printf(" -> %s", l.port.node.c_str());
        if (const std::string what = r70::describe(l.port); !what.empty())
            std::printf("  (%s)", what.c_str());
        if (const std::string hold = core::adapterText(r70::peekHold(l.port), lang); !hold.empty())
            std::printf("  %s", hold.c_str());
        if (const std::string why = core::omissionText(l, lang); !why.empty())
            std::printf("  %s", why.c_str());
        std::printf("\n");
    }
    // What R70COM_PORTS and --port give the search besides the machine's own
    // ports: a COM name mapped to a path, and a chosen path (--port PATH).
    const std::string chosen = ports.choice();
    bool chosenShown = chosen.empty();
    for (const core::PortListing& l : listing)
        chosenShown = chosenShown || l.port.stable() == chosen || l.port.node == chosen;
    for (int i : mapped) {
        const std::string path = ports.comPath(i);
        const std::string com = "COM" + std::to_string(i + 1);
        std::printf("%s %-5s %s  (%s)\n", path == chosen ? "*" : " ", com.c_str(), path.c_str(),
                    tr(lang, "mapped by R70COM_PORTS or --port COMn=PATH",
                       "zugeordnet durch R70COM_PORTS oder --port COMn=PFAD"));
        chosenShown = chosenShown || path == chosen;
    }
    if (!chosenShown) {
        std::printf("* %-5s %s  (%s)\n", "-", chosen.c_str(),
                    tr(lang, "chosen: tried first", "gewählt: zuerst versucht"));
    }
    if (const std::string more = core::unsearchedText(listing, lang); !more.empty())
        std::printf("%s\n", more.c_str());
    if (!probeAll) return none ? kExitRefused : kExitOk;

    // Every COM name of the search, including those discovery does not know
    // (R70COM_PORTS, a link, a network port). The map is taken before the
    // probes narrow it.
    std::vector<std::string> paths;
    for (int i = 0; i < core::kComPortCount; ++i)
        paths.push_back(ports.comPath(i));
    const char* env = std::getenv("R70COM_PORTS");
    const std::optional<std::string> saved = env ? std::optional<std::string>(env) : std::nullopt;
    bool any = false;
    for (int i = 0; i < core::kComPortCount; ++i) {
        const std::string& path = paths[static_cast<std::size_t>(i)];
        if (path.empty()) continue;
        std::string answer;
        any = probe(i, path, lang, &answer) || any;
        std::printf("%s\n", answer.c_str());
    }
    core::setEnvironment("R70COM_PORTS", saved ? saved->c_str() : nullptr);
    return any ? kExitOk : kExitRefused;
}

} // namespace quorvex::cli
