// Where the program keeps its files, the selector and the first-run marker.

#include "profile/profile_files.h"
#include "profile_temp_dir.h"

#include <gtest/gtest.h>

namespace {

using quorvex::testing::readBytes;
using quorvex::testing::TempDir;
namespace profile = quorvex::profile;

struct HomeCase {
    const char* what;
    const char* quorvexHome;
    const char* xdg;
    const char* home;
    const char* expected;
};

TEST(ProfileFiles, HomeResolution) {
    const HomeCase cases[] = {
        {"QUORVEX_HOME wins", "/data/q", "/x", "/home/u", "/data/q"},
        {"XDG_CONFIG_HOME next", nullptr, "/x", "/home/u", "/x/quorvex"},
        {"empty QUORVEX_HOME is unset", "", "/x", "/home/u", "/x/quorvex"},
        {"HOME last", nullptr, nullptr, "/home/u", "/home/u/.config/quorvex"},
        {"empty XDG_CONFIG_HOME is unset", nullptr, "", "/home/u", "/home/u/.config/quorvex"},
        {"relative XDG_CONFIG_HOME is ignored", nullptr, "rel", "/home/u",
         "/home/u/.config/quorvex"},
    };
    for (const HomeCase& c : cases) {
        EXPECT_EQ(profile::resolveHome(c.quorvexHome, c.xdg, c.home), c.expected) << c.what;
    }
    // Without HOME the password database names the home folder.
    EXPECT_TRUE(profile::resolveHome(nullptr, nullptr, nullptr).is_absolute());
}

TEST(ProfileFiles, EnvironmentIsHonoured) {
    TempDir dir;
    ::setenv("QUORVEX_HOME", (dir / "home").c_str(), 1);
    const auto files = profile::ProfileFiles::fromEnvironment();
    ::unsetenv("QUORVEX_HOME");
    EXPECT_EQ(files.defaultProfile(), dir / "home" / "default.pro");
    EXPECT_EQ(files.winIni(), dir / "home" / "win.ini");
}

TEST(ProfileFiles, SelectorsAndFirstWriteCreatesTheFolder) {
    TempDir dir;
    profile::ProfileFiles files(dir / "cfg" / "quorvex");
    EXPECT_EQ(files.forSelector(profile::kSelectDefault), dir / "cfg" / "quorvex" / "default.pro");
    EXPECT_TRUE(files.forSelector(profile::kSelectCurrent).empty());
    EXPECT_TRUE(files.forSelector(7).empty());

    // Reads of the missing folder give defaults and create nothing.
    EXPECT_EQ(files.readInt(0, "SET_DIV", "LANGUAGE", 0), 0);
    EXPECT_FALSE(std::filesystem::exists(files.home()));

    ASSERT_TRUE(files.writeString(0, "SET_DIV", "LANGUAGE", "1").ok);
    EXPECT_TRUE(std::filesystem::is_directory(files.home()));
    EXPECT_EQ(readBytes(files.defaultProfile()), "[SET_DIV]\r\nLANGUAGE=1\r\n");
    EXPECT_EQ(files.readInt(0, "SET_DIV", "LANGUAGE", 0), 1);

    // Selector 1 before a profile was chosen: nothing to write to.
    const auto refused = files.writeString(1, "SET_DIV", "LANGUAGE", "1");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.error, "no profile has been chosen");
    EXPECT_EQ(files.readString(1, "SET_DIV", "CHGUNIT", "d"), "d");

    files.setCurrentProfile(dir / "mine.pro");
    EXPECT_EQ(files.forSelector(1), dir / "mine.pro");
    ASSERT_TRUE(files.writeString(1, "SET_DIV", "CHGUNIT", "0,12").ok);
    EXPECT_EQ(files.readString(1, "SET_DIV", "CHGUNIT", ""), "0,12");
    EXPECT_EQ(files.readString(0, "SET_DIV", "CHGUNIT", "none"), "none");
}

TEST(ProfileFiles, FirstRunMarker) {
    TempDir dir;
    profile::ProfileFiles files(dir / "q");
    EXPECT_TRUE(files.isFirstRun());
    ASSERT_TRUE(files.markRun().ok);
    EXPECT_FALSE(files.isFirstRun());
    EXPECT_EQ(readBytes(files.winIni()), "[QuorvexCom]\r\nFirstRun=1\r\n");
    ASSERT_TRUE(profile::writeString(files.winIni(), "QuorvexCom", "FirstRun", "0").ok);
    EXPECT_TRUE(files.isFirstRun());
}

TEST(ProfileFiles, HomeThatIsAFileIsReported) {
    TempDir dir;
    quorvex::testing::writeBytes(dir / "q", "not a folder");
    profile::ProfileFiles files(dir / "q");
    const auto result = files.writeString(0, "SET_DIV", "LANGUAGE", "1");
    EXPECT_FALSE(result.ok);
    EXPECT_FALSE(result.error.empty());
    EXPECT_EQ(readBytes(dir / "q"), "not a folder");
}

// An older version kept default.pro beside the program and its keys in the
// Windows directory's win.ini (the per-user copies first, where the system
// redirected a 32-bit program's writes). The new folder takes them over once,
// when it is made, and the old files stay exactly as they were.
TEST(ProfileFiles, OldPlacesAreReadOnceWhenTheFolderIsMade) {
    TempDir dir;
    using quorvex::testing::writeBytes;
    std::filesystem::create_directories(dir / "store");
    std::filesystem::create_directories(dir / "program");
    std::filesystem::create_directories(dir / "windows");
    const std::string oldProfile = "[SET_DIV]\r\nLANGUAGE=1\r\n[MSN_DIV]\r\nALIAS0=K\xFC"
                                   "che\r\n";
    const std::string systemIni = "[windows]\r\nload=\r\n[QuorvexCom]\r\nFirstRun=1\r\n"
                                  "Port=\\\\.\\COM12\r\n";
    writeBytes(dir / "program" / "default.pro", oldProfile);
    writeBytes(dir / "windows" / "win.ini", systemIni);
    writeBytes(dir / "store" / "win.ini", "[QuorvexCom]\r\nPort=\\\\.\\COM5\r\n");
    const profile::OldPlaces old{{dir / "store" / "default.pro", dir / "program" / "default.pro"},
                                 {dir / "store" / "win.ini", dir / "windows" / "win.ini"}};
    profile::ProfileFiles files(dir / "user" / "Quorvex", old);
    EXPECT_TRUE(files.isFirstRun()); // reads alone take nothing over

    ASSERT_TRUE(files.ensureHome().ok);
    EXPECT_EQ(readBytes(files.defaultProfile()), oldProfile);
    EXPECT_FALSE(files.isFirstRun());
    // Each key from the first old win.ini that has it.
    EXPECT_EQ(profile::readString(files.winIni(), "QuorvexCom", "Port", ""), "\\\\.\\COM5");
    EXPECT_EQ(readBytes(dir / "program" / "default.pro"), oldProfile);
    EXPECT_EQ(readBytes(dir / "windows" / "win.ini"), systemIni);

    // Once: the folder exists now, and later changes of the old files stay there.
    writeBytes(dir / "program" / "default.pro", "[SET_DIV]\r\nLANGUAGE=0\r\n");
    ASSERT_TRUE(files.writeString(0, "SET_DIV", "SOUNDON", "1").ok);
    EXPECT_EQ(files.readInt(0, "SET_DIV", "LANGUAGE", 0), 1);
    ASSERT_TRUE(files.markRun().ok);
    EXPECT_EQ(readBytes(dir / "windows" / "win.ini"), systemIni);
}

} // namespace
