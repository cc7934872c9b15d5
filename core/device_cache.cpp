#include "core/device_cache.h"

#include "core/config_app.h"
#include "core/page_items.h"
#include "profile/setting_table.h"

#include <cstdio>

namespace quorvex::core {
namespace {

// One MSN query; empty when it fails. Returns whether the device answered.
bool queryMsn(CConfigApp& app, int port, int index, std::string& msn) {
    DRVPARAM record = makeRecord(port, index, kOpQuery);
    const bool ok = queryDone(app.SendDrvCmd(DRV_MSN, &record), record);
    msn = ok ? fieldText(record.szText) : std::string();
    return ok;
}

bool queryClip(CConfigApp& app, int port, bool& clip) {
    DRVPARAM record = makeRecord(port, 0, kOpQuery);
    const bool ok = queryDone(app.SendDrvCmd(DRV_CLIP, &record), record);
    clip = ok && record.bFlag != 0;
    return ok;
}

void readPort(CConfigApp& app, PortState& state, int port, int msnCount) {
    for (int i = 0; i < msnCount; ++i) {
        const auto at = static_cast<std::size_t>(i);
        state.msnKnown[at] = queryMsn(app, port, i, state.msn[at]);
        if (i == 0) state.clipKnown = queryClip(app, port, state.clip);
    }
    for (int i = msnCount; i < kDataMsnCount; ++i) {
        state.msn[static_cast<std::size_t>(i)].clear();
        state.msnKnown[static_cast<std::size_t>(i)] = false;
    }
}

} // namespace

std::string defaultPortName(int p) {
    if (p < 0 || p >= kMaxAnalogPorts) return std::string();
    return "\"" + std::to_string(kAnalogPortNumbers[static_cast<std::size_t>(p)]) + "\"";
}

PortNames DeviceCache::portNames() const {
    PortNames names;
    for (std::size_t p = 0; p < names.size(); ++p)
        names[p] = analog[p].name;
    return names;
}

void readMsnTable(CConfigApp& app) {
    readPort(app, app.cache.data, kDataPortNumber, kDataMsnCount);
    for (int p = 0; p < app.portCount && p < kMaxAnalogPorts; ++p) {
        readPort(app, app.cache.analog[static_cast<std::size_t>(p)],
                 kAnalogPortNumbers[static_cast<std::size_t>(p)], kAnalogMsnCount);
    }
}

void DeviceCache::forget() {
    auto drop = [](PortState& state) {
        state.msnKnown.fill(false);
        state.clipKnown = false;
    };
    for (PortState& state : analog)
        drop(state);
    drop(data);
}

bool allKnown(const DeviceCache& cache, int portCount) {
    auto portKnown = [](const PortState& state, int msnCount) {
        for (int i = 0; i < msnCount; ++i) {
            if (!state.msnKnown[static_cast<std::size_t>(i)]) return false;
        }
        return state.clipKnown;
    };
    if (!portKnown(cache.data, kDataMsnCount)) return false;
    for (int p = 0; p < portCount && p < kMaxAnalogPorts; ++p) {
        if (!portKnown(cache.analog[static_cast<std::size_t>(p)], kAnalogMsnCount)) return false;
    }
    return true;
}

void readPortNames(CConfigApp& app) {
    ProfileStore& store = app.profiles();
    for (int p = 0; p < kMaxAnalogPorts; ++p) {
        char key[16];
        std::snprintf(key, sizeof key, "ALIAS%d", p);
        std::string name =
            store.readString(kDefaultProfile, profile::sectionName(profile::Section::Msn), key, "");
        app.cache.analog[static_cast<std::size_t>(p)].name =
            name.empty() ? defaultPortName(p) : name;
    }
    std::string name = store.readString(kDefaultProfile,
                                        profile::sectionName(profile::Section::Msn), "ALIASD", "");
    app.cache.data.name = name.empty() ? std::string(kDefaultDataPortName) : name;
}

} // namespace quorvex::core
