// ParseClockTime and TrimCrLf over any text.
#include "core/clock_time.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string original(reinterpret_cast<const char*>(data), size);
    std::string text = original;
    int hour = -7, minute = -7;
    if (quorvex::core::ParseClockTime(text, hour, minute)) {
        FUZZ_CHECK(hour >= 0 && hour <= 23 && minute >= 0 && minute <= 59);
        char expect[8];
        std::snprintf(expect, sizeof expect, "%02d:%02d", hour, minute);
        FUZZ_CHECK(text == expect);
    } else {
        FUZZ_CHECK(text == original && hour == -7 && minute == -7);
    }

    std::string cut = original;
    quorvex::core::TrimCrLf(cut);
    FUZZ_CHECK(cut.find_first_of("\r\n") == std::string::npos);
    FUZZ_CHECK(original.compare(0, cut.size(), cut) == 0);

    std::vector<char> buffer(original.begin(), original.end());
    buffer.push_back('\0');
    quorvex::core::TrimCrLf(buffer.data());
    FUZZ_CHECK(std::strpbrk(buffer.data(), "\r\n") == nullptr);
    return 0;
}
