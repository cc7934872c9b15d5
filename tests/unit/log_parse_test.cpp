#include "maintenance/log_parse.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace qm = quorvex::maintenance;

namespace {
qm::LogEntry entry(std::vector<std::string> f) {
    qm::LogEntry e;
    for (std::size_t i = 0; i < f.size(); ++i)
        e.fields[i] = f[i];
    return e;
}
} // namespace

TEST(LogParse, Table) {
    struct Row {
        const char* what;
        std::string text;
        int list;
        std::vector<qm::LogEntry> expected;
    };
    const std::vector<Row> rows = {
        {"outgoing with charge cut",
         "01.02 10:30 0301234 OK 1,234 DM\r\n",
         0,
         {entry({"01.02", "10:30", "0301234", "OK", "1,23", "DM"})}},
        {"two-decimal charge kept",
         "01.02 10:30 0301234 OK 12,34 DM\r\n",
         0,
         {entry({"01.02", "10:30", "0301234", "OK", "12,34", "DM"})}},
        {"tabs and runs of blanks",
         "01.02\t10:30   030\t\tOK\r\n",
         0,
         {entry({"01.02", "10:30", "030", "OK"})}},
        {"no caller id **", "01.02 10:30 ** 16\r\n", 1, {entry({"01.02", "10:30", "No ID", "16"})}},
        {"NO ID joined", "01.02 10:30 NO ID 16\r\n", 1, {entry({"01.02", "10:30", "No ID", "16"})}},
        {"NO ID at line end", "01.02 10:30 NO ID\r\n", 2, {entry({"01.02", "10:30", "No ID"})}},
        {"incoming drops fields 5 and 6",
         "01.02 10:30 030 16 1,234 DM\r\n",
         1,
         {entry({"01.02", "10:30", "030", "16"})}},
        {"empty line ends the list",
         "01.02 10:30 030 16\r\n\r\n02.02 11:00 040 16\r\n",
         2,
         {entry({"01.02", "10:30", "030", "16"})}},
        {"five characters hold nothing", "1 2 3", 0, {}},
        {"empty", "", 1, {}},
        {"last line without LF",
         "01.02 10:30 030 16\r\n03.02 -- 050 0",
         2,
         {entry({"01.02", "10:30", "030", "16"}), entry({"03.02", "--", "050", "0"})}},
        {"blank lines between entries are skipped",
         "\n01.02 10:30 030 16\r\n",
         2,
         {entry({"01.02", "10:30", "030", "16"})}},
        {"words beyond six dropped",
         "a b c d e f g h\r\n",
         0,
         {entry({"a", "b", "c", "d", "e", "f"})}},
    };
    for (const Row& r : rows) {
        qm::ParsedLog p = qm::parseCallList(r.text, r.list);
        EXPECT_EQ(p.entries, r.expected) << r.what;
        EXPECT_FALSE(p.beep) << r.what;
    }
}

TEST(LogParse, TwelveLinesGiveTen) {
    std::string text;
    for (int i = 0; i < 12; ++i)
        text += "01.02 10:" + std::to_string(10 + i) + " 030" + std::to_string(i) + " OK\r\n";
    qm::ParsedLog p = qm::parseCallList(text, 0);
    ASSERT_EQ(p.entries.size(), 10u);
    EXPECT_EQ(p.entries[9].number(), "0309");
}

TEST(LogParse, IncomingListGuard) {
    const std::string outgoingLayout = "Charge Amount Disc Cause\r\n01.02 10:30 030 OK\r\n";
    qm::ParsedLog p = qm::parseCallList(outgoingLayout, 1);
    EXPECT_TRUE(p.beep);
    EXPECT_TRUE(p.entries.empty());
    p = qm::parseCallList("Amount\r\n01.02 10:30 030 OK\r\n", 1);
    EXPECT_TRUE(p.beep);
    EXPECT_EQ(p.entries.size(), 2u); // "Amount" alone is only beeped at
    p = qm::parseCallList(outgoingLayout, 0);
    EXPECT_FALSE(p.beep);
}

TEST(LogParse, DisplayTexts) {
    EXPECT_EQ(qm::logDateTime(entry({"01.02", "10:30"})), "01.02 10:30");
    EXPECT_EQ(qm::logDateTime(entry({"01.02", "--:--"})), "01.02    --:--");
    EXPECT_EQ(qm::logDateTime(entry({"", ""})), " ");
    quorvex::core::PortNames names = {"Fax", "Kitchen", "\"22\"", "\"31\"", "\"32\""};
    EXPECT_EQ(qm::logNumberText("*21", names), "Kitchen");
    EXPECT_EQ(qm::logNumberText("*11", names), "Fax");
    EXPECT_EQ(qm::logNumberText("*32", names), "\"32\"");
    EXPECT_EQ(qm::logNumberText("0301234", names), "0301234");
    EXPECT_EQ(qm::logNumberText("No ID", names), "No ID");
}
