// Every recorded case of the Windows profile functions, run against our layer.
// Where our behaviour is meant to differ from the recording, the case is listed
// in support/ini_vector_deviations.h with the reason and what we do instead.

#include "profile/ini_file.h"
#include "profile/text_encoding.h"
#include "profile_temp_dir.h"
#include "support/ini_vector_deviations.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <climits>
#include <fstream>
#include <map>
#include <set>

namespace {

using nlohmann::json;
using namespace testsupport;
using quorvex::testing::readBytes;
using quorvex::testing::TempDir;
using quorvex::testing::writeBytes;
namespace profile = quorvex::profile;

// A text of the Windows program (code page 1252 bytes) as our layer speaks it.
std::string utf8Of(const json& value) {
    return profile::decodeProfileText(bytesOf(value), std::string::npos);
}

// Every key with a value in the recorded file reads the same from ours.
void expectSameReads(const std::string& recorded, const std::filesystem::path& ours,
                     const TempDir& dir) {
    const auto recordedFile = dir / "recorded.ini";
    writeBytes(recordedFile, recorded);
    const auto expected = profile::IniSnapshot::load(recordedFile);
    const auto actual = profile::IniSnapshot::load(ours);
    for (const std::string& section : expected.sectionNames()) {
        for (const std::string& key : expected.keyNames(section)) {
            EXPECT_EQ(actual.readString(section, key, "<missing>"),
                      expected.readString(section, key, "<missing>"))
                << "[" << section << "] " << key;
        }
    }
}

void runCase(const json& c) {
    const std::string id = c["id"];
    SCOPED_TRACE(id + ": " + c["desc"].get<std::string>());
    TempDir dir;
    const auto file = dir / "profile.ini";
    std::optional<std::string> before;
    if (!c["file_before"].is_null()) {
        before = bytesOf(c["file_before"]);
        writeBytes(file, *before);
    }

    const bool refused = kRefused.count(id) > 0;
    for (const json& op : c["ops"]) {
        const std::string fn = op["fn"];
        if (fn == "GetPrivateProfileStringA") {
            const std::size_t size = op["size"];
            const std::size_t ret = op["ret"];
            if (op["section"].is_null()) {
                EXPECT_EQ(profile::IniSnapshot::load(file).sectionNames(),
                          listOf(bytesOf(op["buffer_bytes"]), ret));
                continue;
            }
            const std::string section = bytesOf(op["section"]);
            if (op["key"].is_null()) {
                EXPECT_EQ(profile::IniSnapshot::load(file).keyNames(section),
                          listOf(bytesOf(op["buffer_bytes"]), ret));
                continue;
            }
            const std::string key = bytesOf(op["key"]);
            const std::string dflt = op["default"].is_null() ? "" : utf8Of(op["default"]);
            const std::string expected =
                refused ? profile::decodeProfileText(dflt, size - 1) : utf8Of(op["buffer"]);
            EXPECT_EQ(profile::readString(file, section, key, dflt, size), expected)
                << "[" << section << "] " << key;
        } else if (fn == "GetPrivateProfileIntA") {
            const auto ours = kOurNumbers.find(id);
            const int expected =
                ours != kOurNumbers.end() ? ours->second : op["ret_as_int"].get<int>();
            EXPECT_EQ(profile::readInt(file, bytesOf(op["section"]), bytesOf(op["key"]),
                                       op["default"].get<int>()),
                      expected);
        } else {
            ASSERT_EQ(fn, "WritePrivateProfileStringA");
            const auto written = profile::writeString(file, bytesOf(op["section"]),
                                                      bytesOf(op["key"]), utf8Of(op["value"]));
            if (refused) {
                EXPECT_FALSE(written.ok);
                EXPECT_FALSE(written.error.empty());
            } else {
                EXPECT_EQ(written.ok, op["ret"].get<int>() == 1) << written.error;
            }
        }
    }

    const std::optional<std::string> after = readBytes(file);
    if (refused) {
        EXPECT_EQ(after, before) << "a refused write must leave the file as it was";
        return;
    }
    if (const auto ours = kOurFileAfter.find(id); ours != kOurFileAfter.end()) {
        EXPECT_EQ(after, ours->second);
        expectSameReads(bytesOf(c["file_after"]), file, dir);
        return;
    }
    if (c["file_after"].is_null()) {
        EXPECT_FALSE(after.has_value());
    } else {
        EXPECT_EQ(after, bytesOf(c["file_after"]));
    }
    EXPECT_EQ(after != before, c["file_changed"].get<bool>());
}

TEST(ProfileVectors, EveryRecordedCase) {
    std::set<std::string> skipped;
    int cases = 0;
    for (const char* group : {"getstring", "getint", "write", "encoding"}) {
        const std::string path = std::string(QUORVEX_INI_VECTORS) + "/vectors-" + group + ".json";
        std::ifstream in(path);
        ASSERT_TRUE(in) << path;
        const json vectors = json::parse(in);
        for (const json& c : vectors["cases"]) {
            ++cases;
            if (usesNullPointers(c)) {
                EXPECT_TRUE(kNotImplemented.count(c["id"])) << c["id"] << " skipped unlisted";
                skipped.insert(c["id"]);
                continue;
            }
            runCase(c);
        }
    }
    EXPECT_EQ(cases, 44 + 25 + 37 + 12);
    EXPECT_EQ(skipped, kNotImplemented) << "a listed exception no longer matches a case";
}

} // namespace
