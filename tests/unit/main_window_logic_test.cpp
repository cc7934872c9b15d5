#include "app/main_window_logic.h"
#include "support/app_fixture.h"
#include "support/recording_page.h"
#include "support/scripted_ui.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <deque>

namespace {

using namespace quorvex;
using test::Answer;
using test::Cmd;
using test::FakeDriver;
using Log = std::vector<std::string>;

struct MainFixture : ::testing::Test, test::AppFixture {
    test::ScriptedUi ui;
    test::RecordingPageFactory factory{app, ui};
    app::MainWindowLogic main{app, ui, factory};

    void SetUp() override {
        app.connected = true;
        app.identified = true;
        app.modelNumber = app.pageModel = 70;
        main.buildPages();
        factory.log.clear();
    }
    test::RecordingPage* page(int i) { return factory.page(main, i); }
    // The device answers the callback and settings queries (the values a save writes).
    void deviceAnswersTheMainWindow() {
        for (uint16_t c : {DRV_CALLBACK, DRV_CALLBACKNUM, DRV_LCDGERMAN, DRV_CHGUNIT, DRV_AREACODE,
                           DRV_PABXPREFIX, DRV_INTLPREFIX})
            drv.on({c}, Answer::ok());
    }
    Log takeLog() {
        Log out = factory.log;
        factory.log.clear();
        return out;
    }
};

TEST_F(MainFixture, PageSwitchRules) {
    main.command(5000);
    EXPECT_EQ(takeLog(), (Log{"p0:shown", "p0:language 0"}));
    // Centred and painted within the switch; the read is posted and runs after it.
    EXPECT_EQ(ui.events, (Log{"busy 1", "button 0", "main centred", "refresh",
                              "post page 0 message 4", "busy 0"}));
    ui.runPosted(main);
    EXPECT_EQ(takeLog(), (Log{"p0:read"}));
    EXPECT_EQ(main.currentIndex(), 0);

    main.pageCommand(5000); // the shown page's own button
    EXPECT_TRUE(takeLog().empty());

    main.pageCommand(5003);
    ui.runPosted(main);
    EXPECT_EQ(takeLog(), (Log{"p0:accept", "p3:shown", "p3:language 0", "p0:hidden", "p3:read"}));

    ui.events.clear();
    main.pageCommand(5000); // second showing: no read, centred again
    ui.runPosted(main);
    EXPECT_EQ(takeLog(), (Log{"p3:accept", "p0:shown", "p3:hidden"}));
    EXPECT_EQ(ui.eventsStartingWith("main centred").size(), 1u);
    EXPECT_EQ(app.currentPageIndex, 0);
}

TEST_F(MainFixture, UnsentChangesQuestionOnLeaving) {
    main.command(5000);
    ui.runPosted(main);
    takeLog();
    page(0)->dirty = true;
    ui.discardAnswers = {core::DiscardAnswer::Cancel};
    main.pageCommand(5001);
    EXPECT_EQ(takeLog(), (Log{"p0:accept"})); // committed, then asked: Cancel stays
    EXPECT_EQ(main.currentIndex(), 0);

    ui.discardAnswers = {core::DiscardAnswer::Send};
    main.pageCommand(5001);
    ui.runPosted(main);
    // The field being edited is committed before the question.
    EXPECT_EQ(takeLog(),
              (Log{"p0:accept", "p0:send", "p1:shown", "p1:language 0", "p0:hidden", "p1:read"}));
}

TEST_F(MainFixture, ProfileLoadOrderProgressAndUninitialisedPagesReadFirst) {
    main.command(5000);
    ui.runPosted(main); // page 0 has been read
    main.command(5001); // page 1's read is posted, not run yet: the load reads it
    takeLog();
    drv.onCall = [&](uint16_t, DRVPARAM*) { clock.advance(100); };
    for (int i = 0; i < 10; ++i)
        page(i)->progressStepsOnLoad = 1;
    drv.on({DRV_CALLBACK}, Answer::ok());
    drv.on({DRV_CALLBACKNUM}, Answer::ok());
    drv.on({DRV_LCDGERMAN}, Answer::ok());
    for (uint16_t c : {DRV_CHGUNIT, DRV_AREACODE, DRV_PABXPREFIX, DRV_INTLPREFIX}) {
        drv.on({c}, Answer::ok());
    }
    profiles.set(core::kCurrentProfile, "BACK_DIV", "CLBKNUM3", "0301234");
    profiles.set(core::kCurrentProfile, "SET_DIV", "SOUNDON", "1");
    profiles.set(core::kCurrentProfile, "SET_DIV", "PABX", "0");

    core::WriteReport report = main.profileLoad(core::kCurrentProfile, "my.pro");
    EXPECT_TRUE(report.ok());

    EXPECT_EQ(takeLog(), (Log{"p0:load 1", "p1:read", "p1:load 1", "p2:read", "p2:load 1",
                              "p3:read", "p3:load 1", "p4:read", "p4:load 1", "p5:read",
                              "p5:load 1", "p6:read", "p6:load 1", "p8:read", "p8:load 1"}));
    ui.runPosted(main); // the posted read comes too late: the page is not read over
    EXPECT_TRUE(takeLog().empty());
    EXPECT_TRUE(main.initialised(8));
    EXPECT_FALSE(main.initialised(7));
    EXPECT_FALSE(main.initialised(9));

    // BACK_DIV (44, then 45 for 0..9), then SET_DIV (39 to 43), everything sent.
    std::vector<Cmd> expected{{DRV_CALLBACK, 0, 0, 1, ""}};
    for (int i = 0; i < 10; ++i)
        expected.push_back({DRV_CALLBACKNUM, 0, i, 1, i == 3 ? "0301234" : ""});
    expected.push_back({DRV_LCDGERMAN, 0, 0, 1, ""});
    expected.push_back({DRV_CHGUNIT, 0, 0, 1, ""});
    expected.push_back({DRV_AREACODE, 0, 0, 1, ""});
    expected.push_back({DRV_PABXPREFIX, 0, 0, 1, "0"});
    expected.push_back({DRV_INTLPREFIX, 0, 0, 1, ""});
    EXPECT_EQ(drv.sequence(), expected);
    EXPECT_EQ(main.settings().pabxPrefix.confirmed, "0");
    EXPECT_EQ(main.callback().numbers[3].confirmed, "0301234");

    // SOUNDON copied into the default profile.
    EXPECT_TRUE(app.soundOn);
    EXPECT_EQ(profiles.get(core::kDefaultProfile, "SET_DIV", "SOUNDON"), "1");

    // Progress: the elapsed ms after each step, then 25000.
    EXPECT_EQ(ui.eventsStartingWith("progress open"), (Log{"progress open 6194 \"my.pro\" 25000"}));
    std::vector<int> expectedPositions{0, 1100, 1600};
    for (int i = 0; i < 8; ++i) {
        expectedPositions.push_back(1600);
        expectedPositions.push_back(1600); // the page's own progress step
    }
    expectedPositions.push_back(25000);
    EXPECT_EQ(ui.progressPositions, expectedPositions);
    EXPECT_EQ(ui.eventsStartingWith("progress text"), (Log{"progress text 6196"}));
    EXPECT_EQ(clock.sleeps, (std::vector<std::int64_t>{400}));
    EXPECT_EQ(ui.events.back(), "progress close");
}

TEST_F(MainFixture, ProgressStopsAtItsEnd) {
    drv.onCall = [&](uint16_t, DRVPARAM*) { clock.advance(5000); };
    main.profileLoad(core::kCurrentProfile, "slow.pro");
    for (int p : ui.progressPositions)
        EXPECT_LE(p, 25000);
    EXPECT_EQ(ui.progressPositions[2], 25000);
}

TEST_F(MainFixture, ProfileLoadWithAnotherLanguageSwitchesEverything) {
    profiles.set(core::kCurrentProfile, "SET_DIV", "LANGUAGE", "1");
    main.profileLoad(core::kCurrentProfile, "de.pro");
    EXPECT_EQ(app.language, 1);
    EXPECT_EQ(profiles.get(core::kDefaultProfile, "SET_DIV", "LANGUAGE"), "1");
    Log log = takeLog();
    for (int i = 0; i < 10; ++i) {
        EXPECT_NE(std::find(log.begin(), log.end(), "p" + std::to_string(i) + ":language 1"),
                  log.end());
    }
}

// "Load Profile..." sends every key it finds and a default for every key it
// does not: a file that cannot be read, or holds no section of a profile
// (empty, another kind of file, an encoding we cannot read), would put
// defaults over all of the device's settings, so it is refused.
TEST_F(MainFixture, LoadProfileRefusesAFileWithoutProfileSettings) {
    const std::string file = "/home/j\xC3\xBCrgen/b\xC3\xBCro.pro";
    struct Case {
        const char* what;
        const char* section; // a section the file holds; null: no such file
        int message;
    };
    const Case cases[] = {
        {"missing or unreadable", nullptr, 9956},
        {"no section of a profile", "Notes", 9958},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        test::FakeProfileStore store;
        core::CConfigApp a{drv.fn(), store, clock};
        a.connected = a.identified = true;
        a.modelNumber = a.pageModel = 70;
        test::ScriptedUi u;
        test::RecordingPageFactory f{a, u};
        app::MainWindowLogic m{a, u, f};
        m.buildPages();
        if (c.section != nullptr) store.set(core::kCurrentProfile, c.section, "text", "x");
        drv.clearCalls();
        u.fileAnswers = {file};
        m.command(menus::kCmdLoadProfile);
        EXPECT_EQ(u.messages, (std::vector<int>{c.message}));
        EXPECT_EQ(u.messageTails, (std::vector<std::string>{file}));
        EXPECT_TRUE(drv.sequence().empty()) << "nothing is sent";
        EXPECT_TRUE(u.eventsStartingWith("progress open").empty());
    }
    profiles.set(core::kCurrentProfile, "set_div", "LANGUAGE", "0");
    deviceAnswersTheMainWindow();
    ui.fileAnswers = {file};
    ui.missingAsDefaultsAnswers = {true}; // it holds one key: the rest as defaults
    main.command(menus::kCmdLoadProfile);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(ui.eventsStartingWith("progress open"),
              (Log{"progress open 6194 \"b\xC3\xBCro.pro\" 25000"}));
}

// A profile cut short: "Load Profile..." names what it lacks before anything
// is sent. Yes loads those as their defaults (as a complete file ever was);
// No loads only what the file holds: a section it lacks whole is not loaded,
// a key it lacks keeps the device's own value.
TEST_F(MainFixture, LoadProfileAsksAboutTheSettingsTheFileLacks) {
    struct Row {
        bool asDefaults;
        const char* areaCodeSent; // LCCODE, which the file lacks
        bool forwardingLoaded;    // FORWARD_DIV, which it lacks whole
    };
    for (const Row r : {Row{true, "", true}, Row{false, "030", false}}) {
        SCOPED_TRACE(r.asDefaults);
        test::FakeProfileStore store;
        core::CConfigApp a{drv.fn(), store, clock};
        a.connected = a.identified = true;
        a.modelNumber = a.pageModel = 70;
        test::ScriptedUi u;
        test::RecordingPageFactory f{a, u};
        app::MainWindowLogic m{a, u, f};
        m.buildPages();
        deviceAnswersTheMainWindow();
        drv.on({DRV_AREACODE, 0, 0, 0}, Answer::okText("030"));
        m.readSettingsFromDevice(); // as at the start
        store.set(core::kCurrentProfile, "BACK_DIV", "CLBKACTIVE", "0");
        store.set(core::kCurrentProfile, "SET_DIV", "CHGUNIT", "0,12");
        store.set(core::kCurrentProfile, "MSN_DIV", "AMSN00", "4711");
        drv.clearCalls();
        u.fileAnswers = {"/home/j/cut.pro"};
        u.missingAsDefaultsAnswers = {r.asDefaults};
        m.command(menus::kCmdLoadProfile);

        ASSERT_EQ(u.missingAsked.size(), 1u);
        const std::vector<std::string>& lacking = u.missingAsked[0];
        EXPECT_EQ(lacking.front(), "BACK_DIV/CLBKNUM0");
        for (const char* item : {"SET_DIV/LCCODE", "MSN_DIV/AMSN01", "FORWARD_DIV", "TIMER_DIV"})
            EXPECT_NE(std::find(lacking.begin(), lacking.end(), item), lacking.end()) << item;
        EXPECT_EQ(std::find(lacking.begin(), lacking.end(), "SET_DIV/CHGUNIT"), lacking.end());
        EXPECT_EQ(drv.sequence({DRV_AREACODE}),
                  (std::vector<Cmd>{{DRV_AREACODE, 0, 0, 1, r.areaCodeSent}}));
        EXPECT_EQ(drv.sequence({DRV_CHGUNIT}), (std::vector<Cmd>{{DRV_CHGUNIT, 0, 0, 1, "0,12"}}));
        const Log log = f.log;
        EXPECT_EQ(std::find(log.begin(), log.end(), "p3:load 1") != log.end(), r.forwardingLoaded);
        EXPECT_NE(std::find(log.begin(), log.end(), "p0:load 1"), log.end());
        EXPECT_TRUE(store.get(core::kCurrentProfile, "SET_DIV", "LCCODE") == std::nullopt)
            << "the file itself stays as it was";
    }
}

TEST_F(MainFixture, ProfileSaveWritesAllSectionsInOrder) {
    app.language = 1;
    app.soundOn = true;
    deviceAnswersTheMainWindow();
    drv.on({DRV_CALLBACK}, Answer::okFlag(1));
    drv.on({DRV_CALLBACKNUM, 0, 2}, Answer::okText("0897"));
    main.readSettingsFromDevice();
    drv.clearCalls();
    main.settings().areaCode.reset("030", true);
    main.settings().areaCode.edited = "040"; // not on the device: not saved
    ui.fileAnswers = {std::string("/home/u/profiles/office.pro")};

    main.command(5012);
    EXPECT_EQ(app.currentProfile, "/home/u/profiles/office.pro");
    // BACK_DIV was read from the device first.
    EXPECT_EQ(drv.sequence({DRV_CALLBACK, DRV_CALLBACKNUM}).size(), 11u);
    EXPECT_EQ(drv.sequence()[0], (Cmd{DRV_CALLBACK, 0, 0, 0, ""}));

    std::vector<std::string> keys;
    for (const auto& w : profiles.writes) {
        if (w.section == "BACK_DIV" || w.section == "SET_DIV") keys.push_back(w.key);
        EXPECT_EQ(w.selector, core::kCurrentProfile);
    }
    EXPECT_EQ(keys, (Log{"CLBKACTIVE", "CLBKNUM0", "CLBKNUM1", "CLBKNUM2", "CLBKNUM3", "CLBKNUM4",
                         "CLBKNUM5", "CLBKNUM6", "CLBKNUM7", "CLBKNUM8", "CLBKNUM9", "LANGUAGE",
                         "SOUNDON", "LCDDSPING", "CHGUNIT", "LCCODE", "PABX", "IPREDIAL"}));
    EXPECT_EQ(profiles.get(core::kCurrentProfile, "BACK_DIV", "CLBKACTIVE"), "1");
    EXPECT_EQ(profiles.get(core::kCurrentProfile, "BACK_DIV", "CLBKNUM2"), "0897");
    EXPECT_EQ(profiles.get(core::kCurrentProfile, "SET_DIV", "LANGUAGE"), "1");
    EXPECT_EQ(profiles.get(core::kCurrentProfile, "SET_DIV", "LCCODE"), "030");

    EXPECT_EQ(ui.eventsStartingWith("progress open"),
              (Log{"progress open 6262 \"office.pro\" 100"}));
    EXPECT_EQ(ui.progressPositions, (std::vector<int>{0, 10, 20, 30, 40, 50, 60, 70, 80, 100}));
    EXPECT_EQ(ui.eventsStartingWith("progress text"), (Log{"progress text 6182"}));
    Log log = takeLog();
    EXPECT_EQ(std::count_if(log.begin(), log.end(),
                            [](const std::string& s) { return s.find(":save 1") != s.npos; }),
              8);
    EXPECT_TRUE(ui.writeFailures.empty());
}

// The file is written once, when every key is there: a write that fails
// (a full disk) is one failure of the file with its reason, not one per key.
TEST_F(MainFixture, SaveWithAFailingWriteIsReported) {
    deviceAnswersTheMainWindow();
    profiles.failWrites(core::kCurrentProfile, "PABX");
    profiles.failWrites(core::kCurrentProfile, "SAVED");
    core::WriteReport report = main.profileSave(core::kCurrentProfile, "x.pro").writes;
    EXPECT_FALSE(report.ok());
    ASSERT_EQ(report.failures().size(), 1u);
    EXPECT_EQ(report.failures()[0].reason, "No space left on device");
    EXPECT_EQ(report.describe(), "No space left on device\n");
    ASSERT_EQ(ui.writeFailures.size(), 1u);
    EXPECT_EQ(ui.writeFailures[0].failures().size(), 1u);
    EXPECT_EQ(ui.events.back(), "write failures"); // after the status window closed
}

TEST_F(MainFixture, ItemsTheDeviceDidNotConfirmAreNeverSavedUnasked) {
    struct Row {
        core::Unconfirmed policy;
        std::deque<bool> answer; // the user's, when asked
        bool written;
        Log unconfirmed;
    };
    // A save that writes nothing unless the device answers every query stops
    // asking at the first silence: everything after it counts as unconfirmed.
    const Log afterSilence = {"BACK_DIV/CLBKNUM7", "BACK_DIV/CLBKNUM8", "BACK_DIV/CLBKNUM9",
                              "SET_DIV/LCDDSPING", "SET_DIV/CHGUNIT",   "SET_DIV/LCCODE",
                              "SET_DIV/PABX",      "SET_DIV/IPREDIAL",  "TIMER_DIV/MCALL1"};
    const Row rows[] = {
        {core::Unconfirmed::Refuse, {}, false, afterSilence},
        {core::Unconfirmed::Ask, {false}, false, {"BACK_DIV/CLBKNUM7", "TIMER_DIV/MCALL1"}},
        {core::Unconfirmed::Ask, {true}, true, {"BACK_DIV/CLBKNUM7", "TIMER_DIV/MCALL1"}},
    };
    for (const Row& r : rows) {
        test::FakeProfileStore store;
        store.set(core::kDefaultProfile, "MSN_DIV", "ALIAS0", "Paul");
        core::CConfigApp app2(drv.fn(), store, clock);
        app2.connected = true;
        test::ScriptedUi ui2;
        test::RecordingPageFactory factory2(app2, ui2);
        app::MainWindowLogic main2(app2, ui2, factory2);
        main2.buildPages();
        drv.clearRules();
        deviceAnswersTheMainWindow();
        drv.on({DRV_CALLBACKNUM, 0, 7}, Answer::noReply());
        auto* timer = factory2.page(main2, 8);
        timer->unconfirmed = {"TIMER_DIV/MCALL1"};
        timer->writeOnRead = "CORRECTED"; // reading writes the default profile
        const core::ProfileStore::Contents before = store.contents(core::kDefaultProfile);
        ui2.writeUnconfirmedAnswers = r.answer;

        drv.clearCalls();
        core::SaveResult result = main2.profileSave(core::kCurrentProfile, "x.pro", r.policy);
        EXPECT_EQ(result.unconfirmed, r.unconfirmed);
        if (r.policy == core::Unconfirmed::Refuse) {
            // Past the silence only the presence tests (which go around the wrapper) were made.
            const std::vector<uint16_t> codes = drv.codes();
            const auto silent = std::find(codes.begin(), codes.end(), DRV_CALLBACKNUM) + 7;
            EXPECT_TRUE(
                std::all_of(silent + 1, codes.end(), [](uint16_t c) { return c == DRV_PING2; }));
        }
        EXPECT_EQ(result.written, r.written);
        EXPECT_EQ(ui2.unconfirmedAsked.size(), r.answer.size());
        EXPECT_EQ(store.contents(core::kCurrentProfile).exists, r.written);
        if (!r.written) {
            EXPECT_EQ(store.contents(core::kDefaultProfile), before); // byte for byte
        }
        EXPECT_EQ(ui2.events.back(), "progress close");
    }
}

TEST_F(MainFixture, SaveAsksTheDeviceAgainForStandInsOfPagesWithoutUnsentChanges) {
    deviceAnswersTheMainWindow();
    for (int index : {0, 1, 2, 3, 4, 5, 6, 8}) {
        main.command(5000 + index);
        ui.runPosted(main);
    }
    page(2)->unconfirmed = {"SHORTDIAL_DIV/SDNUM00"};
    page(2)->readConfirms = true; // the device answers now
    page(3)->unconfirmed = {"FORWARD_DIV/FWDIMM0"};
    page(3)->readConfirms = true;
    page(3)->dirty = true; // the user's edits are not read over
    takeLog();
    core::SaveResult result =
        main.profileSave(core::kCurrentProfile, "x.pro", core::Unconfirmed::Refuse);
    Log log = takeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "p2:read"), 1);
    EXPECT_EQ(std::count(log.begin(), log.end(), "p3:read"), 0);
    EXPECT_EQ(result.unconfirmed, (Log{"FORWARD_DIV/FWDIMM0"}));
    EXPECT_FALSE(result.written);
}

