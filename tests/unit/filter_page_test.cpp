#include "pages/telephony/filter_page.h"
#include "pages/telephony/port_entry.h"

#include "core/config_app.h"
#include "profile/sections.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

using namespace quorvex;
using telephony::FilterPage;
using test::Answer;
using test::Cmd;

// Driver ports of the existing columns, in page order.
std::vector<int> columnPorts(int portCount) {
    const int all[] = {11, 21, 22, 31, 32};
    std::vector<int> out(all, all + portCount);
    out.push_back(0);
    return out;
}

struct FilterFixture : ::testing::Test, test::PageFixture {
    std::unique_ptr<FilterPage> page;

    void SetUp() override {
        app.connected = true;
        app.cache.analog[1].name = "Paul";
        app.cache.analog[4].name = "Ilvane";
        drv.on({DRV_FILTER, {}, {}, 1}, Answer::ok());
        drv.on({DRV_FILTERNUM, {}, {}, 1}, Answer::ok());
    }

    FilterPage& make(int portCount) {
        page = std::make_unique<FilterPage>(app, ui, host, portCount);
        return *page;
    }

    // Every switch and entry answered; entry k of the column of port p is "<p>0<k>".
    void deviceAnswers() {
        for (int port : {11, 21, 22, 31, 32, 0}) {
            drv.on({DRV_FILTER, port, {}, 0}, Answer::okFlag(port == 21 ? 1 : 0));
            for (int k = 0; k < 10; ++k)
                drv.on({DRV_FILTERNUM, port, k, 0},
                       Answer::okText(std::to_string(port) + "0" + std::to_string(k)));
        }
    }

    static std::vector<Cmd> allItems(int portCount, int op) {
        std::vector<Cmd> out;
        for (int port : columnPorts(portCount))
            out.push_back({DRV_FILTER, port, 0, op, ""});
        for (int port : columnPorts(portCount)) {
            for (int k = 0; k < 10; ++k)
                out.push_back({DRV_FILTERNUM, port, k, op, ""});
        }
        return out;
    }

    // The commands without their texts, to compare orders.
    std::vector<Cmd> shape() const {
        std::vector<Cmd> out = drv.sequence();
        for (Cmd& c : out)
            c.text.clear();
        return out;
    }
};

TEST_F(FilterFixture, ReadOrderForBothModels) {
    for (int portCount : {3, 5}) {
        drv.clearCalls();
        make(portCount).readDevice();
        EXPECT_EQ(shape(), allItems(portCount, 0)) << "portCount " << portCount;
        EXPECT_EQ(drv.calls().size(), portCount == 5 ? 66u : 44u);
    }
}

TEST_F(FilterFixture, ReadTakesSwitchesAndEntriesFailuresReadEmpty) {
    deviceAnswers();
    drv.on({DRV_FILTERNUM, 22, 4, 0}, Answer::noReply());
    Answer refused = Answer::notAcknowledged();
    refused.text = "999";
    drv.on({DRV_FILTERNUM, 0, 9, 0}, refused);
    FilterPage& p = make(5);
    p.readDevice();
    EXPECT_TRUE(p.active(1));
    EXPECT_FALSE(p.active(0));
    EXPECT_EQ(p.text(2800 + 10 * 3 + 7), "3107");
    EXPECT_EQ(p.text(2824), "");
    EXPECT_EQ(p.text(2859), "");
    EXPECT_EQ(p.text(2850), "000");
    EXPECT_FALSE(p.hasUnsentChanges());
}

TEST_F(FilterFixture, StarCodesShowThePortsName) {
    drv.on({DRV_FILTERNUM, 11, 0, 0}, Answer::okText("*21"));
    drv.on({DRV_FILTERNUM, 11, 1, 0}, Answer::okText("*31"));
    drv.on({DRV_FILTERNUM, 11, 2, 0}, Answer::okText("*32"));
    drv.on({DRV_FILTERNUM, 11, 3, 0}, Answer::okText("0301234"));
    FilterPage& p = make(5);
    p.readDevice();
    EXPECT_EQ(p.text(2800), "Paul");
    EXPECT_EQ(p.text(2801), "\"31\""); // no name: its number in quotes
    EXPECT_EQ(p.text(2802), "Ilvane");
    EXPECT_EQ(p.text(2803), "0301234");
    EXPECT_EQ(p.stored(0, 0), "*21");
    EXPECT_FALSE(p.hasUnsentChanges()); // showing a name is no change
}

