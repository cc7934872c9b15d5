// The command builder over any record: the text never exceeds the command
// buffer, and szCmd is always the text without its CR.
#include "driver/protocol/catalogue.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    DRVPARAM p;
    std::memset(&p, 0, sizeof p);
    const std::uint8_t code = in.byte();
    const std::uint8_t op = in.byte();
    const std::uint8_t port = in.byte();
    const std::uint8_t index = in.byte();
    // The rest lies over the record from nIndex on (so a short input still
    // reaches the texts), then the selectors are set from the leading bytes.
    const std::string_view rest = in.rest();
    std::memcpy(reinterpret_cast<char*>(&p) + 8, rest.data(), std::min(rest.size(), sizeof p - 8));
    p.nCmd = code % 60;
    p.nOp = op % 6;
    p.nPort = port < 200 ? port % 40 : -static_cast<int>(port);
    if (index < 128) p.nIndex = index % 24;

    r70::CommandText out;
    const r70::BuildStatus status = r70::buildCommand(p, out);
    FUZZ_CHECK(out.length < r70::kCommandBufferSize);
    FUZZ_CHECK(std::memchr(p.szCmd, 0, sizeof p.szCmd) != nullptr);
    if (status == r70::BuildStatus::Built) {
        FUZZ_CHECK(out.length >= 2);
        FUZZ_CHECK(out.text[out.length - 1] == '\r');
        FUZZ_CHECK(std::strlen(p.szCmd) == out.length - 1);
        FUZZ_CHECK(std::memcmp(p.szCmd, out.text, out.length - 1) == 0);
        // One command per write: no CR or LF before the final CR.
        for (std::size_t i = 0; i + 1 < out.length; ++i)
            FUZZ_CHECK(out.text[i] != '\r' && out.text[i] != '\n' && out.text[i] != '\0');
    } else {
        FUZZ_CHECK(p.szCmd[0] == '\0');
    }
    return 0;
}
