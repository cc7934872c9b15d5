// EID numbers: display form, collecting (display -> stored) and the checks
// made while typing, per class.

#include "pages/data/eid.h"
#include "resources/text_table.h"

#include <gtest/gtest.h>

#include <string>

namespace quorvex::data {
namespace {

struct DisplayCase {
    int cls;
    std::string stored;
    std::string shown;
};

TEST(EidDisplay, StoredFormBecomesFieldText) {
    const DisplayCase cases[] = {
        {kEidIp, "195222204004", "195.222.204.4"},
        {kEidIp, "000000000000", "0.0.0.0"},
        {kEidIp, "010002255100", "10.2.255.100"},
        {kEidIp, "1952222040", "1952222040"},     // not 12 digits: shown as stored
        {kEidIp, "19522220400x", "19522220400x"}, // not all digits: shown as stored
        {kEidIp, "", ""},
        {kEidMagic, "01dc5abc20843abc", "01dc5abc-20843abc"},
        {kEidMagic, "01dc5abc", "01dc5abc"},
        {kEidMagic, "01dc5abc123", "01dc5abc-123"}, // the remainder is never hidden
        {kEidMagic, "", ""},
        {kEidLocal, "98765432", "98765432"},
        {kEidMac, "0080C81E379a", "0080C81E379a"},
        {kEidTaNumber, "4968155", "4968155"},
        {kEidNull, "0000000", "0000000"},
        {9, "x", "x"}, // a class outside the table counts as NULL
    };
    for (const DisplayCase& c : cases)
        EXPECT_EQ(eidDisplay(c.cls, c.stored), c.shown) << c.cls << " " << c.stored;
}

struct CollectCase {
    int cls;
    std::string text;
    std::string stored; // when accepted
    int message;        // 0: accepted
};

TEST(EidCollect, FieldTextBecomesStoredFormOrIsRejected) {
    const CollectCase cases[] = {
        // class 2, IP address
        {kEidIp, "195.222.204.4", "195222204004", 0},
        {kEidIp, "195222204004", "195222204004", 0},
        {kEidIp, "0.0.0.0", "000000000000", 0},
        {kEidIp, "1.02.003.4", "001002003004", 0},
        {kEidIp, "255.255.255.255", "255255255255", 0},
        {kEidIp, "1.2.3", "", 9032},     // two dots
        {kEidIp, "1.2.3.", "", 9032},    // empty last group
        {kEidIp, "1.2.3.4.5", "", 9032}, // four dots
        {kEidIp, "256.1.1.1", "", 9032},
        {kEidIp, "1.2.3.256", "", 9032},
        {kEidIp, "19522220400", "", 9032},  // 11 digits
        {kEidIp, "999222204004", "", 9032}, // 999 is no octet
        {kEidIp, "", "", 9032},
        {kEidIp, "1.2.x.4", "", 9032},
        // class 3, MAC address
        {kEidMac, "0080c81e379a", "0080c81e379a", 0},
        {kEidMac, "0080C81E379A", "0080C81E379A", 0},
        {kEidMac, "0080c81e379", "", 9042},
        {kEidMac, "0080c81e379ab", "", 9042},
        {kEidMac, "", "", 9042},
        {kEidMac, "0080c81e379g", "", 9034},
        // class 4, PPP magic number block
        {kEidMagic, "01dc5abc-20843abc", "01dc5abc20843abc", 0},
        {kEidMagic, "01dc5abc20843abc", "01dc5abc20843abc", 0},
        {kEidMagic, "01dc5abc", "01dc5abc", 0},
        {kEidMagic, "01dc5abc-20843abc-01dc5abc", "01dc5abc20843abc01dc5abc", 0},
        {kEidMagic, "01dc5abc2", "", 9036},    // 9 digits without a dash
        {kEidMagic, "01dc5abc-", "", 9036},    // a dash without a following group
        {kEidMagic, "01dc-5abc", "", 9036},    // a dash inside a group
        {kEidMagic, "01dc5abc-123", "", 9036}, // a short last group
        {kEidMagic, "01dc5abc-20843abc0", "", 9036},
        {kEidMagic, "", "", 9036},
        {kEidMagic, "01dc5abz", "", 9036},
        // 32 or 40 digits: more than the device command can carry (its own
        // message: 9036 says 32 and 40 would do)
        {kEidMagic, "01dc5abc-20843abc-01dc5abc-20843abc", "", kMsgMagicTooLong},
        {kEidMagic, "01dc5abc20843abc01dc5abc20843abc", "", kMsgMagicTooLong},
        {kEidMagic, "01dc5abc20843abc01dc5abc20843abc01dc5abc", "", kMsgMagicTooLong},
        {kEidMagic, "01dc5abc20843abc01dc5abc", "01dc5abc20843abc01dc5abc", 0},
        // classes 1 and 5: as typed
        {kEidLocal, "98765432", "98765432", 0},
        {kEidLocal, "", "", 0},
        {kEidLocal, "123456789012345678901", "", 9038},
        {kEidLocal, "12a", "", 9024},
        {kEidTaNumber, "4968155", "4968155", 0},
        {kEidTaNumber, "1234567890123456", "", 9040},
    };
    for (const CollectCase& c : cases) {
        EidConversion got = eidFromDisplay(c.cls, c.text);
        EXPECT_EQ(got.messageId, c.message) << c.cls << " \"" << c.text << "\"";
        if (c.message == 0) {
            EXPECT_EQ(got.stored, c.stored) << c.cls << " \"" << c.text << "\"";
        }
    }
}

TEST(EidCollect, DisplayOfAValidStoredNumberCollectsBackToIt) {
    const std::pair<int, std::string> stored[] = {
        {kEidIp, "195222204004"},  {kEidIp, "001002003004"},        {kEidMac, "0080C81E379a"},
        {kEidMagic, "01dc5abc"},   {kEidMagic, "01dc5abc20843abc"}, {kEidLocal, "98765432"},
        {kEidTaNumber, "4968155"},
    };
    for (const auto& [cls, number] : stored) {
        EidConversion back = eidFromDisplay(cls, eidDisplay(cls, number));
        ASSERT_TRUE(back.ok()) << number;
        EXPECT_EQ(back.stored, number);
    }
}

struct TypingCase {
    int cls;
    std::string text;
    int message;
};

TEST(EidTyping, ChecksPerClass) {
    const TypingCase cases[] = {
        {kEidLocal, "", 0},
        {kEidLocal, "12345678901234567890", 0},
        {kEidLocal, "123456789012345678901", 9038}, // a 21st digit
        {kEidLocal, "12x", 9024},
        {kEidMac, "0080c81e379a", 0},
        {kEidMac, "0080c81e379ab", 9042}, // a 13th digit
        {kEidMac, "00g", 9034},
        {kEidMac, "00:", 9034},
        {kEidMagic, "01dc5abc-", 0},
        {kEidMagic, "01dc5abc20843abc", 0},
        {kEidMagic, "01dc-", 9036}, // a dash at position 4
        {kEidMagic, "-", 9036},
        // At most 24 hexadecimal digits (three groups of 8, 26 characters with dashes).
        {kEidMagic, "01dc5abc-20843abc-01dc5abc", 0},
        {kEidMagic, "01dc5abc20843abc01dc5abc", 0},
        {kEidMagic, "01dc5abc-20843abc-01dc5ab", 0},
        {kEidMagic, "01dc5abc20843abc01dc5abc2", kMsgMagicTooLong},   // a 25th digit
        {kEidMagic, "01dc5abc-20843abc-01dc5abc2", kMsgMagicTooLong}, // the same with dashes
        {kEidMagic, "01dc5abc-20843abc-01dc5abc-", kMsgMagicTooLong}, // no fourth group
        {kEidMagic, "01dc5abc-20843abc-01dc5abc-20843abc-0123", kMsgMagicTooLong},
        {kEidMagic, "01dc5abc-20843abc-01dc5abc-20843abc-01234", kMsgMagicTooLong},
        {kEidMagic, "01dc5abc-20843abc-01dc5abx", 9036}, // within the limit: the old rule
        {kEidMagic, "01dc5abx", 9036},
        {kEidTaNumber, "123456789012345", 0},
        {kEidTaNumber, "1234567890123456", 9040}, // a 16th digit
        {kEidTaNumber, "1-", 9024},
        {kEidNull, "anything", 0},
    };
    for (const TypingCase& c : cases)
        EXPECT_EQ(eidTypingError(c.cls, c.text), c.message) << c.cls << " \"" << c.text << "\"";
}

TEST(EidTyping, IpAddressRules) {
    const std::pair<std::string, int> cases[] = {
        {"", 0},
        {"1", 0},
        {"25", 0},
        {"195", 0},
        {"1952", 0},
        {"195222204004", 0},
        {"255255255255", 0},
        {"255255255256", 9032},  // the fourth group of three
        {"1952222040041", 9032}, // 13 characters without a dot
        {"256", 9032},           // rejected at its third digit
        {"999", 9032},
        {"195.", 0},
        {"195.2", 0},
        {"195.25", 0},
        {"195.255", 0},
        {"195.256", 9032},
        {"1.2.3", 0}, // accepted while typing, rejected when collected
        {"1.2.3.4", 0},
        {"1.2.3.4.", 9032}, // a fourth dot
        {".1", 9032},       // a dot before any digit
        {"1234.", 9032},    // the first dot after four characters
        {"1..2", 9032},     // no digit between two dots
        {"1.001.1", 0},     // three digits between dots
        {"1.0001.1", 9032}, // four digits between dots
        {"1.a", 9032},
        {"1 2", 9032},
    };
    for (const auto& [text, message] : cases)
        EXPECT_EQ(ipTypingError(text), message) << "\"" << text << "\"";
}

// The typing check, the check when collecting and the message agree on the
// limit of class 4, which the device command sets: "AT%P4=" and the carriage
// return leave 24 of the driver's 31 command characters.
TEST(EidLimits, MagicNumberBlockLimitIsTheDeviceCommands) {
    EXPECT_EQ(kEidMaxSendLength, 24u);
    EXPECT_EQ(kEidMagicMaxDigits, kEidMaxSendLength);
    const std::string longest(kEidMagicMaxDigits, 'a');
    EXPECT_EQ(eidTypingError(kEidMagic, longest), 0);
    EXPECT_TRUE(eidFromDisplay(kEidMagic, longest).ok());
    EXPECT_EQ(eidTypingError(kEidMagic, longest + "a"), kMsgMagicTooLong);
    EXPECT_EQ(eidFromDisplay(kEidMagic, eidDisplay(kEidMagic, longest)).stored, longest);
    // Both messages name the real limit in both languages, and no more.
    for (int id : {kMsgMagicTooLong, kMsgMagicBlock}) {
        for (int language : {text::kEnglish, text::kGerman}) {
            EXPECT_NE(text::get(id, language).find("24"), std::string_view::npos) << id;
            EXPECT_EQ(text::get(id, language).find("32"), std::string_view::npos) << id;
            EXPECT_EQ(text::get(id, language).find("40"), std::string_view::npos) << id;
        }
        EXPECT_NE(text::get(id, text::kEnglish), text::get(id, text::kGerman));
    }
}

TEST(EidTables, InitialTextsAndExamples) {
    EXPECT_EQ(eidInitialText(kEidNull), "0000000");
    EXPECT_EQ(eidInitialText(kEidLocal), "98765432");
    EXPECT_EQ(eidInitialText(kEidIp), "195222204004");
    EXPECT_EQ(eidInitialText(kEidMac), "0080C81E379a");
    EXPECT_EQ(eidInitialText(kEidMagic), "01dc5abc20843abc");
    EXPECT_EQ(eidInitialText(kEidTaNumber), "4968155");
    for (int cls = 0; cls < kEidClasses; ++cls)
        EXPECT_EQ(eidExampleTextId(cls), 6250 + 2 * cls);
    EXPECT_EQ(eidExampleTextId(-1), 6250);
}

} // namespace
} // namespace quorvex::data
