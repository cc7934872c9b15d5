// The display and commit rules shared by the short dial, forwarding and filter pages.
#include "pages/telephony/port_entry.h"

#include <gtest/gtest.h>

namespace quorvex::telephony {
namespace {

core::PortNames names() {
    return {"\"11\"", "Paul", "\"22\"", "\"31\"", "\"32\""};
}

TEST(PortEntry, StarCodes) {
    EXPECT_EQ(starCode(0), "*11");
    EXPECT_EQ(starCode(4), "*32");
    EXPECT_EQ(starCode(5), "");
    EXPECT_EQ(starCode(-1), "");
    EXPECT_EQ(starCodePort("*22", names()), 2);
    EXPECT_EQ(starCodePort("22", names()), -1);
    EXPECT_EQ(namedPort("Paul", names()), 1);
    EXPECT_EQ(namedPort("Pau", names()), -1);
}

TEST(PortEntry, DisplayAndStoredValues) {
    struct Case {
        const char* stored;
        const char* display;
    };
    for (const Case& c : {Case{"*21", "Paul"}, Case{"*11", "\"11\""}, Case{"0301234", "0301234"},
                          Case{"", ""}, Case{"*2", "*2"}, Case{"abc", "abc"}}) {
        EXPECT_EQ(displayText(c.stored, names()), c.display) << c.stored;
    }
    struct Commit {
        const char* typed;
        const char* stored;
    };
    for (const Commit& c : {Commit{"Paul", "*21"}, Commit{"*21", "*21"}, Commit{"\"22\"", "*22"},
                            Commit{"0301234", "0301234"}, Commit{"Pau", "Pau"}, Commit{"", ""}}) {
        EXPECT_EQ(storedValue(c.typed, names()), c.stored) << c.typed;
    }
    // Every port's name counts, whatever the model (as every star code does).
    EXPECT_EQ(storedValue("\"31\"", names()), "*31");
}

// A value that did not come from typing (a profile, the device) is committed
// by the same rule as a typed one: a port's name becomes its star code.
TEST(PortEntry, APortNameFromAProfileOrTheDeviceIsStoredAsItsStarCode) {
    PortEntry loaded;
    loaded.reset("", names());
    loaded.setStored("Paul", names());
    EXPECT_EQ(loaded.displayed(), "Paul");
    loaded.commit(names());
    EXPECT_EQ(loaded.stored(), "*21");
    EXPECT_EQ(loaded.displayed(), "Paul");

    PortEntry read;
    read.reset("Paul", names());
    read.commit(names());
    EXPECT_EQ(read.stored(), "*21");
    EXPECT_EQ(read.confirmed(), "Paul") << "what the device holds";
    EXPECT_TRUE(read.changed());
    read.commit(names());
    EXPECT_EQ(read.stored(), "*21") << "a second commit changes nothing";

    // Not a name (any more): stored as it stands.
    for (const char* value : {"Pau", "0301234", "*2", "Peter"}) {
        PortEntry e;
        e.setStored(value, names());
        e.commit(names());
        EXPECT_EQ(e.stored(), value);
    }
}

// A port named like a number: the number the device or a profile holds stays
// a number (an emergency call must not become a call to the port); only the
// user typing the name makes it the port's star code.
TEST(PortEntry, ANumberIsNeverTakenForAPortOfThatName) {
    const core::PortNames numbered = {"\"11\"", "110", "\"22\"", "\"31\"", "\"32\""};
    PortEntry read;
    read.reset("110", numbered);
    EXPECT_FALSE(read.unsentAfterCommit(numbered)); // no change the user did not make
    read.commit(numbered);
    EXPECT_EQ(read.stored(), "110");
    PortEntry loaded;
    loaded.reset("", numbered);
    loaded.setStored("110", numbered);
    loaded.commit(numbered);
    EXPECT_EQ(loaded.stored(), "110");
    PortEntry typed;
    typed.reset("", numbered);
    typed.setDisplayed("110");
    typed.commit(numbered);
    EXPECT_EQ(typed.stored(), "*21");
}

// Half a star code or half a name is kept while typing, never stored.
TEST(PortEntry, AHalfTypedTextIsUndoneByTheCommit) {
    for (const char* typed : {"*", "*2", "Pa", "\"1", "12a"}) {
        PortEntry e;
        e.reset("0301", names());
        e.setDisplayed(typed);
        e.commit(names());
        EXPECT_EQ(e.stored(), "0301") << typed;
        EXPECT_EQ(e.displayed(), "0301") << typed;
        EXPECT_FALSE(e.changed()) << typed;
    }
}

TEST(PortEntry, StarCodeOfAPortWithoutNameShowsTheCode) {
    core::PortNames n = names();
    n[1].clear();
    EXPECT_EQ(displayText("*21", n), "*21");
}

TEST(PortEntry, RenamingChangesTheDisplayNotTheStoredValue) {
    core::PortNames n = names();
    PortEntry e;
    e.reset("*21", n);
    EXPECT_EQ(e.displayed(), "Paul");
    n[1] = "Peter";
    e.commit(n); // the field still shows the old name the page put there
    EXPECT_EQ(e.stored(), "*21");
    EXPECT_EQ(e.displayed(), "Peter");
    EXPECT_FALSE(e.changed());
}

TEST(PortEntry, TwoPortsWithOneNameKeepTheirOwnStarCodes) {
    core::PortNames n = names();
    n[2] = "Paul";
    PortEntry e;
    e.reset("*22", n);
    EXPECT_EQ(e.displayed(), "Paul");
    e.commit(n);
    EXPECT_EQ(e.stored(), "*22");
    // Typed anew, the name means the first port that carries it.
    e.setDisplayed("Paul");
    e.commit(n);
    EXPECT_EQ(e.stored(), "*22") << "the text is still the derived one";
    e.setDisplayed("Pau");
    e.setDisplayed("Paul");
    EXPECT_FALSE(e.pending());
}

TEST(PortEntry, TypedStarCodeIsStoredAndShownAsTheName) {
    PortEntry e;
    e.reset("", names());
    e.setDisplayed("*21");
    EXPECT_TRUE(e.pending());
    e.commit(names());
    EXPECT_EQ(e.stored(), "*21");
    EXPECT_EQ(e.displayed(), "Paul");
    EXPECT_TRUE(e.changed());
    e.confirm();
    EXPECT_FALSE(e.changed());
    e.setDisplayed("0301");
    e.commit(names());
    e.discard(names());
    EXPECT_EQ(e.stored(), "*21");
    EXPECT_EQ(e.displayed(), "Paul");
}

} // namespace
} // namespace quorvex::telephony
