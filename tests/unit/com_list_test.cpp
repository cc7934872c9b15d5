// A Windows machine's COM ports as data: names, and what the system's device
// list says of the adapter behind each (instance ids as Windows shows them in
// the device manager).
#include "driver/ports/com_list.h"

#include <gtest/gtest.h>

namespace {

TEST(WinComList, NamesAndTheirSystemPath) {
    struct Case {
        const char* given;
        int number;
        const char* path;
    };
    const Case cases[] = {
        {"COM3", 3, "\\\\.\\COM3"},
        {"com12", 12, "\\\\.\\COM12"},
        {"\\\\.\\COM255", 255, "\\\\.\\COM255"},
        {"COM0", 0, ""},
        {"COM256", 0, ""},
        {"COM", 0, ""},
        {"COM3x", 0, ""},
        {"/dev/ttyUSB0", 0, ""},
        {"LPT1", 0, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(r70::comNumber(c.given), c.number) << c.given;
        EXPECT_EQ(r70::comPath(c.given), c.path) << c.given;
    }
}

TEST(WinComList, WhatTheDeviceListSaysOfAnAdapter) {
    struct Case {
        const char* instanceId;
        r70::PortKind kind;
        const char* vendor;
        const char* product;
        const char* serial;
    };
    const Case cases[] = {
        {"USB\\VID_0403&PID_6001\\A1B2C3D4", r70::PortKind::Usb, "0403", "6001", "A1B2C3D4"},
        // No serial number: Windows makes one up with "&" in it.
        {"USB\\VID_067B&PID_2303\\5&1A2B3C4D&0&2", r70::PortKind::Usb, "067b", "2303", ""},
        // FTDI's own driver adds a letter for the channel.
        {"FTDIBUS\\VID_0403+PID_6001+A1B2C3D4A\\0000", r70::PortKind::Usb, "0403", "6001",
         "A1B2C3D4"},
        {"ACPI\\PNP0501\\1", r70::PortKind::Builtin, "", "", ""},
        {"", r70::PortKind::Builtin, "", "", ""}, // not in the device list (Wine)
    };
    for (const Case& c : cases) {
        const r70::SerialPortInfo port =
            r70::comPortInfo("COM5", {c.instanceId, "FTDI", "USB Serial Port"});
        EXPECT_EQ(port.name, "COM5");
        EXPECT_EQ(port.stable(), "\\\\.\\COM5") << "the system keeps a COM name per adapter";
        EXPECT_EQ(port.kind, c.kind) << c.instanceId;
        EXPECT_EQ(port.vendorId, c.vendor) << c.instanceId;
        EXPECT_EQ(port.productId, c.product) << c.instanceId;
        EXPECT_EQ(port.serial, c.serial) << c.instanceId;
    }
    const auto usb =
        r70::comPortInfo("COM5", {"USB\\VID_0403&PID_6001\\A1B2C3D4", "FTDI", "USB Serial Port"});
    EXPECT_EQ(r70::describe(usb), "FTDI USB Serial Port, 0403:6001, serial A1B2C3D4");
}

TEST(WinComList, UsbAdaptersFirstThenByNumber) {
    std::vector<r70::SerialPortInfo> ports;
    for (const char* name : {"COM12", "COM2", "COM10", "COM1"})
        ports.push_back(r70::comPortInfo(name, {}));
    ports.push_back(r70::comPortInfo("COM9", {"USB\\VID_0403&PID_6001\\X", "", ""}));
    ports.push_back(r70::comPortInfo("COM4", {"USB\\VID_0403&PID_6001\\Y", "", ""}));
    r70::sortComPorts(ports);
    std::vector<std::string> order;
    for (const auto& p : ports)
        order.push_back(p.name);
    EXPECT_EQ(order, (std::vector<std::string>{"COM4", "COM9", "COM1", "COM2", "COM10", "COM12"}));
}

} // namespace
