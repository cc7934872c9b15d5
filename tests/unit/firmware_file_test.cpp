#include "maintenance/firmware_file.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace qm = quorvex::maintenance;

namespace {

// The images written by this test go when the test program ends.
struct RemoveImagesAtExit {
    ~RemoveImagesAtExit() {
        std::error_code ec;
        std::filesystem::remove_all(std::filesystem::temp_directory_path() /
                                        ("quorvex_fw_" + std::to_string(::getpid())),
                                    ec);
    }
} removeImagesAtExit;

std::vector<std::uint8_t> image(const std::string& model, std::size_t size = qm::kFirmwareSize,
                                const std::string& version = "V2.10",
                                const std::string& boot = "B1.02") {
    std::vector<std::uint8_t> bytes(size, 0xA5);
    auto put = [&](qm::FirmwareField f, const std::string& text) {
        for (std::size_t i = 0; i < f.length && f.offset + i < size; ++i) {
            bytes[f.offset + i] = i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0;
        }
    };
    put(qm::kFirmwareVersionField, version);
    put(qm::kFirmwareModelField, model);
    put(qm::kFirmwareBootCodeField, boot);
    return bytes;
}

std::string writeTemp(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    auto dir =
        std::filesystem::temp_directory_path() / ("quorvex_fw_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir);
    auto path = dir / name;
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()),
              static_cast<std::streamsize>(bytes.size()));
    return path.string();
}

} // namespace

TEST(FirmwareFile, ReadsTheThreeTextsAndTheModelName) {
    struct Row {
        std::string model, name;
    };
    for (const Row& r : std::vector<Row>{{"QKM-633S", "OrvaISDN R70"},
                                         {"QKM-633S-USB", "OrvaISDN R70-USB"},
                                         {"xx QKM-613S yy", "OrvaISDN R30"},
                                         {"QKM-623S", "????"},
                                         {"", "????"}}) {
        auto bytes = image(r.model);
        qm::FirmwareInfo info = qm::readFirmwareInfo(bytes);
        EXPECT_EQ(info.versionText, "V2.10") << r.model;
        EXPECT_EQ(info.modelText, r.model);
        EXPECT_EQ(info.bootCodeText, "B1.02");
        EXPECT_EQ(info.modelName, r.name) << r.model;
    }
}

TEST(FirmwareFile, FieldsWithoutNulStopAtTheirLength) {
    auto bytes = image("QKM-633S", qm::kFirmwareSize, std::string(20, 'v'), std::string(40, 'b'));
    qm::FirmwareInfo info = qm::readFirmwareInfo(bytes);
    EXPECT_EQ(info.versionText, std::string(16, 'v'));
    EXPECT_EQ(info.bootCodeText, std::string(32, 'b'));
}

TEST(FirmwareFile, ShortImageReadsEmptyTextsWithoutOverrun) {
    std::vector<std::uint8_t> bytes(4110, 'x');
    qm::FirmwareInfo info = qm::readFirmwareInfo(bytes);
    EXPECT_EQ(info.versionText, "xxxx");
    EXPECT_EQ(info.modelText, "");
    EXPECT_EQ(info.modelName, "????");
}

TEST(FirmwareFile, CheckRefusesWrongSizesAndModels) {
    struct Row {
        std::vector<std::uint8_t> bytes;
        qm::FirmwareCheck expected;
        const char* what;
    };
    std::vector<Row> rows;
    rows.push_back({image("QKM-633S"), qm::FirmwareCheck::Ok, "R70"});
    rows.push_back({image("QKM-633S-USB"), qm::FirmwareCheck::Ok, "USB"});
    rows.push_back({image("QKM-613S"), qm::FirmwareCheck::Ok, "R30"});
    rows.push_back(
        {image("QKM-633S", qm::kFirmwareSize - 1), qm::FirmwareCheck::WrongSize, "short"});
    rows.push_back(
        {image("QKM-633S", qm::kFirmwareSize + 1), qm::FirmwareCheck::WrongSize, "long"});
    rows.push_back({{}, qm::FirmwareCheck::WrongSize, "empty"});
    rows.push_back({image("QKM-999S"), qm::FirmwareCheck::WrongModel, "model"});
    for (const Row& r : rows)
        EXPECT_EQ(qm::checkFirmware(r.bytes), r.expected) << r.what;
}

TEST(FirmwareFile, LoadReadsCheckedFilesAndRefusesOthers) {
    auto good = qm::loadFirmwareFile(writeTemp("good.r7u", image("QKM-633S-USB")));
    EXPECT_EQ(good.check, qm::FirmwareCheck::Ok);
    EXPECT_EQ(good.bytes.size(), qm::kFirmwareSize);
    EXPECT_EQ(good.info.modelName, "OrvaISDN R70-USB");

    auto longer = qm::loadFirmwareFile(writeTemp("long.r70", image("QKM-633S", 600000)));
    EXPECT_EQ(longer.check, qm::FirmwareCheck::WrongSize);
    EXPECT_TRUE(longer.bytes.empty());

    EXPECT_EQ(qm::loadFirmwareFile(writeTemp("empty.r70", {})).check, qm::FirmwareCheck::WrongSize);
    EXPECT_EQ(qm::loadFirmwareFile(writeTemp("model.r70", image("NONE"))).check,
              qm::FirmwareCheck::WrongModel);
    EXPECT_EQ(qm::loadFirmwareFile("/nonexistent/quorvex/x.r70").check,
              qm::FirmwareCheck::Unreadable);
    EXPECT_EQ(qm::loadFirmwareFile(std::filesystem::temp_directory_path().string()).check,
              qm::FirmwareCheck::Unreadable);
}
