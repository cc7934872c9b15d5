#pragma once
// Where the program keeps its files: the folder QUORVEX_HOME (by default
// $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex; on Windows the user's
// application data folder, %APPDATA%\Quorvex) holds the default profile
// "default.pro" and "win.ini" with section QuorvexCom (the first-run marker,
// the chosen port). The folder is created by the first write into it.
//
// A standard Windows account may write neither the program's folder nor the
// Windows directory, where an older version kept default.pro and the
// QuorvexCom keys of the system's win.ini. When the folder is created, those
// old places are read once for what they held; they are never written.

#include "profile/ini_file.h"

#include <filesystem>
#include <string_view>
#include <vector>

namespace quorvex::profile {

inline constexpr std::string_view kDefaultProfileName = "default.pro";
inline constexpr std::string_view kWinIniName = "win.ini";
inline constexpr std::string_view kFirstRunSection = "QuorvexCom";
inline constexpr std::string_view kFirstRunKey = "FirstRun";

// Profile selectors passed with every section save and load.
inline constexpr int kSelectDefault = 0; // the default profile
inline constexpr int kSelectCurrent = 1; // the profile chosen last in a file dialog

// The folder from the values of QUORVEX_HOME, XDG_CONFIG_HOME and HOME (each
// may be null). An empty variable counts as unset; XDG_CONFIG_HOME only counts
// when absolute. Without HOME the user's home from the password database is used.
std::filesystem::path resolveHome(const char* quorvexHome, const char* xdgConfigHome,
                                  const char* home);

// Where an older version kept its files, each list in the order it is read.
struct OldPlaces {
    // The first of these that exists is taken as the default profile.
    std::vector<std::filesystem::path> defaultProfiles;
    // Every key of section QuorvexCom is taken from the first of these that has it.
    std::vector<std::filesystem::path> winInis;
};

#ifdef _WIN32
// The folder of the running program; the user's application data folder with
// "Quorvex" added (empty when the system names none).
std::filesystem::path programDirectory();
std::filesystem::path userDataFolder();
// Where Windows kept an older version's files: default.pro beside the program
// and win.ini in the Windows directory, each with its per-user copy first (the
// system's redirection of a 32-bit program without a manifest wrote there).
OldPlaces windowsOldPlaces();
#endif

class ProfileFiles {
public:
    explicit ProfileFiles(std::filesystem::path home, OldPlaces old = {})
        : home_(std::move(home)), winIni_(home_ / kWinIniName), old_(std::move(old)) {}
    // The folder as the environment names it.
    static ProfileFiles fromEnvironment();

    const std::filesystem::path& home() const { return home_; }
    std::filesystem::path defaultProfile() const { return home_ / kDefaultProfileName; }
    const std::filesystem::path& winIni() const { return winIni_; }

    // The profile chosen last in a file dialog; empty until one was chosen.
    const std::filesystem::path& currentProfile() const { return current_; }
    void setCurrentProfile(std::filesystem::path path) { current_ = std::move(path); }

    // 0: the default profile, 1: the current profile (empty when none was
    // chosen yet, so reads give defaults and writes fail); anything else: empty.
    std::filesystem::path forSelector(int selector) const;

    // Creates the folder when it does not exist yet, and then takes over what
    // the old places hold.
    WriteResult ensureHome() const;

    // Reads and writes through a selector. A write into the folder creates it first.
    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view defaultValue) const;
    int readInt(int selector, std::string_view section, std::string_view key,
                int defaultValue) const;
    WriteResult writeString(int selector, std::string_view section, std::string_view key,
                            std::string_view value) const;

    // First run: win.ini's "FirstRun" does not start with '1'.
    bool isFirstRun() const;
    WriteResult markRun() const;

private:
    WriteResult writeInto(const std::filesystem::path& file, std::string_view section,
                          std::string_view key, std::string_view value) const;
    void adoptOldPlaces() const;

    std::filesystem::path home_;
    std::filesystem::path winIni_;
    OldPlaces old_;
    std::filesystem::path current_;
};

} // namespace quorvex::profile
