/* The public header must compile as C (its static asserts run here too). */
#include "driver/api/r70com32.h"

int32_t c_sizeof_drvparam(void) { return (int32_t)sizeof(DRVPARAM); }

int32_t c_aux_roundtrip(int32_t v) {
    DRVPARAM p;
    memset(&p, 0, sizeof p);
    drv_set_aux(&p, v);
    return drv_get_aux(&p);
}
