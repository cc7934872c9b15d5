// How long the reply reader takes to know that a reply has ended, on the
// system it runs on. A presence test ("AT", answered "<CR><LF>OK<CR><LF>":
// 6 bytes, half a millisecond on the wire at 115200 baud) is timed from the
// call to its return; nearly all of it is the silence the reader waits for
// after the last byte, the inter-byte constant + 10 ms = 20 ms at 115200 baud,
// as the system's timers deliver it. On Windows the serial driver runs its
// read time-outs on the system timer, whose tick is 15.6 ms unless a program
// asks for a finer one; under Wine they run on Linux's timers.
//
// Usage: reply_timing [COUNT]   (default 50) against the device the search
// finds: on Linux the map of R70COM_PORTS, on Windows the machine's COM ports.
#include "driver/api/r70com32.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 50;
    if (D_SendDrvCmd(DRV_FINDPORT, nullptr) != 0) {
        std::fprintf(stderr, "reply_timing: no device answered on COM1 to COM8\n");
        return 2;
    }
    std::vector<double> ms;
    for (int i = 0; i < count; ++i) {
        const auto start = std::chrono::steady_clock::now();
        const int32_t answered = D_SendDrvCmd(DRV_PING, nullptr);
        const auto end = std::chrono::steady_clock::now();
        if (answered != 1) {
            std::fprintf(stderr, "reply_timing: presence test %d got no answer\n", i + 1);
            return 2;
        }
        ms.push_back(std::chrono::duration<double, std::milli>(end - start).count());
    }
    D_SendDrvCmd(DRV_CLOSE, nullptr);
    std::sort(ms.begin(), ms.end());
    const auto at = [&](double share) {
        return ms[std::min(ms.size() - 1, static_cast<std::size_t>(share * ms.size()))];
    };
    std::printf("presence test, %d times: min %.1f ms, median %.1f ms, 90%% %.1f ms, max %.1f ms "
                "(the line's own share: 20 ms of silence + 0.5 ms on the wire)\n",
                count, ms.front(), at(0.5), at(0.9), ms.back());
    return 0;
}
