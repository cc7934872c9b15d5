// The load trial: every page's own load, run against a stand-in device, names
// the values of a profile that the load would change or leave out, whichever
// page owns them, and what the file lacks of a full save; what it runs
// reaches neither the device nor a file.
#include "app/load_trial.h"
#include "support/fake_driver.h"
#include "support/fakes.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

using namespace quorvex;

TEST(LoadTrial, NamesEveryValueAPageWouldNotSendAsGiven) {
    struct Row {
        const char* section;
        const char* key;
        std::string value;
        bool named; // not sent as given
    };
    const Row rows[] = {
        {"SET_DIV", "LCDDSPING", "1", false},
        {"SET_DIV", "CHGUNIT", std::string(40, '1'), true}, // longer than the record holds
        {"SET_DIV", "LANGUAGE", "7", false},                // the program's own: not compared
        {"MSN_DIV", "AMSN00", "12ab", true},                // not a phone number
        {"MSN_DIV", "AMSN10", "4711", false},
        {"ACCEP_DIV", "ACCEPCALL0", "9", true}, // 0..2
        {"ACCEP_DIV", "ACCEPCALL1", "2", false},
        {"ACCEP_DIV", "SHOWID0", "7", true},     // 0..2
        {"ACCEP_DIV", "DELAYRING0", "10", true}, // 0..9
        {"ACCEP_DIV", "DELAYRING1", "9", false},
        {"ACCEP_DIV", "CALLWAIT0", "7", true}, // a switch: sent as 1
        {"ACCEP_DIV", "LOWVOL0", "1", false},
        {"SHORTDIAL_DIV", "SDNUM00", "0301234", false},
        {"FORWARD_DIV", "FWDIMM0", "0301234", true}, // port 11 has no MSN: nothing to forward
        {"FORWARD_DIV", "FWDIMM1", "0301234", false},
        {"FILTER_DIV", "ACTIVE0", "1", false},
        {"DATA_DIV", "CURPTOCOL", "9", true}, // no such protocol: the default stands
        {"TIMER_DIV", "MCALL0", "07:30", false},
        {"TIMER_DIV", "MCALL1", "25:99", true}, // not a time
    };
    test::FakeDriver drv;
    test::FakeProfileStore profiles;
    test::FakeClock clock;
    core::CConfigApp app{drv.fn(), profiles, clock};
    app.connected = app.identified = true;
    app.modelNumber = app.pageModel = 70;
    app.cache.analog[1].msn[0] = "4711";
    std::vector<std::string> expected;
    for (const Row& r : rows) {
        profiles.set(core::kCurrentProfile, r.section, r.key, r.value);
        if (r.named) expected.push_back(std::string(r.section) + "/" + r.key + "=" + r.value);
    }
    profiles.writes.clear();

    const app::LoadTrial trial = app::tryLoad(app, core::kCurrentProfile);
    EXPECT_EQ(trial.notAsGiven, expected);
    EXPECT_TRUE(drv.calls().empty()) << "the trial reached the device";
    EXPECT_TRUE(profiles.writes.empty()) << "the trial wrote " << profiles.writes.front().key;

    // What it lacks is what a full save writes: whole sections by name, and
    // no EID number for EID class 0 (a save writes only that of its class).
    auto lacks = [&](const std::string& item) {
        const auto& l = app::tryLoad(app, core::kCurrentProfile).lacking;
        return std::find(l.begin(), l.end(), item) != l.end();
    };
    for (const char* item : {"BACK_DIV", "LCR_DIV", "SET_DIV/SOUNDON", "DATA_DIV/EIDCLS"})
        EXPECT_TRUE(lacks(item)) << item;
    for (const char* item : {"SET_DIV/CHGUNIT", "DATA_DIV", "DATA_DIV/EIDNUM3", "ACCEP_DIV"})
        EXPECT_FALSE(lacks(item)) << item;
}

} // namespace
