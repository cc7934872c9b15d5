#include "app/ini_profile_store.h"

namespace quorvex::app {

std::string IniProfileStore::readString(int selector, std::string_view section,
                                        std::string_view key, std::string_view def) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return std::string(def);
    return profile::readString(file, section, key, def);
}

int IniProfileStore::readInt(int selector, std::string_view section, std::string_view key,
                             int def) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) return def;
    return profile::readInt(file, section, key, def);
}

profile::WriteResult IniProfileStore::writeString(int selector, std::string_view section,
                                                  std::string_view key, std::string_view value) {
    std::filesystem::path file = pathOf_(selector);
    if (file.empty()) {
        // No profile chosen yet: refuse rather than write somewhere unexpected.
        return profile::WriteResult{false, "no profile file chosen"};
    }
    return profile::writeString(file, section, key, value);
}

} // namespace quorvex::app
