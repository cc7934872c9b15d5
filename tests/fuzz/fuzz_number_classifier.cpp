// The number classifier over any text and any five port names.
#include "core/number_classifier.h"
#include "tests/fuzz/fuzz_check.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    quorvex::core::PortNames names;
    for (auto& name : names)
        name = std::string(in.piece());
    const std::string_view text = in.rest();
    const int verdict = quorvex::core::classify(text, names);
    FUZZ_CHECK(verdict >= 0 && verdict <= 12);
    FUZZ_CHECK(quorvex::core::characterCount(text) <= text.size());
    if (verdict >= 3 && verdict <= 7) FUZZ_CHECK(names[verdict - 3] == text);
    if (verdict == 1 && !text.empty()) FUZZ_CHECK(quorvex::core::characterCount(text) <= 15);
    return 0;
}
