#include "app/device_cache.h"

#include "app/config_app.h"
#include "app/page_items.h"

#include <cstdio>

namespace quorvex::app {
namespace {

// One MSN query; empty when it fails.
std::string queryMsn(CConfigApp& app, int port, int index) {
    DRVPARAM record = makeRecord(port, index, kOpQuery);
    int32_t r = app.SendDrvCmd(DRV_MSN, &record);
    return queryDone(r, record) ? fieldText(record.szText) : std::string();
}

bool queryClip(CConfigApp& app, int port) {
    DRVPARAM record = makeRecord(port, 0, kOpQuery);
    int32_t r = app.SendDrvCmd(DRV_CLIP, &record);
    return queryDone(r, record) && record.bFlag != 0;
}

void readPort(CConfigApp& app, PortState& state, int port, int msnCount) {
    for (int i = 0; i < msnCount; ++i) {
        state.msn[static_cast<std::size_t>(i)] = queryMsn(app, port, i);
        if (i == 0) state.clip = queryClip(app, port);
    }
    for (int i = msnCount; i < kDataMsnCount; ++i)
        state.msn[static_cast<std::size_t>(i)].clear();
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

void readPortNames(CConfigApp& app) {
    ProfileStore& store = app.profiles();
    for (int p = 0; p < kMaxAnalogPorts; ++p) {
        char key[16];
        std::snprintf(key, sizeof key, "ALIAS%d", p);
        std::string name = store.readString(kDefaultProfile, "MSN_DIV", key, "");
        app.cache.analog[static_cast<std::size_t>(p)].name =
            name.empty() ? defaultPortName(p) : name;
    }
    std::string name = store.readString(kDefaultProfile, "MSN_DIV", "ALIASD", "");
    app.cache.data.name = name.empty() ? std::string(kDefaultDataPortName) : name;
}

} // namespace quorvex::app
