// The driver's reply parser over any reply bytes, for every command, with the
// record's code, operation, port and index from the input. The caller buffer
// of commands 29, 30, 52 and 53 is allocated at exactly its capacity, so any
// write past it is an overflow the address sanitizer reports.
#include "driver/protocol/catalogue.h"
#include "tests/fuzz/fuzz_check.h"

#include <cstring>
#include <memory>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    DRVPARAM p;
    std::memset(&p, 0, sizeof p);
    p.nCmd = in.byte() % 60; // every code plus two unknown ones
    p.nOp = in.byte() % 6;
    const std::uint8_t port = in.byte();
    p.nPort = port < 200 ? port % 40 : -static_cast<int>(port);
    p.nIndex = static_cast<std::int8_t>(in.byte());
    const int readResult = (in.byte() & 1) ? -2 : 0;
    const std::size_t capacity = in.byte() % 70; // 0: no buffer at all
    const bool takesBuffer = p.nCmd == DRV_LOG || p.nCmd == DRV_CHARGE ||
                             p.nCmd == DRV_ATIMPORTANT || p.nCmd == DRV_ATCHANGED;

    std::unique_ptr<char[]> buffer;
    if (takesBuffer) {
        if (capacity > 0) {
            buffer.reset(new char[capacity]);
            std::memset(buffer.get(), 'x', capacity);
        }
        drv_set_buffer(&p, buffer.get(), static_cast<int32_t>(capacity));
    }
    const DRVPARAM before = p;
    const std::string_view reply = in.rest();
    r70::parseReply(reply, readResult, p);

    FUZZ_CHECK(p.nCmd == before.nCmd);
    FUZZ_CHECK(p.bReply == (readResult == 0 ? 1 : 0));
    FUZZ_CHECK(p.bOk == 0 || p.bOk == 1);
    if (takesBuffer && capacity > 0) {
        // Written at all: then ended with a NUL inside the capacity.
        bool untouched = true;
        for (std::size_t i = 0; i < capacity; ++i)
            untouched = untouched && buffer[i] == 'x';
        FUZZ_CHECK(untouched || std::memchr(buffer.get(), 0, capacity) != nullptr);
        // The overlay still points at the same buffer.
        FUZZ_CHECK(drv_get_address(&p) == buffer.get());
    }
    // The pure helpers never reach outside their input.
    const std::string_view value = r70::replyValue(reply);
    FUZZ_CHECK(value.empty() || (value.data() >= reply.data() &&
                                 value.data() + value.size() <= reply.data() + reply.size()));
    const std::string_view line = r70::valueLine(value);
    FUZZ_CHECK(line.size() <= value.size());
    (void)r70::leadingNumber(reply);
    return 0;
}
