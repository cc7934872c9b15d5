#pragma once
// Where the program keeps its files: the folder QUORVEX_HOME (by default
// $XDG_CONFIG_HOME/quorvex, else ~/.config/quorvex) holds the default profile
// "default.pro" and "win.ini" with the first-run marker. The folder is created
// by the first write into it. On Windows the folder is QUORVEX_HOME or else
// the program's own, and win.ini is the one in the Windows directory.

#include "profile/ini_file.h"

#include <filesystem>
#include <string_view>

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

#ifdef _WIN32
// The folder of the running program, and win.ini in the Windows directory.
std::filesystem::path programDirectory();
std::filesystem::path windowsWinIni();
#endif

class ProfileFiles {
public:
    explicit ProfileFiles(std::filesystem::path home)
        : home_(std::move(home)), winIni_(home_ / kWinIniName) {}
    ProfileFiles(std::filesystem::path home, std::filesystem::path winIni)
        : home_(std::move(home)), winIni_(std::move(winIni)) {}
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

    // Creates the folder when it does not exist yet.
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

    std::filesystem::path home_;
    std::filesystem::path winIni_;
    std::filesystem::path current_;
};

} // namespace quorvex::profile
