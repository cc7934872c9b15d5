#include "core/port_symbols.h"

#include "support/fakes.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex;
using core::PortSymbol;
using core::PortSymbolRow;
using core::SymbolKind;

TEST(PortSymbols, PictureNumbersOutsideTheSetShowPictureZero) {
    struct Row {
        SymbolKind kind;
        int stored;
        int shown;
    } rows[] = {
        {SymbolKind::Analog, 0, 0},
        {SymbolKind::Analog, 14, 14},
        {SymbolKind::Analog, 15, 0},
        {SymbolKind::Analog, -1, 0},
        {SymbolKind::AnalogMarked, 9, 9},
        {SymbolKind::Data, 5, 5},
        {SymbolKind::Data, 6, 0},
        {SymbolKind::DataMarked, 14, 0},
        {SymbolKind::Language, 1, 1},
        {SymbolKind::Language, 2, 0},
        {SymbolKind::Analog, 2147483647, 0},
    };
    for (const Row& r : rows) {
        test::FakeProfileStore profiles;
        profiles.set(0, "MSN_DIV", "PORTIDX0", std::to_string(r.stored));
        PortSymbol symbol(0, r.kind);
        symbol.load(profiles, 0);
        EXPECT_EQ(symbol.picture(), r.shown) << static_cast<int>(r.kind) << " " << r.stored;
    }
}

TEST(PortSymbols, AMissingOrGarbledKeyShowsPictureZero) {
    test::FakeProfileStore profiles;
    profiles.set(1, "MSN_DIV", "PORTIDX1", "abc");
    PortSymbolRow row;
    row.at(0).setPicture(4);
    row.load(profiles, 1, 5);
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(row.at(i).picture(), 0) << i;
}

TEST(PortSymbols, RowOfAnR30SkipsPorts31And32) {
    test::FakeProfileStore profiles;
    for (int i = 0; i < 6; ++i)
        profiles.set(1, "MSN_DIV", core::portSymbolKey(i), "3");
    PortSymbolRow row;
    row.load(profiles, 1, 3);
    EXPECT_EQ(row.at(2).picture(), 3);
    EXPECT_EQ(row.at(3).picture(), 0);
    EXPECT_EQ(row.at(4).picture(), 0);
    EXPECT_EQ(row.at(5).picture(), 3);

    core::WriteReport report;
    row.save(profiles, 0, 3, report);
    std::vector<std::string> keys;
    for (const auto& w : profiles.writes)
        keys.push_back(w.key);
    EXPECT_EQ(keys, (std::vector<std::string>{"PORTIDX0", "PORTIDX1", "PORTIDX2", "PORTIDX5"}));
    EXPECT_TRUE(report.ok());
}

TEST(PortSymbols, MenuChoiceWritesTheDefaultProfileExceptForTheFlags) {
    test::FakeProfileStore profiles;
    core::WriteReport report;
    PortSymbol data(5, SymbolKind::Data);
    EXPECT_TRUE(data.choose(320, profiles, report));
    EXPECT_EQ(data.picture(), 5);
    EXPECT_EQ(profiles.get(0, "MSN_DIV", "PORTIDX5"), "5");
    EXPECT_FALSE(data.choose(321, profiles, report));
    EXPECT_FALSE(data.choose(314, profiles, report));
    EXPECT_EQ(data.picture(), 5);

    PortSymbol flags(0, SymbolKind::Language);
    profiles.writes.clear();
    EXPECT_TRUE(flags.choose(345, profiles, report));
    EXPECT_EQ(flags.picture(), 1);
    EXPECT_TRUE(profiles.writes.empty());

    profiles.failWrites(0);
    PortSymbol analog(1, SymbolKind::Analog);
    EXPECT_TRUE(analog.choose(307, profiles, report));
    ASSERT_EQ(report.failures().size(), 1u);
    EXPECT_EQ(report.failures()[0].key, "PORTIDX1");
}

} // namespace
