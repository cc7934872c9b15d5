#pragma once
// ProfileStore on real initialisation files: each selector is mapped to a
// path when it is used, so selector 1 follows the profile chosen last.

#include "core/profile_store.h"
#include "profile/profile_files.h"

#include <filesystem>
#include <functional>
#include <string>

namespace quorvex::core {

class IniProfileStore final : public ProfileStore {
public:
    using PathOf = std::function<std::filesystem::path(int selector)>;
    explicit IniProfileStore(PathOf pathOf) : pathOf_(std::move(pathOf)) {}

    std::string readString(int selector, std::string_view section, std::string_view key,
                           std::string_view def) override;
    int readInt(int selector, std::string_view section, std::string_view key, int def) override;
    profile::WriteResult writeString(int selector, std::string_view section, std::string_view key,
                                     std::string_view value) override;
    Contents contents(int selector) override;
    profile::WriteResult restore(int selector, const Contents& before) override;
    std::optional<std::string> writeRefusal(int selector) override;
    // One replacement of the file, whatever the number of keys.
    profile::WriteResult writeKeys(int selector, const std::vector<KeyValue>& keys,
                                   bool fresh) override;

private:
    PathOf pathOf_;
};

// The program's selectors over its files: 0 default.pro and 2 win.ini in the
// folder of files, 1 the profile chosen last (currentProfile, UTF-8, as the
// file dialog or the command line gave it; empty while none was chosen).
IniProfileStore::PathOf profilePaths(const profile::ProfileFiles& files,
                                     std::function<std::string()> currentProfile);

} // namespace quorvex::core
