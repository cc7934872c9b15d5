// Charge replies as the device sends them, cut into cells.

#include "pages/data/charge_parse.h"

#include <gtest/gtest.h>

namespace quorvex::data {
namespace {

struct CutCase {
    const char* text;
    const char* value;
    const char* currency;
};

TEST(ChargeCut, Table) {
    const CutCase cases[] = {
        {"12,345 DM", "12,34", "DM"},
        {"1,50 DM", "1,50", "DM"},
        {"12,??? DM", "12,???", "DM"},
        {"???,??? DM", "???,???", "DM"},
        {"0,000 EUR\r\nOK", "0,00", "EUR"},
        {"12,345", "12,345", ""},
        {"7 DM", "7", "DM"},
        {"", "", ""},
        {"1234,567 DM", "1234,56", "DM"},
    };
    for (const CutCase& c : cases) {
        const ChargeValue v = cutChargeValue(c.text);
        EXPECT_EQ(v.value, c.value) << c.text;
        EXPECT_EQ(v.currency, c.currency) << c.text;
    }
}

constexpr const char* kReply = "P11: 1,50 DM\r\n"
                               "P21: 12,345 DM\r\n"
                               "P22: 0,000 DM\r\n"
                               "P31: 3,333 DM\r\n"
                               "P32: ???,??? DM\r\n"
                               "ATA: 9,990 DM\r\n\r\nOK\r\n";

TEST(ChargeRowParse, FivePorts) {
    const ChargeRow row = parseChargeRow(kReply, 5);
    EXPECT_EQ(row.cells,
              (std::array<std::string, 6>{"1,50", "12,34", "0,00", "3,33", "???,???", "9,99"}));
    EXPECT_EQ(row.currency, "DM");
}

TEST(ChargeRowParse, ThreePortsIgnoreP31AndP32) {
    const ChargeRow row = parseChargeRow(kReply, 3);
    EXPECT_EQ(row.cells, (std::array<std::string, 6>{"1,50", "12,34", "0,00", "", "", "9,99"}));
}

TEST(ChargeRowParse, MissingLabelsShowZero) {
    const ChargeRow row = parseChargeRow("P21: 12,345 EUR\r\n", 5);
    EXPECT_EQ(row.cells,
              (std::array<std::string, 6>{"0,00", "12,34", "0,00", "0,00", "0,00", "0,00"}));
    EXPECT_EQ(row.currency, ""); // port 11 gives the currency
    EXPECT_EQ(parseChargeRow("", 3).cells[0], "0,00");
}

TEST(ChargeTotal, CutAsAValue) {
    EXPECT_EQ(parseChargeTotal("123,456 DM"), "123,45");
    EXPECT_EQ(parseChargeTotal(""), "0,00");
}

} // namespace
} // namespace quorvex::data
