// The bilingual text table: pairing, uniqueness, encoding and the texts users know.

#include "resources/text_table.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstdint>
#include <set>
#include <string>
#include <string_view>

namespace {

using quorvex::text::allTexts;
using quorvex::text::get;
using quorvex::text::has;
using quorvex::text::TextRole;

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool validUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const auto b = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        std::uint32_t cp = 0;
        if (b < 0x80) {
            ++i;
            continue;
        } else if ((b & 0xE0) == 0xC0) {
            len = 2;
            cp = b & 0x1FU;
        } else if ((b & 0xF0) == 0xE0) {
            len = 3;
            cp = b & 0x0FU;
        } else if ((b & 0xF8) == 0xF0) {
            len = 4;
            cp = b & 0x07U;
        } else {
            return false;
        }
        if (i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const auto c = static_cast<unsigned char>(s[i + k]);
            if ((c & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (c & 0x3FU);
        }
        constexpr std::uint32_t kMin[] = {0, 0, 0x80, 0x800, 0x10000};
        if (cp < kMin[len] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

TEST(TextTable, EveryEnglishTextHasItsGermanTwinAndBack) {
    const auto texts = allTexts();
    for (std::size_t i = 0; i < texts.size(); ++i) {
        const auto& e = texts[i];
        if (e.role == TextRole::English) {
            ASSERT_LT(i + 1, texts.size()) << e.id;
            EXPECT_EQ(texts[i + 1].id, e.id + 1) << "no German twin for " << e.id;
            EXPECT_EQ(texts[i + 1].role, TextRole::German) << e.id;
        } else if (e.role == TextRole::German) {
            ASSERT_GT(i, 0U) << e.id;
            EXPECT_EQ(texts[i - 1].id, e.id - 1) << "no English twin for " << e.id;
            EXPECT_EQ(texts[i - 1].role, TextRole::English) << e.id;
        }
    }
}

TEST(TextTable, IdentifiersAreUniqueAndAscending) {
    std::set<int> seen;
    int previous = INT_MIN;
    for (const auto& e : allTexts()) {
        EXPECT_TRUE(seen.insert(e.id).second) << "duplicate " << e.id;
        EXPECT_GT(e.id, previous);
        previous = e.id;
    }
}

TEST(TextTable, EveryTextIsNonEmptyValidUtf8WithRealLineBreaks) {
    for (const auto& e : allTexts()) {
        EXPECT_FALSE(e.text.empty()) << e.id;
        EXPECT_TRUE(validUtf8(e.text)) << e.id;
        // A "\\n" left in the data file would show as backslash and n.
        EXPECT_EQ(e.text.find('\\'), std::string_view::npos) << e.id;
        EXPECT_EQ(e.text.find('\r'), std::string_view::npos) << e.id;
    }
}

TEST(TextTable, EnglishIdentifiersOfPairsAreEvenExceptTheVersionAndReady) {
    for (const auto& e : allTexts()) {
        if (e.role != TextRole::English) continue;
        if (e.id == 11 || e.id == 57345) continue;
        EXPECT_EQ(e.id % 2, 0) << e.id;
    }
}

struct Pair {
    int id;
    std::string_view english;
    std::string_view german;
};

class TellingPairs : public testing::TestWithParam<Pair> {};

TEST_P(TellingPairs, ComeBackExactly) {
    const Pair& p = GetParam();
    EXPECT_EQ(get(p.id, 0), p.english);
    EXPECT_EQ(get(p.id, 1), p.german);
}

INSTANTIATE_TEST_SUITE_P(
    TextTable, TellingPairs,
    testing::Values(Pair{6000, "MSN", "MSN"}, Pair{6002, "Call Acceptance", "Rufannahme"},
                    Pair{6004, "Short Dial", "Kurzwahl"}, Pair{6006, "Forwarding", "Weiterleiten"},
                    Pair{6008, "Call Filter", "Filtern"}, Pair{6010, "Data", "DFÜ"},
                    Pair{6012, "LCR", "LCR"}, Pair{6014, "Charges", "Kosten"},
                    Pair{6016, "Timer", "Wecker"}, Pair{6018, "Log", "Log"},
                    Pair{6020, "Port 11", "Anschluß 11"}, Pair{6022, "Port 21", "Anschluß 21"},
                    Pair{6024, "Port 22", "Anschluß 22"}, Pair{6026, "Port 31", "Anschluß 31"},
                    Pair{6028, "Port 32", "Anschluß 32"}, Pair{6030, "Data Port", "Datenanschluß"},
                    Pair{6036, "Send to R30 / R70", "Einstellungen senden"},
                    Pair{6226, "Try again", "Weiter"},
                    Pair{6228, "Quit application", "OrvaISDN beenden"},
                    Pair{6232, "Discard Changes", "Einstellungen verwerfen"},
                    Pair{8516, "Timer", "Wecker & Uhrzeit"},
                    Pair{9062,
                         "Your OrvaISDN modem was not found at the serial port.\n\nPlease check "
                         "the cabling first.\nIs the \"POWER\"-LED of the modem on?",
                         "Das OrvaISDN-Modem wird nicht am seriellen \nAnschluß gefunden.\n\n"
                         "Bitte überprüfen Sie die Verbindungskabel.\nLeuchtet die grüne "
                         "\"POWER\"-LED an ihrem Modem?"},
                    Pair{11, "Version 1.2", "Version 1.2"}, Pair{57345, "Ready", "Bereit"}));

TEST(TextTable, PairsOfTheLabelGroupStartingAt6032HaveBothLanguages) {
    EXPECT_EQ(get(6032, 0), "Check the checkboxs, CLIP will be enable.");
    EXPECT_FALSE(get(6032, 1).empty());
    EXPECT_EQ(get(6034, 0), "SoftFax/ Dig.\nAnswer machine");
    EXPECT_FALSE(get(6034, 1).empty());
}

TEST(TextTable, ApplicationTitleIsUsedAsItIs) {
    EXPECT_EQ(get(57344, 0), "OrvaISDN Quorvex");
    EXPECT_TRUE(has(57344));
}

TEST(TextTable, TyposUsersKnowAreKept) {
    EXPECT_NE(get(6216, 0).find("verson"), std::string_view::npos);
    EXPECT_NE(get(9016, 0).find("at lease 1"), std::string_view::npos);
    EXPECT_NE(get(9064, 0).find("make suce"), std::string_view::npos);
    EXPECT_NE(get(9042, 0).find("exactlly"), std::string_view::npos);
    EXPECT_EQ(get(8530, 1), "TK-Analage einrichten");
    EXPECT_EQ(get(8540, 1), "Profile laden//sichern");
    EXPECT_EQ(get(6116, 0), "Not  answered calls");
    EXPECT_EQ(get(9002, 0),
              "Please enter a  phonenumber.\n\nPlease enter digits only,  0, 1, 2, 3, "
              "4, 5, 6, 7, 8 or 9.");
}

TEST(TextTable, AmpersandConventionIsKept) {
    EXPECT_EQ(get(6182, 0), "Saving && closing the profile...");
    EXPECT_EQ(get(6210, 0), "#1 ISDN status && connection status of the modem");
    EXPECT_EQ(get(8540, 0), "Loading && Saving profiles");
}

TEST(TextTable, UnknownIdentifiersAndLanguages) {
    EXPECT_TRUE(get(6062, 0).empty());
    EXPECT_TRUE(get(0, 0).empty());
    EXPECT_TRUE(get(-5, 1).empty());
    EXPECT_TRUE(get(INT_MAX, 1).empty());
    EXPECT_TRUE(get(INT_MIN, 0).empty());
    EXPECT_FALSE(has(6062));
    EXPECT_TRUE(has(6000));
    EXPECT_TRUE(has(6001));
    // A language other than German falls back to English, never to a neighbour's text.
    EXPECT_EQ(get(6016, 2), "Timer");
    EXPECT_EQ(get(6016, -1), "Timer");
}

TEST(TextTable, MissingGermanOfThe9014MessageIsFilledIn) {
    EXPECT_NE(get(9014, 1), "xx");
    EXPECT_NE(get(9014, 1), get(9014, 0));
    EXPECT_NE(get(9014, 1).find("01070"), std::string_view::npos);
    EXPECT_EQ(get(8526, 0), "xx"); // unused placeholder, kept as it stands
}

TEST(TextTable, CreditsAreFourSeparateTexts) {
    std::set<std::string_view> distinct;
    for (int id = 6202; id <= 6205; ++id) {
        EXPECT_TRUE(has(id)) << id;
        distinct.insert(get(id, 0));
    }
    EXPECT_EQ(distinct.size(), 4U);
    EXPECT_EQ(get(6202, 0).find('\n'), std::string_view::npos) << "the notice is one line";
    EXPECT_FALSE(has(6206));
}

TEST(TextTable, EveryHelpTopicHasABodyInBothLanguages) {
    for (int id = 7000; id <= 7050; id += 2) {
        if (id == 7026) continue; // no topic uses it
        EXPECT_GT(get(id, 0).size(), 100U) << id;
        EXPECT_GT(get(id, 1).size(), 100U) << id;
        EXPECT_NE(get(id, 0), get(id, 1)) << id;
    }
}

TEST(TextTable, MsnHelpExplainsTheAbbreviation) {
    const std::string_view body = get(7000, 0);
    EXPECT_NE(body.find("Multiple Subscriber Number"), std::string_view::npos);
    EXPECT_NE(body.find("telephone company"), std::string_view::npos);
    EXPECT_NE(body.find("more than three"), std::string_view::npos);
}

} // namespace