// Typed text -> what is sent and what the field shows after the send.
struct CommitCase {
    const char* typed;
    const char* sent;
    const char* shown;
};

TEST_F(FilterFixture, CommitStoresPortNamesAsStarCodes) {
    const CommitCase cases[] = {
        {"Paul", "*21", "Paul"},     {"*32", "*32", "Ilvane"},          {"*11", "*11", "\"11\""},
        {"\"22\"", "*22", "\"22\""}, {"0301234", "0301234", "0301234"}, {"", "", ""},
    };
    for (const CommitCase& c : cases) {
        FilterPage& p = make(5);
        drv.clearCalls();
        EXPECT_TRUE(p.textChanged(2810, c.typed)) << c.typed;
        p.send(); // straight after typing
        std::vector<Cmd> expected;
        if (std::string(c.typed) != "") expected.push_back({DRV_FILTERNUM, 21, 0, 1, c.sent});
        EXPECT_EQ(drv.sequence(), expected) << c.typed;
        EXPECT_EQ(p.text(2810), c.shown) << c.typed;
        EXPECT_EQ(p.confirmed(1, 0), c.sent) << c.typed;
        EXPECT_FALSE(p.hasUnsentChanges());
    }
}

// Half-typed entries are accepted while typing, but a commit never stores
// them: like the short dial and forwarding pages, it returns them to the
// confirmed value (the device would take "Pa" as a caller number).
TEST_F(FilterFixture, HalfTypedEntriesAreUndoneWhenCommitted) {
    deviceAnswers();
    for (const char* typed : {"*", "*2", "Pa", "Ilv", "\"3"}) {
        FilterPage& p = make(5);
        p.readDevice();
        drv.clearCalls();
        ui.messages.clear();
        EXPECT_TRUE(p.textChanged(2810, typed)) << typed;
        EXPECT_TRUE(ui.messages.empty()) << "accepted while typing: " << typed;
        EXPECT_EQ(p.text(2810), typed);
        EXPECT_FALSE(p.hasUnsentChanges()) << typed;
        p.send();
        EXPECT_TRUE(drv.calls().empty()) << typed;
        EXPECT_EQ(p.stored(1, 0), "2100") << typed;
        EXPECT_EQ(p.text(2810), "2100") << typed;
    }
    // Enter or Tab: the entry goes back and the focus moves on.
    FilterPage& p = make(5);
    p.readDevice();
    p.setCurrentField(2811);
    EXPECT_TRUE(p.textChanged(2811, "Pau"));
    p.enterOrTab();
    EXPECT_EQ(p.text(2811), "2101");
    EXPECT_EQ(p.stored(1, 1), "2101");
    EXPECT_EQ(p.currentField(), 2812);
    // So does leaving the page (the shell's commit of the current field).
    EXPECT_TRUE(p.textChanged(2812, "*3"));
    p.acceptField();
    EXPECT_EQ(p.text(2812), "2102");
    EXPECT_EQ(p.mayLeave(), 1); // nothing to ask about (a question would fail the test)
}

// The device holds a port's name as an entry: shown as the name, offered and
// sent as the star code (the same rule as the short dial and forwarding pages).
TEST_F(FilterFixture, APortNameTheDeviceHoldsIsSentAsItsStarCode) {
    deviceAnswers();
    drv.on({DRV_FILTERNUM, 0, 4, 0}, Answer::okText("Ilvane"));
    FilterPage& p = make(5);
    p.readDevice();
    EXPECT_EQ(p.text(2854), "Ilvane");
    EXPECT_TRUE(p.hasUnsentChanges());
    drv.clearCalls();
    p.send();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_FILTERNUM, 0, 4, 1, "*32"}}));
    EXPECT_EQ(p.text(2854), "Ilvane");
    EXPECT_FALSE(p.hasUnsentChanges());
}

TEST_F(FilterFixture, StarCodeOfASecondPortWithTheSameNameStays) {
    app.cache.analog[2].name = "Paul"; // ports 21 and 22 both "Paul"
    drv.on({DRV_FILTERNUM, 11, 0, 0}, Answer::okText("*22"));
    FilterPage& p = make(5);
    p.readDevice();
    EXPECT_EQ(p.text(2800), "Paul");
    EXPECT_FALSE(p.hasUnsentChanges());
    drv.clearCalls();
    p.send();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(p.stored(0, 0), "*22");
}

