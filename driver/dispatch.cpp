#include "driver/r70com32.h"

extern "C" R70COM32_API int32_t D_SendDrvCmd(uint16_t code, DRVPARAM* p) {
    (void)p;
    return code > 57 ? 0 : -2;
}

extern "C" R70COM32_API int32_t D_LastOpenError(int32_t index, char* text, int32_t size) {
    (void)index;
    if (text && size > 0) text[0] = '\0';
    return DRV_OPENERR_NONE;
}

extern "C" R70COM32_API int32_t D_PortPath(int32_t index, char* path, int32_t size) {
    (void)index;
    if (path && size > 0) path[0] = '\0';
    return -1;
}