// A page whose read is posted but has not run holds no device value yet: a
// save made in that moment reads it first.
TEST_F(MainFixture, ASaveBeforeAPostedReadRanReadsThePageFirst) {
    deviceAnswersTheMainWindow();
    main.command(5005); // posted, not run
    takeLog();
    main.profileSave(core::kCurrentProfile, "x.pro");
    Log log = takeLog();
    EXPECT_EQ(std::count(log.begin(), log.end(), "p5:read"), 1);
    ui.runPosted(main);
    EXPECT_TRUE(takeLog().empty()); // and not again
}

// A save that fails half way leaves its file and the default profile as they
// were (the default profile is what an upgrade loads back).
TEST_F(MainFixture, ASaveThatFailsLeavesItsFilesAsTheyWere) {
    deviceAnswersTheMainWindow();
    for (int selector : {core::kDefaultProfile, core::kCurrentProfile}) {
        profiles.set(core::kDefaultProfile, "MSN_DIV", "ALIAS0", "Paul");
        profiles.set(core::kCurrentProfile, "TIMER_DIV", "MCALL0", "06:30");
        const auto defaultBefore = profiles.contents(core::kDefaultProfile);
        const auto fileBefore = profiles.contents(selector);
        profiles.failWrites(selector, "SAVED"); // the pages' keys, after BACK_DIV and SET_DIV
        const core::SaveResult result = main.profileSave(selector, "x.pro");
        EXPECT_FALSE(result.ok()) << selector;
        EXPECT_EQ(profiles.contents(selector), fileBefore) << selector;
        EXPECT_EQ(profiles.contents(core::kDefaultProfile), defaultBefore) << selector;
        profiles = test::FakeProfileStore();
    }
}