TEST_F(FilterFixture, EnterOrTabCommitsAndMovesOn) {
    FilterPage& p = make(3);
    p.textChanged(2829, "Paul");
    p.enterOrTab();
    EXPECT_EQ(p.stored(2, 9), "*21");
    EXPECT_EQ(p.currentField(), 2850); // columns 3 and 4 do not exist on the R30
    EXPECT_EQ(ui.events.back(), "focus 2850");
    p.setCurrentField(2859);
    p.enterOrTab();
    EXPECT_EQ(p.currentField(), 2800);
}

struct TypingCase {
    const char* text;
    bool accepted;
};

TEST_F(FilterFixture, InvalidTypingRestoresTheConfirmedEntry) {
    deviceAnswers();
    const TypingCase cases[] = {
        {"12a", false},
        {"*4", false},
        {"*12", false},
        {"Paulo", false},
        {"1234567890123456", false},
        {"*", true},
        {"*3", true},
        {"P", true},
        {"123456789012345", true},
        {"", true},
    };
    for (const TypingCase& c : cases) {
        FilterPage& p = make(5);
        p.readDevice();
        ui.messages.clear();
        ui.events.clear();
        EXPECT_EQ(p.textChanged(2805, c.text), c.accepted) << c.text;
        if (c.accepted) {
            EXPECT_TRUE(ui.messages.empty()) << c.text;
            EXPECT_EQ(p.text(2805), c.text);
        } else {
            EXPECT_EQ(ui.messages, std::vector<int>{9000}) << c.text;
            EXPECT_EQ(p.text(2805), "1105");
            EXPECT_EQ(p.stored(0, 5), "1105");
            EXPECT_EQ(ui.events.back(), "focus 2805");
        }
    }
}

TEST_F(FilterFixture, SendsOnlyChangedItems) {
    deviceAnswers();
    FilterPage& p = make(5);
    p.readDevice();
    drv.clearCalls();
    p.send();
    EXPECT_TRUE(drv.calls().empty());

    p.textChanged(2853, "Ilvane"); // data column, slot 3
    p.textChanged(2812, "");       // port 21, slot 2: cleared
    EXPECT_TRUE(p.toggleActive(2865));
    EXPECT_TRUE(p.toggleActive(2861)); // 1 -> 0
    EXPECT_TRUE(p.hasUnsentChanges());
    p.send();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{
                                  {DRV_FILTER, 21, 0, 1, ""},
                                  {DRV_FILTER, 0, 0, 1, ""},
                                  {DRV_FILTERNUM, 21, 2, 1, ""},
                                  {DRV_FILTERNUM, 0, 3, 1, "*32"},
                              }));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 0);
    EXPECT_EQ(drv.calls()[1].sent.bFlag, 1);
    EXPECT_FALSE(p.hasUnsentChanges());
}

// A device that answers a set without "OK" has refused it: the item is not
// done and goes again with the next send.
TEST_F(FilterFixture, SetWithoutOkIsNotDone) {
    deviceAnswers();
    FilterPage& p = make(5);
    p.readDevice();
    drv.on({DRV_FILTERNUM, 11, 0, 1}, Answer::notAcknowledged());
    drv.on({DRV_FILTER, 11, 0, 1}, Answer::notAcknowledged());
    drv.on({DRV_FILTERNUM, 11, 1, 1}, Answer::noReply());
    p.textChanged(2800, "4711");
    p.textChanged(2801, "4712");
    p.textChanged(2802, "4713");
    p.toggleActive(2860);
    drv.clearCalls();
    p.send();
    EXPECT_EQ(drv.calls().size(), 4u);
    EXPECT_TRUE(p.hasUnsentChanges());
    EXPECT_EQ(p.confirmed(0, 0), "1100");
    EXPECT_EQ(p.confirmed(0, 1), "1101");
    EXPECT_EQ(p.confirmed(0, 2), "4713");
    EXPECT_EQ(p.report().text().find("=4711,OK"), std::string::npos);
    drv.clearCalls();
    p.send();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{
                                  {DRV_FILTER, 11, 0, 1, ""},
                                  {DRV_FILTERNUM, 11, 0, 1, "4711"},
                                  {DRV_FILTERNUM, 11, 1, 1, "4712"},
                              }));
}

