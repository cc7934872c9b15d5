#include "app/config_app.h"

#include "maintenance/detection.h"

namespace quorvex::app {

CConfigApp::CConfigApp(DriverFn driver, ProfileStore& profiles, Clock& clock, DriverFn direct)
    : driver_(std::move(driver)), direct_(std::move(direct)), profiles_(profiles), clock_(clock) {}

int32_t CConfigApp::SendDrvCmd(uint16_t code, DRVPARAM* p) {
    if (!connected || !driver_) return -2;
    return driver_(code, p);
}

int32_t CConfigApp::callDriver(uint16_t code, DRVPARAM* p) {
    const DriverFn& driver = direct_ ? direct_ : driver_;
    if (!driver) return -2;
    return driver(code, p);
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
