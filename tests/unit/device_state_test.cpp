// The simulated device's state file and firmware image check.
#include "sim/device_state.h"
#include "sim/firmware_image.h"
#include "sim/interpreter.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

namespace {

using namespace quorvex::sim;

TEST(SimState, RoundTripKeepsEverySetting) {
    DeviceState s = freshState(Model::R30);
    Interpreter in(s);
    in.handle("AT!P0#21*1=0301234567");
    in.handle("AT\\N13=0180-0190");
    in.handle("AT%P4=odd|text\\with=signs");
    in.handle("AT!P20#11*1=*22");
    in.handle("AT!T=07/03/2001 09:05:00");
    in.handle("AT!P24#11=004112345");
    s.firmware = "V2.20 R30";
    s.bootMode = true;
    s.callLists[22][kNotAnswered].push_back({"01/01/01", "00:00", "NO ID", "19", 0});
    auto back = parseState(serializeState(s));
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);
}

TEST(SimState, MalformedFilesAreRefusedWithAReason) {
    struct Row {
        const char* text;
        const char* reason;
    };
    for (Row r : {Row{"version=1\n", "no model"}, Row{"model=R99\n", "unknown model"},
                  Row{"model=R70\nnonsense\n", "line 2"}, Row{"model=R70\ntotal=12x\n", "number"},
                  Row{"model=R70\nreg.%A5=\\q\n", "escape"},
                  Row{"model=R70\ncall.11.5=a|b|c|d|0\n", "call"},
                  Row{"version=9\nmodel=R70\n", "version"}}) {
        std::string why;
        EXPECT_FALSE(parseState(r.text, &why)) << r.text;
        EXPECT_NE(why.find(r.reason), std::string::npos) << why;
    }
    // Registers a file lacks come back with their initial values.
    auto minimal = parseState("model=R70\n");
    ASSERT_TRUE(minimal);
    EXPECT_EQ(minimal->registers.at("%A2"), "95");
}

TEST(SimState, FileSaveIsAtomicAndLoads) {
    auto dir = std::filesystem::temp_directory_path() / ("sim_state_" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    std::string path = (dir / "device.state").string();
    DeviceState s = freshState(Model::R70Usb);
    s.registers["S76"] = "089";
    ASSERT_TRUE(saveStateFile(path, s));
    EXPECT_FALSE(std::filesystem::exists(path + ".tmp"));
    auto back = loadStateFile(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(*back, s);
    std::string why;
    EXPECT_FALSE(saveStateFile((dir / "missing" / "x").string(), s, &why));
    EXPECT_FALSE(why.empty());
    EXPECT_FALSE(loadStateFile((dir / "nothing").string(), &why));
    std::filesystem::remove_all(dir);
}

TEST(SimImage, CheckAcceptsOnlyTheRightModel) {
    struct Row {
        Model image;
        Model device;
        bool accepted;
    };
    const Row rows[] = {
        {Model::R30, Model::R30, true},       {Model::R70, Model::R70, true},
        {Model::R70Usb, Model::R70Usb, true}, {Model::R30, Model::R70, false},
        {Model::R70, Model::R30, false},      {Model::R70, Model::R70Usb, false},
        {Model::R70Usb, Model::R70, false},
    };
    for (const Row& r : rows) {
        auto image = makeImage(r.image, "V9.99", "V2.00");
        std::string why;
        auto info = checkImage(image, r.device, &why);
        EXPECT_EQ(info.has_value(), r.accepted)
            << modelName(r.image) << " on " << modelName(r.device) << ": " << why;
        if (info) {
            EXPECT_EQ(info->firmware, "V9.99");
            EXPECT_EQ(info->bootCode, "V2.00");
        }
    }
}

TEST(SimImage, ShortLongAndUnterminatedImagesAreRefused) {
    auto image = makeImage(Model::R70);
    std::string why;
    EXPECT_FALSE(checkImage(std::span(image).first(kImageSize - 1), Model::R70, &why));
    EXPECT_NE(why.find("bytes"), std::string::npos);
    auto longer = image;
    longer.push_back(0);
    EXPECT_FALSE(checkImage(longer, Model::R70));
    auto unterminated = image;
    for (std::size_t i = 0; i < kFirmwareTextSize; ++i)
        unterminated[kFirmwareTextOffset + i] = 'A';
    EXPECT_FALSE(checkImage(unterminated, Model::R70));
    auto noModel = image;
    noModel[kModelTextOffset] = 0;
    EXPECT_FALSE(checkImage(noModel, Model::R70));
}

TEST(SimImage, ReceiverTakesExactlyOneImage) {
    ImageReceiver r;
    std::vector<uint8_t> block(512, 0x55);
    for (int i = 0; i < 1023; ++i)
        EXPECT_FALSE(r.feed(block));
    EXPECT_TRUE(r.receiving());
    std::vector<uint8_t> tail(600, 0x55);
    EXPECT_TRUE(r.feed(tail));
    EXPECT_EQ(r.received(), kImageSize);
}

} // namespace
