// The profile comparison of quorvex-cli diff: values as a load reads them.
#include "cli/profile_diff.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using quorvex::cli::diffProfiles;
using quorvex::profile::IniSnapshot;

IniSnapshot snapshotOf(const std::string& name, const std::string& text) {
    fs::path file = fs::temp_directory_path() /
                    ("cli_diff_" + std::to_string(::getpid()) + "_" + name + ".pro");
    std::ofstream(file) << text;
    IniSnapshot s = IniSnapshot::load(file);
    fs::remove(file);
    return s;
}

TEST(CliDiff, EqualWhenOnlyTheSpellingDiffers) {
    // Missing keys are their defaults; a switch is on for any non-zero; numbers by their digits.
    IniSnapshot a = snapshotOf("a", "[ACCEP_DIV]\nCALLWAIT1=7\nDELAYRING0=03\n");
    IniSnapshot b = snapshotOf("b", "[accep_div]\ncallwait1=1\nDELAYRING0=3\nLOWVOL0=0\n"
                                    "[DATA_DIV]\nFRMSZV120=256\n");
    EXPECT_TRUE(diffProfiles(a, b, 5).empty());
}

TEST(CliDiff, ListsEachDifferenceInSaveOrderAndMarksProgramKeys) {
    IniSnapshot file = snapshotOf("f", "[SET_DIV]\nLANGUAGE=1\nCHGUNIT=0,12\n"
                                       "[MSN_DIV]\nALIAS1=Kitchen\nAMSN00=4711\n");
    IniSnapshot device = snapshotOf("d", "[SET_DIV]\nCHGUNIT=0,25\n[MSN_DIV]\nAMSN00=4711\n"
                                         "[TIMER_DIV]\nMCALL4=07:30\n");
    auto d = diffProfiles(file, device, 5);
    ASSERT_EQ(d.size(), 4u);
    EXPECT_EQ(d[0].key, "LANGUAGE");
    EXPECT_TRUE(d[0].programOnly);
    EXPECT_EQ(d[1].key, "CHGUNIT");
    EXPECT_EQ(d[1].fileValue, "0,12");
    EXPECT_EQ(d[1].deviceValue, "0,25");
    EXPECT_FALSE(d[1].programOnly);
    EXPECT_EQ(d[2].section, "MSN_DIV");
    EXPECT_EQ(d[2].key, "ALIAS1");
    EXPECT_TRUE(d[2].programOnly);
    EXPECT_EQ(d[3].key, "MCALL4");
    EXPECT_EQ(d[3].fileValue, "00:00"); // the load default of a missing timer
}

TEST(CliDiff, AnR30ComparesOnlyItsThreePorts) {
    IniSnapshot file = snapshotOf("r30", "");
    IniSnapshot device = snapshotOf("r70", "[ACCEP_DIV]\nCALLWAIT3=1\n[FILTER_DIV]\nACTIVE4=1\n");
    EXPECT_TRUE(diffProfiles(file, device, 3).empty());
    EXPECT_EQ(diffProfiles(file, device, 5).size(), 2u);
}

TEST(CliDiff, ProgramOnlyKeys) {
    for (const char* key : {"LANGUAGE", "SOUNDON", "PORTIDX3", "ALIAS0", "ALIASD", "PROVIDERM2"})
        EXPECT_TRUE(quorvex::profile::programOnlyKey(key)) << key;
    for (const char* key : {"CHGUNIT", "AMSN00", "PREDIALM0", "LCDDSPING"})
        EXPECT_FALSE(quorvex::profile::programOnlyKey(key)) << key;
}

} // namespace