// New firmware: every page forgets the device and is not read on the way to
// the load, which sends every item (a page never read, too).
TEST_F(MainFixture, ForgettingTheDeviceLetsTheLoadSendEverything) {
    main.forgetDevice();
    for (int index : menus::kProfilePages)
        EXPECT_TRUE(main.initialised(index)) << index;
    EXPECT_FALSE(main.initialised(menus::kChargesPage)); // no settings: read when shown
    EXPECT_TRUE(main.settings().lcdGerman.changed());
    EXPECT_FALSE(core::allKnown(app.cache, app.portCount));
    takeLog();
    main.profileLoad(core::kDefaultProfile, "default.pro");
    for (const std::string& line : takeLog())
        EXPECT_EQ(line.find(":read"), std::string::npos) << line;
}

TEST_F(MainFixture, SaveCancelledInTheQuestionWritesNothing) {
    main.command(5000);
    page(0)->dirty = true;
    ui.discardAnswers = {core::DiscardAnswer::Cancel};
    main.command(5012);
    EXPECT_TRUE(profiles.writes.empty());
    EXPECT_TRUE(ui.eventsStartingWith("file?").empty());
}

TEST_F(MainFixture, LanguageSwitchWritesItAndReachesHiddenPages) {
    main.command(5000);
    takeLog();
    main.setLanguage(1);
    EXPECT_EQ(profiles.get(core::kDefaultProfile, "SET_DIV", "LANGUAGE"), "1");
    Log expected;
    for (int i = 0; i < 10; ++i)
        expected.push_back("p" + std::to_string(i) + ":language 1");
    EXPECT_EQ(takeLog(), expected);
    EXPECT_EQ(ui.eventsStartingWith("relabel").size(), 1u);

    profiles.failWrites(core::kDefaultProfile);
    EXPECT_FALSE(main.setLanguage(0).ok);
    EXPECT_EQ(ui.writeFailures.size(), 1u);
}

