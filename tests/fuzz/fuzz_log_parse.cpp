// The call-list parser over any list text, for each list and beyond.
#include "maintenance/log_parse.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace quorvex::maintenance;
    fuzz::Input in(data, size);
    const int list = static_cast<int>(in.byte() % 5) - 1; // -1 and 3 lie outside
    quorvex::core::PortNames names;
    for (auto& name : names)
        name = std::string(in.piece());
    const ParsedLog log = parseCallList(in.rest(), list);
    FUZZ_CHECK(log.entries.size() <= static_cast<std::size_t>(kLogMaxEntries));
    for (const LogEntry& entry : log.entries) {
        (void)logDateTime(entry);
        (void)logNumberText(entry.number(), names);
        if (list == 1 || list == 2) FUZZ_CHECK(entry.amount().empty() && entry.unit().empty());
    }
    return 0;
}
