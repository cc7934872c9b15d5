// The data callback's number check against its plain rule: empty, or 1 to 15 digits.
#include "maintenance/callback_logic.h"
#include "tests/fuzz/fuzz_check.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const bool digits =
        std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const bool expected = text.size() <= 15 && digits;
    FUZZ_CHECK(quorvex::maintenance::isCallbackNumber(text) == expected);
    return 0;
}
