#include "profile/profile_files.h"

#include "profile/atomic_file.h"
#include "profile/native_text.h"

#include <cstdlib>
#include <system_error>
#ifndef _WIN32
#include <pwd.h>
#include <unistd.h>
#endif

namespace quorvex::profile {

namespace {

bool isSet(const char* value) {
    return value != nullptr && *value != '\0';
}

} // namespace

std::filesystem::path resolveHome(const char* quorvexHome, const char* xdgConfigHome,
                                  const char* home) {
    if (isSet(quorvexHome)) return std::filesystem::path(quorvexHome);
    if (isSet(xdgConfigHome) && xdgConfigHome[0] == '/') {
        return std::filesystem::path(xdgConfigHome) / "quorvex";
    }
    std::filesystem::path base;
    if (isSet(home)) {
        base = home;
#ifndef _WIN32
    } else if (const passwd* pw = ::getpwuid(::getuid()); pw != nullptr && isSet(pw->pw_dir)) {
        base = pw->pw_dir;
#endif
    } else {
        base = "/tmp"; // no home at all (a bare service account): still somewhere writable
    }
    return base / ".config" / "quorvex";
}

ProfileFiles ProfileFiles::fromEnvironment() {
#ifdef _WIN32
    const std::optional<std::string> home = environmentUtf8("QUORVEX_HOME");
    if (home && !home->empty()) return ProfileFiles(pathFromUtf8(*home));
    std::filesystem::path folder = userDataFolder();
    // No profile folder at all (a bare service account): the program's own.
    if (folder.empty()) return ProfileFiles(programDirectory());
    return ProfileFiles(std::move(folder), windowsOldPlaces());
#else
    return ProfileFiles(resolveHome(std::getenv("QUORVEX_HOME"), std::getenv("XDG_CONFIG_HOME"),
                                    std::getenv("HOME")));
#endif
}

std::filesystem::path ProfileFiles::forSelector(int selector) const {
    if (selector == kSelectDefault) return defaultProfile();
    if (selector == kSelectCurrent) return current_;
    return {};
}

WriteResult ProfileFiles::ensureHome() const {
    std::error_code ec;
    if (std::filesystem::is_directory(home_, ec)) return {true, {}};
    std::filesystem::create_directories(home_, ec);
    if (ec) return {false, "cannot create the folder " + utf8Of(home_) + ": " + ec.message()};
    if (!std::filesystem::is_directory(home_, ec)) {
        return {false, utf8Of(home_) + " is not a folder"};
    }
    adoptOldPlaces();
    return {true, {}};
}

// Best effort: what cannot be read or written there is left, and the program
// starts as on a first run.
void ProfileFiles::adoptOldPlaces() const {
    for (const std::filesystem::path& old : old_.defaultProfiles) {
        FileRead read = readProfileBytes(old);
        if (read.status == FileRead::Status::Missing) continue;
        if (read.status == FileRead::Status::Ok)
            (void)replaceFileAtomically(defaultProfile(), read.bytes);
        break;
    }
    for (const std::filesystem::path& old : old_.winInis) {
        const IniSnapshot snapshot = IniSnapshot::load(old);
        for (const std::string& key : snapshot.keyNames(kFirstRunSection)) {
            if (IniSnapshot::load(winIni_).find(kFirstRunSection, key)) continue;
            const auto value = snapshot.find(kFirstRunSection, key, 4096);
            if (value) (void)profile::writeString(winIni_, kFirstRunSection, key, *value);
        }
    }
}

std::string ProfileFiles::readString(int selector, std::string_view section, std::string_view key,
                                     std::string_view defaultValue) const {
    return profile::readString(forSelector(selector), section, key, defaultValue);
}

int ProfileFiles::readInt(int selector, std::string_view section, std::string_view key,
                          int defaultValue) const {
    return profile::readInt(forSelector(selector), section, key, defaultValue);
}

WriteResult ProfileFiles::writeInto(const std::filesystem::path& file, std::string_view section,
                                    std::string_view key, std::string_view value) const {
    if (file.empty()) return {false, "no profile has been chosen"};
    if (file.parent_path() == home_) {
        if (WriteResult made = ensureHome(); !made) return made;
    }
    return profile::writeString(file, section, key, value);
}

WriteResult ProfileFiles::writeString(int selector, std::string_view section, std::string_view key,
                                      std::string_view value) const {
    return writeInto(forSelector(selector), section, key, value);
}

bool ProfileFiles::isFirstRun() const {
    const std::string marker =
        profile::readString(winIni(), kFirstRunSection, kFirstRunKey, "0", 11);
    return marker.empty() || marker.front() != '1';
}

WriteResult ProfileFiles::markRun() const {
    return writeInto(winIni(), kFirstRunSection, kFirstRunKey, "1");
}

} // namespace quorvex::profile
