// The boot probe through the real driver: seven seconds of fixed waits each.
#include "e2e/sim_driver_fixture.h"

namespace {

using namespace simtest;

TEST_F(SimDriver, BootProbeFindsTheLoader) {
    startDevice(Model::R70, true);
    EXPECT_EQ(D_SendDrvCmd(DRV_FINDPORT, nullptr), -2);
    DRVPARAM p{};
    p.nPort = 2;
    EXPECT_EQ(D_SendDrvCmd(DRV_BOOTPROBE, &p), 2);
}

TEST_F(SimDriver, BootProbeOfAWorkingDeviceGivesOne) {
    startDevice(Model::R70);
    DRVPARAM p{};
    p.nPort = 2;
    EXPECT_EQ(D_SendDrvCmd(DRV_BOOTPROBE, &p), 1);
}

} // namespace
