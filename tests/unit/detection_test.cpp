#include "core/detection.h"

#include "app/startup.h"
#include "core/config_app.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using namespace quorvex;
using test::Answer;
using test::FakeDriver;

struct ModelCase {
    int model;
    bool usb;
    const char* deviceName;
    const char* infoName;
    const char* header; // with firmware "1.2.3" and boot code "B7"
    int ports;
};

class ModelNames : public ::testing::TestWithParam<ModelCase> {};

TEST_P(ModelNames, AllThreeTables) {
    const ModelCase& c = GetParam();
    core::Identity id;
    id.identified = c.model != 0;
    id.modelNumber = c.model;
    id.usbVariant = c.usb;
    id.firmwareText = "1.2.3";
    id.bootCodeText = "B7";
    EXPECT_EQ(core::deviceNameFor(c.model, c.usb), c.deviceName);
    EXPECT_EQ(core::infoModelName(c.model, c.usb), c.infoName);
    EXPECT_EQ(core::upgradeHeader(id), c.header);
    EXPECT_EQ(core::portCountFor(c.model), c.ports);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ModelNames,
    ::testing::Values(ModelCase{30, false, "OrvaISDN R30", "OrvaISDN R30  QKM-613S",
                                "Upgrade Version: OrvaISDN R30:  1.2.3  BOOT CODE B7", 3},
                      ModelCase{70, false, "OrvaISDN R70", "OrvaISDN R70 QKM-633S",
                                "Upgrade Version: OrvaISDN R70:  1.2.3  BOOT CODE B7", 5},
                      ModelCase{70, true, "OrvaISDN R70-USB", "OrvaISDN R70-USB QKM-633S-USB",
                                "Upgrade Version: OrvaISDN R70-USB:  1.2.3  BOOT CODE B7", 5},
                      ModelCase{0, false, "????", "????",
                                "Upgrade Version: OrvaISDN R??:  1.2.3  BOOT CODE B7", 5}));

struct DetectionFixture : ::testing::Test, test::AppFixture {};

TEST_F(DetectionFixture, R70UsbIsIdentified) {
    drv.on({DRV_FINDPORT}, Answer::ok());
    drv.on({DRV_IDENT}, Answer::identity(2, 70, true, "V2.10", "BC 1.05"));
    ASSERT_TRUE(core::detectDevice(app));
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_FINDPORT, DRV_IDENT}));
    EXPECT_TRUE(app.identified);
    EXPECT_TRUE(app.connected);
    EXPECT_EQ(app.modelNumber, 70);
    EXPECT_TRUE(app.usbVariant);
    EXPECT_EQ(app.portIndex, 2);
    EXPECT_EQ(app.portCount, 5);
    EXPECT_EQ(app.pageModel, 70);
    EXPECT_EQ(app.deviceName, "OrvaISDN R70-USB");
    EXPECT_EQ(app.firmwareText, "V2.10");
    EXPECT_EQ(app.bootCodeText, "BC 1.05");
}

TEST_F(DetectionFixture, R30AndSerialR70) {
    drv.on({DRV_FINDPORT}, Answer::ok());
    drv.on({DRV_IDENT}, Answer::identity(0, 30, false, "V1", "B1"));
    ASSERT_TRUE(core::detectDevice(app));
    EXPECT_EQ(app.portCount, 3);
    EXPECT_EQ(app.deviceName, "OrvaISDN R30");

    drv.on({DRV_IDENT}, Answer::identity(3, 70, false, "V2", "B2"));
    ASSERT_TRUE(core::detectDevice(app));
    EXPECT_EQ(app.portCount, 5);
    EXPECT_FALSE(app.usbVariant);
    EXPECT_EQ(app.deviceName, "OrvaISDN R70");
}

TEST_F(DetectionFixture, FailedFindResetsEverything) {
    drv.on({DRV_FINDPORT}, Answer::ok(), 1);
    drv.on({DRV_IDENT}, Answer::identity(2, 70, true, "V2.10", "BC"));
    ASSERT_TRUE(core::detectDevice(app));
    // Later the device is gone (reopen after an upgrade fails).
    EXPECT_FALSE(core::detectDevice(app, core::FindMode::Reopen));
    EXPECT_EQ(drv.codes().back(), DRV_REOPEN);
    EXPECT_FALSE(app.identified);
    EXPECT_EQ(app.modelNumber, 0);
    EXPECT_EQ(app.portIndex, -1);
    EXPECT_EQ(app.deviceName, "????");
    EXPECT_EQ(app.firmwareText, "?.?.?");
    EXPECT_EQ(app.bootCodeText, "?.?.?");
}

TEST(Identity, BootCodeTextIsBoundedTo36Bytes) {
    DRVPARAM r{};
    r.nIndex = 70;
    std::memset(r.szCmd, 'F', sizeof r.szCmd); // no NUL anywhere in the firmware field
    std::memset(reinterpret_cast<char*>(&r) + offsetof(DRVPARAM, nValue), 'B', 36 + 32);
    core::Identity id = core::identityFromRecord(r);
    EXPECT_EQ(id.firmwareText, std::string(52, 'F'));
    EXPECT_EQ(id.bootCodeText, std::string(36, 'B'));
}

TEST(BootProbe, StopsAtTheBootLoaderAndClosesEachEmptyPort) {
    FakeDriver drv;
    drv.on({DRV_BOOTPROBE, 1}, Answer::returns(2));
    core::BootProbeResult r = core::probeBootLoaders(drv.fn());
    EXPECT_TRUE(r.bootLoaderFound);
    EXPECT_EQ(r.portIndex, 1);
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_BOOTPROBE, DRV_CLOSE, DRV_BOOTPROBE}));
    EXPECT_EQ(drv.calls()[0].sent.nPort, 0);
    EXPECT_EQ(drv.calls()[2].sent.nPort, 1);
}

TEST(BootProbe, AllEightPortsSilent) {
    FakeDriver drv; // command 37 answers 1 by default
    core::BootProbeResult r = core::probeBootLoaders(drv.fn());
    EXPECT_FALSE(r.bootLoaderFound);
    EXPECT_TRUE(r.allPortsAnsweredNone);
    EXPECT_EQ(drv.count(DRV_BOOTPROBE), 8);
    EXPECT_EQ(drv.count(DRV_CLOSE), 8);
}

} // namespace
