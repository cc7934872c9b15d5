#include "core/clock_time.h"

#include <gtest/gtest.h>

#include <cstring>

namespace {

using quorvex::core::ParseClockTime;
using quorvex::core::TrimCrLf;

struct TimeCase {
    const char* text;
    bool ok;
    int hour;
    int minute;
    const char* rewritten; // the text afterwards
};

class ParseClockTimeTest : public ::testing::TestWithParam<TimeCase> {};

TEST_P(ParseClockTimeTest, ParsesOrRejects) {
    const TimeCase& c = GetParam();
    std::string text = c.text;
    int hour = -1;
    int minute = -1;
    EXPECT_EQ(ParseClockTime(text, hour, minute), c.ok) << c.text;
    EXPECT_EQ(text, c.rewritten);
    EXPECT_EQ(hour, c.hour);
    EXPECT_EQ(minute, c.minute);
}

INSTANTIATE_TEST_SUITE_P(
    Table, ParseClockTimeTest,
    ::testing::Values(
        TimeCase{"7:5", true, 7, 5, "07:05"}, TimeCase{"23:59", true, 23, 59, "23:59"},
        TimeCase{"00:00", true, 0, 0, "00:00"}, TimeCase{"9", true, 9, 0, "09:00"},
        TimeCase{"", true, 0, 0, "00:00"}, TimeCase{":30", true, 0, 30, "00:30"},
        TimeCase{"7:", true, 7, 0, "07:00"}, TimeCase{"07:05\r\nOK", true, 7, 5, "07:05"},
        TimeCase{"24:00", false, -1, -1, "24:00"}, TimeCase{"12:60", false, -1, -1, "12:60"},
        // Never a valid time: anything but digits and one ':'.
        TimeCase{"7a:05", false, -1, -1, "7a:05"}, TimeCase{"07:5x", false, -1, -1, "07:5x"},
        TimeCase{" 7:05", false, -1, -1, " 7:05"}, TimeCase{"-1:05", false, -1, -1, "-1:05"},
        TimeCase{"12:30:45", false, -1, -1, "12:30:45"},
        TimeCase{"99999999999:1", false, -1, -1, "99999999999:1"}));

TEST(TrimCrLf, CutsAtTheFirstLineBreak) {
    struct {
        const char* in;
        const char* out;
    } cases[] = {{"abc\r\ndef", "abc"}, {"abc", "abc"}, {"\nabc", ""}, {"", ""}, {"a\rb\nc", "a"}};
    for (auto& c : cases) {
        std::string s = c.in;
        EXPECT_EQ(TrimCrLf(s), c.out) << c.in;
        char buffer[16];
        std::strcpy(buffer, c.in);
        EXPECT_STREQ(TrimCrLf(buffer), c.out) << c.in;
    }
    EXPECT_EQ(TrimCrLf(static_cast<char*>(nullptr)), nullptr);
}

} // namespace