TEST_F(MainFixture, ModelChangeRebuildsForTheNewModel) {
    main.command(5000);
    main.command(5004);
    takeLog(); // the posted reads are dropped: their pages are rebuilt
    drv.on({DRV_IDENT}, Answer::identity(1, 30, false, "V3", "B3"));
    main.modelChanged();
    EXPECT_EQ(app.pageModel, 30);
    EXPECT_EQ(app.portCount, 3);
    for (int i = 0; i < 10; ++i)
        EXPECT_FALSE(main.initialised(i));
    EXPECT_EQ(page(4)->model(), 30);
    Log log = takeLog();
    EXPECT_EQ(log.front(), "p4:created 30"); // the current page first
    EXPECT_EQ(log.size(), 10u);
    EXPECT_EQ(drv.count(DRV_MSN), 5 + 3 * 3);
    EXPECT_EQ(ui.posted, (std::vector<int>{5004}));
    ui.runPosted(main);
    EXPECT_EQ(takeLog(), (Log{"p4:shown", "p4:language 0", "p4:read"}));

    drv.clearCalls();
    main.modelChanged(); // same model: nothing rebuilt
    EXPECT_TRUE(takeLog().empty());
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_IDENT}));
}

TEST_F(MainFixture, MonitorAndUpgradePausePollingOfPages7To9) {
    main.command(5007);
    takeLog();
    ui.onMonitorDialog = [&] { EXPECT_EQ(factory.log, (Log{"p7:pause 1"})); };
    main.command(5010);
    EXPECT_EQ(takeLog(), (Log{"p7:pause 1", "p7:pause 0"}));

    main.heartbeat().start();
    ui.upgradeResults = {2};
    ui.onUpgradeDialog = [&] { EXPECT_FALSE(main.heartbeat().running()); };
    main.command(5014);
    EXPECT_EQ(takeLog(), (Log{"p7:pause 1", "p7:pause 0"}));
    EXPECT_TRUE(main.heartbeat().running());

    main.command(5002);
    takeLog();
    ui.onMonitorDialog = nullptr;
    main.command(5010);
    EXPECT_TRUE(takeLog().empty());
}

