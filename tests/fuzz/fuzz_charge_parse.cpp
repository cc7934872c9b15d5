// The reading of the charge texts the charges page and the monitor window share.
#include "pages/data/charge_parse.h"
#include "tests/fuzz/fuzz_check.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Input in(data, size);
    const int portCount = (in.byte() & 1) ? 5 : 3;
    const std::string_view reply = in.rest();

    const auto pageRow = quorvex::data::parseChargeRow(reply, portCount);
    if (portCount == 3) FUZZ_CHECK(pageRow.cells[3].empty() && pageRow.cells[4].empty());
    const std::string total = quorvex::data::parseChargeTotal(reply);
    FUZZ_CHECK(!total.empty());
    const auto pageValue = quorvex::data::cutChargeValue(reply);
    FUZZ_CHECK(pageValue.value.size() <= reply.size());

    for (const auto& cell : pageRow.cells)
        FUZZ_CHECK(cell.size() <= reply.size() || cell == quorvex::data::kNoCharge);
    return 0;
}
