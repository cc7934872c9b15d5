#include "driver/line/line_watch.h"

#include <chrono>
#include <cstdint>
#include <cstring>
#include <new>

namespace r70 {
namespace {

// A count that may run past its array: the array keeps the first bytes.
template <std::size_t N> void append(char (&array)[N], int32_t& count, char byte) noexcept {
    if (count >= 0 && static_cast<std::size_t>(count) < N) array[count] = byte;
    if (count < INT32_MAX) ++count;
}

int32_t clampUs(long long us) noexcept {
    if (us < 0) return 0;
    return us > INT32_MAX ? INT32_MAX : static_cast<int32_t>(us);
}

} // namespace

long long monotonicUs() noexcept {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void LineWatch::start(int listenMs) noexcept {
    kept_.clear();
    clearCurrent();
    listenMs_ = listenMs;
    on_ = true;
}

void LineWatch::stop() noexcept {
    on_ = false;
    kept_.clear();
    clearCurrent();
}

void LineWatch::clearCurrent() noexcept {
    std::memset(&current_, 0, sizeof current_);
    current_.nResult = -2;
    current_.nFirstByteUs = -1;
    current_.nLateAfterUs = -1;
    open_ = false;
    firstWait_ = true;
    readStartUs_ = readEndUs_ = 0;
}

void LineWatch::stale(char byte) noexcept {
    if (!on_) return;
    // A command that got no read is complete once the next one comes.
    if (open_ && (current_.nSent > 0 || readStartUs_ != 0)) finish();
    open_ = true;
    append(current_.abStale, current_.nStale, byte);
}

void LineWatch::command(int port, std::string_view text) noexcept {
    if (!on_) return;
    if (open_ && (current_.nSent > 0 || readStartUs_ != 0)) finish();
    open_ = true;
    current_.nPortIndex = port;
    for (char c : text)
        append(current_.abSent, current_.nSent, c);
}

void LineWatch::readStart(int port, std::size_t capacity) noexcept {
    if (!on_) return;
    if (open_ && readStartUs_ != 0) finish(); // a second read that follows no command
    open_ = true;
    current_.nPortIndex = port;
    current_.nCapacity = capacity > INT32_MAX ? INT32_MAX : static_cast<int32_t>(capacity);
    readStartUs_ = monotonicUs();
    firstWait_ = true;
}

void LineWatch::waited(int waitMs, long long startUs, long long endUs, const char* byte) noexcept {
    if (!on_ || readStartUs_ == 0) return;
    if (firstWait_) {
        firstWait_ = false;
        current_.nFirstWaitMs = waitMs;
        if (byte != nullptr) current_.nFirstByteUs = clampUs(endUs - readStartUs_);
    } else if (byte == nullptr) {
        current_.nSilenceMs = waitMs;
    } else if (endUs - startUs > current_.nLongestGapUs) {
        current_.nLongestGapUs = clampUs(endUs - startUs);
        current_.nGapWaitMs = waitMs;
    }
    if (byte == nullptr) return;
    append(current_.abReply, current_.nReceived, *byte);
    current_.nTotalUs = clampUs(endUs - readStartUs_);
}

void LineWatch::readEnd(int result, long long endUs) noexcept {
    if (!on_ || readStartUs_ == 0) return;
    current_.nResult = result;
    readEndUs_ = endUs;
}

bool LineWatch::wantsLateBytes() const noexcept {
    return on_ && readStartUs_ != 0 && listenMs_ > 0;
}

void LineWatch::late(char byte, long long atUs) noexcept {
    if (!on_ || readStartUs_ == 0) return;
    if (current_.nLate == 0) current_.nLateAfterUs = clampUs(atUs - readEndUs_);
    append(current_.abLate, current_.nLate, byte);
}

void LineWatch::finish() noexcept {
    if (!on_ || !open_) return;
    try {
        if (kept_.size() >= DRV_EXCHANGES_KEPT) kept_.pop_front();
        kept_.push_back(current_);
    } catch (const std::bad_alloc&) {
        // Out of memory: this record is lost, the line goes on.
    }
    clearCurrent();
}

bool LineWatch::take(DRVEXCHANGE& out) noexcept {
    if (kept_.empty()) return false;
    out = kept_.front();
    kept_.pop_front();
    return true;
}

} // namespace r70
