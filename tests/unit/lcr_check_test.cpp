// The check before an LCR send and the provider list, as tables: bands and
// ranges in, repaired rows, marks and messages out.

#include "pages/data/lcr_check.h"
#include "pages/data/providers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace quorvex::data {
namespace {

std::vector<std::string> split(const std::string& text, char sep) {
    std::vector<std::string> out;
    std::string part;
    std::istringstream in(text);
    while (std::getline(in, part, sep))
        out.push_back(part);
    if (!text.empty() && text.back() == sep) out.push_back("");
    return out;
}

// "08-12/01070/Arcor" as read from the device (both copies, no marks); "" a free band.
LcrBand band(const std::string& text) {
    LcrBand b;
    b.active.reset(false, true);
    if (text.empty()) return b;
    std::vector<std::string> parts = split(text, '/');
    parts.resize(3);
    std::vector<std::string> hours = split(parts[0], '-');
    hours.resize(2);
    b.from.reset(hours[0], true);
    b.till.reset(hours[1], true);
    b.predial.reset(parts[1], true);
    b.provider.reset(parts[2], true);
    return b;
}

LcrRange range(const std::string& text) {
    LcrRange r;
    if (text.empty()) return r;
    std::vector<std::string> ends = split(text, '-');
    ends.resize(2);
    r.from.reset(ends[0], true);
    r.to.reset(ends[1], true);
    r.active.reset(true, true);
    return r;
}

std::string describe(const LcrBand& b) {
    std::string s =
        b.from.edited + "-" + b.till.edited + "/" + b.predial.edited + "/" + b.provider.edited;
    return s == "-//" ? "" : s;
}

std::string describe(const LcrRange& r) {
    std::string s = r.from.edited + "-" + r.to.edited;
    return s == "-" ? "" : s;
}

struct CheckCase {
    const char* name;
    std::vector<std::string> bandsIn;  // day type 0, rows from 1
    std::vector<std::string> rangesIn; // day type 0
    std::vector<int> messages;
    bool allowed;
    std::vector<std::string> bandsOut; // the first rows after the check
    std::vector<std::string> rangesOut;
};

const CheckCase kCases[] = {
    {"sorted_by_from_hour",
     {"18-24/01070/Arcor", "00-08/01013/Tele2", "08-18/01033/Telekom"},
     {},
     {},
     true,
     {"00-08/01013/Tele2", "08-18/01033/Telekom", "18-24/01070/Arcor", ""},
     {}},
    {"free_bands_go_last",
     {"", "08-12/01070/Arcor", "", "00-08/01013/Tele2"},
     {},
     {},
     true,
     {"00-08/01013/Tele2", "08-12/01070/Arcor", "", ""},
     {}},
    {"reversed_hours_overlap",
     {"22-06/01070/Arcor"},
     {},
     {kMsgOverlap},
     false,
     {"22-06/01070/Arcor"}, // restored to the device's values, which were these
     {}},
    {"hour_taken_twice",
     {"08-12/01070/Arcor", "11-14/01013/Tele2"},
     {},
     {kMsgOverlap},
     false,
     {"08-12/01070/Arcor", "11-14/01013/Tele2"},
     {}},
    {"touching_bands_do_not_overlap",
     {"08-12/01070/Arcor", "12-14/01013/Tele2", "00-08/01011/o.tel.o"},
     {},
     {},
     true,
     {"00-08/01011/o.tel.o", "08-12/01070/Arcor", "12-14/01013/Tele2"},
     {}},
    {"band_without_predial_is_emptied", {"08-12//"}, {}, {kMsgBandsIncomplete}, true, {""}, {}},
    {"range_lengths_differ", {}, {"0130-01309"}, {kMsgRange}, false, {}, {"0130-01309"}},
    {"ranges_packed_in_order",
     {},
     {"", "0130-0130", "", "", "0180-0190"},
     {},
     true,
     {},
     {"0130-0130", "0180-0190", "", "", ""}},
    {"messages_once_in_order",
     {"08-12//", "09-10//", "08-12/01070/Arcor", "11-14/01013/Tele2"},
     {"0-01", "0130-01"},
     {kMsgBandsIncomplete, kMsgOverlap, kMsgRange},
     false,
     // the overlap brings back the device's hours of the emptied bands too
     {"08-12//", "09-10//", "08-12/01070/Arcor", "11-14/01013/Tele2"},
     {"0-01", "0130-01"}},
};

class LcrCheck : public testing::TestWithParam<CheckCase> {};

TEST_P(LcrCheck, RepairsAndVerdict) {
    const CheckCase& c = GetParam();
    LcrTables in{};
    for (std::size_t i = 0; i < c.bandsIn.size(); ++i)
        in[0].bands[i] = band(c.bandsIn[i]);
    for (std::size_t i = 0; i < c.rangesIn.size(); ++i)
        in[0].ranges[i] = range(c.rangesIn[i]);
    const LcrCheckOutcome out = checkForSend(in);
    EXPECT_EQ(out.messages, c.messages);
    EXPECT_EQ(out.allowed(), c.allowed);
    for (std::size_t i = 0; i < c.bandsOut.size(); ++i)
        EXPECT_EQ(describe(out.tables[0].bands[i]), c.bandsOut[i]) << "band row " << i + 1;
    for (std::size_t i = 0; i < c.rangesOut.size(); ++i)
        EXPECT_EQ(describe(out.tables[0].ranges[i]), c.rangesOut[i]) << "range row " << i + 1;
    // Without an overlap the other day type has nothing to repair; with one,
    // its hours are restored (and marked) as well.
    if (!out.overlap) {
        EXPECT_EQ(out.tables[1], in[1]);
    }
    for (const LcrBand& b : out.tables[1].bands)
        EXPECT_EQ(b.from.mark, out.overlap);
}

INSTANTIATE_TEST_SUITE_P(Cases, LcrCheck, testing::ValuesIn(kCases),
                         [](const auto& p) { return std::string(p.param.name); });

TEST(LcrCheckMarks, ExchangedRowsAreMarkedWhole) {
    LcrTables in{};
    in[0].bands[0] = band("18-24/01070/Arcor");
    in[0].bands[1] = band("00-08/01013/Tele2");
    in[0].bands[1].local.reset(true, true);
    const LcrCheckOutcome out = checkForSend(in);
    for (int row : {0, 1}) {
        const LcrBand& b = out.tables[0].bands[std::size_t(row)];
        EXPECT_TRUE(b.from.mark && b.till.mark && b.predial.mark && b.provider.mark &&
                    b.local.mark && b.active.mark)
            << "row " << row;
    }
    EXPECT_TRUE(out.tables[0].bands[0].local.edited);
    EXPECT_FALSE(out.tables[0].bands[1].local.edited);
    // The prefix's device copy travels with it.
    EXPECT_EQ(out.tables[0].bands[0].predial.confirmed, "01013");
    EXPECT_FALSE(out.tables[0].bands[2].from.mark);
}

TEST(LcrCheckMarks, EmptiedBandIsClearedAndSwitchedActive) {
    LcrTables in{};
    in[1].bands[2] = band("08-12//");
    in[1].bands[2].local.reset(true, true);
    const LcrCheckOutcome out = checkForSend(in);
    const LcrBand& b = out.tables[1].bands[2];
    EXPECT_EQ(describe(b), "");
    EXPECT_TRUE(b.from.mark && b.till.mark);
    EXPECT_TRUE(b.active.edited && b.active.mark);
    EXPECT_FALSE(b.local.edited);
    EXPECT_TRUE(b.local.mark);
    EXPECT_FALSE(b.predial.mark); // held no prefix anywhere
}

TEST(LcrCheckMarks, EmptiedBandClearsAPrefixTheDeviceHolds) {
    LcrTables in{};
    in[0].bands[0] = band("//");
    in[0].bands[0].predial.confirmed = "01070"; // the user emptied the prefix, kept the name
    in[0].bands[0].provider.reset("Arcor", true);
    const LcrCheckOutcome out = checkForSend(in);
    EXPECT_EQ(out.messages, std::vector<int>{kMsgBandsIncomplete});
    EXPECT_TRUE(out.tables[0].bands[0].predial.mark);
    EXPECT_EQ(out.tables[0].bands[0].predial.confirmed, "");
}

TEST(LcrCheckMarks, OverlapRestoresEveryBandOfBothDayTypes) {
    LcrTables in{};
    in[0].bands[0] = band("08-12/01070/Arcor");
    in[0].bands[0].from.set("13"); // edited to overlap band 2
    in[0].bands[1] = band("12-14/01013/Tele2");
    in[1].bands[0] = band("00-24/01011/o.tel.o");
    in[1].bands[1] = band("//");
    in[1].bands[1].from.set("05");
    in[1].bands[1].till.set("06");
    in[1].bands[1].predial.set("01033");
    in[1].bands[1].provider.set("Telekom");
    const LcrCheckOutcome out = checkForSend(in);
    EXPECT_EQ(out.messages, std::vector<int>{kMsgOverlap});
    EXPECT_EQ(describe(out.tables[0].bands[0]), "08-12/01070/Arcor");
    EXPECT_TRUE(out.tables[0].bands[0].from.mark && out.tables[0].bands[5].from.mark);
    // A band the device does not hold loses its prefix and name again.
    EXPECT_EQ(describe(out.tables[1].bands[1]), "");
    EXPECT_TRUE(out.tables[1].bands[1].predial.mark);
    // Not sorted after an overlap.
    EXPECT_EQ(describe(out.tables[1].bands[0]), "00-24/01011/o.tel.o");
}

TEST(LcrCheckMarks, HourTextsOutOfRangeCannotOverrunTheHourMap) {
    LcrTables in{};
    in[0].bands[0] = band("20-99/01070/Arcor");
    in[0].bands[1] = band("99999999999-5/01070/Arcor");
    const LcrCheckOutcome out = checkForSend(in);
    EXPECT_TRUE(out.overlap);
}

TEST(LcrCheckMarks, EqualFromHoursKeepTheirRows) {
    LcrTables in{};
    in[0].bands[0] = band("08-12/01070/Arcor");
    in[0].bands[1] = band("8-10/01013/Tele2");
    const LcrCheckOutcome out = checkForSend(in);
    // (an overlap, so nothing is sorted; without it equal hours stay put too)
    EXPECT_EQ(describe(out.tables[0].bands[0]), "08-12/01070/Arcor");
    in[0].bands[1] = band("");
    in[0].bands[2] = band("08-08/01013/Tele2");
    EXPECT_TRUE(checkForSend(in).overlap);
}

TEST(Providers, FirstSlotContainingTheNumberWins) {
    EXPECT_EQ(findProvider("01070"), "Arcor");
    EXPECT_EQ(findProvider("01090"), "VIAG Interkom");
    EXPECT_EQ(findProvider("01011"), "o.tel.o");
    EXPECT_EQ(findProvider("010"), "o.tel.o");
    EXPECT_EQ(findProvider("01099"), std::nullopt);
    EXPECT_EQ(findProvider("00000"), std::nullopt); // the end slot never matches
    EXPECT_EQ(findProvider(""), std::nullopt);
    EXPECT_EQ(providerNameFor("01099"), "Provider");
    EXPECT_EQ(providerNameFor("01023"), "Tesion");
}

TEST(HourValue, LeadingDigits) {
    EXPECT_EQ(hourValue("08"), 8);
    EXPECT_EQ(hourValue(""), 0);
    EXPECT_EQ(hourValue("24x"), 24);
    EXPECT_GE(hourValue("999999999999"), 1000);
}

} // namespace
} // namespace quorvex::data
