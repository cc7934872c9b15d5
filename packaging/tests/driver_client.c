/* A program of someone else's that uses the installed driver library: built with
 * `pkg-config --cflags --libs r70com32`, it finds the device and prints its identity
 * ("COM3 model 70 V2.10 R70"), or "no device" with exit status 1. */
#include <r70com32.h>

#include <stdio.h>

int main(void) {
    if (D_SendDrvCmd(DRV_FINDPORT, NULL) != 0) {
        puts("no device");
        return 1;
    }
    DRVPARAM p = {0};
    D_SendDrvCmd(DRV_IDENT, &p);
    printf("COM%d model %d %s\n", (int)p.nPort + 1, (int)p.nIndex, p.szCmd);
    D_SendDrvCmd(DRV_CLOSE, NULL);
    return 0;
}
