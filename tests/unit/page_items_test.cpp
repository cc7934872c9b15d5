#include "core/config_app.h"
#include "core/page.h"
#include "core/page_items.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex;
using test::Answer;
using test::Cmd;
using test::FakeDriver;

// A page of two items, built the way real pages are: one table walked for
// read, compare, send, discard, load and save.
class TwoItemPage : public core::PageBase {
public:
    TwoItemPage(core::CConfigApp& app, core::PageUi& ui, core::PageHost& host)
        : PageBase(app, ui, host) {
        table_.add({DRV_CALLBACK, 0, 0, core::ValueField::Flag, "ON", 0, ""}, on);
        table_.add({DRV_CALLBACKNUM, 0, 4, core::ValueField::Text, "NUM", 0, "none"}, number);
    }
    void readDevice() override { table_.read(app_); }
    bool hasUnsentChanges() const override { return table_.anyChanged(); }
    void send() override { sendIn(core::SendMode::Changed, false); }
    void discard() override { table_.discardAll(); }
    void forget() override { table_.forgetAll(); }
    void profileLoad(int selector) override {
        table_.load(app_.profiles(), selector, "TEST_DIV");
        sendIn(core::SendMode::All, true);
    }
    core::WriteReport profileSave(int selector) override {
        core::WriteReport report;
        table_.save(app_.profiles(), selector, "TEST_DIV", report);
        return report;
    }
    int unconfirmedCount() const {
        std::vector<std::string> out;
        table_.addUnconfirmed("TEST_DIV", out);
        return static_cast<int>(out.size());
    }
    core::Item<int> on;
    core::Item<std::string> number;
    core::ItemTable table_;

private:
    void sendIn(core::SendMode mode, bool progress) {
        report_.clear();
        table_.send(app_, report_, mode, [this, progress](std::size_t) {
            if (progress) host_.progress();
        });
    }
};

struct PageFixture : ::testing::Test, test::PageFixture {
    TwoItemPage page{app, ui, host};

    void SetUp() override { app.connected = true; }
};

TEST(Item, ChangedConfirmDiscard) {
    core::Item<std::string> item;
    item.reset("a", true);
    EXPECT_FALSE(item.changed());
    item.edited = "b";
    EXPECT_TRUE(item.changed());
    item.discard();
    EXPECT_EQ(item.edited, "a");
    item.edited = "c";
    item.confirm();
    EXPECT_EQ(item.confirmed, "c");
    EXPECT_FALSE(item.changed());
}

// After new firmware an item is pending whatever its copies say, until the
// device answers for it or takes it; discarding does not make it the device's.
TEST(Item, ForgottenStaysPendingUntilTheDeviceSpeaks) {
    struct Step {
        const char* what;
        void (*apply)(core::Item<int>&);
        bool changed, known, mark;
    };
    const Step steps[] = {
        {"forget", [](core::Item<int>& i) { i.forget(); }, true, false, true},
        {"discard", [](core::Item<int>& i) { i.discard(); }, true, false, true},
        {"confirm", [](core::Item<int>& i) { i.confirm(); }, false, true, false},
        {"forget again", [](core::Item<int>& i) { i.forget(); }, true, false, true},
        {"read", [](core::Item<int>& i) { i.reset(4, true); }, false, true, false},
        {"stand-in", [](core::Item<int>& i) { i.reset(0, false); }, false, false, false},
    };
    core::Item<int> item;
    item.reset(7, true);
    for (const Step& step : steps) {
        step.apply(item);
        EXPECT_EQ(item.changed(), step.changed) << step.what;
        EXPECT_EQ(item.known, step.known) << step.what;
        EXPECT_EQ(item.mark, step.mark) << step.what;
    }
}

