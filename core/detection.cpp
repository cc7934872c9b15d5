#include "core/detection.h"

#include "core/port_access.h"

#include <cstdio>
#include <cstring>

namespace quorvex::core {
namespace {

std::string boundedText(const char* text, std::size_t max) {
    return std::string(text, strnlen(text, max));
}

} // namespace

int portCountFor(int modelNumber) {
    return modelNumber == 30 ? 3 : 5;
}

std::string deviceNameFor(int modelNumber, bool usb) {
    if (modelNumber < 30) return kUnknownName;
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, usb ? "OrvaISDN R%d-USB" : "OrvaISDN R%d", modelNumber);
    return buffer;
}

std::string infoModelName(int modelNumber, bool usb) {
    if (modelNumber == 30) return "OrvaISDN R30  QKM-613S";
    if (modelNumber == 70) return usb ? "OrvaISDN R70-USB QKM-633S-USB" : "OrvaISDN R70 QKM-633S";
    return kUnknownName;
}

std::string upgradeHeader(const Identity& id) {
    std::string text;
    if (!id.identified || id.modelNumber < 30) {
        text = "Upgrade Version: OrvaISDN R??:  ";
    } else if (id.modelNumber == 70 && id.usbVariant) {
        text = "Upgrade Version: OrvaISDN R70-USB:  ";
    } else {
        char buffer[48];
        std::snprintf(buffer, sizeof buffer, "Upgrade Version: OrvaISDN R%d:  ", id.modelNumber);
        text = buffer;
    }
    return text + id.firmwareText + "  BOOT CODE " + id.bootCodeText;
}

Identity identityFromRecord(const DRVPARAM& record) {
    Identity id;
    id.identified = true;
    id.portIndex = record.nPort;
    id.modelNumber = record.nIndex;
    id.usbVariant = drv_usb_flag(&record) != 0;
    id.deviceName = deviceNameFor(id.modelNumber, id.usbVariant);
    id.firmwareText = boundedText(record.szCmd, sizeof record.szCmd);
    id.bootCodeText = boundedText(drv_boot_code_text(&record), kBootCodeTextMax);
    return id;
}

Identity readIdentity(const DriverFn& driver) {
    DRVPARAM record{};
    driver(DRV_IDENT, &record);
    return identityFromRecord(record);
}

std::optional<Identity> detect(const DriverFn& driver, FindMode mode) {
    uint16_t code = mode == FindMode::Find ? DRV_FINDPORT : DRV_REOPEN;
    if (driver(code, nullptr) != 0) return std::nullopt;
    return readIdentity(driver);
}

BootProbeResult probeBootLoaders(const DriverFn& driver, PortAccess* ports) {
    BootProbeResult result;
    if (ports != nullptr) ports->startBootProbe();
    for (int i = 0; i < kComPortCount; ++i) {
        DRVPARAM record{};
        record.nPort = i;
        int32_t r = driver(DRV_BOOTPROBE, &record);
        if (r == 2) {
            result.bootLoaderFound = true;
            result.portIndex = i;
            return result;
        }
        if (r != 1) return result; // neither answer: stop, as the loop only goes on after a 1
        if (ports != nullptr) ports->noteBootProbe(i);
        driver(DRV_CLOSE, nullptr);
    }
    result.allPortsAnsweredNone = true;
    return result;
}

} // namespace quorvex::core