TEST_F(FilterFixture, DiscardRestoresEntriesAndSwitches) {
    deviceAnswers();
    FilterPage& p = make(3);
    p.readDevice();
    p.textChanged(2801, "Paul");
    p.toggleActive(2865);
    p.discard();
    EXPECT_FALSE(p.hasUnsentChanges());
    EXPECT_EQ(p.text(2801), "1101");
    EXPECT_FALSE(p.active(5));
}

TEST_F(FilterFixture, R30SkipsColumnsOfPorts31And32) {
    FilterPage& p = make(3);
    EXPECT_FALSE(p.textChanged(2830, "1"));
    EXPECT_FALSE(p.toggleActive(2863));
    EXPECT_EQ(p.text(2849), "");
    EXPECT_EQ(p.portName(4), "");
    EXPECT_EQ(p.portName(5), "\"data\"");
    EXPECT_TRUE(p.columnExists(5));
}

TEST_F(FilterFixture, ProfileLoadSendsEveryItem) {
    for (int portCount : {3, 5}) {
        FilterPage& p = make(portCount);
        profiles.set(1, "FILTER_DIV", "ACTIVE5", "1");
        profiles.set(1, "FILTER_DIV", "FTRNUM13", "Paul");
        profiles.set(1, "FILTER_DIV", "FTRNUM59", "0815");
        profiles.set(1, "FILTER_DIV", "FTRNUM30", "3333"); // R30: never read
        drv.clearCalls();
        host.progressSteps = 0;
        p.profileLoad(1);
        EXPECT_EQ(shape(), allItems(portCount, 1)) << portCount;
        EXPECT_EQ(host.progressSteps, portCount == 5 ? 66 : 44);
        std::vector<Cmd> seq = drv.sequence();
        auto textOf = [&](int port, int k) {
            for (const Cmd& c : seq) {
                if (c.code == DRV_FILTERNUM && c.port == port && c.index == k) return c.text;
            }
            return std::string("?");
        };
        EXPECT_EQ(textOf(0, 9), "0815");
        EXPECT_EQ(textOf(21, 3), "*21"); // a name in a file is stored as the star code
        EXPECT_EQ(textOf(31, 0), portCount == 5 ? "3333" : "?");
        EXPECT_EQ(drv.calls()[static_cast<std::size_t>(portCount)].sent.bFlag, 1); // ACTIVE5
        EXPECT_EQ(p.text(2813), "Paul");
        EXPECT_FALSE(p.hasUnsentChanges());
    }
}

TEST_F(FilterFixture, ProfileSaveWritesConfirmedValuesUnderTheSectionKeys) {
    for (int portCount : {3, 5}) {
        deviceAnswers();
        FilterPage& p = make(portCount);
        p.readDevice();
        p.textChanged(2800, "9999"); // unsent: not saved
        profiles.writes.clear();
        EXPECT_TRUE(p.profileSave(1).ok());
        std::vector<profile::KeySpec> keys = profile::keysOf(profile::Section::Filter, portCount);
        ASSERT_EQ(profiles.writes.size(), keys.size());
        for (std::size_t i = 0; i < keys.size(); ++i) {
            EXPECT_EQ(profiles.writes[i].key, keys[i].name);
            EXPECT_EQ(profiles.writes[i].section, "FILTER_DIV");
        }
        EXPECT_EQ(*profiles.get(1, "FILTER_DIV", "ACTIVE1"), "1");
        EXPECT_EQ(*profiles.get(1, "FILTER_DIV", "ACTIVE5"), "0");
        EXPECT_EQ(*profiles.get(1, "FILTER_DIV", "FTRNUM00"), "1100");
        EXPECT_EQ(*profiles.get(1, "FILTER_DIV", "FTRNUM59"), "009");
    }
}

TEST(FilterEntries, StoredAndShownForms) {
    core::PortNames names = {"\"11\"", "Paul", "\"22\"", "\"31\"", "Ilvane"};
    EXPECT_EQ(telephony::storedValue("Paul", names), "*21");
    EXPECT_EQ(telephony::storedValue("Ilvane", names), "*32");
    EXPECT_EQ(telephony::storedValue("*22", names), "*22");
    EXPECT_EQ(telephony::storedValue("Pau", names), "Pau");
    EXPECT_EQ(telephony::displayText("*21", names), "Paul");
    EXPECT_EQ(telephony::displayText("*11", names), "\"11\"");
    EXPECT_EQ(telephony::displayText("*2", names), "*2");
    EXPECT_EQ(telephony::displayText("021", names), "021");
}

} // namespace
