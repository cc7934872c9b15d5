#include "app/config_app.h"

#include "maintenance/detection.h"

namespace quorvex::app {

CConfigApp::CConfigApp(DriverFn driver, ProfileStore& profiles, Clock& clock)
    : driver_(std::move(driver)), profiles_(profiles), clock_(clock) {}

int32_t CConfigApp::SendDrvCmd(uint16_t code, DRVPARAM* p) {
    if (!connected) return -2;
    return callDriver(code, p);
}

int32_t CConfigApp::callDriver(uint16_t code, DRVPARAM* p) {
    if (!driver_) return -2;
    return driver_(code, p);
}

void CConfigApp::applyIdentity(const maintenance::Identity& id) {
    identified = id.identified;
    modelNumber = id.modelNumber;
    portIndex = id.portIndex;
    usbVariant = id.usbVariant;
    deviceName = id.deviceName;
    firmwareText = id.firmwareText;
    bootCodeText = id.bootCodeText;
    portCount = maintenance::portCountFor(modelNumber);
}

void CConfigApp::resetIdentity() {
    applyIdentity(maintenance::Identity{});
}

} // namespace quorvex::app
