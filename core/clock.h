#pragma once
// Time as the program sees it: a millisecond tick and a sleep. The desktop
// program passes a steady clock; tests pass a fake one that never waits.

#include <cstdint>

namespace quorvex::core {

class Clock {
public:
    virtual ~Clock() = default;
    // Milliseconds since an arbitrary start; never goes backwards.
    virtual std::int64_t now() = 0;
    virtual void sleep(std::int64_t ms) = 0;
};

// The real clock (std::chrono::steady_clock and std::this_thread::sleep_for).
class SteadyClock final : public Clock {
public:
    std::int64_t now() override;
    void sleep(std::int64_t ms) override;
};

} // namespace quorvex::core