TEST_F(MainFixture, UpgradeCancelledWithOnlyABootLoaderEndsTheProgram) {
    app.identified = false;
    ui.upgradeResults = {2};
    main.command(5014);
    EXPECT_TRUE(ui.mainWindowClosed);
}

TEST_F(MainFixture, QuitStoresTheSettingsUnderTheWaitCursor) {
    main.heartbeat().start();
    EXPECT_EQ(main.quit(), 0);
    EXPECT_EQ(drv.codes(), (std::vector<uint16_t>{DRV_STORE}));
    EXPECT_EQ(ui.busyDepth, 0);
    EXPECT_TRUE(ui.mainWindowClosed);
    EXPECT_FALSE(main.heartbeat().running());

    drv.clearCalls();
    app.connected = false;
    EXPECT_EQ(main.quit(), -2);
    EXPECT_TRUE(drv.calls().empty());
}

TEST_F(MainFixture, SettingsCommandReadsTheDeviceFirst) {
    drv.on({DRV_LCDGERMAN}, Answer::okFlag(1));
    drv.on({DRV_INTLPREFIX}, Answer::okText("00"));
    ui.onSettingsDialog = [&] {
        EXPECT_EQ(drv.codes(),
                  (std::vector<uint16_t>{DRV_LCDGERMAN, DRV_PING2, DRV_PING2, DRV_CHGUNIT,
                                         DRV_AREACODE, DRV_PABXPREFIX, DRV_INTLPREFIX}));
    };
    main.command(5013);
    EXPECT_EQ(ui.settingsDialogs, 1);
    EXPECT_EQ(main.settings().lcdGerman.confirmed, 1);
    EXPECT_EQ(main.settings().intlPrefix.confirmed, "00");
    EXPECT_EQ(main.settings().chargeUnit.confirmed, ""); // failed query: empty
}

TEST_F(MainFixture, HelpItems) {
    main.command(32795);
    main.command(32799);
    main.command(32780);
    EXPECT_EQ(ui.events, (Log{"help 7000 8500", "about"}));
}

} // namespace
