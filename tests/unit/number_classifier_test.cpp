// The number classifier: phone numbers, star codes and port names, with names that
// shadow the other rules and UTF-8 names.

#include "core/number_classifier.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using quorvex::core::characterCount;
using quorvex::core::classify;
using quorvex::core::PortNames;

// Port names as a device carries them before the user names any port.
const PortNames kDefaultNames = {"\"11\"", "\"21\"", "\"22\"", "\"31\"", "\"32\""};
const PortNames kNoNames = {"", "", "", "", ""};

std::string repeat(std::string_view piece, int times) {
    std::string s;
    for (int i = 0; i < times; ++i)
        s += piece;
    return s;
}

struct Case {
    std::string text;
    PortNames names;
    int expected;
};

class Classify : public testing::TestWithParam<Case> {};

TEST_P(Classify, Result) {
    const Case& c = GetParam();
    EXPECT_EQ(classify(c.text, c.names), c.expected) << "text '" << c.text << "'";
}

INSTANTIATE_TEST_SUITE_P(Numbers, Classify,
                         testing::Values(Case{"", kDefaultNames, 1}, Case{"0", kDefaultNames, 1},
                                         Case{"0a", kDefaultNames, 0}, Case{"a0", kDefaultNames, 0},
                                         Case{"0301234567", kDefaultNames, 1},
                                         Case{"123456789012345", kDefaultNames, 1},  // 15 digits
                                         Case{"1234567890123456", kDefaultNames, 0}, // 16 digits
                                         Case{"+4930123", kDefaultNames, 0},
                                         Case{" 12", kDefaultNames, 0},
                                         Case{"12 ", kDefaultNames, 0},
                                         Case{"12-34", kDefaultNames, 0},
                                         Case{"#", kDefaultNames, 0},
                                         Case{"\xff", kDefaultNames, 0}, Case{"0", kNoNames, 1}));

INSTANTIATE_TEST_SUITE_P(
    StarCodes, Classify,
    testing::Values(Case{"*", kDefaultNames, 2}, Case{"*1", kDefaultNames, 2},
                    Case{"*2", kDefaultNames, 2}, Case{"*3", kDefaultNames, 2},
                    Case{"*0", kDefaultNames, 0}, Case{"*4", kDefaultNames, 0},
                    Case{"*a", kDefaultNames, 0}, Case{"**", kDefaultNames, 0},
                    Case{"*11", kDefaultNames, 8}, Case{"*21", kDefaultNames, 9},
                    Case{"*22", kDefaultNames, 10}, Case{"*31", kDefaultNames, 11},
                    Case{"*32", kDefaultNames, 12}, // also on the three-port model
                    Case{"*12", kDefaultNames, 0}, Case{"*23", kDefaultNames, 0},
                    Case{"*33", kDefaultNames, 0}, Case{"*111", kDefaultNames, 0},
                    Case{"*11 ", kDefaultNames, 0}, Case{"1*", kDefaultNames, 0},
                    Case{"*ü", kDefaultNames, 0}));

const PortNames kPaul = {"\"11\"", "Paul", "\"22\"", "\"31\"", "\"32\""};

INSTANTIATE_TEST_SUITE_P(PortNamesMatch, Classify,
                         testing::Values(
                             // Default names: a leading double quote starts a port name.
                             Case{"\"", kDefaultNames, 2}, Case{"\"1", kDefaultNames, 2},
                             Case{"\"11", kDefaultNames, 2}, Case{"\"11\"", kDefaultNames, 3},
                             Case{"\"21\"", kDefaultNames, 4}, Case{"\"32\"", kDefaultNames, 7},
                             Case{"\"11\"x", kDefaultNames, 0}, Case{"\"12", kDefaultNames, 0},
                             Case{"\"", kNoNames, 0},
                             // A named port.
                             Case{"P", kPaul, 2}, Case{"Pau", kPaul, 2}, Case{"Paul", kPaul, 4},
                             Case{"Pauls", kPaul, 0}, Case{"Paula", kPaul, 0},
                             // Exact and case-sensitive.
                             Case{"paul", kPaul, 0}, Case{"PAUL", kPaul, 0},
                             Case{"Paul ", kPaul, 0}));

INSTANTIATE_TEST_SUITE_P(NamesShadowTheRules, Classify,
                         testing::Values(
                             // A name made of digits makes its prefixes incomplete, not numbers.
                             Case{"1", PortNames{"a", "b", "c", "d", "123"}, 2},
                             Case{"12", PortNames{"a", "b", "c", "d", "123"}, 2},
                             Case{"123", PortNames{"a", "b", "c", "d", "123"}, 7},
                             Case{"1234", PortNames{"a", "b", "c", "d", "123"}, 1},
                             Case{"0", PortNames{"a", "b", "c", "0", "e"}, 6},
                             // A name with a star beats the star code it looks like.
                             Case{"*22", PortNames{"*22", "b", "c", "d", "e"}, 3},
                             Case{"*2", PortNames{"a", "b", "*2", "d", "e"}, 5},
                             Case{"*4", PortNames{"a", "b", "*42", "d", "e"}, 2},
                             Case{"*21", PortNames{"a", "b", "*2", "d", "e"}, 9},
                             // The first port whose name begins with the text decides.
                             Case{"Anna", PortNames{"Anna", "Anna", "c", "d", "e"}, 3},
                             Case{"Anna", PortNames{"Annabel", "Anna", "c", "d", "e"}, 2},
                             Case{"Anna", PortNames{"x", "Anna", "c", "d", "Annabel"}, 4}));

const PortNames kUmlauts = {"Jürgen", "Äöü", repeat("ü", 15), repeat("ü", 16), "Zoë"};

INSTANTIATE_TEST_SUITE_P(
    Utf8Names, Classify,
    testing::Values(Case{"J", kUmlauts, 2}, Case{"Jü", kUmlauts, 2}, Case{"Jürgen", kUmlauts, 3},
                    Case{"Jurgen", kUmlauts, 0}, Case{"JÜRGEN", kUmlauts, 0},
                    Case{"Äöü", kUmlauts, 4}, Case{"Zoë", kUmlauts, 7},
                    // 15 characters (30 bytes) still fit; 16 do not.
                    Case{repeat("ü", 15), kUmlauts, 5}, Case{repeat("ü", 16), kUmlauts, 0},
                    Case{repeat("ü", 14), kUmlauts, 2},
                    // Never longer than 15, even when a name would match.
                    Case{"1234567890123456", PortNames{"1234567890123456", "", "", "", ""}, 0},
                    Case{"12345678901234", PortNames{"1234567890123456", "", "", "", ""}, 2}));

TEST(Classifier, CharacterCountCountsCodePoints) {
    EXPECT_EQ(characterCount(""), 0U);
    EXPECT_EQ(characterCount("Paul"), 4U);
    EXPECT_EQ(characterCount("Jürgen"), 6U);
    EXPECT_EQ(characterCount("\xe2\x82\xac"), 1U); // euro sign
    EXPECT_EQ(characterCount("\xf0\x9f\x93\x9e"), 1U);
    EXPECT_EQ(characterCount("\xff\xfe"), 2U); // stray bytes count one each
}

} // namespace