TEST(FieldText, NeverOverrunsAndNeverCutsShort) {
    DRVPARAM r{};
    EXPECT_TRUE(core::setFieldText(r.szText, std::string(31, '1')));
    EXPECT_EQ(core::fieldText(r.szText), std::string(31, '1'));
    EXPECT_FALSE(core::setFieldText(r.szText, std::string(32, '2')));
    EXPECT_EQ(core::fieldText(r.szText), std::string(31, '1'));
    std::memset(r.szText, 'x', sizeof r.szText); // no NUL
    EXPECT_EQ(core::fieldText(r.szText).size(), 32u);
}

TEST_F(PageFixture, ReadFillsBothCopies) {
    drv.on({DRV_CALLBACK}, Answer::okFlag(1));
    drv.on({DRV_CALLBACKNUM, 0, 4}, Answer::okText("0301234"));
    page.readDevice();
    EXPECT_EQ(drv.sequence(),
              (std::vector<Cmd>{{DRV_CALLBACK, 0, 0, 0, ""}, {DRV_CALLBACKNUM, 0, 4, 0, ""}}));
    EXPECT_EQ(page.on.confirmed, 1);
    EXPECT_EQ(page.number.edited, "0301234");
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(PageFixture, SendOnlyChangedItemsAndKeepFailuresUnsent) {
    page.number.edited = "999";
    page.on.edited = 1;
    drv.on({DRV_CALLBACK}, Answer::noReply());
    drv.on({DRV_CALLBACKNUM}, Answer::ok());
    page.send();
    EXPECT_EQ(drv.sequence(),
              (std::vector<Cmd>{{DRV_CALLBACK, 0, 0, 1, ""}, {DRV_CALLBACKNUM, 0, 4, 1, "999"}}));
    EXPECT_EQ(drv.calls()[0].sent.bFlag, 1);
    EXPECT_EQ(page.report().text(), "C44 P0 I0 O1 =,FAIL\nC45 P0 I4 O1 =999,OK\n");
    EXPECT_EQ(page.number.confirmed, "999");
    EXPECT_EQ(page.on.confirmed, 0); // still unsent
    EXPECT_TRUE(page.hasUnsentChanges());

    drv.clearCalls();
    drv.on({DRV_CALLBACK}, Answer::notAcknowledged());
    page.send();
    EXPECT_EQ(drv.sequence().size(), 1u);
    EXPECT_EQ(page.report().text(), ""); // a reply without OK adds no line
    EXPECT_TRUE(page.hasUnsentChanges());
}

TEST_F(PageFixture, NotConnectedSendsNothing) {
    app.connected = false;
    page.on.edited = 1;
    page.send();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(page.hasUnsentChanges());
}

TEST_F(PageFixture, TooLongTextIsNotSentCutShort) {
    page.number.edited = std::string(40, '5');
    page.send();
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_TRUE(page.number.changed());
}

TEST_F(PageFixture, UnsentChangesQuestion) {
    EXPECT_EQ(page.mayLeave(), 1); // nothing changed: no question
    EXPECT_TRUE(ui.eventsStartingWith("discard?").empty());

    page.on.edited = 1;
    ui.discardAnswers = {core::DiscardAnswer::Cancel, core::DiscardAnswer::Discard,
                         core::DiscardAnswer::Send};
    EXPECT_EQ(page.mayLeave(), 0);
    EXPECT_EQ(page.on.edited, 1);
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(page.on.edited, 0);
    EXPECT_TRUE(drv.calls().empty());

    page.on.edited = 1;
    drv.on({DRV_CALLBACK}, Answer::ok());
    EXPECT_EQ(page.mayLeave(), 1);
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_CALLBACK, 0, 0, 1, ""}}));
    EXPECT_FALSE(page.hasUnsentChanges());
}

