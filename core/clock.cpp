#include "core/clock.h"

#include <chrono>
#include <thread>

namespace quorvex::core {

std::int64_t SteadyClock::now() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void SteadyClock::sleep(std::int64_t ms) {
    if (ms > 0) std::this_thread::sleep_for(std::chrono::milliseconds(ms));
}

} // namespace quorvex::core
