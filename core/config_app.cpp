#include "core/config_app.h"

#include "core/detection.h"

namespace quorvex::core {

CConfigApp::CConfigApp(DriverFn driver, ProfileStore& profiles, Clock& clock, DriverFn direct)
    : driver_(std::move(driver)), direct_(std::move(direct)), profiles_(&profiles), clock_(clock) {}

int32_t CConfigApp::SendDrvCmd(uint16_t code, DRVPARAM* p) {
    const int32_t result = connected && driver_ && !silenceMet_ ? driver_(code, p) : -2;
    if (stopAtSilence_ && result < 0) silenceMet_ = true;
    if (result != 0 && p != nullptr && (p->nOp == 1 || p->nOp == 2 || p->nOp == 4))
        ++unansweredChanges_;
    return result;
}

int32_t CConfigApp::callDriver(uint16_t code, DRVPARAM* p) {
    const DriverFn& driver = direct_ ? direct_ : driver_;
    if (!driver) return -2;
    return driver(code, p);
}

void CConfigApp::applyIdentity(const Identity& id) {
    identified = id.identified;
    modelNumber = id.modelNumber;
    portIndex = id.portIndex;
    usbVariant = id.usbVariant;
    deviceName = id.deviceName;
    firmwareText = id.firmwareText;
    bootCodeText = id.bootCodeText;
    portCount = portCountFor(modelNumber);
}

void CConfigApp::resetIdentity() {
    applyIdentity(Identity{});
}

bool detectDevice(CConfigApp& app, FindMode mode) {
    std::optional<Identity> id = detect(app.directDriver(), mode);
    if (!id) {
        app.resetIdentity();
        return false;
    }
    app.connected = true;
    app.applyIdentity(*id);
    app.pageModel = app.modelNumber;
    if (app.ports != nullptr) app.portNode = app.ports->comNode(app.portIndex);
    return true;
}

} // namespace quorvex::core