TEST_F(PageFixture, ProfileLoadSendsEveryItemWithProgressAndSaveWritesConfirmed) {
    profiles.set(core::kCurrentProfile, "TEST_DIV", "ON", "1");
    drv.on({DRV_CALLBACK}, Answer::ok());
    drv.on({DRV_CALLBACKNUM}, Answer::ok());
    page.profileLoad(core::kCurrentProfile);
    EXPECT_EQ(drv.sequence(),
              (std::vector<Cmd>{{DRV_CALLBACK, 0, 0, 1, ""}, {DRV_CALLBACKNUM, 0, 4, 1, "none"}}));
    EXPECT_EQ(host.progressSteps, 2);

    page.on.edited = 0; // an edit not sent is not saved
    core::WriteReport report = page.profileSave(core::kDefaultProfile);
    EXPECT_TRUE(report.ok());
    EXPECT_EQ(profiles.get(core::kDefaultProfile, "TEST_DIV", "ON"), "1");
    EXPECT_EQ(profiles.get(core::kDefaultProfile, "TEST_DIV", "NUM"), "none");
}

// A page that forgot the device sends every item, also those whose copies
// agree; a failed one stays pending.
TEST_F(PageFixture, AfterForgettingTheNextSendPutsBackEveryItem) {
    drv.on({DRV_CALLBACK}, Answer::okFlag(1));
    drv.on({DRV_CALLBACKNUM}, Answer::okText("0301234"));
    page.readDevice();
    page.forget();
    EXPECT_TRUE(page.hasUnsentChanges());
    drv.clearCalls();
    drv.on({DRV_CALLBACK}, Answer::ok());
    drv.on({DRV_CALLBACKNUM}, Answer::noReply());
    page.send();
    EXPECT_EQ(drv.sequence(), (std::vector<Cmd>{{DRV_CALLBACK, 0, 0, 1, ""},
                                                {DRV_CALLBACKNUM, 0, 4, 1, "0301234"}}));
    EXPECT_FALSE(page.on.changed());
    EXPECT_TRUE(page.number.changed());
    EXPECT_EQ(page.unconfirmedCount(), 1);
}

// Only what the device vouched for reaches the file; the file keeps its own
// value for a stand-in, a failed send and a forgotten item.
TEST_F(PageFixture, SaveVouchedWritesOnlyWhatTheDeviceConfirmed) {
    struct Row {
        const char* what;
        void (*prepare)(core::Item<std::string>&);
        const char* file;
    };
    const Row rows[] = {
        {"read", [](core::Item<std::string>& i) { i.reset("1", true); }, "1"},
        {"stand-in", [](core::Item<std::string>& i) { i.reset("", false); }, "old"},
        {"failed send", [](core::Item<std::string>& i) { i.mark = true; }, "old"},
        {"forgotten", [](core::Item<std::string>& i) { i.forget(); }, "old"},
    };
    for (const Row& r : rows) {
        profiles.set(core::kDefaultProfile, "TEST_DIV", "NUM", "old");
        page.number.reset("1", true);
        r.prepare(page.number);
        core::WriteReport report;
        page.table_.saveVouched(profiles, core::kDefaultProfile, "TEST_DIV", report);
        EXPECT_EQ(profiles.get(core::kDefaultProfile, "TEST_DIV", "NUM"), r.file) << r.what;
    }
}

TEST_F(PageFixture, SaveReportsFailedKeys) {
    profiles.failWrites(core::kCurrentProfile, "NUM");
    core::WriteReport report = page.profileSave(core::kCurrentProfile);
    ASSERT_EQ(report.failures().size(), 1u);
    EXPECT_EQ(report.failures()[0].key, "NUM");
    EXPECT_EQ(report.describe(), "TEST_DIV/NUM: No space left on device\n");
}

TEST_F(PageFixture, DispatchRoutesMessages) {
    EXPECT_EQ(core::dispatch(page, core::UM_MAYLEAVE, 0), 1);
    core::dispatch(page, core::UM_READDEVICE, 0);
    EXPECT_EQ(drv.calls().size(), 2u);
    static_assert(core::UM_SYMBOLRELOAD == 10 && core::UM_SELCHANGED == 24 &&
                  core::UM_STATUSIDLE == 27 && core::UM_MSNCHANGED == 26);
}

} // namespace
