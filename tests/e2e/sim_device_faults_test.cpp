// The device fails in the middle of the program's work: unplugged during a
// page send, a profile load, a log refresh and the firmware transfer; garbage,
// cut, late and OK-less replies. Nothing crashes or hangs, and every item the
// device did not confirm stays unsent, so the unsent-changes question still
// offers it.
#include "app/heartbeat.h"
#include "app/main_window_logic.h"
#include "e2e/faults_fixture.h"
#include "maintenance/log_page.h"
#include "pages/telephony/accept_page.h"
#include "pages/telephony/short_dial_page.h"
#include "profile/sections.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace faults {
using namespace std::chrono_literals;
namespace {

using telephony::kShortDialEditFirst;
using telephony::ShortDialPage;

constexpr int kPorts[] = {11, 21, 22, 31, 32};

std::string numberFor(int port, int slot) {
    return "0301" + std::to_string(port) + std::to_string(slot);
}
int editOf(int port, int slot) {
    return kShortDialEditFirst + 10 * port + slot;
}

class PageFaults : public Faults {
protected:
    void SetUp() override {
        Faults::SetUp();
        page = std::make_unique<ShortDialPage>(app, ui, host);
        page->readDevice();
        ASSERT_FALSE(page->hasUnsentChanges());
    }
    void typeAll() {
        for (int p = 0; p < 5; ++p)
            for (int k = 0; k < 10; ++k) {
                ASSERT_TRUE(page->setText(editOf(p, k), numberFor(p, k)));
                page->fieldChanged(editOf(p, k));
            }
        page->acceptField();
        ASSERT_TRUE(page->hasUnsentChanges());
    }
    // What the device holds, read by a page of its own.
    std::vector<std::string> deviceEntries() {
        ShortDialPage reader(app, ui, host);
        reader.readDevice();
        std::vector<std::string> out;
        for (int p = 0; p < 5; ++p)
            for (int k = 0; k < 10; ++k)
                out.push_back(reader.entry(p, k).confirmed());
        return out;
    }
    std::unique_ptr<ShortDialPage> page;
};

TEST_F(PageFaults, UnplugDuringSendLeavesTheRestUnsentAndAResendCompletesIt) {
    typeAll();
    int sets = 0;
    unplugWhen = [&](uint16_t code, const DRVPARAM* p) {
        return code == DRV_SHORTDIAL && p && p->nOp == 1 && ++sets == 23;
    };
    page->send();
    ASSERT_TRUE(unplugged);
    // The first 22 entries went out and are confirmed; none after the plug was pulled.
    for (int i = 0; i < 50; ++i) {
        const auto& entry = page->entry(i / 10, i % 10);
        EXPECT_EQ(entry.changed(), i >= 22) << "entry " << i;
        EXPECT_EQ(entry.stored(), numberFor(i / 10, i % 10)) << "the typed value is kept";
    }
    EXPECT_TRUE(page->hasUnsentChanges());

    replugAndReopen();
    page->send();
    EXPECT_FALSE(page->hasUnsentChanges());
    const auto held = deviceEntries();
    for (int i = 0; i < 50; ++i)
        EXPECT_EQ(held[static_cast<std::size_t>(i)], numberFor(i / 10, i % 10)) << i;
}

struct FaultCase {
    const char* name;
    sim::Faults faults;
};

class ReplyFaults : public PageFaults, public ::testing::WithParamInterface<FaultCase> {};

TEST_P(ReplyFaults, NothingIsConfirmedWithoutAWholeOkReply) {
    ASSERT_TRUE(page->setText(editOf(1, 3), "0891234"));
    page->fieldChanged(editOf(1, 3));
    page->acceptField();
    dev->setFaults(GetParam().faults);
    page->send();
    EXPECT_TRUE(page->entry(1, 3).changed());
    EXPECT_TRUE(page->hasUnsentChanges());

    dev->setFaults({});
    // A late reply may still be on its way and hold up the next exchange (the
    // device answers in order); within a few sends the item goes out.
    for (int attempt = 0; attempt < 5 && page->hasUnsentChanges(); ++attempt)
        page->send();
    EXPECT_FALSE(page->hasUnsentChanges());
    EXPECT_EQ(deviceEntries()[13], "0891234");
}

INSTANTIATE_TEST_SUITE_P(
    Faults, ReplyFaults,
    ::testing::Values(FaultCase{"silent", {.silent = true}}, FaultCase{"no_ok", {.noOk = true}},
                      FaultCase{"garbage", {.garbage = sim::Garbage::Instead, .garbageCount = 40}},
                      // The reply stops after its leading CR LF for longer than the line's
                      // inter-byte gap: the driver takes the cut reply, which lacks "OK".
                      FaultCase{"cut", {.pauseAfter = 2, .pause = 600ms}},
                      // Later than the 200 ms budget of command 15.
                      FaultCase{"late", {.lateFirstByte = 700ms}}),
    [](const auto& param) { return std::string(param.param.name); });

TEST_F(PageFaults, GarbageBeforeTheReplyStillCountsOnlyWithOk) {
    dev->setFaults({.garbage = sim::Garbage::Before, .garbageCount = 30});
    ASSERT_TRUE(page->setText(editOf(0, 0), "0301"));
    page->fieldChanged(editOf(0, 0));
    page->acceptField();
    page->send();
    dev->setFaults({});
    // Garbage ahead of a whole reply: the reply still holds "OK" and is taken;
    // either way the page and the device agree.
    EXPECT_EQ(deviceEntries()[0], page->entry(0, 0).changed() ? "" : "0301");
}

TEST_F(PageFaults, ADeviceThatNeverSaysOkConfirmsNothingOfASendAll) {
    typeAll();
    dev->setFaults({.noOk = true});
    page->sendAll();
    for (int i = 0; i < 50; ++i)
        EXPECT_TRUE(page->entry(i / 10, i % 10).changed()) << i;
    EXPECT_EQ(ui.discardAnswers.size(), 0u);
    ui.discardAnswers.push_back(core::DiscardAnswer::Cancel);
    EXPECT_EQ(page->mayLeave(), 0) << "the unsent-changes question is asked";
}

// A page factory with the real short dial and call acceptance pages.
struct RealPages : app::PageFactory {
    std::unique_ptr<core::Page> createPage(int index, int model, core::PageHost& h) override {
        if (index == 1)
            return std::make_unique<telephony::AcceptPage>(*app, *ui, h, model == 30 ? 3 : 5);
        if (index == 2) return std::make_unique<ShortDialPage>(*app, *ui, h, model);
        return nullptr;
    }
    core::CConfigApp* app = nullptr;
    core::PageUi* ui = nullptr;
};

// The adapter is pulled out during a load, and (second row) put back a few
// items later: the items in between stay offered, those after the replug
// reach the device (the next command finds it again by itself), and the user
// is told how many settings the device did not take.
TEST_F(Faults, UnplugDuringProfileLoadLeavesTheUnsentItemsOfferedAndSaysSo) {
    const auto section = profile::sectionName(profile::Section::ShortDial);
    for (const auto& key : profile::keysOf(profile::Section::ShortDial, 5))
        if (key.second >= 0) // SDNUMpk
            profiles.set(core::kCurrentProfile, section, key.name,
                         numberFor(key.first, key.second));
    struct Row {
        int replugBefore; // the set before which the device is back; 0: never
        int firstBack;    // the first entry the device takes again
    } rows[] = {{0, 50}, {36, 35}};
    for (const Row& r : rows) {
        SCOPED_TRACE(r.replugBefore);
        RealPages factory;
        factory.app = &app;
        factory.ui = &ui;
        app::MainWindowLogic main(app, ui, factory);
        main.buildPages();
        ui.messages.clear();
        ui.messageTails.clear();
        ui.events.clear();
        unplugged = false;
        int sets = 0;
        beforeCall = [&](uint16_t code, const DRVPARAM* p) {
            if (code != DRV_SHORTDIAL || !p || p->nOp != 1 || ++sets != r.replugBefore) return;
            std::string why;
            EXPECT_TRUE(dev->replug(&why)) << why;
        };
        unplugWhen = [&](uint16_t, const DRVPARAM*) { return sets == 31; };
        main.profileLoad(core::kCurrentProfile, "faults.pro");
        ASSERT_TRUE(unplugged);
        auto* shortDial = dynamic_cast<ShortDialPage*>(main.page(2));
        ASSERT_NE(shortDial, nullptr);
        EXPECT_TRUE(shortDial->hasUnsentChanges());
        for (int i = 0; i < 50; ++i)
            EXPECT_EQ(shortDial->entry(i / 10, i % 10).changed(), i >= 30 && i < r.firstBack) << i;
        EXPECT_EQ(ui.progressPositions.empty(), false);
        EXPECT_EQ(ui.eventsStartingWith("progress close").size(), 1u) << "the status window closes";
        EXPECT_EQ(ui.messages, std::vector<int>{app::kTextLoadIncomplete});
        EXPECT_EQ(ui.messageTails,
                  std::vector<std::string>{" " + std::to_string(r.firstBack - 30)});
        if (!dev->running()) {
            std::string why;
            ASSERT_TRUE(dev->replug(&why)) << why;
        }
        ASSERT_EQ(app.callDriver(DRV_REOPEN, nullptr), 0);
    }
}

TEST_F(Faults, UnplugDuringLogRefreshKeepsTheListsAndRecovers) {
    maintenance::LogPage page(app, ui, host);
    page.shown();
    unplugWhen = [](uint16_t code, const DRVPARAM* p) {
        return code == DRV_LOG && p && p->nIndex == 1;
    };
    page.timerTick();
    ASSERT_TRUE(unplugged);
    page.timerTick();
    page.portButton(maintenance::kLogFirstPortButton + 4);
    EXPECT_FALSE(page.busy());
    replugAndReopen();
    page.timerTick();
    EXPECT_FALSE(page.busy());
}

TEST_F(Faults, UnplugDuringTheFirmwareTransferEndsWithoutSuccess) {
    // The loader takes the blocks without answering; command 34 reports a
    // block the line did not take (-2: the device is gone), the outcome read
    // afterwards must not say "successful", and no call may wait beyond its
    // budget.
    std::vector<char> block(512, '\x55');
    app.callDriver(DRV_DOWNLOAD, nullptr);
    for (int i = 0; i < 64; ++i) {
        if (i == 20) dev->unplug();
        DRVPARAM r{};
        drv_set_write_data(&r, block.data(), static_cast<int32_t>(block.size()));
        EXPECT_EQ(app.callDriver(DRV_WRITERAW, &r), i < 20 ? 1 : -2) << "block " << i;
    }
    EXPECT_NE(app.callDriver(DRV_DOWNLOADRESULT, nullptr), 3) << "no success from a lost device";
    EXPECT_FALSE(dev->inBootMode() && dev->imageBytesReceived() > 20 * 512);
}

TEST_F(Faults, HeartbeatReportsTheLossAfterFourSilentTicksAndBeepsOnReturn) {
    app::Heartbeat beat(app, ui);
    beat.start();
    beat.tick();
    EXPECT_TRUE(app.connected);

    dev->unplug();
    for (int t = 1; t <= 3; ++t) {
        beat.tick();
        EXPECT_FALSE(app.connected);
        EXPECT_TRUE(ui.messages.empty()) << "tick " << t;
    }
    beat.tick();
    EXPECT_EQ(ui.messages, (std::vector<int>{app::kNotFoundText}));

    // Pages fail at once while the device is away.
    DRVPARAM r = record(11, 0, 0);
    const int before = calls;
    EXPECT_EQ(app.SendDrvCmd(DRV_SHORTDIAL, &r), -2);
    EXPECT_EQ(calls, before) << "the wrapper refuses without calling the driver";

    std::string why;
    ASSERT_TRUE(dev->replug(&why)) << why;
    const int beeps = ui.beeps;
    beat.tick();
    EXPECT_TRUE(app.connected) << "the heartbeat finds the device again";
    EXPECT_EQ(ui.beeps, beeps + 1);
    EXPECT_EQ(beat.silentTicks(), 0);
}

} // namespace
} // namespace faults
