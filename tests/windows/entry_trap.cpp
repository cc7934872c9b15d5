// The function a test DLL exports under the name D_SendDrvCmd, while its
// entry 2 (unnamed) is the real one: a program that took the entry by name
// gets "no device" for every command and never finds the simulated R70.
#include "driver/api/r70com32.h"

extern "C" int32_t R70COM32_CALL wrongSendDrvCmd(uint16_t, DRVPARAM*) {
    return -2;
}
