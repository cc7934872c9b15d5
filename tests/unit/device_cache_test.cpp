#include "core/config_app.h"
#include "core/device_cache.h"
#include "support/app_fixture.h"

#include <gtest/gtest.h>

namespace {

using namespace quorvex;
using test::Answer;
using test::Cmd;
using test::FakeDriver;

struct CacheFixture : ::testing::Test, test::AppFixture {

    std::vector<Cmd> expectedRead(int portCount) {
        std::vector<Cmd> cmds;
        auto port = [&](int number, int msnCount) {
            for (int i = 0; i < msnCount; ++i) {
                cmds.push_back({DRV_MSN, number, i, 0, ""});
                if (i == 0) cmds.push_back({DRV_CLIP, number, 0, 0, ""});
            }
        };
        port(0, 5);
        for (int p = 0; p < portCount; ++p)
            port(core::kAnalogPortNumbers[static_cast<std::size_t>(p)], 3);
        return cmds;
    }
};

TEST_F(CacheFixture, SendDrvCmdRefusesWhileNotConnected) {
    DRVPARAM r{};
    EXPECT_EQ(app.SendDrvCmd(DRV_MSN, &r), -2);
    EXPECT_TRUE(drv.calls().empty());
    app.connected = true;
    drv.on({DRV_MSN}, Answer::ok());
    EXPECT_EQ(app.SendDrvCmd(DRV_MSN, &r), 0);
    EXPECT_EQ(drv.calls().size(), 1u);
}

TEST_F(CacheFixture, MsnTableReadOrderR70) {
    app.connected = true;
    app.portCount = 5;
    core::readMsnTable(app);
    EXPECT_EQ(drv.sequence(), expectedRead(5));
}

TEST_F(CacheFixture, MsnTableReadOrderR30) {
    app.connected = true;
    app.portCount = 3;
    core::readMsnTable(app);
    EXPECT_EQ(drv.sequence(), expectedRead(3));
    EXPECT_EQ(drv.sequence().size(), 6u + 3u * 4u);
}

TEST_F(CacheFixture, AnswersFillTheCacheAndFailuresLeaveItEmpty) {
    app.connected = true;
    app.portCount = 5;
    app.cache.analog[1].msn[2] = "stale";
    app.cache.analog[1].clip = true;
    drv.on({DRV_MSN, 0, 3, 0}, Answer::okText("555"));
    drv.on({DRV_CLIP, 0}, Answer::okFlag(1));
    drv.on({DRV_MSN, 21, 0, 0}, Answer::okText("4711"));
    drv.on({DRV_MSN, 21, 2, 0}, Answer::noReply());
    drv.on({DRV_CLIP, 21}, Answer::notAcknowledged());
    drv.on({DRV_MSN, 32, 1, 0}, Answer::okText("123456789012345"));
    core::readMsnTable(app);
    EXPECT_EQ(app.cache.data.msn[3], "555");
    EXPECT_TRUE(app.cache.data.clip);
    EXPECT_EQ(app.cache.analog[1].msn[0], "4711");
    EXPECT_EQ(app.cache.analog[1].msn[2], "");
    EXPECT_FALSE(app.cache.analog[1].clip);
    EXPECT_EQ(app.cache.analog[4].msn[1], "123456789012345");
}

TEST_F(CacheFixture, NotConnectedReadsEverythingEmpty) {
    app.cache.data.msn[0] = "1";
    core::readMsnTable(app);
    EXPECT_TRUE(drv.calls().empty());
    EXPECT_EQ(app.cache.data.msn[0], "");
}

TEST_F(CacheFixture, PortNamesFromTheDefaultProfile) {
    profiles.set(core::kDefaultProfile, "MSN_DIV", "ALIAS1", "Kitchen");
    profiles.set(core::kDefaultProfile, "MSN_DIV", "ALIAS2", "");
    profiles.set(core::kDefaultProfile, "msn_div", "aliasd", "Fax");
    profiles.set(core::kCurrentProfile, "MSN_DIV", "ALIAS0", "not this file");
    core::readPortNames(app);
    core::PortNames names = app.cache.portNames();
    EXPECT_EQ(names, (core::PortNames{"\"11\"", "Kitchen", "\"22\"", "\"31\"", "\"32\""}));
    EXPECT_EQ(app.cache.data.name, "Fax");

    test::FakeProfileStore empty;
    core::CConfigApp other(drv.fn(), empty, clock);
    core::readPortNames(other);
    EXPECT_EQ(other.cache.data.name, "\"data\"");
}

} // namespace
